#pragma once
// A temporary installation for the routing tests: the tracking fixture (TM_HOME,
// TM32's configuration, events recorded, the clock fixed), a default
// transport specification file written by the test, and lines of that file made
// from the columns a test cares about.

#include <map>
#include <string>
#include <vector>

#include "tests/tracking/tracking_fixture.h"
#include "tracking/ctm_default_transspec.h"

class CTM_routingTest : public CTM_trackingTest {
 protected:
  static constexpr const char* defaultFile = "run/cfg/tm_default_transspec.txt";
  // A validity around the fixed day: 2024-01-01 00:00:00 to 2037-12-31 23:59:59 UTC.
  static constexpr const char* longValidity = "2024010100000020371231235959";

  void SetUp() override {
    CTM_trackingTest::SetUp();
    CTM_default_transSpec::m_resetForTest();
  }
  void TearDown() override {
    CTM_default_transSpec::m_resetForTest();
    CTM_trackingTest::TearDown();
  }

  // One data line: the segment, id, priority and destinations given, every other
  // column empty unless set, and a validity that covers the fixed day.
  static std::string specLine(const std::string& segment, const std::string& id, int priority,
                              const std::string& destinations, std::map<int, std::string> columns = {},
                              std::size_t columnCount = 46) {
    std::vector<std::string> text(columnCount);
    const std::map<int, std::string> defaults = {{0, "default"}, {2, segment}, {3, id},
                                                 {4, std::to_string(priority)}, {5, "1"},
                                                 {44, destinations}, {45, longValidity}};
    for (const auto& [column, value] : defaults)
      if (static_cast<std::size_t>(column) < columnCount) text[column] = value;
    for (const auto& [column, value] : columns)
      if (static_cast<std::size_t>(column) < columnCount) text[column] = value;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) line += (i ? "\t" : "") + text[i];
    return line;
  }

  // The default file: two heading lines, then these lines, each ended as given.
  void writeDefaultFile(const std::vector<std::string>& lines, const std::string& end = "\n") const {
    std::string text = "Default transport specifications" + end + "Name\tComment\tSegment\tId" + end;
    for (const std::string& line : lines) text += line + end;
    installation_->m_writeFile(defaultFile, text);
  }

  // Starts the configuration anew with these typed parameters (type letter, name, value).
  void useTypedParameters(const std::vector<std::vector<std::string>>& parameters) {
    std::vector<std::string> lines;
    for (const std::vector<std::string>& p : parameters) lines.push_back(c_parameterLine("P", p[1], "", p[0], p[2]));
    installation_->m_writeConfig(lines);
    installation_->m_writeSystem("TM32", {});
    CTM_config::m_resetForTest();
    ASSERT_TRUE(CTM_config::m_init("TM32"));
    recorder_.m_clear();
  }

  std::vector<std::string> argumentsOf(unsigned id) const {
    std::vector<std::string> all;
    for (const CTM_loggedEvent& event : recorder_.m_eventsWithId(id))
      for (const std::string& argument : event.strings) all.push_back(argument);
    return all;
  }
};
