// What OC sends the TM: a transport specification read criterion by criterion
// and built from a transport specification, with the fillers of the criteria that take
// no part, the one size switch, status words and UTC times both ways; the
// selection of items; the header-only telegrams and the refusals. The item
// record of OM08 is tested with the item record.
#include "telegrams/ctm_om_message.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/c_foreignzone.h"
#include "tests/support/ctm_telegram_text.h"
#include "tracking/ctm_itemcriteria.h"

namespace {

using namespace ctm_test;

constexpr std::int64_t leapDay = 1709164800;   // 2024-02-29 00:00:00 UTC
constexpr std::int64_t marchFirst = 1709251200;  // 2024-03-01 00:00:00 UTC

std::string om(std::string_view type, std::string_view data) { return telegramText("OM" + std::string(type), 1, data); }

const std::string everyCriterion = "LS001" "A" "TS00000001" "01" "01"
                                   "1" "W3212300001" "1" "NO_READ         " "1" "3" "1" "0123456789"
                                   "1" "LH 1234 20240229" "1" "LH 5678 20240301" "1" "Y" "1" "JFK" "1" "1"
                                   "1" "MUELLER HANS        " "1" "ABCD" "1" "1" "1" "0" "1" "2" "1" "1"
                                   "1" "00500" "00400" "00300" "1" "0025" "1" "0042"
                                   "002" "EXIT00001" "EXIT00002" "20240229000000" "20240301000000";

const std::string noCriterion = "LS001" "D" "TS00000002" "05" "01"
                                "0" "           " "0" "                " "0" "0" "0" "0000000000"
                                "0" "                " "0" "                " "0" " " "0" "   " "0" "0"
                                "0" "                    " "0" "    " "0" "0" "0" "0" "0" "0" "0" "0"
                                "0" "00000" "00000" "00000" "0" "0000" "0" "0000"
                                "000" "20240229000000" "20240301000000";

// Where some fields stand in the data part.
constexpr std::size_t bitIdAt = 21;
constexpr std::size_t statusAt = 33;
constexpr std::size_t lpcSwitchAt = 51;
constexpr std::size_t onwardAt = 103;
constexpr std::size_t sizeSwitchAt = 138;

void fillEveryCriterion(CTM_transSpec& spec) {
  spec.m_setTransportSpecID("TS00000001");
  spec.m_setRoutingPriority(1);
  spec.m_setStructVersionID(1);
  spec.m_setBIT_ID("W3212300001", true);
  spec.m_setBIT_status("NO_READ", true);
  spec.m_setSelectionID(3, true);
  spec.m_setLPC("0123456789", true);
  spec.m_setInboundFlightID("LH 1234 20240229", true);
  spec.m_setOutboundFlightID("LH 5678 20240301", true);
  spec.m_setOutboundCabinClass("Y", true);
  spec.m_setOutboundDestination("JFK", true);
  spec.m_setOnwardConnection(true, true);
  spec.m_setPassengerName("MUELLER HANS", true);
  spec.m_setBaggageExceptionData("ABCD", true);
  spec.m_setTubbingNecessity(true, true);
  spec.m_setTubbedIndicator(false, true);
  spec.m_setRequiredScreenLevel(2, true);
  spec.m_setReachedScreenLevel(1, true);
  spec.m_setLength(500, true);
  spec.m_setHeight(400, true);
  spec.m_setWidth(300, true);
  spec.m_setWeight(25, true);
  spec.m_setFSC(42, true);
  spec.m_addDestination("EXIT00001");
  spec.m_addDestination("EXIT00002");
  spec.m_setStartTime(leapDay);
  spec.m_setEndTime(marchFirst);
}

template <typename V>
void expectCriterion(bool (CTM_transSpec::*get)(V&) const, const CTM_transSpec& spec, const V& value, bool relevant,
                     const char* name) {
  V read{};
  EXPECT_EQ((spec.*get)(read), relevant) << name;
  EXPECT_EQ(read, value) << name;
}

class CTM_om03Test : public testing::Test {
 protected:
  c_foreignZone zone_;
};

TEST_F(CTM_om03Test, ATextGivesEveryCriterion) {
  auto telegram = parsedAs<CTM_om03_message>(om("03", everyCriterion));
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getLS_ID(), "LS001");
  EXPECT_EQ(telegram->m_getModIndicator(), "A");
  EXPECT_EQ(written(*telegram), om("03", everyCriterion));
  auto spec = telegram->m_getTransSpec();
  EXPECT_EQ(spec->m_getKey(), "");
  EXPECT_EQ(spec->m_getTransportSpecID(), "TS00000001");
  EXPECT_EQ(spec->m_getRoutingPriority(), 1);
  EXPECT_EQ(spec->m_getStructVersionID(), 1);
  using S = CTM_transSpec;
  expectCriterion<std::string>(&S::m_getBIT_ID, *spec, "W3212300001", true, "BIT_ID");
  expectCriterion<std::string>(&S::m_getBIT_status, *spec, "NO_READ", true, "BIT_status");
  expectCriterion<int>(&S::m_getSelectionID, *spec, 3, true, "selectionID");
  expectCriterion<std::string>(&S::m_getLPC, *spec, "0123456789", true, "LPC");
  expectCriterion<std::string>(&S::m_getInboundFlightID, *spec, "LH 1234 20240229", true, "inbound");
  expectCriterion<std::string>(&S::m_getOutboundFlightID, *spec, "LH 5678 20240301", true, "outbound");
  expectCriterion<std::string>(&S::m_getOutboundCabinClass, *spec, "Y", true, "cabin class");
  expectCriterion<std::string>(&S::m_getOutboundDestination, *spec, "JFK", true, "destination");
  expectCriterion<bool>(&S::m_getOnwardConnection, *spec, true, true, "onward");
  expectCriterion<std::string>(&S::m_getPassengerName, *spec, "MUELLER HANS        ", true, "name");
  expectCriterion<std::string>(&S::m_getBaggageExceptionData, *spec, "ABCD", true, "exception data");
  expectCriterion<bool>(&S::m_getTubbingNecessity, *spec, true, true, "tubbing");
  expectCriterion<bool>(&S::m_getTubbedIndicator, *spec, false, true, "tubbed");
  expectCriterion<int>(&S::m_getRequiredScreenLevel, *spec, 2, true, "required level");
  expectCriterion<int>(&S::m_getReachedScreenLevel, *spec, 1, true, "reached level");
  expectCriterion<int>(&S::m_getLength, *spec, 500, true, "length");
  expectCriterion<int>(&S::m_getHeight, *spec, 400, true, "height");
  expectCriterion<int>(&S::m_getWidth, *spec, 300, true, "width");
  expectCriterion<int>(&S::m_getWeight, *spec, 25, true, "weight");
  expectCriterion<int>(&S::m_getFSC, *spec, 42, true, "FSC");
  EXPECT_EQ(spec->m_getDestinations(), (std::vector<std::string>{"EXIT00001", "EXIT00002"}));
  EXPECT_EQ(spec->m_getStartTime(), leapDay);
  EXPECT_EQ(spec->m_getEndTime(), marchFirst);
}

