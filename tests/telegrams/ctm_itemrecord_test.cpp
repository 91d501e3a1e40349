// The record of one baggage item as MO10, UD11, UD12 and OM08 carry it: the
// exact text built from an item, every member read back, every field written
// whatever the status, status words and blank data both ways, and screening
// levels that would not fit their digit.
#include "telegrams/ctm_itemrecord.h"

#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <memory>
#include <random>
#include <span>
#include <string>

#include "telegrams/ctm_mo_message.h"
#include "telegrams/ctm_om_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tests/support/ctm_telegram_text.h"
#include "tracking/ctm_itemcriteria.h"

namespace {

using namespace ctm_test;

// 2024-02-29 12:00:00 UTC.
constexpr std::int64_t leapDayNoon = 1709208000;

// One item-record telegram with its head set: how to make it and reach its conversions.
struct RecordTelegram {
  const char* name;
  std::string id;
  std::string head;
  std::function<std::unique_ptr<CTM_message>()> make;
  std::function<bool(CTM_message&, const CTM_itemData&)> setBIT;
  std::function<CTM_itemData(const CTM_message&)> getBIT;
};

void PrintTo(const RecordTelegram& c, std::ostream* os) { *os << c.name; }

template <class T>
RecordTelegram recordTelegram(const char* name, std::string head, std::function<void(T&)> setHead) {
  return {name,
          std::string(T().m_getId()),
          std::move(head),
          [setHead] {
            auto telegram = std::make_unique<T>();
            setHead(*telegram);
            return std::unique_ptr<CTM_message>(std::move(telegram));
          },
          [](CTM_message& telegram, const CTM_itemData& item) { return dynamic_cast<T&>(telegram).m_setBIT(item); },
          [](const CTM_message& telegram) { return dynamic_cast<const T&>(telegram).m_getBIT(); }};
}

const RecordTelegram mo10 = recordTelegram<CTM_mo10_message>("MO10", "LS001" "20240229120000", [](auto& t) {
  t.m_setLS_ID("LS001");
  t.m_setTimeStamp(leapDayNoon);
});
const RecordTelegram ud11 = recordTelegram<CTM_ud11_message>("UD11", "ABCDE1234",
                                                             [](auto& t) { t.m_setLogicalConnectID("ABCDE1234"); });
const RecordTelegram ud12 = recordTelegram<CTM_ud12_message>("UD12", "ABCDE1234",
                                                             [](auto& t) { t.m_setLogicalConnectID("ABCDE1234"); });
const RecordTelegram om08 = recordTelegram<CTM_om08_message>("OM08", "LS001", [](auto& t) { t.m_setLS_ID("LS001"); });

// Every datum of an item, with the record text it gives.
void fillItem(CTM_itemData& item) {
  item.m_setStructVersionID(1);
  item.m_setBIT_ID("W3212300001");
  item.m_setStatus("GARB");
  item.m_setSelectionID(3);
  item.m_setLPC("0123456789");
  item.m_setTubbingNecessity(true);
  item.m_setTubbedIndicator(false);
  item.m_setInboundFlightID("LHA1234 20240229");
  item.m_setOutboundFlightID("LHB5678 20240301");
  item.m_setOutboundCabinClass("Y");
  item.m_setOutboundDestination("JFK");
  item.m_setOnwardConnection(true);
  item.m_setPassengerName("MUELLER HANS");
  item.m_setBaggageExceptionData("ABCD");
  item.m_setRequiredScreenLevel(2);
  item.m_setReachedScreenLevel(1);
  item.m_setLength(500);
  item.m_setHeight(400);
  item.m_setWidth(300);
  item.m_setWeight(25);
  item.m_setFSC(42);
}
const std::string fullRecord = "01" "W3212300001" "GARBAGE         " "3" "0123456789" "LHA1234 20240229"
                               "LHB5678 20240301" "Y" "JFK" "1" "MUELLER HANS        " "ABCD" "1" "0" "2" "1"
                               "00500" "00400" "00300" "0025" "0042";
constexpr std::size_t statusAt = 13;

// An item that only its id and sizes are known of.
void fillBareItem(CTM_itemData& item) {
  item.m_setStructVersionID(1);
  item.m_setBIT_ID("W3212300002");
  item.m_setReachedScreenLevel(0);
  item.m_setRequiredScreenLevel(0);
  item.m_setLength(650);
  item.m_setWeight(12);
}
const std::string bareRecord = "01" "W3212300002" "                " "0" "          " "                "
                               "                " " " "   " "0" "                    " "    " "0" "0" "0" "0"
                               "00650" "00000" "00000" "0012" "0000";

void expectSameItem(const CTM_itemData& read, const CTM_itemData& given, const char* padded) {
  EXPECT_EQ(read.m_getStructVersionID(), given.m_getStructVersionID());
  EXPECT_EQ(read.m_getBIT_ID(), given.m_getBIT_ID());
  EXPECT_EQ(read.m_getStatus(), given.m_getStatus());
  EXPECT_EQ(read.m_getSelectionID(), given.m_getSelectionID());
  EXPECT_EQ(read.m_getLPC(), given.m_getLPC());
  EXPECT_EQ(read.m_getTubbingNecessity(), given.m_getTubbingNecessity());
  EXPECT_EQ(read.m_getTubbedIndicator(), given.m_getTubbedIndicator());
  EXPECT_EQ(read.m_getInboundFlightID(), given.m_getInboundFlightID());
  EXPECT_EQ(read.m_getOutboundFlightID(), given.m_getOutboundFlightID());
  EXPECT_EQ(read.m_getOutboundCabinClass(), given.m_getOutboundCabinClass());
  EXPECT_EQ(read.m_getOutboundDestination(), given.m_getOutboundDestination());
  EXPECT_EQ(read.m_getOnwardConnection(), given.m_getOnwardConnection());
  // A received name keeps the blanks of its field.
  EXPECT_EQ(read.m_getPassengerName(), padded);
  EXPECT_EQ(read.m_getBaggageExceptionData(), given.m_getBaggageExceptionData());
  EXPECT_EQ(read.m_getRequiredScreenLevel(), given.m_getRequiredScreenLevel());
  EXPECT_EQ(read.m_getReachedScreenLevel(), given.m_getReachedScreenLevel());
  EXPECT_EQ(read.m_getLength(), given.m_getLength());
  EXPECT_EQ(read.m_getHeight(), given.m_getHeight());
  EXPECT_EQ(read.m_getWidth(), given.m_getWidth());
  EXPECT_EQ(read.m_getWeight(), given.m_getWeight());
  EXPECT_EQ(read.m_getFSC(), given.m_getFSC());
}

class CTM_itemRecordOf : public testing::TestWithParam<RecordTelegram> {
 protected:
  std::string text(const std::string& record) const { return telegramText(GetParam().id, 1, GetParam().head + record); }
  // The item's record written, read back by the factory, and converted to a new item.
  CTM_itemData throughText(const CTM_itemData& item, std::string* written = nullptr) const {
    auto telegram = GetParam().make();
    EXPECT_TRUE(GetParam().setBIT(*telegram, item));
    const std::string out = writtenAsSeven(*telegram);
    if (written) *written = out;
    auto parsed = CTM_message::m_new(out);
    EXPECT_TRUE(parsed->m_isValid()) << parsed->m_getErrorText() << "\n" << out;
    return GetParam().getBIT(*parsed);
  }
};

TEST_P(CTM_itemRecordOf, AnItemGivesItsExactText) {
  CTM_itemData item;
  fillItem(item);
  auto telegram = GetParam().make();
  ASSERT_TRUE(GetParam().setBIT(*telegram, item));
  EXPECT_EQ(writtenAsSeven(*telegram), text(fullRecord));
}

TEST_P(CTM_itemRecordOf, ATextGivesEveryMemberOfTheItem) {
  auto telegram = CTM_message::m_new(text(fullRecord));
  ASSERT_TRUE(telegram->m_isValid()) << telegram->m_getErrorText();
  EXPECT_EQ(written(*telegram), text(fullRecord));
  auto read = GetParam().getBIT(*telegram);
  CTM_itemData given;
  fillItem(given);
  expectSameItem(read, given, "MUELLER HANS        ");
}

TEST_P(CTM_itemRecordOf, ABuiltTelegramGivesTheItemBack) {
  CTM_itemData given;
  fillItem(given);
  auto telegram = GetParam().make();
  ASSERT_TRUE(GetParam().setBIT(*telegram, given));
  expectSameItem(GetParam().getBIT(*telegram), given, "MUELLER HANS");
}

INSTANTIATE_TEST_SUITE_P(Telegrams, CTM_itemRecordOf, testing::Values(mo10, ud11, ud12, om08),
                         [](const auto& info) { return std::string(info.param.name); });

// The hand-over to the downstream TM takes items whatever OC knows of them.
class CTM_itemRecordHandedOver : public CTM_itemRecordOf {};

TEST_P(CTM_itemRecordHandedOver, AnItemWithoutStatusOrLpcDataIsWrittenWholeAndReadBackEmpty) {
  CTM_itemData bare;
  fillBareItem(bare);
  auto telegram = GetParam().make();
  ASSERT_TRUE(GetParam().setBIT(*telegram, bare));
  EXPECT_EQ(writtenAsSeven(*telegram), text(bareRecord));
  auto read = CTM_message::m_new(text(bareRecord));
  ASSERT_TRUE(read->m_isValid()) << read->m_getErrorText();
  expectSameItem(GetParam().getBIT(*read), bare, "");
}

TEST_P(CTM_itemRecordHandedOver, EveryStatusWordTravelsAndEveryLaterFieldStaysInPlace) {
  for (const char* word : {"", "SPECIAL_HANDLING", "GARB", "NO_READ", "UFO", "MISSING", "UNK", "ERROR", "BUFFERED"}) {
    CTM_itemData item;
    fillItem(item);
    if (*word) {
      ASSERT_TRUE(item.m_setStatus(word));
    } else {
      item.m_clearStatus();
    }
    std::string out;
    auto read = throughText(item, &out);
    EXPECT_EQ(read.m_getStatus(), word);
    EXPECT_EQ(read.m_getFSC(), 42) << word;
    EXPECT_EQ(out.size(), 13 + GetParam().head.size() + fullRecord.size() + 1) << word;
  }
}

TEST_P(CTM_itemRecordHandedOver, AScreeningLevelBeyondItsDigitGoesAsNine) {
  CTM_itemData item;
  fillItem(item);
  item.m_setRequiredScreenLevel(-1);
  item.m_setReachedScreenLevel(10);
  std::string expected = fullRecord;
  expected.replace(103, 2, "99");  // the two screening levels
  auto telegram = GetParam().make();
  ASSERT_TRUE(GetParam().setBIT(*telegram, item));
  EXPECT_EQ(writtenAsSeven(*telegram), text(expected));
  auto read = throughText(item);
  EXPECT_EQ(read.m_getRequiredScreenLevel(), 9);
  EXPECT_EQ(read.m_getReachedScreenLevel(), 9);
  EXPECT_EQ(read.m_getLength(), 500);
  EXPECT_EQ(read.m_getFSC(), 42);
}

TEST_P(CTM_itemRecordHandedOver, AStatusOnlyThePeersKnowLeavesTheItemWithoutStatus) {
  std::string record = fullRecord;
  record.replace(statusAt, 16, "TO_BE_READ      ");
  auto telegram = CTM_message::m_new(text(record));
  ASSERT_TRUE(telegram->m_isValid()) << telegram->m_getErrorText();
  auto read = GetParam().getBIT(*telegram);
  EXPECT_EQ(read.m_getStatus(), "");
  EXPECT_EQ(read.m_getLPC(), "0123456789");
}

INSTANTIATE_TEST_SUITE_P(Telegrams, CTM_itemRecordHandedOver, testing::Values(ud11, ud12),
                         [](const auto& info) { return std::string(info.param.name); });

// The record follows the criteria table: structVersionID, then each criterion in
// the field of its name ("OnwardConnection" is capitalised on the wire).
TEST(CTM_itemRecord, EachCriterionStandsInTheFieldOfItsName) {
  auto lower = [](std::string name) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
  };
  for (const RecordTelegram& telegram : {mo10, ud11, ud12, om08}) {
    auto made = telegram.make();
    std::span<const CTM_messageFieldValue> fields = made->m_fieldValues();
    ASSERT_GT(fields.size(), CTM_itemCriteria::count) << telegram.name;
    const std::size_t first = fields.size() - CTM_itemCriteria::count;
    EXPECT_STREQ(fields[first - 1].m_name(), "structVersionID") << telegram.name;
    for (std::size_t i = 0; i < CTM_itemCriteria::count; ++i)
      EXPECT_EQ(lower(fields[first + i].m_name()), lower(CTM_itemCriteria::table[i].name)) << telegram.name;
  }
}

