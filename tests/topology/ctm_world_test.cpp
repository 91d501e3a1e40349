#include "topology/ctm_world.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/topology/topology_fixture.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_populator.h"
#include "topology/ctm_tc.h"
#include "topology/ctm_tm.h"
#include "topology/ctm_tp.h"
#include "topology/ctm_ts.h"

namespace {

// TM > LS > TC > TS > P1, P2, built through the world's own operations.
class WorldTest : public TopologyFixture {
 protected:
  void SetUp() override {
    TopologyFixture::SetUp();
    add(std::make_unique<CTM_tm>("TM"));
    add(std::make_unique<CTM_ls>("LS"));
    add(std::make_unique<CTM_tc>("TC"));
    add(std::make_unique<CTM_ts>("TS"));
    add(std::make_unique<CTM_tp>("P1"));
    add(std::make_unique<CTM_tp>("P2"));
    for (auto [from, to] : {std::pair{"TM", "LS"}, {"LS", "TC"}, {"TC", "TS"}, {"TS", "P1"}, {"TS", "P2"}})
      ASSERT_TRUE(world_.m_insertEdge(from, to, 1));
  }

  void add(std::unique_ptr<CTM_node> node) { ASSERT_TRUE(world_.m_insertNode(std::move(node))); }
};

class FixedPopulator : public CTM_populator {
 public:
  explicit FixedPopulator(bool result) : result_(result) {}
  bool populate(CTM_world& world) override {
    world.m_findNode("P1")->m_setMark(1);
    return result_;
  }

 private:
  bool result_;
};

}  // namespace

TEST_F(WorldTest, DuplicateIdIsRefusedAndTheFirstNodeStays) {
  CTM_node* first = node("P1");
  EXPECT_FALSE(world_.m_insertNode(std::make_unique<CTM_tp>("P1")));
  EXPECT_EQ(lastArgumentOf(ev::TOPO_DUPLICATE_NODE), "P1");
  EXPECT_EQ(node("P1"), first);
  EXPECT_EQ(first->m_getParent(), node("TS"));
}

TEST_F(WorldTest, EdgeBetweenDifferentKindsNestsAndBetweenEqualKindsFlows) {
  EXPECT_EQ(node("P1")->m_getParent(), node("TS"));
  EXPECT_TRUE(node("P1")->m_hasNoSuccessors());
  ASSERT_TRUE(world_.m_insertEdge("P1", "P2", 7));
  CTM_node* target = nullptr;
  int weight = 0;
  ASSERT_TRUE(node("P1")->m_getSuccessorAndWeight(0, target, weight));
  EXPECT_EQ(target, node("P2"));
  EXPECT_EQ(weight, 7);
  EXPECT_EQ(node("P2")->m_getPredecessor(0), node("P1"));
  EXPECT_EQ(node("P1")->m_findSuccessor("P2"), node("P2"));
  EXPECT_EQ(node("P1")->m_findSuccessor("TS"), nullptr);
  EXPECT_FALSE(node("P1")->m_getSuccessorAndWeight(1, target, weight));
  EXPECT_EQ(weight, 7);
}

TEST_F(WorldTest, SecondEdgeBetweenTheSamePairIsASecondSuccessor) {
  ASSERT_TRUE(world_.m_insertEdge("P1", "P2", 1));
  ASSERT_TRUE(world_.m_insertEdge("P1", "P2", 2));
  EXPECT_EQ(node("P1")->m_getSuccessorCount(), 2u);
  EXPECT_EQ(node("P2")->m_getPredecessorCount(), 2u);
}

TEST_F(WorldTest, EdgeToAMissingNodeNamesIt) {
  EXPECT_FALSE(world_.m_insertEdge("nowhere", "P1", 1));
  EXPECT_EQ(lastArgumentOf(ev::TOPO_EDGE_SOURCE_MISSING), "nowhere");
  EXPECT_FALSE(world_.m_insertEdge("P1", "gone", 1));
  EXPECT_EQ(lastArgumentOf(ev::TOPO_EDGE_TARGET_MISSING), "gone");
}

