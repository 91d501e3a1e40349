#include "platform/c_eventlog.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/c_eventlogreader.h"
#include "platform/c_eventstore.h"
#include "platform/c_registry.h"
#include "tests/support/c_temphome.h"

namespace {

c_eventRecord sampleRecord(std::uint32_t eventId, std::vector<std::string> strings) {
  c_eventRecord record;
  record.timeGenerated = 1009843200;
  record.eventId = eventId;
  record.type = c_eventRecord::information;
  record.category = 1;
  record.source = "TM32_CORE";
  record.strings = std::move(strings);
  return record;
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void appendRaw(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::app);
  out << bytes;
}

std::vector<std::uint32_t> numbersFrom(c_eventLogReader& reader) {
  std::vector<std::uint32_t> numbers;
  c_eventRecord record;
  while (reader.m_next(record)) numbers.push_back(record.number);
  return numbers;
}

std::vector<std::uint32_t> upFrom(std::uint32_t first, std::uint32_t last) {
  std::vector<std::uint32_t> numbers;
  for (std::uint32_t n = first; n <= last; ++n) numbers.push_back(n);
  return numbers;
}

TEST(CEventRecord, ReadsBackByteForByteAndStaysOneLine) {
  c_eventRecord record = sampleRecord(0xC00027DCu, {"tab\tline\nfeed\r", "back\\slash", std::string("nul\0byte", 8), "\x7F\xC3\xA9", ""});
  record.number = 42;
  record.timeWritten = 1009843201;
  record.source = "odd\tsource";
  const std::string line = c_encodeEventRecord(record);
  EXPECT_EQ(line.find('\n'), line.size() - 1);
  EXPECT_EQ(line.substr(0, 35), "42\t1009843200\t1009843201\tC00027DC\t4");
  c_eventRecord read;
  ASSERT_TRUE(c_decodeEventRecord(std::string_view(line).substr(0, line.size() - 1), read));
  EXPECT_EQ(read, record);
}

TEST(CEventRecord, TellsNoStringsFromOneEmptyString) {
  c_eventRecord none = sampleRecord(1, {});
  c_eventRecord oneEmpty = sampleRecord(1, {""});
  c_eventRecord read;
  std::string line = c_encodeEventRecord(none);
  ASSERT_TRUE(c_decodeEventRecord(std::string_view(line).substr(0, line.size() - 1), read));
  EXPECT_TRUE(read.strings.empty());
  line = c_encodeEventRecord(oneEmpty);
  ASSERT_TRUE(c_decodeEventRecord(std::string_view(line).substr(0, line.size() - 1), read));
  EXPECT_EQ(read.strings, std::vector<std::string>{""});
}

class CEventRecordRefused : public ::testing::TestWithParam<const char*> {};

TEST_P(CEventRecordRefused, IsNoRecord) {
  c_eventRecord record;
  EXPECT_FALSE(c_decodeEventRecord(GetParam(), record));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CEventRecordRefused,
    ::testing::Values("", "1", "1\t2\t3\tC0000001\t4\t1", "x\t2\t3\tC0000001\t4\t1\tS", "-1\t2\t3\tC0000001\t4\t1\tS",
                      "1\t2\t3\tC00001\t4\t1\tS", "1\t2\t3\tC000000G\t4\t1\tS", "1\t2\t3\tC0000001\t4\t1\tS\tbad\\q",
                      "1\t2\t3\tC0000001\t4\t1\tS\t\\x4", "99999999999\t2\t3\tC0000001\t4\t1\tS", "+1\t2\t3\tC0000001\t4\t1\tS"));

class CEventStore : public ::testing::Test {
 protected:
  std::filesystem::path path() const { return std::filesystem::path(home_.m_path()) / "log" / "TMBase.Evt"; }
  std::filesystem::path old() const { return std::filesystem::path(home_.m_path()) / "log" / "TMBase.Evt.old"; }
  bool append(c_eventStore& store, std::vector<std::string> strings = {"x"}) {
    c_eventRecord record = sampleRecord(0xC00003E8u, std::move(strings));
    return store.m_append(record);
  }
  std::vector<std::uint32_t> readAll() {
    c_eventLogReader reader;
    EXPECT_TRUE(reader.m_openStore(path().string()));
    return numbersFrom(reader);
  }

