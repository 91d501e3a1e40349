// The transport object: which transport specification and destinations an item gets, the
// routing events on the way (through a stand-in for the segment that traces the
// item as the segment does), one or two destinations, the load thresholds and
// the commit of a download.
#include "tracking/ctm_transport.h"

#include <gtest/gtest.h>

#include "tests/tracking/routing_fixture.h"
#include "tests/tracking/test_plant.h"
#include "tracking/ctm_bit.h"
#include "tracking/ctm_transportowner.h"
#include "tracking/ctm_transspec.h"

namespace {

struct c_routingEvent {
  int kind;
  std::string text;
  bool operator==(const c_routingEvent&) const = default;
};

void PrintTo(const c_routingEvent& event, std::ostream* out) { *out << "{" << event.kind << ", \"" << event.text << "\"}"; }

// Stands in for the logical segment: records what the transport reports and
// traces the item for each routing event, as the segment's report does (a TLATE
// record names the expired transport specification).
class c_segmentStandIn : public CTM_transportOwner {
 public:
  explicit c_segmentStandIn(std::string id) : id_(std::move(id)) {}

  const std::string& m_getSegmentId() const override { return id_; }
  bool m_reportRoutingEvent(CTM_BIT* item, int kind, const std::string& text) override {
    events.push_back({kind, text});
    const std::string name = item->m_getDestinationName();
    if (kind == CTM_BIT::TLATE) item->m_setDestinationName(text);
    item->traceBIT(item->m_getCurrentNode(), kind, "");
    if (kind == CTM_BIT::TLATE) item->m_setDestinationName(name);
    return true;
  }
  bool m_reportText(unsigned short level, const std::string& text) override {
    texts.emplace_back(level, text);
    return true;
  }

  std::vector<c_routingEvent> events;
  std::vector<std::pair<unsigned short, std::string>> texts;

 private:
  std::string id_;
};

// Segment E3201: from its entry S the diverter D1 leads into M3204, the next
// diverter D2 (no further, at no cost) into T3205, and P3 far behind into Z3301.
constexpr const char* toMakeup = "E32013204";    // cost 10, entered from D1
constexpr const char* toTransfer = "E32013205";  // cost 10, entered from D2
constexpr const char* toTerminal = "E32013301";  // cost 30, entered from P3
constexpr const char* nowhere = "E32019999";

class TransportTest : public CTM_routingTest {
 protected:
  void SetUp() override {
    CTM_routingTest::SetUp();
    plant_.edge(start, d1, 10);
    plant_.edge(d1, "M3204_0100-P0001", 5);
    plant_.edge(d1, d2, 0);
    plant_.edge(d2, "T3205_0100-P0001", 5);
    plant_.edge(d2, p3, 20);
    plant_.edge(p3, "Z3301_0100-P0001", 1);
    writeDefaultFile({specLine("E3201", "DEFAULT", 50, toMakeup)});
  }

  // A fresh transport object for the segment, initialised from the default file.
  CTM_transport& transport() {
    transport_ = std::make_unique<CTM_transport>(segment_);
    EXPECT_TRUE(transport_->m_init());
    segment_.events.clear();
    segment_.texts.clear();
    return *transport_;
  }

  // An item last seen at the segment's entry.
  CTM_BIT& item(const std::string& id = "W3212300001") {
    items_.push_back(std::make_unique<CTM_BIT>());
    items_.back()->m_setBIT_ID(id);
    items_.back()->traceBIT(plant_.tp(start), CTM_BIT::TRACE, "");
    return *items_.back();
  }

  static std::unique_ptr<CTM_transSpec> spec(const std::string& id, int priority,
                                             const std::vector<std::string>& destinations,
                                             std::time_t start = fixedNow - 3600, std::time_t end = fixedNow + 3600) {
    auto made = std::make_unique<CTM_transSpec>();
    made->m_setKey("E3201");
    made->m_setTransportSpecID(id);
    made->m_setRoutingPriority(priority);
    for (const std::string& destination : destinations) made->m_addDestination(destination);
    made->m_setStartTime(start);
    made->m_setEndTime(end);
    return made;
  }

