// The typed parameter list that TCTM23, BCIM02, BCIM12 and IMBC03 share: each
// type letter's layout written and read back, the maximum of each, a list
// without a letter, and the one difference between them (the "B" values). And
// the flag list of BCIM11 and IMBC01.
#include "telegrams/ctm_parameterlist.h"

#include <gtest/gtest.h>

#include <string>

#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_imbc_message.h"
#include "telegrams/ctm_tctm_message.h"
#include "tests/support/ctm_telegram_text.h"

namespace {

using namespace ctm_test;

template <class T>
class CTM_typedParameterListTest : public testing::Test {
 protected:
  // The text of a telegram of this type with the given data part.
  std::string text(std::string_view data) {
    T telegram;
    return telegramText(telegram.m_getId(), telegram.m_getVersion(), data);
  }
  std::string dataOf(T& telegram) {
    const std::string all = writtenAsSeven(telegram);
    return all.size() > 16 ? all.substr(15, all.size() - 16) : "";
  }
  // Fills the list of `letter` to its maximum; the next append is refused.
  void expectMaximum(const char* letter, int maximum, std::size_t groupLength) {
    T list;
    ASSERT_TRUE(list.m_setFieldType(letter));
    bool appended = true;
    for (int i = 0; i < maximum && appended; ++i) {
      if (*letter == 'B') appended = list.m_appendBool(i, i % 2 == 0);
      if (*letter == 'I') appended = list.m_appendInt(i, i);
      if (*letter == 'L') appended = list.m_appendLong(i, 100000L + i);
      if (*letter == 'R') appended = list.m_appendReal(i, i / 4.0);
      if (*letter == 'S') appended = list.m_appendString(i, "value");
    }
    ASSERT_TRUE(appended) << letter;
    EXPECT_FALSE(list.m_appendBool(0, true) || list.m_appendInt(0, 1) || list.m_appendLong(0, 1) ||
                 list.m_appendReal(0, 1) || list.m_appendString(0, "1"))
        << letter;
    EXPECT_EQ(list.m_getFieldCount(), maximum) << letter;
    const std::string full = writtenAsSeven(list);
    EXPECT_EQ(full.size(), 16 + 3 + maximum * groupLength) << letter;
    auto parsed = parsedAs<T>(full);
    ASSERT_TRUE(parsed) << letter;
    EXPECT_EQ(parsed->m_getFieldCount(), maximum) << letter;
  }
};

using ParameterLists =
    testing::Types<CTM_tctm23_message, CTM_bcim02_message, CTM_bcim12_message, CTM_imbc03_message>;
TYPED_TEST_SUITE(CTM_typedParameterListTest, ParameterLists);

TYPED_TEST(CTM_typedParameterListTest, WithoutATypeLetterThereIsNoListToReadOrFill) {
  TypeParam list;
  EXPECT_EQ(list.m_getFieldType(), "");
  EXPECT_EQ(list.m_getFieldCount(), 0);
  int index = -1;
  bool flag = true;
  int number = -1;
  long wide = -1;
  double real = -1;
  std::string value = "untouched";
  EXPECT_FALSE(list.m_getNextBool(index, flag));
  EXPECT_FALSE(list.m_getNextInt(index, number));
  EXPECT_FALSE(list.m_getNextLong(index, wide));
  EXPECT_FALSE(list.m_getNextReal(index, real));
  EXPECT_FALSE(list.m_getNextString(index, value));
  EXPECT_EQ(index, -1);
  EXPECT_EQ(value, "untouched");
  EXPECT_FALSE(list.m_appendBool(1, true));
  EXPECT_FALSE(list.m_appendInt(1, 1));
  EXPECT_FALSE(list.m_appendLong(1, 1));
  EXPECT_FALSE(list.m_appendReal(1, 1));
  EXPECT_FALSE(list.m_appendString(1, "1"));
  // Only the empty letter is written.
  EXPECT_EQ(this->dataOf(list), " ");
}

TYPED_TEST(CTM_typedParameterListTest, BooleansWrittenAndReadBack) {
  TypeParam list;
  ASSERT_TRUE(list.m_setFieldType("B"));
  ASSERT_TRUE(list.m_appendBool(12, true));
  ASSERT_TRUE(list.m_appendBool(13, false));
  EXPECT_EQ(this->dataOf(list), "B02" "0012" "1;" "0013" "0;");
  auto parsed = parsedAs<TypeParam>(this->text("B02" "0012" "1;" "0013" "0;"));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->m_getFieldType(), "B");
  EXPECT_EQ(parsed->m_getFieldCount(), 2);
  int index = 0;
  bool flag = false;
  ASSERT_TRUE(parsed->m_getNextBool(index, flag));
  EXPECT_EQ(index, 12);
  EXPECT_TRUE(flag);
  ASSERT_TRUE(parsed->m_getNextBool(index, flag));
  EXPECT_EQ(index, 13);
  EXPECT_FALSE(flag);
  EXPECT_FALSE(parsed->m_getNextBool(index, flag));
}

