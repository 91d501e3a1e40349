// TM32 started with its OC and LPCS links, driven by a fake OC (both addresses
// listening, the first answers), a fake LPC server that reads exactly the framed
// bytes, and fake transport controllers: a downloaded transport specification routes a bag,
// and a bag's LPC read brings its data from the server and releases it when the
// bag leaves, with OC told of both events in order.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ctm_config.h"
#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_cs_message.h"
#include "telegrams/ctm_mo_message.h"
#include "telegrams/ctm_om_message.h"
#include "telegrams/ctm_sc_message.h"
#include "tests/support/ctm_telegram_text.h"
#include "tests/support/ctm_test_linehandlers.h"
#include "tests/system/tm_fixture.h"
#include "tm/ctm_runningls.h"
#include "tracking/ctm_bit.h"
#include "tracking/ctm_transspec.h"

namespace {

class TmOcLpcs : public TmSystemTest {
 protected:
  static constexpr const char* lpc = "0123456789";

  void SetUp() override {
    TmSystemTest::SetUp();
    for (auto [peer, key] : {std::pair{&oc_, "OC__Port1"}, {&standby_, "OC__Port2"}, {&server_, "LPCS__Port"}}) {
      ASSERT_TRUE(peer->m_listen("127.0.0.1"));
      ASSERT_TRUE(CTM_config::m_setInteger(key, peer->m_port()));
    }
    m_tm()->m_placeImLineHandler(im_);
    ASSERT_TRUE(plant_->m_start("NYYNNYN", true));
    // OC: the keep-alive exchange, then the segments announced.
    ASSERT_TRUE(oc_.m_accept());
    ASSERT_TRUE(oc_.m_expect(c_runningPlant::m_wire(CTM_mo00_message(), 0)));
    ASSERT_TRUE(oc_.m_send(c_runningPlant::m_wire(CTM_om00_message(), 0)));
    CTM_mo01_message announcement;
    announcement.m_appendLS_ID("E3201");
    announcement.m_appendLS_ID("L3202");
    ASSERT_TRUE(oc_.m_expect(c_runningPlant::m_wire(std::move(announcement), 1)));
    // LPCS: the same exchange without line feeds.
    ASSERT_TRUE(server_.m_accept());
    ASSERT_TRUE(server_.m_expect(m_lpcs(CTM_cs00_message(), 0)));
    ASSERT_TRUE(server_.m_send(m_lpcs(CTM_sc00_message(), 0)));
    ASSERT_TRUE(m_eventually([&] { return m_lpcsStatus() == CTM_lh::statusUp; }));
  }
  void TearDown() override {
    plant_.reset();
    for (c_fakePeer* peer : {&oc_, &standby_, &server_}) {
      peer->m_close();
      peer->m_closeListener();
    }
    TmSystemTest::TearDown();
  }

