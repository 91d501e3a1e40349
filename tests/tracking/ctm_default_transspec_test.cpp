// The default transport specification file: finding it, the columns of a line,
// the lines a segment takes and the ones it refuses, with their events.
#include "tracking/ctm_default_transspec.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/tmutil.h"
#include "tests/tracking/routing_fixture.h"
#include "tracking/ctm_transspec.h"
#include "tracking/ctm_transspeclist.h"

namespace {

class DefaultFileTest : public CTM_routingTest {
 protected:
  // Reads the file for the segment; the transport specifications read, in list order.
  CTM_transSpecList& read(const std::string& segment = "E3201") {
    EXPECT_TRUE(CTM_default_transSpec::m_init());
    EXPECT_TRUE(CTM_default_transSpec().readDefaultTransSpecs(segment, list_));
    return list_;
  }
  // Parses one line on its own.
  bool parse(const std::string& line, CTM_transSpec& spec, int lineNumber = 3) {
    return CTM_default_transSpec().parseTransSpecLine(line, "E3201", lineNumber, spec);
  }
  std::vector<std::string> idsOf(const CTM_transSpecList& list) const {
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < list.m_size(); ++i) ids.push_back(list.m_at(i).m_getTransportSpecID());
    return ids;
  }

  CTM_transSpecList list_{10};
};

// --- finding the file ------------------------------------------------------------

TEST_F(DefaultFileTest, FileIsFoundOnceAndReportedWithItsPath) {
  writeDefaultFile({});
  ASSERT_TRUE(CTM_default_transSpec::m_init());
  const std::string path = home_.string() + "/run/cfg/tm_default_transspec.txt";
  EXPECT_EQ(CTM_default_transSpec::m_getFileName(), path);
  EXPECT_TRUE(CTM_default_transSpec::m_isInitialised());
  EXPECT_EQ(argumentsOf(ev::DEFAULT_TS_FILE_FOUND), std::vector<std::string>{path});
  EXPECT_EQ(argumentsOf(ev::DEFAULT_TS_INIT_TRACE),
            (std::vector<std::string>{"CTM_default_transSpec::m_init", "2"}));
  recorder_.m_clear();
  EXPECT_TRUE(CTM_default_transSpec::m_init());
  EXPECT_TRUE(recorder_.m_events().empty());
}

TEST_F(DefaultFileTest, MissingFileIsReportedAndLookedForAgainNextTime) {
  EXPECT_FALSE(CTM_default_transSpec::m_init());
  EXPECT_EQ(recorder_.m_count(ev::DEFAULT_TS_FILE_MISSING), 1u);
  EXPECT_FALSE(CTM_default_transSpec().readDefaultTransSpecs("E3201", list_));
  installation_->m_writeFile("run/cfg/tm_default_transspec.txt/x", "a folder is no file");
  EXPECT_FALSE(CTM_default_transSpec::m_init());
  EXPECT_EQ(recorder_.m_count(ev::DEFAULT_TS_FILE_MISSING), 2u);
  std::filesystem::remove_all(home_ / defaultFile);
  writeDefaultFile({specLine("E3201", "TS1", 1, "E32013202")});
  EXPECT_EQ(read().m_size(), 1u);
}

TEST_F(DefaultFileTest, HomeUnsetOrEmptyIsReported) {
  writeDefaultFile({});
  ::setenv("TM_HOME", "", 1);
  EXPECT_FALSE(CTM_default_transSpec::m_init());
  EXPECT_EQ(recorder_.m_count(ev::CFG_TM_HOME_NOT_SET), 1u);
  ::unsetenv("TM_HOME");
  EXPECT_FALSE(CTM_default_transSpec::m_init());
  EXPECT_EQ(recorder_.m_count(ev::CFG_TM_HOME_NOT_SET), 2u);
}

// --- the columns of a line -------------------------------------------------------

