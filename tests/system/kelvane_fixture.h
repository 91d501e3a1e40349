#pragma once
// kelvane run as a child process on a temporary installation that holds the sample
// plant's parameter files, in a working directory of its own below it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/c_eventlogreader.h"
#include "tests/support/c_childprocess.h"
#include "tests/support/c_temphome.h"

class KelvaneFixture : public ::testing::Test {
 protected:
  using c_environment = std::vector<std::pair<std::string, std::optional<std::string>>>;

  static inline const std::string kelvane = std::string(TM_BIN_DIR) + "/kelvane";
  static inline const std::string inputErrorNotice =
      "An error has occurred while processing the input file.\nSee the event log for further details.\n\n";
  static constexpr const char* viewFiles[] = {"tm_topology.txt", "tm_physical.gdl", "tm_brindle.gdl"};

  void SetUp() override { std::filesystem::create_directories(workDir_); }

  c_childResult m_run(const std::vector<std::string>& arguments = {}, c_environment environment = {}) {
    return c_runChild(kelvane, arguments, {.workDir = workDir_, .environment = std::move(environment)});
  }

  void m_installSampleConfiguration() {
    for (const char* file : {c_tempHome::configFileName, "run/cfg/tm_system_parameter-TM32.txt"})
      std::filesystem::copy_file(std::string(TM_SOURCE_DIR) + "/examples/plant/" + file, home_.m_pathOf(file));
  }
  void m_installTopology(const std::string& xml) { home_.m_writeFile("run/cfg/topology.xml", xml); }

  // A file of the small plant that the view tests share (its topology and its views).
  static std::string m_smallPlant(const std::string& name) {
    std::ifstream in(std::string(TM_SOURCE_DIR) + "/tests/golden/small_plant/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // A file of the working directory; nothing when it is not there.
  std::optional<std::string> m_workFile(const std::string& name) const { return home_.m_readFile("work/" + name); }
  void m_writeWorkFile(const std::string& name, const std::string& content) const {
    home_.m_writeFile("work/" + name, content);
  }

  // Every file below a folder, as paths relative to it.
  static std::vector<std::string> m_filesBelow(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
      if (!entry.is_directory()) files.push_back(std::filesystem::relative(entry.path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
  }

  // The events of the run that were logged without a registration (the Application log).
  static std::vector<c_eventRecord> m_loggedEvents(unsigned id) {
    std::vector<c_eventRecord> found;
    c_eventLogReader reader;
    if (!reader.m_openLog("Application")) return found;
    c_eventRecord record;
    while (reader.m_next(record))
      if (record.eventId == id) found.push_back(record);
    return found;
  }

  c_tempHome home_;
  std::string workDir_ = home_.m_pathOf("work");
};
