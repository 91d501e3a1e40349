#include "tracking/ctm_bit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/tracking/tracking_fixture.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_tm.h"
#include "topology/ctm_tp.h"
#include "tracking/ctm_bit_trace.h"

namespace fs = std::filesystem;

// An item of segment LS001 of TM32 with its trace open and every field set.
class BaggageItemTest : public CTM_trackingTest {
 protected:
  static constexpr const char* bitId = "W3212300042";

  void SetUp() override {
    CTM_trackingTest::SetUp();
    segment_.m_setParent(&tm_);
    item_ = std::make_unique<CTM_BIT>();
    item_->m_setBIT_ID(bitId);
    ASSERT_TRUE(item_->m_openTrace(&segment_, false));
    item_->m_setSelectionID(3);
    item_->m_setLPC("0123456789");
    item_->m_setInboundFlightID("LH 0400 20240502");
    item_->m_setOutboundFlightID("LH 0123 20240502");
    item_->m_setOutboundCabinClass("Y");
    item_->m_setOutboundDestination("FRA");
    item_->m_setOnwardConnection(true);
    item_->m_setPassengerName("SMITH/JOHN");
    item_->m_setBaggageExceptionData("HEAV");
    item_->m_setTubbingNecessity(true);
    item_->m_setTubbedIndicator(false);
    item_->m_setRequiredScreenLevel(1);
    item_->m_setReachedScreenLevel(0);
    item_->m_setLength(600);
    item_->m_setHeight(400);
    item_->m_setWidth(300);
    item_->m_setWeight(23);
    item_->m_setFSC(42);
    item_->m_setDestinationName("LS001EX01");
  }

  void TearDown() override {
    item_.reset();
    CTM_trackingTest::TearDown();
  }

  fs::path traceFile() const { return segmentFolder() / "00" / (std::string(bitId) + ".trc"); }

  // The records written so far, without their time.
  std::vector<std::string> records() const {
    std::vector<std::string> out;
    const std::string time = std::string(localNowText) + "\t";
    for (const std::string& line : linesOf(traceFile())) {
      EXPECT_EQ(line.substr(0, time.size()), time);
      out.push_back(line.substr(time.size()));
    }
    return out;
  }

  CTM_tm tm_{"TM32"};
  CTM_ls segment_{"LS001"};
  CTM_tp trackingPoint_{"LS001TP0001"};
  CTM_tp otherPoint_{"LS001TP0002"};
  std::unique_ptr<CTM_BIT> item_;
};

struct RecordCase {
  int kind;
  const char* expected;  // "" for no record
};

class RecordTextTest : public BaggageItemTest, public testing::WithParamInterface<RecordCase> {};

TEST_P(RecordTextTest, EachKindWritesItsMarkNameAndText) {
  item_->traceBIT(&trackingPoint_, GetParam().kind, "LS001EX01 jam");
  std::vector<std::string> expected;
  if (*GetParam().expected) expected.push_back(GetParam().expected);
  EXPECT_EQ(records(), expected);
}

const std::string lpcData =
    "InID=(LH 0400 20240502) OutID=(LH 0123 20240502) OutCC=(Y) OutDes=(FRA) Outonw=(Yes) PaName=(SMITH/JOHN) "
    "Excep=(HEAV)";
const std::string bitRecord = "I\tBIT\tStatus=() Selection=(3) LPC=(0123456789) " + lpcData +
                              " TubNec=(Yes) TubInd=(NO) Req=(1) Rea=(0) L=(600) H=(400) W=(300) W=(23) FSC=(42)";
const std::string codingRecord = "I\tCODING_TERMINAL\tCODING TERMINAL\t" + lpcData;