TEST_F(DefaultFileTest, EveryColumnSetsItsField) {
  std::map<int, std::string> columns;
  const char* texts[] = {"1", "LH123456789", "1", "NO_READ", "1", "17", "1", "0123456789", "1", "LH100",
                         "1", "LH200", "1", "C", "1", "FRA", "1", "1", "1", "SMITH/JOHN", "1", "FRAGILE",
                         "1", "1", "1", "0", "1", "3", "1", "2", "1", "80", "55", "30", "1", "23", "1", "4711"};
  for (int i = 0; i < 38; ++i) columns[6 + i] = texts[i];
  CTM_transSpec spec;
  ASSERT_TRUE(parse(specLine("E3201", "TS00000042", -5, "E32013202  X32023203", columns), spec));

  EXPECT_EQ(spec.m_getKey(), "E3201");
  EXPECT_EQ(spec.m_getTransportSpecID(), "TS00000042");
  EXPECT_EQ(spec.m_getRoutingPriority(), -5);
  EXPECT_EQ(spec.m_getStructVersionID(), 1);
  std::string text;
  int number = 0;
  bool flag = false;
  EXPECT_TRUE(spec.m_getBIT_ID(text)); EXPECT_EQ(text, "LH123456789");
  EXPECT_TRUE(spec.m_getBIT_status(text)); EXPECT_EQ(text, "NO_READ");
  EXPECT_TRUE(spec.m_getSelectionID(number)); EXPECT_EQ(number, 17);
  EXPECT_TRUE(spec.m_getLPC(text)); EXPECT_EQ(text, "0123456789");
  EXPECT_TRUE(spec.m_getInboundFlightID(text)); EXPECT_EQ(text, "LH100");
  EXPECT_TRUE(spec.m_getOutboundFlightID(text)); EXPECT_EQ(text, "LH200");
  EXPECT_TRUE(spec.m_getOutboundCabinClass(text)); EXPECT_EQ(text, "C");
  EXPECT_TRUE(spec.m_getOutboundDestination(text)); EXPECT_EQ(text, "FRA");
  EXPECT_TRUE(spec.m_getOnwardConnection(flag)); EXPECT_TRUE(flag);
  EXPECT_TRUE(spec.m_getPassengerName(text)); EXPECT_EQ(text, "SMITH/JOHN");
  EXPECT_TRUE(spec.m_getBaggageExceptionData(text)); EXPECT_EQ(text, "FRAGILE");
  EXPECT_TRUE(spec.m_getTubbingNecessity(flag)); EXPECT_TRUE(flag);
  EXPECT_TRUE(spec.m_getTubbedIndicator(flag)); EXPECT_FALSE(flag);
  EXPECT_TRUE(spec.m_getRequiredScreenLevel(number)); EXPECT_EQ(number, 3);
  EXPECT_TRUE(spec.m_getReachedScreenLevel(number)); EXPECT_EQ(number, 2);
  EXPECT_TRUE(spec.m_getLength(number)); EXPECT_EQ(number, 80);
  EXPECT_TRUE(spec.m_getHeight(number)); EXPECT_EQ(number, 55);
  EXPECT_TRUE(spec.m_getWidth(number)); EXPECT_EQ(number, 30);
  EXPECT_TRUE(spec.m_getWeight(number)); EXPECT_EQ(number, 23);
  EXPECT_TRUE(spec.m_getFSC(number)); EXPECT_EQ(number, 4711);
  EXPECT_EQ(spec.m_getDestinations(), (std::vector<std::string>{"E32013202", "X32023203"}));
  EXPECT_EQ(spec.m_getStartTime(), string2Time("20240101000000"));
  EXPECT_EQ(spec.m_getEndTime(), string2Time("20371231235959"));
  EXPECT_EQ(argumentsOf(ev::DEFAULT_TS_ACCEPTED), (std::vector<std::string>{"TS00000042", "E3201"}));
  EXPECT_EQ(recorder_.m_count(ev::DEFAULT_TS_TOO_MANY_COLUMNS) + recorder_.m_count(ev::DEFAULT_TS_TOO_FEW_COLUMNS) +
                recorder_.m_count(ev::DEFAULT_TS_BAD_VALIDITY),
            0u);
}

TEST_F(DefaultFileTest, OnlyAOneIsRelevant) {
  CTM_transSpec spec;
  ASSERT_TRUE(parse(specLine("E3201", "TS1", 1, "", {{6, "Y"}, {7, "X"}, {8, "true"}, {9, "GARB"}, {22, " 1"},
                                                      {23, "1"}, {40, ""}, {41, "20"}}),
                    spec));
  std::string text;
  bool flag = false;
  int number = 0;
  EXPECT_FALSE(spec.m_getBIT_ID(text));
  EXPECT_FALSE(spec.m_getBIT_status(text));
  EXPECT_FALSE(spec.m_getOnwardConnection(flag));
  EXPECT_TRUE(flag);
  EXPECT_FALSE(spec.m_getWeight(number));
  EXPECT_EQ(number, 20);
}

