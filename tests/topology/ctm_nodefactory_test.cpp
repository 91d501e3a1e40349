#include "topology/ctm_nodefactory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/topology/topology_fixture.h"
#include "topology/ctm_controllerlink.h"
#include "topology/ctm_imreporter.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_tc.h"
#include "topology/ctm_tm.h"
#include "topology/ctm_tp.h"
#include "topology/ctm_ts.h"

namespace {

// A TM node that takes its own texts for IM, as a running TM would.
class ReportingTm : public CTM_tm, public CTM_imReporter {
 public:
  using CTM_tm::CTM_tm;
  bool m_reportText(const std::string& source, unsigned short level, const std::string& text) override {
    reports.push_back(source + "|" + std::to_string(level) + "|" + text);
    return accepts;
  }
  std::vector<std::string> reports;
  bool accepts = true;
};

template <typename Plain>
class Made : public Plain {
 public:
  using Plain::Plain;
};

// Builds its own kind of every node and notes each id; a kind set to fail builds nothing.
class RecordingFactory : public CTM_nodeFactory {
 public:
  std::unique_ptr<CTM_tm> m_makeTm(std::string id) override { return make<ReportingTm>(id); }
  std::unique_ptr<CTM_ls> m_makeLs(std::string id) override { return make<Made<CTM_ls>>(id); }
  std::unique_ptr<CTM_tc> m_makeTc(std::string id) override { return make<Made<CTM_tc>>(id); }
  std::unique_ptr<CTM_ts> m_makeTs(std::string id) override { return make<Made<CTM_ts>>(id); }
  std::unique_ptr<CTM_tp> m_makeTp(std::string id) override { return make<Made<CTM_tp>>(id); }

  std::vector<std::string> made;
  std::string failingId;

 private:
  template <typename Node>
  std::unique_ptr<Node> make(const std::string& id) {
    if (id == failingId) return nullptr;
    made.push_back(id);
    return std::make_unique<Node>(id);
  }
};

const char* const plant =
    "<topology><transportManager id=\"TM\"><address>tm-host</address><logicalSegment id=\"LS\">"
    "<color>red</color><transportController id=\"TC\"><address>tc-host</address><ts id=\"TS\">"
    "<tp id=\"P1\"><edge target=\"P2\"/></tp><tp id=\"P2\"/></ts></transportController>"
    "</logicalSegment></transportManager></topology>";

class NodeFactoryTest : public TopologyFixture {
 protected:
  RecordingFactory factory_;
};

TEST_F(NodeFactoryTest, ReaderPutsTheFactorysNodesIntoTheWorld) {
  ASSERT_TRUE(populate(plant, factory_));
  EXPECT_EQ(factory_.made, (std::vector<std::string>{"TM", "LS", "TC", "TS", "P1", "P2"}));
  EXPECT_NE(dynamic_cast<ReportingTm*>(node("TM")), nullptr);
  EXPECT_NE(dynamic_cast<Made<CTM_ls>*>(node("LS")), nullptr);
  EXPECT_NE(dynamic_cast<Made<CTM_tc>*>(node("TC")), nullptr);
  EXPECT_NE(dynamic_cast<Made<CTM_ts>*>(node("TS")), nullptr);
  EXPECT_NE(dynamic_cast<Made<CTM_tp>*>(node("P1")), nullptr);
  // The reader fills the factory's nodes as it fills plain ones.
  EXPECT_EQ(static_cast<CTM_tm*>(node("TM"))->m_getAddress(), "tm-host");
  EXPECT_EQ(static_cast<CTM_tc*>(node("TC"))->m_getAddress(), "tc-host");
  EXPECT_EQ(static_cast<CTM_ls*>(node("LS"))->m_getColor(), "red");
  EXPECT_EQ(node("P1")->m_getSuccessor(0), node("P2"));
  EXPECT_EQ(node("P2")->m_getParent(), node("TS"));
  EXPECT_EQ(world_.m_getTmNodes(), std::vector<CTM_node*>{node("TM")});
}

TEST_F(NodeFactoryTest, NodeTheFactoryCannotBuildRefusesTheFile) {
  factory_.failingId = "TS";
  EXPECT_FALSE(populate(plant, factory_));
  EXPECT_EQ(lastArgumentOf(ev::TOPO_FILE_REFUSED), "Node \"TS\" could not be created.");
}

TEST_F(NodeFactoryTest, TextsGoToTheReporterOfTheTmAbove) {
  ASSERT_TRUE(populate(plant, factory_));
  auto* tm = static_cast<ReportingTm*>(node("TM"));
  // Without a reporter the TM takes no text, as before the running TM starts.
  EXPECT_FALSE(node("P1")->m_sendText("EQ", 2, "Bag %s", "X"));
  tm->m_setImReporter(tm);
  EXPECT_TRUE(node("P1")->m_sendText("EQ", 2, "Bag %s", "X"));
  EXPECT_TRUE(node("TM")->m_sendText("TM", 1, "%s", std::string(150, 'y').c_str()));
  tm->accepts = false;
  EXPECT_FALSE(node("LS")->m_sendText("LS", 3, "full"));
  EXPECT_EQ(tm->reports, (std::vector<std::string>{"EQ|2|Bag X", "TM|1|" + std::string(99, 'y'), "LS|3|full"}));
}

// Counts how often its line handlers are taken down and deleted.
struct LinkLog {
  int shutdowns = 0;
  int deletions = 0;
};

class CountedLink : public CTM_controllerLink {
 public:
  explicit CountedLink(LinkLog& log) : log_(log) {}
  ~CountedLink() override { ++log_.deletions; }
  void m_shutdown() override {
    EXPECT_EQ(log_.shutdowns, log_.deletions) << "taken down twice, or after deletion";
    ++log_.shutdowns;
  }

 private:
  LinkLog& log_;
};

class LinkedTc : public CTM_tc {
 public:
  using CTM_tc::CTM_tc;
  using CTM_tc::m_setLineHandler;
};

TEST(ControllerLink, ControllerTakesItsLineHandlerDownBeforeDeletingIt) {
  LinkLog replaced, stopped, destroyed;
  auto tc = std::make_unique<LinkedTc>("TC");
  tc->m_setLineHandler(std::make_unique<CountedLink>(replaced));
  tc->m_setLineHandler(std::make_unique<CountedLink>(stopped));
  EXPECT_EQ(replaced.shutdowns, 1);
  EXPECT_EQ(replaced.deletions, 1);
  EXPECT_NE(tc->m_getLineHandler(), nullptr);
  tc->m_stop();
  EXPECT_EQ(stopped.shutdowns, 1);
  EXPECT_EQ(stopped.deletions, 1);
  EXPECT_EQ(tc->m_getLineHandler(), nullptr);
  tc->m_stop();
  tc->m_setLineHandler(std::make_unique<CountedLink>(destroyed));
  tc.reset();
  EXPECT_EQ(destroyed.shutdowns, 1);
  EXPECT_EQ(destroyed.deletions, 1);
}

}  // namespace