INSTANTIATE_TEST_SUITE_P(
    Kinds, RecordTextTest,
    testing::Values(
        RecordCase{0, "E\tENTER\tTP=(LS001TP0001)"}, RecordCase{1, "E\tEXIT\tTP=(LS001TP0001)"},
        RecordCase{2, "E\tTRS\tTS=(LS001EX01)"}, RecordCase{3, "E\tOSIZE\tTP=(LS001TP0001)"},
        RecordCase{4, "E\tGARB\tTP=(LS001TP0001)"}, RecordCase{5, "E\tTLATE\tTS=(LS001EX01)"},
        RecordCase{6, "I\tDIV\tTP=(LS001TP0001)\tLS001EX01 jam"},
        RecordCase{7, "I\tNOT_DIV\tTP=(LS001TP0001)\tLS001EX01 jam"},
        RecordCase{8, "I\tINSUFFICIENT_INFO\tTP=CODING TERMINAL\tInsufficient Information for routing! "
                      "Status=(SPECIAL_HANDLING)"},
        RecordCase{9, "I\tUNAVAILABLE_OUTPUT\tTP=(LS001TP0001)\tUnavailable system output! Status=(SPECIAL_HANDLING)"},
        RecordCase{10, "I\tUNAVAILABLE_BUFFER\tTP=(LS001TP0001)\tUnavailable buffer! Status=(SPECIAL_HANDLING)"},
        RecordCase{11, "E\tUNKNOWN_DESTINATION\tTP=(LS001TP0001)\tUnknown destination! Status=(GARB)"},
        RecordCase{12, "I\tUNEXPECTED\tTP=(LS001TP0001)\tUnexpected baggage! Status=(UFO)"},
        RecordCase{13, "I\tMISSING\tTP=(LS001TP0001)\tMissing baggage! Status=(MISSING)"},
        RecordCase{14, "I\tUNKNOWN\tTP=(LS001TP0001)\tUnknown baggage! Status=(UNK)"},
        RecordCase{15, "I\tSELECT\tSelection=(3)"}, RecordCase{16, "I\tNO_READ\tTP=(LS001TP0001)"},
        RecordCase{17, codingRecord.c_str()}, RecordCase{18, "I\tSCN\tTP=(LS001TP0001)\tLPC=(0123456789)"},
        RecordCase{19, "I\tSCR\tTP=(LS001TP0001)\tReq=(1) Rea=(0)"},
        RecordCase{20, "I\tSIZE\tTP=(LS001TP0001)\tL=(600) H=(400) W=(300) W=(23)"},
        RecordCase{21, "I\tTRACE\tTP=(LS001TP0001)"}, RecordCase{22, bitRecord.c_str()},
        RecordCase{23, "I\tFSC\tFSC=(42)"}, RecordCase{24, ""}, RecordCase{25, "I\tCLEAN_UP\tCLEAN_UP"},
        RecordCase{26, ""}, RecordCase{-1, ""}),
    [](const testing::TestParamInfo<RecordCase>& info) {
      return info.param.kind < 0 ? std::string("Negative") : "Kind" + std::to_string(info.param.kind);
    });

TEST_F(BaggageItemTest, EventMovesTheItemAndStampsItsTime) {
  c_clock::m_advanceUtc(60);
  item_->traceBIT(&otherPoint_, CTM_BIT::TRACE, "");
  EXPECT_EQ(item_->m_getCurrentNode(), &otherPoint_);
  EXPECT_EQ(item_->m_getLastEventTime(), fixedNow + 60);
}

TEST_F(BaggageItemTest, ItemWithoutCurrentNodeWritesAnEmptyTrackingPoint) {
  item_->traceBIT(nullptr, CTM_BIT::ENTER, "");
  item_->m_setStatus("MISSING");
  item_->traceBIT(nullptr, CTM_BIT::UNKNOWN_DESTINATION, "");
  EXPECT_EQ(records(), (std::vector<std::string>{
                           "E\tENTER\tTP=()", "E\tUNKNOWN_DESTINATION\tTP=()\tUnknown destination! Status=(GARB)"}));
  EXPECT_EQ(item_->m_getCurrentNode(), nullptr);
}

TEST_F(BaggageItemTest, OutsideTextCannotBreakTheRecordLine) {
  item_->m_setPassengerName("SMITH\tJOHN\nEVIL\\");
  item_->traceBIT(&trackingPoint_, CTM_BIT::DIV, "LS001EX01\nforged line");
  item_->traceBIT(&trackingPoint_, CTM_BIT::BIT, "");
  auto lines = records();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "I\tDIV\tTP=(LS001TP0001)\tLS001EX01\\nforged line");
  EXPECT_NE(lines[1].find("PaName=(SMITH\\tJOHN\\nEVIL\\\\)"), std::string::npos);
}

