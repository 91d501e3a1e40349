// The OC line handler over loopback with a fake OC on its first address: the
// segments announced at every link-up, the download and status requests answered
// with their sequence numbers, selections and item records applied to the
// segments, the reports of tracking transmitted in order with the next numbers,
// and the keep-alive interval read at every run.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_mo_message.h"
#include "telegrams/ctm_om_message.h"
#include "tests/links/linehandler_fixture.h"
#include "tests/support/c_fakepeer.h"
#include "tests/support/ctm_telegram_text.h"
#include "tests/support/ctm_test_linehandlers.h"
#include "tests/support/ctm_runningplant.h"
#include "tests/support/fixed_clock.h"
#include "tests/tm/lhtc_plant.h"
#include "tm/ctm_lhoc.h"
#include "tracking/ctm_bit.h"
#include "tracking/ctm_transspec.h"

namespace {

class LhocLink : public LineHandlerThreadsTest {
 protected:
  void SetUp() override {
    LineHandlerThreadsTest::SetUp();
    c_lhtcPlant::m_writeFiles(home_, m_configLines());
    ASSERT_TRUE(m_start("TM32"));
    plant_ = std::make_unique<c_lhtcPlant>();
    ASSERT_TRUE(plant_->m_start());
    plant_->m_tm()->m_placeImLineHandler(im_);
    ASSERT_TRUE(oc_.m_listen("127.0.0.1"));
    ASSERT_TRUE(standby_.m_listen("127.0.0.1"));
    handler_ = std::make_shared<CTM_lhoc>(plant_->m_tm(), "127.0.0.1", oc_.m_port(), "127.0.0.1", standby_.m_port());
    plant_->m_tm()->m_placeOcLineHandler(handler_);
  }
  virtual std::vector<std::string> m_configLines() const {
    return {c_parameterLine("P", "MO00_Interval", "120", "I", "10"),
            c_parameterLine("P", "InterfaceOC_LogLevel", "121", "I", "5")};
  }
  void TearDown() override {
    if (plant_) plant_->m_tm()->m_placeOcLineHandler(nullptr);
    handler_.reset();
    plant_.reset();
    im_.reset();
    oc_.m_close();
    oc_.m_closeListener();
    standby_.m_close();
    standby_.m_closeListener();
    LineHandlerThreadsTest::TearDown();
  }

  // The telegram as either side writes it on this link: sub id "32".
  static std::string m_oc(CTM_message&& telegram, int sequence) { return m_oc(telegram, sequence); }
  static std::string m_oc(CTM_message& telegram, int sequence) {
    return c_runningPlant::m_wire(std::move(telegram), sequence);
  }
  std::string m_announcement(int sequence) const {
    CTM_mo01_message announcement;
    announcement.m_appendLS_ID("E3201");
    announcement.m_appendLS_ID("X3202");
    return m_oc(announcement, sequence);
  }
  // Connects, answers the keep-alive and expects the segments announced.
  void m_linkUp(int announcementSequence) {
    ASSERT_TRUE(oc_.m_accept());
    ASSERT_TRUE(oc_.m_expect(m_oc(CTM_mo00_message(), 0)));
    ASSERT_TRUE(oc_.m_send(m_oc(CTM_om00_message(), 0)));
    ASSERT_TRUE(oc_.m_expect(m_announcement(announcementSequence)));
  }
  void m_bringUp() {
    ASSERT_TRUE(handler_->m_start());
    m_linkUp(1);
    ASSERT_TRUE(m_eventually([&] { return handler_->m_getInterfaceStatus() == CTM_lh::statusUp; }));
  }
  // An item entered at the controller's entry point.
  std::string m_enter(const std::string& bitId) {
    std::string id = bitId;
    CTM_runningLs::c_destinationList destinations;
    plant_->m_segment()->m_enterBIT(7, plant_->m_node(c_lhtcPlant::entry), id, destinations);
    return id;
  }
  // One transport specification for the segment, valid now.
  static std::unique_ptr<CTM_om03_message> m_download(const std::string& lsId) {
    CTM_transSpec spec;
    spec.m_setTransportSpecID("TS00000002");
    spec.m_setRoutingPriority(5);
    spec.m_setStructVersionID(1);
    spec.m_setStartTime(1704067200);  // 2024-01-01
    spec.m_setEndTime(1767225600);    // 2026-01-01
    spec.m_addDestination("E32013202");
    auto telegram = std::make_unique<CTM_om03_message>();
    EXPECT_TRUE(telegram->m_setLS_ID(lsId) && telegram->m_setModIndicator("A") && telegram->m_setTransSpec(spec));
    return telegram;
  }
  // An item record for the segment: the item's LPC and flights.
  static std::unique_ptr<CTM_message> m_itemRecord(const std::string& lsId, const std::string& bitId) {
    const std::string record = "01" + bitId + "                " "0" "0123456789" "LH 1234 20240229"
                               "LH 5678 20240301" " " "JFK" "1" "MUELLER HANS        " "ABCD" "0" "0" "1" "2"
                               "00500" "00400" "00300" "0025" "0042";
    std::unique_ptr<CTM_message> telegram = CTM_message::m_new(ctm_test::telegramText("OM08", 1, lsId + record));
    EXPECT_TRUE(telegram->m_isValid()) << telegram->m_getErrorText();
    return telegram;
  }
  // The next telegram OC receives, parsed.
  std::unique_ptr<CTM_message> m_nextAtOc() { return CTM_message::m_new(oc_.m_receiveLine()); }
  std::string m_nextImText() {
    std::unique_ptr<CTM_message> queued;
    if (!im_->m_queue().m_get(queued)) return {};
    auto* report = dynamic_cast<CTM_bcim21_message*>(queued.get());
    return report != nullptr ? report->m_getExceptionDesc() : std::string();
  }

