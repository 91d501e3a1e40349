// The MC line handler of segment E3201 over loopback with a fake coding
// terminal: the segment's MC steps of its init, link-up, the terminal opening and
// closing, items sent for coding and their results applied, the statistics on
// the test clock, and the clean-up telegram when the handler stops.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "core/ctm_config.h"
#include "platform/c_clock.h"
#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_mt_message.h"
#include "telegrams/ctm_tm_message.h"
#include "tests/links/linehandler_fixture.h"
#include "tests/support/c_fakepeer.h"
#include "tests/support/ctm_test_linehandlers.h"
#include "tests/support/fixed_clock.h"
#include "tests/tm/lhtc_plant.h"
#include "tm/ctm_lhmc.h"

namespace {

class LhmcLink : public LineHandlerThreadsTest {
 protected:
  void SetUp() override {
    LineHandlerThreadsTest::SetUp();
    ASSERT_TRUE(terminal_.m_listen("127.0.0.1"));
    // Keep-alives stay out of the way of the clock moves.
    c_lhtcPlant::m_writeFiles(home_, {c_parameterLine("P", "MC__WaitSecs", "", "I", "1"),
                                      c_parameterLine("P", "MT00_Interval", "", "I", "3600"),
                                      c_parameterLine("P", "E3201__MC_Hostname", "", "S", "127.0.0.1"),
                                      c_parameterLine("P", "E3201__MC_Port", "", "I", std::to_string(terminal_.m_port())),
                                      c_parameterLine("S", "AvgProcTime", "", "I", "-1"),
                                      c_parameterLine("S", "ManScans", "", "L", "-1"),
                                      c_parameterLine("S", "TypedLPCs", "", "L", "-1"),
                                      c_parameterLine("S", "TypedOther", "", "L", "-1"),
                                      c_parameterLine("S", "UnkBags", "", "L", "-1")});
    ASSERT_TRUE(m_start("TM32"));
    plant_ = std::make_unique<c_lhtcPlant>();
    plant_->m_tm()->m_placeImLineHandler(im_);
    ASSERT_TRUE(plant_->m_segment()->m_init("NNNNNYY", false));
    handler_ = plant_->m_segment()->m_getMcLineHandler();
    ASSERT_NE(handler_, nullptr);
  }
  void TearDown() override {
    handler_.reset();
    plant_.reset();
    im_.reset();
    terminal_.m_close();
    terminal_.m_closeListener();
    LineHandlerThreadsTest::TearDown();
  }
  // A telegram as the TM writes it (sub id "32") or as the terminal does ("01").
  static std::string m_wire(CTM_message&& telegram, int sequence, const char* subId = "32") {
    return m_wire(telegram, sequence, subId);
  }
  static std::string m_wire(CTM_message& telegram, int sequence, const char* subId = "32") {
    telegram.m_setSeqNo(sequence);
    telegram.m_setSubId(subId);
    std::string text;
    telegram.m_serialize(text);
    return text;
  }
  // After the wait before connecting, the keep-alive exchange and the MT21 of the link-up.
  void m_bringUp() {
    m_advanceWhenWaiting(1000);
    ASSERT_TRUE(terminal_.m_accept());
    ASSERT_TRUE(terminal_.m_expect(m_wire(CTM_mt00_message(), 0)));
    ASSERT_TRUE(terminal_.m_send(m_wire(CTM_tm00_message(), 0, "01")));
    ASSERT_TRUE(terminal_.m_expect(m_wire(CTM_mt21_message(), 1)));
  }
  void m_sendState(const char* code, int sequence) {
    CTM_tm21_message state;
    state.m_setOperationalStatusCode(code);
    ASSERT_TRUE(terminal_.m_send(m_wire(state, sequence, "01")));
  }
  // The texts queued for IM so far, in order, as "level:text".
  std::vector<std::string> m_imTexts() {
    std::vector<std::string> texts;
    for (std::unique_ptr<CTM_message> queued; im_->m_queue().m_get(queued);)
      if (auto* report = dynamic_cast<CTM_bcim21_message*>(queued.get()))
        texts.push_back(std::to_string(report->m_getExceptionLevel()) + ":" + report->m_getExceptionDesc());
    return texts;
  }
  // A new item at the entry, with its generated id.
  std::string m_enterItem() {
    std::string bitId(11, ' ');
    CTM_runningLs::c_destinationList destinations;
    plant_->m_segment()->m_enterBIT(7, plant_->m_node(c_lhtcPlant::entry), bitId, destinations);
    return bitId;
  }
  static std::unique_ptr<CTM_tm01_message> m_result(const std::string& bitId, const char* lpcMethod) {
    auto result = std::make_unique<CTM_tm01_message>();
    result->m_setBIT_ID(bitId);
    result->m_setCodingMethodResultLPC(lpcMethod);
    // Nothing entered unless a test says so.
    result->m_setCodingMethodResultLabel(false);
    result->m_setCodingMethodResultFlight(false);
    result->m_setCodingMethodResultUnknown(false);
    result->m_setLPC("", false);
    result->m_setFlightID("", false);
    result->m_setCabinClass("", false);
    result->m_setDestination("", false);
    result->m_setOnwardConnection(false, false);
    result->m_setBaggageExceptionData("", false);
    result->m_setPassengerName("", false);
    return result;
  }
  std::string m_nextLineWith(const std::string& id) {
    for (std::string line = terminal_.m_receiveLine(); !line.empty(); line = terminal_.m_receiveLine())
      if (line.compare(0, id.size(), id) == 0) return line;
    return "";
  }
  std::size_t m_resultsProcessed() const {
    std::size_t results = 0;
    for (const CTM_loggedEvent& event : events_.m_eventsWithId(ev::LH_TELEGRAM_PROCESSED))
      results += event.strings.at(0) == "TM01";
    return results;
  }
  long m_statistic(const char* name) {
    long value = -2;
    CTM_config::m_getLong(name, value);
    return value;
  }

