// A TC line handler serving a transport controller over loopback, handed the
// socket as the TC listener hands it: the keep-alive exchange, item reports and
// their answers, reports that name nothing, and the periodic TMTC22 and purge on
// the test clock.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "core/ctm_config.h"
#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_tctm_message.h"
#include "telegrams/ctm_tmtc_message.h"
#include "tests/links/linehandler_fixture.h"
#include "tests/support/c_fakepeer.h"
#include "tests/support/ctm_test_linehandlers.h"
#include "tests/support/fixed_clock.h"
#include "tests/tm/lhtc_plant.h"

namespace {

class LhtcLink : public LineHandlerThreadsTest {
 protected:
  static constexpr std::int64_t fixedNow = 1714651387;  // 2024-05-02 12:03:07 UTC, day 123

  void SetUp() override {
    LineHandlerThreadsTest::SetUp();
    c_lhtcPlant::m_writeFiles(home_, {c_parameterLine("P", "Cleanup_Interval", "110", "L", "60"),
                                      c_parameterLine("P", "InterfaceTC_LogLevel", "111", "I", "5")});
    ASSERT_TRUE(m_start("TM32"));
    m_startPlant(false);
  }
  void m_startPlant(bool screeningTm) {
    handler_.reset();
    plant_.reset();
    plant_ = std::make_unique<c_lhtcPlant>(screeningTm);
    ASSERT_TRUE(plant_->m_start());
    plant_->m_tm()->m_placeImLineHandler(im_);
    handler_ = plant_->m_controller()->m_getTcLineHandler();
    ASSERT_NE(handler_, nullptr);
  }
  void TearDown() override {
    handler_.reset();
    plant_.reset();
    im_.reset();
    LineHandlerThreadsTest::TearDown();
  }

  // The telegram as the controller (sub id "32") sends it, or as the handler answers.
  static std::string m_tc(CTM_message&& telegram, int sequence) { return m_tc(telegram, sequence); }
  static std::string m_tc(CTM_message& telegram, int sequence) {
    telegram.m_setSeqNo(sequence);
    telegram.m_setSubId("32");
    std::string text;
    telegram.m_serialize(text);
    return text;
  }
  // The head of an item report (or answer); the rest of the fields stay the test's.
  template <class Report>
  static Report& m_head(Report&& report, int pic, const std::string& bitId, const std::string& equipmentCode) {
    report.m_setPIC(pic);
    report.m_setBIT_ID(bitId);
    if constexpr (requires { report.m_setEquipmentCode(equipmentCode); })
      report.m_setEquipmentCode(equipmentCode);
    else
      report.m_setEquipmentCodeOrigin(equipmentCode);
    return report;
  }
  // Hands the handler a connection from the peer and makes the link up.
  void m_bringUp(c_fakePeer& peer) {
    ASSERT_TRUE(handler_->m_acceptConnection(m_acceptedFrom(peer)));
    ASSERT_TRUE(peer.m_send(keepAlive_));
    ASSERT_TRUE(peer.m_expect(keepAliveAnswer_));
    ASSERT_TRUE(m_eventually([&] { return handler_->m_getInterfaceStatus() == CTM_lh::statusUp; }));
  }
  // Moves the wall clock and the timers on together while the handler waits, and
  // waits until it has acted on the timers that ran out.
  void m_advanceWhenWaitingSeconds(std::int64_t seconds) {
    m_awaitNewTimedWait();
    waitsSeen_ = c_timedWaitsEntered();
    clock_.m_advance(seconds);
    m_awaitNewTimedWait();
  }

