// The event-message table against the code: every event the code names has a
// row, no logging call gives more strings than its row, no code uses a bare
// event number, and no text asks for more insertion strings than its event has.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>

#include "tm_events.h"

namespace {

struct SourceFile {
  std::string path;
  std::string text;
};

std::vector<SourceFile> codeFiles() {
  std::vector<SourceFile> files;
  for (const char* folder : {"platform", "core", "telegrams", "topology", "tracking", "links", "tm", "tools"}) {
    const std::filesystem::path root = std::filesystem::path(TM_SOURCE_DIR) / folder;
    if (!std::filesystem::is_directory(root)) continue;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      const auto extension = entry.path().extension();
      if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      files.push_back({entry.path().string(), std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>())});
    }
  }
  return files;
}

std::map<std::string, const ev::c_eventInfo*> eventsByName() {
  std::map<std::string, const ev::c_eventInfo*> events;
  for (const ev::c_eventInfo& event : ev::allEvents) events[event.name] = &event;
  return events;
}

int highestInsertion(const std::string& text) {
  int highest = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (text[i + 1] == '%' || text[i + 1] == 'n') {
      ++i;
      continue;
    }
    int value = 0;
    std::size_t j = i + 1;
    while (j < text.size() && j < i + 3 && text[j] >= '0' && text[j] <= '9') value = value * 10 + (text[j++] - '0');
    highest = std::max(highest, value);
  }
  return highest;
}

TEST(EventTable, EveryEventNamedInTheCodeHasARow) {
  const auto events = eventsByName();
  const std::regex use(R"(\bev::([A-Z][A-Z0-9_]*))");
  int uses = 0;
  for (const SourceFile& file : codeFiles())
    for (std::sregex_iterator it(file.text.begin(), file.text.end(), use), end; it != end; ++it, ++uses)
      EXPECT_EQ(events.count((*it)[1]), 1u) << file.path << " names ev::" << (*it)[1] << ", which has no row";
  EXPECT_GT(uses, 0);
}

// An event may be raised with fewer strings at some call sites (the row holds
// the most any call gives), never with more than its row declares.
TEST(EventTable, NoLoggingCallGivesMoreStringsThanItsRow) {
  const auto events = eventsByName();
  const std::regex call(R"(m_log\s*\(\s*[^,;]+,\s*ev::([A-Z][A-Z0-9_]*)\s*,\s*"([^"]*)\")");
  int calls = 0;
  for (const SourceFile& file : codeFiles())
    for (std::sregex_iterator it(file.text.begin(), file.text.end(), call), end; it != end; ++it, ++calls) {
      const auto found = events.find((*it)[1]);
      if (found != events.end()) {
        EXPECT_LE((*it)[2].length(), std::string(found->second->argTypes).size()) << file.path << ": ev::" << (*it)[1];
      }
    }
  EXPECT_GT(calls, 0);
}

TEST(EventTable, NoCodeUsesABareEventNumber) {
  const std::regex number(R"(\b0[xX][cC]000[0-9A-Fa-f]{4}\b)");
  for (const SourceFile& file : codeFiles()) {
    std::smatch match;
    EXPECT_FALSE(std::regex_search(file.text, match, number)) << file.path << " uses " << match.str();
  }
}

TEST(EventTable, NoTextAsksForMoreStringsThanItsEventHas) {
  for (const ev::c_eventInfo& event : ev::allEvents) {
    EXPECT_LE(highestInsertion(event.text), static_cast<int>(std::string(event.argTypes).size())) << event.name;
    EXPECT_EQ(event.id & 0xFFFF0000u, 0xC0000000u) << event.name;
  }
}

}  // namespace