  c_tempHome home_;
};

TEST_F(CEventStore, NumbersRecordsPerLogAcrossWriters) {
  {
    c_eventStore first(path().string(), 1 << 20);
    c_eventRecord record = sampleRecord(1, {"a"});
    ASSERT_TRUE(first.m_append(record));
    EXPECT_EQ(record.number, 1u);
    ASSERT_TRUE(append(first));
  }
  c_eventStore second(path().string(), 1 << 20);
  c_eventRecord record = sampleRecord(1, {"b"});
  ASSERT_TRUE(second.m_append(record));
  EXPECT_EQ(record.number, 3u);
  EXPECT_EQ(readAll(), upFrom(1, 3));
}

TEST_F(CEventStore, ATornLastLineIsSkippedByReadersAndCutOffByTheNextWriter) {
  c_eventStore store(path().string(), 1 << 20);
  ASSERT_TRUE(append(store));
  ASSERT_TRUE(append(store));
  appendRaw(path(), "3\t1009843200\t1009843200\tC00003E8\t4\t1\tTM32_CO");
  EXPECT_EQ(readAll(), upFrom(1, 2));

  c_eventStore another(path().string(), 1 << 20);
  ASSERT_TRUE(append(another, {"after the tear"}));
  EXPECT_EQ(readAll(), upFrom(1, 3));
  const std::string content = readFile(path());
  EXPECT_EQ(content.find("TM32_CO\n"), std::string::npos);
  EXPECT_NE(content.find("after the tear\n"), std::string::npos);
}

TEST_F(CEventStore, AWriterNoticesRecordsOfAnotherWriterBeforeNumbering) {
  c_eventStore mine(path().string(), 1 << 20);
  c_eventStore theirs(path().string(), 1 << 20);
  ASSERT_TRUE(append(mine));
  ASSERT_TRUE(append(theirs));
  ASSERT_TRUE(append(mine));
  EXPECT_EQ(readAll(), upFrom(1, 3));
}

TEST_F(CEventStore, RollsOverAtHalfTheMaximumAndKeepsNumbering) {
  const std::string line = c_encodeEventRecord(sampleRecord(0xC00003E8u, {"x"}));
  c_eventStore store(path().string(), 10 * (line.size() + 2));
  for (int i = 0; i < 12; ++i) ASSERT_TRUE(append(store));
  ASSERT_TRUE(std::filesystem::exists(old()));
  EXPECT_LE(std::filesystem::file_size(path()), 5 * (line.size() + 2));
  EXPECT_LE(std::filesystem::file_size(old()), 5 * (line.size() + 2));
  // What the two files hold is one unbroken run ending at the newest record.
  const auto numbers = readAll();
  ASSERT_FALSE(numbers.empty());
  EXPECT_EQ(numbers, upFrom(numbers.front(), 12));
  EXPECT_GT(numbers.front(), 1u);
}

TEST_F(CEventStore, ANewFileAfterARolloverNumbersOnFromTheOldOne) {
  {
    c_eventStore store(path().string(), 1 << 20);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(append(store));
  }
  std::filesystem::rename(path(), old());
  c_eventStore store(path().string(), 1 << 20);
  c_eventRecord record = sampleRecord(1, {});
  ASSERT_TRUE(store.m_append(record));
  EXPECT_EQ(record.number, 5u);
}

TEST_F(CEventStore, FailsWhenTheStoreCannotBeMade) {
  std::filesystem::create_directories(std::filesystem::path(home_.m_path()) / "log");
  appendRaw(std::filesystem::path(home_.m_path()) / "log" / "blocker", "a file where a folder should be");
  c_eventStore store((std::filesystem::path(home_.m_path()) / "log" / "blocker" / "TMBase.Evt").string(), 1 << 20);
  EXPECT_FALSE(append(store));
}

// A full disk refuses the record; once there is room again the log goes on, and
// no half record is left for the next writer to number from.
TEST_F(CEventStore, AFullDiskRefusesTheRecordAndTheLogGoesOnWhenThereIsRoom) {
  std::filesystem::create_directories(path().parent_path());
  std::filesystem::create_symlink("/dev/full", path());
  c_eventStore store(path().string(), 1 << 20);
  EXPECT_FALSE(append(store));
  EXPECT_FALSE(append(store));

  std::filesystem::remove(path());
  c_eventRecord record = sampleRecord(1, {"after"});
  ASSERT_TRUE(store.m_append(record));
  EXPECT_EQ(record.number, 1u);
  EXPECT_EQ(readAll(), upFrom(1, 1));
}

class CEventLogReader : public CEventStore {
 protected:
  // A store of `count` records written straight to the file.
  void writeRecords(const std::filesystem::path& file, std::uint32_t first, std::uint32_t count) {
    std::filesystem::create_directories(file.parent_path());
    std::string content;
    for (std::uint32_t n = first; n < first + count; ++n) {
      c_eventRecord record = sampleRecord(0xC0000000u + n, {"record " + std::to_string(n), std::string(n % 50, 'p')});
      record.number = n;
      content += c_encodeEventRecord(record);
    }
    appendRaw(file, content);
  }
};

TEST_F(CEventLogReader, ReadsTheOldFileThenTheCurrentOne) {
  writeRecords(old(), 1, 5);
  writeRecords(path(), 6, 3);
  c_eventLogReader reader;
  ASSERT_TRUE(reader.m_openStore(path().string()));
  std::uint32_t oldest = 0, newest = 0;
  ASSERT_TRUE(reader.m_range(oldest, newest));
  EXPECT_EQ(oldest, 1u);
  EXPECT_EQ(newest, 8u);
  EXPECT_EQ(numbersFrom(reader), upFrom(1, 8));
}

TEST_F(CEventLogReader, AMissingStoreIsAnEmptyLogThatCanStillBeFollowed) {
  c_eventLogReader reader;
  ASSERT_TRUE(reader.m_openStore(path().string()));
  std::uint32_t oldest = 0, newest = 0;
  EXPECT_FALSE(reader.m_range(oldest, newest));
  c_eventRecord record;
  EXPECT_FALSE(reader.m_next(record));
  writeRecords(path(), 1, 2);
  EXPECT_EQ(numbersFrom(reader), upFrom(1, 2));
}

TEST_F(CEventLogReader, PositionsFromTheNewestEnd) {
  writeRecords(old(), 1, 4);
  writeRecords(path(), 5, 4);
  c_eventLogReader reader;
  ASSERT_TRUE(reader.m_openStore(path().string()));
  ASSERT_TRUE(reader.m_seekNewest(3));
  EXPECT_EQ(numbersFrom(reader), upFrom(6, 8));
  ASSERT_TRUE(reader.m_seekNewest(6));
  EXPECT_EQ(numbersFrom(reader), upFrom(3, 8));
  ASSERT_TRUE(reader.m_seekNewest(100));
  EXPECT_EQ(numbersFrom(reader), upFrom(1, 8));
  ASSERT_TRUE(reader.m_seekEnd());
  EXPECT_TRUE(numbersFrom(reader).empty());
}

TEST_F(CEventLogReader, FindsARecordByNumberInALargeStore) {
  writeRecords(old(), 1, 3000);
  writeRecords(path(), 3001, 3000);
  c_eventLogReader reader;
  ASSERT_TRUE(reader.m_openStore(path().string()));
  for (std::uint32_t wanted : {1u, 2u, 1499u, 3000u, 3001u, 4567u, 6000u}) {
    ASSERT_TRUE(reader.m_seekNumber(wanted));
    c_eventRecord record;
    ASSERT_TRUE(reader.m_next(record)) << wanted;
    EXPECT_EQ(record.number, wanted);
    EXPECT_EQ(record.strings[0], "record " + std::to_string(wanted));
  }
  ASSERT_TRUE(reader.m_seekNumber(6001));
  c_eventRecord record;
  EXPECT_FALSE(reader.m_next(record));
}

TEST_F(CEventLogReader, SkipsLinesThatAreNoRecord) {
  writeRecords(path(), 1, 2);
  appendRaw(path(), "garbage line\n\n\t\t\n");
  writeRecords(path(), 3, 1);
  c_eventLogReader reader;
  ASSERT_TRUE(reader.m_openStore(path().string()));
  EXPECT_EQ(numbersFrom(reader), upFrom(1, 3));
  ASSERT_TRUE(reader.m_seekNewest(2));
  EXPECT_EQ(numbersFrom(reader), upFrom(2, 3));
}

// A line longer than any record is damage, whichever way a store is read: the
// writer numbers on after the record before it, and counting from the newest end
// passes over it.
TEST_F(CEventLogReader, ALineBeyondTheLimitIsPassedOverFromTheNewestEnd) {
  writeRecords(path(), 1, 3);
  appendRaw(path(), std::string(c_storeLineLimit + 256 * 1024, 'g') + "\n");
  c_eventStore store(path().string(), std::uint64_t{1} << 30);
  c_eventRecord record = sampleRecord(1, {"after the damage"});
  ASSERT_TRUE(store.m_append(record));
  EXPECT_EQ(record.number, 4u);
  c_eventLogReader reader;
  ASSERT_TRUE(reader.m_openStore(path().string()));
  ASSERT_TRUE(reader.m_seekNewest(2));
  EXPECT_EQ(numbersFrom(reader), upFrom(3, 4));
  std::uint32_t oldest = 0, newest = 0;
  ASSERT_TRUE(reader.m_range(oldest, newest));
  EXPECT_EQ(newest, 4u);
}

TEST_F(CEventLogReader, AFollowingReaderWaitsForAWholeLine) {
  writeRecords(path(), 1, 1);
  c_eventLogReader reader;
  ASSERT_TRUE(reader.m_openStore(path().string()));
  EXPECT_EQ(numbersFrom(reader), upFrom(1, 1));
  c_eventRecord second = sampleRecord(2, {"second"});
  second.number = 2;
  const std::string line = c_encodeEventRecord(second);
  appendRaw(path(), line.substr(0, 10));
  c_eventRecord record;
  EXPECT_FALSE(reader.m_next(record));
  appendRaw(path(), line.substr(10));
  ASSERT_TRUE(reader.m_next(record));
  EXPECT_EQ(record, second);
}

TEST_F(CEventLogReader, AFollowingReaderGoesOnThroughARollover) {
  const std::string line = c_encodeEventRecord(sampleRecord(0xC00003E8u, {"x"}));
  c_eventStore store(path().string(), 8 * (line.size() + 2));
  ASSERT_TRUE(append(store));
  c_eventLogReader reader;
  ASSERT_TRUE(reader.m_openStore(path().string()));
  std::vector<std::uint32_t> seen = numbersFrom(reader);
  // Rollovers happen between looks; a look must miss nothing that is still in
  // the current file or in the one it replaced.
  for (int round = 0; round < 5; ++round) {
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(append(store));
    for (std::uint32_t n : numbersFrom(reader)) seen.push_back(n);
  }
  EXPECT_EQ(seen, upFrom(1, 16));
}

// Two rollovers between two looks: the file read so far is read to its end from
// the descriptor still open, the ".old" file it never saw is read whole, then the
// new file; each record once, in order.
TEST_F(CEventLogReader, AFollowingReaderReadsTheOldFileThatTwoRolloversLeft) {
  writeRecords(path(), 1, 3);
  c_eventLogReader reader;
  ASSERT_TRUE(reader.m_openStore(path().string()));
  EXPECT_EQ(numbersFrom(reader), upFrom(1, 3));
  writeRecords(path(), 4, 1);
  std::filesystem::rename(path(), old());
  writeRecords(path(), 5, 2);
  std::filesystem::rename(path(), old());
  writeRecords(path(), 7, 2);
  EXPECT_EQ(numbersFrom(reader), upFrom(4, 8));
  writeRecords(path(), 9, 1);
  EXPECT_EQ(numbersFrom(reader), upFrom(9, 9));
}

// A store cut back in place (emptied, or cut to its first records) and written on:
// what the writer put after the cut is read, however long the file has grown
// again by the next look, and nothing that was read before is read twice.
TEST_F(CEventLogReader, AFollowingReaderTakesUpAStoreCutBackInPlace) {
  struct Cut {
    std::uintmax_t keptRecords;
    std::uint32_t firstNew;
    std::uint32_t newCount;
  };
  for (const Cut& cut : {Cut{0, 1, 2}, Cut{0, 6, 9}, Cut{2, 3, 2}, Cut{2, 3, 8}}) {
    std::filesystem::remove(path());
    writeRecords(path(), 1, 5);
    c_eventLogReader reader;
    ASSERT_TRUE(reader.m_openStore(path().string()));
    ASSERT_EQ(numbersFrom(reader), upFrom(1, 5));
    const std::string content = readFile(path());
    std::size_t keptBytes = 0;
    for (std::uintmax_t i = 0; i < cut.keptRecords; ++i) keptBytes = content.find('\n', keptBytes) + 1;
    std::filesystem::resize_file(path(), keptBytes);
    // Other strings than the records first written, as a writer's would be.
    std::string added;
    for (std::uint32_t n = cut.firstNew; n < cut.firstNew + cut.newCount; ++n) {
      c_eventRecord record = sampleRecord(0xC0000000u + n, {"after the cut", std::string(n, 'q')});
      record.number = n;
      added += c_encodeEventRecord(record);
    }
    appendRaw(path(), added);
    EXPECT_EQ(numbersFrom(reader), upFrom(cut.firstNew, cut.firstNew + cut.newCount - 1))
        << cut.keptRecords << " kept, " << cut.newCount << " new";
  }
}

// On a damaged store a stray line that begins like a record counts for nothing,
// and numbers that run backwards are taken in file order.
TEST_F(CEventLogReader, ADamagedStoreIsSearchedInFileOrderByWholeRecords) {
  appendRaw(path(), "900\tnot a record\n");
  writeRecords(path(), 10, 3);
  writeRecords(path(), 7, 2);
  appendRaw(path(), "950\tnot a record either\n");
  c_eventLogReader reader;
  ASSERT_TRUE(reader.m_openStore(path().string()));
  std::uint32_t oldest = 0, newest = 0;
  ASSERT_TRUE(reader.m_range(oldest, newest));
  EXPECT_EQ(oldest, 10u);
  EXPECT_EQ(newest, 8u);
  ASSERT_TRUE(reader.m_seekNumber(11));
  EXPECT_EQ(numbersFrom(reader), (std::vector<std::uint32_t>{11, 12, 7, 8}));
  ASSERT_TRUE(reader.m_seekNumber(8));
  EXPECT_EQ(numbersFrom(reader), (std::vector<std::uint32_t>{10, 11, 12, 7, 8}));
  c_eventStore store(path().string(), 1 << 20);
  c_eventRecord record = sampleRecord(1, {"numbered after the last whole record"});
  ASSERT_TRUE(store.m_append(record));
  EXPECT_EQ(record.number, 9u);
}

class CEventLogRegistry : public ::testing::Test {
 protected:
  static std::string logKey(const std::string& log) { return std::string(c_eventLog::registryRoot) + "\\" + log; }
  void registerLog(const std::string& log, const std::string& file, const std::vector<std::string>& sources) {
    ASSERT_TRUE(c_registry::m_createKey(logKey(log)));
    ASSERT_TRUE(c_registry::m_setValue(logKey(log), "File", c_registryValue::m_expandString(file)));
    ASSERT_TRUE(c_registry::m_setValue(logKey(log), "MaxSize", c_registryValue::m_dword(0x20000000)));
    for (const std::string& source : sources) ASSERT_TRUE(c_registry::m_createKey(logKey(log) + "\\" + source));
  }