  c_fixedClock clock_{1714651387};
  std::shared_ptr<CTM_testServerLh> im_ = std::make_shared<CTM_testServerLh>();
  std::unique_ptr<c_lhtcPlant> plant_;
  c_fakePeer oc_;
  c_fakePeer standby_;  // the second address: it never answers
  std::shared_ptr<CTM_lhoc> handler_;
};

TEST_F(LhocLink, EveryLinkUpAnnouncesTheSegmentsWithTheNextSequenceNumber) {
  m_bringUp();
  oc_.m_close();
  m_linkUp(2);
}

TEST_F(LhocLink, DownloadRequestsAreAnsweredWithTheirOwnSequenceNumbers) {
  m_bringUp();
  ASSERT_TRUE(oc_.m_send(m_oc(CTM_om02_message(), 41)));
  EXPECT_TRUE(oc_.m_expect(m_oc(CTM_mo02_message(), 41)));
  ASSERT_TRUE(oc_.m_send(m_oc(*m_download("E3201"), 42)));
  EXPECT_TRUE(oc_.m_expect(m_oc(CTM_mo03_message(), 42)));
  ASSERT_TRUE(oc_.m_send(m_oc(CTM_om04_message(), 43)));
  EXPECT_TRUE(oc_.m_expectSilence(100));
  EXPECT_EQ(handler_->m_getInterfaceStatus(), CTM_lh::statusUp);
}

// OM03 and OM08 for a segment this TM does not have: an event and a text for IM;
// OM03 is answered all the same, and the link stays.
TEST_F(LhocLink, ARequestForAnUnknownSegmentIsReportedAndTheLinkStays) {
  m_bringUp();
  ASSERT_TRUE(oc_.m_send(m_oc(*m_download("Z9999"), 17)));
  EXPECT_TRUE(oc_.m_expect(m_oc(CTM_mo03_message(), 17)));
  ASSERT_TRUE(oc_.m_send(m_oc(*m_itemRecord("Z9998", "AB000000001"), 18)));
  // Each text for IM is queued after its event.
  ASSERT_TRUE(m_eventually(
      [&] { return m_argumentsOf(ev::LH_UNKNOWN_KEY_FIELD).size() == 2 && im_->m_queue().m_size() == 2; }));
  for (const auto& arguments : m_argumentsOf(ev::LH_UNKNOWN_KEY_FIELD)) EXPECT_EQ(arguments[1], "Logical Segment");
  EXPECT_EQ(m_nextImText(), "Invalid logical segment in OM03 (Z9999).");
  EXPECT_EQ(m_nextImText(), "Invalid logical segment in OM08 (Z9998).");
  EXPECT_EQ(handler_->m_getInterfaceStatus(), CTM_lh::statusUp);
}

// MO06 lists each tracking point fed from another TM with its state, MO07 each
// segment's status text; both carry the request's number.
TEST_F(LhocLink, AStatusRequestIsAnsweredWithEntryPointsAndOccupations) {
  m_bringUp();
  plant_->m_node(c_lhtcPlant::otherEntry)->m_setState("N");
  plant_->m_segment()->m_setStatusText("F");
  ASSERT_TRUE(oc_.m_send(m_oc(CTM_om05_message(), 23)));
  CTM_mo06_message entryPoints;
  entryPoints.m_appendEntryPoint("K31013201", "A");
  entryPoints.m_appendEntryPoint("J30013201", "N");
  entryPoints.m_appendEntryPoint("E32013202", "A");  // the exit feeds the next segment
  EXPECT_TRUE(oc_.m_expect(m_oc(entryPoints, 23)));
  CTM_mo07_message occupations;
  occupations.m_appendOccupation("E3201", "F");
  occupations.m_appendOccupation("X3202", dynamic_cast<CTM_runningLs*>(plant_->m_node("X3202"))->m_getStatusText());
  EXPECT_TRUE(oc_.m_expect(m_oc(occupations, 23)));
}

// Tracking's reports come through the queue in their order, numbered on from the
// announcement: the item's MO08 first, its MO11 ENTER before its MO11 EXIT. An
// answer that somebody queued is dropped unsent.
TEST_F(LhocLink, QueuedReportsGoOutInOrderWithTheNextNumbers) {
  m_bringUp();
  handler_->m_send(std::make_unique<CTM_mo02_message>());
  const std::string id = m_enter("AB000000042");
  plant_->m_segment()->m_exitBIT(7, plant_->m_node(c_lhtcPlant::exit), id);
  std::vector<std::string> seen;
  for (int sequence = 2; sequence < 12 && (seen.empty() || seen.back() != "MO11 EXIT "); ++sequence) {
    std::unique_ptr<CTM_message> telegram = m_nextAtOc();
    ASSERT_TRUE(telegram->m_isValid());
    EXPECT_EQ(telegram->m_getSeqNo(), sequence);
    std::string what = telegram->m_getId();
    if (auto* event = dynamic_cast<CTM_mo11_message*>(telegram.get())) what += " " + event->m_getTrackingEventType();
    seen.push_back(what);
  }
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front(), "MO08");
  EXPECT_EQ(seen[1], "MO11 ENTER");
  EXPECT_EQ(seen.back(), "MO11 EXIT ");
  EXPECT_EQ(m_argumentsOf(ev::LH_UNEXPECTED_TELEGRAM), (std::vector<std::vector<std::string>>{{"MO02"}}));
}

