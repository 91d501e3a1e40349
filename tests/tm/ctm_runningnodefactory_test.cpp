#include "tm/ctm_runningnodefactory.h"

#include <gtest/gtest.h>

#include "tests/topology/topology_fixture.h"

namespace {

class RunningNodeFactory : public TopologyFixture {
 protected:
  bool read(CTM_world& world, CTM_nodeFactory& factory) {
    CTM_file_populator populator(factory);
    return populator.m_init() && world.m_populate(populator);
  }
};

// A running TM reads its plant into nodes of its own kinds; the model they form is
// the one the views show of the same file.
TEST_F(RunningNodeFactory, ReadsThePlantAsThePlainModelShowsIt) {
  std::filesystem::path cfg = std::filesystem::path(TM_SOURCE_DIR) / "examples/plant/run/cfg";
  for (const char* name : {"topology.xml", "topology.dtd"}) std::filesystem::copy_file(cfg / name, cfgDir() / name);
  CTM_runningNodeFactory running;
  ASSERT_TRUE(read(world_, running));
  CTM_world plain;
  ASSERT_TRUE(read(plain, plainFactory_));
  EXPECT_EQ(world_.m_getNodeCount(), plain.m_getNodeCount());
  EXPECT_EQ(world_.m_dumpTopology(), plain.m_dumpTopology());
  EXPECT_EQ(world_.m_logicalViewGdl(), plain.m_logicalViewGdl());
  EXPECT_EQ(world_.m_physicalViewGdl(), plain.m_physicalViewGdl());
}

}  // namespace
