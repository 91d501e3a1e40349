#include "tracking/ctm_transspec.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/tracking/tracking_fixture.h"
#include "tracking/ctm_bit.h"
#include "tracking/ctm_bitstatus.h"

class TransSpecTest : public CTM_trackingTest {
 protected:
  static std::vector<std::string> destinationsOf(CTM_transSpec& transSpec) {
    std::vector<std::string> out;
    std::string destination;
    for (unsigned j = 0; transSpec.m_getDestination(j, destination); ++j) out.push_back(destination);
    return out;
  }

  CTM_transSpec specWithOwnList(const std::string& status) {
    CTM_transSpec transSpec;
    transSpec.m_setKey("LS001");
    transSpec.m_setBIT_status(status, true);
    transSpec.m_addDestination("LS001EX01");
    transSpec.m_addDestination("LS001EX02");
    return transSpec;
  }
};

TEST_F(TransSpecTest, NewSpecificationTestsNothingAndLeadsNowhere) {
  CTM_transSpec transSpec;
  std::string text = "x";
  int number = 0;
  bool flag = true;
  EXPECT_FALSE(transSpec.m_getBIT_ID(text));
  EXPECT_EQ(text, "");
  EXPECT_FALSE(transSpec.m_getBIT_status(text));
  EXPECT_FALSE(transSpec.m_getRequiredScreenLevel(number));
  EXPECT_EQ(number, -1);
  EXPECT_FALSE(transSpec.m_getOnwardConnection(flag));
  EXPECT_FALSE(flag);
  EXPECT_FALSE(transSpec.m_getFSC(number));
  EXPECT_EQ(transSpec.m_getRoutingPriority(), 0);
  EXPECT_EQ(transSpec.m_getStartTime(), 0);
  EXPECT_FALSE(transSpec.m_getDestination(0, text));
}

struct StatusDestinationCase {
  const char* status;
  const char* key;
};

class StatusDestinationTest : public TransSpecTest, public testing::WithParamInterface<StatusDestinationCase> {};

TEST_P(StatusDestinationTest, ConfiguredListStandsInWithoutReplacingTheOwnList) {
  CTM_transSpec transSpec = specWithOwnList(GetParam().status);
  EXPECT_EQ(destinationsOf(transSpec), (std::vector<std::string>{"LS001EX01", "LS001EX02"}));

  useParameters({{GetParam().key, "LS001EX00"}});
  setParameter(GetParam().key, "LS001EX07\tLS001EX08\n LS001EX09 ");
  EXPECT_EQ(destinationsOf(transSpec), (std::vector<std::string>{"LS001EX07", "LS001EX08", "LS001EX09"}));
  EXPECT_EQ(transSpec.m_getDestinations(), (std::vector<std::string>{"LS001EX01", "LS001EX02"}));

  useParameters({});
  EXPECT_EQ(destinationsOf(transSpec), (std::vector<std::string>{"LS001EX01", "LS001EX02"}));
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, StatusDestinationTest,
    testing::Values(StatusDestinationCase{"SPECIAL_HANDLING", "LS001__SpecHandlingDestination"},
                    StatusDestinationCase{"NO_READ", "LS001__NoreadDestination"},
                    StatusDestinationCase{"NO_READ         ", "LS001__NoreadDestination"},
                    StatusDestinationCase{"GARB", "LS001__GarbageDestination"},
                    StatusDestinationCase{"GARBAGE         ", "LS001__GarbageDestination"},
                    StatusDestinationCase{"ERROR", "LS001__ErrorDestination"}),
    [](const testing::TestParamInfo<StatusDestinationCase>& info) {
      std::string name = CTM_bitStatus::m_fromField(info.param.status);
      if (std::string(info.param.status).size() > name.size()) name += "Padded";
      return name;
    });

TEST_F(TransSpecTest, OtherStatusesKeepTheirOwnList) {
  useParameters({{"LS001__NoreadDestination", "LS001EX07"}, {"LS001__UfoDestination", "LS001EX08"}});
  for (const char* status : {"UFO", "MISSING", "", "no_read"}) {
    CTM_transSpec transSpec = specWithOwnList(status);
    EXPECT_EQ(destinationsOf(transSpec), (std::vector<std::string>{"LS001EX01", "LS001EX02"})) << status;
  }
}

TEST_F(TransSpecTest, ConfiguredListIsReadWhenAnEnumerationStarts) {
  CTM_transSpec transSpec = specWithOwnList("NO_READ");
  useParameters({{"LS001__NoreadDestination", "LS001EX07 LS001EX08"}});
  std::string destination;
  ASSERT_TRUE(transSpec.m_getDestination(0, destination));
  setParameter("LS001__NoreadDestination", "LS001EX09");
  ASSERT_TRUE(transSpec.m_getDestination(1, destination));
  EXPECT_EQ(destination, "LS001EX08");
  EXPECT_EQ(destinationsOf(transSpec), std::vector<std::string>{"LS001EX09"});
}

