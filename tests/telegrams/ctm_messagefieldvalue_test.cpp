// Field values: parsing and checking each type, setting, the groups of count
// and selector fields with their cursor, and the exact error texts.
#include "telegrams/ctm_messagefieldvalue.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ctm_test_telegrams.h"

namespace {

using namespace ctm_test;

std::unique_ptr<CTM_message> parse(std::string_view text) { return newTelegram(text); }

// A telegram of the test pair with the header filled in for its data part.
std::string yz(const std::string& type, const std::string& data) {
  char length[8];
  std::snprintf(length, sizeof length, "%03zu", data.size());
  return "YZ" + type + "0101" + length + "01" + data + "\n";
}

struct FieldCase {
  const char* name;
  CTM_fieldDefinition definition;
  std::string text;
  bool parses;
  std::string written;  // the wire text after parsing, or the error text
};

void PrintTo(const FieldCase& c, std::ostream* os) { *os << c.name; }

class CTM_messageFieldValueParse : public testing::TestWithParam<FieldCase> {};

TEST_P(CTM_messageFieldValueParse, ParsesAndWritesBackOrRefuses) {
  const FieldCase& c = GetParam();
  CTM_messageFieldValue value(&c.definition);
  ASSERT_EQ(value.m_parse(c.text), c.parses) << value.m_getErrorText();
  if (!c.parses) {
    EXPECT_EQ(value.m_getErrorText(), c.written);
    return;
  }
  std::string out;
  const int length = value.m_serialize(out);
  EXPECT_EQ(length, static_cast<int>(out.size()));
  EXPECT_EQ(out, c.written);
}

constexpr c_pattern bad{"[A-"};
using F = CTM_fieldDefinition;
const std::string head = "CTM_messageFieldValue::m_parse(): Field ";

INSTANTIATE_TEST_SUITE_P(
    Types, CTM_messageFieldValueParse,
    testing::Values(
        FieldCase{"IntZeroPadded", F::m_int("PIC", 4), "0012", true, "0012"},
        FieldCase{"IntLeadingBlanks", F::m_int("PIC", 4), "  12", true, "0012"},
        FieldCase{"IntSign", F::m_int("PIC", 4), "-012", true, "-012"},
        FieldCase{"IntTrailingBlank", F::m_int("PIC", 4), " 12 ", false,
                  head + "\" 12 \" (PIC) could not be parsed as int, format \"%d\" !"},
        FieldCase{"IntBlank", F::m_int("PIC", 4), "    ", false,
                  head + "\"    \" (PIC) could not be parsed as int, format \"%d\" !"},
        FieldCase{"IntOverflow", F::m_int("n", 10), "9999999999", false,
                  head + "\"9999999999\" (n) could not be parsed as int, format \"%d\" !"},
        FieldCase{"LongWide", F::m_long("n", 10), "9999999999", true, "9999999999"},
        FieldCase{"LongOverflow", F::m_long("n", 20), "99999999999999999999", false,
                  head + "\"99999999999999999999\" (n) could not be parsed as long, format \"%ld\" !"},
        FieldCase{"DoubleEightDecimals", F::m_double("v", 17), "     12.5", true, "00000012.50000000"},
        FieldCase{"DoubleNegative", F::m_double("v", 17), "-0000001.25000000", true, "-0000001.25000000"},
        FieldCase{"DoubleInfinity", F::m_double("v", 4), " inf", false,
                  head + "\" inf\" (v) could not be parsed as double, format \"%lf\" !"},
        FieldCase{"DoubleNan", F::m_double("v", 3), "nan", false,
                  head + "\"nan\" (v) could not be parsed as double, format \"%lf\" !"},
        FieldCase{"DoubleHex", F::m_double("v", 5), "0x1p3", false,
                  head + "\"0x1p3\" (v) could not be parsed as double, format \"%lf\" !"},
        FieldCase{"DoubleExponent", F::m_double("v", 5), "1e300", false,
                  head + "\"1e300\" (v) could not be parsed as double, format \"%lf\" !"},
        FieldCase{"DateTime", F::m_dateTime("t"), "20240229235959", true, "20240229235959"},
        FieldCase{"DateTimeMonth13", F::m_dateTime("t"), "20241301000000", false,
                  head + "\"20241301000000\" (t) is not an valid datetime!"},
        FieldCase{"DateTimeLetter", F::m_dateTime("t"), "2024010100000x", false,
                  head + "\"2024010100000x\" (t) could not be parsed as datetime, format \"%4d%2d%2d%2d%2d%2d\" !"},
        FieldCase{"DateTimeBlankInside", F::m_dateTime("t"), "2024 101000000", false,
                  head + "\"2024 101000000\" (t) could not be parsed as datetime, format \"%4d%2d%2d%2d%2d%2d\" !"},
        FieldCase{"DateTimeSign", F::m_dateTime("t"), "+2024010100000", false,
                  head + "\"+2024010100000\" (t) could not be parsed as datetime, format \"%4d%2d%2d%2d%2d%2d\" !"},
        FieldCase{"TextKeepsItsBlanks", F::m_text("name", 6), "AB    ", true, "AB    "},
        FieldCase{"TextPattern", F::m_text("BIT_ID", 11, &ctm_bitIdPattern), "W3212300001", true, "W3212300001"},
        FieldCase{"TextMismatch", F::m_text("BIT_ID", 11, &ctm_bitIdPattern), "w3212300001", false,
                  "Field \"w3212300001\" (BIT_ID) doesn't match \"" + std::string(ctm_bitIdPattern.m_source()) +
                      "\" !"},
        FieldCase{"TextNulRefused", F::m_text("BIT_ID", 11, &ctm_bitIdPattern), std::string("W32\0" "2300001", 11),
                  false,
                  "Field \"" + std::string("W32\0" "2300001", 11) + "\" (BIT_ID) doesn't match \"" +
                      std::string(ctm_bitIdPattern.m_source()) + "\" !"},
        FieldCase{"TextHighByteRefused", F::m_text("flag", 1, &ctm_flagPattern), "\xb1", false,
                  "Field \"\xb1\" (flag) doesn't match \"[01]\" !"},
        FieldCase{"TextIllegalPattern", F::m_text("bad", 1, &bad), "A", false,
                  "Field \"A\" (bad) illegal regular expression \"[A-\" !"},
        FieldCase{"FixedValueIsWrittenAlways", F::m_fixedText("delimiter", 1, &ctm_delimiterPattern, ";"), ";", true,
                  ";"},
        FieldCase{"UnknownType", F{"odd", static_cast<CTM_fieldType>(99), 1, nullptr, nullptr, nullptr, {}, {}, 0, 0},
                  "1", false, "CTM_messageFieldValue::m_parse(): Parsing of type 99 not (yet) implemented!"}),
    [](const auto& info) { return info.param.name; });

TEST(CTM_messageFieldValueSet, ConvertsToTheFieldTypeOrRefusesAndKeepsTheValue) {
  constexpr F number = F::m_int("PIC", 4);
  CTM_messageFieldValue value(&number);
  EXPECT_TRUE(value.m_set("0042"));
  EXPECT_EQ(value.m_kind(), c_value::c_kind::integer);
  EXPECT_EQ(value.m_asInt(), 42);
  EXPECT_FALSE(value.m_set("42x"));
  EXPECT_FALSE(value.m_set(c_value::m_fromLong(5000000000LL)));
  EXPECT_FALSE(value.m_set(c_value::m_fromDouble(1e300)));
  EXPECT_EQ(value.m_asInt(), 42);
  EXPECT_EQ(value.m_getErrorText(),
            "CTM_messageFieldValue::m_set(): Value \"42x\" cannot be converted to type 7 of field PIC!"
            "CTM_messageFieldValue::m_set(): Value \"5000000000\" cannot be converted to type 7 of field PIC!"
            "CTM_messageFieldValue::m_set(): Value \"1e+300\" cannot be converted to type 7 of field PIC!");
  constexpr F flag = F::m_text("flag", 1, &ctm_flagPattern);
  CTM_messageFieldValue text(&flag);
  EXPECT_TRUE(text.m_setFlag(true));
  EXPECT_EQ(text.m_asString(), "1");
  constexpr F stamp = F::m_dateTime("timeStamp");
  CTM_messageFieldValue time(&stamp);
  EXPECT_FALSE(time.m_setTime(INT64_C(253402300800)));  // year 10000
  EXPECT_TRUE(time.m_setTime(0));
  std::string out;
  time.m_serialize(out);
  EXPECT_EQ(out, "19700101000000");
}

TEST(CTM_messageFieldValueSet, ANotSetDateTimeIsWrittenAsBlanks) {
  constexpr F stamp = F::m_dateTime("timeStamp");
  CTM_messageFieldValue time(&stamp);
  std::string out;
  EXPECT_EQ(time.m_serialize(out), 14);
  EXPECT_EQ(out, std::string(14, ' '));
  EXPECT_EQ(time.m_readable(), "(timeStamp=)");
}

TEST(CTM_messageFieldValueSet, UnknownTypesAreNoticedAndShownAsUnknown) {
  constexpr F odd{"odd", static_cast<CTM_fieldType>(99), 1, nullptr, nullptr, nullptr, {}, {}, 0, 0};
  CTM_messageFieldValue value(&odd);
  std::string out;
  testing::internal::CaptureStderr();
  EXPECT_EQ(value.m_serialize(out), 0);
  EXPECT_EQ(value.m_readable(), "(odd=???" ")");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "CTM_messageFieldValue::m_serialize(): Processing of type 99 not (yet) implemented!\n"
            "CTM_messageFieldValue::m_asString(): Processing of type 99 not (yet) implemented!\n");
}