TEST_F(WorldTest, NodeThatWouldEncloseItselfIsRefused) {
  EXPECT_FALSE(world_.m_insertEdge("P1", "TC", 1));
  EXPECT_EQ(events_.m_count(ev::TOPO_EDGE_CYCLE), 1u);
  EXPECT_EQ(node("TC")->m_getParent(), node("LS"));
  EXPECT_EQ(node("P1")->m_getChildCount(), 0u);
}

TEST_F(WorldTest, NewParentTakesTheChildOverAndARepeatedLinkChangesNothing) {
  ASSERT_TRUE(world_.m_insertNode(std::make_unique<CTM_ts>("TS2")));
  ASSERT_TRUE(world_.m_insertEdge("TS2", "P2", 1));
  ASSERT_TRUE(world_.m_insertEdge("TS2", "P2", 1));
  EXPECT_EQ(node("P2")->m_getParent(), node("TS2"));
  EXPECT_EQ(node("TS2")->m_getChildCount(), 1u);
  EXPECT_EQ(node("TS")->m_getChildCount(), 1u);
  EXPECT_EQ(node("TS")->m_getChild(0), node("P1"));
}

TEST_F(WorldTest, StateAppliesToTheWholeSubtreeAndOnlyExactValues) {
  EXPECT_EQ(node("P1")->m_getState(), "A");
  EXPECT_FALSE(node("LS")->m_setState("a"));
  EXPECT_FALSE(node("LS")->m_setState("NN"));
  ASSERT_TRUE(node("LS")->m_setState("N"));
  for (const char* id : {"LS", "TC", "TS", "P1", "P2"}) EXPECT_EQ(node(id)->m_getState(), "N") << id;
  EXPECT_EQ(node("TM")->m_getState(), "A");
  ASSERT_TRUE(node("TS")->m_setState("A"));
  EXPECT_EQ(node("P2")->m_getState(), "A");
  EXPECT_EQ(node("TC")->m_getState(), "N");
}

TEST_F(WorldTest, TmNodesKeepInsertionOrderWhileTheMapIsSortedById) {
  add(std::make_unique<CTM_tm>("TM9"));
  add(std::make_unique<CTM_tp>("A0"));
  add(std::make_unique<CTM_tm>("TM0"));
  std::vector<std::string> tms;
  for (CTM_node* tm : world_.m_getTmNodes()) tms.push_back(tm->m_getId());
  EXPECT_EQ(tms, (std::vector<std::string>{"TM", "TM9", "TM0"}));
  std::vector<std::string> ids;
  for (CTM_node* node : world_.m_getNodesInIdOrder()) ids.push_back(node->m_getId());
  EXPECT_EQ(ids, (std::vector<std::string>{"A0", "LS", "P1", "P2", "TC", "TM", "TM0", "TM9", "TS"}));
}

// The order compares the ids' first bytes as numbers; ids alike there, or alike
// but for their length or a NUL byte, still go byte by byte.
TEST_F(WorldTest, IdOrderIsByteOrderAlsoPastTheFirstSixteenBytes) {
  using namespace std::string_literals;
  const std::string ids[] = {"L0001_0001-P0001b"s, "L0001_0001-P0001"s, "L0001_0001-P0001\0"s, "L0001_0001-P0001a"s,
                             "L0001_0001-P000"s,   "L0001\0"s,          "L0001"s,             "\xffL"s};
  for (const std::string& id : ids) add(std::make_unique<CTM_tp>(id));
  std::vector<std::string> expected(std::begin(ids), std::end(ids));
  for (const char* id : {"LS", "P1", "P2", "TC", "TM", "TS"}) expected.push_back(id);
  std::sort(expected.begin(), expected.end());
  std::vector<std::string> ordered;
  for (CTM_node* node : world_.m_getNodesInIdOrder()) ordered.push_back(node->m_getId());
  EXPECT_EQ(ordered, expected);
}

TEST_F(WorldTest, PositionNeedsOneCoordinateOtherThanMinusOne) {
  CTM_node* p1 = node("P1");
  p1->m_setPositionX(-1);
  p1->m_setPositionY(0);
  EXPECT_TRUE(world_.m_hasPosition(p1));
  p1->m_setPositionY(-1);
  EXPECT_FALSE(world_.m_hasPosition(p1));
  EXPECT_EQ(lastArgumentOf(ev::TOPO_NO_POSITION), "P1");
}