TEST_F(BaggageItemTest, LongPassengerDataIsShortenedToOneRecord) {
  item_->m_setPassengerName(std::string(800, 'P'));
  item_->m_setBaggageExceptionData(std::string(800, 'X'));
  item_->traceBIT(&trackingPoint_, CTM_BIT::BIT, "");
  auto lines = linesOf(traceFile());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), CTM_BIT_trace::maxRecordLength);
}

TEST_F(BaggageItemTest, StatusTakesOnlyTheEightWords) {
  for (const char* word : {"SPECIAL_HANDLING", "GARB", "NO_READ", "UFO", "MISSING", "UNK", "ERROR", "BUFFERED"}) {
    EXPECT_TRUE(item_->m_setStatus(word)) << word;
    EXPECT_EQ(item_->m_getStatus(), word);
  }
  for (const char* refused : {"", "garb", "GARBAGE", "NO_READ         ", "TO_BE_READ"}) {
    EXPECT_FALSE(item_->m_setStatus(refused)) << refused;
    EXPECT_EQ(item_->m_getStatus(), "BUFFERED");
  }
  item_->m_clearStatus();
  EXPECT_EQ(item_->m_getStatus(), "");
}

TEST_F(BaggageItemTest, GarbageAndNoReadEventsSetTheirStatus) {
  item_->traceBIT(&trackingPoint_, CTM_BIT::NO_READ, "");
  EXPECT_EQ(item_->m_getStatus(), "NO_READ");
  item_->traceBIT(&trackingPoint_, CTM_BIT::GARB, "");
  EXPECT_EQ(item_->m_getStatus(), "GARB");
  EXPECT_EQ(item_->m_getReasonKind(), -1);
}

// Exception events in order; each setting names a distinct word so that the
// status shows which event set it.
struct PrecedenceCase {
  const char* name;
  std::vector<int> kinds;
  const char* status;
  int reason;
};

class ExceptionPrecedenceTest : public BaggageItemTest, public testing::WithParamInterface<PrecedenceCase> {
 protected:
  void SetUp() override {
    BaggageItemTest::SetUp();
    useParameters({{"HdlInsufficientInformation", "ERROR"},
                   {"HdlUnavailableSystemOutput", "BUFFERED"},
                   {"HdlUnavailableBuffer", "SPECIAL_HANDLING"},
                   {"HdlUnknownDestination", "GARB"},
                   {"HdlUnexpectedBaggage", "UFO"},
                   {"HdlMissingBaggage", "MISSING"},
                   {"HdlUnknownBaggage", "UNK"}});
  }
};

TEST_P(ExceptionPrecedenceTest, LaterExceptionReplacesTheStatusOnlyWhereItRanksHigher) {
  for (int kind : GetParam().kinds) item_->traceBIT(&trackingPoint_, kind, "");
  EXPECT_EQ(item_->m_getStatus(), GetParam().status);
  EXPECT_EQ(item_->m_getReasonKind(), GetParam().reason);
  EXPECT_EQ(records().size(), GetParam().kinds.size());
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, ExceptionPrecedenceTest,
    testing::Values(PrecedenceCase{"BufferAlone", {10}, "SPECIAL_HANDLING", 10},
                    PrecedenceCase{"BufferYieldsToOutput", {10, 9}, "BUFFERED", 9},
                    PrecedenceCase{"OutputKeepsBeforeBuffer", {9, 10}, "BUFFERED", 9},
                    PrecedenceCase{"OutputYieldsToInsufficient", {9, 8}, "ERROR", 8},
                    PrecedenceCase{"BufferYieldsToInsufficient", {10, 8}, "ERROR", 8},
                    PrecedenceCase{"InsufficientKeepsBeforeOutput", {8, 9, 10}, "ERROR", 8},
                    PrecedenceCase{"UnknownDestinationOverridesInsufficient", {8, 11}, "GARB", 11},
                    PrecedenceCase{"UnexpectedOverridesOutput", {9, 12}, "UFO", 12},
                    PrecedenceCase{"MissingOverridesBuffer", {10, 13}, "MISSING", 13},
                    PrecedenceCase{"UnknownBaggageOverridesInsufficient", {8, 14}, "UNK", 14},
                    PrecedenceCase{"InsufficientYieldsToUnknownDestination", {11, 8}, "GARB", 11},
                    PrecedenceCase{"UnknownDestinationKeepsBeforeUnexpected", {11, 12}, "GARB", 11},
                    PrecedenceCase{"UnexpectedKeepsBeforeUnknownDestination", {12, 11}, "UFO", 12},
                    PrecedenceCase{"MissingKeepsBeforeUnknownBaggage", {13, 14}, "MISSING", 13}),
    [](const testing::TestParamInfo<PrecedenceCase>& info) { return std::string(info.param.name); });