TYPED_TEST(CTM_typedParameterListTest, IntsWrittenAndReadBack) {
  TypeParam list;
  ASSERT_TRUE(list.m_setFieldType("I"));
  ASSERT_TRUE(list.m_appendInt(12, 5));
  ASSERT_TRUE(list.m_appendInt(40, 100));
  EXPECT_EQ(this->dataOf(list), "I020012005;0040100;");
  auto parsed = parsedAs<TypeParam>(this->text("I020012005;0040100;"));
  ASSERT_TRUE(parsed);
  int index = 0;
  int value = 0;
  ASSERT_TRUE(parsed->m_getNextInt(index, value));
  EXPECT_EQ(index, 12);
  EXPECT_EQ(value, 5);
  ASSERT_TRUE(parsed->m_getNextInt(index, value));
  EXPECT_EQ(index, 40);
  EXPECT_EQ(value, 100);
  EXPECT_FALSE(parsed->m_getNextInt(index, value));
}

TYPED_TEST(CTM_typedParameterListTest, LongsRealsAndStringsWrittenAndReadBack) {
  TypeParam longs;
  ASSERT_TRUE(longs.m_setFieldType("L"));
  ASSERT_TRUE(longs.m_appendLong(7, 123456));
  EXPECT_EQ(this->dataOf(longs), "L01" "0007" "123456;");
  auto parsedLongs = parsedAs<TypeParam>(this->text("L01" "0007" "123456;"));
  ASSERT_TRUE(parsedLongs);
  int index = 0;
  long wide = 0;
  ASSERT_TRUE(parsedLongs->m_getNextLong(index, wide));
  EXPECT_EQ(index, 7);
  EXPECT_EQ(wide, 123456);

  TypeParam reals;
  ASSERT_TRUE(reals.m_setFieldType("R"));
  ASSERT_TRUE(reals.m_appendReal(1, 12.5));
  ASSERT_TRUE(reals.m_appendReal(2, -1.25));
  const std::string realData = "R02" "0001" "00000012.50000000;" "0002" "-0000001.25000000;";
  EXPECT_EQ(this->dataOf(reals), realData);
  auto parsedReals = parsedAs<TypeParam>(this->text(realData));
  ASSERT_TRUE(parsedReals);
  double real = 0;
  ASSERT_TRUE(parsedReals->m_getNextReal(index, real));
  EXPECT_EQ(index, 1);
  EXPECT_EQ(real, 12.5);
  ASSERT_TRUE(parsedReals->m_getNextReal(index, real));
  EXPECT_EQ(real, -1.25);

  TypeParam strings;
  ASSERT_TRUE(strings.m_setFieldType("S"));
  ASSERT_TRUE(strings.m_appendString(7, "VALUE"));
  ASSERT_TRUE(strings.m_appendString(8, "a text longer than its twenty characters"));
  const std::string stringData = "S02" "0007" "VALUE               ;" "0008" "a text longer than i;";
  EXPECT_EQ(this->dataOf(strings), stringData);
  auto parsedStrings = parsedAs<TypeParam>(this->text(stringData));
  ASSERT_TRUE(parsedStrings);
  std::string value;
  ASSERT_TRUE(parsedStrings->m_getNextString(index, value));
  EXPECT_EQ(index, 7);
  EXPECT_EQ(value, "VALUE               ");
}

TYPED_TEST(CTM_typedParameterListTest, EachTypeStopsAtItsOwnMaximum) {
  this->expectMaximum("B", 99, 6);
  this->expectMaximum("I", 99, 8);
  this->expectMaximum("L", 90, 11);
  this->expectMaximum("R", 45, 22);
  this->expectMaximum("S", 39, 25);
}

TYPED_TEST(CTM_typedParameterListTest, ANewTypeLetterStartsAnEmptyListAndAnUnknownOneIsRefused) {
  TypeParam list;
  ASSERT_TRUE(list.m_setFieldType("I"));
  ASSERT_TRUE(list.m_appendInt(1, 2));
  ASSERT_TRUE(list.m_setFieldType("I"));
  EXPECT_EQ(list.m_getFieldCount(), 1);
  EXPECT_FALSE(list.m_setFieldType("X"));
  EXPECT_FALSE(list.m_setFieldType(""));
  EXPECT_EQ(list.m_getFieldType(), "I");
  EXPECT_EQ(list.m_getFieldCount(), 1);
  ASSERT_TRUE(list.m_setFieldType("S"));
  EXPECT_EQ(list.m_getFieldCount(), 0);
  EXPECT_EQ(this->dataOf(list), "S00");
}

TYPED_TEST(CTM_typedParameterListTest, RefusesAnUnknownLetterAndAListBeyondItsMaximum) {
  EXPECT_EQ(refusal(this->text("X00")), "Unknown option \"X\" for field fieldType! (offset: 15, field length: 1)");
  std::string forty = "S40";
  for (int i = 0; i < 39; ++i) forty += "0001" "VALUE               ;";
  EXPECT_EQ(refusal(this->text(forty)),
            "\"fieldCount\" cannot exceed 39! (Field name fieldCount, offset: 993, field length: 2)");
  EXPECT_EQ(refusal(this->text("I010012005")), "1 mandantory fields missing at message end");
}

