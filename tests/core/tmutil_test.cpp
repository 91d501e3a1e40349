#include "core/tmutil.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/fixed_clock.h"

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStderr;
using ::testing::internal::GetCapturedStdout;

struct UnescapeCase {
  const char* name;
  std::string escaped;
  std::string decoded;
};

class Unescape : public ::testing::TestWithParam<UnescapeCase> {};

TEST_P(Unescape, DecodesInPlaceAndReturnsTheLength) {
  std::vector<char> text(GetParam().escaped.begin(), GetParam().escaped.end());
  text.push_back('\0');
  const int length = unescapeString(text.data());
  EXPECT_EQ(std::string(text.data(), static_cast<std::size_t>(length)), GetParam().decoded);
  EXPECT_EQ(text[static_cast<std::size_t>(length)], '\0');
}

INSTANTIATE_TEST_SUITE_P(
    Escapes, Unescape,
    ::testing::Values(UnescapeCase{"HexOctalAndPlain", R"(a\x41\101\q)", "aAAq"},
                      UnescapeCase{"XWithoutHexDigitStoresTheX", R"(\xZ)", "xZ"},
                      UnescapeCase{"OtherCharacterStandsForItself", R"(\q\b)", "qb"},
                      UnescapeCase{"BlankIsNoHexDigit", R"(\x 41)", "x 41"},
                      UnescapeCase{"SignIsNoHexDigit", R"(\x-1)", "x-1"},
                      UnescapeCase{"AtMostTwoHexDigits", R"(\x414)", "A4"},
                      UnescapeCase{"AtMostThreeOctalDigits", R"(\1234)", "S4"},
                      UnescapeCase{"OctalKeepsTheLowEightBits", R"(\777)", "\xFF"},
                      UnescapeCase{"OctalZeroIsANulByte", R"(a\0b)", std::string("a\0b", 3)},
                      UnescapeCase{"Letters", R"(\a\n\r\t\v\\)", "\a\n\r\t\v\\"},
                      UnescapeCase{"TrailingBackslashStays", "abc\\", "abc\\"},
                      UnescapeCase{"Empty", "", ""}),
    [](const auto& info) { return info.param.name; });

TEST(UnescapeNull, GivesZero) { EXPECT_EQ(unescapeString(nullptr), 0); }

std::string printed(const std::vector<unsigned char>& bytes, int* count) {
  std::FILE* file = std::tmpfile();
  *count = printEscaped(file, bytes.data(), static_cast<int>(bytes.size()));
  std::rewind(file);
  std::string text;
  for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
  std::fclose(file);
  return text;
}

TEST(PrintEscaped, WritesControlAndHighBytesEscapedAndCountsThem) {
  int count = 0;
  EXPECT_EQ(printed({65, 10, 200}, &count), "A\\n\\xC8");
  EXPECT_EQ(count, 7);
  EXPECT_EQ(printed({8, 12, '\\', 7, 9, 11, 13, 127, 0}, &count), R"(\x08\x0C\\\a\t\v\r\x7F\x00)");
  EXPECT_EQ(count, 26);
  EXPECT_EQ(printEscaped(stdout, nullptr, 3), 0);
}

TEST(PrintEscaped, EveryByteReadsBackThroughUnescape) {
  std::vector<unsigned char> bytes;
  for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<unsigned char>(b));
  int count = 0;
  std::string text = printed(bytes, &count);
  ASSERT_EQ(static_cast<std::size_t>(count), text.size());
  const int length = unescapeString(text.data());
  ASSERT_EQ(length, 256);
  EXPECT_EQ(std::vector<unsigned char>(text.begin(), text.begin() + length), bytes);
}

TEST(EscapeString, GivesThePrintedFormAsATextAndKeepsNulBytes) {
  EXPECT_EQ(escapeString(std::string("a\0\x1B[2J\\", 7)), R"(a\x00\x1B[2J\\)");
  EXPECT_EQ(escapeString(""), "");
}

class PerformanceCounter : public ::testing::Test {
 protected:
  void TearDown() override { c_clock::m_useSystemClocks(); }
};