// The criteria table names where each criterion stands: a switch, and the value
// in the layout the switch selects or beside a switch without layout.
TEST_F(CTM_om03Test, EachCriterionStandsInTheFieldOfItsName) {
  CTM_transSpec spec;
  fillEveryCriterion(spec);
  CTM_om03_message telegram;
  ASSERT_TRUE(telegram.m_setTransSpec(spec));
  std::span<const CTM_messageFieldValue> fields = telegram.m_fieldValues();
  for (const CTM_itemCriterion& criterion : CTM_itemCriteria::table) {
    const auto [relevant, value] = criterion.om03Fields;
    ASSERT_LT(relevant, fields.size()) << criterion.name;
    EXPECT_TRUE(std::string_view(fields[relevant].m_name()).ends_with("_relevant")) << criterion.name;
    std::span<const CTM_messageFieldValue> holder =
        fields[relevant].m_groupCount() == 1 ? fields[relevant].m_groupAt(0) : fields;
    ASSERT_LT(value, holder.size()) << criterion.name;
    EXPECT_STREQ(holder[value].m_name(), criterion.name);
  }
}

TEST_F(CTM_om03Test, ASpecificationGivesItsExactText) {
  CTM_transSpec spec;
  fillEveryCriterion(spec);
  CTM_om03_message telegram;
  ASSERT_TRUE(telegram.m_setLS_ID("LS001") && telegram.m_setModIndicator("A"));
  ASSERT_TRUE(telegram.m_setTransSpec(spec));
  EXPECT_EQ(writtenAsSeven(telegram), om("03", everyCriterion));
}

