// What the TM asks the LPC server: six request types over one LPC field, each
// read and written back byte for byte, and the LPCs a peer may not send.
#include "telegrams/ctm_cs_message.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ctm_telegram_text.h"

namespace {

using namespace ctm_test;

std::string cs(std::string_view type, std::string_view data) { return telegramText("CS" + std::string(type), 1, data); }

class CTM_csRequest : public testing::TestWithParam<const char*> {};

TEST_P(CTM_csRequest, CarriesItsLpcBothWays) {
  const std::string text = cs(GetParam(), "0123456789");
  auto telegram = CTM_message::m_new(text);
  ASSERT_TRUE(telegram->m_isValid()) << telegram->m_getErrorText();
  EXPECT_EQ(telegram->m_getId(), "CS" + std::string(GetParam()));
  auto* request = dynamic_cast<CTM_csLpcMessage*>(telegram.get());
  ASSERT_NE(request, nullptr);
  EXPECT_EQ(request->m_getLPC(), "0123456789");
  EXPECT_EQ(written(*telegram), text);

  auto built = CTM_cs_message::m_create(text);
  auto* fresh = dynamic_cast<CTM_csLpcMessage*>(built.get());
  ASSERT_NE(fresh, nullptr);
  ASSERT_TRUE(fresh->m_setLPC("0123456789"));
  EXPECT_EQ(writtenAsSeven(*fresh), text);
}

INSTANTIATE_TEST_SUITE_P(Types, CTM_csRequest, testing::Values("01", "02", "03", "11", "12", "13"));

TEST(CTM_csWrite, ARequestIsTwentyFourCharacters) {
  CTM_cs02_message request;
  ASSERT_TRUE(request.m_setLPC("0000004711"));
  const std::string text = written(request);
  EXPECT_EQ(text, "CS02" "01" "-1" "010" "01" "0000004711" "\n");
  EXPECT_EQ(text.size(), 24u);
  CTM_cs03_message release;
  ASSERT_TRUE(release.m_setLPC("0000004711"));
  EXPECT_EQ(writtenAsSeven(release), cs("03", "0000004711"));
}

TEST(CTM_csWrite, KeepAlive) {
  EXPECT_EQ(written(CTM_cs00_message()), "CS00" "01" "00" "000" "01\n");
  auto parsed = parsedAs<CTM_cs00_message>("CS00" "01" "00" "000" "01\n");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->m_getSeqNo(), 0);
}

TEST(CTM_csFactory, OnlyItsSevenTypes) {
  for (const char* type : {"04", "10", "14", "21"})
    EXPECT_EQ(CTM_cs_message::m_create(cs(type, "0123456789")), nullptr) << type;
  EXPECT_EQ(CTM_cs_message::m_create("SC01"), nullptr);
  EXPECT_EQ(refusal(cs("04", "0123456789")), "CTM_message::m_new(): Unknown message source/destination");
}

INSTANTIATE_TEST_SUITE_P(
    Cs, CTM_refusedTelegram,
    testing::Values(
        RefusedTelegram{"NineDigitsStatedAsNine", cs("02", "012345678"),
                "Current field is out of total length! (Field name LPC, offset: 13, field length: 10, total length: 22 )"},
        RefusedTelegram{"NineDigitsStatedAsTen", "CS02" "01" "07" "010" "01" "012345678\n",
                "Header length: 13 plus data length: 10 plus 1 not equal total length: 23"},
        RefusedTelegram{"ElevenDigits", cs("02", "01234567890"),
                "CTM_message::m_init(): Framing Error! Header length: 13 plus data length: 11 not equal defined "
                "length: 23"},
        RefusedTelegram{"LetterInTheLpc", cs("03", "01234A6789"),
                "Field \"01234A6789\" (LPC) doesn't match \"[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]\" ! "
                "(offset: 13, field length: 10)"},
        RefusedTelegram{"BlankLpc", cs("02", "          "),
                "Field \"          \" (LPC) doesn't match \"[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]\" ! "
                "(offset: 13, field length: 10)"}),
    refusedName);

}  // namespace
