// TM32 started with its links to the neighbouring TMs: a DSTM line handler for its
// successor TM33, the TM listener on "TM__Port" (TM32 has no upstream TM, so every
// peer there is refused), and all of it gone after the stop.

#include <gtest/gtest.h>

#include "links/c_tcplistener.h"
#include "links/ctm_lh.h"
#include "tm/ctm_runningtm.h"
#include "tests/system/tm_fixture.h"

namespace {

class TmNeighbours : public TmSystemTest {};

TEST_F(TmNeighbours, TheDownstreamLinkAndTheTmListenerStartAndStopWithTheTm) {
  ASSERT_TRUE(plant_->m_start("NNNYYYN", true));
  ASSERT_EQ(m_tm()->m_getDstmLineHandlers().size(), 1u);
  EXPECT_TRUE(m_tm()->m_findDstmLineHandler("TM33")->m_isRunning());
  ASSERT_NE(m_tm()->m_getTmListener(), nullptr);
  EXPECT_TRUE(m_eventually([&] { return m_tm()->m_getTmListener()->m_getStatus() == c_tcpListener::statusAccepting; }));

  c_fakePeer stranger;
  ASSERT_TRUE(stranger.m_connect(c_runningPlant::tmAddress, plant_->m_tmPort(), "127.0.0.99"));
  EXPECT_TRUE(stranger.m_expectClosed());
  EXPECT_EQ(events_.m_count(ev::LS_NO_UPSTREAM_TM_ADDRESS) + events_.m_count(ev::LS_NO_UPSTREAM_TM_NAMED), 1u);

  plant_->m_stop();
  EXPECT_TRUE(m_tm()->m_getDstmLineHandlers().empty());
  EXPECT_EQ(m_tm()->m_getTmListener(), nullptr);
}

// With the flag set a disabled part is left as it is; an enabled one is rebuilt.
TEST_F(TmNeighbours, ARestartThatLeavesTheDownstreamPartOutKeepsItsLineHandler) {
  ASSERT_TRUE(plant_->m_start("NNNYNYN", true));
  const auto running = m_tm()->m_findDstmLineHandler("TM33");
  ASSERT_TRUE(plant_->m_start("NNNNNYN", true));
  EXPECT_EQ(m_tm()->m_findDstmLineHandler("TM33"), running);
  ASSERT_TRUE(plant_->m_start("NNNYNYN", true));
  EXPECT_NE(m_tm()->m_findDstmLineHandler("TM33"), running);
}

}  // namespace
