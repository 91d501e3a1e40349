// What a transport controller reports: every type read field by field and
// written back byte for byte, the texts the builders write, the restricted
// setters, the destinations of TCTM03 within a data part, and the refusals.
#include "telegrams/ctm_tctm_message.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ctm_telegram_text.h"

namespace {

using namespace ctm_test;

const std::string head = "0012W3212300001ABCDE_1234-A5678";

std::string tctm(std::string_view type, std::string_view data) { return telegramText("TCTM" + std::string(type), 1, data); }

TEST(CTM_tctmRead, ReportHeadsOfEveryItemReport) {
  for (const char* type : {"01", "04", "05", "06", "07", "11"}) {
    const std::string text = tctm(type, head);
    auto telegram = CTM_message::m_new(text);
    ASSERT_TRUE(telegram->m_isValid()) << type << ": " << telegram->m_getErrorText();
    EXPECT_EQ(telegram->m_getId(), "TCTM" + std::string(type));
    EXPECT_EQ(telegram->m_getSeqNo(), 7);
    EXPECT_EQ(written(*telegram), text);
  }
  auto entered = parsedAs<CTM_tctm01_message>(tctm("01", head));
  ASSERT_TRUE(entered);
  EXPECT_EQ(entered->m_getPIC(), 12);
  EXPECT_EQ(entered->m_getBIT_ID(), "W3212300001");
  EXPECT_EQ(entered->m_getEquipmentCode(), "ABCDE_1234-A5678");
  auto identified = parsedAs<CTM_tctm11_message>(tctm("11", head));
  ASSERT_TRUE(identified);
  EXPECT_EQ(identified->m_getBIT_ID(), "W3212300001");
}

TEST(CTM_tctmRead, ABlankItemIdIsReportedByEveryItemReportButTCTM11) {
  const std::string blankHead = "0012           ABCDE_1234-A5678";
  for (const char* type : {"01", "04", "05", "06", "07"}) {
    auto telegram = CTM_message::m_new(tctm(type, blankHead));
    EXPECT_TRUE(telegram->m_isValid()) << type << ": " << telegram->m_getErrorText();
  }
  auto traced = parsedAs<CTM_tctm04_message>(tctm("04", blankHead));
  ASSERT_TRUE(traced);
  EXPECT_EQ(traced->m_getBIT_ID(), std::string(11, ' '));
  EXPECT_EQ(refusal(tctm("11", blankHead)),
            "Field \"           \" (BIT_ID) doesn't match "
            "\"[A-Z][0-9A-Z][0-9A-Z][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]\" ! (offset: 19, field length: 11)");
}

TEST(CTM_tctmRead, Diverted) {
  const std::string text = tctm("02", head + "FGHIJ-2345-B6789R");
  auto telegram = parsedAs<CTM_tctm02_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getPIC(), 12);
  EXPECT_EQ(telegram->m_getBIT_ID(), "W3212300001");
  EXPECT_EQ(telegram->m_getEquipmentCodeOrigin(), "ABCDE_1234-A5678");
  EXPECT_EQ(telegram->m_getEquipmentCodeDestination(), "FGHIJ-2345-B6789");
  EXPECT_EQ(telegram->m_getDivReason(), "R");
  EXPECT_EQ(written(*telegram), text);
}

TEST(CTM_tctmRead, NotDivertedWithOneReasonPerDestination) {
  const std::string text = tctm("03", head + "02" "ABCDE_1234-A0001BLOCK" "ABCDE_1234-A0002TLATE");
  auto telegram = parsedAs<CTM_tctm03_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getEquipmentCodeOrigin(), "ABCDE_1234-A5678");
  EXPECT_EQ(telegram->m_getFieldCount(), 2);
  std::string destination, reason;
  ASSERT_TRUE(telegram->m_getNextDestination(destination, reason));
  EXPECT_EQ(destination, "ABCDE_1234-A0001");
  EXPECT_EQ(reason, "BLOCK");
  ASSERT_TRUE(telegram->m_getNextDestination(destination, reason));
  EXPECT_EQ(destination, "ABCDE_1234-A0002");
  EXPECT_EQ(reason, "TLATE");
  EXPECT_FALSE(telegram->m_getNextDestination(destination, reason));
  EXPECT_EQ(written(*telegram), text);
}