TEST_F(TransSpecTest, EmptyConfiguredListLeadsNowhere) {
  CTM_transSpec transSpec = specWithOwnList("ERROR");
  useParameters({{"LS001__ErrorDestination", "-"}});
  setParameter("LS001__ErrorDestination", "  ");
  EXPECT_TRUE(destinationsOf(transSpec).empty());
}

TEST_F(TransSpecTest, ValidityCountsBothEndsOfThePeriod) {
  CTM_transSpec transSpec;
  transSpec.m_setStartTime(1000);
  transSpec.m_setEndTime(2000);
  EXPECT_EQ(transSpec.m_validityAt(999), CTM_transSpec::c_validity::notYet);
  EXPECT_EQ(transSpec.m_validityAt(1000), CTM_transSpec::c_validity::valid);
  EXPECT_EQ(transSpec.m_validityAt(2000), CTM_transSpec::c_validity::valid);
  EXPECT_EQ(transSpec.m_validityAt(2001), CTM_transSpec::c_validity::expired);
  CTM_transSpec never;
  EXPECT_EQ(never.m_validityAt(fixedNow), CTM_transSpec::c_validity::expired);
}

TEST(BitStatusField, WordsTravelBlankPaddedWithGarbageSpelledOut) {
  EXPECT_EQ(CTM_bitStatus::m_toField("GARB"), "GARBAGE         ");
  EXPECT_EQ(CTM_bitStatus::m_toField(""), std::string(16, ' '));
  EXPECT_EQ(CTM_bitStatus::m_toField("SPECIAL_HANDLING"), "SPECIAL_HANDLING");
  EXPECT_EQ(CTM_bitStatus::m_fromField("GARBAGE         "), "GARB");
  EXPECT_EQ(CTM_bitStatus::m_fromField(std::string(16, ' ')), "");
  EXPECT_EQ(CTM_bitStatus::m_fromField("NO_READ         "), "NO_READ");
  for (const char* word : {"SPECIAL_HANDLING", "GARB", "NO_READ", "UFO", "MISSING", "UNK", "ERROR", "BUFFERED", ""})
    EXPECT_EQ(CTM_bitStatus::m_fromField(CTM_bitStatus::m_toField(word)), word);
}

// One criterion: how to make the TransSpec ask for the item's value or for
// another one, relevant or not.
struct CriterionCase {
  const char* name;
  std::function<void(CTM_transSpec&, bool sameAsItem, bool relevant)> ask;
};

class CriterionMatchTest : public TransSpecTest, public testing::WithParamInterface<CriterionCase> {
 protected:
  void SetUp() override {
    TransSpecTest::SetUp();
    item_.m_setBIT_ID("W3212300042");
    item_.m_setStatus("GARB");
    item_.m_setSelectionID(3);
    item_.m_setLPC("0123456789");
    item_.m_setInboundFlightID("LH 0400 20240502");
    item_.m_setOutboundFlightID("LH 0123 20240502");
    item_.m_setOutboundCabinClass("Y");
    item_.m_setOutboundDestination("FRA");
    item_.m_setOnwardConnection(true);
    item_.m_setPassengerName("SMITH/JOHN");
    item_.m_setBaggageExceptionData("HEAV");
    item_.m_setTubbingNecessity(true);
    item_.m_setTubbedIndicator(false);
    item_.m_setRequiredScreenLevel(1);
    item_.m_setReachedScreenLevel(0);
    item_.m_setLength(600);
    item_.m_setHeight(400);
    item_.m_setWidth(300);
    item_.m_setWeight(23);
    item_.m_setFSC(42);
  }
  CTM_BIT item_;
};

TEST_P(CriterionMatchTest, RelevantCriterionMustEqualTheItemAndAnIrrelevantOneIsSkipped) {
  CTM_transSpec same;
  GetParam().ask(same, true, true);
  EXPECT_TRUE(item_.m_matches(same));
  CTM_transSpec other;
  GetParam().ask(other, false, true);
  EXPECT_FALSE(item_.m_matches(other));
  CTM_transSpec skipped;
  GetParam().ask(skipped, false, false);
  EXPECT_TRUE(item_.m_matches(skipped));
}