class CTM_messageFieldValueSelector : public testing::Test {
 protected:
  std::string written() {
    telegram_.m_setSeqNo(1);
    std::string out;
    telegram_.m_serialize(out);
    return out;
  }
  CTM_yz03_message telegram_;
};

TEST_F(CTM_messageFieldValueSelector, AnOptionCreatesItsLayout) {
  EXPECT_FALSE(telegram_.m_appendItem(1, true));  // no layout yet
  EXPECT_EQ(telegram_.m_getFieldCount(), 0);
  ASSERT_TRUE(telegram_.m_setFieldType("A"));
  ASSERT_TRUE(telegram_.m_appendItem(12, true));
  ASSERT_TRUE(telegram_.m_appendItem(40, false));
  ASSERT_TRUE(telegram_.m_setTrailer("42"));
  EXPECT_EQ(telegram_.m_getFieldCount(), 2);
  EXPECT_EQ(written(), yz("03", "A0200121;00400;42"));
  EXPECT_EQ(telegram_.m_asString(),
            "((msgId=YZ03)(versNo=1)(seqNo=1)(subId=\"01\")(fieldType=\"A\")(fieldCount=02)(fieldIndex=0012)"
            "(fieldValue=\"1\")(delimiter=\";\")(fieldIndex=0040)(fieldValue=\"0\")(delimiter=\";\")(trailer=\"42\"))");
  ASSERT_TRUE(telegram_.m_setFieldType("B"));
  ASSERT_TRUE(telegram_.m_setReal(12.5));
  EXPECT_EQ(written(), yz("03", "B00000012.5000000042"));
  ASSERT_TRUE(telegram_.m_setFieldType("N"));
  EXPECT_FALSE(telegram_.m_setReal(1.0));
  EXPECT_EQ(written(), yz("03", "N42"));
}