  int m_lpcsStatus() const { return m_tm()->m_getLpcsLineHandler()->m_getInterfaceStatus(); }
  // The LPCS link carries no line feed.
  static std::string m_lpcs(CTM_message&& telegram, int sequence) {
    std::string text = c_runningPlant::m_wire(std::move(telegram), sequence);
    text.pop_back();
    return text;
  }
  template <class Request>
  static std::string m_request(const std::string& requested, int sequence) {
    Request request;
    request.m_setLPC(requested);
    return m_lpcs(std::move(request), sequence);
  }
  // The server's SC01 with the data of the LPC.
  static std::string m_lpcData(int sequence) {
    const std::string data = std::string(lpc) + "P" "L" "P" "LH 1234 28FEBFRA" "1" "LH 5678 01MARJFKY"
                             "MUELLER HANS        " "ABC123" "ABCD";
    std::unique_ptr<CTM_message> answer = CTM_message::m_new(ctm_test::telegramText("SC01", 1, data));
    EXPECT_TRUE(answer->m_isValid());
    return m_lpcs(std::move(*answer), sequence);
  }
  // A transport specification of OC's for E3201 routes its bags (so that their reads are
  // taken), or only those with that LPC.
  void m_routeBagsByOc(const std::string& id = "E3201OC001", const std::string& onlyLpc = "") {
    ASSERT_TRUE(oc_.m_send(c_runningPlant::m_wire(CTM_om02_message(), 10)));
    ASSERT_TRUE(oc_.m_send(m_download(11, "E3201", id, onlyLpc)));
    ASSERT_TRUE(oc_.m_send(c_runningPlant::m_wire(CTM_om04_message(), 12)));
    ASSERT_TRUE(oc_.m_expect(c_runningPlant::m_wire(CTM_mo02_message(), 10) +
                             c_runningPlant::m_wire(CTM_mo03_message(), 11)));
    m_statusRequest(13);
  }
  // A new bag at the controller's entry that reads the LPC: its generated id.
  std::string m_bagReads(c_fakeController& controller, int pic, const std::string& read, int sequence) {
    EXPECT_TRUE(controller.m_sendReport<CTM_tctm01_message>(pic, blankId, controller.m_spec().entry, sequence));
    std::unique_ptr<CTM_message> routing = controller.m_receiveAnswer();
    auto* entered = dynamic_cast<CTM_tmtc01_message*>(routing.get());
    EXPECT_NE(entered, nullptr);
    const std::string bitId = entered != nullptr ? entered->m_getBIT_ID() : std::string();
    CTM_tctm09_message reading;
    reading.m_setPIC(pic);
    reading.m_setBIT_ID(bitId);
    reading.m_setEquipmentCode(controller.m_spec().entry);
    reading.m_setLPC(read);
    EXPECT_TRUE(controller.m_send(std::move(reading), sequence + 1));
    return bitId;
  }
  // A transport specification for the segment that every item matches, or only items with
  // that LPC.
  static std::string m_download(int sequence, const std::string& lsId, const std::string& id,
                                const std::string& onlyLpc = "") {
    CTM_transSpec spec;
    spec.m_setTransportSpecID(id);
    spec.m_setRoutingPriority(5);
    spec.m_setStructVersionID(1);
    if (!onlyLpc.empty()) spec.m_setLPC(onlyLpc, true);
    spec.m_setStartTime(1704067200);  // 2024-01-01
    spec.m_setEndTime(2145916800);    // 2038-01-01
    spec.m_addDestination(lsId == "E3201" ? "E32013202" : "L32023301");
    CTM_om03_message telegram;
    EXPECT_TRUE(telegram.m_setLS_ID(lsId) && telegram.m_setModIndicator("A") && telegram.m_setTransSpec(spec));
    return c_runningPlant::m_wire(std::move(telegram), sequence);
  }
  // A status request: once its answers are back, OC's earlier requests are done.
  // The groups of both answers as "<entry point>=<availability>", then
  // "<segment>=<occupation>".
  std::vector<std::string> m_statusRequest(int sequence) {
    EXPECT_TRUE(oc_.m_send(c_runningPlant::m_wire(CTM_om05_message(), sequence)));
    std::unique_ptr<CTM_message> entryPoints = CTM_message::m_new(oc_.m_receiveLine());
    std::unique_ptr<CTM_message> occupations = CTM_message::m_new(oc_.m_receiveLine());
    auto* points = dynamic_cast<CTM_mo06_message*>(entryPoints.get());
    auto* segments = dynamic_cast<CTM_mo07_message*>(occupations.get());
    EXPECT_TRUE(points != nullptr && points->m_getSeqNo() == sequence);
    EXPECT_TRUE(segments != nullptr && segments->m_getSeqNo() == sequence);
    std::vector<std::string> groups;
    std::string name;
    std::string state;
    while (points != nullptr && points->m_getNextEntryPoint(name, state)) groups.push_back(name + "=" + state);
    while (segments != nullptr && segments->m_getNextOccupation(name, state)) groups.push_back(name + "=" + state);
    return groups;
  }
  // OC's MO11 telegrams as "<type> <point>", until the one whose type begins with last.
  std::vector<std::string> m_trackingEventsUntil(const std::string& last) {
    std::vector<std::string> events;
    for (int i = 0; i < 20; ++i) {
      const std::string line = oc_.m_receiveLine();
      if (line.empty()) break;
      std::unique_ptr<CTM_message> telegram = CTM_message::m_new(line);
      auto* event = dynamic_cast<CTM_mo11_message*>(telegram.get());
      if (event == nullptr) continue;
      std::string point = event->m_getTrackingPoint();
      point.erase(point.find_last_not_of(' ') + 1);
      events.push_back(event->m_getTrackingEventType() + " " + point);
      if (events.back().starts_with(last)) break;
    }
    return events;
  }
  static std::function<bool(const CTM_BIT&)> m_inLpcState(int state) {
    return [state](const CTM_BIT& item) { return item.m_getLpcRequestState() == state; };
  }
  bool m_itemHas(const std::string& bitId, const std::function<bool(const CTM_BIT&)>& check) {
    bool matches = false;
    auto* segment = dynamic_cast<CTM_runningLs*>(m_node("E3201"));
    segment->m_inspectBIT(bitId, [&](const CTM_BIT& item) { matches = check(item); });
    return matches;
  }