  // Downloads the transport specifications as added ones.
  void download(std::vector<std::unique_ptr<CTM_transSpec>> specs) {
    transport_->m_clearStaging();
    for (auto& one : specs) ASSERT_TRUE(transport_->m_stageTransSpec("A", std::move(one)));
    transport_->m_commitTransSpecs();
  }

  std::vector<std::string> destinationsOf(const CTM_BIT& bit) const {
    std::vector<std::string> ids;
    if (bit.m_getDestinations())
      for (const CTM_destination& destination : *bit.m_getDestinations()) ids.push_back(destination.m_getNodeId());
    return ids;
  }

  std::vector<std::string> dynamicIds() const {
    std::vector<std::string> ids;
    const CTM_transSpecList& list = transport_->m_getDynamicTransSpecs();
    for (std::size_t i = 0; i < list.m_size(); ++i)
      ids.push_back(list.m_at(i).m_getTransportSpecID() + "/" + std::to_string(list.m_at(i).m_getRoutingPriority()));
    return ids;
  }

  static constexpr const char* start = "E3201_0100-P0001";
  static constexpr const char* d1 = "E3201_0100-D0002";
  static constexpr const char* d2 = "E3201_0100-D0003";
  static constexpr const char* p3 = "E3201_0100-P0004";

  c_testPlant plant_;
  c_segmentStandIn segment_{"E3201"};
  std::unique_ptr<CTM_transport> transport_;
  std::vector<std::unique_ptr<CTM_BIT>> items_;
};

// --- choosing the transport specification and the destination ---------------------------------

TEST_F(TransportTest, FirstMatchingTransSpecGivesItsCheapestDestination) {
  transport();
  auto garbageOnly = spec("GARBONLY", 5, {toTerminal});
  garbageOnly->m_setBIT_status("GARB", true);
  std::vector<std::unique_ptr<CTM_transSpec>> specs;
  specs.push_back(std::move(garbageOnly));
  specs.push_back(spec("ANY", 10, {toTerminal, toMakeup}));
  download(std::move(specs));
  CTM_BIT& bit = item();

  EXPECT_TRUE(transport_->routeBIT(&bit, true));
  EXPECT_EQ(destinationsOf(bit), std::vector<std::string>{d1});
  EXPECT_EQ(bit.m_getDestinationName(), "ANY");
  EXPECT_EQ(segment_.events, (std::vector<c_routingEvent>{{CTM_BIT::TRS, ""}}));

  EXPECT_FALSE(transport_->routeBIT(&bit, true));
  EXPECT_EQ(segment_.events.size(), 1u);
}

TEST_F(TransportTest, DestinationsThatCannotBeReachedAreLeftOut) {
  transport();
  std::vector<std::unique_ptr<CTM_transSpec>> specs;
  specs.push_back(spec("ANY", 10, {nowhere, toTerminal}));
  download(std::move(specs));
  CTM_BIT& bit = item();
  EXPECT_TRUE(transport_->routeBIT(&bit, true));
  EXPECT_EQ(destinationsOf(bit), std::vector<std::string>{p3});
}

struct c_slackCase {
  std::time_t slack;
  int recirculations;
  int priority;
};

void PrintTo(const c_slackCase& c, std::ostream* out) {
  *out << "slack " << c.slack << " after " << c.recirculations << " recirculations";
}

class SlackTest : public TransportTest, public ::testing::WithParamInterface<c_slackCase> {};

TEST_P(SlackTest, PriorityComesFromTheSlackLessTheRecirculations) {
  transport();
  const c_slackCase& c = GetParam();
  std::vector<std::unique_ptr<CTM_transSpec>> specs;
  specs.push_back(spec("ANY", 10, {toMakeup}, fixedNow - 60, fixedNow + 10 + c.slack));
  download(std::move(specs));
  CTM_BIT& bit = item();
  for (int i = 0; i < c.recirculations; ++i) bit.m_incrementRecirculation();
  ASSERT_TRUE(transport_->routeBIT(&bit, true));
  ASSERT_NE(bit.m_getDestinations(), nullptr);
  EXPECT_EQ(bit.m_getDestinations()->front().m_getRoutingPriority(), c.priority);
}

INSTANTIATE_TEST_SUITE_P(Slack, SlackTest,
                         ::testing::Values(c_slackCase{25, 1, 1}, c_slackCase{19, 1, 0}, c_slackCase{10, 0, 1},
                                           c_slackCase{9, 0, 0}, c_slackCase{0, 0, 0}, c_slackCase{900, 3, 1}));

// --- falling back, with the routing events on the way --------------------------------

TEST_F(TransportTest, ExpiredTransSpecEndsTheDynamicPassWithTlateAndUnknownDestination) {
  transport();
  std::vector<std::unique_ptr<CTM_transSpec>> specs;
  specs.push_back(spec("TOOLATE", 10, {toMakeup}, fixedNow - 60, fixedNow + 9));
  download(std::move(specs));
  CTM_BIT& bit = item();

  EXPECT_TRUE(transport_->routeBIT(&bit, true));
  EXPECT_EQ(segment_.events, (std::vector<c_routingEvent>{
                                 {CTM_BIT::TLATE, "TOOLATE"}, {CTM_BIT::UNKNOWN_DESTINATION, ""}, {CTM_BIT::TRS, ""}}));
  EXPECT_EQ(bit.m_getStatus(), "GARB");
  EXPECT_EQ(bit.m_getDestinationName(), "DEFAULT");
  EXPECT_EQ(destinationsOf(bit), std::vector<std::string>{d1});
}

TEST_F(TransportTest, ExpiredTransSpecGivesWayToTheNextOne) {
  transport();
  std::vector<std::unique_ptr<CTM_transSpec>> specs;
  specs.push_back(spec("TOOLATE", 10, {toTerminal}, fixedNow - 60, fixedNow + 29));
  specs.push_back(spec("INTIME", 20, {toTransfer}));
  download(std::move(specs));
  CTM_BIT& bit = item();
  EXPECT_TRUE(transport_->routeBIT(&bit, true));
  EXPECT_EQ(bit.m_getDestinationName(), "INTIME");
  EXPECT_EQ(destinationsOf(bit), std::vector<std::string>{d2});
  EXPECT_EQ(segment_.events, (std::vector<c_routingEvent>{{CTM_BIT::TRS, ""}}));
}

// Reached before its start, a route is dropped without counting as expired: the
// item's exit is unavailable, which sets its status once, so the dynamic list is
// tried again and then the default list.
TEST_F(TransportTest, NotYetValidTransSpecMakesTheOutputUnavailable) {
  transport();
  std::vector<std::unique_ptr<CTM_transSpec>> specs;
  specs.push_back(spec("LATER", 10, {toMakeup}, fixedNow + 11, fixedNow + 3600));
  download(std::move(specs));
  CTM_BIT& bit = item();

  EXPECT_TRUE(transport_->routeBIT(&bit, true));
  EXPECT_EQ(segment_.events,
            (std::vector<c_routingEvent>{{CTM_BIT::UNAVAILABLE_OUTPUT, ""}, {CTM_BIT::UNAVAILABLE_OUTPUT, ""},
                                         {CTM_BIT::TRS, ""}}));
  EXPECT_EQ(bit.m_getStatus(), "SPECIAL_HANDLING");
  EXPECT_EQ(bit.m_getDestinationName(), "DEFAULT");
}

TEST_F(TransportTest, StatusSetByTheUnavailableOutputCanSelectAnotherTransSpec) {
  useParameters({{"HdlUnavailableSystemOutput", "NO_READ"}});
  transport();
  auto withoutStatus = spec("BLOCKED", 10, {nowhere});
  withoutStatus->m_setBIT_status("", true);
  auto noRead = spec("NOREAD", 20, {toTerminal});
  noRead->m_setBIT_status("NO_READ", true);
  std::vector<std::unique_ptr<CTM_transSpec>> specs;
  specs.push_back(std::move(withoutStatus));
  specs.push_back(std::move(noRead));
  download(std::move(specs));
  CTM_BIT& bit = item();

  EXPECT_TRUE(transport_->routeBIT(&bit, true));
  EXPECT_EQ(bit.m_getStatus(), "NO_READ");
  EXPECT_EQ(bit.m_getDestinationName(), "NOREAD");
  EXPECT_EQ(segment_.events,
            (std::vector<c_routingEvent>{{CTM_BIT::UNAVAILABLE_OUTPUT, ""}, {CTM_BIT::TRS, ""}}));
}

TEST_F(TransportTest, NoMatchingDynamicTransSpecFallsBackToTheDefaults) {
  transport();
  CTM_BIT& bit = item();
  EXPECT_TRUE(transport_->routeBIT(&bit, true));
  EXPECT_EQ(segment_.events,
            (std::vector<c_routingEvent>{{CTM_BIT::UNKNOWN_DESTINATION, ""}, {CTM_BIT::TRS, ""}}));
  EXPECT_EQ(bit.m_getDestinationName(), "DEFAULT");
}

TEST_F(TransportTest, DefaultsWithoutMatchOrRouteAreReportedToIm) {
  writeDefaultFile({specLine("E3201", "GARBONLY", 10, toMakeup, {{8, "1"}, {9, "GARB"}}),
                    specLine("E3201", "BLOCKED", 20, nowhere, {{8, "1"}, {9, "SPECIAL_HANDLING"}})});
  transport();
  CTM_BIT& bit = item("W3212300007");
  EXPECT_FALSE(transport_->routeBIT(&bit, false));
  EXPECT_TRUE(segment_.events.empty());
  EXPECT_EQ(segment_.texts, (std::vector<std::pair<unsigned short, std::string>>{
                                {1, "Found no TransSpec for BIT (W3212300007)"}}));

  segment_.texts.clear();
  bit.m_setStatus("SPECIAL_HANDLING");
  EXPECT_FALSE(transport_->routeBIT(&bit, false));
  EXPECT_EQ(segment_.events, (std::vector<c_routingEvent>{{CTM_BIT::UNAVAILABLE_OUTPUT, ""}}));
  EXPECT_EQ(segment_.texts, (std::vector<std::pair<unsigned short, std::string>>{
                                {1, "Found no destination for BIT (W3212300007)"}}));
  EXPECT_EQ(bit.m_getDestinations(), nullptr);
}

// --- one or two destinations ---------------------------------------------------------

class ChoiceTest : public TransportTest {
 protected:
  // Routes a new item to the equally cheap pair and gives its destinations.
  std::vector<std::string> routeNewItem() {
    CTM_BIT& bit = item();
    EXPECT_TRUE(transport_->routeBIT(&bit, true));
    return destinationsOf(bit);
  }
  void downloadPair() {
    std::vector<std::unique_ptr<CTM_transSpec>> specs;
    specs.push_back(spec("PAIR", 10, {toMakeup, toTransfer}));
    download(std::move(specs));
  }
  void makeQuiet() {
    for (int i = 0; i < CTM_loadMonitor::capacity; ++i) transport_->m_recordOutcome(true);
  }
};

TEST_F(ChoiceTest, BusySegmentGetsBothEquallyCheapDestinations) {
  useTypedParameters({{"I", "E3201__BusyThreshold", "50"}, {"I", "E3201__QuietThreshold", "10"}});
  transport();
  downloadPair();
  EXPECT_EQ(routeNewItem(), (std::vector<std::string>{d1, d2}));
  makeQuiet();
  EXPECT_EQ(routeNewItem(), std::vector<std::string>{d1});
}

TEST_F(ChoiceTest, DestinationsOfDifferentCostAreNeverOfferedTogether) {
  transport();  // busy from the start: the missing threshold gives 0
  std::vector<std::unique_ptr<CTM_transSpec>> specs;
  specs.push_back(spec("SPREAD", 10, {toTerminal, toTransfer}));
  download(std::move(specs));
  EXPECT_EQ(routeNewItem(), std::vector<std::string>{d2});
}

TEST_F(ChoiceTest, QuietSegmentAlternatesAsConfigured) {
  useTypedParameters({{"I", "E3201__BusyThreshold", "50"}, {"I", "E3201__QuietThreshold", "10"},
                      {"I", std::string(toMakeup) + " " + toTransfer, "2"}});
  transport();
  downloadPair();
  makeQuiet();
  std::vector<std::string> sequence;
  for (int i = 0; i < 7; ++i) sequence.push_back(routeNewItem().at(0));
  EXPECT_EQ(sequence, (std::vector<std::string>{d1, d1, d2, d1, d1, d2, d1}));
}

TEST_F(ChoiceTest, AlternationOfZeroAlwaysTakesTheFirst) {
  useTypedParameters({{"I", "E3201__BusyThreshold", "50"}, {"I", "E3201__QuietThreshold", "10"},
                      {"I", std::string(toMakeup) + " " + toTransfer, "0"}});
  transport();
  downloadPair();
  makeQuiet();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(routeNewItem(), std::vector<std::string>{d1});
}

// --- load thresholds ------------------------------------------------------------------

struct c_thresholdCase {
  int busyParameter;  // -1: missing
  int quietParameter;
  int busy;
  int quiet;
};

void PrintTo(const c_thresholdCase& c, std::ostream* out) { *out << c.busyParameter << "/" << c.quietParameter; }

class ThresholdTest : public TransportTest, public ::testing::WithParamInterface<c_thresholdCase> {};

TEST_P(ThresholdTest, ThresholdsLieBelow100AndQuietNeverAboveBusy) {
  const c_thresholdCase& c = GetParam();
  std::vector<std::vector<std::string>> parameters;
  if (c.busyParameter >= 0) parameters.push_back({"I", "E3201__BusyThreshold", std::to_string(c.busyParameter)});
  if (c.quietParameter >= 0) parameters.push_back({"I", "E3201__QuietThreshold", std::to_string(c.quietParameter)});
  useTypedParameters(parameters);
  transport();
  // The thresholds show where the busy state turns: from quiet (every outcome a
  // diversion) to busy as missed diversions come in, and back as they go out.
  for (int i = 0; i < CTM_loadMonitor::capacity; ++i) transport_->m_recordOutcome(true);
  const bool alwaysBusy = c.busy == 0;
  EXPECT_EQ(transport_->m_isBusy(), alwaysBusy);
  for (int missed = 1; missed <= CTM_loadMonitor::capacity; ++missed) {
    transport_->m_recordOutcome(false);
    EXPECT_EQ(transport_->m_isBusy(), alwaysBusy || missed >= c.busy) << missed << " missed, rising";
  }
  for (int missed = CTM_loadMonitor::capacity - 1; missed >= 0; --missed) {
    transport_->m_recordOutcome(true);
    EXPECT_EQ(transport_->m_isBusy(), missed >= c.quiet) << missed << " missed, falling";
  }
}

INSTANTIATE_TEST_SUITE_P(Parameters, ThresholdTest,
                         ::testing::Values(c_thresholdCase{30, 10, 30, 10}, c_thresholdCase{150, 10, 50, 10},
                                           c_thresholdCase{100, -1, 0, 0}, c_thresholdCase{-1, -1, 0, 0},
                                           c_thresholdCase{40, 70, 40, 40}, c_thresholdCase{40, 170, 40, 40}));

TEST(LoadMonitor, StartsBusyWithEveryOutcomeMissed) {
  CTM_loadMonitor monitor;
  EXPECT_TRUE(monitor.m_isBusy());
  EXPECT_EQ(monitor.m_getBusyThreshold(), 100);
  monitor.m_recordOutcome(true);
  EXPECT_TRUE(monitor.m_isBusy());  // 99 missed lie between the thresholds
  monitor.m_setBusyThreshold(150);
  monitor.m_setQuietThreshold(99);
  EXPECT_EQ(monitor.m_getBusyThreshold(), 50);
  EXPECT_EQ(monitor.m_getQuietThreshold(), 50);
  monitor.m_setBusyThreshold(20);
  EXPECT_EQ(monitor.m_getBusyThreshold(), 50);
}

// --- the commit of a download ---------------------------------------------------------

TEST_F(TransportTest, CommitAppliesEachIndicatorAndReportsWhatDidNotFit) {
  transport();
  transport_->m_clearStaging();
  transport_->m_stageTransSpec("A", spec("ONE", 10, {toMakeup}));
  transport_->m_stageTransSpec("A", spec("TWO", 20, {toMakeup}));
  transport_->m_stageTransSpec("A", spec("THREE", 30, {toMakeup}));
  transport_->m_commitTransSpecs();
  EXPECT_TRUE(segment_.texts.empty());
  EXPECT_EQ(dynamicIds(), (std::vector<std::string>{"ONE/10", "TWO/20", "THREE/30"}));

  transport_->m_clearStaging();
  transport_->m_stageTransSpec("A", spec("ONE", 11, {toMakeup}));
  transport_->m_stageTransSpec("U", spec("FOUR", 5, {toMakeup}));
  transport_->m_stageTransSpec("D", spec("FIVE", 10, {}));
  EXPECT_FALSE(transport_->m_stageTransSpec("X", spec("SIX", 10, {})));
  EXPECT_EQ(transport_->m_getStagedCount(), 3u);
  transport_->m_commitTransSpecs();
  EXPECT_EQ(transport_->m_getStagedCount(), 0u);
  EXPECT_EQ(segment_.texts, (std::vector<std::pair<unsigned short, std::string>>{
                                {3, "Add for existing TransSpec (ONE)."},
                                {3, "Update for nonexisting TransSpec (FOUR)"},
                                {3, "Delete nonexisting TranSpec (FIVE)"}}));
  EXPECT_EQ(dynamicIds(), (std::vector<std::string>{"FOUR/5", "ONE/11", "TWO/20", "THREE/30"}));
}

// The stored transport specification is found by its id wherever its priority put it.
TEST_F(TransportTest, CommitFindsTheStoredTransSpecByIdWhateverItsPriority) {
  transport();
  transport_->m_clearStaging();
  transport_->m_stageTransSpec("A", spec("ONE", 10, {toMakeup}));
  transport_->m_stageTransSpec("A", spec("TWO", 20, {toMakeup}));
  transport_->m_commitTransSpecs();

  transport_->m_clearStaging();
  transport_->m_stageTransSpec("U", spec("ONE", 40, {toMakeup}));
  transport_->m_stageTransSpec("D", spec("TWO", 99, {}));
  transport_->m_commitTransSpecs();
  EXPECT_TRUE(segment_.texts.empty());
  EXPECT_EQ(dynamicIds(), std::vector<std::string>{"ONE/40"});
}

TEST_F(TransportTest, StagingWithoutCommitChangesNothingUntilTheNextDownload) {
  transport();
  transport_->m_clearStaging();
  transport_->m_stageTransSpec("A", spec("ONE", 10, {toMakeup}));
  EXPECT_TRUE(dynamicIds().empty());
  transport_->m_clearStaging();
  transport_->m_commitTransSpecs();
  EXPECT_TRUE(dynamicIds().empty());
}

// --- initialisation ---------------------------------------------------------------------

TEST_F(TransportTest, InitLoadsTheSegmentsDefaultsAndReportsTheirCount) {
  writeDefaultFile({specLine("E3201", "D1", 1, toMakeup), specLine("X3202", "D2", 1, toMakeup),
                    specLine("E3201", "D3", 2, toMakeup)});
  CTM_transport fresh(segment_);
  recorder_.m_clear();
  ASSERT_TRUE(fresh.m_init());
  EXPECT_EQ(fresh.m_getDefaultTransSpecs().m_size(), 2u);
  EXPECT_EQ(argumentsOf(ev::DEFAULT_TS_LOADED), (std::vector<std::string>{"2", "E3201"}));
}

TEST_F(TransportTest, InitWithoutDefaultFileFails) {
  std::filesystem::remove(home_ / defaultFile);
  CTM_transport fresh(segment_);
  EXPECT_FALSE(fresh.m_init());
  EXPECT_EQ(argumentsOf(ev::TRANSPORT_INIT_FAILED), std::vector<std::string>{"E3201"});
  EXPECT_EQ(recorder_.m_count(ev::DEFAULT_TS_LOADED), 0u);
}

}  // namespace