TEST_F(WorldTest, MarksAreSetClearedAndBoundsChecked) {
  CTM_node* p1 = node("P1");
  EXPECT_TRUE(p1->m_isMarked(0));
  EXPECT_TRUE(p1->m_isMarked(1));
  world_.m_clearMarks(0);
  EXPECT_FALSE(p1->m_isMarked(0));
  EXPECT_TRUE(p1->m_isMarked(1));
  p1->m_setMark(0);
  EXPECT_TRUE(p1->m_isMarked(0));
  p1->m_setMark(2);
  p1->m_clearMark(-1);
  EXPECT_FALSE(p1->m_isMarked(2));
}

TEST_F(WorldTest, PopulateClearsMarkZeroWhateverThePopulatorReports) {
  for (bool result : {true, false}) {
    FixedPopulator populator(result);
    EXPECT_EQ(world_.m_populate(populator), result);
    for (CTM_node* node : world_.m_getNodesInIdOrder()) EXPECT_FALSE(node->m_isMarked(0)) << node->m_getId();
  }
}

TEST_F(WorldTest, TmStartAndStopByIdCheckTheNode) {
  EXPECT_FALSE(world_.m_initTm("TM7", "YYYYYYY"));
  EXPECT_EQ(lastArgumentOf(ev::TOPO_INIT_TM_MISSING), "TM7");
  EXPECT_FALSE(world_.m_stopTm("TM7"));
  EXPECT_EQ(lastArgumentOf(ev::TOPO_STOP_TM_MISSING), "TM7");
  EXPECT_FALSE(world_.m_initTm("LS", "YYYYYYY"));
  EXPECT_FALSE(world_.m_stopTm("LS"));
  EXPECT_EQ(events_.m_count(ev::TOPO_NOT_A_TM), 2u);
  // Nothing of the running TM can start yet; stopping it is always possible.
  EXPECT_FALSE(world_.m_initTm("TM", "YYYYYYY"));
  EXPECT_TRUE(world_.m_stopTm("TM"));
}

TEST_F(WorldTest, TextReportNeedsATmAbove) {
  add(std::make_unique<CTM_tp>("LOOSE"));
  EXPECT_TRUE(node("LOOSE")->m_sendText("TM", 2, "Bag %s", "X"));
  // The TM above has no IM link until it has been started.
  EXPECT_FALSE(node("P1")->m_sendText("TM", 2, "Bag %s", "X"));
}

TEST_F(WorldTest, PrintableForms) {
  EXPECT_EQ(node("P1")->m_asString(), "(ID = P1)");
  EXPECT_EQ(CTM_edge(node("P2"), -4).m_asString(), "(Target = P2)(Weight = -4)");
}

TEST_F(WorldTest, ManyNodesStayFindableAndUnique) {
  for (int i = 0; i < 5000; ++i) add(std::make_unique<CTM_tp>("Q" + std::to_string(i)));
  EXPECT_EQ(world_.m_getNodeCount(), 5006u);
  for (int i = 0; i < 5000; ++i) {
    std::string id = "Q" + std::to_string(i);
    ASSERT_NE(node(id), nullptr) << id;
    EXPECT_EQ(node(id)->m_getId(), id);
  }
  EXPECT_EQ(node("Q5000"), nullptr);
  EXPECT_FALSE(world_.m_insertNode(std::make_unique<CTM_tp>("Q4321")));
  EXPECT_EQ(world_.m_getNodeCount(), 5006u);
}

TEST_F(WorldTest, ReservedRoomKeepsEveryNodeFindable) {
  // None, less than what follows, and more: taken with nodes in the index.
  for (std::size_t reserved : {0u, 100u, 20000u}) {
    CTM_world world;
    for (int i = 0; i < 3000; ++i) {
      if (i == 1000) world.m_reserveNodes(reserved);
      ASSERT_TRUE(world.m_insertNode(std::make_unique<CTM_tp>("Q" + std::to_string(i))));
    }
    for (int i = 0; i < 3000; ++i) {
      const CTM_node* found = world.m_findNode("Q" + std::to_string(i));
      ASSERT_NE(found, nullptr) << reserved << " Q" << i;
      EXPECT_EQ(found->m_getId(), "Q" + std::to_string(i));
    }
    EXPECT_FALSE(world.m_insertNode(std::make_unique<CTM_tp>("Q999")));
  }
}
