// What a manual coding computer sends the TM: the coding result with its
// entered/value pairs, the terminal's status and its equipment's status.
#include "telegrams/ctm_tm_message.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ctm_telegram_text.h"

namespace {

using namespace ctm_test;

// Coded by label and flight, the LPC by scanner; every value entered (no onward
// connection) but the exception data, which is left blank.
const std::string coded = "LSF " "    " "W3212300001" "1" "0123456789" "1" "LH 1234 20240229" "1" "Y" "1" "FRA"
                          "1" "0" "0" "    " "1" "MUELLER HANS        ";
// Coded as unknown: nothing entered, every value blank.
const std::string unknown = "   U" "    " "W3212300001" "0" "          " "0" "                " "0" " " "0" "   "
                            "0" " " "0" "    " "0" "                    ";

std::string tm(std::string_view type, std::string_view data) { return telegramText("TM" + std::string(type), 1, data); }

TEST(CTM_tmRead, CodingResultWithEveryValueEntered) {
  const std::string text = tm("01", coded);
  auto telegram = parsedAs<CTM_tm01_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_TRUE(telegram->m_isCodingMethodResultLabel());
  EXPECT_TRUE(telegram->m_isCodingMethodResultFlight());
  EXPECT_FALSE(telegram->m_isCodingMethodResultUnknown());
  EXPECT_EQ(telegram->m_getCodingMethodResultLPC(), "S");
  EXPECT_EQ(telegram->m_getBIT_ID(), "W3212300001");
  std::string value;
  EXPECT_TRUE(telegram->m_getLPC(value));
  EXPECT_EQ(value, "0123456789");
  EXPECT_TRUE(telegram->m_getFlightID(value));
  EXPECT_EQ(value, "LH 1234 20240229");
  EXPECT_TRUE(telegram->m_getCabinClass(value));
  EXPECT_EQ(value, "Y");
  EXPECT_TRUE(telegram->m_getDestination(value));
  EXPECT_EQ(value, "FRA");
  bool onward = true;
  EXPECT_TRUE(telegram->m_getOnwardConnection(onward));
  EXPECT_FALSE(onward);
  EXPECT_FALSE(telegram->m_getBaggageExceptionData(value));
  EXPECT_EQ(value, "    ");
  EXPECT_TRUE(telegram->m_getPassengerName(value));
  EXPECT_EQ(value, "MUELLER HANS        ");
  EXPECT_EQ(written(*telegram), text);
}

TEST(CTM_tmRead, ValuesNotEnteredAreStillHandedOut) {
  const std::string text = tm("01", unknown);
  auto telegram = parsedAs<CTM_tm01_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_FALSE(telegram->m_isCodingMethodResultLabel());
  EXPECT_FALSE(telegram->m_isCodingMethodResultFlight());
  EXPECT_TRUE(telegram->m_isCodingMethodResultUnknown());
  EXPECT_EQ(telegram->m_getCodingMethodResultLPC(), " ");
  std::string value = "stale";
  EXPECT_FALSE(telegram->m_getLPC(value));
  EXPECT_EQ(value, std::string(10, ' '));
  EXPECT_FALSE(telegram->m_getFlightID(value));
  EXPECT_EQ(value, std::string(16, ' '));
  EXPECT_FALSE(telegram->m_getPassengerName(value));
  EXPECT_EQ(value, std::string(20, ' '));
  // A blank onward connection counts as onward.
  bool onward = false;
  EXPECT_FALSE(telegram->m_getOnwardConnection(onward));
  EXPECT_TRUE(onward);
  EXPECT_EQ(written(*telegram), text);
}

TEST(CTM_tmRead, TerminalAndEquipmentStatus) {
  auto terminal = parsedAs<CTM_tm21_message>(tm("21", "O"));
  ASSERT_TRUE(terminal);
  EXPECT_EQ(terminal->m_getOperationalStatusCode(), "O");

  const std::string text = tm("22", "02" "ABCDE_1234-A5678A" "FGHIJ-2345-B6789U");
  auto equipment = parsedAs<CTM_tm22_message>(text);
  ASSERT_TRUE(equipment);
  EXPECT_EQ(equipment->m_getFieldCount(), 2);
  std::string code, status;
  ASSERT_TRUE(equipment->m_getNextEquipment(code, status));
  EXPECT_EQ(code, "ABCDE_1234-A5678");
  EXPECT_EQ(status, "A");
  ASSERT_TRUE(equipment->m_getNextEquipment(code, status));
  EXPECT_EQ(code, "FGHIJ-2345-B6789");
  EXPECT_EQ(status, "U");
  EXPECT_FALSE(equipment->m_getNextEquipment(code, status));
  EXPECT_EQ(written(*equipment), text);
  EXPECT_TRUE(parsedAs<CTM_tm00_message>("TM00" "01" "00" "000" "01\n"));
  EXPECT_EQ(refusal(tm("11", "")), "CTM_message::m_new(): Unknown message source/destination");
}

TEST(CTM_tmWrite, CodingResult) {
  CTM_tm01_message result;
  ASSERT_TRUE(result.m_setCodingMethodResultLabel(true));
  ASSERT_TRUE(result.m_setCodingMethodResultLPC("S"));
  ASSERT_TRUE(result.m_setCodingMethodResultFlight(true));
  ASSERT_TRUE(result.m_setCodingMethodResultUnknown(false));
  ASSERT_TRUE(result.m_setBIT_ID("W3212300001"));
  ASSERT_TRUE(result.m_setLPC("0123456789", true));
  ASSERT_TRUE(result.m_setFlightID("LH 1234 20240229", true));
  ASSERT_TRUE(result.m_setCabinClass("Y", true));
  ASSERT_TRUE(result.m_setDestination("FRA", true));
  ASSERT_TRUE(result.m_setOnwardConnection(false, true));
  ASSERT_TRUE(result.m_setBaggageExceptionData("", false));
  ASSERT_TRUE(result.m_setPassengerName("MUELLER HANS", true));
  EXPECT_EQ(writtenAsSeven(result), tm("01", coded));

  ASSERT_TRUE(result.m_setCodingMethodResultLabel(false));
  ASSERT_TRUE(result.m_setCodingMethodResultUnknown(true));
  EXPECT_FALSE(result.m_isCodingMethodResultLabel());
  EXPECT_TRUE(result.m_isCodingMethodResultUnknown());
  EXPECT_EQ(writtenAsSeven(result).substr(13, 4), " SFU");
}

TEST(CTM_tmWrite, EquipmentStatusUpToFiftyEight) {
  CTM_tm22_message equipment;
  for (int i = 0; i < CTM_tm22_message::maxEquipment; ++i)
    ASSERT_TRUE(equipment.m_appendEquipment("ABCDE_1234-A5678", "A")) << i;
  EXPECT_FALSE(equipment.m_appendEquipment("ABCDE_1234-A5678", "U"));
  const std::string text = writtenAsSeven(equipment);
  EXPECT_EQ(text.substr(8, 3), "988");
  EXPECT_TRUE(parsedAs<CTM_tm22_message>(text));

  CTM_tm21_message terminal;
  ASSERT_TRUE(terminal.m_setOperationalStatusCode("C"));
  EXPECT_EQ(writtenAsSeven(terminal), tm("21", "C"));
}

TEST(CTM_tmRefused, WithTheirExactTexts) {
  std::string rest = coded;
  rest.replace(4, 4, "  X ");
  EXPECT_EQ(refusal(tm("01", rest)),
            "Field \"  X \" (CodingMethodResultRest) doesn't match \"    \" ! (offset: 17, field length: 4)");
  std::string flag = coded;
  flag[19] = ' ';
  EXPECT_EQ(refusal(tm("01", flag)),
            "Field \" \" (LPC_entered) doesn't match \"[01]\" ! (offset: 32, field length: 1)");
  EXPECT_EQ(refusal(tm("21", "X")),
            "Field \"X\" (OperationalStatusCode) doesn't match \"[UCO]\" ! (offset: 13, field length: 1)");
  EXPECT_EQ(refusal(tm("22", "01" "ABCDE_1234-A5678X")),
            "Field \"X\" (equipmentStatus) doesn't match \"[AU]\" ! (offset: 31, field length: 1)");
}

}  // namespace