TEST_F(CTM_om03Test, CriteriaThatTakeNoPartGoAsTheirFillers) {
  CTM_transSpec spec;
  spec.m_setTransportSpecID("TS00000002");
  spec.m_setRoutingPriority(5);
  spec.m_setStructVersionID(1);
  spec.m_setBIT_ID("W3212300001", false);
  spec.m_setLPC("0123456789", false);
  spec.m_setRequiredScreenLevel(3, false);
  spec.m_setLength(500, false);
  spec.m_setStartTime(leapDay);
  spec.m_setEndTime(marchFirst);
  CTM_om03_message telegram;
  ASSERT_TRUE(telegram.m_setLS_ID("LS001") && telegram.m_setModIndicator("D"));
  ASSERT_TRUE(telegram.m_setTransSpec(spec));
  const std::string text = writtenAsSeven(telegram);
  EXPECT_EQ(text, om("03", noCriterion));
  EXPECT_EQ(text.size(), 13u + 195 + 1);
}

TEST_F(CTM_om03Test, FillersReadBackAsCriteriaThatTakeNoPart) {
  auto telegram = parsedAs<CTM_om03_message>(om("03", noCriterion));
  ASSERT_TRUE(telegram);
  EXPECT_EQ(written(*telegram), om("03", noCriterion));
  auto spec = telegram->m_getTransSpec();
  using S = CTM_transSpec;
  expectCriterion<std::string>(&S::m_getBIT_ID, *spec, "", false, "BIT_ID");
  expectCriterion<std::string>(&S::m_getBIT_status, *spec, "", false, "BIT_status");
  expectCriterion<int>(&S::m_getSelectionID, *spec, 0, false, "selectionID");
  expectCriterion<std::string>(&S::m_getLPC, *spec, "0000000000", false, "LPC");
  expectCriterion<std::string>(&S::m_getInboundFlightID, *spec, "", false, "inbound");
  expectCriterion<std::string>(&S::m_getOutboundCabinClass, *spec, "", false, "cabin class");
  expectCriterion<bool>(&S::m_getOnwardConnection, *spec, false, false, "onward");
  expectCriterion<std::string>(&S::m_getPassengerName, *spec, "", false, "name");
  expectCriterion<bool>(&S::m_getTubbedIndicator, *spec, false, false, "tubbed");
  expectCriterion<int>(&S::m_getRequiredScreenLevel, *spec, 0, false, "required level");
  expectCriterion<int>(&S::m_getWidth, *spec, 0, false, "width");
  expectCriterion<int>(&S::m_getFSC, *spec, 0, false, "FSC");
  EXPECT_TRUE(spec->m_getDestinations().empty());
  EXPECT_EQ(spec->m_getRoutingPriority(), 5);
}

TEST_F(CTM_om03Test, AFlagFillerKeepsTheFlag) {
  std::string text = noCriterion;
  // onwardConnection_relevant "0" with a blank: set, taking no part.
  text.replace(onwardAt, 1, " ");
  auto telegram = parsedAs<CTM_om03_message>(om("03", text));
  ASSERT_TRUE(telegram);
  expectCriterion<bool>(&CTM_transSpec::m_getOnwardConnection, *telegram->m_getTransSpec(), true, false, "onward");

  CTM_transSpec spec;
  spec.m_setOnwardConnection(true, false);
  spec.m_setTubbedIndicator(true, false);
  CTM_om03_message built;
  ASSERT_TRUE(built.m_setTransSpec(spec));
  auto read = built.m_getTransSpec();
  expectCriterion<bool>(&CTM_transSpec::m_getOnwardConnection, *read, true, false, "onward");
  expectCriterion<bool>(&CTM_transSpec::m_getTubbedIndicator, *read, true, false, "tubbed");
  expectCriterion<bool>(&CTM_transSpec::m_getTubbingNecessity, *read, false, false, "tubbing");
}