TEST_F(PerformanceCounter, TextIsEighteenUpperCaseCharactersAndReadsBack) {
  c_clock::m_fixMonotonic(305'419'896);
  EXPECT_EQ(performanceCounter(), 305'419'896'000'000u);
  std::string text = "left over";
  EXPECT_EQ(performanceCounterText(text), 18);
  EXPECT_EQ(text, "0x000115C71C688E00");
  std::uint64_t value = 0;
  EXPECT_EQ(parsePerformanceCounter(text, value), 1);
  EXPECT_EQ(value, 305'419'896'000'000u);
}

TEST_F(PerformanceCounter, ParsingRefusesOtherTextsAndReadsAtMostSixteenDigits) {
  std::uint64_t value = 7;
  for (const char* text : {"", "0x", "0X12", "12", "0xZ", "0x-1", "0x 1"}) {
    EXPECT_EQ(parsePerformanceCounter(text, value), 0) << text;
    EXPECT_EQ(value, 7u) << text;
  }
  EXPECT_EQ(parsePerformanceCounter("0xffffffffffffffff1", value), 1);
  EXPECT_EQ(value, ~std::uint64_t{0});
}

// Runs a test body under another machine time zone, to show that nothing local leaks in.
class TimeZoneTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("TZ")) oldZone_ = old;
    setenv("TZ", GetParam(), 1);
    tzset();
  }
  void TearDown() override {
    if (oldZone_)
      setenv("TZ", oldZone_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
    c_clock::m_useSystemClocks();
  }

 private:
  std::optional<std::string> oldZone_;
};

using String2Time = TimeZoneTest;