TEST(CTM_itemRecord, AnUpdateDiffersFromAnAnnouncementOnlyInItsTypeAndFirstName) {
  CTM_itemData item;
  fillItem(item);
  CTM_ud11_message announced;
  CTM_ud12_message updated;
  ASSERT_TRUE(announced.m_setLogicalConnectID("ABCDE1234") && announced.m_setBIT(item));
  ASSERT_TRUE(updated.m_setLogicalConnectID("ABCDE1234") && updated.m_setBIT(item));
  std::string first = writtenAsSeven(announced);
  std::string second = writtenAsSeven(updated);
  ASSERT_EQ(first.substr(0, 4), "UD11");
  EXPECT_EQ("UD12" + first.substr(4), second);
  EXPECT_NE(announced.m_asString().find("(logical_connect_ID=\"ABCDE1234\")"), std::string::npos);
  EXPECT_NE(updated.m_asString().find("(logicalConnectID=\"ABCDE1234\")"), std::string::npos);
}

TEST(CTM_itemRecord, OcIsSentOnlyCompleteItemData) {
  CTM_itemData bare;
  fillBareItem(bare);
  CTM_mo10_message report;
  ASSERT_TRUE(report.m_setLS_ID("LS001") && report.m_setTimeStamp(leapDayNoon));
  // Written whole all the same: OC refuses it field by field, not by a shifted record.
  ASSERT_TRUE(report.m_setBIT(bare));
  EXPECT_EQ(writtenAsSeven(report), telegramText("MO10", 1, "LS001" "20240229120000" + bareRecord));
  EXPECT_EQ(refusal(writtenAsSeven(report)),
            "Field \"          \" (LPC) doesn't match \"[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]\" ! "
            "(offset: 62, field length: 10)");
}

