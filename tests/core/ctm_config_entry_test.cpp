// One parameter-file line as an entry: the line rules, the clamp, typed reads and
// writes, timings, computed entries and the written line.
#include <cfloat>
#include <climits>

#include "tests/core/config_fixture.h"

namespace {

class EntryTest : public ConfigFixture {
 protected:
  // Parses a line that must be accepted.
  CTM_config_entry m_accepted(const std::string& line) {
    CTM_config_entry entry;
    EXPECT_TRUE(entry.m_parse(line, 7)) << line;
    return entry;
  }
};

// --- the line rules -------------------------------------------------------------

struct LineCase {
  const char* what;
  std::string line;
  bool accepted;
  std::vector<unsigned> events;  // in order, without the unregistered-thread warnings
  friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.what; }
};

class LineRuleTest : public EntryTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(LineRuleTest, AcceptsOrRefusesWithItsEvents) {
  CTM_config_entry entry;
  EXPECT_EQ(entry.m_parse(GetParam().line, 7), GetParam().accepted);
  EXPECT_EQ(m_ids(), GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LineRuleTest,
    ::testing::Values(
        LineCase{"Empty", "", false, {ev::CFG_EMPTY_LINE}},
        LineCase{"OnlyTabs", "\t\t\t", false, {ev::CFG_EMPTY_LINE}},
        LineCase{"ThirteenColumns", c_parameterLine("P", "A", "1", "I", "5"), true, {}},
        LineCase{"TwelveColumnsPassSilently", "P\tA\t1\tI\t5\t\t\t\t\t\t\t", true, {}},
        LineCase{"ElevenColumns", "P\tA\t1\tI\t5\t\t\t\t\t\t", true, {ev::CFG_TOO_FEW_COLUMNS}},
        LineCase{"FourteenColumns", c_parameterLine("P", "A", "1", "I", "5") + "\textra", true,
                 {ev::CFG_TOO_MANY_COLUMNS}},
        LineCase{"NoName", c_parameterLine("P", "", "1", "I", "5"), false, {ev::CFG_NO_NAME}},
        LineCase{"UnknownKind", c_parameterLine("X", "A", "1", "I", "5"), false, {ev::CFG_UNKNOWN_KIND}},
        LineCase{"LowerCaseKind", c_parameterLine("p", "A", "1", "I", "5"), false, {ev::CFG_UNKNOWN_KIND}},
        LineCase{"NoNameAndNoKind", c_parameterLine("", "", "1", "I", "5"), false,
                 {ev::CFG_NO_NAME, ev::CFG_UNKNOWN_KIND}},
        LineCase{"LeadingTabHasNoKind", "\tA\t1\tI\t5\t\t\t\t\t\t\t\t", false, {ev::CFG_UNKNOWN_KIND}},
        LineCase{"UnknownType", c_parameterLine("P", "A", "1", "Q", "5"), true, {ev::CFG_UNKNOWN_TYPE}},
        LineCase{"MaximumBelowMinimum", c_parameterLine("P", "A", "1", "I", "5", "10", "2"), true,
                 {ev::CFG_MAXIMUM_BELOW_MINIMUM}},
        LineCase{"ValueBelowMinimum", c_parameterLine("P", "A", "1", "I", "0", "1", "10"), true,
                 {ev::CFG_BELOW_MINIMUM}}),
    [](const auto& info) { return std::string(info.param.what); });

TEST_F(EntryTest, FiveColumnLineHasNoIndexAfterTheTooFewColumnsWarning) {
  CTM_config_entry entry = m_accepted("P\tShortLine\t\tI\t5");
  EXPECT_EQ(entry.m_getIndex(), -1);
  int value = 0;
  EXPECT_TRUE(entry.m_getInteger(value, 0));
  EXPECT_EQ(value, 5);
  ASSERT_EQ(m_argumentsOf(ev::CFG_TOO_FEW_COLUMNS), (std::vector<std::vector<std::string>>{{"5", "7"}}));
  EXPECT_EQ(events_.m_eventsWithId(ev::CFG_TOO_FEW_COLUMNS)[0].type, typeOf(2));
}

TEST_F(EntryTest, LineEventsCarryLineNumberAndColumnCount) {
  CTM_config_entry entry;
  entry.m_parse(c_parameterLine("P", "A", "", "I", "1") + "\tx\ty", 42);
  entry.m_parse(c_parameterLine("", "", "", "I", "1"), 43);
  entry.m_parse("\t", 44);
  EXPECT_EQ(m_argumentsOf(ev::CFG_TOO_MANY_COLUMNS), (std::vector<std::vector<std::string>>{{"15", "42"}}));
  EXPECT_EQ(m_argumentsOf(ev::CFG_NO_NAME), (std::vector<std::vector<std::string>>{{"43"}}));
  EXPECT_EQ(m_argumentsOf(ev::CFG_UNKNOWN_KIND), (std::vector<std::vector<std::string>>{{"43"}}));
  ASSERT_EQ(m_argumentsOf(ev::CFG_EMPTY_LINE), (std::vector<std::vector<std::string>>{{"44"}}));
  EXPECT_EQ(events_.m_eventsWithId(ev::CFG_EMPTY_LINE)[0].type, typeOf(4));
  EXPECT_EQ(events_.m_eventsWithId(ev::CFG_NO_NAME)[0].type, typeOf(1));
}

TEST_F(EntryTest, UnknownTypeKeepsTheValueAsText) {
  CTM_config_entry entry = m_accepted(c_parameterLine("S", "Odd", "3", "X", "12abc"));
  EXPECT_EQ(entry.m_getType(), "S");
  std::string text;
  EXPECT_TRUE(entry.m_getString(text, 0));
  EXPECT_EQ(text, "12abc");
  EXPECT_EQ(m_argumentsOf(ev::CFG_UNKNOWN_TYPE), (std::vector<std::vector<std::string>>{{"X"}}));
}

TEST_F(EntryTest, MaximumBelowMinimumRemovesBothBounds) {
  CTM_config_entry entry = m_accepted(c_parameterLine("P", "A", "1", "I", "50", "10", "2"));
  EXPECT_TRUE(entry.m_setInteger(1000, 0));
  EXPECT_TRUE(entry.m_setInteger(-1000, 0));
  std::string line;
  entry.m_asLine(line);
  EXPECT_EQ(line, "P\tA\t1\tI\t-1000\t\t\t\t\t\t\t\t\r\n");
}

TEST_F(EntryTest, LinesAndColumnsOfAnyLengthAreKeptWhole) {
  const std::string longValue(2000, 'v');
  const std::string longText(5000, 't');
  std::string input = "P\tLong\t9\tS\t" + longValue + "\t\t\t\t\t\t\t\t" + longText;
  CTM_config_entry entry = m_accepted(input);
  std::string value;
  EXPECT_TRUE(entry.m_getString(value, 0));
  EXPECT_EQ(value, longValue);
  std::string line;
  entry.m_asLine(line);
  EXPECT_EQ(line, input + "\r\n");
}

// --- numbers --------------------------------------------------------------------

struct NumberCase {
  const char* what;
  const char* type;
  const char* column;
  const char* written;  // the value as the rewrite stores it
  friend void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.what; }
};

