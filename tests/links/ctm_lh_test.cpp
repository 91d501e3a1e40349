// The line-handler framework without a thread: numbering, the out-queue, the
// order of events, the interface status and the text reports.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/ctm_config.h"
#include "links/ctm_textreportroute.h"
#include "tests/core/config_fixture.h"
#include "tests/support/ctm_test_linehandlers.h"

namespace {

using c_arguments = std::vector<std::vector<std::string>>;

// A telegram of an id the TC link sends, which says when it is deleted.
class c_trackedTelegram : public CTM_tmtc00_message {
 public:
  explicit c_trackedTelegram(bool& deleted) : deleted_(deleted) { m_setTypeId("01"); }
  ~c_trackedTelegram() override { deleted_ = true; }

 private:
  bool& deleted_;
};

using LineHandlerTest = ConfigFixture;

TEST_F(LineHandlerTest, SequenceNumbersRunFrom1To99AndAgainAnswersAndKeepAlivesKeepTheirs) {
  CTM_testServerLh handler;
  CTM_tmtc00_message telegram;
  std::vector<int> numbers;
  for (int i = 0; i < 100; ++i) {
    // Without a connection nothing is sent, yet the counter advances.
    EXPECT_FALSE(handler.m_transmit(&telegram, -1));
    numbers.push_back(telegram.m_getSeqNo());
  }
  EXPECT_EQ(numbers.front(), 1);
  EXPECT_EQ(numbers[98], 99);
  EXPECT_EQ(numbers.back(), 1);
  EXPECT_EQ(telegram.m_getSubId(), "01");

  handler.m_transmit(&telegram, 0);
  EXPECT_EQ(telegram.m_getSeqNo(), 0);
  handler.m_transmit(&telegram, 42);
  EXPECT_EQ(telegram.m_getSeqNo(), 42);
  handler.m_transmit(&telegram, -1);
  EXPECT_EQ(telegram.m_getSeqNo(), 2);
}

TEST_F(LineHandlerTest, AFullQueueRefusesATelegramWhichIsDeletedWhileTheSendSucceeds) {
  CTM_testServerLh handler;
  handler.m_queue().m_setMaxEntries(1);
  bool firstDeleted = false;
  bool secondDeleted = false;
  EXPECT_TRUE(handler.m_send(std::make_unique<c_trackedTelegram>(firstDeleted)));
  EXPECT_TRUE(handler.m_send(std::make_unique<c_trackedTelegram>(secondDeleted)));
  EXPECT_FALSE(firstDeleted);
  EXPECT_TRUE(secondDeleted);
  const c_arguments refused = m_argumentsOf(ev::LH_QUEUE_FULL);
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0][1], "TCTC3201");
  EXPECT_NE(refused[0][0].find("TMTC01"), std::string::npos) << refused[0][0];
}

// A telegram whose send fails goes back to the head of the queue; when the queue
// has filled meanwhile, it is deleted with the queue's event.
TEST_F(LineHandlerTest, AFailedTelegramGoesBackFirstOrIsDeletedWhenTheQueueIsFull) {
  for (unsigned capacity : {2u, 1u}) {
    SCOPED_TRACE(capacity);
    events_.m_clear();
    CTM_testServerLh handler;
    handler.m_queue().m_setMaxEntries(capacity);
    handler.sendFailures = 1;
    bool failedDeleted = false;
    handler.m_send(std::make_unique<c_trackedTelegram>(failedDeleted));
    // While the failing one is being sent, another is queued.
    handler.onProcess = [&handler](CTM_message&) { handler.m_send(std::make_unique<CTM_tmtc00_message>()); };
    EXPECT_FALSE(handler.m_sendQueued());

    std::unique_ptr<CTM_message> head;
    ASSERT_TRUE(handler.m_queue().m_get(head));
    if (capacity == 2) {
      EXPECT_NE(dynamic_cast<c_trackedTelegram*>(head.get()), nullptr);
      EXPECT_EQ(handler.m_queue().m_size(), 1u);
      EXPECT_EQ(events_.m_count(ev::LH_QUEUE_FULL), 0u);
    } else {
      EXPECT_EQ(dynamic_cast<c_trackedTelegram*>(head.get()), nullptr);
      EXPECT_TRUE(failedDeleted);
      EXPECT_EQ(events_.m_count(ev::LH_QUEUE_FULL), 1u);
    }
  }
}

