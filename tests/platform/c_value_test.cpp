#include "platform/c_value.h"

#include <gtest/gtest.h>

#include <limits>

TEST(CValueParse, ReadsTheLeadingNumberLikeTheCLibrary) {
  EXPECT_EQ(c_parseInt("  42abc"), 42);
  EXPECT_EQ(c_parseInt("-7"), -7);
  EXPECT_EQ(c_parseInt("abc"), 0);
  EXPECT_EQ(c_parseInt(""), 0);
  EXPECT_DOUBLE_EQ(c_parseDouble(" 2.5e1x"), 25.0);
  EXPECT_DOUBLE_EQ(c_parseDouble("inf"), 0.0);
  EXPECT_DOUBLE_EQ(c_parseDouble("0x10"), 0.0);
}

TEST(CValueParse, SaturatesInsteadOfOverflowing) {
  EXPECT_EQ(c_parseInt("99999999999"), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(c_parseInt("-99999999999"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(c_parseLong("123456789012345678901234"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(c_parseLong("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(c_parseLong("9000000000"), 9000000000LL);
}

TEST(CValueParse, WholeNumbersRefuseTrailingTextAndOverflow) {
  std::int64_t whole = 0;
  EXPECT_TRUE(c_parseWholeLong("  -12", whole));
  EXPECT_EQ(whole, -12);
  EXPECT_FALSE(c_parseWholeLong("12 ", whole));
  EXPECT_FALSE(c_parseWholeLong("", whole));
  EXPECT_FALSE(c_parseWholeLong("-", whole));
  EXPECT_FALSE(c_parseWholeLong("99999999999999999999", whole));
  double real = 0;
  EXPECT_TRUE(c_parseWholeDouble("1.5e2", real));
  EXPECT_DOUBLE_EQ(real, 150.0);
  EXPECT_FALSE(c_parseWholeDouble("nan", real));
  EXPECT_FALSE(c_parseWholeDouble("1e", real));
  EXPECT_FALSE(c_parseWholeDouble("1e999", real));
}

TEST(CValue, ConvertsBetweenKinds) {
  EXPECT_TRUE(c_value().m_isNull());
  EXPECT_EQ(c_value().m_asString(), "");
  EXPECT_EQ(c_value::m_fromText("12x").m_asInt(), 12);
  EXPECT_EQ(c_value::m_fromLong(5000000000LL).m_asInt(), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(c_value::m_fromInt(-3).m_asString(), "-3");
  EXPECT_EQ(c_value::m_fromDouble(-1e300).m_asLong(), std::numeric_limits<std::int64_t>::min());
}

TEST(CValue, RealsWriteTextThatReadsBackToTheSameValue) {
  for (double value : {0.1, 1.0 / 3.0, -2.5e-300, 12345678.9, 0.0}) {
    std::string text = c_value::m_fromDouble(value).m_asString();
    EXPECT_EQ(c_parseDouble(text), value) << text;
  }
}

TEST(CValue, EqualityIsByKindAndValue) {
  EXPECT_EQ(c_value::m_fromInt(1), c_value::m_fromInt(1));
  EXPECT_NE(c_value::m_fromInt(1), c_value::m_fromLong(1));
  EXPECT_NE(c_value::m_fromText(""), c_value());
}

TEST(CValue, CanConvertTellsWhetherATextIsWhollyANumber) {
  using k = c_value::c_kind;
  EXPECT_TRUE(c_value::m_fromText("17").m_canConvert(k::integer));
  EXPECT_FALSE(c_value::m_fromText("17a").m_canConvert(k::integer));
  EXPECT_FALSE(c_value::m_fromText("5000000000").m_canConvert(k::integer));
  EXPECT_TRUE(c_value::m_fromText("5000000000").m_canConvert(k::longInteger));
  EXPECT_TRUE(c_value::m_fromText("2.5").m_canConvert(k::real));
  EXPECT_TRUE(c_value::m_fromInt(3).m_canConvert(k::text));
  EXPECT_FALSE(c_value().m_canConvert(k::integer));
}

TEST(CValueDateTime, ConvertsToAndFromTheCompactText) {
  using k = c_value::c_kind;
  c_value stamp = c_value::m_fromDateTime(c_dateTime::m_fromCompact("20240229120000"));
  EXPECT_EQ(stamp.m_kind(), k::dateTime);
  EXPECT_EQ(stamp.m_asString(), "20240229120000");
  EXPECT_TRUE(stamp.m_canConvert(k::text));
  EXPECT_FALSE(stamp.m_canConvert(k::integer));
  EXPECT_TRUE(c_value::m_fromText("20240229120000").m_canConvert(k::dateTime));
  EXPECT_FALSE(c_value::m_fromText("20230229120000").m_canConvert(k::dateTime));
  EXPECT_FALSE(c_value::m_fromInt(20240229).m_canConvert(k::dateTime));
  EXPECT_EQ(c_value::m_fromText("20240229120000").m_asDateTime(), stamp.m_asDateTime());
  EXPECT_FALSE(c_value::m_fromInt(1).m_asDateTime().m_isValid());
}

TEST(CValueDateTime, EqualityIsByKindAndInstant) {
  c_value a = c_value::m_fromDateTime(c_dateTime::m_fromSeconds(100));
  EXPECT_EQ(a, c_value::m_fromDateTime(c_dateTime::m_fromCompact("19700101000140")));
  EXPECT_NE(a, c_value::m_fromDateTime(c_dateTime::m_fromSeconds(101)));
  EXPECT_NE(a, c_value::m_fromText("19700101000140"));
}