class NumberTest : public EntryTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(NumberTest, ConvertsAndSaturates) {
  CTM_config_entry entry = m_accepted(c_parameterLine("P", "N", "", GetParam().type, GetParam().column));
  std::string line;
  entry.m_asLine(line);
  EXPECT_EQ(line, std::string("P\tN\t\t") + GetParam().type + "\t" + GetParam().written + "\t\t\t\t\t\t\t\t\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, NumberTest,
    ::testing::Values(NumberCase{"IntegerAsAtoi", "I", " 42abc", "42"},
                      NumberCase{"IntegerOverflowSaturates", "I", "99999999999", "2147483647"},
                      NumberCase{"IntegerUnderflowSaturates", "I", "-99999999999", "-2147483648"},
                      NumberCase{"LongIs64Bit", "L", "5000000000", "5000000000"},
                      NumberCase{"LongLimit", "L", "-9223372036854775808", "-9223372036854775808"},
                      NumberCase{"LongOverflowSaturates", "L", "99999999999999999999", "9223372036854775807"},
                      NumberCase{"RealAsAtof", "R", "2.5e3x", "2500"},
                      NumberCase{"RealOverflowSaturates", "R", "1e999", "1.7976931348623157e+308"},
                      NumberCase{"BoolAsAtoi", "B", "7", "7"},
                      NumberCase{"TextStaysText", "S", "007", "007"},
                      NumberCase{"EmptyStaysEmpty", "I", "", ""}),
    [](const auto& info) { return std::string(info.param.what); });

// --- the clamp ------------------------------------------------------------------

TEST_F(EntryTest, ClampRaisesToMinimumAndLowersToMaximum) {
  CTM_config_entry entry = m_accepted(c_parameterLine("P", "Range", "", "I", "5", "1", "10"));
  int value = 0;
  EXPECT_FALSE(entry.m_setInteger(0, 0));
  entry.m_getInteger(value, 0);
  EXPECT_EQ(value, 1);
  ASSERT_EQ(events_.m_count(ev::CFG_BELOW_MINIMUM), 1u);
  EXPECT_EQ(events_.m_eventsWithId(ev::CFG_BELOW_MINIMUM)[0].type, typeOf(1));

  EXPECT_FALSE(entry.m_setInteger(11, 0));
  entry.m_getInteger(value, 0);
  EXPECT_EQ(value, 10);
  EXPECT_EQ(events_.m_count(ev::CFG_ABOVE_MAXIMUM), 1u);

  EXPECT_TRUE(entry.m_setInteger(10, 0));
  EXPECT_TRUE(entry.m_setInteger(1, 0));
  EXPECT_EQ(events_.m_count(ev::CFG_BELOW_MINIMUM) + events_.m_count(ev::CFG_ABOVE_MAXIMUM), 2u);
}

TEST_F(EntryTest, BoolRangeAcceptsTrueAndFalse) {
  CTM_config_entry entry = m_accepted(c_parameterLine("P", "Flag", "", "B", "1", "0", "1"));
  EXPECT_TRUE(entry.m_setBool(false, 0));
  EXPECT_TRUE(entry.m_setBool(true, 0));
  bool value = false;
  EXPECT_TRUE(entry.m_getBool(value, 0));
  EXPECT_TRUE(value);
}

TEST_F(EntryTest, TextRangeComparesTexts) {
  CTM_config_entry entry = m_accepted(c_parameterLine("P", "Letter", "", "S", "C", "B", "M"));
  EXPECT_FALSE(entry.m_setString("Z", 0));
  std::string value;
  entry.m_getString(value, 0);
  EXPECT_EQ(value, "M");
}

TEST_F(EntryTest, LongAndRealRangesCompareAsTheirType) {
  CTM_config_entry longEntry = m_accepted(c_parameterLine("P", "L", "", "L", "5", "4000000000", "9000000000"));
  long longValue = 0;
  longEntry.m_getLong(longValue, 0);
  EXPECT_EQ(longValue, 4000000000L);
  CTM_config_entry realEntry = m_accepted(c_parameterLine("P", "R", "", "R", "0.5", "0.25", "0.75"));
  EXPECT_FALSE(realEntry.m_setReal(0.8, 0));
  double realValue = 0;
  realEntry.m_getReal(realValue, 0);
  EXPECT_EQ(realValue, 0.75);
}

TEST_F(EntryTest, EmptyBoundIsNoBound) {
  CTM_config_entry onlyMaximum = m_accepted(c_parameterLine("P", "OnlyMax", "", "I", "-5", "", "10"));
  CTM_config_entry onlyMinimum = m_accepted(c_parameterLine("P", "OnlyMin", "", "S", "A", "", ""));
  EXPECT_EQ(events_.m_count(ev::CFG_BELOW_MINIMUM), 0u);
  int value = 0;
  onlyMaximum.m_getInteger(value, 0);
  EXPECT_EQ(value, -5);
  EXPECT_TRUE(onlyMaximum.m_setInteger(-100, 0));
  EXPECT_FALSE(onlyMaximum.m_setInteger(11, 0));
  EXPECT_TRUE(onlyMinimum.m_setString("", 0));
  EXPECT_EQ(events_.m_count(ev::CFG_BELOW_MINIMUM), 0u);
  EXPECT_EQ(events_.m_count(ev::CFG_MAXIMUM_BELOW_MINIMUM), 0u);
}

TEST_F(EntryTest, OnlyParametersAreClampedOnWrite) {
  CTM_config_entry status = m_accepted(c_parameterLine("S", "Level", "", "I", "5", "1", "10"));
  EXPECT_TRUE(status.m_setInteger(99, 0));
  int value = 0;
  status.m_getInteger(value, 0);
  EXPECT_EQ(value, 99);
  EXPECT_EQ(events_.m_count(ev::CFG_ABOVE_MAXIMUM), 0u);
}

// --- typed reads and writes -----------------------------------------------------

TEST_F(EntryTest, TypeMismatchIsReportedKindMismatchIsSilent) {
  CTM_config_entry entry = m_accepted(c_parameterLine("S", "Count", "4", "I", "3"));
  bool flag = false;
  EXPECT_FALSE(entry.m_getBool(flag, 0));
  EXPECT_EQ(m_argumentsOf(ev::CFG_READ_TYPE_MISMATCH), (std::vector<std::vector<std::string>>{{"Count", "I", "B"}}));
  EXPECT_FALSE(entry.m_setReal(1.0, 0));
  EXPECT_EQ(m_argumentsOf(ev::CFG_WRITE_TYPE_MISMATCH), (std::vector<std::vector<std::string>>{{"Count", "I", "R"}}));

  events_.m_clear();
  int value = 0;
  EXPECT_FALSE(entry.m_getInteger(value, CTM_config_entry::kindParameter));
  EXPECT_FALSE(entry.m_setInteger(9, CTM_config_entry::kindTiming));
  EXPECT_TRUE(m_ids().empty());
  EXPECT_TRUE(entry.m_getInteger(value, CTM_config_entry::kindStatus));
  EXPECT_EQ(value, 3);
}

TEST_F(EntryTest, EmptyTextColumnReadsEmpty) {
  CTM_config_entry entry = m_accepted(c_parameterLine("P", "Host", "", "S", ""));
  std::string value = "x";
  EXPECT_TRUE(entry.m_getString(value, 0));
  EXPECT_EQ(value, "");
}

TEST_F(EntryTest, ResetGivesEachTypeItsRestValue) {
  CTM_config_entry flag = m_accepted(c_parameterLine("C", "F", "", "B", "0"));
  CTM_config_entry real = m_accepted(c_parameterLine("P", "R", "", "R", "2.5"));
  CTM_config_entry text = m_accepted(c_parameterLine("P", "S", "", "S", "abc"));
  EXPECT_TRUE(flag.m_resetValue(0));
  EXPECT_TRUE(real.m_resetValue(CTM_config_entry::kindParameter));
  EXPECT_FALSE(text.m_resetValue(CTM_config_entry::kindTiming));
  bool flagValue = false;
  double realValue = 1;
  std::string textValue;
  flag.m_getBool(flagValue, 0);
  real.m_getReal(realValue, 0);
  text.m_getString(textValue, 0);
  EXPECT_TRUE(flagValue);
  EXPECT_EQ(realValue, 0.0);
  EXPECT_EQ(textValue, "abc");
}

// --- timings --------------------------------------------------------------------

TEST_F(EntryTest, TimingKeepsItsNoStartMarkDespiteBounds) {
  CTM_config_entry timing = m_accepted(c_parameterLine("T", "Answer", "400", "L", "100", "0", "1000"));
  EXPECT_EQ(events_.m_count(ev::CFG_BELOW_MINIMUM), 0u);
  EXPECT_EQ(timing.m_asString(), "Name:[Answer]  Index:[400]  Type:[L]  Value:[-1]");
}

TEST_F(EntryTest, TimingMeasuresDurationBetweenWrites) {
  CTM_config_entry timing = m_accepted(c_parameterLine("T", "Answer", "400", "L", "0"));
  EXPECT_TRUE(timing.m_setLong(1000, 0));
  long duration = -1;
  EXPECT_TRUE(timing.m_getLong(duration, 0));
  EXPECT_EQ(duration, 0);
  EXPECT_TRUE(timing.m_setLong(1030, CTM_config_entry::kindTiming));
  EXPECT_TRUE(timing.m_getLong(duration, 0));
  EXPECT_EQ(duration, 30);
  EXPECT_EQ(m_argumentsOf(ev::LOG_STATISTICS), (std::vector<std::vector<std::string>>{
                                                   {"Answer", "-1", "1000", "0"}, {"Answer", "1000", "1030", "30"}}));
}

TEST_F(EntryTest, TimingSetBackMeasuresZeroAndTakesTheNewStart) {
  CTM_config_entry timing = m_accepted(c_parameterLine("T", "Answer", "", "L", "0"));
  timing.m_setLong(LONG_MIN + 5, 0);
  timing.m_setLong(LONG_MAX, 0);
  long duration = 0;
  timing.m_getLong(duration, 0);
  EXPECT_EQ(duration, LONG_MAX);
  timing.m_setLong(100, 0);
  timing.m_getLong(duration, 0);
  EXPECT_EQ(duration, 0);
  timing.m_setLong(150, 0);
  timing.m_getLong(duration, 0);
  EXPECT_EQ(duration, 50);
}

TEST_F(EntryTest, TimingResetClearsOnlyTheDuration) {
  CTM_config_entry timing = m_accepted(c_parameterLine("T", "Answer", "", "L", "0"));
  timing.m_setLong(10, 0);
  timing.m_setLong(25, 0);
  EXPECT_TRUE(timing.m_resetValue(CTM_config_entry::kindTiming));
  long duration = -1;
  timing.m_getLong(duration, 0);
  EXPECT_EQ(duration, 0);
  timing.m_setLong(40, 0);
  timing.m_getLong(duration, 0);
  EXPECT_EQ(duration, 15);
}

// --- computed entries -----------------------------------------------------------

TEST_F(EntryTest, DurationReadsTimeSinceItsValue) {
  c_clock::m_fixUtc(1'000'000);
  CTM_config_entry entry = m_accepted(c_parameterLine("S", "DURATION", "", "L", "999970"));
  EXPECT_TRUE(entry.m_isComputed());
  long value = 0;
  EXPECT_TRUE(entry.m_getLong(value, 0));
  EXPECT_EQ(value, 30);
  EXPECT_EQ(events_.m_count(ev::CFG_NOT_COMPUTED), 0u);
}

TEST_F(EntryTest, DiskFreeFailsWhenTheDiskCannotBeQueried) {
  // No store is started, so there is no home to measure.
  CTM_config_entry entry = m_accepted(c_parameterLine("S", "DISK_FREE", "", "I", "55"));
  int value = 0;
  EXPECT_FALSE(entry.m_getInteger(value, 0));
}

TEST_F(EntryTest, ComputedEntryReadAsAnotherTypeGivesItsStoredValue) {
  CTM_config_entry entry = m_accepted(c_parameterLine("S", "DISK_FREE", "", "S", "full"));
  std::string value;
  EXPECT_TRUE(entry.m_getString(value, 0));
  EXPECT_EQ(value, "full");
  ASSERT_EQ(m_argumentsOf(ev::CFG_NOT_COMPUTED), (std::vector<std::vector<std::string>>{{"DISK_FREE"}}));
  EXPECT_EQ(events_.m_eventsWithId(ev::CFG_NOT_COMPUTED)[0].type, typeOf(2));
}

// --- the written line -----------------------------------------------------------

TEST_F(EntryTest, WrittenLineHasThirteenColumnsAndKeepsEveryText) {
  std::string input = "P\tPort\t12\tI\t80\tunit\tgroup\tthree\tfour\t1\t65535\t80\tThe port";
  CTM_config_entry entry = m_accepted(input);
  EXPECT_TRUE(entry.m_setInteger(8080, 0));
  std::string line;
  EXPECT_TRUE(entry.m_asLine(line));
  EXPECT_EQ(line, "P\tPort\t12\tI\t8080\tunit\tgroup\tthree\tfour\t1\t65535\t80\tThe port\r\n");
}

TEST_F(EntryTest, OnlyPersistentEntriesWriteTheirCurrentValue) {
  CTM_config_entry status = m_accepted(c_parameterLine("S", "Up", "", "B", "1"));
  CTM_config_entry shared = m_accepted(c_parameterLine("P", "Shared", "", "I", "3"));
  shared.m_setFromConfigFile(true);
  CTM_config_entry timing = m_accepted(c_parameterLine("T", "Time", "", "L", "7"));
  status.m_setBool(false, 0);
  shared.m_setInteger(4, 0);
  timing.m_setLong(99, 0);
  EXPECT_FALSE(shared.m_isPersistent());
  std::string line;
  status.m_asLine(line);
  EXPECT_EQ(line, c_parameterLine("S", "Up", "", "B", "1") + "\r\n");
  shared.m_asLine(line);
  EXPECT_EQ(line, c_parameterLine("P", "Shared", "", "I", "3") + "\r\n");
  timing.m_asLine(line);
  EXPECT_EQ(line, c_parameterLine("T", "Time", "", "L", "7") + "\r\n");
}

TEST_F(EntryTest, WrittenLineStaysOneLineWhateverTheValue) {
  CTM_config_entry entry = m_accepted(c_parameterLine("P", "Host", "", "S", "a"));
  entry.m_setString("x\ty\r\nz", 0);
  std::string line;
  entry.m_asLine(line);
  EXPECT_EQ(line, c_parameterLine("P", "Host", "", "S", "x y  z") + "\r\n");
}

// Bounds that hold only with the CR ("x\r" below "x\x1f", but "x " above it)
// must not hold on the first reading and fail on the next.
TEST_F(EntryTest, ACarriageReturnInAColumnReadsAsTheBlankItIsWrittenAs) {
  CTM_config_entry entry = m_accepted("P\tName\r\t\tS\tx\r\t\t\t\t\tx\r\tx\x1f\t\tend\r");
  std::string written;
  entry.m_asLine(written);
  CTM_config_entry reread = m_accepted(written.substr(0, written.size() - 2));
  std::string rewritten;
  reread.m_asLine(rewritten);
  EXPECT_EQ(rewritten, written);
  EXPECT_EQ(written, "P\tName \t\tS\tx \t\t\t\t\t\t\t\tend \r\n");
  EXPECT_EQ(entry.m_getName(), "Name ");
}

TEST_F(EntryTest, CopyValuesKeepsIdentity) {
  CTM_config_entry stored = m_accepted(c_parameterLine("P", "A", "5", "I", "1", "0", "9"));
  CTM_config_entry scratch = m_accepted(c_parameterLine("T", "B", "6", "I", "7", "0", "99"));
  scratch.m_setInteger(42, 0);
  stored.m_copyValues(scratch);
  EXPECT_EQ(stored.m_asString(), "Name:[A]  Index:[5]  Type:[I]  Value:[42]");
  EXPECT_EQ(stored.m_getKind(), CTM_config_entry::kindParameter);
  EXPECT_TRUE(stored.m_hasEqualValue(scratch));
  EXPECT_FALSE(stored == scratch);
  EXPECT_TRUE(stored < scratch);
}

}  // namespace