  c_fixedClock clock_{1714651387};
  c_fakePeer terminal_;
  std::shared_ptr<CTM_testServerLh> im_ = std::make_shared<CTM_testServerLh>();
  std::unique_ptr<c_lhtcPlant> plant_;
  std::shared_ptr<CTM_lhmc> handler_;
};

// With the flag set and position 6 not "Y" the segment keeps its MC line handler; stopped, it has none.
TEST_F(LhmcLink, TheSegmentBuildsItsMcLineHandlerAsTheMaskSays) {
  EXPECT_TRUE(handler_->m_isRunning());
  ASSERT_TRUE(plant_->m_segment()->m_init("NNNNNYN", true));
  EXPECT_EQ(plant_->m_segment()->m_getMcLineHandler(), handler_);
  plant_->m_segment()->m_stop();
  EXPECT_EQ(plant_->m_segment()->m_getMcLineHandler(), nullptr);
  EXPECT_FALSE(handler_->m_isRunning());
}

// An open terminal gets MT11 "1", IM a level-4 text and the terminal MT22; items go
// to it as MT01 only while it is open.
TEST_F(LhmcLink, ItemsGoToTheTerminalOnlyWhileItIsOpen) {
  m_bringUp();
  CTM_BIT item;
  item.m_setBIT_ID("W3212300001");
  item.m_setLPC("0123456789");
  EXPECT_FALSE(plant_->m_segment()->m_sendToCodingTerminal(&item));

  m_sendState("O", 1);
  CTM_mt11_message required;
  required.m_setCodingServicesRequired(true);
  EXPECT_TRUE(terminal_.m_expect(m_wire(required, 2) + m_wire(CTM_mt22_message(), 3)));
  ASSERT_TRUE(m_eventually([&] { return handler_->m_isCodingTerminalOpen(); }));
  EXPECT_TRUE(plant_->m_segment()->m_sendToCodingTerminal(&item));
  CTM_mt01_message request;
  request.m_setBIT_ID("W3212300001");
  request.m_setLPC("0123456789");
  request.m_setOnwardConnection(false);
  EXPECT_TRUE(terminal_.m_expect(m_wire(request, 4)));

  m_sendState("C", 2);
  EXPECT_TRUE(terminal_.m_expect(m_wire(CTM_mt22_message(), 5)));
  EXPECT_FALSE(plant_->m_segment()->m_sendToCodingTerminal(&item));
  CTM_tm22_message equipment;
  equipment.m_appendEquipment("E3201_0100-C0001", "A");
  equipment.m_appendEquipment("E3201_0100-C0002", "U");
  ASSERT_TRUE(terminal_.m_send(m_wire(equipment, 3, "01")));
  ASSERT_TRUE(terminal_.m_send(m_wire(CTM_tm00_message(), 0, "01")));
  EXPECT_TRUE(m_eventually([&] { return im_->m_queue().m_size() == 4; }));
  EXPECT_EQ(m_imTexts(), (std::vector<std::string>{"4:Coding terminal is open!", "1:Coding terminal is not open!",
                                                   "4:(E3201_0100-C0001) is available (man. CT)!",
                                                   "1:(E3201_0100-C0002) is unavailable (man. CT)!"}));
}

// Only a result that follows an MT01 of this link counts in the average; the four
// counters follow the coding methods, the LPC method first; an entered LPC reaches the bag.
TEST_F(LhmcLink, CodingResultsAreAppliedAndCountedInTheStatistics) {
  m_bringUp();
  const std::string bitId = m_enterItem();
  auto early = m_result(bitId, "S");
  ASSERT_TRUE(terminal_.m_send(m_wire(*early, 1, "01")));
  m_sendState("O", 2);
  ASSERT_TRUE(terminal_.m_receive(1000, 100).size() > 0);  // MT11, MT22
  ASSERT_TRUE(m_eventually([&] { return handler_->m_isCodingTerminalOpen(); }));

  CTM_BIT item;
  item.m_setBIT_ID(bitId);
  for (auto [delay, method, unknown] : {std::tuple{10, "M", false}, std::tuple{20, " ", true}}) {
    ASSERT_TRUE(plant_->m_segment()->m_sendToCodingTerminal(&item));
    ASSERT_TRUE(terminal_.m_receiveLine().find("MT01") != std::string::npos);
    clock_.m_advance(delay);
    auto result = m_result(bitId, method);
    result->m_setCodingMethodResultUnknown(unknown);
    result->m_setLPC("0123456789", true);
    ASSERT_TRUE(terminal_.m_send(m_wire(*result, 3, "01")));
    // Each result is taken before the next item goes out.
    const std::size_t expected = unknown ? 3u : 2u;
    ASSERT_TRUE(m_eventually([&] { return m_resultsProcessed() == expected; }));
  }
  std::string lpc;
  plant_->m_segment()->m_inspectBIT(bitId, [&](const CTM_BIT& bit) { lpc = bit.m_getLPC(); });
  EXPECT_EQ(lpc, "0123456789");
  // The first statistics went out when the clock first moved; the next are 300 s later.
  clock_.m_advance(300);
  EXPECT_TRUE(m_eventually([&] { return m_statistic("UnkBags") == 1; }));
  int average = -1;
  EXPECT_TRUE(CTM_config::m_getInteger("AvgProcTime", average));
  EXPECT_EQ(average, 15);
  EXPECT_EQ(m_statistic("ManScans"), 1);
  EXPECT_EQ(m_statistic("TypedLPCs"), 1);
  EXPECT_EQ(m_statistic("TypedOther"), 0);
}

// A clock set back between an item and its result counts as no processing time.
TEST_F(LhmcLink, AResultBeforeItsItemByTheClockCountsAsNoTime) {
  m_bringUp();
  m_sendState("O", 1);
  ASSERT_TRUE(m_eventually([&] { return handler_->m_isCodingTerminalOpen(); }));
  CTM_BIT item;
  item.m_setBIT_ID(m_enterItem());
  ASSERT_TRUE(plant_->m_segment()->m_sendToCodingTerminal(&item));
  ASSERT_NE(m_nextLineWith("MT01"), "");
  c_clock::m_advanceUtc(-50);
  ASSERT_TRUE(terminal_.m_send(m_wire(*m_result(item.m_getBIT_ID(), "S"), 2, "01")));
  ASSERT_TRUE(m_eventually([&] { return m_resultsProcessed() == 1; }));
  m_advanceWhenWaiting(1000);
  EXPECT_TRUE(m_eventually([&] { return m_statistic("ManScans") == 1; }));
  int average = -1;
  EXPECT_TRUE(CTM_config::m_getInteger("AvgProcTime", average));
  EXPECT_EQ(average, 0);
}

// Stopped, the handler still tells the terminal that no coding is required, then closes.
TEST_F(LhmcLink, AStoppedHandlerSendsTheCleanUpTelegramBeforeClosing) {
  m_bringUp();
  plant_->m_segment()->m_stop();
  CTM_mt11_message notRequired;
  notRequired.m_setCodingServicesRequired(false);
  EXPECT_TRUE(terminal_.m_expect(m_wire(notRequired, 2)));
  EXPECT_TRUE(terminal_.m_expectClosed());
}

// A lost link: the clean-up's MT11 is still attempted, fails with its event and
// uses its number, so the MT21 of the next link-up carries the one after it.
TEST_F(LhmcLink, TheCleanUpTelegramOfALostLinkUsesItsSequenceNumber) {
  m_bringUp();
  terminal_.m_close();
  m_advanceWhenWaiting(1000, [&] { return handler_->m_getInterfaceStatus() == CTM_lh::statusDown; });
  ASSERT_TRUE(terminal_.m_accept());
  ASSERT_TRUE(terminal_.m_expect(m_wire(CTM_mt00_message(), 0)));
  ASSERT_TRUE(terminal_.m_send(m_wire(CTM_tm00_message(), 0, "01")));
  EXPECT_TRUE(terminal_.m_expect(m_wire(CTM_mt21_message(), 3)));
  const auto failed = m_argumentsOf(ev::TELEGRAM_SEND_FAILED);
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_NE(failed[0].at(0).find("MT11"), std::string::npos);
}

}  // namespace