TEST_F(CTM_messageFieldValueSelector, AnUnknownOptionChangesNothing) {
  ASSERT_TRUE(telegram_.m_setFieldType("A"));
  ASSERT_TRUE(telegram_.m_appendItem(7, true));
  EXPECT_FALSE(telegram_.m_setFieldType("X"));
  EXPECT_EQ(telegram_.m_getFieldType(), "A");
  EXPECT_EQ(telegram_.m_getFieldCount(), 1);
  ASSERT_FALSE(telegram_.m_fieldValues().empty());
  EXPECT_EQ(telegram_.m_fieldValues()[0].m_getErrorText(), "Unknown option \"X\" for field fieldType!");
  // Setting the value it already has keeps the layout and its groups.
  EXPECT_TRUE(telegram_.m_setFieldType("A"));
  EXPECT_EQ(telegram_.m_getFieldCount(), 1);
}

TEST_F(CTM_messageFieldValueSelector, OptionTextsAreComparedWholeWithTheirBlanks) {
  CTM_yz05_message status;
  EXPECT_FALSE(status.m_setStatus("UNK"));
  EXPECT_TRUE(status.m_setStatus("UNK             "));
  EXPECT_TRUE(parse(yz("05", "GARBAGE         "))->m_isValid());
  auto refused = parse(yz("05", "GARBAGE        X"));
  EXPECT_EQ(refused->m_getErrorText(),
            "Unknown option \"GARBAGE        X\" for field BIT_status! (offset: 13, field length: 16)");
}

