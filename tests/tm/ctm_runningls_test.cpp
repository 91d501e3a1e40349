// The running segment: what each entry point does to its items and which reports
// and routing orders it sends, in which order.
#include "tm/ctm_runningls.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "telegrams/ctm_cs_message.h"
#include "telegrams/ctm_mo_message.h"
#include "telegrams/ctm_tmtc_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tests/support/c_descriptorsqueeze.h"
#include "tests/tm/segment_fixture.h"
#include "tracking/ctm_bit_trace.h"
#include "tracking/ctm_transspec.h"

namespace {

using c_ids = std::vector<std::string>;

// --- Ids --------------------------------------------------------------------------

class GeneratedIds : public SegmentTest {
 protected:
  void traceFile(const std::string& dd, const std::string& name) {
    writeFile(segmentFolder("TM32", "E3201") / dd / (name + ".trc"), "");
  }
};

// 2024-05-02 is day 123: "W", "32" from TM32, "123", then the daily sequence.
TEST_F(GeneratedIds, StartAtZeroCountUpAndRestartAfterMidnightUtc) {
  EXPECT_EQ(enter(), "W3212300000");
  EXPECT_EQ(enter(), "W3212300001");
  clock_.m_advance(12 * 3600);  // 2024-05-03 00:03:07 UTC
  EXPECT_EQ(enter(), "W3212400000");
}

TEST_F(GeneratedIds, GoOnFromTheHighestTraceFileOfTheDay) {
  traceFile("00", "W3212300041");
  traceFile("01", "W3212301000");
  traceFile("02", "W3212202999");  // another day
  EXPECT_EQ(enter(), "W3212301001");
}

TEST_F(GeneratedIds, StartAt50000WhenTheTraceFolderCannotBeScanned) {
  writeFile(segmentFolder("TM32", "E3201"), "a file where the folder should be");
  EXPECT_EQ(enter(), "W3212350000");
}

TEST_F(GeneratedIds, WrapTo00000WithAnEventPast99999) {
  traceFile("99", "W3212399998");
  EXPECT_EQ(enter(), "W3212399999");
  EXPECT_EQ(enter(), "W3212300000");
  EXPECT_EQ(recorder_.m_count(ev::GENERATED_ID_WRAPPED), 1u);
}

// The day's number may have a trace file of a year before.
TEST_F(GeneratedIds, ANewDayPassesOverItsNumbersWithATraceFile) {
  EXPECT_EQ(enter(), "W3212300000");
  traceFile("00", "W3212400000");
  clock_.m_advance(12 * 3600);
  EXPECT_EQ(enter(), "W3212400001");
}

// Without trace files, a number that a bag of another segment carries is still known as taken.
TEST_F(GeneratedIds, ANumberReportedBeforeTheFirstGeneratedOneIsPassedOver) {
  writeFile(segmentFolder("TM32", "E3201").parent_path(), "a file where the TM's folder should be");
  std::string carried = "W3212350000";
  CTM_BIT::c_destinationList destinations;
  EXPECT_TRUE(segment("S3202")->m_enterBIT(7, node("S3202_0100-P0001"), carried, destinations));
  EXPECT_EQ(enter(), "W3212350001");
}

// Every segment of the TM counts behind the same prefix and bags keep their ids, so
// the segment may hold bags under ids it would generate: those are passed over,
// also past the wrap, and the bags there keep their data.
TEST_F(GeneratedIds, PassOverIdsTheSegmentHolds) {
  traceFile("99", "W3212399997");
  const c_ids held = {"W3212399998", "W3212399999", "W3212300000"};
  for (const std::string& id : held) {
    auto bag = std::make_unique<CTM_BIT>();
    bag->m_setBIT_ID(id);
    bag->m_setLPC("01234" + id.substr(6));
    segment()->m_receiveBIT(std::move(bag));
  }
  enter(held[0]);  // seen by a controller, not only announced
  EXPECT_EQ(enter(), "W3212300001");
  EXPECT_EQ(segment()->m_getItemCount(), held.size() + 1);
  for (const std::string& id : held)
    inspect(id, [&](const CTM_BIT& bag) { EXPECT_EQ(bag.m_getLPC(), "01234" + id.substr(6)); });
  EXPECT_EQ(recorder_.m_count(ev::GENERATED_ID_WRAPPED), 1u);
}

// With every id of the day held, a bag without an id is refused, not looped over.
TEST_F(GeneratedIds, AreRefusedWhenTheSegmentHoldsEveryIdOfTheDay) {
  // Without trace files and texts, which 100,000 bags would only make slow.
  writeFile(segmentFolder("TM32", "E3201"), "a file where the folder should be");
  tm_->m_placeImLineHandler(nullptr);
  for (int sequence = 0; sequence <= 99999; ++sequence) {
    char id[16];
    std::snprintf(id, sizeof id, "W32123%05d", sequence);
    auto bag = std::make_unique<CTM_BIT>();
    bag->m_setBIT_ID(id);
    segment()->m_receiveBIT(std::move(bag));
  }
  std::string id = blank;
  CTM_BIT::c_destinationList destinations;
  EXPECT_TRUE(segment()->m_enterBIT(7, node(entry), id, destinations));
  EXPECT_EQ(id, blank);
  EXPECT_TRUE(destinations.empty());
  EXPECT_EQ(segment()->m_getItemCount(), 100000u);
  EXPECT_TRUE(reports().empty());
  EXPECT_EQ(recorder_.m_count(ev::GENERATED_IDS_EXHAUSTED), 1u);
}

// The segments of a TM share one sequence, and a number whose trace file of the
// day lies in any of their folders, or that a bag of the TM carries, is passed
// over: two bags of one TM never share an id, also after a restart past 99999.
constexpr const char* noId = "           ";
struct c_sharedIdCase {
  const char* name;
  std::vector<std::pair<const char*, const char*>> traceFiles;  // segment, id
  std::vector<std::pair<const char*, const char*>> reports;     // segment, id reported (blank: none)
  c_ids expected;                                               // the id each report ends with
};

void PrintTo(const c_sharedIdCase& shared, std::ostream* out) { *out << shared.name; }

class SharedIds : public SegmentTest, public testing::WithParamInterface<c_sharedIdCase> {};

TEST_P(SharedIds, NoTwoBagsOfTheTmShareAnId) {
  for (const auto& [ls, id] : GetParam().traceFiles)
    writeFile(segmentFolder("TM32", ls) / std::string(id).substr(6, 2) / (std::string(id) + ".trc"), "");
  c_ids ids;
  for (const auto& [ls, reported] : GetParam().reports) {
    std::string bitId = reported;
    CTM_BIT::c_destinationList destinations;
    EXPECT_TRUE(segment(ls)->m_enterBIT(7, node(std::string(ls) + "_0100-P0001"), bitId, destinations));
    ids.push_back(bitId);
  }
  EXPECT_EQ(ids, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Ids, SharedIds,
    testing::Values(
        c_sharedIdCase{"OneSequenceForAllSegments", {},
                       {{"E3201", noId}, {"S3202", noId}, {"E3201", noId}},
                       {"W3212300000", "W3212300001", "W3212300002"}},
        c_sharedIdCase{"AfterARestartTheHighestNumberOfAllSegments",
                       {{"E3201", "W3212300041"}, {"S3202", "W3212301000"}, {"X3203", "W3212300500"}},
                       {{"E3201", noId}, {"S3202", noId}},
                       {"W3212301001", "W3212301002"}},
        c_sharedIdCase{"PastTheWrapNumbersWithATraceFileArePassedOver",
                       {{"E3201", "W3212399998"}, {"S3202", "W3212300000"}, {"E3201", "W3212300001"}},
                       {{"E3201", noId}, {"S3202", noId}},
                       {"W3212399999", "W3212300002"}},
        c_sharedIdCase{"ANumberABagOfAnotherSegmentCarriesIsPassedOver", {},
                       {{"E3201", noId}, {"S3202", "W3212300001"}, {"E3201", noId}},
                       {"W3212300000", "W3212300001", "W3212300002"}}),
    [](const testing::TestParamInfo<c_sharedIdCase>& info) { return info.param.name; });

// --- TC reports -----------------------------------------------------------------

// A blank id gets a generated one, its reports (MO10 for an id made here, UD01 for
// the segment's first item) and its route, announced to the TM behind the exit.
TEST_F(SegmentTest, EnterWithBlankIdCreatesRoutesAndAnnounces) {
  std::string id = blank;
  CTM_BIT::c_destinationList destinations;
  ASSERT_TRUE(segment()->m_enterBIT(7, node(entry), id, destinations));
  EXPECT_EQ(id, "W3212300000");
  ASSERT_EQ(destinations.size(), 1u);
  EXPECT_EQ(destinations[0].m_getNodeId(), diverter);
  const auto telegrams = takeReports();
  c_ids ids;
  for (const auto& telegram : telegrams) ids.push_back(telegram->m_getId());
  EXPECT_EQ(ids, (c_ids{"MO10", "UD01", "MO11", "MO11", "UD11"}));
  auto& enterEvent = dynamic_cast<CTM_mo11_message&>(*telegrams[2]);
  EXPECT_EQ(enterEvent.m_getTrackingEventType(), "ENTER");
  EXPECT_EQ(enterEvent.m_getTrackingPoint(), entry);
  auto& routed = dynamic_cast<CTM_mo11_message&>(*telegrams[3]);
  EXPECT_EQ(routed.m_getTrackingEventType(), "TRS  ");
  EXPECT_EQ(routed.m_getTrackingPoint(), "TOSORTER");
  auto& announced = dynamic_cast<CTM_ud11_message&>(*telegrams[4]);
  EXPECT_EQ(announced.m_getLogicalConnectID(), "E32013301");
  EXPECT_EQ(announced.m_getBIT().m_getBIT_ID(), id);
  EXPECT_EQ(dynamic_cast<CTM_ud01_message&>(*telegrams[1]).m_getBaggageCount(), 1);
  EXPECT_TRUE(orders().empty());  // the caller answers a TC report itself
}

TEST_F(SegmentTest, EnterOfAnIdFromElsewhereReportsMO08) {
  std::string id = "A9912300001";
  CTM_BIT::c_destinationList destinations;
  segment()->m_enterBIT(7, node(entry), id, destinations);
  const auto telegrams = takeReports();
  ASSERT_FALSE(telegrams.empty());
  EXPECT_EQ(textOf(*telegrams[0]).substr(13), "E3201A9912300001\n");
}

// The order of the reports the dispatcher sends for a known item, by event; each
// call is made at the entry point.
using c_destinations = CTM_BIT::c_destinationList;
struct c_dispatchCase {
  const char* name;
  std::function<void(CTM_runningLs&, CTM_node*, std::string&, c_destinations&)> call;
  c_ids reports;
  bool answered;
};

class Dispatch : public SegmentTest, public ::testing::WithParamInterface<c_dispatchCase> {};

TEST_P(Dispatch, SendsItsReportsInOrder) {
  std::string id = enter();
  c_destinations destinations;
  GetParam().call(*segment(), node(entry), id, destinations);
  c_ids ids = reports();
  std::erase(ids, "BCIM21");  // texts for IM are checked elsewhere
  EXPECT_EQ(ids, GetParam().reports);
  EXPECT_EQ(!destinations.empty(), GetParam().answered);
}

std::unique_ptr<CTM_BIT> codingResult(const std::string& id) {
  auto result = std::make_unique<CTM_BIT>();
  result->m_setBIT_ID(id);
  result->m_setLPC("0123456789");
  return result;
}

// A known item keeps its route here: no TRS, and updates (UD12) rather than announcements.
INSTANTIATE_TEST_SUITE_P(
    Segment, Dispatch,
    ::testing::Values(
        c_dispatchCase{"Enter", [](auto& ls, auto* at, auto& id, auto& d) { ls.m_enterBIT(1, at, id, d); },
                       {"MO11"}, false},
        c_dispatchCase{"Exit", [](auto& ls, auto* at, auto& id, auto&) { ls.m_exitBIT(1, at, id); },
                       {"MO11", "UD13", "UD01"}, false},
        c_dispatchCase{"Unexpected",
                       [](auto& ls, auto* at, auto& id, auto& d) { ls.m_reportUnexpectedBIT(1, at, id, d); },
                       {"MO10", "UD12"}, false},
        c_dispatchCase{"Missing", [](auto& ls, auto* at, auto& id, auto& d) { ls.m_reportMissingBIT(1, at, id, d); },
                       {"MO10", "UD12"}, false},
        c_dispatchCase{"InsufficientInformation",
                       [](auto& ls, auto*, auto& id, auto&) { ls.m_reportInsufficientInformation(id); },
                       {"MO10", "UD12"}, false},
        c_dispatchCase{"ScreeningResult",
                       [](auto& ls, auto* at, auto& id, auto& d) { ls.m_setScreeningResult(1, at, id, 2, "A", d); },
                       {"MO10", "UD12"}, false},
        c_dispatchCase{"TraceOfAKnownItemAnswersAgain",
                       [](auto& ls, auto* at, auto& id, auto& d) { ls.m_traceBIT(1, at, id, d); }, {}, true},
        c_dispatchCase{"TraceOfANewItem",
                       [](auto& ls, auto* at, auto&, auto& d) {
                         std::string other = "W3212300077";
                         ls.m_traceBIT(1, at, other, d);
                       },
                       {"MO10", "MO11", "UD11"}, true},
        c_dispatchCase{"CodingResult",
                       [](auto& ls, auto*, auto& id, auto&) { ls.m_applyCodingResult(codingResult(id)); },
                       {"MO10", "UD12"}, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A route that changes withdraws the item where it was to go and announces it
// where it goes now.
TEST_F(SegmentTest, ChangedRouteWithdrawsAndAnnouncesDownstream) {
  const std::string id = enter();
  download("A", spec("TOTM33", 10, "E32013301"));
  segment()->m_selectBIT(1, id);
  const auto telegrams = takeReports();
  c_ids ids;
  for (const auto& telegram : telegrams) ids.push_back(telegram->m_getId());
  EXPECT_EQ(ids, (c_ids{"MO11", "UD13", "UD11"}));
  EXPECT_EQ(dynamic_cast<CTM_mo11_message&>(*telegrams[0]).m_getTrackingPoint(), "TOTM33");
  EXPECT_EQ(orders().size(), 1u);
}

TEST_F(SegmentTest, RecirculationWarnsThenMakesTheExitUnavailable) {
  useTypedParameters(parameters({{"I", "E3201_0100_MaxCirc", "4"}, {"R", "E3201_0100_CircTH", "75"}}));
  const std::string id = enter();
  struct c_round {
    c_ids texts;
    int lastKind;
  };
  const c_round rounds[] = {
      {{}, CTM_BIT::NOT_DIV},
      {{}, CTM_BIT::NOT_DIV},
      {{"2 Baggage (" + id + ") has (3) recirculations"}, CTM_BIT::NOT_DIV},
      {{"2 Baggage (" + id + ") has (4) recirculations", "2 UNAVAILABLE_OUTPUT for BIT (" + id + ")"},
       CTM_BIT::UNAVAILABLE_OUTPUT},
  };
  for (const c_round& round : rounds) {
    std::string bitId = id;
    CTM_BIT::c_destinationList destinations;
    segment()->m_checkRecirculation(1, node(diverter), bitId, "E3201_0100-P0009\t", "FULL\t", destinations);
    EXPECT_EQ(imTexts(takeReports()), round.texts);
  }
  const auto lines = linesOf(segmentFolder("TM32", "E3201") / "00" / (id + ".trc"));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[lines.size() - 2].find("\tNOT_DIV\tTP=(E3201_0100-P0002)\tE3201_0100-P0009\\t FULL\\t"),
            std::string::npos);
  EXPECT_NE(lines.back().find("\tUNAVAILABLE_OUTPUT\t"), std::string::npos);
  inspect(id, [](const CTM_BIT& item) { EXPECT_EQ(item.m_getRecirculationCount(), 4); });
}

TEST_F(SegmentTest, RecirculationWithoutThresholdsOnlyCounts) {
  const std::string id = enter();
  std::string bitId = id;
  CTM_BIT::c_destinationList destinations;
  segment()->m_checkRecirculation(1, node(diverter), bitId, "E3201_0100-P0009\t", "FULL\t", destinations);
  EXPECT_EQ(imTexts(takeReports()), (c_ids{"2 No threshold information for (E3201_0100)"}));
  EXPECT_TRUE(destinations.empty());
  inspect(id, [](const CTM_BIT& item) { EXPECT_EQ(item.m_getRecirculationCount(), 1); });
}

// The MC keys and both recirculation settings are read even when one of them is
// missing, so that each missing key is warned of.
TEST_F(SegmentTest, EachMissingMcAndRecirculationKeyIsWarnedOf) {
  segment("X3203")->m_init("NNNNNNY", true);
  std::string id = "A9912300001";
  CTM_BIT::c_destinationList destinations;
  segment()->m_checkRecirculation(1, node(diverter), id, "E3201_0100-P0009\t", "FULL\t", destinations);
  c_ids named;
  for (const CTM_loggedEvent& event : recorder_.m_eventsWithId(ev::CFG_UNKNOWN_NAME))
    named.push_back(event.strings.at(0));
  EXPECT_EQ(named, (c_ids{"X3203__MC_Hostname", "X3203__MC_Port", "E3201_0100_MaxCirc", "E3201_0100_CircTH"}));
}

TEST_F(SegmentTest, LpcReadOnlyFillsAnItemWithoutLpcData) {
  std::string id = enter();
  CTM_BIT::c_destinationList destinations;
  segment()->m_setBITLpc(1, node(entry), id, "0000000000", destinations);  // NO_READ
  inspect(id, [](const CTM_BIT& item) { EXPECT_EQ(item.m_getStatus(), "NO_READ"); });
  reports();
  segment()->m_setBITLpc(1, node(entry), id, "0123456789", destinations);
  inspect(id, [](const CTM_BIT& item) {
    EXPECT_EQ(item.m_getLPC(), "0123456789");
    EXPECT_EQ(item.m_getStatus(), "");
    EXPECT_EQ(item.m_getLpcRequestState(), CTM_BIT::lpcRequestSent);
  });
  EXPECT_EQ(reports(), (c_ids{"CS02", "MO10", "UD12"}));
  // A failed read of an item that has its LPC changes nothing and answers nothing.
  segment()->m_setBITLpc(1, node(entry), id, "0000000000", destinations);
  EXPECT_TRUE(reports().empty());
  EXPECT_TRUE(destinations.empty());
  inspect(id, [](const CTM_BIT& item) { EXPECT_EQ(item.m_getLPC(), "0123456789"); });
}

TEST_F(SegmentTest, SizeKeepsWhatWasNotMeasured) {
  std::string id = enter();
  CTM_BIT::c_destinationList destinations;
  segment()->m_setBITSize(1, node(entry), id, 80, 40, 30, 0, destinations);
  segment()->m_setBITSize(1, node(entry), id, 90, 50, 0, 20, destinations);
  inspect(id, [](const CTM_BIT& item) {
    EXPECT_EQ(std::vector<int>({item.m_getLength(), item.m_getHeight(), item.m_getWidth(), item.m_getWeight()}),
              std::vector<int>({90, 50, 30, 20}));
  });
}

TEST_F(SegmentTest, LastItemLeavingReportsAnEmptySegment) {
  const std::string first = enter();
  const std::string second = enter();
  segment()->m_exitBIT(1, node(diverter), first);
  const c_ids afterFirst = reports();
  EXPECT_EQ(std::count(afterFirst.begin(), afterFirst.end(), "UD01"), 0);
  segment()->m_exitBIT(1, node(diverter), second);
  const auto telegrams = takeReports();
  ASSERT_FALSE(telegrams.empty());
  auto* count = dynamic_cast<CTM_ud01_message*>(telegrams.back().get());
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->m_getBaggageCount(), 0);
  EXPECT_EQ(segment()->m_getItemCount(), 0u);
}

// --- Screening TM ------------------------------------------------------------------

TEST_F(SegmentTest, ScreeningItemIsAnsweredOnceItsDataArrives) {
  useTypedParameters(parameters({{"I", "E3201__ReqScreeningLevel", "0"}}));
  std::string id = "A9912300001";
  bool created = false;
  std::string status;
  segment()->m_enterBITWithScreening(42, node(entry), id, created, status);
  EXPECT_TRUE(created);
  EXPECT_TRUE(orders().empty());
  auto record = std::make_unique<CTM_BIT>();
  record->m_setBIT_ID(id);
  record->m_setRequiredScreenLevel(0);  // OC's record brings the level
  segment()->m_updateBITFromOC(std::move(record));
  const c_ids sent = orders();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].substr(0, 6), "TMTC02");
  EXPECT_EQ(sent[0].substr(15), "0042A9912300001E3201_0100-P0001S\n");
  EXPECT_EQ(segment()->m_getItemCount(), 0u);
}

TEST_F(SegmentTest, KnownScreeningItemIsAnsweredAtOnceAndLeaves) {
  const std::string id = enter("A9912300001");
  std::string bitId = id;
  bool created = true;
  std::string status;
  segment()->m_enterBITWithScreening(1, node(entry), bitId, created, status);
  EXPECT_FALSE(created);
  EXPECT_EQ(status, "U");  // required level 1 (the key is missing)
  EXPECT_EQ(segment()->m_getItemCount(), 0u);
}

// --- Entry points of the other links -------------------------------------------------

// The routing order of an item the TC did not report carries the PIC of its
// latest report and its current destinations, whichever link brought the news.
struct c_orderCase {
  const char* name;
  std::function<void(CTM_runningLs&, const std::string&)> call;
  std::function<void(const CTM_BIT&)> check = [](const CTM_BIT&) {};
};

class RoutingOrder : public SegmentTest, public ::testing::WithParamInterface<c_orderCase> {};

TEST_P(RoutingOrder, CarriesThePicOfTheLatestControllerReport) {
  const std::string id = enter(blank, 12);
  download("A", spec("TOTM33", 10, "E32013301"));  // a new route: an order is due
  GetParam().call(*segment(), id);
  const c_ids sent = orders();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].substr(0, 6), "TMTC01");
  EXPECT_EQ(sent[0].substr(15), "0012" + id + "E3201_0100-P0001" + "01" + "E3201_0100-P0002" + "01\n");
  inspect(id, GetParam().check);
}

