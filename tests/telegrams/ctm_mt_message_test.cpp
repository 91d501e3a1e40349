// What the TM sends the manual coding computer: an item's data, whether coding
// services are required, and the header-only telegrams.
#include "telegrams/ctm_mt_message.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ctm_telegram_text.h"

namespace {

using namespace ctm_test;

const std::string item = "W3212300001" "0123456789" "LH 1234 20240229" "Y" "FRA" "1" "ABCD" "MUELLER HANS        ";

std::string mt(std::string_view type, std::string_view data) { return telegramText("MT" + std::string(type), 1, data); }

TEST(CTM_mtRead, ItemData) {
  const std::string text = mt("01", item);
  auto telegram = parsedAs<CTM_mt01_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getBIT_ID(), "W3212300001");
  EXPECT_EQ(telegram->m_getLPC(), "0123456789");
  EXPECT_EQ(telegram->m_getFlightID(), "LH 1234 20240229");
  EXPECT_EQ(telegram->m_getCabinClass(), "Y");
  EXPECT_EQ(telegram->m_getDestination(), "FRA");
  EXPECT_TRUE(telegram->m_getOnwardConnection());
  EXPECT_EQ(telegram->m_getBaggageExceptionData(), "ABCD");
  EXPECT_EQ(telegram->m_getPassengerName(), "MUELLER HANS        ");
  EXPECT_EQ(written(*telegram), text);
}

TEST(CTM_mtRead, CodingServicesAndHeaderOnlyTelegrams) {
  auto required = parsedAs<CTM_mt11_message>(mt("11", "1"));
  ASSERT_TRUE(required);
  EXPECT_TRUE(required->m_getCodingServicesRequired());
  auto notRequired = parsedAs<CTM_mt11_message>(mt("11", "0"));
  ASSERT_TRUE(notRequired);
  EXPECT_FALSE(notRequired->m_getCodingServicesRequired());
  EXPECT_TRUE(parsedAs<CTM_mt00_message>("MT00" "01" "00" "000" "01\n"));
  EXPECT_TRUE(parsedAs<CTM_mt21_message>(mt("21", "")));
  EXPECT_TRUE(parsedAs<CTM_mt22_message>(mt("22", "")));
  EXPECT_EQ(refusal(mt("02", "")), "CTM_message::m_new(): Unknown message source/destination");
}

class CTM_mt01Write : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(item_.m_setBIT_ID("W3212300001"));
    ASSERT_TRUE(item_.m_setLPC("0123456789"));
    ASSERT_TRUE(item_.m_setFlightID("LH 1234 20240229"));
    ASSERT_TRUE(item_.m_setCabinClass("Y"));
    ASSERT_TRUE(item_.m_setDestination("FRA"));
    ASSERT_TRUE(item_.m_setOnwardConnection(true));
    ASSERT_TRUE(item_.m_setBaggageExceptionData("ABCD"));
  }
  CTM_mt01_message item_;
};

TEST_F(CTM_mt01Write, PassengerNamesArePaddedOrCutToTwentyCharacters) {
  ASSERT_TRUE(item_.m_setPassengerName("MUELLER HANS"));
  EXPECT_EQ(writtenAsSeven(item_), mt("01", item));
  ASSERT_TRUE(item_.m_setPassengerName(""));
  EXPECT_EQ(writtenAsSeven(item_), mt("01", item.substr(0, 46) + std::string(20, ' ')));
  ASSERT_TRUE(item_.m_setPassengerName("MUELLER-LUEDENSCHEIDT HANS"));
  EXPECT_EQ(writtenAsSeven(item_), mt("01", item.substr(0, 46) + "MUELLER-LUEDENSCHEID"));
}

TEST_F(CTM_mt01Write, OnwardConnectionIsWrittenAsADigit) {
  ASSERT_TRUE(item_.m_setPassengerName("MUELLER HANS"));
  ASSERT_TRUE(item_.m_setOnwardConnection(false));
  EXPECT_FALSE(item_.m_getOnwardConnection());
  const std::string text = writtenAsSeven(item_);
  EXPECT_EQ(text.substr(13 + 41, 1), "0");
}

TEST_F(CTM_mt01Write, SettersCheckNoPatternButTheReceiverDoes) {
  ASSERT_TRUE(item_.m_setCabinClass("y"));
  const std::string text = writtenAsSeven(item_);
  EXPECT_EQ(text.substr(13 + 37, 1), "y");
  EXPECT_EQ(refusal(text), "Field \"y\" (CabinClass) doesn't match \"[FCY]\" ! (offset: 50, field length: 1)");
}

TEST(CTM_mtWrite, CodingServicesAndKeepAlive) {
  CTM_mt11_message coding;
  ASSERT_TRUE(coding.m_setCodingServicesRequired(true));
  EXPECT_EQ(writtenAsSeven(coding), mt("11", "1"));
  ASSERT_TRUE(coding.m_setCodingServicesRequired(false));
  EXPECT_EQ(writtenAsSeven(coding), mt("11", "0"));
  EXPECT_EQ(written(CTM_mt00_message()), "MT00" "01" "00" "000" "01\n");
}

TEST(CTM_mtRefused, WithTheirExactTexts) {
  std::string noDestination = item;
  noDestination.replace(38, 3, "FR1");
  EXPECT_EQ(refusal(mt("01", noDestination)),
            "Field \"FR1\" (Destination) doesn't match \"[A-Z][A-Z][A-Z]\" ! (offset: 51, field length: 3)");
  EXPECT_EQ(refusal(mt("11", "2")),
            "Field \"2\" (codingServicesRequired) doesn't match \"[01]\" ! (offset: 13, field length: 1)");
  EXPECT_EQ(refusal(mt("01", item.substr(0, 46))), "1 mandantory fields missing at message end");
  EXPECT_EQ(refusal(telegramText("MT01", 2, item)), "Wrong version number (02) instead of (01).");
}

}  // namespace
