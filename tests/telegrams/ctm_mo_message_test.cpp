// What the TM reports to OC: its segments, entry-point availability and segment
// occupation within their limits, an item at a segment, tracking events with
// their five-character types, UTC time stamps, and the refusals. The item
// record of MO10 is tested with the item record.
#include "telegrams/ctm_mo_message.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/c_foreignzone.h"
#include "tests/support/ctm_telegram_text.h"

namespace {

using namespace ctm_test;

constexpr std::int64_t leapDayNoon = 1709208000;  // 2024-02-29 12:00:00 UTC

std::string mo(std::string_view type, std::string_view data) { return telegramText("MO" + std::string(type), 1, data); }

TEST(CTM_mo01, SegmentsBothWays) {
  const std::string text = mo("01", "002" "LS001" "LS002");
  auto telegram = parsedAs<CTM_mo01_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getFieldCount(), 2);
  std::string segment;
  ASSERT_TRUE(telegram->m_getNextLS_ID(segment));
  EXPECT_EQ(segment, "LS001");
  ASSERT_TRUE(telegram->m_getNextLS_ID(segment));
  EXPECT_EQ(segment, "LS002");
  EXPECT_FALSE(telegram->m_getNextLS_ID(segment));

  CTM_mo01_message built;
  EXPECT_EQ(writtenAsSeven(built), mo("01", "000"));
  ASSERT_TRUE(built.m_appendLS_ID("LS001") && built.m_appendLS_ID("LS002"));
  EXPECT_EQ(writtenAsSeven(built), text);
}

TEST(CTM_mo01, TheEleventhSegmentIsRefused) {
  CTM_mo01_message segments;
  for (int i = 0; i < CTM_mo01_message::maxSegments; ++i) ASSERT_TRUE(segments.m_appendLS_ID("LS001")) << i;
  EXPECT_FALSE(segments.m_appendLS_ID("LS011"));
  EXPECT_EQ(segments.m_getFieldCount(), 10);
  EXPECT_EQ(writtenAsSeven(segments).size(), 13u + 3 + 10 * 5 + 1);
}

TEST(CTM_mo06, EntryPointsWithTheirAvailability) {
  const std::string text = mo("06", "002" "ABCDE1234" "A" "FGHIJ5678" "N");
  auto telegram = parsedAs<CTM_mo06_message>(text);
  ASSERT_TRUE(telegram);
  std::string entryPoint, availability;
  ASSERT_TRUE(telegram->m_getNextEntryPoint(entryPoint, availability));
  EXPECT_EQ(entryPoint + availability, "ABCDE1234A");
  ASSERT_TRUE(telegram->m_getNextEntryPoint(entryPoint, availability));
  EXPECT_EQ(entryPoint + availability, "FGHIJ5678N");
  EXPECT_FALSE(telegram->m_getNextEntryPoint(entryPoint, availability));

  CTM_mo06_message built;
  ASSERT_TRUE(built.m_appendEntryPoint("ABCDE1234", "A") && built.m_appendEntryPoint("FGHIJ5678", "N"));
  EXPECT_EQ(writtenAsSeven(built), text);
  for (int i = 2; i < CTM_mo06_message::maxEntryPoints; ++i) ASSERT_TRUE(built.m_appendEntryPoint("ABCDE1234", "A"));
  EXPECT_FALSE(built.m_appendEntryPoint("ABCDE1234", "A"));
}

TEST(CTM_mo07, OneHundredSixtySixSegmentsFillADataPart) {
  CTM_mo07_message occupation;
  ASSERT_TRUE(occupation.m_appendOccupation("LS001", "F"));
  EXPECT_EQ(writtenAsSeven(occupation), mo("07", "001" "LS001" "F"));
  for (int i = 1; i < CTM_mo07_message::maxSegments; ++i) ASSERT_TRUE(occupation.m_appendOccupation("LS002", "E"));
  EXPECT_FALSE(occupation.m_appendOccupation("LS003", "A"));
  const std::string text = writtenAsSeven(occupation);
  EXPECT_EQ(text.substr(8, 3), "999");
  auto parsed = parsedAs<CTM_mo07_message>(text);
  ASSERT_TRUE(parsed);
  std::string segment, state;
  ASSERT_TRUE(parsed->m_getNextOccupation(segment, state));
  EXPECT_EQ(segment + state, "LS001F");
  ASSERT_TRUE(parsed->m_getNextOccupation(segment, state));
  EXPECT_EQ(segment + state, "LS002E");
}

TEST(CTM_mo08, AnItemAtASegment) {
  const std::string text = mo("08", "LS001" "W3212300001");
  auto telegram = parsedAs<CTM_mo08_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getLS_ID(), "LS001");
  EXPECT_EQ(telegram->m_getBIT_ID(), "W3212300001");
  CTM_mo08_message built;
  ASSERT_TRUE(built.m_setLS_ID("LS001") && built.m_setBIT_ID("W3212300001"));
  EXPECT_EQ(writtenAsSeven(built), text);
}

class CTM_mo11Test : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(event_.m_setLS_ID("LS001"));
    ASSERT_TRUE(event_.m_setBIT_ID("W3212300001"));
    ASSERT_TRUE(event_.m_setTimeStamp(leapDayNoon));
  }
  c_foreignZone zone_;
  CTM_mo11_message event_;
};

