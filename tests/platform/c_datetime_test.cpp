#include "platform/c_datetime.h"

#include <gtest/gtest.h>

#include <cstdint>

TEST(CDateTime, CompactTextReadsBackAsWritten) {
  for (const char* text : {"20240229235959", "19700101000000", "00010101000000", "99991231235959", "20380119031408"}) {
    c_dateTime value = c_dateTime::m_fromCompact(text);
    ASSERT_TRUE(value.m_isValid()) << text;
    EXPECT_EQ(value.m_asCompact(), text);
    EXPECT_EQ(c_dateTime::m_fromSeconds(value.m_seconds()), value) << text;
  }
}

TEST(CDateTime, SecondsCountFromTheEpochInUtc) {
  EXPECT_EQ(c_dateTime::m_fromCompact("19700101000000").m_seconds(), 0);
  EXPECT_EQ(c_dateTime::m_fromCompact("20000301000000").m_seconds(), 951868800);
  // Past 2038: 64-bit seconds.
  EXPECT_EQ(c_dateTime::m_fromCompact("21000101000000").m_seconds(), INT64_C(4102444800));
  EXPECT_EQ(c_dateTime::m_fromSeconds(-1).m_asCompact(), "19691231235959");
}

TEST(CDateTime, RefusesDatesTheCalendarDoesNotHave) {
  for (const char* text : {"20230229000000", "21000229000000", "20240431000000", "20241301000000", "20240001000000",
                           "20240100000000", "20240101240000", "20240101006000", "20240101000060",
                           "00000101000000"})
    EXPECT_FALSE(c_dateTime::m_fromCompact(text).m_isValid()) << text;
  EXPECT_TRUE(c_dateTime::m_fromCompact("20000229000000").m_isValid());
}

TEST(CDateTime, CompactTextIsExactlyFourteenDigits) {
  for (const char* text : {"2024010112000", "202401011200000", " 2024010112000", "2024010112000 ", "+2024010112000",
                           "2024-1011200000", "20240101 20000"})
    EXPECT_FALSE(c_dateTime::m_fromCompact(text).m_isValid()) << '"' << text << '"';
  EXPECT_FALSE(c_dateTime::m_fromCompact(std::string_view("2024010112\0000", 14)).m_isValid());
}

TEST(CDateTime, SecondsOutsideFourDigitYearsAreNotValid) {
  EXPECT_FALSE(c_dateTime::m_fromSeconds(INT64_C(253402300800)).m_isValid());  // 10000-01-01
  EXPECT_TRUE(c_dateTime::m_fromSeconds(INT64_C(253402300799)).m_isValid());
  EXPECT_FALSE(c_dateTime::m_fromSeconds(INT64_MIN).m_isValid());
}

TEST(CDateTime, FormatsWithFixedWidthFieldsAndEnglishMonths) {
  c_dateTime value = c_dateTime::m_fromFields(987, 2, 3, 4, 5, 6);
  ASSERT_TRUE(value.m_isValid());
  EXPECT_EQ(value.m_format("%Y-%m-%d %H:%M:%S"), "0987-02-03 04:05:06");
  EXPECT_EQ(value.m_format("%d%b%Y 100%% %q"), "03Feb0987 100% %q");
  EXPECT_EQ(c_dateTime().m_format("%Y"), "");
}
