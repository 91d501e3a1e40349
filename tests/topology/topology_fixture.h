#pragma once
// A temporary installation for the topology tests: its own TM_HOME and
// XDG_STATE_HOME, a topology file written by the test, and every event recorded.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/ctm_logging.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_world.h"

class TopologyFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tm_topology_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    home_ = pattern;
    std::filesystem::create_directories(cfgDir());
    setenv("TM_HOME", home_.c_str(), 1);
    setenv("XDG_STATE_HOME", (home_ / "state").c_str(), 1);
    CTM_logging::m_init("");
    CTM_logging::m_setSink(&events_);
  }

  void TearDown() override {
    CTM_logging::m_setSink(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(home_, ignored);
  }

  std::filesystem::path cfgDir() const { return home_ / "run" / "cfg"; }
  std::filesystem::path topologyFile() const { return cfgDir() / "topology.xml"; }

  void writeFile(const std::filesystem::path& path, const std::string& text) const {
    std::ofstream(path, std::ios::binary) << text;
  }

  // Writes the topology file and reads it into world_.
  bool populate(const std::string& xml) {
    writeFile(topologyFile(), xml);
    CTM_file_populator populator;
    return populator.m_init() && world_.m_populate(populator);
  }

  // The last insertion string of the only event with that id ("" when there is none or more).
  std::string lastArgumentOf(unsigned id) const {
    auto found = events_.m_eventsWithId(id);
    if (found.size() != 1 || found[0].strings.empty()) return {};
    return found[0].strings.back();
  }

  CTM_node* node(const std::string& id) const { return world_.m_findNode(id); }

  std::filesystem::path home_;
  CTM_eventRecorder events_;
  CTM_world world_;
};
