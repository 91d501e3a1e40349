// The sample installation's topology: it must load, and its ids must follow the
// conventions that the telegrams and the links between TMs rely on.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "tests/topology/topology_fixture.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_tc.h"
#include "topology/ctm_tm.h"
#include "topology/ctm_tp.h"

namespace {

class ExamplePlant : public TopologyFixture {
 protected:
  void SetUp() override {
    TopologyFixture::SetUp();
    std::filesystem::path cfg = std::filesystem::path(TM_SOURCE_DIR) / "examples/plant/run/cfg";
    for (const char* name : {"topology.xml", "topology.dtd"})
      std::filesystem::copy_file(cfg / name, cfgDir() / name);
    CTM_file_populator populator(plainFactory_);
    ASSERT_TRUE(populator.m_init());
    ASSERT_TRUE(world_.m_populate(populator));
  }

  std::vector<CTM_node*> nodesOfType(int type) const {
    std::vector<CTM_node*> found;
    for (CTM_node* node : world_.m_getNodesInIdOrder())
      if (node->m_getType() == type) found.push_back(node);
    return found;
  }
};

}  // namespace

TEST_F(ExamplePlant, Tm32SitsBetweenItsUpstreamAndDownstreamTm) {
  std::vector<std::string> tms;
  for (CTM_node* tm : world_.m_getTmNodes()) tms.push_back(tm->m_getId());
  EXPECT_EQ(tms, (std::vector<std::string>{"TM31", "TM32", "TM33"}));
  CTM_node* tm32 = node("TM32");
  EXPECT_EQ(tm32->m_getPredecessor(0), node("TM31"));
  EXPECT_EQ(tm32->m_getPredecessor(1), nullptr);
  EXPECT_EQ(tm32->m_getSuccessor(0), node("TM33"));
  EXPECT_EQ(tm32->m_getSuccessor(1), nullptr);
  EXPECT_GE(tm32->m_getChildCount(), 4u);
  EXPECT_FALSE(static_cast<CTM_tm*>(tm32)->m_getAddress().empty());
}

TEST_F(ExamplePlant, IdsFollowTheTelegramPatterns) {
  const std::regex equipment("[0-9A-Z]{5}[_/-][0-9]{4}-[A-Z][0-9]{4}");
  const std::regex segment("[0-9A-Z]{5}[_/-][0-9]{4}");
  std::set<std::string> segmentNames;
  for (CTM_node* ls : nodesOfType(CTM_node::typeLs)) {
    EXPECT_EQ(ls->m_getId().size(), 5u) << ls->m_getId();
    EXPECT_TRUE(segmentNames.insert(ls->m_getId().substr(1, 4)).second) << "name taken twice: " << ls->m_getId();
  }
  for (CTM_node* ts : nodesOfType(CTM_node::typeTs)) {
    EXPECT_TRUE(std::regex_match(ts->m_getId(), segment)) << ts->m_getId();
    EXPECT_EQ(ts->m_getId().substr(0, 5), ts->m_getParent()->m_getParent()->m_getId());
  }
  std::vector<CTM_node*> tps = nodesOfType(CTM_node::typeTp);
  EXPECT_GE(tps.size(), 20u);
  for (CTM_node* tp : tps) {
    EXPECT_TRUE(std::regex_match(tp->m_getId(), equipment)) << tp->m_getId();
    EXPECT_FALSE(static_cast<CTM_tp*>(tp)->m_prefixDiffers(static_cast<CTM_tp*>(tp)->m_getLsId())) << tp->m_getId();
    EXPECT_NE(static_cast<CTM_tp*>(tp)->m_getTmId(), "") << tp->m_getId();
  }
}

TEST_F(ExamplePlant, EveryDrawnNodeHasAPosition) {
  for (CTM_node* node : world_.m_getNodesInIdOrder()) {
    if (node->m_getType() == CTM_node::typeTs) continue;
    EXPECT_TRUE(world_.m_hasPosition(node)) << node->m_getId();
  }
  for (CTM_node* ls : nodesOfType(CTM_node::typeLs)) EXPECT_NE(static_cast<CTM_ls*>(ls)->m_getColor(), "");
  for (CTM_node* tc : nodesOfType(CTM_node::typeTc)) EXPECT_NE(static_cast<CTM_tc*>(tc)->m_getAddress(), "");
}

TEST_F(ExamplePlant, HandOverPointsHaveLogicalConnectIds) {
  std::string connectId, tmId;
  ASSERT_TRUE(static_cast<CTM_tp*>(node("E3201_0100-E0001"))->m_getLogicalConnectId(connectId, tmId));
  EXPECT_EQ(connectId, "K31013201");
  EXPECT_EQ(tmId, "TM31");
  ASSERT_TRUE(static_cast<CTM_tp*>(node("Z3301_0100-P0001"))->m_getLogicalConnectId(connectId, tmId));
  EXPECT_EQ(connectId, "T32053301");
  EXPECT_EQ(tmId, "TM32");
  EXPECT_TRUE(static_cast<CTM_tp*>(node("Z3301_0100-P0001"))->m_matchesDestination(connectId));
}

TEST_F(ExamplePlant, SorterLoopRecirculates) {
  // From the merge, following successors, the loop leads back to the merge.
  CTM_node* merge = node("L3203_0100-M0001");
  std::vector<CTM_node*> pending{merge};
  std::set<CTM_node*> seen;
  bool back = false;
  while (!pending.empty() && !back) {
    CTM_node* at = pending.back();
    pending.pop_back();
    for (std::size_t i = 0; CTM_node* next = at->m_getSuccessor(i); ++i) {
      back = back || next == merge;
      if (seen.insert(next).second) pending.push_back(next);
    }
  }
  EXPECT_TRUE(back);
  EXPECT_NE(node("L3203_0100")->m_findSuccessor("L3203_0200"), nullptr);
  EXPECT_NE(node("L3203_0200")->m_findSuccessor("L3203_0100"), nullptr);
}
