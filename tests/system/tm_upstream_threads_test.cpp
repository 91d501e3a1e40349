// TM32 as a process of its own with an upstream TM31 (the test, from 127.0.0.31):
// the keep-alive and state request on TM32's TM listener, and TM32's orderly stop
// reporting its logical connection from TM31 not available before the link closes.

#include <gtest/gtest.h>

#include <string>

#include "telegrams/ctm_du_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tests/support/c_temphome.h"
#include "tests/support/c_tmprocess.h"
#include "tests/system/tm_fixture.h"
#include "tm/ctm_runningnodefactory.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_world.h"
#include "tracking/ctm_bit.h"

namespace {

std::string wire(CTM_message&& telegram, int sequence, const char* subId) {
  return c_runningPlant::m_wire(std::move(telegram), sequence, subId);
}

std::string connectionState(bool available, int sequence) {
  CTM_du01_message state;
  state.m_setLogicalConnectID("K31013201");
  state.m_appendConnection(0, available);
  return wire(std::move(state), sequence, "32");
}

class TmUpstream : public TmSystemTest {
 protected:
  void SetUp() override {
    TmSystemTest::SetUp();
    m_addUpstreamTm();
    ASSERT_TRUE(tm32_.m_start("TM32", "NNNNYYN"));
  }
  void TearDown() override {
    if (tm31_ != nullptr) tm31_->m_stop();
    tm31World_.reset();
    if (tm32_.m_isRunning()) {
      EXPECT_EQ(tm32_.m_terminate(), 0);
    }
    TmSystemTest::TearDown();
  }
  // TM31 in this process from the same installation (the configuration is TM31's
  // from here on), with its DSTM link only, and its entry point in TM32 not
  // available until TM32 says otherwise.
  void m_startTm31() {
    home_.m_writeSystem("TM31", {c_parameterLine("P", "TM__Port", "1", "I", std::to_string(plant_->m_tmPort())),
                                 c_parameterLine("P", "TC__Port", "2", "I", std::to_string(plant_->m_reservePort())),
                                 c_parameterLine("P", "DSTM__WaitSecs", "3", "I", "1")});
    ASSERT_TRUE(m_start("TM31"));
    tm31World_ = std::make_unique<CTM_world>();
    CTM_runningNodeFactory factory;
    CTM_file_populator populator(factory);
    ASSERT_TRUE(populator.m_init() && tm31World_->m_populate(populator));
    tm31_ = dynamic_cast<CTM_runningTm*>(tm31World_->m_findNode("TM31"));
    ASSERT_NE(tm31_, nullptr);
    tm31World_->m_findNode(plant_->m_controllers()[0].entry)->m_setState("N");
    ASSERT_TRUE(tm31_->m_init("NNNYNNN", true));
  }

  c_tmProcess tm32_;
  std::unique_ptr<CTM_world> tm31World_;
  CTM_runningTm* tm31_ = nullptr;
};

TEST_F(TmUpstream, TheLinkFromTheUpstreamTmIsServedAndAnOrderlyStopReportsItsConnectionNotAvailable) {
  c_fakePeer tm31;
  ASSERT_TRUE(m_connectWhenListening(tm31, plant_->m_tmPort(), "127.0.0.31"));
  ASSERT_TRUE(tm31.m_send(wire(CTM_ud00_message(), 0, "31")));
  EXPECT_TRUE(tm31.m_expect(wire(CTM_du00_message(), 0, "32")));
  ASSERT_TRUE(tm31.m_send(wire(CTM_ud02_message(), 7, "31")));
  EXPECT_TRUE(tm31.m_expect(connectionState(true, 7)));

  EXPECT_EQ(tm32_.m_terminate(), 0);
  EXPECT_TRUE(tm31.m_expect(connectionState(false, 1)));
  EXPECT_TRUE(tm31.m_expectClosed());
}

// TM31 runs in the test's process, its DSTM link to TM32 its only part: TM32's
// reports set the state of TM32's entry point in TM31's model, and follow TM32's
// stop and its start again.
TEST_F(TmUpstream, TheUpstreamTmFollowsTheDownstreamTmsStopAndStart) {
  ASSERT_NO_FATAL_FAILURE(m_startTm31());
  CTM_node* entry = tm31World_->m_findNode(plant_->m_controllers()[0].entry);
  const auto stateIs = [&](const char* state) {
    return m_eventually([&] { return entry->m_getState() == state; }, 15000);
  };
  EXPECT_TRUE(stateIs("A"));
  EXPECT_EQ(tm32_.m_terminate(), 0);
  EXPECT_TRUE(stateIs("N"));
  ASSERT_TRUE(tm32_.m_start("TM32", "NNNNYYN"));
  EXPECT_TRUE(stateIs("A"));
}

// A bag that TM31 announces arrives at TM32 (its trace file there begins before
// any report of TM32's controllers), and TM32's controller reporting it gets its
// destination under the id that TM31 gave it.
TEST_F(TmUpstream, ABagAnnouncedByTheUpstreamTmKeepsItsIdAtTheDownstreamTm) {
  ASSERT_NO_FATAL_FAILURE(m_startTm31());
  CTM_node* entry = tm31World_->m_findNode(plant_->m_controllers()[0].entry);
  ASSERT_TRUE(m_eventually([&] { return entry->m_getState() == "A"; }, 15000));
  CTM_BIT item;
  const std::string bitId = "W3112300042";
  item.m_setBIT_ID(bitId);
  ASSERT_TRUE(tm31_->m_sendUD11(&item, tm31World_->m_findNode("K3101_0100-P0001")));
  const auto& spec = plant_->m_controllers()[0];
  const std::string trace = "run/log/TM32/" + spec.segment + "/" + bitId.substr(6, 2) + "/" + bitId + ".trc";
  EXPECT_TRUE(m_eventually([&] { return home_.m_readFile(trace).has_value(); }));

  c_fakeController controller = m_controller(0);
  ASSERT_TRUE(controller.m_bringUp());
  ASSERT_TRUE(controller.m_sendReport<CTM_tctm01_message>(7, bitId, spec.entry, 11));
  std::unique_ptr<CTM_message> answer = controller.m_receiveAnswer();
  auto* routing = dynamic_cast<CTM_tmtc01_message*>(answer.get());
  ASSERT_NE(routing, nullptr) << (answer ? answer->m_asString() : "nothing");
  EXPECT_EQ(routing->m_getBIT_ID(), bitId);
  std::string destination;
  int priority = 0;
  ASSERT_TRUE(routing->m_getNextDestination(destination, priority));
  EXPECT_EQ(destination, spec.exit);
}

}  // namespace
