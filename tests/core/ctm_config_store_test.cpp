// The store: start-up with its ".bak" restore, reading both files, duplicates,
// the index table, the re-read and the rewrite of the system file.
#include <filesystem>

#include "tests/core/config_fixture.h"
#include "tests/support/c_failingfileops.h"

namespace {

using Arguments = std::vector<std::vector<std::string>>;

const std::string systemFile = c_tempHome::m_systemFileName("TM32");
const std::string backupFile = systemFile + ".bak";
const std::string newFile = systemFile + ".new";

class StoreTest : public ConfigFixture {
 protected:
  void m_writeTypicalFiles() {
    home_.m_writeConfig({c_parameterLine("P", "MT00_Interval", "100", "I", "30", "5", "3600"),
                         c_parameterLine("P", "Shared_Name", "101", "S", "shared")});
    home_.m_writeSystem("TM32", {c_parameterLine("P", "TM__Port", "1", "I", "4711", "1024", "65535"),
                                 c_parameterLine("S", "InterfaceTC_Status", "300", "B", "1"),
                                 c_parameterLine("T", "TC_ResponseTime", "400", "L", "0")});
  }
  std::string m_path(const std::string& relative) const { return home_.m_pathOf(relative); }
  int m_integer(const std::string& name) {
    int value = 0;
    EXPECT_TRUE(CTM_config::m_getInteger(name, value)) << name;
    return value;
  }
};

// --- start-up -------------------------------------------------------------------

TEST_F(StoreTest, StartUpReadsBothFilesAndReportsEachStep) {
  m_writeTypicalFiles();
  ASSERT_TRUE(m_start());
  EXPECT_TRUE(CTM_config::m_isInitialised());
  EXPECT_EQ(CTM_config::m_getHomePath(), home_.m_path());
  EXPECT_EQ(m_ids(), (std::vector<unsigned>{ev::CFG_FILE_PRESENT, ev::CFG_FILE_PRESENT, ev::CFG_READING,
                                            ev::CFG_HEADER_SKIPPED, ev::CFG_READING_SYSTEM, ev::CFG_ENTRIES_READ,
                                            ev::CFG_ENTRIES_READ, ev::CFG_INDEX_RANGES, ev::CFG_INDEX_RANGE,
                                            ev::CFG_INDEX_RANGE, ev::CFG_INDEX_RANGE, ev::CFG_INDEX_RANGE,
                                            ev::CFG_INDEX_RANGE}));
  const std::string config = m_path(c_tempHome::configFileName);
  EXPECT_EQ(m_argumentsOf(ev::CFG_FILE_PRESENT), (Arguments{{"Config", config}, {"System", m_path(systemFile)}}));
  EXPECT_EQ(m_argumentsOf(ev::CFG_HEADER_SKIPPED), (Arguments{{"2"}}));
  EXPECT_EQ(m_argumentsOf(ev::CFG_ENTRIES_READ), (Arguments{{"2", "config"}, {"3", "system"}}));
  EXPECT_EQ(m_argumentsOf(ev::CFG_INDEX_RANGE), (Arguments{{"BOOL    : ", "300", "300"},
                                                          {"INTEGER : ", "1", "100"},
                                                          {"LONG    : ", "400", "400"},
                                                          {"REAL    : ", "10000", "-1"},
                                                          {"STRING  : ", "101", "101"}}));
  EXPECT_EQ(m_integer("TM__Port"), 4711);
  EXPECT_EQ(m_integer("MT00_Interval"), 30);
}

TEST_F(StoreTest, StartUpFailsWithoutHome) {
  m_writeTypicalFiles();
  for (const char* value : {static_cast<const char*>(nullptr), ""}) {
    if (value)
      ::setenv("TM_HOME", value, 1);
    else
      ::unsetenv("TM_HOME");
    events_.m_clear();
    EXPECT_FALSE(m_start());
    ASSERT_EQ(m_ids(), (std::vector<unsigned>{ev::CFG_TM_HOME_NOT_SET}));
    EXPECT_EQ(events_.m_eventsWithId(ev::CFG_TM_HOME_NOT_SET)[0].type, typeOf(1));
  }
  EXPECT_FALSE(CTM_config::m_isInitialised());
}

TEST_F(StoreTest, MissingConfigFileFailsAfterCheckingTheSystemFile) {
  home_.m_writeSystem("TM32", {c_parameterLine("P", "A", "1", "I", "1")});
  EXPECT_FALSE(m_start());
  EXPECT_FALSE(CTM_config::m_isInitialised());
  ASSERT_EQ(m_argumentsOf(ev::CFG_FILE_MISSING), (Arguments{{"Config", m_path(c_tempHome::configFileName)}}));
  EXPECT_EQ(events_.m_eventsWithId(ev::CFG_FILE_MISSING)[0].type, typeOf(1));
  EXPECT_EQ(m_argumentsOf(ev::CFG_FILE_PRESENT), (Arguments{{"System", m_path(systemFile)}}));
  int value = 0;
  EXPECT_FALSE(CTM_config::m_getInteger("A", value));
}

TEST_F(StoreTest, MissingSystemFileIsRestoredFromBackup) {
  m_writeTypicalFiles();
  std::filesystem::rename(m_path(systemFile), m_path(backupFile));
  ASSERT_TRUE(m_start());
  EXPECT_TRUE(home_.m_exists(systemFile));
  EXPECT_FALSE(home_.m_exists(backupFile));
  auto missing = events_.m_eventsWithId(ev::CFG_FILE_MISSING);
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_EQ(missing[0].type, typeOf(2));
  EXPECT_EQ(missing[0].strings, (std::vector<std::string>{"System", m_path(systemFile)}));
  EXPECT_EQ(m_argumentsOf(ev::CFG_FILE_PRESENT).back(), (std::vector<std::string>{"System", m_path(backupFile)}));
  EXPECT_EQ(m_integer("TM__Port"), 4711);
}

TEST_F(StoreTest, MissingSystemFileAndBackupFail) {
  home_.m_writeConfig({c_parameterLine("P", "A", "1", "I", "1")});
  EXPECT_FALSE(m_start());
  auto missing = events_.m_eventsWithId(ev::CFG_FILE_MISSING);
  ASSERT_EQ(missing.size(), 2u);
  EXPECT_EQ(missing[0].type, typeOf(2));
  EXPECT_EQ(missing[1].type, typeOf(1));
  EXPECT_EQ(missing[1].strings, (std::vector<std::string>{"System", m_path(backupFile)}));
}

TEST_F(StoreTest, FailedBackupRestoreFailsAndRetriesOnTheNextStart) {
  m_writeTypicalFiles();
  std::filesystem::rename(m_path(systemFile), m_path(backupFile));
  {
    c_failingFileOps files;
    files.m_failNth(c_failingFileOps::c_step::rename, 1);
    EXPECT_FALSE(m_start());
  }
  EXPECT_EQ(m_argumentsOf(ev::CFG_RENAME_FAILED), (Arguments{{m_path(backupFile), m_path(systemFile)}}));
  EXPECT_FALSE(CTM_config::m_isInitialised());
  EXPECT_TRUE(m_start());
}

TEST_F(StoreTest, SecondStartUpChangesNothing) {
  m_writeTypicalFiles();
  ASSERT_TRUE(m_start());
  events_.m_clear();
  home_.m_writeSystem("TM33", {c_parameterLine("P", "Other", "2", "I", "1")});
  EXPECT_TRUE(m_start("TM33"));
  EXPECT_TRUE(m_ids().empty());
  EXPECT_EQ(CTM_config::m_getEntry("Other", 0), nullptr);
  EXPECT_EQ(m_integer("TM__Port"), 4711);
}

TEST_F(StoreTest, UnreadableSystemFileFailsTheStart) {
  home_.m_writeConfig({});
  std::filesystem::create_directory(m_path(systemFile));
  EXPECT_FALSE(m_start());
  EXPECT_EQ(m_argumentsOf(ev::CFG_SYSTEM_FILE_NOT_OPENED), (Arguments{{m_path(systemFile)}}));
}

TEST_F(StoreTest, UnreadableConfigFileFailsTheStart) {
  std::filesystem::create_directory(m_path(c_tempHome::configFileName));
  home_.m_writeSystem("TM32", {});
  EXPECT_FALSE(m_start());
  EXPECT_EQ(m_argumentsOf(ev::CFG_FILE_NOT_OPENED),
            (Arguments{{"CTM_config::m_readParameterFile", m_path(c_tempHome::configFileName)}}));
}

// --- reading ----------------------------------------------------------------------

TEST_F(StoreTest, HeaderLinesAreNeverParsed) {
  home_.m_writeFile(c_tempHome::configFileName, c_parameterLine("P", "HeaderOne", "1", "I", "1") + "\r\n\r\n" +
                                                     c_parameterLine("P", "Body", "2", "I", "2") + "\r\n");
  home_.m_writeSystem("TM32", {c_parameterLine("P", "FirstSystemLine", "3", "I", "3")});
  ASSERT_TRUE(m_start());
  EXPECT_EQ(CTM_config::m_getEntry("HeaderOne", 0), nullptr);
  EXPECT_EQ(events_.m_count(ev::CFG_EMPTY_LINE), 0u);
  EXPECT_EQ(m_integer("Body"), 2);
  EXPECT_EQ(m_integer("FirstSystemLine"), 3);
}

TEST_F(StoreTest, RefusedLineCostsOnlyThatLine) {
  home_.m_writeConfig({c_parameterLine("P", "Before", "1", "I", "1"), "", "garbage",
                       c_parameterLine("Q", "BadKind", "2", "I", "2"), c_parameterLine("P", "After", "3", "I", "3")});
  home_.m_writeSystem("TM32", {});
  ASSERT_TRUE(m_start());
  EXPECT_EQ(m_argumentsOf(ev::CFG_EMPTY_LINE), (Arguments{{"4"}}));
  EXPECT_EQ(m_argumentsOf(ev::CFG_UNKNOWN_KIND), (Arguments{{"5"}, {"6"}}));
  EXPECT_EQ(m_argumentsOf(ev::CFG_ENTRIES_READ)[0], (std::vector<std::string>{"2", "config"}));
  EXPECT_EQ(m_integer("After"), 3);
}

TEST_F(StoreTest, DuplicatesByNameAndIndexAreRefusedFirstWins) {
  home_.m_writeConfig({c_parameterLine("P", "Shared", "10", "I", "1"), c_parameterLine("P", "NoIndexA", "", "I", "1"),
                       c_parameterLine("P", "NoIndexB", "", "I", "2")});
  home_.m_writeSystem("TM32", {c_parameterLine("P", "Own", "11", "I", "5"), c_parameterLine("P", "Shared", "12", "I", "2"),
                               c_parameterLine("P", "SameIndex", "10", "I", "3"),
                               c_parameterLine("P", "HighIndex", "12000", "I", "4"),
                               c_parameterLine("P", "HighTwin", "12000", "I", "5")});
  ASSERT_TRUE(m_start());
  ASSERT_EQ(m_argumentsOf(ev::CFG_DUPLICATE),
            (Arguments{{"2", "Name", "Shared"}, {"3", "Index", "10"}, {"5", "Index", "12000"}}));
  EXPECT_EQ(events_.m_eventsWithId(ev::CFG_DUPLICATE)[0].type, typeOf(1));
  EXPECT_EQ(m_integer("Shared"), 1);
  EXPECT_EQ(m_integer("NoIndexB"), 2);
  EXPECT_EQ(CTM_config::m_getEntry("SameIndex", 0), nullptr);
  EXPECT_EQ(m_argumentsOf(ev::CFG_ENTRIES_READ)[1], (std::vector<std::string>{"2", "system"}));
}

TEST_F(StoreTest, HighIndexIsFoundBySearchAndCountsInNoRange) {
  home_.m_writeConfig({});
  home_.m_writeSystem("TM32", {c_parameterLine("P", "High", "12000", "I", "4")});
  ASSERT_TRUE(m_start());
  EXPECT_EQ(m_argumentsOf(ev::CFG_INDEX_RANGE)[1], (std::vector<std::string>{"INTEGER : ", "10000", "-1"}));
  int value = 0;
  EXPECT_EQ(CTM_config::m_getIntegerByIndex(12000, value, 0), 1);
  EXPECT_EQ(value, 4);
}

TEST_F(StoreTest, LongLineIsOneEntryNeverTwo) {
  const std::string longText(3000, 'x');
  home_.m_writeConfig({"P\tLong\t1\tS\t" + longText + "\t\t\t\t\t\t\t\t" + longText,
                       c_parameterLine("P", "Next", "2", "I", "2")});
  home_.m_writeSystem("TM32", {});
  ASSERT_TRUE(m_start());
  std::string value;
  EXPECT_TRUE(CTM_config::m_getString("Long", value));
  EXPECT_EQ(value, longText);
  EXPECT_EQ(m_argumentsOf(ev::CFG_ENTRIES_READ)[0], (std::vector<std::string>{"2", "config"}));
  EXPECT_EQ(events_.m_count(ev::CFG_UNKNOWN_KIND) + events_.m_count(ev::CFG_TOO_MANY_COLUMNS), 0u);
}

TEST_F(StoreTest, LineFeedAloneEndsALine) {
  home_.m_writeFile(c_tempHome::configFileName, "h1\nh2\n" + c_parameterLine("P", "A", "1", "I", "1") + "\n" +
                                                     c_parameterLine("P", "B", "2", "I", "2"));
  home_.m_writeSystem("TM32", {});
  ASSERT_TRUE(m_start());
  EXPECT_EQ(m_integer("A"), 1);
  EXPECT_EQ(m_integer("B"), 2);
}

TEST_F(StoreTest, SampleInstallationReadsWithoutComplaint) {
  for (const char* file : {c_tempHome::configFileName, "run/cfg/tm_system_parameter-TM32.txt"})
    std::filesystem::copy_file(std::string(TM_SOURCE_DIR) + "/examples/plant/" + file, m_path(file),
                               std::filesystem::copy_options::overwrite_existing);
  ASSERT_TRUE(m_start());
  for (const CTM_loggedEvent& event : events_.m_events()) {
    if (event.id == ev::LOG_UNREGISTERED_THREAD) continue;
    EXPECT_GE(event.type, typeOf(3)) << std::hex << event.id;
  }
  std::string host;
  EXPECT_TRUE(CTM_config::m_getString("OC__Hostname1", host));
  bool restart = true;
  EXPECT_EQ(CTM_config::m_getBoolByIndex(200, restart, CTM_config_entry::kindCommand), 1);
  EXPECT_FALSE(restart);
  std::string sample = *home_.m_readFile("run/cfg/tm_system_parameter-TM32.txt");
  for (std::size_t start = 0, end; (end = sample.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = sample.substr(start, end - start);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 12) << line;
    EXPECT_EQ(line.back(), '\r');
  }
}

// --- re-reading -----------------------------------------------------------------

TEST_F(StoreTest, ReloadCopiesIntoEntriesOfTheConfigFileOnly) {
  home_.m_writeConfig({c_parameterLine("P", "Interval", "1", "I", "30"), c_parameterLine("P", "Mode", "2", "S", "a")});
  home_.m_writeSystem("TM32", {c_parameterLine("P", "Port", "3", "I", "4711")});
  ASSERT_TRUE(m_start());
  home_.m_writeConfig({c_parameterLine("P", "Interval", "9", "I", "45"), c_parameterLine("P", "Mode", "2", "I", "7"),
                       c_parameterLine("P", "Port", "3", "I", "1"), c_parameterLine("P", "Unknown", "4", "I", "1")});
  events_.m_clear();
  ASSERT_TRUE(CTM_config::m_reloadConfigParameterFile());

  EXPECT_EQ(m_integer("Interval"), 45);
  EXPECT_EQ(CTM_config::m_getEntry("Interval", 0)->m_getIndex(), 1);
  std::string mode;
  EXPECT_TRUE(CTM_config::m_getString("Mode", mode));
  EXPECT_EQ(mode, "a");
  EXPECT_EQ(m_integer("Port"), 4711);
  EXPECT_EQ(CTM_config::m_getEntry("Unknown", 0), nullptr);
  const std::string config = m_path(c_tempHome::configFileName);
  EXPECT_EQ(m_argumentsOf(ev::CFG_RELOAD_NO_ENTRY), (Arguments{{config}, {config}, {config}}));
  EXPECT_EQ(m_argumentsOf(ev::CFG_READING), (Arguments{{"CTM_config::m_reloadConfigParameterFile", config}}));
  EXPECT_EQ(m_argumentsOf(ev::CFG_HEADER_SKIPPED), (Arguments{{"CTM_config::m_reloadConfigParameterFile", "2"}}));
  EXPECT_EQ(events_.m_count(ev::CFG_DUPLICATE), 0u);
}

TEST_F(StoreTest, ReloadNeedsAStartedStoreAndItsFile) {
  m_writeTypicalFiles();
  EXPECT_FALSE(CTM_config::m_reloadConfigParameterFile());
  ASSERT_TRUE(m_start());
  std::filesystem::remove(m_path(c_tempHome::configFileName));
  EXPECT_FALSE(CTM_config::m_reloadConfigParameterFile());
  EXPECT_EQ(m_argumentsOf(ev::CFG_FILE_NOT_OPENED),
            (Arguments{{"CTM_config::m_reloadConfigParameterFile", m_path(c_tempHome::configFileName)}}));
}

// --- rewriting ------------------------------------------------------------------

TEST_F(StoreTest, RewriteWritesEverySystemEntryAndKeepsThePreviousFile) {
  m_writeTypicalFiles();
  const std::string before = *home_.m_readFile(systemFile);
  ASSERT_TRUE(m_start());
  ASSERT_TRUE(CTM_config::m_setInteger("TM__Port", 5000));

  EXPECT_EQ(*home_.m_readFile(backupFile), before);
  EXPECT_FALSE(home_.m_exists(newFile));
  EXPECT_EQ(*home_.m_readFile(systemFile), c_parameterLine("P", "TM__Port", "1", "I", "5000", "1024", "65535") +
                                               "\r\n" + c_parameterLine("S", "InterfaceTC_Status", "300", "B", "1") +
                                               "\r\n" + c_parameterLine("T", "TC_ResponseTime", "400", "L", "0") +
                                               "\r\n");
  EXPECT_EQ(m_argumentsOf(ev::CFG_WRITING_NEW), (Arguments{{m_path(newFile)}}));
}

TEST_F(StoreTest, RewrittenFileReadsBackToTheSameValues) {
  home_.m_writeConfig({});
  home_.m_writeSystem("TM32", {c_parameterLine("P", "Ratio", "1", "R", "0.1"), c_parameterLine("P", "Big", "2", "L", "0"),
                               c_parameterLine("P", "Name", "3", "S", "x")});
  ASSERT_TRUE(m_start());
  ASSERT_TRUE(CTM_config::m_setReal("Ratio", 1.0 / 3));
  ASSERT_TRUE(CTM_config::m_setLong("Big", 8'000'000'000L));
  ASSERT_TRUE(CTM_config::m_setString("Name", "TM 32"));
  CTM_config::m_resetForTest();
  ASSERT_TRUE(m_start());
  double ratio = 0;
  long big = 0;
  std::string name;
  EXPECT_TRUE(CTM_config::m_getReal("Ratio", ratio));
  EXPECT_TRUE(CTM_config::m_getLong("Big", big));
  EXPECT_TRUE(CTM_config::m_getString("Name", name));
  EXPECT_EQ(ratio, 1.0 / 3);
  EXPECT_EQ(big, 8'000'000'000L);
  EXPECT_EQ(name, "TM 32");
}

struct FailureCase {
  const char* what;
  c_failingFileOps::c_step step;
  int n;
  unsigned event;  // 0: none
  friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.what; }
};

class RewriteFailureTest : public StoreTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RewriteFailureTest, FailedStepKeepsThePreviousFileAndTheNextRewriteWorks) {
  m_writeTypicalFiles();
  const std::string before = *home_.m_readFile(systemFile);
  ASSERT_TRUE(m_start());
  {
    c_failingFileOps files;
    files.m_failNth(GetParam().step, GetParam().n);
    EXPECT_FALSE(CTM_config::m_setInteger("TM__Port", 5000));
    EXPECT_EQ(home_.m_readFile(systemFile), before);
    EXPECT_FALSE(home_.m_exists(newFile));
    EXPECT_EQ(m_integer("TM__Port"), 5000);
    if (GetParam().event != 0) {
      EXPECT_EQ(events_.m_count(GetParam().event), 1u);
    }
    EXPECT_EQ(CTM_config::m_setIntegerByIndex(1, 5001, CTM_config_entry::kindParameter), 1);
  }
  EXPECT_NE(home_.m_readFile(systemFile)->find("\t5001\t"), std::string::npos);
  EXPECT_EQ(home_.m_readFile(backupFile), before);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, RewriteFailureTest,
    ::testing::Values(FailureCase{"Open", c_failingFileOps::c_step::open, 1, ev::CFG_WRITE_FAILED},
                      FailureCase{"FirstWrite", c_failingFileOps::c_step::write, 1, ev::CFG_WRITE_FAILED},
                      FailureCase{"LastWrite", c_failingFileOps::c_step::write, 3, ev::CFG_WRITE_FAILED},
                      FailureCase{"Sync", c_failingFileOps::c_step::sync, 1, ev::CFG_WRITE_FAILED},
                      FailureCase{"Close", c_failingFileOps::c_step::close, 1, ev::CFG_WRITE_FAILED},
                      FailureCase{"RenameToBackup", c_failingFileOps::c_step::rename, 1, ev::CFG_RENAME_FAILED},
                      FailureCase{"RenameToSystem", c_failingFileOps::c_step::rename, 2, ev::CFG_RENAME_FAILED}),
    [](const auto& info) { return std::string(info.param.what); });

// A process that dies at any step of a rewrite leaves the previous or the new
// content, under the system name or as ".bak", which the next start-up finds.
TEST_F(StoreTest, CrashAtAnyStepOfTheRewriteLosesNothing) {
  m_writeTypicalFiles();
  const std::string before = *home_.m_readFile(systemFile);
  int callsOfAWholeRewrite = 0;
  {
    ASSERT_TRUE(m_start());
    c_failingFileOps counting;
    ASSERT_TRUE(CTM_config::m_setInteger("TM__Port", 5000));
    callsOfAWholeRewrite = counting.m_calls();
  }
  const std::string after = *home_.m_readFile(systemFile);
  ASSERT_GT(callsOfAWholeRewrite, 6);

  for (int crash = 1; crash <= callsOfAWholeRewrite; ++crash) {
    SCOPED_TRACE("crash at call " + std::to_string(crash));
    std::filesystem::remove(m_path(backupFile));
    home_.m_writeFile(systemFile, before);
    CTM_config::m_resetForTest();
    ASSERT_TRUE(m_start());
    {
      c_failingFileOps files;
      files.m_crashAt(crash);
      CTM_config::m_setInteger("TM__Port", 5000);
    }
    auto current = home_.m_readFile(systemFile);
    auto backup = home_.m_readFile(backupFile);
    if (current)
      EXPECT_TRUE(*current == before || *current == after);
    else
      EXPECT_TRUE(backup && (*backup == before || *backup == after));

    CTM_config::m_resetForTest();
    ASSERT_TRUE(m_start());
    int port = m_integer("TM__Port");
    EXPECT_TRUE(port == 4711 || port == 5000) << port;
  }
}

}  // namespace
