// kelvane from the configuration to the three view files: what it prints, the
// status it ends with and the files it leaves, on the small plant whose views were
// written by hand, and on plants that break it in each way it must survive.
#include <filesystem>

#include "tests/system/kelvane_fixture.h"
#include "tm_events.h"

namespace {

class KelvaneViewsTest : public KelvaneFixture {
 protected:
  void SetUp() override {
    KelvaneFixture::SetUp();
    m_installSampleConfiguration();
  }

  // The small plant with one piece of its text taken out.
  static std::string m_smallPlantWithout(const std::vector<std::string>& pieces) {
    std::string xml = m_smallPlant("topology.xml");
    for (const std::string& piece : pieces) {
      std::size_t at = xml.find(piece);
      EXPECT_NE(at, std::string::npos) << piece;
      if (at != std::string::npos) xml.erase(at, piece.size());
    }
    return xml;
  }
  // A view's text up to its first node entry.
  static std::string m_headerOf(const std::string& view) { return view.substr(0, view.find("// ---")); }

  void m_expectView(const std::string& name, const std::string& expected) {
    std::optional<std::string> written = m_workFile(name);
    ASSERT_TRUE(written.has_value()) << name << " was not written";
    EXPECT_EQ(*written, expected) << name;
  }
  void m_expectSmallPlantViews(const std::vector<std::string>& names) {
    for (const std::string& name : names) m_expectView(name, m_smallPlant(name));
  }
};

const std::string smallPlantTrackingPointPosition = "<position>-3,7</position>";
const std::string smallPlantSegmentPosition = "<position>6,1</position>";

}  // namespace

TEST_F(KelvaneViewsTest, SmallPlantGivesTheThreeViewsAndNothingElse) {
  m_installTopology(m_smallPlant("topology.xml"));
  c_childResult run = m_run();
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.exitStatus, 0);
  m_expectSmallPlantViews({"tm_topology.txt", "tm_physical.gdl", "tm_brindle.gdl"});
  EXPECT_EQ(m_filesBelow(workDir_), (std::vector<std::string>{"tm_brindle.gdl", "tm_physical.gdl", "tm_topology.txt"}));
}

TEST_F(KelvaneViewsTest, ArgumentsChangeNothingAndOldViewsAreReplacedWhole) {
  m_installTopology(m_smallPlant("topology.xml"));
  const std::string longer(100000, 'x');
  for (const char* name : viewFiles) m_writeWorkFile(name, longer);
  c_childResult run = m_run({"-o", "elsewhere.txt", "--help", "tm_topology.txt"});
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitStatus, 0);
  m_expectSmallPlantViews({"tm_topology.txt", "tm_physical.gdl", "tm_brindle.gdl"});
  EXPECT_EQ(m_filesBelow(workDir_).size(), 3u);
}

TEST_F(KelvaneViewsTest, TrackingPointWithoutPositionLeavesAnOldPhysicalViewAsItWas) {
  m_installTopology(m_smallPlantWithout({smallPlantTrackingPointPosition}));
  m_writeWorkFile("tm_physical.gdl", "the view of an earlier run\n");
  c_childResult run = m_run();
  EXPECT_EQ(run.err, inputErrorNotice);
  EXPECT_EQ(run.exitStatus, 0);
  m_expectView("tm_physical.gdl", "the view of an earlier run\n");
  m_expectSmallPlantViews({"tm_topology.txt", "tm_brindle.gdl"});
  std::vector<c_eventRecord> events = m_loggedEvents(ev::TOPO_NO_POSITION);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].strings, (std::vector<std::string>{"S3202_0100-P0001"}));
  EXPECT_EQ(events[0].type, c_eventRecord::error);
}

TEST_F(KelvaneViewsTest, TwoEmptyViewsGiveTheNoticeOnce) {
  m_installTopology(m_smallPlantWithout({smallPlantTrackingPointPosition, smallPlantSegmentPosition}));
  c_childResult run = m_run();
  EXPECT_EQ(run.err, inputErrorNotice);
  EXPECT_EQ(run.exitStatus, 0);
  m_expectSmallPlantViews({"tm_topology.txt"});
  EXPECT_EQ(m_filesBelow(workDir_), (std::vector<std::string>{"tm_topology.txt"}));
  EXPECT_EQ(m_loggedEvents(ev::TOPO_NO_POSITION).size(), 2u);
}

