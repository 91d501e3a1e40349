// What a TM tells its downstream TM besides the item records: the number of
// items on a segment, the request for the connection states, the withdrawal of
// an item, and the refusals. UD11 and UD12 are tested with the item record.
#include "telegrams/ctm_ud_message.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ctm_telegram_text.h"

namespace {

using namespace ctm_test;

std::string ud(std::string_view type, std::string_view data) { return telegramText("UD" + std::string(type), 1, data); }

TEST(CTM_ud01, ItemCountOfASegment) {
  const std::string text = ud("01", "LS001" "0012");
  auto telegram = parsedAs<CTM_ud01_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getLS_ID(), "LS001");
  EXPECT_EQ(telegram->m_getBaggageCount(), 12);
  CTM_ud01_message built;
  ASSERT_TRUE(built.m_setLS_ID("LS001") && built.m_setBaggageCount(12));
  EXPECT_EQ(writtenAsSeven(built), text);
}

TEST(CTM_ud01, ACountAboveFourDigitsIsWrittenWhole) {
  CTM_ud01_message count;
  ASSERT_TRUE(count.m_setLS_ID("LS001") && count.m_setBaggageCount(12345));
  EXPECT_EQ(writtenAsSeven(count), ud("01", "LS001" "12345"));
}

TEST(CTM_ud13, WithdrawnItem) {
  const std::string text = ud("13", "ABCDE1234" "W3212300001");
  auto telegram = parsedAs<CTM_ud13_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getLogicalConnectID(), "ABCDE1234");
  EXPECT_EQ(telegram->m_getBIT_ID(), "W3212300001");
  CTM_ud13_message built;
  ASSERT_TRUE(built.m_setLogicalConnectID("ABCDE1234") && built.m_setBIT_ID("W3212300001"));
  EXPECT_EQ(writtenAsSeven(built), text);
}

TEST(CTM_udFactory, HeaderOnlyTelegramsAndNoOtherTypes) {
  EXPECT_EQ(written(CTM_ud00_message()), "UD00" "01" "00" "000" "01\n");
  EXPECT_TRUE(parsedAs<CTM_ud00_message>("UD00" "01" "00" "000" "01\n"));
  EXPECT_TRUE(parsedAs<CTM_ud02_message>(ud("02", "")));
  EXPECT_EQ(writtenAsSeven(*std::make_unique<CTM_ud02_message>()), ud("02", ""));
  for (const char* type : {"03", "10", "14"})
    EXPECT_EQ(refusal(ud(type, "")), "CTM_message::m_new(): Unknown message source/destination") << type;
}

INSTANTIATE_TEST_SUITE_P(
    Ud, CTM_refusedTelegram,
    testing::Values(
        RefusedTelegram{"BlankCount", ud("01", "LS001" "    "),
                "CTM_messageFieldValue::m_parse(): Field \"    \" (baggageCount) could not be parsed as int, format "
                "\"%d\" ! (offset: 18, field length: 4)"},
        RefusedTelegram{"LowerCaseSegment", ud("01", "ls001" "0001"),
                "Field \"ls001\" (LS_ID) doesn't match \"[A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9][A-Z0-9]\" ! (offset: 13, "
                "field length: 5)"},
        RefusedTelegram{"WithdrawalWithoutItem", ud("13", "ABCDE1234"), "1 mandantory fields missing at message end"},
        RefusedTelegram{"RecordCutShort", ud("11", "ABCDE1234" "01" "W3212300001" "UNK             " "0"),
                "17 mandantory fields missing at message end"}),
    refusedName);

}  // namespace