  c_tempHome home_;
};

TEST_F(CEventLogRegistry, ASourceWithoutARegisteredLogWritesToApplication) {
  c_eventSource source("TM32_CORE");
  EXPECT_EQ(source.m_logName(), "Application");
  ASSERT_TRUE(source.m_report(c_eventRecord::warning, 1, 0xC00027DCu, {"12"}));
  c_eventLogReader reader;
  ASSERT_TRUE(reader.m_openLog("Application"));
  c_eventRecord record;
  ASSERT_TRUE(reader.m_next(record));
  EXPECT_EQ(record.source, "TM32_CORE");
  EXPECT_EQ(record.strings, std::vector<std::string>{"12"});
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(home_.m_pathOf("state/tm")) / "eventlog" / "Application.Evt"));
}

TEST_F(CEventLogRegistry, ARegisteredSourceWritesToItsLogFileUnderTmHome) {
  registerLog("TM32_TMBase", "%TM_HOME%\\run\\log\\TM32_TMBase.Evt", {"TM32_CORE", "TM32_LHTC"});
  registerLog("TM32_TMTele", "%TM_HOME%\\run\\log\\TM32_TMTele.Evt", {"TM32_TCTM"});
  c_eventSource source("tm32_lhtc");
  EXPECT_EQ(source.m_logName(), "TM32_TMBase");
  ASSERT_TRUE(source.m_report(c_eventRecord::error, 1, 0xC0000FA0u, {"a", "b"}));
  c_eventSource telegrams("TM32_TCTM");
  ASSERT_TRUE(telegrams.m_report(c_eventRecord::auditSuccess, 0, 0xC00003E8u, {"TCTM01...\n"}));
  EXPECT_NE(readFile(std::filesystem::path(home_.m_path()) / "run/log/TM32_TMBase.Evt").find("\ttm32_lhtc\ta\tb\n"), std::string::npos);
  EXPECT_NE(readFile(std::filesystem::path(home_.m_path()) / "run/log/TM32_TMTele.Evt").find("\tTM32_TCTM\tTCTM01...\\n\n"), std::string::npos);

  c_eventLogReader reader;
  EXPECT_TRUE(reader.m_openLog("TM32_TMBase"));
  EXPECT_FALSE(reader.m_openLog("TM33_TMBase"));
  EXPECT_FALSE(reader.m_openLog("../TM32_TMBase"));
}

TEST_F(CEventLogRegistry, AnEmptyTmHomeNeverNamesAPathUnderRoot) {
  registerLog("TMBase", "%TM_HOME%\\run\\log\\TMBase.Evt", {"CORE"});
  ::setenv("TM_HOME", "", 1);
  std::string path;
  ASSERT_TRUE(c_eventLog::m_storePath("TMBase", path));
  EXPECT_EQ(path, (std::filesystem::path(home_.m_pathOf("state/tm")) / "eventlog" / "TMBase.Evt").string());
  c_eventSource source("CORE");
  EXPECT_TRUE(source.m_report(c_eventRecord::information, 1, 1, {}));
}

TEST_F(CEventLogRegistry, TheMaximumSizeComesFromTheLogKey) {
  registerLog("TMBase", "%TM_HOME%\\run\\log\\TMBase.Evt", {});
  EXPECT_EQ(c_eventLog::m_maxSize("TMBase"), 0x20000000u);
  EXPECT_EQ(c_eventLog::m_maxSize("Application"), c_eventLog::defaultMaxSize);
}

}  // namespace