TEST_F(CTM_messageFieldValueSelector, SendersStopAtTheAppendLimitReceiversAtTheParseMaximum) {
  ASSERT_TRUE(telegram_.m_setFieldType("A"));
  for (int i = 0; i < itemAppendMaximum; ++i) ASSERT_TRUE(telegram_.m_appendItem(i, true));
  EXPECT_FALSE(telegram_.m_appendItem(99, true));
  EXPECT_EQ(telegram_.m_getFieldCount(), itemAppendMaximum);
  const std::string five = "A05" + std::string("00011;") + "00021;" + "00031;" + "00041;" + "00051;" + "42";
  auto parsed = parse(yz("03", five));
  ASSERT_TRUE(parsed->m_isValid()) << parsed->m_getErrorText();
  EXPECT_EQ(dynamic_cast<CTM_yz03_message&>(*parsed).m_getFieldCount(), 5);
  auto six = parse(yz("03", "A06" + std::string("00011;") + "00021;" + "00031;" + "00041;" + "00051;" + "00061;42"));
  EXPECT_EQ(six->m_getErrorText(), "\"fieldCount\" cannot exceed 5! (Field name fieldCount, offset: 46, field length: 2)");
}

TEST_F(CTM_messageFieldValueSelector, ACountOfZeroHasNoGroupsAndTheNextFieldFollows) {
  auto parsed = parse(yz("03", "A0042"));
  ASSERT_TRUE(parsed->m_isValid()) << parsed->m_getErrorText();
  auto& typed = dynamic_cast<CTM_yz03_message&>(*parsed);
  EXPECT_EQ(typed.m_getTrailer(), "42");
  int index = 0;
  bool flag = false;
  EXPECT_FALSE(typed.m_getNextItem(index, flag));
}

TEST_F(CTM_messageFieldValueSelector, ANegativeCountIsRefused) {
  EXPECT_EQ(parse(yz("03", "A-142"))->m_getErrorText(),
            "CTM_messageFieldValue::m_parse(): Field \"-1\" (fieldCount) could not be parsed as int, format \"%d\" ! "
            "(offset: 14, field length: 2)");
}

TEST(CTM_messageFieldValueGroups, TheCursorWalksTheGroupsAndCanBeRewound) {
  auto parsed = parse(yz("03", "A0300011;00020;00031;42"));
  ASSERT_TRUE(parsed->m_isValid()) << parsed->m_getErrorText();
  auto& typed = dynamic_cast<CTM_yz03_message&>(*parsed);
  int index = 0;
  bool flag = false;
  std::vector<std::pair<int, bool>> read;
  while (typed.m_getNextItem(index, flag)) read.emplace_back(index, flag);
  EXPECT_EQ(read, (std::vector<std::pair<int, bool>>{{1, true}, {2, false}, {3, true}}));
  typed.m_resetItems();
  ASSERT_TRUE(typed.m_getNextItem(index, flag));
  EXPECT_EQ(index, 1);
  ASSERT_TRUE(typed.m_getNextItem(index, flag));
  EXPECT_EQ(index, 2);
}

class CTM_messageFieldValueCount : public testing::Test {
 protected:
  CTM_messageFieldValue count_{&itemLayout[0]};
  const c_value values_[3] = {c_value::m_fromInt(12), c_value::m_fromText("1"), c_value::m_fromText(";")};
};

TEST_F(CTM_messageFieldValueCount, ReadingBeforeAnyGroupAndPastTheLastFails) {
  c_value a;
  EXPECT_FALSE(count_.m_getNext(0, a));
  EXPECT_EQ(count_.m_getErrorText(), "Iterator for \"fieldCount\" empty!");
  ASSERT_TRUE(count_.m_appendValues(std::span(values_, 2)));
  EXPECT_TRUE(count_.m_getNext(0, a));
  EXPECT_EQ(a, c_value::m_fromInt(12));
  EXPECT_FALSE(count_.m_getNext(0, a));
  EXPECT_EQ(count_.m_getErrorText(), "Iterator for \"fieldCount\" empty!Iterator for \"fieldCount\" out of the list!");
}

