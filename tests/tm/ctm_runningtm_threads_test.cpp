// The running TM's line handlers as its users see them: placing one retires the
// one it replaces (stopped, never deleted under a user), texts for IM follow the
// IM line handler, the neighbours are found by their TM's id, and users on other
// threads never meet a handler that is being deleted.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "telegrams/ctm_bcim_message.h"
#include "tests/links/linehandler_fixture.h"
#include "tests/support/ctm_test_linehandlers.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_ls.h"

namespace {

// A client line handler towards a port where no one listens; started, it keeps
// trying to connect until it is shut down.
std::shared_ptr<CTM_testClientLh> makeHandler() { return std::make_shared<CTM_testClientLh>("127.0.0.1", 9); }

std::unique_ptr<CTM_message> report() { return std::make_unique<CTM_bcim21_message>(); }

class RunningTmHandlers : public LineHandlerThreadsTest {
 protected:
  void SetUp() override {
    LineHandlerThreadsTest::SetUp();
    tm_ = std::make_unique<CTM_runningTm>("TM32");
    segment_ = std::make_unique<CTM_ls>("E3201");
    tm_->m_addChild(segment_.get());
    segment_->m_setParent(tm_.get());
  }
  void TearDown() override {
    tm_.reset();
    segment_.reset();
    LineHandlerThreadsTest::TearDown();
  }

  // The texts for IM queued on a handler, taken out.
  static std::vector<std::string> m_textsOn(CTM_testClientLh& handler) {
    std::vector<std::string> texts;
    std::unique_ptr<CTM_message> telegram;
    while (handler.m_queue().m_get(telegram) && telegram)
      if (auto* text = dynamic_cast<CTM_bcim21_message*>(telegram.get())) texts.push_back(text->m_getExceptionDesc());
    return texts;
  }

