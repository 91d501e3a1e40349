// What the LPC server sends the TM: LPC data behind their status letter turned
// into an LPC record (flight dates in the year nearest to today, around the turn
// of the year too), the record turned back into a telegram, the FSC, the
// header-only keep-alive and the refusals.
#include "telegrams/ctm_sc_message.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ctm_telegram_text.h"
#include "tests/support/fixed_clock.h"

namespace {

using namespace ctm_test;

constexpr std::int64_t tenthOfMarch2024 = 1710072000;  // 2024-03-10 12:00:00 UTC
constexpr std::int64_t lastDaysOf2024 = 1735560000;    // 2024-12-30 12:00:00 UTC
constexpr std::int64_t firstDaysOf2025 = 1735819200;   // 2025-01-02 12:00:00 UTC

std::string sc(std::string_view type, std::string_view data) { return telegramText("SC" + std::string(type), 1, data); }

std::string flight(std::string_view airline, std::string_view number, std::string_view day, std::string_view month) {
  return std::string(airline) + std::string(number) + std::string(day) + std::string(month);
}

// The data behind the status letter, with an inbound flight and the outbound ones given.
std::string lpcData(std::string_view inbound, std::initializer_list<std::string> outbound) {
  std::string data = "L";
  data += inbound.empty() ? "N" : "P" + std::string(inbound);
  data += std::to_string(outbound.size());
  for (const std::string& leg : outbound) data += leg;
  return data + "MUELLER HANS        " "ABC123" "ABCD";
}

const std::string inbound = flight("LH ", "1234 ", "29", "FEB") + "FRA";
const std::string outbound = flight("LH ", "5678 ", "01", "MAR") + "JFK" "Y";
const std::string furtherOutbound = flight("UA ", "0901A", "02", "MAR") + "SFO" "C";

void expectRecord(const CTM_lpcInfo& record, std::string_view inboundId, std::string_view outboundId,
                  std::string_view cabinClass, std::string_view destination, bool onward) {
  EXPECT_EQ(record.m_getInboundFlightID(), inboundId);
  EXPECT_EQ(record.m_getOutboundFlightID(), outboundId);
  EXPECT_EQ(record.m_getOutboundCabinClass(), cabinClass);
  EXPECT_EQ(record.m_getOutboundDestination(), destination);
  EXPECT_EQ(record.m_getOnwardConnection(), onward);
  EXPECT_EQ(record.m_getPassengerName(), "MUELLER HANS        ");
  EXPECT_EQ(record.m_getBaggageExceptionData(), "ABCD");
}

class CTM_scLpcData : public testing::Test {
 protected:
  c_fixedClock clock_{tenthOfMarch2024};
};

TEST_F(CTM_scLpcData, AnAnswerGivesTheRecord) {
  const std::string text = sc("01", "0123456789" "P" + lpcData(inbound, {outbound}));
  ASSERT_EQ(text.size(), 13u + 77 + 1);
  auto telegram = parsedAs<CTM_sc01_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getLPC(), "0123456789");
  EXPECT_EQ(telegram->m_getLPC_status(), "P");
  EXPECT_EQ(written(*telegram), text);
  expectRecord(*telegram->m_getLpcInfo(), "LH 1234 20240229", "LH 5678 20240301", "Y", "JFK", false);
}

TEST_F(CTM_scLpcData, ASecondOutboundFlightIsTheOnwardConnection) {
  auto telegram = parsedAs<CTM_sc01_message>(sc("01", "0123456789" "P" + lpcData(inbound, {outbound, furtherOutbound})));
  ASSERT_TRUE(telegram);
  expectRecord(*telegram->m_getLpcInfo(), "LH 1234 20240229", "LH 5678 20240301", "Y", "JFK", true);
}

TEST_F(CTM_scLpcData, WithoutFlightsOnlyNameAndExceptionData) {
  auto telegram = parsedAs<CTM_sc01_message>(sc("01", "0123456789" "P" + lpcData("", {})));
  ASSERT_TRUE(telegram);
  expectRecord(*telegram->m_getLpcInfo(), "", "", "", "", false);
}

TEST_F(CTM_scLpcData, AStatusWithoutDataGivesAnEmptyRecord) {
  for (const char* status : {"N", "D"}) {
    auto telegram = parsedAs<CTM_sc01_message>(sc("01", "0123456789" + std::string(status)));
    ASSERT_TRUE(telegram);
    auto record = telegram->m_getLpcInfo();
    EXPECT_EQ(record->m_getPassengerName(), "") << status;
    EXPECT_EQ(record->m_getOutboundFlightID(), "") << status;
    EXPECT_FALSE(record->m_getOnwardConnection()) << status;
  }
  auto deleted = parsedAs<CTM_sc02_message>(sc("02", "0123456789" "D"));
  ASSERT_TRUE(deleted);
  EXPECT_EQ(deleted->m_getLpcInfo()->m_getBaggageExceptionData(), "");
}

