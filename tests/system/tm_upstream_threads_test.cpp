// TM32 as a process of its own with an upstream TM31 (the test, from 127.0.0.31):
// the keep-alive and state request on TM32's TM listener, and TM32's orderly stop
// reporting its logical connection from TM31 not available before the link closes.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "telegrams/ctm_du_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tests/support/c_temphome.h"
#include "tests/support/c_tmprocess.h"
#include "tests/system/tm_fixture.h"
#include "tm/ctm_runningnodefactory.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_world.h"

namespace {

std::string wire(CTM_message&& telegram, int sequence, const char* subId) {
  telegram.m_setSeqNo(sequence);
  telegram.m_setSubId(subId);
  std::string text;
  telegram.m_serialize(text);
  return text;
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
    // TM31 at 127.0.0.31 feeds the first entry of E3201: one logical connection "K31013201".
    const std::string path = home_.m_pathOf("run/cfg/topology.xml");
    std::ifstream file(path, std::ios::binary);
    std::string xml((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    xml.insert(xml.rfind("</topology>"),
               "  <transportManager id=\"TM31\">\n    <address>127.0.0.31</address>\n"
               "    <logicalSegment id=\"K3101\">\n      <transportController id=\"TC3101\">\n"
               "        <address>127.0.0.41</address>\n        <ts id=\"K3101_0100\"><tp id=\"K3101_0100-P0001\">"
               "<edge target=\"" + plant_->m_controllers()[0].entry + "\" weight=\"5\"/></tp></ts>\n"
               "      </transportController>\n    </logicalSegment>\n  </transportManager>\n");
    home_.m_writeFile("run/cfg/topology.xml", xml);
    ASSERT_TRUE(tm32_.m_start("TM32", "NNNNYYN"));
  }
  void TearDown() override {
    if (tm32_.m_isRunning()) {
      EXPECT_EQ(tm32_.m_terminate(), 0);
    }
    TmSystemTest::TearDown();
  }
  // TM32's listener opens once its process has read the installation.
  ::testing::AssertionResult m_connectAsTm31(c_fakePeer& peer) {
    for (int attempt = 0; attempt < 200; ++attempt) {
      if (peer.m_connect(c_runningPlant::tmAddress, plant_->m_tmPort(), "127.0.0.31")) return ::testing::AssertionSuccess();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ::testing::AssertionFailure() << "TM32 never listened";
  }

  c_tmProcess tm32_;
};

TEST_F(TmUpstream, TheLinkFromTheUpstreamTmIsServedAndAnOrderlyStopReportsItsConnectionNotAvailable) {
  c_fakePeer tm31;
  ASSERT_TRUE(m_connectAsTm31(tm31));
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
  home_.m_writeSystem("TM31", {c_parameterLine("P", "TM__Port", "1", "I", std::to_string(plant_->m_tmPort())),
                               c_parameterLine("P", "TC__Port", "2", "I", std::to_string(c_runningPlant::m_freePort())),
                               c_parameterLine("P", "DSTM__WaitSecs", "3", "I", "1")});
  ASSERT_TRUE(m_start("TM31"));
  CTM_world world;
  CTM_runningNodeFactory factory;
  CTM_file_populator populator(factory);
  ASSERT_TRUE(populator.m_init() && world.m_populate(populator));
  auto* tm31 = dynamic_cast<CTM_runningTm*>(world.m_findNode("TM31"));
  ASSERT_NE(tm31, nullptr);
  CTM_node* entry = world.m_findNode(plant_->m_controllers()[0].entry);
  entry->m_setState("N");
  const auto stateIs = [&](const char* state) {
    return m_eventually([&] { return entry->m_getState() == state; }, 15000);
  };

  ASSERT_TRUE(tm31->m_init("NNNYNNN", true));
  EXPECT_TRUE(stateIs("A"));
  EXPECT_EQ(tm32_.m_terminate(), 0);
  EXPECT_TRUE(stateIs("N"));
  ASSERT_TRUE(tm32_.m_start("TM32", "NNNNYYN"));
  EXPECT_TRUE(stateIs("A"));
  tm31->m_stop();
}

}  // namespace
