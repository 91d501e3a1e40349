#pragma once
// A temporary installation for ostrel as a program: a registered log whose store
// lies below TM_HOME, records written into it as a TM would, and a copy of ostrel
// beside a message file of known texts.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/c_eventlog.h"
#include "platform/c_eventrecord.h"
#include "platform/c_eventstore.h"
#include "platform/c_registry.h"
#include "tests/support/c_childprocess.h"
#include "tests/support/c_temphome.h"
#include "tests/tools/tool_process.h"

namespace ostrel_test {

// Texts as the build writes the message file: escaped, ending in CR LF.
inline const char* const catalogue =
    "# texts of the tests\n"
    "C\t1\tGeneral events\\r\\n\n"
    "C\t2\tTelegram texts\\r\\n\n"
    "M\tC00003E8\t%1\\r\\n\n"
    "M\tC0000001\tStarted %1 with %2.\\r\\n\n"
    "M\tC0000002\tNeeds three: %1, %2, %3.\\r\\n\n"
    "M\tC0000003\t100%% of %1\\r\\n\n"
    "M\tC0000004\t%20\\r\\n\n";

constexpr std::uint32_t started = 0xC0000001;     // "Started %1 with %2."
constexpr std::uint32_t needsThree = 0xC0000002;  // "Needs three: %1, %2, %3."
constexpr std::uint32_t percent = 0xC0000003;     // "100%% of %1"
constexpr std::uint32_t twentieth = 0xC0000004;   // "%20"
constexpr std::uint32_t telegram = 0xC00003E8;    // "%1"
constexpr std::uint32_t withoutText = 0xC0000999;

// 2002-01-01 00:00:00 UTC.
constexpr std::int64_t newYear2002 = 1009843200;

inline c_eventRecord record(std::int64_t time, std::uint32_t id, int type, int category, std::string source,
                            std::vector<std::string> strings) {
  c_eventRecord made;
  made.timeGenerated = time;
  made.eventId = id;
  made.type = type;
  made.category = category;
  made.source = std::move(source);
  made.strings = std::move(strings);
  return made;
}

class OstrelFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    // Apart from the installation's run/bin, which is where ostrel looks second.
    bin_ = home_.m_pathOf("tools-bin");
    std::filesystem::create_directories(bin_);
    placeProgram(bin_ / "ostrel");
    writeFile(bin_ / "logging.dll", catalogue);
  }

  // A copy of the built ostrel (a hard link where the file system allows), so
  // that it finds the message file placed beside it.
  static void placeProgram(const std::filesystem::path& to) {
    const std::filesystem::path built = std::string(TM_BIN_DIR) + "/ostrel";
    std::error_code error;
    std::filesystem::create_hard_link(built, to, error);
    if (error) std::filesystem::copy_file(built, to);
  }
  static void writeFile(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
  }

  void registerLog(const std::string& log) const {
    const std::string key = std::string(c_eventLog::registryRoot) + "\\" + log;
    ASSERT_TRUE(c_registry::m_createKey(key));
    ASSERT_TRUE(c_registry::m_setValue(key, "File", c_registryValue::m_expandString("%TM_HOME%\\run\\log\\" + log + ".Evt")));
  }
  std::string storePath(const std::string& log) const { return home_.m_pathOf("run/log/" + log + ".Evt"); }

  // Appends as the logging does, numbering on from the store's last record.
  void append(const std::string& log, std::vector<c_eventRecord> records, std::uint64_t maxSize = 1u << 30) const {
    c_eventStore store(storePath(log), maxSize);
    for (c_eventRecord& made : records) ASSERT_TRUE(store.m_append(made));
  }
  // Records numbered first, first + 1, ... written straight into a store file
  // (the current one, or with ".old" the one a rollover left).
  void writeNumbered(const std::string& path, std::uint32_t first, std::uint32_t count) const {
    std::string content;
    for (std::uint32_t i = 0; i < count; ++i) {
      c_eventRecord made = record(newYear2002 + first + i, started, c_eventRecord::information, 1, "CORE", {std::to_string(first + i), "x"});
      made.number = first + i;
      made.timeWritten = made.timeGenerated;
      content += c_encodeEventRecord(made);
    }
    writeFile(path, content);
  }

  std::string program() const { return (bin_ / "ostrel").string(); }
  c_childResult run(const std::vector<std::string>& arguments) const { return c_runChild(program(), arguments); }

  c_tempHome home_;
  std::filesystem::path bin_;
};

// The lines that -m n prints for these record numbers.
inline std::string numberLines(const std::vector<int>& numbers) {
  std::string lines;
  for (const int number : numbers) {
    char line[32];
    std::snprintf(line, sizeof line, "%7d \n", number);
    lines += line;
  }
  return lines;
}

inline std::string numberRange(int from, int to) {
  std::vector<int> numbers;
  for (int number = from; number <= to; ++number) numbers.push_back(number);
  return numberLines(numbers);
}

}  // namespace ostrel_test