TEST_F(DefaultFileTest, SizeColumnMakesLengthHeightAndWidthRelevantTogether) {
  CTM_transSpec spec;
  ASSERT_TRUE(parse(specLine("E3201", "TS1", 1, "", {{36, "1"}, {37, "90"}, {38, "x"}}), spec));
  int length = 0, height = -1, width = -1;
  EXPECT_TRUE(spec.m_getLength(length));
  EXPECT_TRUE(spec.m_getHeight(height));
  EXPECT_TRUE(spec.m_getWidth(width));
  EXPECT_EQ(length, 90);
  EXPECT_EQ(height, 0);  // text that is no number reads as 0
  EXPECT_EQ(width, 0);
  CTM_transSpec without;
  ASSERT_TRUE(parse(specLine("E3201", "TS1", 1, "", {{37, "90"}}), without));
  EXPECT_FALSE(without.m_getLength(length));
  EXPECT_FALSE(without.m_getHeight(height));
}

// --- validity and column counts --------------------------------------------------

struct c_columnCountCase {
  const char* name;
  std::size_t columns;
  const char* validity;
  unsigned warning;  // 0: none
  std::time_t start;
  std::time_t end;
};

void PrintTo(const c_columnCountCase& c, std::ostream* out) { *out << c.name; }

class ColumnCountTest : public DefaultFileTest, public ::testing::WithParamInterface<c_columnCountCase> {};

TEST_P(ColumnCountTest, LineIsAcceptedWithItsWarningAndValidity) {
  const c_columnCountCase& c = GetParam();
  CTM_transSpec spec;
  std::map<int, std::string> columns;
  if (c.columns > 45) columns[45] = c.validity;
  ASSERT_TRUE(parse(specLine("E3201", "TS1", 1, "E32013202", columns, c.columns), spec, 7));
  EXPECT_EQ(spec.m_getStartTime(), c.start);
  EXPECT_EQ(spec.m_getEndTime(), c.end);
  const unsigned warnings[] = {ev::DEFAULT_TS_BAD_VALIDITY, ev::DEFAULT_TS_TOO_MANY_COLUMNS,
                               ev::DEFAULT_TS_TOO_FEW_COLUMNS};
  for (unsigned warning : warnings) {
    auto events = recorder_.m_eventsWithId(warning);
    if (warning != c.warning) {
      EXPECT_TRUE(events.empty()) << std::hex << warning;
      continue;
    }
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, 2);  // a warning
    std::vector<std::string> expected{std::to_string(c.columns), "7"};
    if (warning == ev::DEFAULT_TS_BAD_VALIDITY) expected = {"7"};
    EXPECT_EQ(events[0].strings, expected);
  }
  EXPECT_EQ(recorder_.m_count(ev::DEFAULT_TS_ACCEPTED), 1u);
}

const std::time_t epoch = 0;
const std::time_t y2038 = string2Time("20380101000000");
const std::time_t from2024 = string2Time("20240101000000");
const std::time_t to2037 = string2Time("20371231235959");

INSTANTIATE_TEST_SUITE_P(
    Lines, ColumnCountTest,
    ::testing::Values(c_columnCountCase{"Full", 46, "2024010100000020371231235959", 0, from2024, to2037},
                      c_columnCountCase{"NoValidityColumn", 45, "", 0, 0, 0},
                      c_columnCountCase{"ShortValidity", 46, "202401010000002037123123595", ev::DEFAULT_TS_BAD_VALIDITY,
                                        epoch, y2038},
                      c_columnCountCase{"EmptyValidity", 46, "", ev::DEFAULT_TS_BAD_VALIDITY, epoch, y2038},
                      c_columnCountCase{"OneColumnTooMany", 47, "2024010100000020371231235959",
                                        ev::DEFAULT_TS_TOO_MANY_COLUMNS, from2024, to2037},
                      c_columnCountCase{"NoDestinations", 44, "", ev::DEFAULT_TS_TOO_FEW_COLUMNS, 0, 0},
                      c_columnCountCase{"SegmentOnly", 3, "", ev::DEFAULT_TS_TOO_FEW_COLUMNS, 0, 0}),
    [](const ::testing::TestParamInfo<c_columnCountCase>& info) { return std::string(info.param.name); });

// --- which lines a segment takes ---------------------------------------------------

