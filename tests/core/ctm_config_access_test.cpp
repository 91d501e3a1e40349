// Typed access by name and by index, the persist step, the kind filter, counting
// timings, iteration and computed entries.
#include <climits>

#include "tests/core/config_fixture.h"
#include "tests/support/c_failingfileops.h"

namespace {

using Arguments = std::vector<std::vector<std::string>>;
const std::string systemFile = c_tempHome::m_systemFileName("TM32");

class AccessTest : public ConfigFixture {
 protected:
  void SetUp() override {
    ConfigFixture::SetUp();
    home_.m_writeConfig({c_parameterLine("P", "SharedLevel", "20", "I", "3", "0", "5"),
                         c_parameterLine("S", "SharedFlag", "21", "B", "0")});
    home_.m_writeSystem("TM32", {c_parameterLine("P", "Port", "1", "I", "4711", "1024", "65535"),
                                 c_parameterLine("P", "Traces", "2", "B", "0"),
                                 c_parameterLine("P", "Host", "3", "S", "oc1"),
                                 c_parameterLine("P", "Ratio", "4", "R", "0.5"),
                                 c_parameterLine("P", "Budget", "6", "L", "10"),
                                 c_parameterLine("S", "LinkTC", "30", "B", "1"),
                                 c_parameterLine("S", "Count", "31", "I", "2"),
                                 c_parameterLine("S", "LinkMC", "34", "B", "0"),
                                 c_parameterLine("C", "Restart", "40", "B", "0"),
                                 c_parameterLine("T", "Items", "50", "I", "4"),
                                 c_parameterLine("T", "Answer", "51", "L", "0"),
                                 c_parameterLine("S", "DISK_FREE", "60", "I", "0"),
                                 c_parameterLine("P", "Far", "12000", "I", "9")});
    ASSERT_TRUE(CTM_config::m_init("TM32"));
    before_ = *home_.m_readFile(systemFile);
    events_.m_clear();
  }
  bool m_fileChanged() const { return home_.m_readFile(systemFile) != before_; }

