// Finding the segment of a logical connect id: ids too short for their slices
// match nothing (and are never read past their ends).

#include <gtest/gtest.h>

#include <memory>

#include "tm/ctm_neighbourlink.h"
#include "tm/ctm_runningls.h"
#include "topology/ctm_tm.h"
#include "topology/ctm_world.h"

namespace {

TEST(NeighbourLinkIds, ShortSegmentAndConnectIdsMatchNothing) {
  CTM_world world;
  auto add = [&](auto node) {
    auto* raw = node.get();
    world.m_insertNode(std::move(node));
    return raw;
  };
  CTM_tm* tm = add(std::make_unique<CTM_tm>("TM32"));
  add(std::make_unique<CTM_ls>("K3101"));
  // A short segment first: the walk passes it by and finds the full one.
  for (const char* id : {"E32", "E3201"}) {
    add(std::make_unique<CTM_runningLs>(id));
    world.m_insertEdge("TM32", id, 0);
    world.m_insertEdge("K3101", id, 0);
  }
  add(std::make_unique<CTM_runningLs>("K31"));
  world.m_insertEdge("TM32", "K31", 0);

  EXPECT_EQ(CTM_neighbourLink::m_downstreamSegment(tm, "K31013201")->m_getId(), "E3201");
  EXPECT_EQ(CTM_neighbourLink::m_downstreamSegment(tm, "K3101320"), nullptr);
  EXPECT_EQ(CTM_neighbourLink::m_downstreamSegment(tm, "K31"), nullptr);
  EXPECT_EQ(CTM_neighbourLink::m_downstreamSegment(tm, ""), nullptr);
  EXPECT_EQ(CTM_neighbourLink::m_upstreamSegment(tm, "K31013201"), nullptr);
  EXPECT_EQ(CTM_neighbourLink::m_upstreamSegment(tm, "K31"), nullptr);
  EXPECT_EQ(CTM_neighbourLink::m_upstreamSegment(tm, "E32013201")->m_getId(), "E3201");
}

}  // namespace