TEST(CTM_tctmRead, NotDivertedWithoutDestinations) {
  auto telegram = parsedAs<CTM_tctm03_message>(tctm("03", head + "00"));
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getFieldCount(), 0);
  std::string destination, reason;
  EXPECT_FALSE(telegram->m_getNextDestination(destination, reason));
}

TEST(CTM_tctmRead, ScreenedReadMeasured) {
  auto screened = parsedAs<CTM_tctm08_message>(tctm("08", head + "2C"));
  ASSERT_TRUE(screened);
  EXPECT_EQ(screened->m_getScreeningLevel(), 2);
  EXPECT_EQ(screened->m_getScreeningResult(), "C");
  EXPECT_EQ(screened->m_getEquipmentCode(), "ABCDE_1234-A5678");

  auto read = parsedAs<CTM_tctm09_message>(tctm("09", head + "0000000000"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->m_getLPC(), "0000000000");

  const std::string size = tctm("10", head + "00650" "00450" "00300" "0235");
  auto measured = parsedAs<CTM_tctm10_message>(size);
  ASSERT_TRUE(measured);
  EXPECT_EQ(measured->m_getLength(), 650);
  EXPECT_EQ(measured->m_getHeight(), 450);
  EXPECT_EQ(measured->m_getWidth(), 300);
  EXPECT_EQ(measured->m_getWeight(), 235);
  EXPECT_EQ(written(*measured), size);
}

TEST(CTM_tctmRead, TechnicalSegmentStates) {
  auto available = parsedAs<CTM_tctm21_message>(tctm("21", "ABCDE_1234N"));
  ASSERT_TRUE(available);
  EXPECT_EQ(available->m_getTechnSegmentID(), "ABCDE_1234");
  EXPECT_EQ(available->m_getAvailability(), "N");
  auto occupied = parsedAs<CTM_tctm22_message>(tctm("22", "ABCDE/1234E"));
  ASSERT_TRUE(occupied);
  EXPECT_EQ(occupied->m_getTechnSegmentID(), "ABCDE/1234");
  EXPECT_EQ(occupied->m_getOccupationStatus(), "E");
}

TEST(CTM_tctmRead, EventTextTakesTheRestOfTheTelegramAsItStands) {
  const std::string text = tctm("24", "0042Conveyor stopped;  by operator ");
  auto telegram = parsedAs<CTM_tctm24_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getEventNumber(), 42);
  EXPECT_EQ(telegram->m_getMessageText(), "Conveyor stopped;  by operator ");
  EXPECT_EQ(written(*telegram), text);
}

TEST(CTM_tctmRead, KeepAlive) {
  auto telegram = parsedAs<CTM_tctm00_message>("TCTM00" "01" "00" "000" "01\n");
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getSeqNo(), 0);
  EXPECT_EQ(written(CTM_tctm00_message()), "TCTM00" "01" "00" "000" "01\n");
}

TEST(CTM_tctmFactory, TypeIdsOutsideThePairGiveNoTelegram) {
  for (const char* type : {"12", "20", "25", "0A"})
    EXPECT_EQ(refusal(tctm(type, head)), "CTM_message::m_new(): Unknown message source/destination") << type;
  EXPECT_EQ(CTM_tctm_message::m_create(tctm("12", head)), nullptr);
  EXPECT_EQ(CTM_tctm_message::m_create("TMTC01"), nullptr);
  EXPECT_NE(dynamic_cast<CTM_tctm23_message*>(CTM_tctm_message::m_create("TCTM23").get()), nullptr);
}