  std::unique_ptr<CTM_runningTm> tm_;
  std::unique_ptr<CTM_ls> segment_;
};

struct c_slot {
  const char* name;
  std::function<void(CTM_runningTm&, std::shared_ptr<CTM_lh>)> place;
  std::function<std::shared_ptr<CTM_lh>(const CTM_runningTm&)> get;
};

const std::vector<c_slot>& slots() {
  static const std::vector<c_slot> all = {
      {"OC", [](CTM_runningTm& tm, std::shared_ptr<CTM_lh> lh) { tm.m_placeOcLineHandler(std::move(lh)); },
       [](const CTM_runningTm& tm) { return tm.m_getOcLineHandler(); }},
      {"LPCS", [](CTM_runningTm& tm, std::shared_ptr<CTM_lh> lh) { tm.m_placeLpcsLineHandler(std::move(lh)); },
       [](const CTM_runningTm& tm) { return tm.m_getLpcsLineHandler(); }},
      {"IM", [](CTM_runningTm& tm, std::shared_ptr<CTM_lh> lh) { tm.m_placeImLineHandler(std::move(lh)); },
       [](const CTM_runningTm& tm) { return tm.m_getImLineHandler(); }},
      {"DSTM",
       [](CTM_runningTm& tm, std::shared_ptr<CTM_lh> lh) {
         tm.m_placeDstmLineHandlers({{"TM33", lh}});
       },
       [](const CTM_runningTm& tm) { return tm.m_findDstmLineHandler("TM33"); }},
      {"USTM",
       [](CTM_runningTm& tm, std::shared_ptr<CTM_lh> lh) {
         tm.m_placeUstmLineHandlers({{"TM31", lh}});
       },
       [](const CTM_runningTm& tm) { return tm.m_findUstmLh("TM31"); }},
  };
  return all;
}

// The replaced handler is stopped for good, but a user's snapshot still holds a
// live object; the handler in place is left running when placed again, and the
// stop retires it.
TEST_F(RunningTmHandlers, PlacingRetiresTheHandlerItReplaces) {
  for (const c_slot& slot : slots()) {
    SCOPED_TRACE(slot.name);
    auto first = makeHandler();
    auto second = makeHandler();
    slot.place(*tm_, first);
    std::shared_ptr<CTM_lh> snapshot = slot.get(*tm_);
    ASSERT_EQ(snapshot, first);
    ASSERT_TRUE(second->m_start());
    slot.place(*tm_, second);
    EXPECT_EQ(slot.get(*tm_), second);
    EXPECT_FALSE(first->m_start());
    EXPECT_TRUE(snapshot->m_send(report()));

    slot.place(*tm_, second);
    EXPECT_TRUE(second->m_isRunning());
    tm_->m_stop();
    EXPECT_EQ(slot.get(*tm_), nullptr);
    EXPECT_FALSE(second->m_isRunning());
    EXPECT_FALSE(second->m_start());
  }
}

// A node's text and a line handler's text both reach the IM line handler in
// place; without one, a node's text is refused.
TEST_F(RunningTmHandlers, TextsForImGoToTheImLineHandlerInPlace) {
  auto oc = makeHandler();
  auto first = makeHandler();
  auto second = makeHandler();
  tm_->m_placeOcLineHandler(oc);
  tm_->m_placeImLineHandler(first);
  EXPECT_TRUE(segment_->m_sendText("E3201", 2, "from the segment %d", 1));
  EXPECT_TRUE(oc->m_sendText("TM32", 1, "from OC"));
  EXPECT_EQ(m_textsOn(*first), (std::vector<std::string>{"from the segment 1", "from OC"}));

  tm_->m_placeImLineHandler(second);
  EXPECT_TRUE(segment_->m_sendText("E3201", 2, "again"));
  EXPECT_EQ(m_textsOn(*second), (std::vector<std::string>{"again"}));
  EXPECT_TRUE(m_textsOn(*first).empty());

  tm_->m_placeImLineHandler(nullptr);
  EXPECT_FALSE(segment_->m_sendText("E3201", 2, "lost"));
  EXPECT_FALSE(oc->m_sendText("TM32", 1, "lost"));
}

TEST_F(RunningTmHandlers, NeighboursAreFoundByTheirTmsId) {
  auto tm33 = makeHandler();
  auto tm34 = makeHandler();
  auto tm31 = makeHandler();
  tm_->m_placeDstmLineHandlers({{"TM33", tm33}, {"TM34", tm34}});
  tm_->m_placeUstmLineHandlers({{"TM31", tm31}});
  EXPECT_EQ(tm_->m_findDstmLineHandler("TM34"), tm34);
  EXPECT_EQ(tm_->m_findDstmLineHandler("TM31"), nullptr);
  EXPECT_EQ(tm_->m_findUstmLh("TM31"), tm31);
  EXPECT_EQ(tm_->m_findUstmLh("TM33"), nullptr);
  EXPECT_EQ(tm_->m_getDstmLineHandlers(), (std::vector<std::shared_ptr<CTM_lh>>{tm33, tm34}));
  // A list placed again keeps the handlers it still holds.
  ASSERT_TRUE(tm34->m_start());
  tm_->m_placeDstmLineHandlers({{"TM34", tm34}});
  EXPECT_FALSE(tm33->m_start());
  EXPECT_TRUE(tm34->m_isRunning());
}

// The IM step reads host 1, port 1, host 2, port 2: the first missing key is
// the one reported. The new IM handler starts before the previous one ends.
TEST_F(RunningTmHandlers, TheImStepReadsItsKeysInOrderAndStartsTheNewHandlerFirst) {
  const std::vector<std::string> keys = {c_parameterLine("P", "IM__Hostname1", "", "S", "127.0.0.1"),
                                         c_parameterLine("P", "IM__Port1", "", "I", "9"),
                                         c_parameterLine("P", "IM__Hostname2", "", "S", "127.0.0.1"),
                                         c_parameterLine("P", "IM__Port2", "", "I", "9")};
  home_.m_writeConfig({});
  home_.m_writeSystem("TM32", {keys[0], keys[3]});
  ASSERT_TRUE(m_start("TM32"));
  CTM_runningTm tm("TM32", "127.0.0.1");
  EXPECT_FALSE(tm.m_init("YNNNNNN", true));
  EXPECT_EQ(m_argumentsOf(ev::CFG_UNKNOWN_NAME), (std::vector<std::vector<std::string>>{{"IM__Port1"}}));

  CTM_config::m_resetForTest();
  home_.m_writeSystem("TM32", keys);
  ASSERT_TRUE(m_start("TM32"));
  events_.m_clear();
  ASSERT_TRUE(tm.m_init("YNNNNNN", true));
  const std::shared_ptr<CTM_lh> first = tm.m_getImLineHandler();
  ASSERT_TRUE(tm.m_init("YNNNNNN", true));
  EXPECT_FALSE(first->m_isRunning());
  EXPECT_TRUE(tm.m_getImLineHandler()->m_isRunning());
  std::vector<unsigned> threads;
  for (unsigned id : m_ids())
    if (id == ev::LH_THREAD_STARTED || id == ev::LH_THREAD_ENDED) threads.push_back(id);
  EXPECT_EQ(threads, (std::vector<unsigned>{ev::LH_THREAD_STARTED, ev::LH_THREAD_STARTED, ev::LH_THREAD_ENDED}));
  tm.m_stop();
}

// Users on four threads send through every way to a handler while the owner
// replaces them all, over and over; the sanitizers watch for a handler used while
// or after it is deleted.
TEST_F(RunningTmHandlers, NoUserMeetsAHandlerThatIsBeingDeleted) {
  std::atomic<bool> done{false};
  std::atomic<int> round{0};
  std::atomic<long> sends{0};
  std::vector<std::thread> users;
  for (int i = 0; i < 4; ++i) {
    users.emplace_back([&] {
      // A few passes per round: on a slow machine unbounded senders would pile
      // up telegrams faster than the rounds retire their handlers.
      int seenRound = -1;
      int passes = 0;
      while (!done) {
        if (round != seenRound) {
          seenRound = round;
          passes = 0;
        }
        if (++passes > 20) {
          std::this_thread::sleep_for(std::chrono::microseconds(100));
          continue;
        }
        for (const c_slot& slot : slots())
          if (std::shared_ptr<CTM_lh> handler = slot.get(*tm_); handler && handler->m_send(report())) ++sends;
        for (const auto& handler : tm_->m_getDstmLineHandlers()) handler->m_send(report());
        if (segment_->m_sendText("E3201", 3, "text")) ++sends;
      }
    });
  }
  for (; round < 200; ++round) {
    for (const c_slot& slot : slots()) slot.place(*tm_, makeHandler());
    if (round % 50 == 0) tm_->m_stop();
  }
  done = true;
  for (std::thread& user : users) user.join();
  EXPECT_GT(sends.load(), 0);
}

}  // namespace
