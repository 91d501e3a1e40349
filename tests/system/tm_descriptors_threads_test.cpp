// TM32 as a process of its own under `ulimit -n 128`, with far more bags in
// flight than it has descriptors: bags reported by its controllers and bags
// announced by its upstream TM31 (the test, from 127.0.0.31). Every report is
// answered, every announcement acknowledged, a controller's link is made anew,
// and each bag has its trace file; once the bags have left, a new bag still has
// its file.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "telegrams/ctm_du_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tests/support/c_temphome.h"
#include "tests/support/c_tmprocess.h"
#include "tests/system/tm_fixture.h"

namespace {

constexpr int descriptorLimit = 128;
constexpr int reportedBags = 300;
constexpr int announcedBags = 150;

std::string fromTm31(CTM_message&& telegram, int sequence) {
  return c_runningPlant::m_wire(std::move(telegram), sequence, "31");
}

class TmDescriptors : public TmSystemTest {
 protected:
  void SetUp() override {
    TmSystemTest::SetUp();
    m_addUpstreamTm();
    ASSERT_TRUE(tm32_.m_start("TM32", "NNNNYYN", descriptorLimit));
  }
  void TearDown() override {
    if (tm32_.m_isRunning()) {
      EXPECT_EQ(tm32_.m_terminate(), 0);
    }
    TmSystemTest::TearDown();
  }

  // A new bag reported at the controller's entry; its id, or empty without an answer.
  static std::string m_newBag(c_fakeController& controller, int sequence) {
    if (!controller.m_sendReport<CTM_tctm01_message>(sequence, blankId, controller.m_spec().entry, sequence))
      return {};
    std::unique_ptr<CTM_message> answer = controller.m_receiveAnswer();
    auto* routing = dynamic_cast<CTM_tmtc01_message*>(answer.get());
    return routing != nullptr && routing->m_getSeqNo() == sequence ? routing->m_getBIT_ID() : std::string();
  }

  // TM31 announces the bag; true when TM32 acknowledges it.
  static bool m_announce(c_fakePeer& tm31, const std::string& bitId, int sequence) {
    CTM_ud11_message announcement;
    announcement.m_setLogicalConnectID(c_runningPlant::upstreamConnection);
    CTM_itemData item;
    item.m_setBIT_ID(bitId);
    announcement.m_setBIT(item);
    if (!tm31.m_send(fromTm31(std::move(announcement), sequence))) return false;
    for (;;) {
      const std::string line = tm31.m_receiveLine();
      if (line.empty()) return false;
      std::unique_ptr<CTM_message> telegram = CTM_message::m_new(line);
      if (auto* acknowledgement = dynamic_cast<CTM_du11_message*>(telegram.get()))
        return acknowledgement->m_getBIT_ID() == bitId;
    }
  }

  std::string m_traceOf(const std::string& segment, const std::string& bitId) const {
    return "run/log/TM32/" + segment + "/" + bitId.substr(6, 2) + "/" + bitId + ".trc";
  }

  c_tmProcess tm32_;
};

TEST_F(TmDescriptors, MoreBagsThanDescriptorsLeaveEveryLinkServedAndEveryBagTraced) {
  c_fakePeer tm31;
  ASSERT_TRUE(m_connectWhenListening(tm31, plant_->m_tmPort(), c_runningPlant::upstreamAddress));
  ASSERT_TRUE(tm31.m_send(fromTm31(CTM_ud00_message(), 0)));
  ASSERT_TRUE(tm31.m_expect(c_runningPlant::m_wire(CTM_du00_message(), 0)));

  std::deque<c_fakeController> controllers;
  for (std::size_t i = 0; i < plant_->m_controllers().size(); ++i) {
    c_fakeController& controller = controllers.emplace_back(*plant_, i);
    ASSERT_TRUE(m_connectWhenListening(controller.m_peer(), plant_->m_tcPort(), controller.m_spec().address));
    ASSERT_TRUE(controller.m_send(CTM_tctm00_message(), 0));
    ASSERT_TRUE(controller.m_peer().m_expect(c_fakeController::m_wire(CTM_tmtc00_message(), 0)));
  }

  std::vector<std::vector<std::string>> bags(controllers.size());
  for (int n = 0; n < reportedBags; ++n) {
    c_fakeController& controller = controllers[n % controllers.size()];
    const std::string bitId = m_newBag(controller, n % 99 + 1);
    ASSERT_FALSE(bitId.empty()) << controller.m_spec().id << " got no answer to bag " << n;
    bags[n % controllers.size()].push_back(bitId);
  }
  for (int n = 0; n < announcedBags; ++n) {
    char bitId[16];
    std::snprintf(bitId, sizeof bitId, "W31123%05d", n);
    ASSERT_TRUE(m_announce(tm31, bitId, n % 99 + 1)) << "announcement " << n;
  }

  // The TC listener still accepts: a controller's link is made anew.
  controllers[0].m_peer().m_close();
  ASSERT_TRUE(controllers[0].m_bringUp());

  for (std::size_t i = 0; i < controllers.size(); ++i)
    for (const std::string& bitId : bags[i])
      EXPECT_TRUE(home_.m_readFile(m_traceOf(controllers[i].m_spec().segment, bitId)).has_value()) << bitId;
  EXPECT_TRUE(home_.m_readFile(m_traceOf(controllers[0].m_spec().segment, "W3112300149")).has_value());

  // The bags leave (an exit is not answered); the next bag has its file.
  for (std::size_t i = 0; i < controllers.size(); ++i)
    for (std::size_t b = 0; b < bags[i].size(); ++b)
      ASSERT_TRUE(controllers[i].m_sendReport<CTM_tctm05_message>(static_cast<int>(b % 99 + 1), bags[i][b],
                                                                  controllers[i].m_spec().exit,
                                                                  static_cast<int>(b % 99 + 1)));
  const std::string next = m_newBag(controllers[1], 1);
  ASSERT_FALSE(next.empty());
  EXPECT_TRUE(home_.m_readFile(m_traceOf(controllers[1].m_spec().segment, next)).has_value());
}

}  // namespace
