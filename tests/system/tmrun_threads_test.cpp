// tmrun on a loopback plant: a controller's bag is tracked by the TM in its own
// process, and a stop signal ends that TM with status 0 and its links closed,
// also when a second one comes during the stop.
#include <gtest/gtest.h>

#include <csignal>

#include "tests/support/c_tmprocess.h"
#include "tests/system/tm_fixture.h"

namespace {

class TmrunRunning : public TmSystemTest {};

TEST_F(TmrunRunning, AControllerGetsTheGeneratedIdAndDestinationUntilAStopSignalEndsTheTm) {
  c_tmProcess tm32;
  ASSERT_TRUE(tm32.m_start(c_runningPlant::tmId, "YYYYYYY"));
  c_fakeController controller = m_controller(0);
  ASSERT_TRUE(m_connectWhenListening(controller.m_peer(), plant_->m_tcPort(), controller.m_spec().address));
  ASSERT_TRUE(controller.m_send(CTM_tctm00_message(), 0));
  ASSERT_TRUE(controller.m_peer().m_expect(c_fakeController::m_wire(CTM_tmtc00_message(), 0)));

  ASSERT_TRUE(controller.m_sendReport<CTM_tctm01_message>(1, blankId, controller.m_spec().entry, 5));
  std::unique_ptr<CTM_message> answer = controller.m_receiveAnswer();
  auto* routing = dynamic_cast<CTM_tmtc01_message*>(answer.get());
  ASSERT_NE(routing, nullptr) << (answer ? answer->m_asString() : "nothing");
  EXPECT_EQ(routing->m_getSeqNo(), 5);
  EXPECT_EQ(routing->m_getBIT_ID().substr(0, 3), "W32");
  std::string destination;
  int priority = 0;
  ASSERT_TRUE(routing->m_getNextDestination(destination, priority));
  EXPECT_EQ(destination, controller.m_spec().exit);

  // SIGINT starts the stop; the SIGTERM that follows does not cut it short.
  ASSERT_EQ(::kill(tm32.m_pid(), SIGINT), 0);
  EXPECT_EQ(tm32.m_terminate(), 0);
  EXPECT_TRUE(controller.m_peer().m_expectClosed());
}

// The soft descriptor limit common on a workstation, far too low for a plant, is
// raised to the hard one as tmrun starts: the TM runs and serves its controllers.
TEST_F(TmrunRunning, ALowSoftDescriptorLimitIsRaisedAndTheControllersAreServed) {
  c_tmProcess tm32;
  ASSERT_TRUE(tm32.m_start(c_runningPlant::tmId, "YYYYYYY", 8, true));
  c_fakeController controller = m_controller(0);
  ASSERT_TRUE(m_connectWhenListening(controller.m_peer(), plant_->m_tcPort(), controller.m_spec().address));
  ASSERT_TRUE(controller.m_send(CTM_tctm00_message(), 0));
  EXPECT_TRUE(controller.m_peer().m_expect(c_fakeController::m_wire(CTM_tmtc00_message(), 0)));
  EXPECT_EQ(tm32.m_terminate(), 0);
}

}  // namespace