TEST_F(CTM_om03Test, OneRelevantSizeMakesTheSwitchCarryAllThree) {
  CTM_transSpec spec;
  spec.m_setLength(500, false);
  spec.m_setHeight(400, true);
  CTM_om03_message telegram;
  ASSERT_TRUE(telegram.m_setTransSpec(spec));
  const std::string text = writtenAsSeven(telegram);
  EXPECT_EQ(text.substr(13 + sizeSwitchAt, 16), "1" "00500" "00400" "00000");
  auto read = telegram.m_getTransSpec();
  expectCriterion<int>(&CTM_transSpec::m_getLength, *read, 500, true, "length");
  expectCriterion<int>(&CTM_transSpec::m_getHeight, *read, 400, true, "height");
  expectCriterion<int>(&CTM_transSpec::m_getWidth, *read, 0, true, "width");
}

TEST_F(CTM_om03Test, StatusWordsAndTimesBothWays) {
  CTM_transSpec spec;
  fillEveryCriterion(spec);
  spec.m_setBIT_status("GARB", true);
  spec.m_setStartTime(1719835200);  // 2024-07-01 12:00:00 UTC, summer
  CTM_om03_message telegram;
  ASSERT_TRUE(telegram.m_setLS_ID("LS001") && telegram.m_setModIndicator("U"));
  ASSERT_TRUE(telegram.m_setTransSpec(spec));
  const std::string text = writtenAsSeven(telegram);
  EXPECT_EQ(text.substr(13 + statusAt, 16), "GARBAGE         ");
  EXPECT_EQ(text.substr(text.size() - 29, 14), "20240701120000");
  auto parsed = parsedAs<CTM_om03_message>(text);
  ASSERT_TRUE(parsed);
  auto read = parsed->m_getTransSpec();
  expectCriterion<std::string>(&CTM_transSpec::m_getBIT_status, *read, "GARB", true, "BIT_status");
  EXPECT_EQ(read->m_getStartTime(), 1719835200);
  EXPECT_EQ(read->m_getEndTime(), marchFirst);
}

TEST_F(CTM_om03Test, AStatusThatIsNoWordIsRefusedAndTheRestWritten) {
  CTM_transSpec spec;
  fillEveryCriterion(spec);
  spec.m_setBIT_status("LOST", true);
  CTM_om03_message telegram;
  EXPECT_FALSE(telegram.m_setTransSpec(spec));
  auto read = telegram.m_getTransSpec();
  EXPECT_EQ(read->m_getDestinations().size(), 2u);
  EXPECT_EQ(read->m_getEndTime(), marchFirst);
}

TEST(CTM_om09, SelectionOfItems) {
  const std::string text = om("09", "1" "002" "W3212300001" "W3212300002");
  auto telegram = parsedAs<CTM_om09_message>(text);
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getSelectionID(), 1);
  EXPECT_EQ(telegram->m_getFieldCount(), 2);
  std::string id;
  ASSERT_TRUE(telegram->m_getNextBIT_ID(id));
  EXPECT_EQ(id, "W3212300001");
  ASSERT_TRUE(telegram->m_getNextBIT_ID(id));
  EXPECT_EQ(id, "W3212300002");
  EXPECT_FALSE(telegram->m_getNextBIT_ID(id));
  EXPECT_EQ(written(*telegram), text);
}

TEST(CTM_om09, TheSelectionIdIsStoredAsItsInt) {
  CTM_om09_message selection;
  ASSERT_TRUE(selection.m_setSelectionID(5));
  ASSERT_TRUE(selection.m_appendBIT_ID("W3212300001"));
  EXPECT_EQ(selection.m_getSelectionID(), 5);
  ASSERT_FALSE(selection.m_fieldValues().empty());
  EXPECT_EQ(selection.m_fieldValues()[0].m_kind(), c_value::c_kind::integer);
  EXPECT_NE(selection.m_asString().find("(selectionID=5)"), std::string::npos) << selection.m_asString();
  EXPECT_EQ(writtenAsSeven(selection), om("09", "5" "001" "W3212300001"));
  for (int i = 1; i < CTM_om09_message::maxItems; ++i) ASSERT_TRUE(selection.m_appendBIT_ID("W3212300001"));
  EXPECT_FALSE(selection.m_appendBIT_ID("W3212300051"));
}

