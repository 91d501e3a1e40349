#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "platform/c_eventlog.h"
#include "platform/c_eventlogreader.h"
#include "platform/c_registry.h"
#include "tests/support/c_temphome.h"

namespace {

constexpr int threadsPerProcess = 4;
constexpr int recordsPerThread = 300;
constexpr int totalRecords = 2 * threadsPerProcess * recordsPerThread;

// Each writer thread writes its own numbered sequence under a source of its own.
void writeSequence(const std::string& writer) {
  c_eventSource source(writer);
  for (int i = 0; i < recordsPerThread; ++i)
    if (!source.m_report(4, 1, 0xC00003E8u, {writer, std::to_string(i)})) return;
}

void runWriters(const std::string& process) {
  std::vector<std::thread> threads;
  for (int t = 0; t < threadsPerProcess; ++t) threads.emplace_back(writeSequence, process + "-" + std::to_string(t));
  for (auto& thread : threads) thread.join();
}

class CEventLogWriters : public ::testing::TestWithParam<std::uint32_t> {
 protected:
  void SetUp() override {
    const std::string key = std::string(c_eventLog::registryRoot) + "\\Application";
    ASSERT_TRUE(c_registry::m_createKey(key));
    ASSERT_TRUE(c_registry::m_setValue(key, "MaxSize", c_registryValue::m_dword(GetParam())));
  }

  c_tempHome home_;
};

// Two processes of four threads write one log while a reader follows it. The
// reader sees every record that is still in the log once, numbered without a gap
// and, per writer, in the order written; when the log rolls over faster than the
// reader looks, what it misses is only what the rollovers have dropped.
TEST_P(CEventLogWriters, LoseNoRecordAndNeverInterleave) {
  const bool rollsOver = GetParam() < 1024 * 1024;
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    runWriters("child");
    ::_exit(0);
  }
  std::thread writers(runWriters, "parent");

  std::string path;
  ASSERT_TRUE(c_eventLog::m_storePath("Application", path));
  c_eventLogReader reader;
  ASSERT_TRUE(reader.m_openStore(path));
  std::map<std::string, int> nextOfWriter;
  std::uint32_t lastNumber = 0;
  int seen = 0;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  c_eventRecord record;
  while (lastNumber < static_cast<std::uint32_t>(totalRecords) && std::chrono::steady_clock::now() < giveUp) {
    if (!reader.m_next(record)) {
      std::this_thread::yield();
      continue;
    }
    // A failed check ends the reading; the writers are still joined below.
    bool fits = record.strings.size() == 2 && record.strings[0] == record.source && record.number > lastNumber &&
                (rollsOver || record.number == lastNumber + 1);
    EXPECT_TRUE(fits) << "record " << record.number << " after " << lastNumber;
    if (!fits) break;
    lastNumber = record.number;
    const int sequence = std::stoi(record.strings[1]);
    auto [entry, first] = nextOfWriter.try_emplace(record.source, 0);
    fits = rollsOver ? sequence >= entry->second : sequence == entry->second;
    EXPECT_TRUE(fits) << record.source << " wrote " << sequence << " where " << entry->second << " was due";
    if (!fits) break;
    entry->second = sequence + 1;
    ++seen;
  }
  writers.join();
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(lastNumber, static_cast<std::uint32_t>(totalRecords));
  if (!rollsOver) {
    EXPECT_EQ(seen, totalRecords);
    EXPECT_EQ(nextOfWriter.size(), 2u * threadsPerProcess);
    for (const auto& [writer, next] : nextOfWriter) EXPECT_EQ(next, recordsPerThread) << writer;
  }
  // Afterwards the log holds an unbroken run of numbers ending at the last one.
  c_eventLogReader after;
  ASSERT_TRUE(after.m_openStore(path));
  std::uint32_t oldest = 0, newest = 0;
  ASSERT_TRUE(after.m_range(oldest, newest));
  EXPECT_EQ(newest, static_cast<std::uint32_t>(totalRecords));
  std::uint32_t expected = oldest;
  while (after.m_next(record)) EXPECT_EQ(record.number, expected++);
  EXPECT_EQ(expected, newest + 1);
}

INSTANTIATE_TEST_SUITE_P(MaximumSizes, CEventLogWriters, ::testing::Values(64u << 20, 96u << 10));

}  // namespace