// Transport controllers send a boolean as an int of one digit; IM and the TM as
// the text "0" or "1". The wire looks alike, the checks and readable forms differ.
TEST(CTM_typedParameterListBooleans, AreDigitsFromTransportControllersAndFlagTextsElsewhere) {
  auto digits = parsedAs<CTM_tctm23_message>(telegramText("TCTM23", 1, "B0100121;"));
  auto flags = parsedAs<CTM_imbc03_message>(telegramText("IMBC03", 2, "B0100121;"));
  ASSERT_TRUE(digits && flags);
  EXPECT_NE(digits->m_asString().find("(fieldIndex=0012)(fieldValue=1)(delimiter=\";\")"), std::string::npos);
  EXPECT_NE(flags->m_asString().find("(fieldIndex=0012)(fieldValue=\"1\")(delimiter=\";\")"), std::string::npos);

  EXPECT_EQ(refusal(telegramText("TCTM23", 1, "B010012x;")),
            "CTM_messageFieldValue::m_parse(): Field \"x\" (fieldValue) could not be parsed as int, format \"%d\" ! "
            "(offset: 22, field length: 1)");
  EXPECT_EQ(refusal(telegramText("IMBC03", 2, "B0100122;")),
            "Field \"2\" (fieldValue) doesn't match \"[01]\" ! (offset: 22, field length: 1)");
  EXPECT_EQ(refusal(telegramText("BCIM02", 2, "B0100122;")),
            "Field \"2\" (fieldValue) doesn't match \"[01]\" ! (offset: 22, field length: 1)");
}

// The flag lists: BCIM11 appends any value, IMBC01 a flag.
bool appendFlag(CTM_bcim11_message& list, int index, bool flag) {
  return list.m_appendValue(index, c_value::m_fromInt(flag ? 1 : 0));
}
bool appendFlag(CTM_imbc01_message& list, int index, bool flag) { return list.m_appendBool(index, flag); }

template <class T>
class CTM_flagParameterListTest : public testing::Test {
 protected:
  std::string text(std::string_view data) {
    T telegram;
    return telegramText(telegram.m_getId(), telegram.m_getVersion(), data);
  }
};

using FlagLists = testing::Types<CTM_bcim11_message, CTM_imbc01_message>;
TYPED_TEST_SUITE(CTM_flagParameterListTest, FlagLists);

TYPED_TEST(CTM_flagParameterListTest, FlagsReadAndWrittenBack) {
  const std::string text = this->text("B02" "0003" "1;" "0004" "0;");
  auto list = parsedAs<TypeParam>(text);
  ASSERT_TRUE(list);
  EXPECT_EQ(list->m_getFieldType(), "B");
  EXPECT_EQ(list->m_getFieldCount(), 2);
  int index = 0;
  bool flag = false;
  ASSERT_TRUE(list->m_getNextBool(index, flag));
  EXPECT_EQ(index, 3);
  EXPECT_TRUE(flag);
  ASSERT_TRUE(list->m_getNextBool(index, flag));
  EXPECT_EQ(index, 4);
  EXPECT_FALSE(flag);
  EXPECT_FALSE(list->m_getNextBool(index, flag));
  EXPECT_EQ(written(*list), text);

  // The letter is always written as "B", set or not.
  TypeParam built;
  ASSERT_TRUE(appendFlag(built, 3, true));
  ASSERT_TRUE(appendFlag(built, 4, false));
  EXPECT_EQ(writtenAsSeven(built), text);
}

TYPED_TEST(CTM_flagParameterListTest, StopsAtNinetyNineFlags) {
  TypeParam list;
  ASSERT_TRUE(list.m_setFieldType("B"));
  for (int i = 0; i < 99; ++i) ASSERT_TRUE(appendFlag(list, i, i % 2 == 0)) << i;
  EXPECT_FALSE(appendFlag(list, 99, true));
  EXPECT_EQ(list.m_getFieldCount(), 99);
  EXPECT_EQ(writtenAsSeven(list).substr(10, 3), "597");
}

TYPED_TEST(CTM_flagParameterListTest, RefusesAnotherLetterAndAnotherDelimiter) {
  EXPECT_EQ(refusal(this->text("I01" "0003" "1;")),
            "Field \"I\" (fieldType) doesn't match \"B\" ! (offset: 15, field length: 1)");
  EXPECT_EQ(refusal(this->text("B01" "0003" "1,")),
            "Field \",\" (delimiter) doesn't match \";\" ! (offset: 23, field length: 1)");
  EXPECT_EQ(refusal(this->text("B01" "0003" "2;")),
            "Field \"2\" (fieldValue) doesn't match \"[01]\" ! (offset: 22, field length: 1)");
}

}  // namespace