TEST_P(String2Time, ReadsUtcAndReadsBackAsWritten) {
  EXPECT_EQ(string2Time("20020912143005"), 1'031'841'005);
  EXPECT_EQ(string2Time("19700101000000"), 0);
  for (const char* text : {"20020912143005", "20000229235959", "20380119031408", "21000301000000"}) {
    const std::time_t time = string2Time(text);
    EXPECT_EQ(timeToString(&time, "%Y%m%d%H%M%S"), text);
  }
}

TEST_P(String2Time, RefusesAWrongLengthOnStandardOutput) {
  CaptureStdout();
  EXPECT_EQ(string2Time("2002091214300"), -1);
  EXPECT_EQ(GetCapturedStdout(), "ERROR: string2Time: Lenght (13) of time-string is not OK.\n");
}

TEST_P(String2Time, TimeToStringWritesUtc) {
  const std::time_t epoch = 0;
  EXPECT_EQ(timeToString(&epoch, "%Y%m%d%H%M%S"), "19700101000000");
  EXPECT_EQ(timeToString(&epoch, "%d %b %Y"), "01 Jan 1970");
  EXPECT_EQ(timeToString(nullptr, "%Y"), "");
  EXPECT_EQ(timeToString(&epoch, ""), "");
}

using DayMonthFrom = TimeZoneTest;

TEST_P(DayMonthFrom, GivesTheDayAndTheMonthsAbbreviation) {
  int day = 0;
  EXPECT_EQ(dayMonthFromYYYYMMDD("20020912", day), "Sep");
  EXPECT_EQ(day, 12);
  EXPECT_EQ(dayMonthFromYYYYMMDD("20000229", day), "Feb");
  EXPECT_EQ(day, 29);
  EXPECT_EQ(dayMonthFromYYYYMMDD("19991231", day), "Dec");
  EXPECT_EQ(day, 31);
}

TEST_P(DayMonthFrom, RefusesWhatIsNotADate) {
  for (const char* text : {"2002091", "200209121", "200209xx", "20020931", "20010229", "20021301"}) {
    int day = 0;
    CaptureStderr();
    EXPECT_EQ(dayMonthFromYYYYMMDD(text, day), "") << text;
    EXPECT_EQ(GetCapturedStderr(), "ERROR: dayMonthFromYYYYMMDD: (" + std::string(text) + ") is not a valid day!\n");
  }
}

INSTANTIATE_TEST_SUITE_P(MachineZones, String2Time, ::testing::Values("UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "XST+10"),
                         [](const auto& info) { return std::to_string(info.index); });
INSTANTIATE_TEST_SUITE_P(MachineZones, DayMonthFrom, ::testing::Values("UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "XST+10"),
                         [](const auto& info) { return std::to_string(info.index); });

std::int64_t utcMidday(int year, int month, int day) {
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = 12;
  return timegm(&fields);
}

struct YearRuleCase {
  const char* name;
  int todayYear, todayMonth, todayDay;
  int day;
  const char* month;
  const char* expected;
};

class DayMonthTo : public ::testing::TestWithParam<YearRuleCase> {};

TEST_P(DayMonthTo, ChoosesTheYearNearestToToday) {
  const YearRuleCase& c = GetParam();
  c_fixedClock today(utcMidday(c.todayYear, c.todayMonth, c.todayDay));
  CaptureStderr();
  EXPECT_EQ(dayMonthToYYYYMMDD(c.day, c.month), c.expected);
  const std::string errors = GetCapturedStderr();
  if (*c.expected == '\0')
    EXPECT_EQ(errors, "ERROR: dayMonthToYYYYMMDD: day (" + std::to_string(c.day) + ") and month (" + c.month +
                          ") are not a valid day!\n");
  else
    EXPECT_EQ(errors, "");
}

INSTANTIATE_TEST_SUITE_P(
    YearRule, DayMonthTo,
    ::testing::Values(YearRuleCase{"LateDecemberSeenInJanuary", 2025, 1, 10, 28, "Dec", "20241228"},
                      YearRuleCase{"FebruarySeenInDecember", 2024, 12, 10, 5, "Feb", "20250205"},
                      YearRuleCase{"FebruarySeenInMarch", 2025, 3, 10, 20, "Feb", "20250220"},
                      YearRuleCase{"NewYearsDaySeenOnNewYearsEve", 2024, 12, 31, 1, "Jan", "20250101"},
                      YearRuleCase{"NewYearsEveSeenOnNewYearsDay", 2025, 1, 1, 31, "Dec", "20241231"},
                      YearRuleCase{"Exactly180DaysAheadKeepsTheYear", 2025, 1, 10, 9, "Jul", "20250709"},
                      YearRuleCase{"181DaysAheadTakesTheYearBefore", 2025, 1, 10, 10, "Jul", "20240710"},
                      YearRuleCase{"Exactly180DaysBackKeepsTheYear", 2025, 7, 10, 11, "Jan", "20250111"},
                      YearRuleCase{"181DaysBackTakesTheYearAfter", 2025, 7, 10, 10, "Jan", "20260110"},
                      YearRuleCase{"MonthInAnyCase", 2025, 3, 10, 20, "fEB", "20250220"},
                      YearRuleCase{"LeapDayOfNextYear", 2027, 12, 10, 29, "Feb", "20280229"},
                      YearRuleCase{"LeapDayOfThisYear", 2028, 1, 10, 29, "Feb", "20280229"},
                      YearRuleCase{"LeapDayOfLastYear", 2029, 1, 10, 29, "Feb", ""},
                      YearRuleCase{"LeapDayOfACommonYear", 2027, 1, 10, 29, "Feb", ""},
                      YearRuleCase{"ThirtyFirstOfFebruary", 2025, 3, 10, 31, "Feb", ""},
                      YearRuleCase{"DayZero", 2025, 3, 10, 0, "Mar", ""},
                      YearRuleCase{"UnknownMonth", 2025, 3, 10, 1, "Foo", ""}),
    [](const auto& info) { return info.param.name; });

TEST(DayMonthToFormat, RefusesAMonthTextOfOtherThanThreeCharacters) {
  CaptureStderr();
  EXPECT_EQ(dayMonthToYYYYMMDD(12, "Sept"), "");
  EXPECT_EQ(GetCapturedStderr(), "ERROR: dayMonthToYYYYMMDD: format of month string (Sept) is not OK!\n");
}

TEST(LastErrorText, GivesTheSystemTextAndTheNumberInHex) {
  char buffer[64];
  errno = ENOENT;
  EXPECT_STREQ(lastErrorText(buffer, sizeof buffer), "No such file or directory (0x2)");
  errno = ENOENT;
  const unsigned fits = sizeof "No such file or directory" - 1 + 14;
  EXPECT_STREQ(lastErrorText(buffer, fits), "No such file or directory (0x2)");
  errno = ENOENT;
  EXPECT_STREQ(lastErrorText(buffer, fits - 1), "");
  EXPECT_EQ(lastErrorText(nullptr, 10), nullptr);
}

}  // namespace