TEST_F(KelvaneViewsTest, SmallestTopologyIsOneTm) {
  m_installTopology("<topology><transportManager id=\"TM32\"><position>0,-2</position></transportManager></topology>");
  c_childResult run = m_run();
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.exitStatus, 0);
  m_expectView("tm_topology.txt", "*** Node TM32\n    This node does not have a parent.\n\n");
  m_expectView("tm_physical.gdl", m_headerOf(m_smallPlant("tm_physical.gdl")) + "}\n");
  m_expectView("tm_brindle.gdl", m_headerOf(m_smallPlant("tm_brindle.gdl")) +
                                     "// -----------------------------------------------------\n"
                                     "//  Transport Manager \"TM32\"\n"
                                     "// -----------------------------------------------------\n"
                                     "\n"
                                     "\tnode: {\n"
                                     "\n"
                                     "\t   title: \"TM32\"\n"
                                     "\t   color: lightgreen\n"
                                     "\t   bordercolor: black\n"
                                     "\t   shape: ellipse\n"
                                     "\t   label: \"Node ID: TM32\\nType: Transport Manager\\nAddress: \"\n"
                                     "\t   loc: { x:0 y:-12}\n"
                                     "\t}\n"
                                     "\n"
                                     "}\n");
}

TEST_F(KelvaneViewsTest, EmptyTopologyWritesNoTextViewAndEmptyGraphs) {
  m_installTopology("<?xml version=\"1.0\"?>\n<topology/>\n");
  m_writeWorkFile("tm_topology.txt", "old\n");
  c_childResult run = m_run();
  EXPECT_EQ(run.err, inputErrorNotice);
  EXPECT_EQ(run.exitStatus, 0);
  m_expectView("tm_topology.txt", "old\n");
  m_expectView("tm_physical.gdl", m_headerOf(m_smallPlant("tm_physical.gdl")) + "}\n");
  m_expectView("tm_brindle.gdl", m_headerOf(m_smallPlant("tm_brindle.gdl")) + "}\n");
}

TEST_F(KelvaneViewsTest, TopologyThatCannotBeReadEndsWithTheNoticeAndNoView) {
  struct c_case {
    const char* name;
    std::optional<std::string> xml;  // nothing: no topology file
    unsigned event;
  };
  const c_case cases[] = {
      {"malformed", "<topology><transportManager id=\"TM32\"></topology>", ev::TOPO_FILE_PARSE_ERROR},
      {"refused", "<topology><transportManager id=\"TM32\"><color>red</color></transportManager></topology>",
       ev::TOPO_FILE_REFUSED},
      {"missing", std::nullopt, ev::TOPO_FILE_MISSING},
  };
  for (const c_case& test : cases) {
    SCOPED_TRACE(test.name);
    std::filesystem::remove(home_.m_pathOf("run/cfg/topology.xml"));
    if (test.xml) m_installTopology(*test.xml);
    std::size_t before = m_loggedEvents(test.event).size();
    c_childResult run = m_run();
    EXPECT_EQ(run.err, inputErrorNotice);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.exitStatus, 255);
    EXPECT_TRUE(m_filesBelow(workDir_).empty());
    EXPECT_EQ(m_loggedEvents(test.event).size(), before + 1);
  }
}

// The working directory is gone by the time kelvane writes (removed after the
// shell entered it): no view can be created, each is named with the reason.
TEST_F(KelvaneViewsTest, UnwritableWorkingDirectoryNamesEveryViewAndFails) {
  m_installTopology(m_smallPlant("topology.xml"));
  c_childResult run = c_runChild("/bin/sh", {"-c", "cd \"$0\" && rmdir \"$0\" && exec \"$1\"", workDir_, kelvane});
  EXPECT_EQ(run.err,
            "The view file tm_topology.txt cannot be written: No such file or directory\n"
            "The view file tm_physical.gdl cannot be written: No such file or directory\n"
            "The view file tm_brindle.gdl cannot be written: No such file or directory\n");
  EXPECT_EQ(run.exitStatus, 255);
  std::vector<c_eventRecord> events = m_loggedEvents(ev::TOPO_VIEW_FILE_FAILED);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[1].strings, (std::vector<std::string>{"tm_physical.gdl", "No such file or directory"}));
  EXPECT_EQ(events[1].type, c_eventRecord::error);
}

// A view that cannot be opened (a folder of its name) or written (a full device)
// fails the run, but the other views are still written.
TEST_F(KelvaneViewsTest, ViewFileThatCannotBeOpenedOrWrittenFailsTheRunButNotTheOtherViews) {
  m_installTopology(m_smallPlant("topology.xml"));
  std::filesystem::create_symlink("/dev/full", workDir_ + "/tm_topology.txt");
  std::filesystem::create_directory(workDir_ + "/tm_physical.gdl");
  c_childResult run = m_run();
  EXPECT_EQ(run.err,
            "The view file tm_topology.txt cannot be written: No space left on device\n"
            "The view file tm_physical.gdl cannot be written: Is a directory\n");
  EXPECT_EQ(run.exitStatus, 255);
  m_expectSmallPlantViews({"tm_brindle.gdl"});
  EXPECT_EQ(m_loggedEvents(ev::TOPO_VIEW_FILE_FAILED).size(), 2u);
}