TEST(CTM_tctmWrite, ItemReports) {
  CTM_tctm01_message entered;
  ASSERT_TRUE(entered.m_setPIC(12));
  ASSERT_TRUE(entered.m_setBIT_ID("W3212300001"));
  ASSERT_TRUE(entered.m_setEquipmentCode("ABCDE_1234-A5678"));
  EXPECT_EQ(written(entered), "TCTM01" "01" "-1" "031" "01" + head + "\n");

  CTM_tctm02_message diverted;
  ASSERT_TRUE(diverted.m_setPIC(12));
  ASSERT_TRUE(diverted.m_setBIT_ID("W3212300001"));
  ASSERT_TRUE(diverted.m_setEquipmentCodeOrigin("ABCDE_1234-A5678"));
  ASSERT_TRUE(diverted.m_setEquipmentCodeDestination("FGHIJ-2345-B6789"));
  ASSERT_TRUE(diverted.m_setDivReason("N"));
  EXPECT_EQ(writtenAsSeven(diverted), tctm("02", head + "FGHIJ-2345-B6789N"));

  CTM_tctm10_message measured;
  ASSERT_TRUE(measured.m_setPIC(7));
  ASSERT_TRUE(measured.m_setBIT_ID("W3212300001"));
  ASSERT_TRUE(measured.m_setEquipmentCode("ABCDE_1234-A5678"));
  ASSERT_TRUE(measured.m_setLength(650) && measured.m_setHeight(45) && measured.m_setWidth(3));
  ASSERT_TRUE(measured.m_setWeight(12));
  EXPECT_EQ(writtenAsSeven(measured), tctm("10", "0007W3212300001ABCDE_1234-A5678" "00650" "00045" "00003" "0012"));
}

TEST(CTM_tctmWrite, AnEmptyEventTextIsWrittenAsOneBlank) {
  CTM_tctm24_message event;
  ASSERT_TRUE(event.m_setEventNumber(3));
  EXPECT_EQ(writtenAsSeven(event), tctm("24", "0003 "));
  ASSERT_TRUE(event.m_setMessageText("Jam"));
  EXPECT_EQ(writtenAsSeven(event), tctm("24", "0003Jam"));
}

TEST(CTM_tctmWrite, AvailabilityAndOccupationTakeOnlyTheirLetters) {
  CTM_tctm21_message available;
  ASSERT_TRUE(available.m_setTechnSegmentID("ABCDE_1234"));
  EXPECT_TRUE(available.m_setAvailability("A"));
  for (const char* refused : {"X", "", "AN", "a", "E"}) EXPECT_FALSE(available.m_setAvailability(refused)) << refused;
  EXPECT_EQ(available.m_getAvailability(), "A");
  EXPECT_TRUE(available.m_setAvailability("N"));
  EXPECT_EQ(writtenAsSeven(available), tctm("21", "ABCDE_1234N"));

  CTM_tctm22_message occupied;
  for (const char* status : {"F", "A", "N", "E"}) {
    EXPECT_TRUE(occupied.m_setOccupationStatus(status));
    EXPECT_EQ(occupied.m_getOccupationStatus(), status);
  }
  for (const char* refused : {"X", "", "FA", "f"}) EXPECT_FALSE(occupied.m_setOccupationStatus(refused)) << refused;
  EXPECT_EQ(occupied.m_getOccupationStatus(), "E");
}

class CTM_tctm03Write : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(notDiverted_.m_setPIC(12));
    ASSERT_TRUE(notDiverted_.m_setBIT_ID("W3212300001"));
    ASSERT_TRUE(notDiverted_.m_setEquipmentCodeOrigin("ABCDE_1234-A5678"));
  }
  CTM_tctm03_message notDiverted_;
};

TEST_F(CTM_tctm03Write, DestinationsWithTheirReasons) {
  ASSERT_TRUE(notDiverted_.m_appendDestination("ABCDE_1234-A0001", "DFULL"));
  ASSERT_TRUE(notDiverted_.m_appendDestination("ABCDE_1234-A0002", "ODDSW"));
  EXPECT_EQ(writtenAsSeven(notDiverted_), tctm("03", head + "02" "ABCDE_1234-A0001DFULL" "ABCDE_1234-A0002ODDSW"));
}

TEST_F(CTM_tctm03Write, StopsAtTheDestinationsThatFitADataPart) {
  for (int i = 0; i < CTM_tctm03_message::maxAppendedDestinations; ++i)
    ASSERT_TRUE(notDiverted_.m_appendDestination("ABCDE_1234-A0001", "NOTAV")) << i;
  EXPECT_FALSE(notDiverted_.m_appendDestination("ABCDE_1234-A0001", "NOTAV"));
  EXPECT_EQ(notDiverted_.m_getFieldCount(), 46);
  const std::string text = writtenAsSeven(notDiverted_);
  ASSERT_EQ(text.size(), 15u + 999u + 1u);
  EXPECT_EQ(text.substr(10, 3), "999");
  auto parsed = parsedAs<CTM_tctm03_message>(text);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->m_getFieldCount(), 46);
}

