// The sample installation routes: every segment of TM32 reads its default
// transport specifications without complaint, and an item entering the segment
// is sent to a real exit of the plant.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/tracking/routing_fixture.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_nodefactory.h"
#include "topology/ctm_tp.h"
#include "topology/ctm_world.h"
#include "tracking/ctm_bit.h"
#include "tracking/ctm_transport.h"
#include "tracking/ctm_transportowner.h"

namespace {

class c_quietSegment : public CTM_transportOwner {
 public:
  explicit c_quietSegment(std::string id) : id_(std::move(id)) {}
  const std::string& m_getSegmentId() const override { return id_; }
  bool m_reportRoutingEvent(CTM_BIT* item, int kind, const std::string&) override {
    item->traceBIT(item->m_getCurrentNode(), kind, "");
    kinds.push_back(kind);
    return true;
  }
  bool m_reportText(unsigned short, const std::string& text) override {
    texts.push_back(text);
    return true;
  }
  std::vector<int> kinds;
  std::vector<std::string> texts;

 private:
  std::string id_;
};

class ExamplePlantRouting : public CTM_routingTest {
 protected:
  void SetUp() override {
    CTM_routingTest::SetUp();
    const std::filesystem::path sample = std::filesystem::path(TM_SOURCE_DIR) / "examples/plant/run/cfg";
    for (const char* name : {"topology.xml", "topology.dtd", "tm_config_parameter.txt",
                             "tm_system_parameter-TM32.txt", "tm_default_transspec.txt"})
      std::filesystem::copy_file(sample / name, home_ / "run/cfg" / name,
                                 std::filesystem::copy_options::overwrite_existing);
    CTM_config::m_resetForTest();
    ASSERT_TRUE(CTM_config::m_init("TM32"));
    CTM_plainNodeFactory factory;
    CTM_file_populator populator(factory);
    ASSERT_TRUE(populator.m_init());
    ASSERT_TRUE(world_.m_populate(populator));
    recorder_.m_clear();
  }

  CTM_world world_;
};

struct c_entry {
  const char* segment;
  const char* entry;     // where the item is seen
  const char* diverter;  // the node that sends it on
  const char* exit;      // the tracking point it goes to, in the next segment
};

void PrintTo(const c_entry& entry, std::ostream* out) { *out << entry.segment; }

class ExamplePlantSegment : public ExamplePlantRouting, public ::testing::WithParamInterface<c_entry> {};

TEST_P(ExamplePlantSegment, ItemEnteringTheSegmentGoesToARealExit) {
  const c_entry& entry = GetParam();
  c_quietSegment segment(entry.segment);
  CTM_transport transport(segment);
  ASSERT_TRUE(transport.m_init());
  EXPECT_GT(transport.m_getDefaultTransSpecs().m_size(), 0u);
  for (const CTM_loggedEvent& event : recorder_.m_events()) {
    if (event.id == ev::LOG_UNREGISTERED_THREAD) continue;
    EXPECT_GE(event.type, 4) << std::hex << event.id;
  }
  int busy = -1;
  EXPECT_TRUE(CTM_config::m_getInteger(std::string(entry.segment) + "__BusyThreshold", busy));

  CTM_BIT item;
  item.m_setBIT_ID("W3212300001");
  item.m_setRequiredScreenLevel(0);
  CTM_node* seenAt = world_.m_findNode(entry.entry);
  ASSERT_NE(seenAt, nullptr);
  item.traceBIT(seenAt, CTM_BIT::ENTER, "");
  ASSERT_TRUE(transport.routeBIT(&item, true)) << segment.texts.size();
  ASSERT_NE(item.m_getDestinations(), nullptr);
  ASSERT_EQ(item.m_getDestinations()->size(), 1u);
  CTM_node* diverter = item.m_getDestinations()->front().m_getNode();
  EXPECT_EQ(diverter->m_getId(), entry.diverter);
  EXPECT_NE(diverter->m_findSuccessor(entry.exit), nullptr);
  // Nothing downloaded yet: the dynamic pass ends with an unknown destination.
  EXPECT_EQ(segment.kinds, (std::vector<int>{CTM_BIT::UNKNOWN_DESTINATION, CTM_BIT::TRS}));
  EXPECT_TRUE(segment.texts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Tm32, ExamplePlantSegment,
    ::testing::Values(c_entry{"E3201", "E3201_0100-E0001", "E3201_0200-P0002", "X3202_0100-P0001"},
                      c_entry{"X3202", "X3202_0100-P0001", "X3202_0100-D0003", "L3203_0100-M0001"},
                      c_entry{"L3203", "L3203_0100-M0001", "L3203_0100-D0003", "M3204_0100-P0001"},
                      c_entry{"M3204", "M3204_0300-P0001", "M3204_0300-P0002", "L3203_0100-M0001"},
                      c_entry{"T3205", "T3205_0100-P0001", "T3205_0100-P0002", "Z3301_0100-P0001"}),
    [](const ::testing::TestParamInfo<c_entry>& info) { return std::string(info.param.segment); });

TEST_F(ExamplePlantRouting, ConnectingItemOnTheSorterLoopGoesToTheTransferLine) {
  c_quietSegment segment("L3203");
  CTM_transport transport(segment);
  ASSERT_TRUE(transport.m_init());
  CTM_BIT item;
  item.m_setOnwardConnection(true);
  item.traceBIT(world_.m_findNode("L3203_0100-P0002"), CTM_BIT::TRACE, "");
  ASSERT_TRUE(transport.routeBIT(&item, false));
  ASSERT_NE(item.m_getDestinations(), nullptr);
  EXPECT_EQ(item.m_getDestinations()->front().m_getNodeId(), "L3203_0200-D0002");
  EXPECT_EQ(item.m_getDestinationName(), "L3203TRF01");
}

}  // namespace