TEST_F(DefaultFileTest, SegmentTakesItsOwnLinesInPriorityOrder) {
  writeDefaultFile({specLine("E3201", "LATE", 20, "E32013202"), specLine("X3202", "OTHER", 1, "X32023203"),
                    specLine("E3201", "FIRST", 5, "E32013202"), specLine("E3201", "SAME", 20, "E32013202"),
                    specLine("", "NOSEGMENT", 1, "E32013202"), specLine("E32011", "LONGER", 1, "E32013202")});
  EXPECT_EQ(idsOf(read()), (std::vector<std::string>{"FIRST", "LATE", "SAME"}));
  EXPECT_EQ(recorder_.m_count(ev::DEFAULT_TS_ACCEPTED), 3u);
  for (const CTM_loggedEvent& event : recorder_.m_events())
    for (const std::string& argument : event.strings) EXPECT_EQ(argument.find("OTHER"), std::string::npos);
  EXPECT_EQ(list_.m_at(0).m_getKey(), "E3201");

  CTM_transSpecList other(10);
  ASSERT_TRUE(CTM_default_transSpec().readDefaultTransSpecs("X3202", other));
  EXPECT_EQ(idsOf(other), std::vector<std::string>{"OTHER"});
}

TEST_F(DefaultFileTest, HeadingLinesAreNeverData) {
  const std::string line = specLine("E3201", "HEAD", 1, "E32013202");
  installation_->m_writeFile(defaultFile, line + "\n" + line + "\n");
  EXPECT_TRUE(read().m_empty());
  EXPECT_TRUE(recorder_.m_eventsWithId(ev::DEFAULT_TS_ACCEPTED).empty());
}

TEST_F(DefaultFileTest, EmptyLinesAreSkippedWithTheirNumber) {
  writeDefaultFile({"", specLine("E3201", "TS1", 1, "E32013202"), "\t\t\t", specLine("E3201", "TS2", 2, "E32013202")});
  EXPECT_EQ(idsOf(read()), (std::vector<std::string>{"TS1", "TS2"}));
  EXPECT_EQ(argumentsOf(ev::DEFAULT_TS_EMPTY_LINE), (std::vector<std::string>{"3", "5"}));
}

// A CR before the LF must not stick to the validity column (it would be 29
// characters long and give the whole line the default validity).
TEST_F(DefaultFileTest, CarriageReturnLineEndsReadLikeLineFeeds) {
  writeDefaultFile({specLine("E3201", "TS1", 1, "E32013202"), specLine("E3201", "TS2", 2, "E32013202", {}, 45)},
                   "\r\n");
  CTM_transSpecList& list = read();
  ASSERT_EQ(list.m_size(), 2u);
  EXPECT_EQ(list.m_at(0).m_getEndTime(), to2037);
  EXPECT_EQ(list.m_at(1).m_getDestinations(), std::vector<std::string>{"E32013202"});
  EXPECT_EQ(recorder_.m_count(ev::DEFAULT_TS_BAD_VALIDITY), 0u);
}

// A line or column beyond the format's limits costs that line and its event;
// the lines after it are read as usual.
TEST_F(DefaultFileTest, OverlongLineOrColumnCostsOnlyThatLine) {
  const std::string longText(300, 'p');
  writeDefaultFile({specLine("E3201", "TS1", 1, "E32013202", {{24, "1"}, {25, longText}}),
                    specLine("E3201", "TS2", 2, "E32013202", {{24, "1"}, {25, longText.substr(0, 255)}}),
                    specLine("E3201", "TS3", 3, "E32013202",
                             {{11, longText.substr(0, 250)}, {13, longText.substr(0, 250)},
                              {15, longText.substr(0, 250)}, {17, longText.substr(0, 250)}}),
                    specLine("X3202", "TS4", 4, "X32023203", {{25, longText}}),
                    specLine("E3201", "TS5", 5, "E32013202")});
  EXPECT_EQ(idsOf(read()), (std::vector<std::string>{"TS2", "TS5"}));
  EXPECT_EQ(argumentsOf(ev::DEFAULT_TS_COLUMN_TOO_LONG), (std::vector<std::string>{"3", "25", "300"}));
  auto tooLong = argumentsOf(ev::DEFAULT_TS_LINE_TOO_LONG);
  ASSERT_EQ(tooLong.size(), 2u);
  EXPECT_EQ(tooLong[0], "5");
  EXPECT_GT(std::stoi(tooLong[1]), 1023);
}

TEST_F(DefaultFileTest, UnreadableFileAfterTheStartIsReported) {
  writeDefaultFile({});
  ASSERT_TRUE(CTM_default_transSpec::m_init());
  std::filesystem::remove(home_ / defaultFile);
  EXPECT_FALSE(CTM_default_transSpec().readDefaultTransSpecs("E3201", list_));
  EXPECT_EQ(argumentsOf(ev::DEFAULT_TS_STREAM_FAILED), std::vector<std::string>{CTM_default_transSpec::m_getFileName()});
}

}  // namespace
