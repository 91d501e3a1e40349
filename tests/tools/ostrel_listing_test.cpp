// ostrel as a program: where a listing starts, which records pass the filters,
// how each column prints, the texts of the message file and the options' values.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "tests/tools/ostrel_test_support.h"

namespace {

using namespace ostrel_test;

struct ListingCase {
  const char* name;
  std::vector<std::string> arguments;
  std::string expected;
};

void PrintTo(const ListingCase& listing, std::ostream* out) { *out << listing.name; }

std::string caseName(const ::testing::TestParamInfo<ListingCase>& info) { return info.param.name; }

// ---------------------------------------------------------------------------
// Start positions: twelve records numbered 101 to 112 (the ones before were
// dropped by rollovers), 101..106 in the ".old" file, 107..112 in the current one.

class OstrelStart : public OstrelFixture, public ::testing::WithParamInterface<ListingCase> {
 protected:
  void SetUp() override {
    OstrelFixture::SetUp();
    registerLog("TMBase");
    writeNumbered(storePath("TMBase") + ".old", 101, 6);
    writeNumbered(storePath("TMBase"), 107, 6);
  }
};

TEST_P(OstrelStart, ListsFromThePositionAsked) {
  std::vector<std::string> arguments = {"-m", "n"};
  arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  const c_childResult result = run(arguments);
  EXPECT_EQ(result.out, GetParam().expected);
  EXPECT_EQ(result.exitStatus, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, OstrelStart,
    ::testing::Values(ListingCase{"DefaultIsTheNewestTen", {}, numberRange(103, 112)},
                      ListingCase{"MinusTen", {"-n", "-10"}, numberRange(103, 112)},
                      ListingCase{"MinusThree", {"-n", "-3"}, numberRange(110, 112)},
                      ListingCase{"MinusOneIsTheNewest", {"-n", "-1"}, numberRange(112, 112)},
                      ListingCase{"MoreThanTheLogHolds", {"-n", "-20"}, numberRange(101, 112)},
                      ListingCase{"PlusOneIsTheOldest", {"-n", "1"}, numberRange(101, 112)},
                      ListingCase{"PlusFiveInTheOldFile", {"-n", "5"}, numberRange(105, 112)},
                      ListingCase{"PlusSevenInTheCurrentFile", {"-n", "7"}, numberRange(107, 112)},
                      ListingCase{"TheLastPosition", {"-n", "12"}, numberRange(112, 112)},
                      ListingCase{"BeyondTheEndIsTheNewest", {"-n", "13"}, numberRange(112, 112)},
                      ListingCase{"ZeroKeepsTheDefault", {"-n", "0"}, numberRange(103, 112)},
                      ListingCase{"ALaterValueReplaces", {"-n", "-3", "2"}, numberRange(102, 112)},
                      ListingCase{"TimeOptionStartsAtTheOldest", {"-t"}, numberRange(101, 112)}),
    caseName);

class OstrelSmallLog : public OstrelFixture {
 protected:
  void SetUp() override {
    OstrelFixture::SetUp();
    registerLog("TMBase");
  }
};

TEST_F(OstrelSmallLog, ALogOfThreeListsAllForMinusTenAndOnlyTheNewestForSeven) {
  writeNumbered(storePath("TMBase"), 1, 3);
  EXPECT_EQ(run({"-n", "-10", "-m", "n"}).out, numberRange(1, 3));
  EXPECT_EQ(run({"-n", "7", "-m", "n"}).out, numberRange(3, 3));
}

TEST_F(OstrelSmallLog, ARegisteredLogWithoutAStoreListsNothing) {
  for (const char* start : {"-10", "1"}) {
    const c_childResult result = run({"-n", start});
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.exitStatus, 0);
  }
}

TEST_F(OstrelSmallLog, ALogThatIsNotRegisteredIsRefusedNotReplacedByAnother) {
  writeNumbered(storePath("TMBase"), 1, 3);
  for (const auto& [arguments, log] : std::vector<std::pair<std::vector<std::string>, std::string>>{
           {{"-e", "TM32_TMBase"}, "TM32_TMBase"}, {{"-E", "99"}, "TM99_TMBase"}, {{"-e", "../TMBase"}, "../TMBase"}}) {
    const c_childResult result = run(arguments);
    EXPECT_EQ(result.out, "ERROR: Could not open the Application event log " + log + ".\n");
    EXPECT_EQ(result.exitStatus, 1);
  }
}

// Numbers that run backwards and stray lines that begin like a record: the start is
// the first whole record, in file order, that reaches the number asked.
TEST_F(OstrelSmallLog, ADamagedStoreStartsAtTheFirstRecordReachingTheNumberInFileOrder) {
  std::string content = "900\tnot a record\n";
  for (const std::uint32_t number : {10u, 11u, 12u, 7u, 8u}) {
    c_eventRecord made = record(newYear2002, started, c_eventRecord::information, 1, "CORE", {"x"});
    made.number = number;
    content += c_encodeEventRecord(made);
  }
  writeFile(storePath("TMBase"), content + "950\tnot a record either\n");
  EXPECT_EQ(run({"-m", "n", "-n", "1"}).out, numberLines({10, 11, 12, 7, 8}));
  EXPECT_EQ(run({"-m", "n", "-n", "2"}).out, numberLines({11, 12, 7, 8}));
  EXPECT_EQ(run({"-m", "n", "-n", "-2"}).out, numberLines({7, 8}));
}

// A store that exists but cannot be read (as root, permissions do not stop a
// read; the other kinds do) is a failure with its reason, at once, never a wait
// or an empty listing.
TEST_F(OstrelSmallLog, AStoreThatCannotBeReadFailsAtOnceWithItsReason) {
  const std::string store = storePath("TMBase");
  const std::vector<std::pair<std::string, std::function<void()>>> damages = {
      {store, [&] { std::filesystem::create_directories(store); }},
      {store, [&] { ASSERT_EQ(::mkfifo(store.c_str(), 0600), 0); }},
      {store + ".old", [&] { ASSERT_EQ(::mkfifo((store + ".old").c_str(), 0600), 0); }},
      {store, [&] { std::filesystem::create_symlink("/dev/zero", store); }}};
  c_childOptions options;
  options.timeoutMs = 20000;
  for (const auto& [damaged, make] : damages) {
    std::filesystem::remove_all(store);
    std::filesystem::remove_all(store + ".old");
    make();
    for (const char* follow : {"-n", "-f"}) {
      const c_childResult result = c_runChild(program(), {follow, "1", "-m", "n"}, options);
      EXPECT_FALSE(result.timedOut) << damaged;
      EXPECT_EQ(result.exitStatus, 1) << damaged;
      EXPECT_EQ(result.err, "ostrel: the event log TMBase cannot be read: " + damaged + ": not a regular file\n");
    }
  }
}

// A message file that is no regular file of sane size is not read: the listing
// goes on without texts, as without a message file.
TEST_F(OstrelSmallLog, AMessageFileThatIsNoRegularFileOfSaneSizeIsNotRead) {
  writeNumbered(storePath("TMBase"), 1, 1);
  const std::filesystem::path messageFile = bin_ / "logging.dll";
  const std::vector<std::function<void()>> kinds = {
      [&] { std::filesystem::create_directory(messageFile); },
      [&] { ASSERT_EQ(::mkfifo(messageFile.c_str(), 0600), 0); },
      [&] { std::filesystem::create_symlink("/dev/zero", messageFile); },
      [&] {
        writeFile(messageFile, catalogue);
        std::filesystem::resize_file(messageFile, 64u << 20);
      }};
  c_childOptions options;
  options.timeoutMs = 20000;
  for (std::size_t kind = 0; kind < kinds.size(); ++kind) {
    std::filesystem::remove_all(messageFile);
    kinds[kind]();
    const c_childResult result = c_runChild(program(), {"-m", "m"}, options);
    EXPECT_FALSE(result.timedOut) << kind;
    EXPECT_EQ(result.exitStatus, 0) << kind;
    EXPECT_EQ(result.out, "[No text for message with ID -1073741823.]\n") << kind;
  }
}

// A listing whose output cannot be written (a full disk) did not do what was
// asked; a following one would otherwise go on for ever writing nothing.
TEST_F(OstrelSmallLog, AListingThatCannotBeWrittenEndsWithAFailure) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  writeNumbered(storePath("TMBase"), 1, 3);
  c_childOptions options;
  options.timeoutMs = 20000;
  for (const char* follow : {"", " -f"}) {
    const std::string command = std::string("exec \"$0\" -m n") + follow;
    const c_childResult result = c_runChild("/bin/sh", {"-c", command + " > /dev/full", program()}, options);
    EXPECT_FALSE(result.timedOut) << command;
    EXPECT_EQ(result.exitStatus, 1) << command;
  }
}

