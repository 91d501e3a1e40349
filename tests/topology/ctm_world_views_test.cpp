// The text and GDL views of the model, on models read from small topology files
// and built node by node. Whole views are compared with files written by hand;
// single entries with the lines they must hold.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/topology/topology_fixture.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_tc.h"
#include "topology/ctm_tm.h"
#include "topology/ctm_tp.h"
#include "topology/ctm_ts.h"

namespace {

std::string goldenFile(const std::string& name) {
  std::ifstream in(std::string(TM_SOURCE_DIR) + "/tests/golden/small_plant/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A view's text up to its first node entry.
std::string headerOf(const std::string& view) { return view.substr(0, view.find("// ---")); }

std::size_t occurrences(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class WorldViewTest : public TopologyFixture {
 protected:
  void add(std::unique_ptr<CTM_node> node) { ASSERT_TRUE(world_.m_insertNode(std::move(node))); }
  void link(const std::string& from, const std::string& to, int weight = 1) {
    ASSERT_TRUE(world_.m_insertEdge(from, to, weight));
  }
  void place(const std::string& id, int x, int y, int z = 0) {
    node(id)->m_setPositionX(x);
    node(id)->m_setPositionY(y);
    node(id)->m_setPositionZ(z);
  }
  // A plant in the nesting the populator builds: TM > LS > TC > TS > tracking points.
  void buildChain(const std::vector<std::string>& points) {
    add(std::make_unique<CTM_tm>("TM", "tm.example"));
    add(std::make_unique<CTM_ls>("LS"));
    add(std::make_unique<CTM_tc>("TC", "10.1.1.1"));
    add(std::make_unique<CTM_ts>("TS"));
    link("TM", "LS");
    link("LS", "TC");
    link("TC", "TS");
    for (const std::string& id : points) {
      add(std::make_unique<CTM_tp>(id));
      link("TS", id);
    }
  }
};

}  // namespace

// ---- the text view ----

TEST_F(WorldViewTest, DumpOfAnEmptyModelIsEmpty) {
  EXPECT_EQ(world_.m_dumpTopology(), "");
}

TEST_F(WorldViewTest, DumpOfALoneTmIsThreeLines) {
  add(std::make_unique<CTM_tm>("TM32"));
  EXPECT_EQ(world_.m_dumpTopology(), "*** Node TM32\n    This node does not have a parent.\n\n");
}

TEST_F(WorldViewTest, DumpOfTheSmallPlantFollowsSuccessorsThenPredecessorsThenChildren) {
  ASSERT_TRUE(populate(goldenFile("topology.xml")));
  EXPECT_EQ(world_.m_dumpTopology(), goldenFile("tm_topology.txt"));
}

TEST_F(WorldViewTest, DumpWritesMutualNeighboursOnceAndSkipsUnreachableNodes) {
  buildChain({"P1", "P2"});
  link("P1", "P2", 3);
  link("P2", "P1", 4);
  add(std::make_unique<CTM_tp>("LOOSE"));
  add(std::make_unique<CTM_ls>("ORPHAN"));
  link("ORPHAN", "LOOSE");
  EXPECT_EQ(world_.m_dumpTopology(),
            "*** Node TM\n    This node does not have a parent.\n    Children: LS \n\n"
            "*** Node LS\n    Parent node is TM\n    Children: TC \n\n"
            "*** Node TC\n    Parent node is LS\n    Children: TS \n\n"
            "*** Node TS\n    Parent node is TC\n    Children: P1 P2 \n\n"
            "*** Node P1\n    Parent node is TS\n    Predecessors: P2 \n    Successors: P2 \n\n"
            "*** Node P2\n    Parent node is TS\n    Predecessors: P1 \n    Successors: P1 \n\n");
}

TEST_F(WorldViewTest, DumpStartsFromEveryTmInInsertionOrderAndLeavesMarkZeroClear) {
  add(std::make_unique<CTM_tm>("TMB"));
  add(std::make_unique<CTM_tm>("TMA"));
  link("TMB", "TMA");
  add(std::make_unique<CTM_tm>("TMC"));
  for (CTM_node* node : world_.m_getNodesInIdOrder()) node->m_setMark(0);
  EXPECT_EQ(world_.m_dumpTopology(),
            "*** Node TMB\n    This node does not have a parent.\n    Successors: TMA \n\n"
            "*** Node TMA\n    This node does not have a parent.\n    Predecessors: TMB \n\n"
            "*** Node TMC\n    This node does not have a parent.\n\n");
  for (CTM_node* node : world_.m_getNodesInIdOrder()) EXPECT_FALSE(node->m_isMarked(0)) << node->m_getId();
}

// A line of tracking points is as deep as it is long: the walk must not use the
// call stack for it, and each block is appended once.
TEST_F(WorldViewTest, DumpOfALongLineOfTrackingPointsWritesEveryPointOnce) {
  constexpr int length = 100000;
  std::vector<std::string> points;
  for (int i = 0; i < length; ++i) points.push_back("P" + std::to_string(i));
  buildChain(points);
  for (int i = 0; i + 1 < length; ++i) ASSERT_TRUE(world_.m_insertEdge(node(points[i]), node(points[i + 1]), 1));
  std::string dump = world_.m_dumpTopology();
  EXPECT_EQ(occurrences(dump, "*** Node "), static_cast<std::size_t>(length) + 4);
  // The line is walked forward from its first point, so its last point comes last.
  const std::string last = "*** Node P99999\n    Parent node is TS\n    Predecessors: P99998 \n\n";
  ASSERT_GE(dump.size(), last.size());
  EXPECT_EQ(dump.substr(dump.size() - last.size()), last);
  EXPECT_LT(dump.find("*** Node P0\n"), dump.find("*** Node P1\n"));
}

// ---- the GDL views ----

TEST_F(WorldViewTest, ViewsOfTheSmallPlantMatchTheirFiles) {
  ASSERT_TRUE(populate(goldenFile("topology.xml")));
  EXPECT_EQ(world_.m_physicalViewGdl(), goldenFile("tm_physical.gdl"));
  EXPECT_EQ(world_.m_brindleViewGdl(), goldenFile("tm_brindle.gdl"));
  EXPECT_EQ(world_.m_logicalViewGdl(), goldenFile("logical.gdl"));
  EXPECT_TRUE(events_.m_eventsWithId(ev::TOPO_NO_POSITION).empty());
}

TEST_F(WorldViewTest, EmptyModelGivesHeadersAndTheClosingBrace) {
  EXPECT_EQ(world_.m_physicalViewGdl(), headerOf(goldenFile("tm_physical.gdl")) + "}\n");
  EXPECT_EQ(world_.m_brindleViewGdl(), headerOf(goldenFile("tm_brindle.gdl")) + "}\n");
  EXPECT_EQ(world_.m_logicalViewGdl(), headerOf(goldenFile("logical.gdl")) + "}\n");
}

TEST_F(WorldViewTest, PhysicalViewWithoutPositionIsEmptyAndReportsOnlyTheFirstPoint) {
  buildChain({"P1", "P2", "P3"});
  place("P1", 1, 1);
  place("P2", -1, -1);
  place("P3", -1, -1);
  EXPECT_EQ(world_.m_physicalViewGdl(), "");
  ASSERT_EQ(events_.m_count(ev::TOPO_NO_POSITION), 1u);
  EXPECT_EQ(lastArgumentOf(ev::TOPO_NO_POSITION), "P2");
  EXPECT_EQ(events_.m_eventsWithId(ev::TOPO_NO_POSITION)[0].type, 1);  // an error
}

TEST_F(WorldViewTest, OneCoordinateIsEnoughForAPlace) {
  buildChain({"P1"});
  place("P1", -1, 4);
  EXPECT_NE(world_.m_physicalViewGdl().find("\t   loc: { x:-5 y:20 }\n"), std::string::npos);
}

TEST_F(WorldViewTest, BrindleViewIsEmptiedOnlyByTheNodesItPlaces) {
  buildChain({"P1"});
  place("TM", 3, 5);
  place("LS", 0, 0);
  place("TC", 1, 1);
  place("TS", -1, -1);
  place("P1", -1, -1);
  std::string view = world_.m_brindleViewGdl();
  EXPECT_NE(view.find("\t   loc: { x:6 y:30}\n"), std::string::npos);
  EXPECT_EQ(events_.m_count(ev::TOPO_NO_POSITION), 0u);
  place("TC", -1, -1);
  EXPECT_EQ(world_.m_brindleViewGdl(), "");
  EXPECT_EQ(lastArgumentOf(ev::TOPO_NO_POSITION), "TC");
}

TEST_F(WorldViewTest, SegmentWithoutColourIsDrawnInTheDefaultColour) {
  buildChain({"P1", "P2"});
  link("P1", "P2", 12);
  for (const char* id : {"TM", "LS", "TC", "P1", "P2"}) place(id, 0, 0);
  std::string physical = world_.m_physicalViewGdl();
  EXPECT_EQ(physical.find("\t   bordercolor"), std::string::npos);
  EXPECT_NE(physical.find("\tedge: { color: 33 label:  \"12\" source: \"P1\" target: \"P2\"}\n"), std::string::npos);
  std::string brindle = world_.m_brindleViewGdl();
  EXPECT_EQ(occurrences(brindle, "\t   bordercolor: 33\n"), 2u);  // the segment and its controller
  EXPECT_EQ(occurrences(brindle, "\t   bordercolor: \n"), 0u);
}

// A tracking point nested directly in a segment, a controller directly in a TM and
// a tracking point inside another one: the nodes are drawn, their missing ancestors
// as empty ids without colour or offset.
TEST_F(WorldViewTest, IncompleteAncestorChainsAreDrawnWithEmptyIds) {
  ASSERT_TRUE(populate(R"(<topology><transportManager id="TM"><position>1,1</position>
      <logicalSegment id="LS"><position>1,1</position><offset>100,100</offset><color>red</color>
        <tp id="LS-P1"><desc>x</desc><position>1,2</position>
          <tp id="LS-P2"><position>3,4</position></tp>
          <edge target="LS-P2" weight="5"/></tp>
      </logicalSegment>
      <transportController id="TC"><position>2,2</position><address>a</address></transportController>
    </transportManager></topology>)"));
  ASSERT_EQ(node("LS-P1")->m_getParent(), node("LS"));
  // The inner point became the outer one's successor (weight 1, before the file's edge).
  ASSERT_EQ(node("LS-P2")->m_getParent(), nullptr);
  ASSERT_EQ(node("TC")->m_getParent(), node("TM"));

  std::string physical = world_.m_physicalViewGdl();
  EXPECT_NE(physical.find("\t   title: \"LS-P1\"\n"
                          "\t   loc: { x:5 y:10 }\n"
                          "\t   label: \" Node ID: \\f08LS-P1\\f31 \\n Description: \\f08\\f31 \\n Path: \\f08---\\f31\"\n"
                          "\t}\n\n"
                          "\t// Successor edges\n"
                          "\tedge: { color: 33 label:  \"1\" source: \"LS-P1\" target: \"LS-P2\"}\n"
                          "\tedge: { color: 33 label:  \"5\" source: \"LS-P1\" target: \"LS-P2\"}\n\n"),
            std::string::npos)
      << physical;
  EXPECT_NE(physical.find("\t   loc: { x:15 y:20 }\n"), std::string::npos);

  std::string brindle = world_.m_brindleViewGdl();
  EXPECT_NE(brindle.find("\t   bordercolor: 33\n\t   shape: box\n"), std::string::npos) << brindle;
  EXPECT_NE(brindle.find("\tedge: { color: 34 thickness:1 arrowsize:0 source:\"\" target:\"TC\"}\n"),
            std::string::npos);

  std::string logical = world_.m_logicalViewGdl();
  EXPECT_NE(logical.find("\tedge: { color:black thickness:1 arrowsize:0 source:\"\" target:\"LS-P2\"}\n"),
            std::string::npos);
  EXPECT_NE(logical.find("\tedge: { color:black thickness:1 arrowsize:0 source:\"TM\" target:\"TC\"}\n"),
            std::string::npos);
}

TEST_F(WorldViewTest, PositionsBeyondTheDrawingStayAtItsEdge) {
  buildChain({"P1"});
  static_cast<CTM_ls*>(node("LS"))->m_setOffset(2147483647, -2147483647);
  place("P1", 2147483647, -2147483647 - 1, 2147483647);
  place("TM", 2147483647, -2147483647 - 1);
  place("LS", 0, 0);
  place("TC", 0, 0);
  EXPECT_NE(world_.m_physicalViewGdl().find("\t   loc: { x:2147483647 y:-2147483648 }\n"), std::string::npos);
  EXPECT_NE(world_.m_brindleViewGdl().find("\t   loc: { x:2147483647 y:-2147483648}\n"), std::string::npos);
}

TEST_F(WorldViewTest, ViewsChangeNothingInTheModel) {
  ASSERT_TRUE(populate(goldenFile("topology.xml")));
  node("TC01")->m_setMark(0);
  std::string first = world_.m_logicalViewGdl() + world_.m_physicalViewGdl() + world_.m_brindleViewGdl();
  EXPECT_TRUE(node("TC01")->m_isMarked(0));
  EXPECT_EQ(world_.m_logicalViewGdl() + world_.m_physicalViewGdl() + world_.m_brindleViewGdl(), first);
}