TEST_F(BaggageItemTest, ExceptionWithoutUsableSettingFallsBack) {
  useParameters({{"HdlUnexpectedBaggage", "GARBAGE"}});
  item_->traceBIT(&trackingPoint_, CTM_BIT::UNEXPECTED, "");
  EXPECT_EQ(item_->m_getStatus(), "UFO");

  auto other = std::make_unique<CTM_BIT>();
  other->traceBIT(&trackingPoint_, CTM_BIT::UNKNOWN_DESTINATION, "");
  EXPECT_EQ(other->m_getStatus(), "GARB");
  other->traceBIT(&trackingPoint_, CTM_BIT::UNAVAILABLE_OUTPUT, "");
  EXPECT_EQ(other->m_getStatus(), "GARB");
}

TEST_F(BaggageItemTest, TakeDataCopiesTheRecordButNotIdentityOrState) {
  CTM_BIT record;
  record.m_setBIT_ID("W3212399999");
  record.m_setStructVersionID(7);
  record.m_setStatus("ERROR");
  record.m_setSelectionID(5);
  record.m_setLPC("9876543210");
  record.m_setInboundFlightID("BA 0900 20240502");
  record.m_setOutboundFlightID("BA 0901 20240503");
  record.m_setOutboundCabinClass("F");
  record.m_setOutboundDestination("LHR");
  record.m_setOnwardConnection(false);
  record.m_setPassengerName("DOE/JANE");
  record.m_setBaggageExceptionData("FRAG");
  record.m_setTubbingNecessity(false);
  record.m_setTubbedIndicator(true);
  record.m_setRequiredScreenLevel(2);
  record.m_setReachedScreenLevel(1);
  record.m_setLength(1);
  record.m_setHeight(2);
  record.m_setWidth(3);
  record.m_setWeight(4);
  record.m_setFSC(5);
  record.m_setPIC(77);
  item_->traceBIT(&trackingPoint_, CTM_BIT::ENTER, "");

  item_->m_takeData(record);
  EXPECT_EQ(item_->m_getBIT_ID(), bitId);
  EXPECT_EQ(item_->m_getStructVersionID(), 0);
  EXPECT_EQ(item_->m_getPIC(), 0);
  EXPECT_FALSE(item_->m_isAnnounced());
  EXPECT_EQ(item_->m_getStatus(), "ERROR");
  EXPECT_EQ(item_->m_getLPC(), "9876543210");
  EXPECT_EQ(item_->m_getPassengerName(), "DOE/JANE");
  EXPECT_FALSE(item_->m_getOnwardConnection());
  EXPECT_EQ(item_->m_getLpcRequestState(), CTM_BIT::lpcRequestDue);
  auto lines = records();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1],
            "I\tBIT\tStatus=(ERROR) Selection=(5) LPC=(9876543210) InID=(BA 0900 20240502) OutID=(BA 0901 20240503) "
            "OutCC=(F) OutDes=(LHR) Outonw=(No) PaName=(DOE/JANE) Excep=(FRAG) TubNec=(No) TubInd=(Yes) Req=(2) "
            "Rea=(1) L=(1) H=(2) W=(3) W=(4) FSC=(5)");
}

TEST_F(BaggageItemTest, TakeDataKeepsARunningLpcRequest) {
  CTM_BIT record;
  record.m_setLPC("9876543210");
  item_->m_setLpcRequestState(CTM_BIT::lpcRequestSent);
  item_->m_takeData(record);
  EXPECT_EQ(item_->m_getLpcRequestState(), CTM_BIT::lpcRequestSent);
}

TEST_F(BaggageItemTest, LpcDataForAKnownPlateIsTakenAndClearsUnknown) {
  CTM_lpcInfo data;
  data.m_setPassengerName("DOE/JANE");
  data.m_setOnwardConnection(false);
  item_->m_setStatus("UNK");
  item_->m_setLpcRequestState(CTM_BIT::lpcRequestSent);
  EXPECT_TRUE(item_->m_applyLpcData("A", data));
  EXPECT_EQ(item_->m_getLpcRequestState(), CTM_BIT::lpcDataReceived);
  EXPECT_EQ(item_->m_getStatus(), "");
  EXPECT_EQ(item_->m_getPassengerName(), "DOE/JANE");
  EXPECT_EQ(item_->m_getOutboundDestination(), "");
  ASSERT_EQ(records().size(), 1u);
  EXPECT_EQ(records()[0].substr(0, 6), "I\tBIT\t");
}