// ---------------------------------------------------------------------------
// Filters, on six records of several sources, categories, ids, types and days.

class OstrelFilter : public OstrelFixture, public ::testing::WithParamInterface<ListingCase> {
 protected:
  void SetUp() override {
    OstrelFixture::SetUp();
    registerLog("TMBase");
    constexpr std::int64_t day = 86400;
    append("TMBase", {record(newYear2002, started, c_eventRecord::error, 1, "CORE", {"alpha", "beta"}),
                      record(newYear2002 + day / 2, needsThree, c_eventRecord::warning, 1, "TM32_CORE", {"gamma"}),
                      record(newYear2002 + day, telegram, c_eventRecord::information, 0, "LHTC", {"TCTM01 payload"}),
                      record(newYear2002 + day + 1, started, c_eventRecord::auditSuccess, 2, "TM32_LHTC", {"x", "alphabet"}),
                      record(newYear2002 + 2 * day, needsThree, c_eventRecord::auditFailure, 1, "UTIL", {"delta"}),
                      record(newYear2002 + 2 * day, started, 3, 1, "XCORE", {})});
  }
};

TEST_P(OstrelFilter, PrintsWhatPassesEveryFilter) {
  std::vector<std::string> arguments = GetParam().arguments;
  arguments.insert(arguments.end(), {"-m", "n"});
  const c_childResult result = run(arguments);
  EXPECT_EQ(result.out, GetParam().expected);
  EXPECT_EQ(result.exitStatus, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, OstrelFilter,
    ::testing::Values(
        ListingCase{"NoFilter", {}, numberRange(1, 6)},
        ListingCase{"SourceAlsoMatchesUnderATmPrefix", {"-s", "CORE"}, numberLines({1, 2})},
        ListingCase{"SeveralSources", {"-s", "CORE", "LHTC"}, numberLines({1, 2, 3, 4})},
        ListingCase{"ARepeatedSourceCountsOnce", {"-s", "CORE", "CORE"}, numberLines({1, 2})},
        ListingCase{"SourceIsCaseSensitive", {"-s", "core"}, ""},
        ListingCase{"Category", {"-c", "0"}, numberLines({3})},
        ListingCase{"SeveralCategories", {"-c", "1", "2"}, numberLines({1, 2, 4, 5, 6})},
        ListingCase{"IdAsColumnIShowsIt", {"-i", "1"}, numberLines({1, 4, 6})},
        ListingCase{"SeveralIds", {"-i", "2", "1000"}, numberLines({2, 3, 5})},
        ListingCase{"ErrorsAndWarningsAndOtherTypes", {"-y", "1", "2"}, numberLines({1, 2, 6})},
        ListingCase{"TypeOptionAloneLeavesOnlyOtherTypes", {"-y"}, numberLines({6})},
        ListingCase{"Information", {"-y", "3"}, numberLines({3, 6})},
        ListingCase{"AuditTypes", {"-y", "4", "5"}, numberLines({4, 5, 6})},
        ListingCase{"TypeNumbersOutsideOneToFiveAreIgnored", {"-y", "0", "6", "8"}, numberLines({6})},
        ListingCase{"OneDayAndNoMore", {"-t", "20020101000000", "20020102000000"}, numberLines({1, 2, 3})},
        ListingCase{"FromATimeOn", {"-t", "20020102000000"}, numberLines({3, 4, 5, 6})},
        ListingCase{"ThirdTimeValueIsIgnored", {"-t", "20020102000000", "20020102000001", "20020101000000"}, numberLines({3, 4})},
        ListingCase{"GrepInAnyInsertionString", {"-g", "alpha"}, numberLines({1, 4})},
        ListingCase{"SeveralGrepStrings", {"-g", "alpha", "delta"}, numberLines({1, 4, 5})},
        ListingCase{"GrepIsCaseSensitive", {"-g", "ALPHA"}, ""},
        ListingCase{"FiltersTogether", {"-s", "CORE", "-y", "2"}, numberLines({2})},
        ListingCase{"LineLimitCountsPrintedLinesOnly", {"-l", "1", "-s", "LHTC"}, numberLines({3})},
        ListingCase{"LineLimitAboveWhatPasses", {"-l", "5", "-s", "CORE"}, numberLines({1, 2})},
        ListingCase{"LineLimitZeroIsNone", {"-l", "3", "0"}, numberRange(1, 6)},
        ListingCase{"NegativeLineLimitIsIgnored", {"-l", "2", "-3"}, numberLines({1, 2})}),
    caseName);

TEST_F(OstrelFilter, TheEndTimeAndTheLineLimitEndTheProgramAlsoWhenFollowing) {
  const c_childResult byTime = run({"-f", "-t", "20020101000000", "20020102000000", "-m", "n"});
  EXPECT_EQ(byTime.out, numberLines({1, 2, 3}));
  EXPECT_EQ(byTime.exitStatus, 0);
  const c_childResult byLimit = run({"-f", "-n", "1", "-l", "2", "-m", "n"});
  EXPECT_EQ(byLimit.out, numberLines({1, 2}));
  EXPECT_EQ(byLimit.exitStatus, 0);
}

TEST_F(OstrelFilter, ListsHoldAtMost128DistinctValues) {
  std::vector<std::string> arguments = {"-m", "n", "-s"};
  for (int i = 0; i < 128; ++i) arguments.push_back("S" + std::to_string(i));
  arguments.push_back("CORE");  // the 129th
  EXPECT_EQ(run(arguments).out, "");
  arguments[130] = "S0";  // a repeat takes no room: CORE is now the 128th
  EXPECT_EQ(run(arguments).out, numberLines({1, 2}));
}

// ---------------------------------------------------------------------------
// Columns, on one record: number 5, 12 September 2002 13:14:15 UTC, a warning.

class OstrelColumn : public OstrelFixture, public ::testing::WithParamInterface<ListingCase> {
 protected:
  void SetUp() override {
    OstrelFixture::SetUp();
    registerLog("TMBase");
    writeNumbered(storePath("TMBase"), 1, 4);
    append("TMBase", {record(1031836455, started, c_eventRecord::warning, 1, "TM32_LHTC", {"one", "two"})});
  }
};

TEST_P(OstrelColumn, PrintsTheColumnsInTheOrderAsked) {
  std::vector<std::string> arguments = {"-n", "-1"};
  arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  EXPECT_EQ(run(arguments).out, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, OstrelColumn,
    ::testing::Values(
        ListingCase{"Default", {}, "      5 2002.09.12 13:14:15     1 WARN  1 TM32_LHTC Started one with two. \n"},
        ListingCase{"Number", {"-m", "n"}, "      5 \n"},
        ListingCase{"TimeStamp", {"-m", "t"}, "20020912131415 \n"},
        ListingCase{"TimeWithSeparators", {"-m", "T"}, "2002.09.12 13:14:15 \n"},
        ListingCase{"IdLowPart", {"-m", "i"}, "    1 \n"},
        ListingCase{"TypeNumber", {"-m", "y"}, "2 \n"},
        ListingCase{"TypeName", {"-m", "Y"}, "WARN  \n"},
        ListingCase{"Category", {"-m", "c"}, "1 \n"},
        ListingCase{"CategoryText", {"-m", "C"}, "General events \n"},
        ListingCase{"Source", {"-m", "s"}, "TM32_LHTC \n"},
        ListingCase{"Message", {"-m", "m"}, "Started one with two. \n"},
        ListingCase{"OrderAsGiven", {"-m", "s", "n"}, "TM32_LHTC       5 \n"},
        ListingCase{"ARepeatedLetterRepeatsItsColumn", {"-m", "n", "n"}, "      5       5 \n"},
        ListingCase{"UnknownLettersAndLongerValuesAreIgnored", {"-m", "x", "n", "nT"}, "      5 \n"}),
    caseName);

TEST_F(OstrelColumn, MoreThan128ColumnsAreRefusedOneLineEach) {
  std::vector<std::string> arguments = {"-n", "-1", "-m"};
  for (int i = 0; i < 130; ++i) arguments.push_back("c");
  std::string expected = "  To much MsgList arguments.\n  To much MsgList arguments.\n";
  for (int i = 0; i < 128; ++i) expected += "1 ";
  EXPECT_EQ(run(arguments).out, expected + "\n");
}

TEST_F(OstrelSmallLog, ShortSourcesAreRightAlignedInSixCharacters) {
  append("TMBase", {record(newYear2002, started, 1, 1, "UTIL", {}), record(newYear2002, started, 1, 1, "", {})});
  EXPECT_EQ(run({"-m", "s", "n"}).out, "  UTIL       1 \n             2 \n");
}

// The type columns of each event type, in the base log and in the telegram log.
TEST_F(OstrelSmallLog, TypeColumnsNameEachTypeAndTheTelegramLogCallsAuditTypesInAndOut) {
  registerLog("TMTele");
  registerLog("TM32_TMTele");
  for (const std::string log : {"TMBase", "TMTele", "TM32_TMTele"})
    for (const int type : {1, 2, 4, 8, 16, 3, 0}) append(log, {record(newYear2002, telegram, type, 0, "TCTM", {"t"})});
  const std::string common = "1 ERROR \n2 WARN  \n3 INFO  \n";
  const std::string base = common + "4 DIAG  \n5 DEBUG \n\n\n";
  const std::string tele = common + "4 IN    \n5 OUT   \n\n\n";
  EXPECT_EQ(run({"-m", "y", "Y"}).out, base);
  EXPECT_EQ(run({"-e", "TMTele", "-m", "y", "Y"}).out, tele);
  EXPECT_EQ(run({"-E", "T", "-m", "y", "Y"}).out, tele);
  EXPECT_EQ(run({"-e", "TM32_TMTele", "-m", "y", "Y"}).out, tele);
  EXPECT_EQ(run({"-E", "T32", "-m", "y", "Y"}).out, tele);
  // The labels follow the last log named.
  EXPECT_EQ(run({"-e", "TMTele", "TMBase", "-m", "y", "Y"}).out, base);
}

// ---------------------------------------------------------------------------
// -E: short names of the logs, each log holding one record of its own source.

class OstrelShortName : public OstrelFixture, public ::testing::WithParamInterface<ListingCase> {
 protected:
  void SetUp() override {
    OstrelFixture::SetUp();
    for (const char* log : {"TMBase", "TMTele", "TMStatistical", "TM31_TMBase", "TM32_TMBase", "TM32_TMTele", "TM32_TMStatistical"}) {
      registerLog(log);
      append(log, {record(newYear2002, started, 4, 1, log, {})});
    }
  }
};

TEST_P(OstrelShortName, ListsTheLogItStandsFor) {
  std::vector<std::string> arguments = GetParam().arguments;
  arguments.insert(arguments.end(), {"-m", "s"});
  EXPECT_EQ(run(arguments).out, GetParam().expected + " \n");
}

INSTANTIATE_TEST_SUITE_P(ShortNames, OstrelShortName,
                         ::testing::Values(ListingCase{"Telegrams", {"-E", "T"}, "TMTele"},
                                           ListingCase{"Statistics", {"-E", "S"}, "TMStatistical"},
                                           ListingCase{"AnyOtherLetterIsTheBaseLog", {"-E", "X"}, "TMBase"},
                                           ListingCase{"TmNumber", {"-E", "31"}, "TM31_TMBase"},
                                           ListingCase{"StatisticsOfATm", {"-E", "S32"}, "TM32_TMStatistical"},
                                           ListingCase{"TelegramsOfATm", {"-E", "T32"}, "TM32_TMTele"},
                                           ListingCase{"OtherLetterOfATm", {"-E", "B32"}, "TM32_TMBase"},
                                           ListingCase{"OtherLengthsLeaveTheName", {"-e", "TMTele", "-E", "T320"}, "TMTele"},
                                           ListingCase{"TheLastValueCounts", {"-E", "T", "31"}, "TM31_TMBase"},
                                           ListingCase{"LongName", {"-e", "TM32_TMTele"}, "TM32_TMTele"}),
                         caseName);

// ---------------------------------------------------------------------------
// Message texts.

class OstrelText : public OstrelSmallLog {
 protected:
  std::string messageOf(std::uint32_t id, std::vector<std::string> strings, int category = 1) {
    append("TMBase", {record(newYear2002, id, 4, category, "CORE", std::move(strings))});
    return run({"-n", "-1", "-m", "m"}).out;
  }
};

TEST_F(OstrelText, ExtraInsertionsOfATextStayAsTheyStand) {
  EXPECT_EQ(messageOf(needsThree, {"a"}), "Needs three: a, %2, %3. \n");
  EXPECT_EQ(messageOf(needsThree, {}), "Needs three: %1, %2, %3. \n");
}

TEST_F(OstrelText, PercentSignsOfTextsAndStringsArePrintedAsTheyAre) {
  EXPECT_EQ(messageOf(percent, {"%1 and 50%"}), "100% of %1 and 50% \n");
}

TEST_F(OstrelText, ControlBytesOfInsertionStringsArePrintedEscaped) {
  EXPECT_EQ(messageOf(started, {"\x1B[2J\a", std::string("line\r\nend\t\\\0\xFF", 13)}),
            "Started \\x1B[2J\\a with line\\r\\nend\\t\\\\\\x00\\xFF. \n");
  append("TMBase", {record(newYear2002, started, 4, 1, "CO\x1B]RE\n", {})});
  EXPECT_EQ(run({"-n", "-1", "-m", "s"}).out, "CO\\x1B]RE\\n \n");
}

TEST_F(OstrelText, NoRecordIsTooLargeToList) {
  std::vector<std::string> strings;
  for (int i = 1; i <= 20; ++i) strings.push_back(std::string(32767, static_cast<char>('a' + i)));
  EXPECT_EQ(messageOf(twentieth, strings), std::string(32767, 'a' + 20) + " \n");
  EXPECT_EQ(run({"-n", "-1", "-m", "n", "-g", std::string(3, 'a' + 20)}).out, numberLines({1}));
}

TEST_F(OstrelText, IdsAndCategoriesWithoutTextShowTheNoTextForms) {
  append("TMBase", {record(newYear2002, withoutText, 1, 7, "CORE", {"a"})});
  EXPECT_EQ(run({"-m", "m", "C"}).out, "[No text for message with ID -1073739367.][No text for category with ID 7.]\n");
}

TEST_F(OstrelText, WithoutAMessageFileEveryTextHasItsNoTextForm) {
  std::filesystem::remove(bin_ / "logging.dll");
  append("TMBase", {record(newYear2002, started, 1, 1, "CORE", {"a", "b"})});
  EXPECT_EQ(run({"-m", "i", "m", "C"}).out, "    1 [No text for message with ID -1073741823.][No text for category with ID 1.]\n");
}

TEST_F(OstrelText, TheMessageFileIsAlsoFoundInTheInstallation) {
  std::filesystem::remove(bin_ / "logging.dll");
  writeFile(home_.m_pathOf("run/bin/logging.dll"), catalogue);
  EXPECT_EQ(messageOf(started, {"a", "b"}), "Started a with b. \n");
}

TEST_F(OstrelText, TheMessageFileBesideTheProgramComesFirst) {
  writeFile(home_.m_pathOf("run/bin/logging.dll"), "M\tC0000001\tOther\\r\\n\n");
  EXPECT_EQ(messageOf(started, {"a", "b"}), "Started a with b. \n");
}

// ---------------------------------------------------------------------------
// The command line itself.

const char* const usageTail =
    "      [ -f ]\n"
    "            Follow\n"
    "      [ -n number ]\n"
    "            Default: -10\n"
    "            +1 represents the first -1 the last\n"
    "      [ -l number ]\n"
    "            Units of lines\n"
    "      [ -e [[TMName_]TM|TMTele|TMStatistics]]\n"
    "            Event log file\n"
    "            Default: TM\n"
    "      [ -E [[T|S][TMNumber]]\n"
    "            Event log file\n"
    "            Example: -E T        -> -e TMTele\n"
    "            Example: -E 31       -> -e TM31_TMBase\n"
    "            Example: -E S32      -> -e TM32_TMStatistical\n"
    "      [ -y [1] [2] [3] [4] [5] ]\n"
    "            Default: 1 2 3 4 5\n"
    "            1: ERROR\n"
    "            2: WARNING\n"
    "            3: INFORMATION\n"
    "            4: DIAGNOSTIC  (TMTele: IN )\n"
    "            5: DEBUG       (TMTele: OUT)\n"
    "      [ -m [n] [t] [T] [i] [y] [Y] [c] [C] [s] [m] ]\n"
    "            Default: n T i Y c s m\n"
    "            n: number of event\n"
    "            t: timestamp\n"
    "            T: timestamp  YYYY.MM.DD HH:MM:SS\n"
    "            i: event ID\n"
    "            y: event type (1 (ERROR) - 5 (DEBUG))\n"
    "            Y: event type name\n"
    "            c: event category\n"
    "            C: event category name\n"
    "            s: source\n"
    "            m: message\n"
    "      [ -s source1 [source2] [...] ]\n"
    "      [ -i eventID1 [eventID2] [...] ]\n"
    "      [ -c eventCategory1 [eventCategory2] [...] ]\n"
    "      [ -t YYYYMMDDHHMiSS [YYYYMMDDHHMiSS] ]\n"
    "      [ -g grepDataString1 [grepDataString2] [...] ]\n";

TEST_F(OstrelSmallLog, AValueBeforeAnyOptionPrintsTheUsageAndReadsNoLog) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"TMBase"}, std::vector<std::string>{"10", "-n", "1"}, std::vector<std::string>{"--n", "1"},
        std::vector<std::string>{"-N", "1"}, std::vector<std::string>{"-x"}}) {
    const c_childResult result = run(arguments);
    EXPECT_EQ(result.out, "Use " + program() + "\n" + usageTail) << arguments[0];
    EXPECT_EQ(result.exitStatus, 2);
  }
}

}  // namespace