  const std::string blankId_ = std::string(11, ' ');
  const std::string keepAlive_ = m_tc(CTM_tctm00_message(), 0);
  const std::string keepAliveAnswer_ = m_tc(CTM_tmtc00_message(), 0);
  // Timers run on the fixed clock: nothing periodic goes out unless a test moves it.
  c_fixedClock clock_{fixedNow};
  std::shared_ptr<CTM_testServerLh> im_ = std::make_shared<CTM_testServerLh>();
  std::unique_ptr<c_lhtcPlant> plant_;
  std::shared_ptr<CTM_lhtc> handler_;
};

TEST_F(LhtcLink, TheKeepAliveIsAnsweredWithTheControllersSubIdAndSequenceZero) {
  c_fakePeer peer;
  m_bringUp(peer);
  ASSERT_TRUE(peer.m_send(m_tc(CTM_tctm00_message(), 0)));
  EXPECT_TRUE(peer.m_expect(keepAliveAnswer_));
  EXPECT_EQ(events_.m_count(ev::LH_SUB_ID_MISMATCH), 0u);
}

TEST_F(LhtcLink, AHandlerPlacedAgainStaysInServiceAndAReplacedOneRefusesLinks) {
  plant_->m_controller()->m_placeTcLineHandler(handler_);
  c_fakePeer peer;
  m_bringUp(peer);

  ASSERT_TRUE(plant_->m_start());
  EXPECT_NE(plant_->m_controller()->m_getTcLineHandler(), handler_);
  EXPECT_TRUE(peer.m_expectClosed());
  c_fakePeer late;
  EXPECT_FALSE(handler_->m_acceptConnection(m_acceptedFrom(late)));
  EXPECT_TRUE(late.m_expectClosed());
}

TEST_F(LhtcLink, AFirstTelegramOtherThanTheKeepAliveEndsTheLink) {
  c_fakePeer peer;
  ASSERT_TRUE(handler_->m_acceptConnection(m_acceptedFrom(peer)));
  ASSERT_TRUE(peer.m_send(m_tc(m_head(CTM_tctm01_message(), 7, blankId_, c_lhtcPlant::entry), 1)));
  EXPECT_TRUE(peer.m_expectClosed());
  EXPECT_TRUE(m_eventually([&] { return !handler_->m_isRunning(); }));
  EXPECT_EQ(plant_->m_segment()->m_getItemCount(), 0u);
}

// A blank BIT_ID makes the segment generate one ("W", characters 2-3 of the TM's
// id, the day, the first sequence of the day); the answer carries it, the
// received sequence number and the default specification's destination, the
// exit towards X3202, with the priority of the route found.
TEST_F(LhtcLink, ABlankIdEnteredIsAnsweredWithTheGeneratedIdAndItsDestination) {
  c_fakePeer peer;
  m_bringUp(peer);
  ASSERT_TRUE(peer.m_send(m_tc(m_head(CTM_tctm01_message(), 7, blankId_, c_lhtcPlant::entry), 12)));
  CTM_tmtc01_message answer;
  m_head(answer, 7, "W3212300000", c_lhtcPlant::entry).m_appendDestination(c_lhtcPlant::exit, 1);
  EXPECT_TRUE(peer.m_expect(m_tc(answer, 12)));
}

// Diverted and left items get no answer: the next bytes are the keep-alive's.
TEST_F(LhtcLink, DivertedAndLeftItemsAreNeverAnswered) {
  c_fakePeer peer;
  m_bringUp(peer);
  CTM_tctm02_message diverted;
  m_head(diverted, 7, "W3212300042", c_lhtcPlant::entry).m_setEquipmentCodeDestination(c_lhtcPlant::exit);
  diverted.m_setDivReason("R");
  ASSERT_TRUE(peer.m_send(m_tc(diverted, 13)));
  ASSERT_TRUE(peer.m_send(m_tc(m_head(CTM_tctm05_message(), 7, "W3212300042", c_lhtcPlant::exit), 14)));
  ASSERT_TRUE(peer.m_send(keepAlive_));
  EXPECT_TRUE(peer.m_expect(keepAliveAnswer_));
  EXPECT_EQ(plant_->m_segment()->m_getItemCount(), 0u);
}

// A report from a tracking point the controller does not have: no answer (even
// for a blank id), a text for IM and an event; the link stays.
TEST_F(LhtcLink, AnUnknownEquipmentCodeIsReportedToImAndNotAnswered) {
  c_fakePeer peer;
  m_bringUp(peer);
  const std::string unknown = "E3201_0100-Z9999";
  ASSERT_TRUE(peer.m_send(m_tc(m_head(CTM_tctm04_message(), 7, blankId_, unknown), 15)));
  ASSERT_TRUE(peer.m_send(keepAlive_));
  EXPECT_TRUE(peer.m_expect(keepAliveAnswer_));

  std::unique_ptr<CTM_message> queued;
  ASSERT_TRUE(im_->m_queue().m_get(queued));
  auto* report = dynamic_cast<CTM_bcim21_message*>(queued.get());
  ASSERT_NE(report, nullptr);
  CTM_bcim21_message expected;
  expected.m_setExceptionDesc("Wrong EqCode (" + unknown + ") from TC (TC3201) reported.");
  EXPECT_EQ(report->m_getExceptionDesc(), expected.m_getExceptionDesc());
  EXPECT_EQ(report->m_getEquipmentCode(), "TM32");
  EXPECT_EQ(report->m_getExceptionLevel(), 1);
  ASSERT_EQ(m_argumentsOf(ev::LH_UNKNOWN_KEY_FIELD).size(), 1u);
  EXPECT_EQ(m_argumentsOf(ev::LH_UNKNOWN_KEY_FIELD)[0][1], "EquipmentCode");
  EXPECT_EQ(plant_->m_segment()->m_getItemCount(), 0u);
  EXPECT_EQ(handler_->m_getInterfaceStatus(), CTM_lh::statusUp);
}

// TMTC22 one second after the link is up and every 300 s after, numbered by the
// handler; the segment's purge every "Cleanup_Interval" after its last one.
TEST_F(LhtcLink, StatusRequestsAndPurgesFollowTheirIntervals) {
  c_fakePeer peer;
  m_bringUp(peer);
  // The interval is read once the link is up.
  ASSERT_TRUE(m_eventually([&] { return events_.m_count(ev::LHTC_CLEANUP_INTERVAL) == 1; }));
  EXPECT_EQ(m_argumentsOf(ev::LHTC_CLEANUP_INTERVAL)[0], std::vector<std::string>{"60"});
  m_advanceWhenWaiting(1000);
  EXPECT_TRUE(peer.m_expect(m_tc(CTM_tmtc22_message(), 1)));

  m_advanceWhenWaiting(59'000);
  EXPECT_TRUE(m_eventually([&] { return events_.m_count(ev::SEGMENT_PURGED) == 1; }));
  for (int minute = 2; minute <= 5; ++minute) m_advanceWhenWaiting(60'000);
  EXPECT_TRUE(m_eventually([&] { return events_.m_count(ev::SEGMENT_PURGED) == 5; }));
  EXPECT_TRUE(peer.m_expectSilence(100));
  m_advanceWhenWaiting(1000);
  EXPECT_TRUE(peer.m_expect(m_tc(CTM_tmtc22_message(), 2)));
}

TEST_F(LhtcLink, AMissingCleanupIntervalPurgesEveryHour) {
  home_.m_writeConfig({});
  CTM_config::m_resetForTest();
  ASSERT_TRUE(m_start("TM32"));
  c_fakePeer peer;
  m_bringUp(peer);
  ASSERT_TRUE(m_eventually([&] { return events_.m_count(ev::LHTC_CLEANUP_INTERVAL_MISSING) == 1; }));
  EXPECT_EQ(m_argumentsOf(ev::LHTC_CLEANUP_INTERVAL_MISSING)[0], std::vector<std::string>{"3600"});
  m_advanceWhenWaiting(1000);
  ASSERT_TRUE(peer.m_expect(m_tc(CTM_tmtc22_message(), 1)));
  m_advanceWhenWaiting(3'598'000);
  // Meanwhile only TMTC22s are due.
  m_advanceWhenWaiting(1000, [&] { return events_.m_count(ev::SEGMENT_PURGED) == 0; });
  EXPECT_TRUE(m_eventually([&] { return events_.m_count(ev::SEGMENT_PURGED) == 1; }));
}

// How a controller's link comes and goes after it reported one bag that then
// stays without an event.
struct c_linkPattern {
  const char* name;
  int links;         // link-ups; the first reports the bag
  int upSeconds;     // each link but the last stays up this long,
  int awaySeconds;   // then the controller is away this long before the next one
};

void PrintTo(const c_linkPattern& pattern, std::ostream* out) { *out << pattern.name; }

class LhtcPurge : public LhtcLink, public ::testing::WithParamInterface<c_linkPattern> {};

// The purge is due 60 s after the segment's last one, whatever the links do: the
// bag, kept by the first purge, goes with the second, however often the link is
// re-made, and at once when a controller links again after the purge fell due.
TEST_P(LhtcPurge, AQuietBagGoesWithTheSecondPurgeWhateverTheLinksDo) {
  const c_linkPattern& pattern = GetParam();
  std::optional<c_fakePeer> peer;
  for (int link = 1;; ++link) {
    peer.emplace();
    m_bringUp(*peer);
    ASSERT_TRUE(m_eventually([&] { return events_.m_count(ev::LHTC_CLEANUP_INTERVAL) == std::size_t(link); }));
    if (link == 1) {
      ASSERT_TRUE(peer->m_send(m_tc(m_head(CTM_tctm01_message(), 7, "W3212300042", c_lhtcPlant::entry), 1)));
      ASSERT_TRUE(m_eventually([&] { return plant_->m_segment()->m_getItemCount() == 1; }));
    }
    if (link == pattern.links) break;
    if (pattern.upSeconds > 0) m_advanceWhenWaitingSeconds(pattern.upSeconds);
    if (pattern.awaySeconds > 0) {
      peer->m_close();
      ASSERT_TRUE(m_eventually([&] { return !handler_->m_isRunning(); }));
      waitsSeen_ = c_timedWaitsEntered();
      clock_.m_advance(pattern.awaySeconds);
    }
  }
  EXPECT_TRUE(m_eventually([&] { return plant_->m_segment()->m_getItemCount() == 0; }));
  const auto purges = m_argumentsOf(ev::SEGMENT_PURGED);
  ASSERT_EQ(purges.size(), 2u);
  EXPECT_EQ(purges[1], (std::vector<std::string>{"0", "0", "1"}));
}

INSTANTIATE_TEST_SUITE_P(Links, LhtcPurge,
                         ::testing::Values(c_linkPattern{"ReMadeEveryThirdOfTheInterval", 7, 20, 0},
                                           c_linkPattern{"AwayWhenThePurgeFellDue", 2, 60, 100}),
                         [](const auto& info) { return std::string(info.param.name); });

// A TM without successor edges screens: a new item waits for its data without an
// answer; a known one is answered with its screening status and leaves.
TEST_F(LhtcLink, TheScreeningTmAnswersOnlyAKnownItemWithItsStatus) {
  m_startPlant(true);
  c_fakePeer peer;
  m_bringUp(peer);
  ASSERT_TRUE(peer.m_send(m_tc(m_head(CTM_tctm01_message(), 7, "A3212300001", c_lhtcPlant::entry), 21)));
  ASSERT_TRUE(peer.m_send(m_tc(m_head(CTM_tctm01_message(), 8, "A3212300001", c_lhtcPlant::entry), 22)));
  CTM_tmtc02_message answer;
  m_head(answer, 8, "A3212300001", c_lhtcPlant::entry).m_setScreeningStatus("U");
  EXPECT_TRUE(peer.m_expect(m_tc(answer, 22)));
  EXPECT_EQ(plant_->m_segment()->m_getItemCount(), 0u);
}

}  // namespace