TEST_F(LineHandlerTest, AReceivedTelegramComesBeforeAQueuedOneBeforeTimersAndAStopBeforeAll) {
  CTM_testServerLh handler;
  handler.m_timer(3).m_set(0, 0);
  handler.m_timer(0).m_set(0, 0);
  handler.m_send(std::make_unique<CTM_tmtc00_message>());
  handler.m_signal();
  EXPECT_EQ(handler.m_waitForEvent(), CTM_lh::eventReceived);
  EXPECT_EQ(handler.m_waitForEvent(), CTM_lh::eventQueued);
  EXPECT_EQ(handler.m_waitForEvent(), CTM_lh::eventTimer1);
  handler.m_signal();
  handler.m_shutdown();
  EXPECT_EQ(handler.m_waitForEvent(), CTM_lh::eventStop);
}

TEST_F(LineHandlerTest, TheStatusFlagIsTrueWhileTheLinkIsDownAndEachChangeIsLogged) {
  home_.m_writeConfig({});
  home_.m_writeSystem("TM32", {c_parameterLine("S", "InterfaceTC32_Status", "30", "B", "1")});
  ASSERT_TRUE(m_start());
  c_clock::m_fixUtc(1'000'000);
  CTM_testServerLh handler;

  struct c_step {
    int status;
    bool flag;
    std::size_t ups, downs;
  };
  const c_step steps[] = {{1, false, 1, 0}, {1, false, 1, 0}, {0, true, 1, 1}, {0, true, 1, 1}, {1, false, 2, 1}};
  for (const c_step& step : steps) {
    c_clock::m_advanceUtc(5);
    handler.m_setInterfaceStatus(step.status);
    int status = -1;
    std::int64_t since = 0;
    handler.m_getInterfaceStatus(status, since);
    EXPECT_EQ(status, step.status);
    EXPECT_EQ(since, c_clock::m_utcSeconds());
    bool flag = !step.flag;
    EXPECT_TRUE(CTM_config::m_getBool("InterfaceTC32_Status", flag));
    EXPECT_EQ(flag, step.flag);
    EXPECT_EQ(events_.m_count(ev::LH_INTERFACE_UP), step.ups);
    EXPECT_EQ(events_.m_count(ev::LH_INTERFACE_DOWN), step.downs);
  }
  EXPECT_EQ(m_argumentsOf(ev::LH_INTERFACE_DOWN), (c_arguments{{"TC32"}}));
}

TEST_F(LineHandlerTest, TextReportsGoAsBcim21ToTheImLineHandlerWhileThereIsOne) {
  c_clock::m_fixUtc(1'700'000'000);
  CTM_testServerLh reporter;
  auto im = std::make_unique<CTM_testClientLh>("127.0.0.1", 1);
  CTM_textReportRoute::m_processRoute().m_setTarget(im.get());

  EXPECT_TRUE(reporter.m_sendText("E3201_0100-E0001", 2, "Bag %s late", "0123456789"));
  std::unique_ptr<CTM_message> queued;
  ASSERT_TRUE(im->m_queue().m_get(queued));
  auto* report = dynamic_cast<CTM_bcim21_message*>(queued.get());
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->m_getEquipmentCode(), "E3201_0100-E0001");
  EXPECT_EQ(report->m_getExceptionLevel(), 2);
  EXPECT_EQ(report->m_getTimeStamp(), 1'700'000'000);
  EXPECT_EQ(report->m_getExceptionDesc().substr(0, 18), "Bag 0123456789 lat");

  // A handler that goes takes itself off the route: later reports are released.
  im.reset();
  EXPECT_FALSE(reporter.m_sendText("E3201_0100-E0001", 2, "Bag %s late", "0123456789"));
}

}  // namespace
