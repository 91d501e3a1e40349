// Route search on small hand-made topologies: the cheapest way, ties, unavailable
// nodes, cycles, the area rule, and that a search leaves nothing in the nodes.
#include <gtest/gtest.h>

#include "tests/tracking/test_plant.h"
#include "tracking/ctm_route.h"

namespace {

// Area A1000 holds the start; the destination "A10002000" is entered from A1000
// into any node named 2000.
constexpr const char* exitFromA = "A10002000";

class RouteSearch : public ::testing::Test {
 protected:
  CTM_route search(const std::string& start, const std::string& destination = exitFromA) {
    CTM_route route(plant_.tp(start));
    found_ = route.m_find(destination);
    return route;
  }

  c_testPlant plant_;
  bool found_ = false;
};

TEST_F(RouteSearch, DirectSuccessorIsFoundWithCostZeroFromTheStart) {
  plant_.edge("A1000-S", "X2000-T", 7);
  CTM_route route = search("A1000-S");
  ASSERT_TRUE(found_);
  EXPECT_TRUE(route.m_isFound());
  EXPECT_EQ(route.m_getFound(), plant_.tp("A1000-S"));
  EXPECT_EQ(route.m_getCost(), 0);
  EXPECT_EQ(route.m_getDestination(), exitFromA);
}

TEST_F(RouteSearch, CostCountsEdgesUpToTheFoundNodeOnly) {
  plant_.edge("A1000-S", "A1000-B", 4);
  plant_.edge("A1000-B", "A1000-C", 3);
  plant_.edge("A1000-C", "X2000-T", 50);
  CTM_route route = search("A1000-S");
  ASSERT_TRUE(found_);
  EXPECT_EQ(route.m_getFound(), plant_.tp("A1000-C"));
  EXPECT_EQ(route.m_getCost(), 7);
}

// The last edge of the first hit must not bound the later, cheaper ways.
TEST_F(RouteSearch, CheaperWayFoundAfterADearerHitWins) {
  plant_.edge("A1000-S", "A1000-A", 5);
  plant_.edge("A1000-A", "X2000-T", 0);
  plant_.edge("A1000-S", "A1000-B", 1);
  plant_.edge("A1000-B", "A1000-C", 1);
  plant_.edge("A1000-C", "X2000-T", 5);
  CTM_route route = search("A1000-S");
  ASSERT_TRUE(found_);
  EXPECT_EQ(route.m_getFound(), plant_.tp("A1000-C"));
  EXPECT_EQ(route.m_getCost(), 2);
}

TEST_F(RouteSearch, EqualCostsGoToTheEarlierSuccessorEdge) {
  plant_.edge("A1000-S", "A1000-L", 2);
  plant_.edge("A1000-S", "A1000-R", 1);
  plant_.edge("A1000-R", "A1000-Q", 1);
  plant_.edge("A1000-L", "X2000-T", 9);
  plant_.edge("A1000-Q", "X2000-U", 1);
  CTM_route route = search("A1000-S");
  ASSERT_TRUE(found_);
  EXPECT_EQ(route.m_getFound(), plant_.tp("A1000-L"));
  EXPECT_EQ(route.m_getCost(), 2);
}

// Depth-first order: a tie reached deeper through successor 0 beats a hit at
// successor 1 of the same node.
TEST_F(RouteSearch, EqualCostsFollowDepthFirstOrderThroughZeroWeightEdges) {
  plant_.edge("A1000-S", "A1000-Z", 0);
  plant_.edge("A1000-S", "X2000-T", 1);
  plant_.edge("A1000-Z", "X2000-T", 1);
  CTM_route route = search("A1000-S");
  ASSERT_TRUE(found_);
  EXPECT_EQ(route.m_getFound(), plant_.tp("A1000-Z"));
  EXPECT_EQ(route.m_getCost(), 0);
}

TEST_F(RouteSearch, UnavailableNodeIsNeverTakenEvenAsTheOnlyWay) {
  plant_.edge("A1000-S", "A1000-N", 1);
  plant_.edge("A1000-N", "X2000-T", 1);
  plant_.tp("A1000-N")->m_setState("N");
  search("A1000-S");
  EXPECT_FALSE(found_);
  plant_.tp("A1000-N")->m_setState("A");
  CTM_route route = search("A1000-S");
  EXPECT_TRUE(found_);
  EXPECT_EQ(route.m_getFound(), plant_.tp("A1000-N"));
}

TEST_F(RouteSearch, UnavailableDestinationPointIsNotReached) {
  plant_.edge("A1000-S", "X2000-T", 1);
  plant_.edge("A1000-S", "A1000-B", 3);
  plant_.edge("A1000-B", "X2000-U", 1);
  plant_.tp("X2000-T")->m_setState("N");
  CTM_route route = search("A1000-S");
  ASSERT_TRUE(found_);
  EXPECT_EQ(route.m_getFound(), plant_.tp("A1000-B"));
  EXPECT_EQ(route.m_getCost(), 3);
}

TEST_F(RouteSearch, CycleEndsTheSearchWithoutAWay) {
  plant_.edge("A1000-S", "A1000-B", 1);
  plant_.edge("A1000-B", "A1000-C", 0);
  plant_.edge("A1000-C", "A1000-S", 0);
  plant_.edge("A1000-C", "A1000-B", 0);
  CTM_route route = search("A1000-S");
  EXPECT_FALSE(found_);
  EXPECT_FALSE(route.m_isFound());
}

TEST_F(RouteSearch, RecirculationLoopLeadsBackToAnEarlierExit) {
  plant_.edge("A1000-D1", "A1000-D2", 4);
  plant_.edge("A1000-D2", "A1000-P", 4);
  plant_.edge("A1000-P", "A1000-D1", 20);
  plant_.edge("A1000-D1", "X2000-T", 5);
  CTM_route route = search("A1000-D2");
  ASSERT_TRUE(found_);
  EXPECT_EQ(route.m_getFound(), plant_.tp("A1000-D1"));
  EXPECT_EQ(route.m_getCost(), 24);
}

// Even when a cycle leads back to it.
TEST_F(RouteSearch, StartIsNeverTestedAgainstTheDestination) {
  plant_.edge("X2000-S", "A1000-B", 1);
  plant_.edge("A1000-B", "X2000-S", 1);
  search("X2000-S", exitFromA);
  EXPECT_FALSE(found_);
  plant_.edge("A1000-B", "X2000-T", 4);
  CTM_route route = search("X2000-S", exitFromA);
  ASSERT_TRUE(found_);
  EXPECT_EQ(route.m_getFound(), plant_.tp("A1000-B"));
}

// Once inside the destination's area the way stays there, even where leaving it
// would be cheaper; outside that area any way is allowed.
TEST_F(RouteSearch, WayDoesNotLeaveTheDestinationAreaOnceInside) {
  plant_.edge("A1000-S", "B3000-O", 1);
  plant_.edge("B3000-O", "X2000-T", 1);
  plant_.edge("A1000-S", "A1000-L", 10);
  plant_.edge("A1000-L", "X2000-U", 1);
  CTM_route route = search("A1000-S");
  ASSERT_TRUE(found_);
  EXPECT_EQ(route.m_getFound(), plant_.tp("A1000-L"));
  EXPECT_EQ(route.m_getCost(), 10);

  CTM_route fromOutside = search("C4000-S", exitFromA);
  EXPECT_FALSE(found_);
  plant_.edge("C4000-S", "A1000-S", 2);
  fromOutside = search("C4000-S", exitFromA);
  ASSERT_TRUE(found_);
  EXPECT_EQ(fromOutside.m_getFound(), plant_.tp("A1000-L"));
  EXPECT_EQ(fromOutside.m_getCost(), 12);
}

TEST_F(RouteSearch, ShortIdsAndDestinationsReachNothing) {
  plant_.edge("A1000-S", "X20", 1);
  search("A1000-S");
  EXPECT_FALSE(found_);
  plant_.edge("A1000-S", "X2000-T", 1);
  search("A1000-S", "A1000200");
  EXPECT_FALSE(found_);
  CTM_route none(nullptr);
  EXPECT_FALSE(none.m_find(exitFromA));
}

TEST_F(RouteSearch, SearchLeavesTheMarksOfTheNodesAsTheyWere) {
  plant_.edge("A1000-S", "A1000-B", 1);
  plant_.edge("A1000-B", "A1000-S", 1);
  plant_.edge("A1000-B", "X2000-T", 1);
  plant_.edge("A1000-S", "A1000-C", 1);
  for (bool marked : {false, true}) {
    for (CTM_node* node : plant_.points()) {
      if (marked) node->m_setMark(0); else node->m_clearMark(0);
      node->m_setMark(1);
    }
    search("A1000-S");
    EXPECT_TRUE(found_);
    for (CTM_node* node : plant_.points()) {
      EXPECT_EQ(node->m_isMarked(0), marked) << node->m_getId();
      EXPECT_TRUE(node->m_isMarked(1)) << node->m_getId();
      EXPECT_EQ(node->m_getState(), "A");
    }
  }
}

TEST_F(RouteSearch, SearchesOfOneThreadDoNotDisturbEachOther) {
  plant_.edge("A1000-S", "A1000-B", 3);
  plant_.edge("A1000-B", "X2000-T", 1);
  plant_.edge("A1000-S", "X5000-T", 1);
  CTM_route first(plant_.tp("A1000-S"));
  CTM_route second(plant_.tp("A1000-S"));
  ASSERT_TRUE(first.m_find(exitFromA));
  ASSERT_TRUE(second.m_find("A10005000"));
  EXPECT_EQ(first.m_getFound(), plant_.tp("A1000-B"));
  EXPECT_EQ(first.m_getCost(), 3);
  EXPECT_EQ(second.m_getFound(), plant_.tp("A1000-S"));
  EXPECT_FALSE(first.m_find("A10009999"));
  EXPECT_FALSE(first.m_isFound());
}

// --- the route's own values ------------------------------------------------------

TEST(Route, RoutingPriorityIsOneOrZero) {
  CTM_route route(nullptr);
  EXPECT_EQ(route.m_getRoutingPriority(), 99);
  route.m_setRoutingPriority(7);
  EXPECT_EQ(route.m_getRoutingPriority(), 1);
  route.m_setRoutingPriority(0);
  EXPECT_EQ(route.m_getRoutingPriority(), 0);
  route.m_setRoutingPriority(-3);
  EXPECT_EQ(route.m_getRoutingPriority(), 0);
}

TEST_F(RouteSearch, ViaNeedsAFoundRouteAndLeavesTheTotalAtZero) {
  plant_.edge("A1000-S", "A1000-B", 2);
  plant_.edge("A1000-B", "X2000-T", 1);
  plant_.edge("A1000-B", "A1000-C", 1);
  plant_.edge("A1000-C", "X7000-T", 1);
  CTM_route unfound(plant_.tp("A1000-S"));
  EXPECT_FALSE(unfound.m_via("A10007000"));
  CTM_route route = search("A1000-S");
  ASSERT_TRUE(found_);
  EXPECT_FALSE(route.m_via("A10007000"));
  EXPECT_EQ(route.m_getViaTotal(), 0);
  route.m_restoreViaTotal();
  EXPECT_EQ(route.m_getViaTotal(), 0);
}

TEST_F(RouteSearch, RouteOrderRanksByCost) {
  plant_.edge("A1000-S", "A1000-B", 2);
  plant_.edge("A1000-B", "X2000-T", 1);
  plant_.edge("A1000-S", "X7000-T", 1);
  CTM_route dear = search("A1000-S");
  CTM_route cheap = search("A1000-S", "A10007000");
  EXPECT_TRUE(CTM_route::m_comesBefore(cheap, dear));
  EXPECT_FALSE(CTM_route::m_comesBefore(dear, cheap));
  EXPECT_FALSE(CTM_route::m_comesBefore(cheap, cheap));
}

}  // namespace