template <typename Setter>
CriterionCase textCriterion(const char* name, Setter setter, const char* itemValue, const char* otherValue) {
  return {name, [=](CTM_transSpec& transSpec, bool same, bool relevant) {
            (transSpec.*setter)(same ? itemValue : otherValue, relevant);
          }};
}
template <typename Setter, typename T>
CriterionCase valueCriterion(const char* name, Setter setter, T itemValue, T otherValue) {
  return {name, [=](CTM_transSpec& transSpec, bool same, bool relevant) {
            (transSpec.*setter)(same ? itemValue : otherValue, relevant);
          }};
}

INSTANTIATE_TEST_SUITE_P(
    Criteria, CriterionMatchTest,
    testing::Values(
        textCriterion("BIT_ID", &CTM_transSpec::m_setBIT_ID, "W3212300042", "W3212300043"),
        textCriterion("BIT_status", &CTM_transSpec::m_setBIT_status, "GARBAGE         ", "ERROR"),
        valueCriterion("selectionID", &CTM_transSpec::m_setSelectionID, 3, 4),
        textCriterion("LPC", &CTM_transSpec::m_setLPC, "0123456789", "0000000000"),
        textCriterion("inboundFlightID", &CTM_transSpec::m_setInboundFlightID, "LH 0400 20240502", "LH 0401 20240502"),
        textCriterion("outboundFlightID", &CTM_transSpec::m_setOutboundFlightID, "LH 0123 20240502",
                      "LH 0123 20240503"),
        textCriterion("outboundCabinClass", &CTM_transSpec::m_setOutboundCabinClass, "Y", "F"),
        textCriterion("outboundDestination", &CTM_transSpec::m_setOutboundDestination, "FRA", "MUC"),
        valueCriterion("onwardConnection", &CTM_transSpec::m_setOnwardConnection, true, false),
        textCriterion("passengerName", &CTM_transSpec::m_setPassengerName, "SMITH/JOHN          ", "SMITH/JANE"),
        textCriterion("baggageExceptionData", &CTM_transSpec::m_setBaggageExceptionData, "HEAV", "FRAG"),
        valueCriterion("tubbingNecessity", &CTM_transSpec::m_setTubbingNecessity, true, false),
        valueCriterion("tubbedIndicator", &CTM_transSpec::m_setTubbedIndicator, false, true),
        valueCriterion("requiredScreenLevel", &CTM_transSpec::m_setRequiredScreenLevel, 1, -1),
        valueCriterion("reachedScreenLevel", &CTM_transSpec::m_setReachedScreenLevel, 0, 1),
        valueCriterion("length", &CTM_transSpec::m_setLength, 600, 601),
        valueCriterion("height", &CTM_transSpec::m_setHeight, 400, 0),
        valueCriterion("width", &CTM_transSpec::m_setWidth, 300, 299),
        valueCriterion("weight", &CTM_transSpec::m_setWeight, 23, 24),
        valueCriterion("FSC", &CTM_transSpec::m_setFSC, 42, 0)),
    [](const testing::TestParamInfo<CriterionCase>& info) { return std::string(info.param.name); });

TEST_F(CriterionMatchTest, EveryRelevantCriterionMustHold) {
  CTM_transSpec transSpec;
  transSpec.m_setLPC("0123456789", true);
  transSpec.m_setFSC(42, true);
  EXPECT_TRUE(item_.m_matches(transSpec));
  transSpec.m_setWeight(99, true);
  EXPECT_FALSE(item_.m_matches(transSpec));
}

struct StatusMatchCase {
  const char* transSpecStatus;
  const char* itemStatus;
  bool matches;
};

class StatusMatchTest : public TransSpecTest, public testing::WithParamInterface<StatusMatchCase> {};

TEST_P(StatusMatchTest, NoReadAlsoTakesItemsNoReaderIdentified) {
  CTM_BIT item;
  if (*GetParam().itemStatus) {
    ASSERT_TRUE(item.m_setStatus(GetParam().itemStatus));
  }
  CTM_transSpec transSpec;
  transSpec.m_setBIT_status(GetParam().transSpecStatus, true);
  EXPECT_EQ(item.m_matches(transSpec), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(Statuses, StatusMatchTest,
                         testing::Values(StatusMatchCase{"NO_READ", "NO_READ", true},
                                         StatusMatchCase{"NO_READ", "UFO", true},
                                         StatusMatchCase{"NO_READ", "MISSING", true},
                                         StatusMatchCase{"NO_READ         ", "UNK", true},
                                         StatusMatchCase{"NO_READ", "GARB", false},
                                         StatusMatchCase{"NO_READ", "", false},
                                         StatusMatchCase{"MISSING", "NO_READ", false},
                                         StatusMatchCase{"UFO", "MISSING", false},
                                         StatusMatchCase{"                ", "", true},
                                         StatusMatchCase{"", "ERROR", false}));