TEST_F(LhocLink, SelectionsAndItemRecordsReachTheirItems) {
  m_bringUp();
  const std::string first = m_enter("AB000000001");
  const std::string second = m_enter("AB000000002");
  CTM_om09_message selection;
  selection.m_setSelectionID(7);
  for (const std::string& id : {first, second, std::string("AB000000099")}) selection.m_appendBIT_ID(id);
  ASSERT_TRUE(oc_.m_send(m_oc(selection, 31)));
  auto itemHas = [&](const std::string& id, auto get, auto value) {
    bool matches = false;
    plant_->m_segment()->m_inspectBIT(id, [&](const CTM_BIT& item) { matches = (item.*get)() == value; });
    return matches;
  };
  EXPECT_TRUE(m_eventually([&] { return itemHas(second, &CTM_BIT::m_getSelectionID, 7); }));
  EXPECT_TRUE(itemHas(first, &CTM_BIT::m_getSelectionID, 7));

  ASSERT_TRUE(oc_.m_send(m_oc(*m_itemRecord("E3201", first), 32)));
  EXPECT_TRUE(m_eventually([&] { return itemHas(first, &CTM_BIT::m_getLPC, std::string("0123456789")); }));
  EXPECT_TRUE(itemHas(second, &CTM_BIT::m_getLPC, std::string()));
}

// The interval comes from "MO00_Interval" at construction and at every keep-alive;
// a missing key gives 30 s with a warning each time.
TEST_F(LhocLink, TheKeepAliveFollowsItsIntervalReadAtEveryRun) {
  EXPECT_EQ(m_argumentsOf(ev::LH_KEEPALIVE_INTERVAL), (std::vector<std::vector<std::string>>{{"MO00", "10"}}));
  m_bringUp();
  m_advanceWhenWaiting(10'000);
  EXPECT_TRUE(oc_.m_expect(m_oc(CTM_mo00_message(), 0)));
  EXPECT_TRUE(m_eventually([&] { return m_argumentsOf(ev::LH_KEEPALIVE_INTERVAL).size() == 2; }));
}

class LhocLinkWithoutInterval : public LhocLink {
 protected:
  std::vector<std::string> m_configLines() const override { return {}; }
};

TEST_F(LhocLinkWithoutInterval, AMissingIntervalIsThirtySecondsWithAWarningAtEveryRun) {
  EXPECT_EQ(m_argumentsOf(ev::LH_KEEPALIVE_INTERVAL_MISSING), (std::vector<std::vector<std::string>>{{"MO00", "30"}}));
  m_bringUp();
  m_advanceWhenWaiting(30'000);
  EXPECT_TRUE(oc_.m_expect(m_oc(CTM_mo00_message(), 0)));
  EXPECT_TRUE(m_eventually([&] { return m_argumentsOf(ev::LH_KEEPALIVE_INTERVAL_MISSING).size() == 2; }));
}

}  // namespace
