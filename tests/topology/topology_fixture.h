#pragma once
// A temporary installation for the topology tests: a topology file written by the
// test, and every event recorded.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/ctm_logging.h"
#include "tests/support/c_temphome.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_nodefactory.h"
#include "topology/ctm_world.h"

class TopologyFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    CTM_logging::m_resetForTest();
    CTM_logging::m_init("");
    CTM_logging::m_setSink(&events_);
  }

  void TearDown() override {
    CTM_logging::m_setSink(nullptr);
    CTM_logging::m_resetForTest();
  }

  std::filesystem::path cfgDir() const { return home_.m_pathOf("run/cfg"); }
  std::filesystem::path topologyFile() const { return home_.m_pathOf("run/cfg/topology.xml"); }
  void writeCfg(const std::string& name, const std::string& text) const { home_.m_writeFile("run/cfg/" + name, text); }

  // Writes the topology file and reads it into world_, with the nodes the factory builds.
  bool populate(const std::string& xml) { return populate(xml, plainFactory_); }
  bool populate(const std::string& xml, CTM_nodeFactory& factory) {
    writeCfg("topology.xml", xml);
    CTM_file_populator populator(factory);
    return populator.m_init() && world_.m_populate(populator);
  }

  // The last insertion string of the only event with that id ("" when there is none or more).
  std::string lastArgumentOf(unsigned id) const {
    auto found = events_.m_eventsWithId(id);
    if (found.size() != 1 || found[0].strings.empty()) return {};
    return found[0].strings.back();
  }

  CTM_node* node(const std::string& id) const { return world_.m_findNode(id); }

  c_tempHome home_;
  CTM_eventRecorder events_;
  CTM_plainNodeFactory plainFactory_;
  CTM_world world_;
};