TEST_F(BaggageItemTest, LpcDataOfAnUnknownPlateClearsTheDataAndRaisesUnknownBaggage) {
  CTM_lpcInfo ignored;
  ignored.m_setPassengerName("NOT/TAKEN");
  EXPECT_TRUE(item_->m_applyLpcData("N", ignored));
  EXPECT_EQ(item_->m_getPassengerName(), "");
  EXPECT_EQ(item_->m_getInboundFlightID(), "");
  EXPECT_FALSE(item_->m_getOnwardConnection());
  EXPECT_EQ(item_->m_getStatus(), "UNK");
  EXPECT_EQ(item_->m_getReasonKind(), CTM_BIT::UNKNOWN);
  EXPECT_EQ(item_->m_getLpcRequestState(), CTM_BIT::lpcNone);
}

TEST_F(BaggageItemTest, OtherLpcLettersOnlyAdvanceTheRequest) {
  CTM_lpcInfo data;
  data.m_setPassengerName("NOT/TAKEN");
  item_->m_setLpcRequestState(CTM_BIT::lpcRequestSent);
  EXPECT_TRUE(item_->m_applyLpcData("X", data));
  EXPECT_EQ(item_->m_getLpcRequestState(), CTM_BIT::lpcDataReceived);
  EXPECT_EQ(item_->m_getPassengerName(), "SMITH/JOHN");
  EXPECT_TRUE(records().empty());
}

TEST_F(BaggageItemTest, FscIsTakenOnlyWhenPresent) {
  EXPECT_TRUE(item_->m_applyFSC("N", 7));
  EXPECT_EQ(item_->m_getFSC(), 42);
  EXPECT_TRUE(item_->m_applyFSC("P", 7));
  EXPECT_EQ(item_->m_getFSC(), 7);
  EXPECT_EQ(records(), std::vector<std::string>{"I\tFSC\tFSC=(7)"});
}

TEST_F(BaggageItemTest, FirstReportOfAnAnnouncedItemMakesItsLpcDue) {
  CTM_BIT announced;
  announced.m_setBIT_ID("W3212300043");
  ASSERT_TRUE(announced.m_openTrace(&segment_, true));
  announced.m_setLPC("0123456789");
  announced.m_setAnnounced(false);
  EXPECT_EQ(announced.m_getLpcRequestState(), CTM_BIT::lpcRequestDue);
  EXPECT_FALSE(announced.m_isAnnounced());

  CTM_BIT withoutLpc;
  withoutLpc.m_setAnnounced(false);
  EXPECT_EQ(withoutLpc.m_getLpcRequestState(), CTM_BIT::lpcNone);
}

TEST_F(BaggageItemTest, AnnouncedItemNeverSeenLeavesNoTraceFile) {
  const fs::path file = segmentFolder() / "00" / "W3212300043.trc";
  {
    CTM_BIT announced;
    announced.m_setBIT_ID("W3212300043");
    EXPECT_TRUE(announced.m_openTrace(&segment_, true));
    EXPECT_TRUE(announced.m_isAnnounced());
    EXPECT_EQ(announced.m_getOwningSegment(), &segment_);
    announced.traceBIT(nullptr, CTM_BIT::BIT, "");
    EXPECT_TRUE(fs::exists(file));
  }
  EXPECT_FALSE(fs::exists(file));
  {
    CTM_BIT seen;
    seen.m_setBIT_ID("W3212300043");
    seen.m_openTrace(&segment_, true);
    seen.m_setAnnounced(false);
    seen.traceBIT(&trackingPoint_, CTM_BIT::ENTER, "");
  }
  EXPECT_EQ(linesOf(file).size(), 1u);
}