struct Refused {
  const char* name;
  std::string text;
  std::string error;
};

void PrintTo(const Refused& c, std::ostream* os) { *os << c.name; }

class CTM_tctmRefused : public testing::TestWithParam<Refused> {};

TEST_P(CTM_tctmRefused, WithItsExactText) { EXPECT_EQ(refusal(GetParam().text), GetParam().error); }

INSTANTIATE_TEST_SUITE_P(
    Texts, CTM_tctmRefused,
    testing::Values(
        Refused{"LowerCaseItemId", tctm("01", "0012w3212300001ABCDE_1234-A5678"),
                "Field \"w3212300001\" (BIT_ID) doesn't match \"[ A-Z][ 0-9A-Z][ 0-9A-Z][ 0-9][ 0-9][ 0-9][ 0-9][ "
                "0-9][ 0-9][ 0-9][ 0-9]\" ! (offset: 19, field length: 11)"},
        Refused{"EquipmentWithoutDash", tctm("05", "0012W3212300001ABCDE_1234_A5678"),
                "Field \"ABCDE_1234_A5678\" (equipmentCode) doesn't match \"[0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z]"
                "[_/-][0-9][0-9][0-9][0-9][-][A-Z][0-9][0-9][0-9][0-9]\" ! (offset: 30, field length: 16)"},
        Refused{"UnknownNotDivReason", tctm("03", head + "01" "ABCDE_1234-A0001OTHER"),
                "Unknown option \"OTHER\" for field NotDivReason! (offset: 64, field length: 5)"},
        Refused{"DivReasonOutsideItsLetters", tctm("02", head + "FGHIJ-2345-B6789X"),
                "Field \"X\" (divReason) doesn't match \"[RN]\" ! (offset: 62, field length: 1)"},
        Refused{"DiversionWithoutDestination", tctm("02", head),
                "2 mandantory fields missing at message end"},
        Refused{"NotDivertedCountBeyondItsGroups", tctm("03", head + "02" "ABCDE_1234-A0001BLOCK"),
                "2 mandantory fields missing at message end"},
        Refused{"NotDivertedEndingInsideAGroup", tctm("03", head + "02" "ABCDE_1234-A0001BLOCK" "ABCDE"),
                "Current field is out of total length! (Field name equipmentCodeDestination, offset: 69, field "
                "length: 16, total length: 74 )"},
        Refused{"ScreeningResultOutsideItsLetters", tctm("08", head + "2X"),
                "Field \"X\" (screeningResult) doesn't match \"[ACR]\" ! (offset: 47, field length: 1)"},
        Refused{"LpcWithABlank", tctm("09", head + "01234 6789"),
                "Field \"01234 6789\" (LPC) doesn't match \"[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]\" ! "
                "(offset: 46, field length: 10)"},
        Refused{"SizeNotANumber", tctm("10", head + "00A50" "00450" "00300" "0235"),
                "CTM_messageFieldValue::m_parse(): Field \"00A50\" (length) could not be parsed as int, format \"%d\" "
                "! (offset: 46, field length: 5)"},
        Refused{"AvailabilityOutsideItsLetters", tctm("21", "ABCDE_1234X"),
                "Field \"X\" (availability) doesn't match \"[AN]\" ! (offset: 25, field length: 1)"},
        Refused{"OccupationOfAShortSegment", tctm("22", "ABCD_1234F"),
                "Field \"ABCD_1234F\" (technSegmentID) doesn't match \"[0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][_/-]"
                "[0-9][0-9][0-9][0-9]\" ! (offset: 15, field length: 10)"},
        Refused{"EventWithoutText", tctm("24", "0042"), "1 mandantory fields missing at message end"},
        Refused{"VersionTwo", telegramText("TCTM01", 2, head), "Wrong version number (02) instead of (01)."}),
    [](const auto& info) { return info.param.name; });

}  // namespace