TEST_F(CTM_scLpcData, AnUpdateConvertsAlikeForBothLetters) {
  for (const char* status : {"U", "A"}) {
    auto telegram = parsedAs<CTM_sc02_message>(sc("02", "0123456789" + std::string(status) + lpcData(inbound, {outbound})));
    ASSERT_TRUE(telegram);
    EXPECT_EQ(telegram->m_getUpdateStatus(), status);
    expectRecord(*telegram->m_getLpcInfo(), "LH 1234 20240229", "LH 5678 20240301", "Y", "JFK", false);
  }
}

TEST_F(CTM_scLpcData, ADayTheMonthDoesNotHaveLeavesAirlineAndNumber) {
  const std::string badDay = flight("LH ", "5678 ", "31", "FEB") + "JFK" "Y";
  auto telegram = parsedAs<CTM_sc01_message>(sc("01", "0123456789" "P" + lpcData(inbound, {badDay})));
  ASSERT_TRUE(telegram);
  testing::internal::CaptureStderr();
  auto record = telegram->m_getLpcInfo();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "ERROR: dayMonthToYYYYMMDD: day (31) and month (FEB) are not a valid day!\n");
  EXPECT_EQ(record->m_getOutboundFlightID(), "LH 5678 ");
  EXPECT_EQ(record->m_getInboundFlightID(), "LH 1234 20240229");
}

TEST(CTM_scYearRule, FlightsAroundTheTurnOfTheYear) {
  const std::string december = flight("LH ", "1234 ", "28", "DEC") + "FRA";
  const std::string january = flight("LH ", "5678 ", "02", "JAN") + "JFK" "Y";
  const std::string text = sc("01", "0123456789" "P" + lpcData(december, {january}));
  {
    c_fixedClock clock(lastDaysOf2024);
    auto telegram = parsedAs<CTM_sc01_message>(text);
    ASSERT_TRUE(telegram);
    expectRecord(*telegram->m_getLpcInfo(), "LH 1234 20241228", "LH 5678 20250102", "Y", "JFK", false);
  }
  {
    c_fixedClock clock(firstDaysOf2025);
    auto telegram = parsedAs<CTM_sc01_message>(text);
    ASSERT_TRUE(telegram);
    expectRecord(*telegram->m_getLpcInfo(), "LH 1234 20241228", "LH 5678 20250102", "Y", "JFK", false);
  }
  {
    c_fixedClock clock(tenthOfMarch2024);
    auto telegram = parsedAs<CTM_sc01_message>(text);
    ASSERT_TRUE(telegram);
    expectRecord(*telegram->m_getLpcInfo(), "LH 1234 20231228", "LH 5678 20240102", "Y", "JFK", false);
  }
}

TEST_F(CTM_scLpcData, ARecordGivesItsExactTextAndBack) {
  CTM_lpcInfo record;
  record.m_setInboundFlightID("LH 1234 20240229");
  record.m_setOutboundFlightID("LH 5678 20240301");
  record.m_setOutboundCabinClass("Y");
  record.m_setOutboundDestination("JFK");
  record.m_setPassengerName("MUELLER HANS");
  record.m_setBaggageExceptionData("ABCD");
  CTM_sc01_message answer;
  ASSERT_TRUE(answer.m_setLPC("0123456789"));
  ASSERT_TRUE(answer.m_setLpcInfo(record));
  const std::string text = writtenAsSeven(answer);
  EXPECT_EQ(text, sc("01", "0123456789" "P" "X" "P" + flight("LH ", "1234 ", "29", "FEB") + "XXX" "1" +
                               flight("LH ", "5678 ", "01", "MAR") + "JFK" "Y" "MUELLER HANS        " "XXXXXX" "ABCD"));
  auto parsed = parsedAs<CTM_sc01_message>(text);
  ASSERT_TRUE(parsed);
  expectRecord(*parsed->m_getLpcInfo(), "LH 1234 20240229", "LH 5678 20240301", "Y", "JFK", false);
}