  c_fakePeer oc_;
  c_fakePeer standby_;  // OC's second address: it never answers
  c_fakePeer server_;
  std::shared_ptr<CTM_testServerLh> im_ = std::make_shared<CTM_testServerLh>();
};

// Three transport specifications (one only for another LPC) and one for a segment the TM
// does not have, each answered; then a bag is routed by the downloaded one.
TEST_F(TmOcLpcs, ADownloadedSpecificationRoutesTheNextBag) {
  ASSERT_TRUE(oc_.m_send(c_runningPlant::m_wire(CTM_om02_message(), 10)));
  ASSERT_TRUE(oc_.m_expect(c_runningPlant::m_wire(CTM_mo02_message(), 10)));
  int sequence = 11;
  for (const std::string& download :
       {m_download(11, "E3201", "E3201OC001"), m_download(12, "E3201", "E3201OC002", "9999999999"),
        m_download(13, "L3202", "L3202OC001"), m_download(14, "Z9999", "Z9999OC001")}) {
    ASSERT_TRUE(oc_.m_send(download));
    ASSERT_TRUE(oc_.m_expect(c_runningPlant::m_wire(CTM_mo03_message(), sequence)));
    ++sequence;
  }
  ASSERT_TRUE(oc_.m_send(c_runningPlant::m_wire(CTM_om04_message(), sequence)));
  // Both exits of E3201 feed L3202; the segments have no occupation reported yet.
  EXPECT_EQ(m_statusRequest(20),
            (std::vector<std::string>{"E32013202=A", "E32013202=A", "E3201=E", "L3202=E"}));
  EXPECT_EQ(m_argumentsOf(ev::LH_UNKNOWN_KEY_FIELD).size(), 1u);
  std::unique_ptr<CTM_message> report;
  ASSERT_TRUE(im_->m_queue().m_get(report));
  ASSERT_NE(dynamic_cast<CTM_bcim21_message*>(report.get()), nullptr);
  EXPECT_EQ(dynamic_cast<CTM_bcim21_message*>(report.get())->m_getExceptionDesc(),
            "Invalid logical segment in OM03 (Z9999).");

  c_fakeController controller = m_controller(0);
  ASSERT_TRUE(controller.m_bringUp());
  ASSERT_TRUE(controller.m_sendReport<CTM_tctm01_message>(7, blankId, controller.m_spec().entry, 1));
  std::unique_ptr<CTM_message> answer = controller.m_receiveAnswer();
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->m_getId(), "TMTC01");
  const std::vector<std::string> events = m_trackingEventsUntil("TRS");
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), "TRS   E3201OC001");
}