TEST(CTM_itemRecord, EachTelegramAcceptsTheBlankStatus) {
  std::string record = fullRecord;
  record.replace(statusAt, 16, std::string(16, ' '));
  for (const RecordTelegram& telegram : {mo10, ud11, ud12, om08}) {
    auto parsed = CTM_message::m_new(telegramText(telegram.id, 1, telegram.head + record));
    ASSERT_TRUE(parsed->m_isValid()) << telegram.name << ": " << parsed->m_getErrorText();
    EXPECT_EQ(telegram.getBIT(*parsed).m_getStatus(), "") << telegram.name;
  }
}

TEST(CTM_itemRecord, AStatusWithoutPaddingIsRefused) {
  std::string record = fullRecord;
  record.replace(statusAt, 16, "UNK" + std::string(13, '.'));
  EXPECT_EQ(refusal(telegramText("UD11", 1, "ABCDE1234" + record)),
            "Unknown option \"UNK.............\" for field BIT_status! (offset: 35, field length: 16)");
}

TEST(CTM_itemRecord, AnyItemComesBackFromTheDownstreamTelegram) {
  std::mt19937 random(20240229);
  auto between = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  auto pick = [&](std::string_view alphabet, int length) {
    std::string text;
    for (int i = 0; i < length; ++i) text += alphabet[static_cast<std::size_t>(between(0, int(alphabet.size()) - 1))];
    return text;
  };
  auto maybe = [&](std::string text) { return between(0, 3) == 0 ? std::string() : text; };
  const char* words[] = {"", "SPECIAL_HANDLING", "GARB", "NO_READ", "UFO", "MISSING", "UNK", "ERROR", "BUFFERED"};
  const std::string digits = "0123456789", letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  for (int round = 0; round < 300; ++round) {
    CTM_itemData item;
    item.m_setStructVersionID(between(0, 99));
    item.m_setBIT_ID(pick(letters, 1) + pick(digits + letters, 2) + pick(digits, 8));
    if (const char* word = words[between(0, 8)]; *word) item.m_setStatus(word);
    item.m_setSelectionID(between(0, 9));
    item.m_setLPC(maybe(pick(digits, 10)));
    item.m_setTubbingNecessity(between(0, 1) == 1);
    item.m_setTubbedIndicator(between(0, 1) == 1);
    item.m_setInboundFlightID(maybe(pick(letters, 2) + pick(" " + letters, 1) + pick(digits, 4) + " 2024" + pick(digits, 4)));
    item.m_setOutboundFlightID(maybe(pick(letters, 3) + pick(digits, 4) + pick(letters, 1) + "2025" + pick(digits, 4)));
    item.m_setOutboundCabinClass(maybe(pick("FCY", 1)));
    item.m_setOutboundDestination(maybe(pick(letters, 3)));
    item.m_setOnwardConnection(between(0, 1) == 1);
    const std::string name = maybe(pick(letters + " .-'", between(0, 19)) + pick(letters, 1));
    item.m_setPassengerName(name);
    item.m_setBaggageExceptionData(maybe(pick(letters, 4)));
    item.m_setRequiredScreenLevel(between(-1, 10));
    item.m_setReachedScreenLevel(between(-1, 10));
    item.m_setLength(between(0, 99999));
    item.m_setHeight(between(0, 99999));
    item.m_setWidth(between(0, 99999));
    item.m_setWeight(between(0, 9999));
    item.m_setFSC(between(0, 9999));

    CTM_ud11_message announced;
    ASSERT_TRUE(announced.m_setLogicalConnectID("TP001P002") && announced.m_setBIT(item));
    auto parsed = parsedAs<CTM_ud11_message>(writtenAsSeven(announced));
    ASSERT_TRUE(parsed);
    auto read = parsed->m_getBIT();
    const std::string padded = name.empty() ? name : name + std::string(20 - name.size(), ' ');
    auto level = [](int given) { return given >= 0 && given <= 9 ? given : 9; };
    item.m_setRequiredScreenLevel(level(item.m_getRequiredScreenLevel()));
    item.m_setReachedScreenLevel(level(item.m_getReachedScreenLevel()));
    expectSameItem(read, item, padded.c_str());
    if (testing::Test::HasFailure()) break;
  }
}

}  // namespace