TEST_F(BaggageItemTest, SegmentWithoutTmLeavesTheItemWithoutTrace) {
  CTM_ls orphan("LS002");
  CTM_BIT item;
  item.m_setBIT_ID("W3212300044");
  EXPECT_FALSE(item.m_openTrace(&orphan, false));
  EXPECT_EQ(recorder_.m_count(ev::TRACE_ID_REFUSED), 1u);
  item.traceBIT(&trackingPoint_, CTM_BIT::GARB, "");
  EXPECT_EQ(item.m_getStatus(), "GARB");
}

TEST_F(BaggageItemTest, SameDestinationTwiceIsNoChangeAndDropsThePreviousList) {
  EXPECT_TRUE(item_->m_setDestination("TS1", &trackingPoint_, 1));
  EXPECT_TRUE(item_->m_setDestination("TS2", &otherPoint_, 0));
  ASSERT_NE(item_->m_getPreviousDestinations(), nullptr);
  EXPECT_EQ(*item_->m_getPreviousDestinations(), CTM_BIT::c_destinationList{CTM_destination(&trackingPoint_, 1)});

  EXPECT_FALSE(item_->m_setDestination("TS2", &otherPoint_, 0));
  EXPECT_EQ(item_->m_getPreviousDestinations(), nullptr);
  EXPECT_EQ(*item_->m_getDestinations(), CTM_BIT::c_destinationList{CTM_destination(&otherPoint_, 0)});
  EXPECT_EQ(item_->m_getDestinationName(), "TS2");
}

TEST_F(BaggageItemTest, NewPriorityForTheSameDestinationIsAChangeInPlace) {
  item_->m_setDestination("TS1", &trackingPoint_, 0);
  EXPECT_TRUE(item_->m_setDestination("TS1", &trackingPoint_, 1));
  EXPECT_EQ(*item_->m_getDestinations(), CTM_BIT::c_destinationList{CTM_destination(&trackingPoint_, 1)});
  EXPECT_EQ(item_->m_getPreviousDestinations(), nullptr);
  EXPECT_TRUE(item_->m_setDestination("TS9", &trackingPoint_, 1));
  EXPECT_EQ(item_->m_getDestinationName(), "TS9");
}

TEST_F(BaggageItemTest, TwoDestinationsChangeWithTheirNodesOrderOrPriorities) {
  EXPECT_EQ(item_->m_getDestinations(), nullptr);
  EXPECT_TRUE(item_->m_setDestinations("TS1", &trackingPoint_, 0, &otherPoint_, 1));
  EXPECT_FALSE(item_->m_setDestinations("TS1", &trackingPoint_, 0, &otherPoint_, 1));
  EXPECT_TRUE(item_->m_setDestinations("TS1", &trackingPoint_, 1, &otherPoint_, 1));
  EXPECT_EQ(*item_->m_getDestinations(),
            (CTM_BIT::c_destinationList{CTM_destination(&trackingPoint_, 1), CTM_destination(&otherPoint_, 1)}));
  EXPECT_TRUE(item_->m_setDestinations("TS1", &otherPoint_, 1, &trackingPoint_, 1));
  ASSERT_NE(item_->m_getPreviousDestinations(), nullptr);
  EXPECT_EQ(item_->m_getPreviousDestinations()->front().m_getNode(), &trackingPoint_);
  EXPECT_TRUE(item_->m_setDestination("TS1", &otherPoint_, 1));
  EXPECT_EQ(item_->m_getDestinations()->size(), 1u);
}

TEST_F(BaggageItemTest, DestinationNamesItsNode) {
  CTM_destination destination(&trackingPoint_, 2);
  EXPECT_EQ(destination.m_getNodeId(), "LS001TP0001");
  destination.m_setRoutingPriority(0);
  EXPECT_EQ(destination.m_getRoutingPriority(), 0);
  EXPECT_EQ(CTM_destination(nullptr, 0).m_getNodeId(), "");
}

TEST_F(BaggageItemTest, NewItemStartsAnnouncedAtTheCurrentTime) {
  CTM_BIT fresh;
  EXPECT_TRUE(fresh.m_isAnnounced());
  EXPECT_EQ(fresh.m_getRequiredScreenLevel(), -1);
  EXPECT_EQ(fresh.m_getReasonKind(), -1);
  EXPECT_EQ(fresh.m_getLastEventTime(), fixedNow);
  EXPECT_EQ(fresh.m_incrementRecirculation(), 1);
  EXPECT_EQ(fresh.m_incrementRecirculation(), 2);
}