// A bag reads its LPC: CS02; the server's SC01 gives it its data; when it leaves,
// CS03. OC hears of its entry before its exit.
TEST_F(TmOcLpcs, ABagsLpcReadBringsItsDataAndItsExitReleasesIt) {
  m_routeBagsByOc();
  c_fakeController controller = m_controller(0);
  ASSERT_TRUE(controller.m_bringUp());
  const std::string bitId = m_bagReads(controller, 7, lpc, 1);
  EXPECT_TRUE(server_.m_expect(m_request<CTM_cs02_message>(lpc, 1)));

  ASSERT_TRUE(server_.m_send(m_lpcData(5)));
  EXPECT_TRUE(m_eventually([&] {
    return m_itemHas(bitId, [](const CTM_BIT& item) {
      return item.m_getPassengerName() == "MUELLER HANS        " && item.m_getLpcRequestState() == 3;
    });
  }));

  ASSERT_TRUE(controller.m_sendReport<CTM_tctm05_message>(7, bitId, controller.m_spec().exit, 3));
  EXPECT_TRUE(server_.m_expect(m_request<CTM_cs03_message>(lpc, 2)));
  const std::vector<std::string> events = m_trackingEventsUntil("EXIT");
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events.front(), "ENTER " + controller.m_spec().entry);
  EXPECT_EQ(events.back(), "EXIT  " + controller.m_spec().exit);
}

// A server that comes back is asked first for the data it had given (the request
// is open again), then for what was queued meanwhile. The release walk on the
// broken link failed at once: it took one sequence number.
TEST_F(TmOcLpcs, AServerThatComesBackGetsTheOpenRequestsBeforeTheQueuedOnes) {
  m_routeBagsByOc();
  c_fakeController controller = m_controller(0);
  ASSERT_TRUE(controller.m_bringUp());
  const std::string first = m_bagReads(controller, 7, lpc, 1);
  ASSERT_TRUE(server_.m_expect(m_request<CTM_cs02_message>(lpc, 1)));
  ASSERT_TRUE(server_.m_send(m_lpcData(5)));
  ASSERT_TRUE(m_eventually([&] { return m_itemHas(first, m_inLpcState(3)); }));

  server_.m_close();
  ASSERT_TRUE(m_eventually([&] { return m_lpcsStatus() == CTM_lh::statusDown; }));
  const std::string second = m_bagReads(controller, 8, "0000000042", 3);
  ASSERT_TRUE(m_eventually([&] { return m_itemHas(second, m_inLpcState(2)); }));
  ASSERT_TRUE(server_.m_accept());
  ASSERT_TRUE(server_.m_expect(m_lpcs(CTM_cs00_message(), 0)));
  ASSERT_TRUE(server_.m_send(m_lpcs(CTM_sc00_message(), 0)));
  EXPECT_TRUE(server_.m_expect(m_request<CTM_cs02_message>(lpc, 3) + m_request<CTM_cs02_message>("0000000042", 4)));
}

// OC's item record gives a bag the LPC that only a downloaded transport specification asks
// for: the bag is routed again, by that transport specification.
TEST_F(TmOcLpcs, AnItemRecordFromOcRoutesTheBagAgain) {
  m_routeBagsByOc("E3201OC002", "9999999999");
  c_fakeController controller = m_controller(0);
  ASSERT_TRUE(controller.m_bringUp());
  ASSERT_TRUE(controller.m_sendReport<CTM_tctm01_message>(7, blankId, controller.m_spec().entry, 1));
  std::unique_ptr<CTM_message> routing = controller.m_receiveAnswer();
  ASSERT_NE(dynamic_cast<CTM_tmtc01_message*>(routing.get()), nullptr);
  const std::string bitId = dynamic_cast<CTM_tmtc01_message*>(routing.get())->m_getBIT_ID();

  const std::string record = "01" + bitId + std::string(16, ' ') + "0" "9999999999" "LH 1234 20240229"
                             "LH 5678 20240301" " " "JFK" "1" "MUELLER HANS        " "ABCD" "0" "0" "1" "2"
                             "00500" "00400" "00300" "0025" "0042";
  std::unique_ptr<CTM_message> update = CTM_message::m_new(ctm_test::telegramText("OM08", 1, "E3201" + record));
  ASSERT_TRUE(update->m_isValid()) << update->m_getErrorText();
  ASSERT_TRUE(oc_.m_send(c_runningPlant::m_wire(std::move(*update), 14)));
  const std::vector<std::string> events = m_trackingEventsUntil("TRS   E3201OC002");
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), "TRS   E3201OC002");
}

}  // namespace
