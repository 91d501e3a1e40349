// What the TM sends a transport controller: an item's destinations with their
// priorities (up to 53), its screening status, the header-only telegrams.
#include "telegrams/ctm_tmtc_message.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ctm_telegram_text.h"

namespace {

using namespace ctm_test;

const std::string head = "0012W3212300001ABCDE_1234-A5678";

std::string tmtc(std::string_view type, std::string_view data) { return telegramText("TMTC" + std::string(type), 1, data); }

TEST(CTM_tmtcRead, DestinationsWithTheirPriorities) {
  const std::string text = tmtc("01", head + "02" "FGHIJ-2345-B6789" "05" "KLMNO_3456-C7890" "10");
  auto telegram = parsedAs<CTM_tmtc01_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getPIC(), 12);
  EXPECT_EQ(telegram->m_getBIT_ID(), "W3212300001");
  EXPECT_EQ(telegram->m_getEquipmentCodeOrigin(), "ABCDE_1234-A5678");
  EXPECT_EQ(telegram->m_getFieldCount(), 2);
  std::string destination;
  int priority = 0;
  ASSERT_TRUE(telegram->m_getNextDestination(destination, priority));
  EXPECT_EQ(destination, "FGHIJ-2345-B6789");
  EXPECT_EQ(priority, 5);
  ASSERT_TRUE(telegram->m_getNextDestination(destination, priority));
  EXPECT_EQ(destination, "KLMNO_3456-C7890");
  EXPECT_EQ(priority, 10);
  EXPECT_FALSE(telegram->m_getNextDestination(destination, priority));
  EXPECT_EQ(written(*telegram), text);
}

TEST(CTM_tmtcRead, ScreeningStatus) {
  const std::string text = tmtc("02", head + "S");
  auto telegram = parsedAs<CTM_tmtc02_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getPIC(), 12);
  EXPECT_EQ(telegram->m_getBIT_ID(), "W3212300001");
  EXPECT_EQ(telegram->m_getEquipmentCode(), "ABCDE_1234-A5678");
  EXPECT_EQ(telegram->m_getScreeningStatus(), "S");
  EXPECT_EQ(written(*telegram), text);
}

TEST(CTM_tmtcRead, HeaderOnlyTelegrams) {
  EXPECT_TRUE(parsedAs<CTM_tmtc00_message>("TMTC00" "01" "00" "000" "01\n"));
  // Never sent by the TM, but read like any other.
  EXPECT_TRUE(parsedAs<CTM_tmtc21_message>(tmtc("21", "")));
  EXPECT_TRUE(parsedAs<CTM_tmtc22_message>(tmtc("22", "")));
  EXPECT_EQ(refusal(tmtc("03", "")), "CTM_message::m_new(): Unknown message source/destination");
}

class CTM_tmtc01Write : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(destinations_.m_setPIC(12));
    ASSERT_TRUE(destinations_.m_setBIT_ID("W3212300001"));
    ASSERT_TRUE(destinations_.m_setEquipmentCodeOrigin("ABCDE_1234-A5678"));
  }
  CTM_tmtc01_message destinations_;
};

TEST_F(CTM_tmtc01Write, WithoutDestinationsEndsAfterTheCount) {
  EXPECT_EQ(writtenAsSeven(destinations_), tmtc("01", head + "00"));
  EXPECT_EQ(writtenAsSeven(destinations_).substr(10, 3), "033");
}

TEST_F(CTM_tmtc01Write, Destinations) {
  ASSERT_TRUE(destinations_.m_appendDestination("FGHIJ-2345-B6789", 5));
  ASSERT_TRUE(destinations_.m_appendDestination("KLMNO_3456-C7890", 10));
  EXPECT_EQ(writtenAsSeven(destinations_), tmtc("01", head + "02" "FGHIJ-2345-B6789" "05" "KLMNO_3456-C7890" "10"));
}

TEST_F(CTM_tmtc01Write, KeepsFiftyThreeDestinations) {
  for (int i = 0; i < CTM_tmtc01_message::maxDestinations; ++i)
    ASSERT_TRUE(destinations_.m_appendDestination("FGHIJ-2345-B6789", i)) << i;
  EXPECT_FALSE(destinations_.m_appendDestination("FGHIJ-2345-B6789", 1));
  EXPECT_EQ(destinations_.m_getFieldCount(), 53);
  const std::string text = writtenAsSeven(destinations_);
  EXPECT_EQ(text.substr(10, 3), "987");
  EXPECT_EQ(text.size(), 15u + 987u + 1u);
}

TEST_F(CTM_tmtc01Write, APicBeyondFourDigitsCountsInTheDataLength) {
  ASSERT_TRUE(destinations_.m_setPIC(12345));
  EXPECT_EQ(writtenAsSeven(destinations_), tmtc("01", "12345W3212300001ABCDE_1234-A567800"));
}

TEST(CTM_tmtcWrite, ScreeningStatusAndKeepAlive) {
  CTM_tmtc02_message screening;
  ASSERT_TRUE(screening.m_setPIC(12));
  ASSERT_TRUE(screening.m_setBIT_ID("W3212300001"));
  ASSERT_TRUE(screening.m_setEquipmentCode("ABCDE_1234-A5678"));
  ASSERT_TRUE(screening.m_setScreeningStatus("U"));
  EXPECT_EQ(writtenAsSeven(screening), tmtc("02", head + "U"));
  EXPECT_EQ(written(CTM_tmtc00_message()), "TMTC00" "01" "00" "000" "01\n");
  EXPECT_EQ(written(CTM_tmtc22_message()), "TMTC22" "01" "-1" "000" "01\n");
}

TEST(CTM_tmtcRefused, WithTheirExactTexts) {
  EXPECT_EQ(refusal(tmtc("02", head + "X")),
            "Field \"X\" (screeningStatus) doesn't match \"[SU]\" ! (offset: 46, field length: 1)");
  // The TM never sends a blank item id.
  EXPECT_EQ(refusal(tmtc("02", "0012           ABCDE_1234-A5678S")),
            "Field \"           \" (BIT_ID) doesn't match "
            "\"[A-Z][0-9A-Z][0-9A-Z][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]\" ! (offset: 19, field length: 11)");
  EXPECT_EQ(refusal(tmtc("01", head + "01" "FGHIJ-2345-B6789" "5")),
            "Current field is out of total length! (Field name routingPriority, offset: 64, field length: 2, total "
            "length: 65 )");
  EXPECT_EQ(refusal(tmtc("01", head + "01" "FGHIJ-2345-B6789" "x5")),
            "CTM_messageFieldValue::m_parse(): Field \"x5\" (routingPriority) could not be parsed as int, format "
            "\"%d\" ! (offset: 64, field length: 2)");
}

}  // namespace
