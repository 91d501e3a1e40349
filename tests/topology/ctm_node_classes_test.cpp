#include <gtest/gtest.h>

#include "tests/topology/topology_fixture.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_tc.h"
#include "topology/ctm_tm.h"
#include "topology/ctm_tp.h"
#include "topology/ctm_ts.h"

namespace {

// Two TMs: TM31 feeds its segment K3101 into TM32's segment E3201.
class NodeClassesTest : public TopologyFixture {
 protected:
  void SetUp() override {
    TopologyFixture::SetUp();
    ASSERT_TRUE(populate(R"(<topology>
      <transportManager id="TM31"><logicalSegment id="K3101"><transportController id="TC3101">
        <ts id="K3101_0100"><tp id="K3101_0100-P0001"><edge target="E3201_0100-P0001"/></tp></ts>
      </transportController></logicalSegment></transportManager>
      <transportManager id="TM32">
        <logicalSegment id="E3201"><transportController id="TC3201">
          <ts id="E3201_0100">
            <tp id="E3201_0100-P0001"><edge target="E3201_0100-P0002"/></tp>
            <tp id="E3201_0100-P0002"/>
            <tp id="E3201_0100-P0003"/>
          </ts></transportController></logicalSegment>
        <logicalSegment id="X3202"><transportController id="TC3202">
          <ts id="X3202_0100"><tp id="X3202_0100-P0001"><edge target="E3201_0100-P0003"/></tp></ts>
        </transportController></logicalSegment>
      </transportManager></topology>)"));
  }

  CTM_tp* tp(const std::string& id) const { return static_cast<CTM_tp*>(node(id)); }
};

}  // namespace

TEST_F(NodeClassesTest, KindsFollowTheClasses) {
  EXPECT_EQ(node("TM32")->m_getType(), CTM_tm::type);
  EXPECT_EQ(node("E3201")->m_getType(), CTM_ls::type);
  EXPECT_EQ(node("TC3201")->m_getType(), CTM_tc::type);
  EXPECT_EQ(node("E3201_0100")->m_getType(), CTM_ts::type);
  EXPECT_EQ(node("E3201_0100-P0001")->m_getType(), CTM_tp::type);
}

TEST_F(NodeClassesTest, TrackingPointKnowsItsSegmentAndTm) {
  EXPECT_EQ(tp("E3201_0100-P0002")->m_getLsId(), "E3201");
  EXPECT_EQ(tp("E3201_0100-P0002")->m_getTmId(), "TM32");
  CTM_tp loose("E3201_0100-P0009");
  EXPECT_EQ(loose.m_getLsId(), "");
  EXPECT_EQ(loose.m_getTmId(), "");
}

TEST_F(NodeClassesTest, LogicalConnectIdComesFromTheFirstForeignPredecessor) {
  std::string connectId = "unchanged", tmId = "unchanged";
  EXPECT_TRUE(tp("E3201_0100-P0001")->m_getLogicalConnectId(connectId, tmId));
  EXPECT_EQ(connectId, "K31013201");
  EXPECT_EQ(tmId, "TM31");
  EXPECT_TRUE(tp("E3201_0100-P0003")->m_getLogicalConnectId(connectId, tmId));
  EXPECT_EQ(connectId, "X32023201");
  EXPECT_EQ(tmId, "TM32");
}

TEST_F(NodeClassesTest, PredecessorsOfTheSameSegmentGiveNoConnectId) {
  std::string connectId = "unchanged", tmId = "unchanged";
  EXPECT_FALSE(tp("E3201_0100-P0002")->m_getLogicalConnectId(connectId, tmId));
  EXPECT_FALSE(tp("K3101_0100-P0001")->m_getLogicalConnectId(connectId, tmId));
  EXPECT_EQ(connectId, "unchanged");
  EXPECT_EQ(tmId, "unchanged");
}

TEST_F(NodeClassesTest, FirstOfTwoForeignPredecessorsWins) {
  ASSERT_TRUE(world_.m_insertEdge("E3201_0100-P0001", "E3201_0100-P0003", 1));
  ASSERT_TRUE(world_.m_insertEdge("K3101_0100-P0001", "E3201_0100-P0003", 1));
  std::string connectId, tmId;
  ASSERT_TRUE(tp("E3201_0100-P0003")->m_getLogicalConnectId(connectId, tmId));
  EXPECT_EQ(connectId, "X32023201");
  EXPECT_EQ(tmId, "TM32");
}

TEST_F(NodeClassesTest, ShortIdsMatchNothing) {
  ASSERT_TRUE(world_.m_insertNode(std::make_unique<CTM_tp>("E32")));
  ASSERT_TRUE(world_.m_insertEdge("E32", "E3201_0100-P0002", 1));
  ASSERT_TRUE(world_.m_insertEdge("E3201_0100-P0002", "E32", 1));
  std::string connectId = "unchanged", tmId;
  EXPECT_FALSE(tp("E3201_0100-P0002")->m_getLogicalConnectId(connectId, tmId));
  EXPECT_FALSE(tp("E32")->m_getLogicalConnectId(connectId, tmId));
  EXPECT_EQ(connectId, "unchanged");
  EXPECT_FALSE(tp("E32")->m_matchesDestination("K31013201"));
  EXPECT_FALSE(tp("E3201_0100-P0002")->m_matchesDestination("K3101320"));
  EXPECT_TRUE(tp("E32")->m_prefixDiffers("E3201"));
}

TEST_F(NodeClassesTest, DestinationMatchComparesTheSegmentName) {
  CTM_tp* p = tp("E3201_0100-P0002");
  EXPECT_TRUE(p->m_matchesDestination("K31013201"));
  EXPECT_TRUE(p->m_matchesDestination("ZZZZZ3201-rest"));
  EXPECT_FALSE(p->m_matchesDestination("K31013202"));
  CTM_tp other("A3201");
  EXPECT_TRUE(other.m_matchesDestination("K31013201"));
}

TEST_F(NodeClassesTest, PrefixIsTheFirstFiveCharacters) {
  EXPECT_FALSE(tp("E3201_0100-P0002")->m_prefixDiffers("E3201"));
  EXPECT_TRUE(tp("E3201_0100-P0002")->m_prefixDiffers("E3202"));
  EXPECT_TRUE(tp("E3201_0100-P0002")->m_prefixDiffers("E320"));
}

TEST_F(NodeClassesTest, TypedChildAccessStopsPastTheEnd) {
  auto* tm = static_cast<CTM_tm*>(node("TM32"));
  EXPECT_EQ(tm->m_getChild(0), node("E3201"));
  EXPECT_EQ(tm->m_getChild(1), node("X3202"));
  EXPECT_EQ(tm->m_getChild(2), nullptr);
  auto* ls = static_cast<CTM_ls*>(node("E3201"));
  EXPECT_EQ(ls->m_getChild(0), node("TC3201"));
  EXPECT_EQ(ls->m_getChild(1), nullptr);
  EXPECT_EQ(static_cast<CTM_tc*>(node("TC3201"))->m_getChild(0), node("E3201_0100"));
  EXPECT_EQ(static_cast<CTM_ts*>(node("E3201_0100"))->m_getChild(2), node("E3201_0100-P0003"));
  EXPECT_EQ(static_cast<CTM_ts*>(node("E3201_0100"))->m_getChild(3), nullptr);
}

TEST_F(NodeClassesTest, TypedChildOfAnotherKindIsNull) {
  ASSERT_TRUE(world_.m_insertNode(std::make_unique<CTM_tp>("STRAY")));
  ASSERT_TRUE(world_.m_insertEdge("TM32", "STRAY", 1));
  auto* tm = static_cast<CTM_tm*>(node("TM32"));
  EXPECT_EQ(tm->CTM_node::m_getChild(2), node("STRAY"));
  EXPECT_EQ(tm->m_getChild(2), nullptr);
  EXPECT_EQ(tm->m_findLS("STRAY"), nullptr);
}

TEST_F(NodeClassesTest, FindLsSearchesTheChildSegments) {
  auto* tm = static_cast<CTM_tm*>(node("TM32"));
  EXPECT_EQ(tm->m_findLS("X3202"), node("X3202"));
  EXPECT_EQ(tm->m_findLS("TC3201"), nullptr);
  EXPECT_EQ(tm->m_findLS("K3101"), nullptr);
}

TEST_F(NodeClassesTest, SegmentStatusStartsEmptyAndTakesReports) {
  auto* ls = static_cast<CTM_ls*>(node("E3201"));
  EXPECT_EQ(ls->m_getStatusText(), "E");
  EXPECT_TRUE(ls->m_setStatusText("F"));
  EXPECT_EQ(ls->m_getStatusText(), "F");
}

TEST_F(NodeClassesTest, ControllersAndSegmentsCannotStartYet) {
  EXPECT_FALSE(node("TC3201")->m_init("YYYYYYY", false));
  EXPECT_EQ(static_cast<CTM_tc*>(node("TC3201"))->m_getLineHandler(), nullptr);
  EXPECT_FALSE(node("E3201")->m_init("YYYYYYY", false));
  EXPECT_TRUE(node("E3201_0100")->m_init("YYYYYYY", false));
  EXPECT_TRUE(node("E3201_0100-P0001")->m_init("YYYYYYY", true));
  EXPECT_EQ(static_cast<CTM_tm*>(node("TM32"))->m_getImReporter(), nullptr);
}