TEST_F(CTM_messageFieldValueCount, AppendingStartsReadingAtTheFirstGroupAgain) {
  ASSERT_TRUE(count_.m_appendValues(values_));
  c_value a;
  ASSERT_TRUE(count_.m_getNext(0, a));
  EXPECT_FALSE(count_.m_getNext(0, a));
  const c_value second[] = {c_value::m_fromInt(40)};
  ASSERT_TRUE(count_.m_appendValues(second));
  ASSERT_TRUE(count_.m_getNext(0, a));
  EXPECT_EQ(a.m_asInt(), 12);
  ASSERT_TRUE(count_.m_getNext(0, a));
  EXPECT_EQ(a.m_asInt(), 40);
  EXPECT_EQ(count_.m_asInt(), 2);
}

TEST_F(CTM_messageFieldValueCount, MoreValuesThanTheGroupHoldsAreRefusedWithoutAGroup) {
  const c_value four[4] = {values_[0], values_[1], values_[2], values_[2]};
  EXPECT_FALSE(count_.m_appendValues(four));
  EXPECT_EQ(count_.m_groupCount(), 0u);
  EXPECT_EQ(count_.m_getErrorText(),
            "CTM_messageFieldValue::m_appendValues(): 4 values for a group of 3 fields in \"fieldCount\"!");
}

TEST_F(CTM_messageFieldValueCount, AnIndexPastTheGroupFailsWithoutMovingTheCursor) {
  ASSERT_TRUE(count_.m_appendValues(values_));
  c_value a, b;
  EXPECT_FALSE(count_.m_getNext(0, 3, a, b));
  EXPECT_FALSE(count_.m_getNext(-1, a));
  EXPECT_TRUE(count_.m_getNext(1, 2, a, b));
  EXPECT_EQ(a.m_asString(), "1");
  EXPECT_EQ(b.m_asString(), ";");
}

TEST_F(CTM_messageFieldValueCount, OnlyCountFieldsHaveGroups) {
  constexpr F plain = F::m_int("PIC", 4);
  CTM_messageFieldValue value(&plain);
  c_value a;
  EXPECT_FALSE(value.m_appendValues(values_));
  EXPECT_FALSE(value.m_getNext(0, a));
  EXPECT_EQ(value.m_getErrorText(),
            "CTM_messageFieldValue::m_appendValues(): \"PIC\" is not a count field!\"PIC\" is not a count field!");
}

TEST(CTM_messageFieldValueCount166, FillsExactly999CharactersAndNoMore) {
  CTM_yz04_message telegram;
  telegram.m_setSeqNo(5);
  for (int i = 0; i < occupationMaximum; ++i) ASSERT_TRUE(telegram.m_appendOccupation("LS001", "F")) << i;
  EXPECT_FALSE(telegram.m_appendOccupation("LS001", "F"));
  EXPECT_EQ(telegram.m_getFieldCount(), occupationMaximum);
  std::string out;
  ASSERT_EQ(telegram.m_serialize(out), 13 + 999 + 1);
  auto parsed = parse(out);
  ASSERT_TRUE(parsed->m_isValid()) << parsed->m_getErrorText();
  std::string segment, occupation;
  auto& typed = dynamic_cast<CTM_yz04_message&>(*parsed);
  int groups = 0;
  while (typed.m_getNextOccupation(segment, occupation)) ++groups;
  EXPECT_EQ(groups, occupationMaximum);
  EXPECT_EQ(segment + occupation, "LS001F");
}

struct MissingCase {
  const char* name;
  std::string type;
  std::string data;
  std::string error;
};

void PrintTo(const MissingCase& c, std::ostream* os) { *os << c.name; }

class CTM_messageFieldValueMissing : public testing::TestWithParam<MissingCase> {};

TEST_P(CTM_messageFieldValueMissing, NamesWhatIsMissing) {
  EXPECT_EQ(parse(yz(GetParam().type, GetParam().data))->m_getErrorText(), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    DataPart, CTM_messageFieldValueMissing,
    testing::Values(
        MissingCase{"AtABoundary", "02", "0012", "6 mandantory fields missing at message end"},
        MissingCase{"InsideAGroup", "03", "A010001", "2 mandantory fields missing at message end"},
        MissingCase{"InsideAField", "01", "0012W3212", "Current field is out of total length! (Field name BIT_ID, "
                                                       "offset: 17, field length: 11, total length: 22 )"},
        MissingCase{"PatternWithOffset", "01", "0012w3212300001ABCDE_1234-A5678",
                    "Field \"w3212300001\" (BIT_ID) doesn't match \"" +
                        std::string(ctm_bitIdOrBlankPattern.m_source()) + "\" ! (offset: 17, field length: 11)"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