INSTANTIATE_TEST_SUITE_P(
    Segment, RoutingOrder,
    ::testing::Values(c_orderCase{"Selection", [](auto& ls, auto& id) { ls.m_selectBIT(0x12345, id); },
                                  [](const CTM_BIT& item) { EXPECT_EQ(item.m_getSelectionID(), 0x2345); }},
                      c_orderCase{"CodingResult", [](auto& ls, auto& id) { ls.m_applyCodingResult(codingResult(id)); }},
                      c_orderCase{"InsufficientInformation",
                                  [](auto& ls, auto& id) { ls.m_reportInsufficientInformation(id); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SegmentTest, CodingResultCopiesOnlyWhatItKnows) {
  const std::string id = enter();
  auto result = std::make_unique<CTM_BIT>();
  result->m_setBIT_ID(id);
  result->m_setPassengerName("DOE/JOHN");
  result->m_setOnwardConnection(true);  // without a destination: not taken
  segment()->m_applyCodingResult(std::move(result));
  inspect(id, [](const CTM_BIT& item) { EXPECT_FALSE(item.m_getOnwardConnection()); });
  result = std::make_unique<CTM_BIT>();
  result->m_setBIT_ID(id);
  result->m_setOutboundDestination("FRA");
  result->m_setOnwardConnection(true);
  segment()->m_applyCodingResult(std::move(result));
  inspect(id, [](const CTM_BIT& item) {
    EXPECT_EQ(item.m_getPassengerName(), "DOE/JOHN");
    EXPECT_EQ(item.m_getOutboundDestination(), "FRA");
    EXPECT_TRUE(item.m_getOnwardConnection());
  });
  // An unknown id is dropped again.
  result = std::make_unique<CTM_BIT>();
  result->m_setBIT_ID("W3212399999");
  segment()->m_applyCodingResult(std::move(result));
  EXPECT_EQ(segment()->m_getItemCount(), 1u);
}

TEST_F(SegmentTest, LpcDataGoesToEveryItemOfTheLpcFscOnlyToTheFirst) {
  std::string ids[2];
  for (std::string& id : ids) {
    id = enter();
    CTM_BIT::c_destinationList destinations;
    segment()->m_setBITLpc(1, node(entry), id, "0123456789", destinations);
  }
  orders();
  auto record = std::make_unique<CTM_lpcInfo>();
  record->m_setOutboundFlightID("LH0123 20240502");
  segment()->m_applyLpcData("0123456789", "P", std::move(record));
  EXPECT_EQ(orders().size(), 0u);  // routes unchanged
  segment()->m_applyFSC("0123456789", "P", 17);
  int withFsc = 0;
  for (const std::string& id : ids) {
    inspect(id, [&](const CTM_BIT& item) {
      EXPECT_EQ(item.m_getOutboundFlightID(), "LH0123 20240502");
      EXPECT_EQ(item.m_getLpcRequestState(), CTM_BIT::lpcDataReceived);  // CS03 goes when it leaves
      withFsc += item.m_getFSC() == 17;
    });
  }
  EXPECT_EQ(withFsc, 1);
}

TEST_F(SegmentTest, LpcRequestListsByState) {
  const std::string id = enter();
  CTM_BIT::c_destinationList destinations;
  std::string bitId = id;
  tm_->m_placeLpcsLineHandler(nullptr);  // CS02 cannot go: it stays due
  segment()->m_setBITLpc(1, node(entry), bitId, "0123456789", destinations);
  std::vector<std::string> open, answered;
  segment()->m_collectOpenLpcRequests(open);
  segment()->m_collectAnsweredLpcRequests(answered);
  EXPECT_EQ(open, std::vector<std::string>{"0123456789"});
  EXPECT_TRUE(answered.empty());
}

// An item whose LPC was read while LPCS had no link has its request re-sent on the
// link-up, not by the senders; its data still makes the release due when it leaves.
TEST_F(SegmentTest, LpcDataForARequestStillDueIsReleasedOnExit) {
  std::string id = enter();
  CTM_BIT::c_destinationList destinations;
  tm_->m_placeLpcsLineHandler(nullptr);
  segment()->m_setBITLpc(1, node(entry), id, "0123456789", destinations);
  tm_->m_placeLpcsLineHandler(peers_);
  segment()->m_applyLpcData("0123456789", "P", std::make_unique<CTM_lpcInfo>());
  inspect(id, [](const CTM_BIT& item) { EXPECT_EQ(item.m_getLpcRequestState(), CTM_BIT::lpcDataReceived); });
  reports();
  segment()->m_exitBIT(1, node(diverter), id);
  const c_ids sent = reports();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.front(), "CS03");
}

TEST_F(SegmentTest, AnnouncedItemSendsNothingUntilATcReportsIt) {
  auto announced = std::make_unique<CTM_BIT>();
  announced->m_setBIT_ID("A9912300001");
  announced->m_setLPC("0123456789");
  segment()->m_receiveBIT(std::move(announced));
  segment()->m_selectBIT(3, "A9912300001");
  segment()->m_applyLpcData("0123456789", "P", std::make_unique<CTM_lpcInfo>());
  segment()->m_endTransSpecDownload();
  EXPECT_TRUE(reports().empty());
  EXPECT_TRUE(orders().empty());
  // Its first report makes it a seen item, whose LPC data is then asked for.
  enter("A9912300001");
  inspect("A9912300001", [](const CTM_BIT& item) {
    EXPECT_FALSE(item.m_isAnnounced());
    EXPECT_EQ(item.m_getLpcRequestState(), CTM_BIT::lpcRequestSent);
  });
}

TEST_F(SegmentTest, WithdrawRemovesOnlyAnItemNoTcHasReported) {
  for (const char* id : {"A9912300001", "A9912300002"}) {
    auto item = std::make_unique<CTM_BIT>();
    item->m_setBIT_ID(id);
    segment()->m_receiveBIT(std::move(item));
  }
  const auto announcedTrace = segmentFolder("TM32", "E3201") / "00" / "A9912300001.trc";
  EXPECT_TRUE(std::filesystem::exists(announcedTrace));
  enter("A9912300002");
  for (const char* id : {"A9912300001", "A9912300002", "W3212399999"}) segment()->m_withdrawBIT(id);
  EXPECT_FALSE(segment()->m_inspectBIT("A9912300001", [](const CTM_BIT&) {}));
  EXPECT_FALSE(std::filesystem::exists(announcedTrace));
  EXPECT_TRUE(segment()->m_inspectBIT("A9912300002", [](const CTM_BIT&) {}));
  EXPECT_EQ(segment()->m_getItemCount(), 1u);
}

// --- Purge -----------------------------------------------------------------------------

class Purge : public SegmentTest {
 protected:
  bool purge(int interval = 60) { return segment()->m_purgeBITs(interval); }
};

// An item survives one whole interval without an event and goes in the next; the
// purge runs at most once per interval, however many controllers ask.
TEST_F(Purge, RemovesItemsWithoutAnEventForAWholeInterval) {
  const std::string quiet = enter();
  const std::string busy = enter();
  EXPECT_FALSE(purge());
  clock_.m_advance(60);
  EXPECT_TRUE(purge());  // both had events after the last purge (construction)
  EXPECT_FALSE(purge());
  EXPECT_EQ(segment()->m_getItemCount(), 2u);
  clock_.m_advance(30);
  enter(busy);
  clock_.m_advance(30);
  EXPECT_TRUE(purge());
  EXPECT_FALSE(segment()->m_inspectBIT(quiet, [](const CTM_BIT&) {}));
  EXPECT_TRUE(segment()->m_inspectBIT(busy, [](const CTM_BIT&) {}));
  const auto counts = recorder_.m_eventsWithId(ev::SEGMENT_PURGED);
  ASSERT_EQ(counts.size(), 2u);
  EXPECT_EQ(counts[1].strings, (std::vector<std::string>{"0", "0", "1"}));
}

TEST_F(Purge, AnIntervalOfZeroCountsAsOneSecond) {
  EXPECT_FALSE(purge(0));
  clock_.m_advance(1);
  EXPECT_TRUE(purge(0));
  EXPECT_FALSE(purge(-5));
}

TEST_F(Purge, AnnouncedItemLosesItsTraceFile) {
  auto item = std::make_unique<CTM_BIT>();
  item->m_setBIT_ID("A9912300001");
  segment()->m_receiveBIT(std::move(item));
  clock_.m_advance(60);
  purge();
  clock_.m_advance(60);
  purge();
  EXPECT_EQ(segment()->m_getItemCount(), 0u);
  EXPECT_FALSE(std::filesystem::exists(segmentFolder("TM32", "E3201") / "00" / "A9912300001.trc"));
}

// --- Logical connections, status ------------------------------------------------------

TEST_F(SegmentTest, LogicalConnectionStateSetsTheDownstreamPoint) {
  EXPECT_TRUE(segment()->m_setLogicalConnectionState("E32013301", false));
  EXPECT_EQ(node("M3301_0100-P0001")->m_getState(), "N");
  EXPECT_EQ(recorder_.m_count(ev::LOGICAL_CONNECTION_UNAVAILABLE), 1u);
  EXPECT_TRUE(segment()->m_setLogicalConnectionState("E32013301", true));
  EXPECT_EQ(node("M3301_0100-P0001")->m_getState(), "A");
  EXPECT_FALSE(segment()->m_setLogicalConnectionState("E32019999", false));
  EXPECT_EQ(recorder_.m_count(ev::LOGICAL_CONNECTION_UNAVAILABLE), 1u);
}

// --- Faults of the text, built soundly ----------------------------------------------------

TEST_F(SegmentTest, SegmentWithoutCollectionChangesNothingAndWarnsOnce) {
  CTM_runningLs* idle = segment("X3203");
  ASSERT_TRUE(idle->m_init("NNNNNNN", true));  // a restart that leaves it alone
  auto fresh = std::make_unique<CTM_runningLs>("Z3209");
  std::string id = blank;
  CTM_BIT::c_destinationList destinations;
  EXPECT_TRUE(fresh->m_enterBIT(1, node(entry), id, destinations));
  EXPECT_TRUE(fresh->m_receiveBIT(std::make_unique<CTM_BIT>()));
  EXPECT_FALSE(fresh->m_purgeBITs(1));
  // Never due, however long ago its last purge: a clean-up timer would run out without pause.
  clock_.m_advance(5);
  EXPECT_EQ(fresh->m_msUntilPurge(1), 1000);
  EXPECT_EQ(id, blank);
  EXPECT_EQ(fresh->m_getItemCount(), 0u);
  EXPECT_EQ(recorder_.m_count(ev::SEGMENT_NOT_TRACKING), 1u);
}

TEST_F(SegmentTest, ShortMaskCountsMissingPositionsAsNotY) {
  const std::string id = enter();
  EXPECT_TRUE(segment()->m_init("NNNN", true));
  EXPECT_EQ(segment()->m_getItemCount(), 1u);
  EXPECT_TRUE(segment()->m_init("NNNN", false));
  EXPECT_EQ(segment()->m_getItemCount(), 0u);
}

// A TM id too short for characters 2-3 gives what it has, never more.
TEST_F(SegmentTest, ShortTmIdIsSlicedWithinItsLength) {
  std::string xml = topology;
  xml.replace(xml.find("\"TM32\""), 6, "\"T\"");
  installation_->m_writeFile("run/cfg/topology.xml", xml);
  CTM_runningNodeFactory factory;
  CTM_file_populator populator(factory);
  CTM_world shortWorld;
  ASSERT_TRUE(populator.m_init());
  ASSERT_TRUE(shortWorld.m_populate(populator));
  auto* ls = dynamic_cast<CTM_runningLs*>(shortWorld.m_findNode("X3203"));
  ASSERT_TRUE(ls->m_init(mask, false));
  std::string id = blank;
  CTM_BIT::c_destinationList destinations;
  ls->m_enterBIT(1, shortWorld.m_findNode(entry), id, destinations);
  EXPECT_EQ(id, "W12350000");  // no scan for a prefix that is not six characters
  shortWorld.m_findNode("T")->m_stop();
}

TEST_F(SegmentTest, SegmentWithoutControllerAnswersAsWithoutLink) {
  CTM_runningLs* lonely = segment("X3203");
  std::string id = blank;
  CTM_BIT::c_destinationList destinations;
  lonely->m_enterBIT(3, node(entry), id, destinations);
  download("A", spec("TOTM33", 10, "E32013301"), "X3203");
  takeReports();
  lonely->m_selectBIT(1, id);
  EXPECT_EQ(imTexts(takeReports()), (c_ids{"1 No connection to TC (X3203)"}));
}

TEST_F(SegmentTest, SendersWithoutTheirLinkDropTheTelegramAndKeepTheState) {
  tm_->m_placeOcLineHandler(nullptr);
  tm_->m_placeLpcsLineHandler(nullptr);
  CTM_BIT item;
  item.m_setLPC("0123456789");
  item.m_setLpcRequestState(CTM_BIT::lpcRequestDue);
  EXPECT_FALSE(tm_->m_sendCS02(&item));
  EXPECT_EQ(item.m_getLpcRequestState(), CTM_BIT::lpcRequestDue);
  item.m_setLpcRequestState(CTM_BIT::lpcDataReceived);
  EXPECT_FALSE(tm_->m_sendCS03(&item));
  EXPECT_FALSE(tm_->m_sendMO11("E3201", &item, CTM_BIT::ENTER));
  EXPECT_TRUE(tm_->m_sendMO11("E3201", &item, CTM_BIT::DIV));  // not a tracking event
  tm_->m_placeDstmLineHandlers({});
  EXPECT_TRUE(tm_->m_sendUD01("E3201", 1));
  EXPECT_TRUE(reports().empty());
}

TEST_F(SegmentTest, UpdateWithoutPreviousDestinationsSendsUD12) {
  const std::string id = enter();
  CTM_BIT::c_destinationList destinations;
  std::string bitId = id;
  segment()->m_reportMissingBIT(1, node(entry), bitId, destinations);
  const auto telegrams = takeReports();
  auto* update = dynamic_cast<CTM_ud12_message*>(telegrams.back().get());
  ASSERT_NE(update, nullptr);
  EXPECT_EQ(textOf(*update).substr(13, 9), "E32013301");
  EXPECT_EQ(update->m_getBIT().m_getBIT_ID(), id);
}

// --- Trace of a bag's whole life ----------------------------------------------------

TEST_F(SegmentTest, TraceOfABagsLifeMatchesTheGoldenFile) {
  const std::string id = enter();
  clock_.m_advance(5);
  segment()->m_divertBIT(7, node(diverter), id, "S3202_0100-P0001", "DESTINATION");
  clock_.m_advance(3);
  segment()->m_exitBIT(7, node(diverter), id);
  const std::filesystem::path golden = std::filesystem::path(TM_SOURCE_DIR) / "tests/golden/segment/bag_life.trc";
  EXPECT_EQ(contentsOf(segmentFolder("TM32", "E3201") / "00" / (id + ".trc")), contentsOf(golden));
}

// --- Trace files at the descriptor limit -------------------------------------------

struct c_bagAtLimit {
  const char* name;
  bool announced;  // by UD11, else reported by a controller
};

class TraceAtTheDescriptorLimit : public SegmentTest, public testing::WithParamInterface<c_bagAtLimit> {
 protected:
  // The bag arrives as the case has it; the texts for IM that it brought.
  std::vector<std::string> arrive(const std::string& id) {
    if (GetParam().announced) {
      auto bag = std::make_unique<CTM_BIT>();
      bag->m_setBIT_ID(id);
      EXPECT_TRUE(segment()->m_receiveBIT(std::move(bag)));
    } else {
      std::string bitId = id;
      CTM_BIT::c_destinationList destinations;
      EXPECT_TRUE(segment()->m_enterBIT(7, node(entry), bitId, destinations));
      orders();
    }
    return imTexts(takeReports());
  }
  std::filesystem::path traceOf(const std::string& id) const {
    return segmentFolder("TM32", "E3201") / id.substr(6, 2) / (id + ".trc");
  }
};

// A bag that comes while the process is down to its last descriptors, which its
// links need, is tracked without its trace file; once descriptors are free again
// the next bag has its file.
TEST_P(TraceAtTheDescriptorLimit, ABagWithoutADescriptorLivesOnWithoutItsFileAndTheNextHasOne) {
  c_descriptorSqueeze squeeze(64);
  ASSERT_TRUE(squeeze.m_isLowered());
  squeeze.m_takeUpTo(60);
  const std::string without = "W3212300042";
  // The text as IM's field holds it, cut after 48 characters.
  EXPECT_EQ(arrive(without), std::vector<std::string>{"1 Could not open trace file for BIT (W32123000"});
  squeeze.m_release();
  inspect(without, [](const CTM_BIT&) {});
  EXPECT_FALSE(std::filesystem::exists(traceOf(without)));

  const std::string with = "W3212300043";
  EXPECT_EQ(arrive(with), std::vector<std::string>());
  EXPECT_EQ(segment()->m_getItemCount(), 2u);
  EXPECT_TRUE(std::filesystem::exists(traceOf(with)));
}

INSTANTIATE_TEST_SUITE_P(
    Bags, TraceAtTheDescriptorLimit,
    testing::Values(c_bagAtLimit{"Reported", false}, c_bagAtLimit{"Announced", true}),
    [](const testing::TestParamInfo<c_bagAtLimit>& info) { return std::string(info.param.name); });

}  // namespace