TEST(CTM_om08, OnwardConnectionAndBlankCabinClass) {
  const std::string record = "01" "W3212300001" "                " "0" "0123456789" "LH 1234 20240229"
                             "LH 5678 20240301" " " "JFK" "1" "MUELLER HANS        " "ABCD" "0" "0" "1" "2"
                             "00500" "00400" "00300" "0025" "0042";
  auto telegram = parsedAs<CTM_om08_message>(om("08", "LS001" + record));
  ASSERT_TRUE(telegram);
  EXPECT_EQ(telegram->m_getLS_ID(), "LS001");
  auto item = telegram->m_getBIT();
  EXPECT_TRUE(item.m_getOnwardConnection());
  EXPECT_EQ(item.m_getOutboundCabinClass(), "");
  EXPECT_EQ(item.m_getStatus(), "");
}

TEST(CTM_omFactory, HeaderOnlyTelegramsAndNoOtherTypes) {
  EXPECT_TRUE(parsedAs<CTM_om00_message>("OM00" "01" "00" "000" "01\n"));
  EXPECT_TRUE(parsedAs<CTM_om02_message>(om("02", "")));
  EXPECT_TRUE(parsedAs<CTM_om04_message>(om("04", "")));
  EXPECT_TRUE(parsedAs<CTM_om05_message>(om("05", "")));
  EXPECT_EQ(written(CTM_om00_message()), "OM00" "01" "00" "000" "01\n");
  for (const char* type : {"01", "06", "07", "10"})
    EXPECT_EQ(refusal(om(type, "")), "CTM_message::m_new(): Unknown message source/destination") << type;
}

std::string replaced(std::string text, std::size_t at, std::string_view with) {
  return text.replace(at, with.size(), with);
}

std::string exitPoints(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += "EXIT00001";
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Om, CTM_refusedTelegram,
    testing::Values(
        RefusedTelegram{"IdBehindAnOffSwitch", om("03", replaced(noCriterion, bitIdAt, "W3212300001")),
                "Field \"W3212300001\" (BIT_ID) doesn't match \"           \" ! (offset: 34, field length: 11)"},
        RefusedTelegram{"StatusWithoutPadding", om("03", replaced(everyCriterion, statusAt, "GARB            ")),
                "Unknown option \"GARB            \" for field BIT_status! (offset: 46, field length: 16)"},
        RefusedTelegram{"SwitchNeitherOnNorOff", om("03", replaced(everyCriterion, lpcSwitchAt, "2")),
                "Unknown option \"2\" for field LPC_relevant! (offset: 64, field length: 1)"},
        RefusedTelegram{"OnwardSetBehindAnOffSwitch", om("03", replaced(noCriterion, onwardAt, "1")),
                "Field \"1\" (onwardConnection) doesn't match \"[ 0]\" ! (offset: 116, field length: 1)"},
        RefusedTelegram{"FiftyOneExitPoints", om("03", noCriterion.substr(0, 164) + "051" + exitPoints(50)),
                "\"fieldCount\" cannot exceed 50! (Field name fieldCount, offset: 630, field length: 3)"},
        RefusedTelegram{"LpcMissingInTheItem",
                om("08", "LS001" "01" "W3212300001" "UNK             " "0" "          " "LH 1234 20240229"
                         "LH 5678 20240301" "Y" "JFK" "1" "MUELLER HANS        " "ABCD" "0" "0" "1" "2"
                         "00500" "00400" "00300" "0025" "0042"),
                "Field \"          \" (LPC) doesn't match \"[0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]\" ! "
                "(offset: 48, field length: 10)"}),
    refusedName);

}  // namespace