TEST_F(CTM_scLpcData, ARecordReplacesEarlierDataAndKeepsAnAddedUpdate) {
  CTM_lpcInfo record;
  record.m_setOutboundFlightID("LH 5678 20240301");
  record.m_setOutboundCabinClass("C");
  record.m_setOutboundDestination("JFK");
  record.m_setBaggageExceptionData("ABCD");
  CTM_sc02_message update;
  ASSERT_TRUE(update.m_setLPC("0123456789"));
  ASSERT_TRUE(update.m_setUpdateStatus("A"));
  ASSERT_TRUE(update.m_setLpcInfo(record));
  ASSERT_TRUE(update.m_setLpcInfo(record));
  EXPECT_EQ(writtenAsSeven(update), sc("02", "0123456789" "A" "X" "N" "1" + flight("LH ", "5678 ", "01", "MAR") +
                                                 "JFK" "C" + std::string(20, ' ') + "XXXXXX" "ABCD"));
  auto read = update.m_getLpcInfo();
  EXPECT_EQ(read->m_getPassengerName(), "");
  EXPECT_FALSE(read->m_getOnwardConnection());
}

TEST_F(CTM_scLpcData, AFlightIdWithoutADateIsRefused) {
  CTM_lpcInfo record;
  record.m_setInboundFlightID("LH 1234 ");
  CTM_sc01_message answer;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(answer.m_setLpcInfo(record));
  testing::internal::GetCapturedStderr();
}

TEST(CTM_scFsc, TheFscBehindItsStatus) {
  auto answer = parsedAs<CTM_sc11_message>(sc("11", "0123456789" "P" "0042"));
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->m_getLPC_status(), "P");
  EXPECT_EQ(answer->m_getFSC(), 42);
  auto none = parsedAs<CTM_sc11_message>(sc("11", "0123456789" "N"));
  ASSERT_TRUE(none);
  EXPECT_EQ(none->m_getFSC(), 0);
  for (const char* status : {"U", "A"}) {
    auto update = parsedAs<CTM_sc12_message>(sc("12", "0123456789" + std::string(status) + "0007"));
    ASSERT_TRUE(update);
    EXPECT_EQ(update->m_getUpdateStatus(), status);
    EXPECT_EQ(update->m_getFSC(), 7);
  }
}

TEST(CTM_scFsc, WrittenOnceTheStatusBringsIt) {
  CTM_sc12_message update;
  ASSERT_TRUE(update.m_setLPC("0123456789"));
  EXPECT_FALSE(update.m_setFSC(42));
  ASSERT_TRUE(update.m_setUpdateStatus("U"));
  ASSERT_TRUE(update.m_setFSC(42));
  EXPECT_EQ(writtenAsSeven(update), sc("12", "0123456789" "U" "0042"));
  ASSERT_TRUE(update.m_setUpdateStatus("D"));
  EXPECT_EQ(writtenAsSeven(update), sc("12", "0123456789" "D"));
  EXPECT_FALSE(update.m_setUpdateStatus("P"));
}

TEST(CTM_scFactory, KeepAliveAndNoOtherTypes) {
  EXPECT_TRUE(parsedAs<CTM_sc00_message>("SC00" "01" "00" "000" "01\n"));
  EXPECT_EQ(written(CTM_sc00_message()), "SC00" "01" "00" "000" "01\n");
  for (const char* type : {"03", "10", "13"})
    EXPECT_EQ(refusal(sc(type, "0123456789" "D")), "CTM_message::m_new(): Unknown message source/destination") << type;
}

INSTANTIATE_TEST_SUITE_P(
    Sc, CTM_refusedTelegram,
    testing::Values(
        RefusedTelegram{"AnswerWithAnUpdateLetter", sc("01", "0123456789" "U"),
                "Unknown option \"U\" for field LPC_status! (offset: 23, field length: 1)"},
        RefusedTelegram{"UnknownInboundStatus", sc("01", "0123456789" "P" "LX0" + std::string(30, ' ')),
                "Unknown option \"X\" for field inboundStatus! (offset: 25, field length: 1)"},
        RefusedTelegram{"LowerCaseMonth", sc("01", "0123456789" "P" + lpcData(flight("LH ", "1234 ", "29", "feb") + "FRA", {})),
                "Field \"feb\" (inboundFlightMonth) doesn't match \"[A-Z][A-Z][A-Z]\" ! (offset: 36, field length: 3)"},
        RefusedTelegram{"DataBehindAStatusWithout", sc("01", "0123456789" "D" "X"),
                "CTM_message::m_init(): Framing Error! Header length: 13 plus data length: 12 not equal defined "
                "length: 24"},
        RefusedTelegram{"FscMissing", sc("11", "0123456789" "P"), "1 mandantory fields missing at message end"}),
    refusedName);

}  // namespace