  std::string before_;
};

// --- by name --------------------------------------------------------------------

TEST_F(AccessTest, MissingNameIsAWarning) {
  int value = 0;
  EXPECT_FALSE(CTM_config::m_getInteger("NoSuchKey", value));
  ASSERT_EQ(m_argumentsOf(ev::CFG_UNKNOWN_NAME), (Arguments{{"NoSuchKey"}}));
  EXPECT_EQ(events_.m_eventsWithId(ev::CFG_UNKNOWN_NAME)[0].type, typeOf(2));
  EXPECT_FALSE(CTM_config::m_setInteger("NoSuchKey", 1));
  EXPECT_FALSE(CTM_config::m_addToInteger("NoSuchKey", 1));
}

TEST_F(AccessTest, WrongTypeIsReportedOnceAndChangesNothing) {
  long asLong = 0;
  EXPECT_FALSE(CTM_config::m_getLong("Port", asLong));
  EXPECT_EQ(m_argumentsOf(ev::CFG_READ_TYPE_MISMATCH), (Arguments{{"Port", "I", "L"}}));
  EXPECT_FALSE(CTM_config::m_setBool("Port", true));
  EXPECT_EQ(m_argumentsOf(ev::CFG_WRITE_TYPE_MISMATCH), (Arguments{{"Port", "I", "B"}}));
  int port = 0;
  EXPECT_TRUE(CTM_config::m_getInteger("Port", port));
  EXPECT_EQ(port, 4711);
  EXPECT_FALSE(m_fileChanged());
}

TEST_F(AccessTest, SettingASystemParameterRewritesTheSystemFile) {
  EXPECT_TRUE(CTM_config::m_setString("Host", "oc2"));
  EXPECT_TRUE(m_fileChanged());
  EXPECT_NE(home_.m_readFile(systemFile)->find("\tHost\t3\tS\toc2\t"), std::string::npos);
  EXPECT_TRUE(CTM_config::m_setBool("Traces", true));
  EXPECT_NE(home_.m_readFile(systemFile)->find("\tTraces\t2\tB\t1\t"), std::string::npos);
}

TEST_F(AccessTest, StatusAndSharedParametersChangeOnlyMemory) {
  EXPECT_TRUE(CTM_config::m_setBool("LinkTC", false));
  EXPECT_TRUE(CTM_config::m_setInteger("SharedLevel", 5));
  EXPECT_FALSE(m_fileChanged());
  EXPECT_EQ(events_.m_count(ev::CFG_WRITING_NEW), 0u);
  int level = 0;
  CTM_config::m_getInteger("SharedLevel", level);
  EXPECT_EQ(level, 5);
}

TEST_F(AccessTest, ClampedWriteFailsKeepsTheBoundAndIsNotStored) {
  EXPECT_FALSE(CTM_config::m_setInteger("Port", 80));
  int port = 0;
  CTM_config::m_getInteger("Port", port);
  EXPECT_EQ(port, 1024);
  EXPECT_FALSE(m_fileChanged());
  EXPECT_EQ(CTM_config::m_setIntegerByIndex(1, 70000, 0), -1);
  CTM_config::m_getInteger("Port", port);
  EXPECT_EQ(port, 65535);
}

TEST_F(AccessTest, FailedRewriteFailsTheSetterAndKeepsTheValue) {
  c_failingFileOps files;
  files.m_failNth(c_failingFileOps::c_step::sync, 1);
  EXPECT_FALSE(CTM_config::m_setInteger("Port", 5000));
  files.m_failNth(c_failingFileOps::c_step::sync, 2);
  EXPECT_EQ(CTM_config::m_setIntegerByIndex(1, 5001, 0), -1);
  int port = 0;
  CTM_config::m_getInteger("Port", port);
  EXPECT_EQ(port, 5001);
  EXPECT_FALSE(m_fileChanged());
}

// A write answered as failed keeps its value in memory, but a later rewrite
// stores the value read from the file or the last one whose write was done.
TEST_F(AccessTest, ALaterRewriteStoresOnlyValuesWhoseWriteWasDone) {
  struct c_case {
    const char* what;
    int doneBefore;  // 0: none
    int failed;
    int failingSync;  // 0: none
    int inMemory;
    const char* inFile;
  };
  for (const c_case& c : {c_case{"below the minimum", 0, 80, 0, 1024, "4711"},
                          c_case{"above the maximum", 5000, 70000, 0, 65535, "5000"},
                          c_case{"rewrite failed", 5002, 5001, 2, 5001, "5002"}}) {
    SCOPED_TRACE(c.what);
    c_failingFileOps files;
    if (c.failingSync > 0) files.m_failNth(c_failingFileOps::c_step::sync, c.failingSync);
    if (c.doneBefore != 0) {
      ASSERT_EQ(CTM_config::m_setIntegerByIndex(1, c.doneBefore, 1), 1);
    }
    EXPECT_EQ(CTM_config::m_setIntegerByIndex(1, c.failed, 1), -1);
    ASSERT_TRUE(CTM_config::m_setBool("Traces", true));
    int port = 0;
    CTM_config::m_getInteger("Port", port);
    EXPECT_EQ(port, c.inMemory);
    EXPECT_NE(home_.m_readFile(systemFile)->find(std::string("\tPort\t1\tI\t") + c.inFile + "\t"), std::string::npos);
  }
}

// --- by index -------------------------------------------------------------------

TEST_F(AccessTest, ByIndexResultsAreDoneMissingOrRefused) {
  int value = 0;
  EXPECT_EQ(CTM_config::m_getIntegerByIndex(5, value, 0), 0);
  ASSERT_EQ(m_argumentsOf(ev::CFG_UNKNOWN_INDEX), (Arguments{{"5"}}));
  EXPECT_EQ(events_.m_eventsWithId(ev::CFG_UNKNOWN_INDEX)[0].type, typeOf(1));
  EXPECT_EQ(CTM_config::m_getIntegerByIndex(-1, value, 0), 0);
  EXPECT_EQ(CTM_config::m_getIntegerByIndex(12345, value, 0), 0);
  EXPECT_EQ(events_.m_count(ev::CFG_UNKNOWN_INDEX), 3u);

  events_.m_clear();
  EXPECT_EQ(CTM_config::m_getIntegerByIndex(31, value, CTM_config_entry::kindParameter), -1);
  EXPECT_TRUE(m_ids().empty());
  EXPECT_EQ(CTM_config::m_getIntegerByIndex(31, value, CTM_config_entry::kindStatus), 1);
  EXPECT_EQ(value, 2);
  EXPECT_EQ(CTM_config::m_getBoolByIndex(31, *std::make_unique<bool>().get(), 0), -1);
  EXPECT_EQ(events_.m_count(ev::CFG_READ_TYPE_MISMATCH), 1u);
  EXPECT_EQ(CTM_config::m_getIntegerByIndex(12000, value, CTM_config_entry::kindParameter), 1);
  EXPECT_EQ(value, 9);
}

TEST_F(AccessTest, ByIndexWritesEveryTypeWithTheKindFilter) {
  EXPECT_EQ(CTM_config::m_setBoolByIndex(2, true, CTM_config_entry::kindParameter), 1);
  EXPECT_EQ(CTM_config::m_setStringByIndex(3, "oc9", 0), 1);
  EXPECT_EQ(CTM_config::m_setRealByIndex(4, 0.25, 0), 1);
  EXPECT_EQ(CTM_config::m_setLongByIndex(6, 1L << 40, 0), 1);
  EXPECT_EQ(CTM_config::m_setBoolByIndex(30, false, CTM_config_entry::kindParameter), -1);
  EXPECT_EQ(CTM_config::m_setIntegerByIndex(7, 1, 0), 0);
  bool traces = false;
  std::string host;
  double ratio = 0;
  long budget = 0;
  EXPECT_EQ(CTM_config::m_getBoolByIndex(2, traces, 0), 1);
  EXPECT_EQ(CTM_config::m_getStringByIndex(3, host, 0), 1);
  EXPECT_EQ(CTM_config::m_getRealByIndex(4, ratio, 0), 1);
  EXPECT_EQ(CTM_config::m_getLongByIndex(6, budget, 0), 1);
  EXPECT_TRUE(traces);
  EXPECT_EQ(host, "oc9");
  EXPECT_EQ(ratio, 0.25);
  EXPECT_EQ(budget, 1L << 40);
  EXPECT_NE(home_.m_readFile(systemFile)->find("\tBudget\t6\tL\t1099511627776\t"), std::string::npos);
}

TEST_F(AccessTest, EntryLookupsFilterByKind) {
  CTM_config_entry* restart = CTM_config::m_getEntryByIndex(40, CTM_config_entry::kindCommand);
  ASSERT_NE(restart, nullptr);
  EXPECT_EQ(restart->m_getName(), "Restart");
  EXPECT_EQ(CTM_config::m_getEntryByIndex(40, CTM_config_entry::kindParameter), nullptr);
  EXPECT_EQ(CTM_config::m_getEntry("Restart", 0), restart);
  EXPECT_EQ(CTM_config::m_getEntry("Restart", CTM_config_entry::kindStatus), nullptr);
  EXPECT_EQ(CTM_config::m_getEntry("Nothing", 0), nullptr);
}

// --- counting timings -----------------------------------------------------------

TEST_F(AccessTest, AddCountsOnlyTimings) {
  EXPECT_TRUE(CTM_config::m_addToInteger("Items", 3));
  int items = 0;
  CTM_config::m_getInteger("Items", items);
  EXPECT_EQ(items, -1 + 3);  // a timing starts at -1
  EXPECT_TRUE(CTM_config::m_setInteger("Items", 4));
  EXPECT_TRUE(CTM_config::m_addToInteger("Items", 3));
  CTM_config::m_getInteger("Items", items);
  EXPECT_EQ(items, 7);
  EXPECT_FALSE(CTM_config::m_addToInteger("Port", 1));
  EXPECT_EQ(CTM_config::m_addToIntegerByIndex(1, 1), -1);
  EXPECT_EQ(CTM_config::m_addToIntegerByIndex(50, 1), 1);
  EXPECT_EQ(CTM_config::m_addToIntegerByIndex(99, 1), 0);
  EXPECT_FALSE(m_fileChanged());
}

TEST_F(AccessTest, AddSaturatesInsteadOfOverflowing) {
  CTM_config::m_setInteger("Items", INT_MAX - 1);
  EXPECT_TRUE(CTM_config::m_addToInteger("Items", 5));
  int items = 0;
  CTM_config::m_getInteger("Items", items);
  EXPECT_EQ(items, INT_MAX);
  EXPECT_EQ(CTM_config::m_addToLongByIndex(51, LONG_MIN), 1);
  EXPECT_EQ(CTM_config::m_addToLongByIndex(51, LONG_MIN), 1);
}

TEST_F(AccessTest, TimingLongReadGivesTheDuration) {
  EXPECT_EQ(CTM_config::m_setLongByIndex(51, 100, CTM_config_entry::kindTiming), 1);
  EXPECT_EQ(CTM_config::m_setLongByIndex(51, 130, CTM_config_entry::kindTiming), 1);
  long duration = 0;
  EXPECT_EQ(CTM_config::m_getLongByIndex(51, duration, CTM_config_entry::kindTiming), 1);
  EXPECT_EQ(duration, 30);
  EXPECT_EQ(CTM_config::m_resetValue(51, CTM_config_entry::kindTiming), 1);
  CTM_config::m_getLongByIndex(51, duration, 0);
  EXPECT_EQ(duration, 0);
  EXPECT_EQ(events_.m_count(ev::LOG_STATISTICS), 2u);
}

// --- reset ----------------------------------------------------------------------

TEST_F(AccessTest, ResetOfASystemParameterRewritesTheFile) {
  EXPECT_EQ(CTM_config::m_resetValue(2, CTM_config_entry::kindParameter), 1);
  bool traces = false;
  CTM_config::m_getBool("Traces", traces);
  EXPECT_TRUE(traces);
  EXPECT_NE(home_.m_readFile(systemFile)->find("\tTraces\t2\tB\t1\t"), std::string::npos);
}

TEST_F(AccessTest, ResetResults) {
  EXPECT_EQ(CTM_config::m_resetValue(31, 0), 1);
  EXPECT_FALSE(m_fileChanged());
  EXPECT_EQ(CTM_config::m_resetValue(31, CTM_config_entry::kindTiming), -1);
  EXPECT_EQ(CTM_config::m_resetValue(8, 0), 0);
  c_failingFileOps files;
  files.m_failNth(c_failingFileOps::c_step::open, 1);
  EXPECT_EQ(CTM_config::m_resetValue(1, 0), -1);
}

// --- iteration ------------------------------------------------------------------

TEST_F(AccessTest, IterationVisitsEntriesOfTheTypeInIndexOrder) {
  std::vector<std::pair<int, bool>> visited;
  int cursor = -1;
  int found = 0;
  bool value = false;
  while (CTM_config::m_getNextBool(cursor, found, value, CTM_config_entry::kindStatus)) visited.emplace_back(found, value);
  EXPECT_EQ(visited, (std::vector<std::pair<int, bool>>{{21, false}, {30, true}, {34, false}}));
  EXPECT_EQ(found, -1);
  // Entries of other types inside the range of the bools (2 to 40) are read and refused.
  EXPECT_EQ(m_argumentsOf(ev::CFG_READ_TYPE_MISMATCH), (Arguments{{"Host", "S", "B"},
                                                                  {"Ratio", "R", "B"},
                                                                  {"Budget", "L", "B"},
                                                                  {"SharedLevel", "I", "B"},
                                                                  {"Count", "I", "B"}}));
}

TEST_F(AccessTest, IterationOfEveryType) {
  int cursor = -100;
  int found = 0;
  std::string text;
  EXPECT_TRUE(CTM_config::m_getNextString(cursor, found, text, 0));
  EXPECT_EQ(found, 3);
  EXPECT_FALSE(CTM_config::m_getNextString(cursor, found, text, 0));
  double real = 0;
  cursor = -1;
  EXPECT_TRUE(CTM_config::m_getNextReal(cursor, found, real, 0));
  EXPECT_EQ(found, 4);
  long duration = 0;
  cursor = -1;
  EXPECT_TRUE(CTM_config::m_getNextLong(cursor, found, duration, CTM_config_entry::kindTiming));
  EXPECT_EQ(found, 51);
  int integer = 0;
  cursor = 1;
  EXPECT_TRUE(CTM_config::m_getNextInteger(cursor, found, integer, 0));
  EXPECT_EQ(found, 20);
}

// --- computed entries -----------------------------------------------------------

TEST_F(AccessTest, DiskFreeIsMeasuredAndStored) {
  int percent = -1;
  EXPECT_TRUE(CTM_config::m_getInteger("DISK_FREE", percent));
  EXPECT_GE(percent, 0);
  EXPECT_LE(percent, 100);
  std::string shown = CTM_config::m_getEntry("DISK_FREE", 0)->m_asString();
  EXPECT_EQ(shown, "Name:[DISK_FREE]  Index:[60]  Type:[I]  Value:[" + std::to_string(percent) + "]");
}

// --- before the start -----------------------------------------------------------

TEST_F(AccessTest, NothingWorksBeforeTheStart) {
  CTM_config::m_resetForTest();
  events_.m_clear();
  int value = 0;
  int cursor = -1;
  int found = 7;
  EXPECT_FALSE(CTM_config::m_getInteger("Port", value));
  EXPECT_FALSE(CTM_config::m_setInteger("Port", 1));
  EXPECT_EQ(CTM_config::m_getIntegerByIndex(1, value, 0), 0);
  EXPECT_EQ(CTM_config::m_resetValue(1, 0), 0);
  EXPECT_EQ(CTM_config::m_getEntry("Port", 0), nullptr);
  EXPECT_EQ(CTM_config::m_getEntryByIndex(1, 0), nullptr);
  EXPECT_FALSE(CTM_config::m_getNextInteger(cursor, found, value, 0));
  EXPECT_EQ(found, -1);
  EXPECT_FALSE(CTM_config::m_writeSystemParameterFile());
  EXPECT_TRUE(m_ids().empty());
}

}  // namespace