TEST_F(CTM_mo11Test, EachEventTypeWithItsTrackingPoint) {
  for (const char* type : {"ENTER", "EXIT ", "TRS  ", "OSIZE", "GARB ", "TLATE"}) {
    ASSERT_TRUE(event_.m_setTrackingEvent(type, "TP0001")) << type;
    EXPECT_EQ(writtenAsSeven(event_),
              mo("11", "LS001" "W3212300001" + std::string(type) + "TP0001          " "20240229120000"));
  }
}

TEST_F(CTM_mo11Test, AnEventTypeOutsideTheSixTouchesNothing) {
  ASSERT_TRUE(event_.m_setTrackingEvent("ENTER", "TP0001"));
  for (const char* type : {"EXIT", "enter", "DIV  ", "TRS   ", ""}) {
    EXPECT_FALSE(event_.m_setTrackingEvent(type, "TP0002")) << type;
    EXPECT_EQ(event_.m_getTrackingEventType(), "ENTER");
    EXPECT_EQ(event_.m_getTrackingPoint(), "TP0001");
  }
}

TEST_F(CTM_mo11Test, ReadsEveryFieldWithTheTimeInUTC) {
  const std::string text = mo("11", "LS001" "W3212300001" "TLATE" "EXIT00001       " "20240229120000");
  auto telegram = parsedAs<CTM_mo11_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getLS_ID(), "LS001");
  EXPECT_EQ(telegram->m_getBIT_ID(), "W3212300001");
  EXPECT_EQ(telegram->m_getTrackingEventType(), "TLATE");
  EXPECT_EQ(telegram->m_getTrackingPoint(), "EXIT00001       ");
  EXPECT_EQ(telegram->m_getTimeStamp(), leapDayNoon);
  EXPECT_EQ(written(*telegram), text);
}

TEST(CTM_mo10, TimeStampInUTCBothWays) {
  c_foreignZone zone;
  CTM_mo10_message report;
  for (std::int64_t seconds : {leapDayNoon, std::int64_t{1719835200} /* 2024-07-01 12:00:00, summer */}) {
    ASSERT_TRUE(report.m_setTimeStamp(seconds));
    EXPECT_EQ(report.m_getTimeStamp(), seconds);
  }
  ASSERT_TRUE(report.m_setLS_ID("LS001"));
  EXPECT_EQ(writtenAsSeven(report).substr(13, 19), "LS001" "20240701120000");
}

TEST(CTM_moFactory, HeaderOnlyTelegramsAndNoOtherTypes) {
  EXPECT_EQ(written(CTM_mo00_message()), "MO00" "01" "00" "000" "01\n");
  EXPECT_TRUE(parsedAs<CTM_mo00_message>("MO00" "01" "00" "000" "01\n"));
  EXPECT_TRUE(parsedAs<CTM_mo02_message>(mo("02", "")));
  EXPECT_TRUE(parsedAs<CTM_mo03_message>(mo("03", "")));
  EXPECT_EQ(writtenAsSeven(*std::make_unique<CTM_mo03_message>()), mo("03", ""));
  for (const char* type : {"04", "05", "09", "12"})
    EXPECT_EQ(refusal(mo(type, "")), "CTM_message::m_new(): Unknown message source/destination") << type;
  // The same leading code as MT: told apart by the destination.
  EXPECT_EQ(CTM_mo_message::m_create("MT01"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Mo, CTM_refusedTelegram,
    testing::Values(
        RefusedTelegram{"ElevenSegments", mo("01", "011" + std::string(50, 'A')),
                "\"fieldCount\" cannot exceed 10! (Field name fieldCount, offset: 66, field length: 3)"},
        RefusedTelegram{"AvailabilityOutsideItsLetters", mo("06", "001" "ABCDE1234" "X"),
                "Field \"X\" (availability) doesn't match \"[AN]\" ! (offset: 25, field length: 1)"},
        RefusedTelegram{"UnpaddedEventType", mo("11", "LS001" "W3212300001" "EXIT" "TP0001           " "20240229120000"),
                "Unknown option \"EXITT\" for field trackingEventType! (offset: 29, field length: 5)"},
        RefusedTelegram{"MonthThirteen", mo("11", "LS001" "W3212300001" "ENTER" "TP0001          " "20241329120000"),
                "CTM_messageFieldValue::m_parse(): Field \"20241329120000\" (timeStamp) is not an valid datetime! "
                "(offset: 50, field length: 14)"},
        RefusedTelegram{"TwoLetterAirlineToOC",
                mo("10", "LS001" "20240229120000" "01" "W3212300001" "UNK             " "1" "0123456789"
                         "LH 1234 20240229" "LHB5678 20240301" "Y" "JFK" "1" "MUELLER HANS        " "ABCD" "0" "0"
                         "1" "2" "00500" "00400" "00300" "0025" "0042"),
                "Field \"LH 1234 20240229\" (inboundFlightID) doesn't match \"[0-9A-Z][0-9A-Z][A-Z][0-9][0-9][0-9]"
                "[0-9][ A-Z][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]\" ! (offset: 72, field length: 16)"}),
    refusedName);

}  // namespace
