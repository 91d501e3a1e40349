// The LPCS line handler over loopback with a fake LPC server that reads exactly
// the framed bytes (no line terminator on this link): open requests asked for
// again at every link-up before queued telegrams, the server's data and FSC in
// every segment, and the release walk (CS03) when the link ends.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "telegrams/ctm_cs_message.h"
#include "telegrams/ctm_sc_message.h"
#include "tests/links/linehandler_fixture.h"
#include "tests/support/c_fakepeer.h"
#include "tests/support/ctm_telegram_text.h"
#include "tests/support/ctm_runningplant.h"
#include "tests/support/fixed_clock.h"
#include "tests/tm/lhtc_plant.h"
#include "tm/ctm_lhlpcs.h"
#include "tracking/ctm_bit.h"

namespace {

class LhlpcsLink : public LineHandlerThreadsTest {
 protected:
  static constexpr const char* lpc = "0123456789";
  static constexpr const char* otherPoint = "X3202_0100-P0001";

  void SetUp() override {
    LineHandlerThreadsTest::SetUp();
    c_lhtcPlant::m_writeFiles(home_, {c_parameterLine("P", "CS00_Interval", "120", "I", "10")});
    ASSERT_TRUE(m_start("TM32"));
    plant_ = std::make_unique<c_lhtcPlant>();
    ASSERT_TRUE(plant_->m_start());
    other_ = dynamic_cast<CTM_runningLs*>(plant_->m_node("X3202"));
    ASSERT_TRUE(other_ != nullptr && other_->m_init("NNNNNYN", false));
    ASSERT_TRUE(server_.m_listen("127.0.0.1"));
    handler_ = std::make_shared<CTM_lhlpcs>(plant_->m_tm(), "127.0.0.1", server_.m_port());
  }
  void TearDown() override {
    if (plant_) plant_->m_tm()->m_placeLpcsLineHandler(nullptr);
    handler_.reset();
    if (other_ != nullptr) other_->m_stop();
    plant_.reset();
    server_.m_close();
    server_.m_closeListener();
    LineHandlerThreadsTest::TearDown();
  }

  // The telegram as either side writes it on this link: sub id "32", no line feed.
  static std::string m_lpcs(CTM_message&& telegram, int sequence) { return m_lpcs(telegram, sequence); }
  static std::string m_lpcs(CTM_message& telegram, int sequence) {
    std::string text = c_runningPlant::m_wire(std::move(telegram), sequence);
    text.pop_back();
    return text;
  }
  template <class Request>
  static std::string m_request(const std::string& requested, int sequence) {
    Request request;
    request.m_setLPC(requested);
    return m_lpcs(request, sequence);
  }
  // The server's text of a type with that data part.
  static std::string m_server(const char* id, const std::string& data, int sequence) {
    std::unique_ptr<CTM_message> telegram = CTM_message::m_new(ctm_test::telegramText(id, 1, data));
    EXPECT_TRUE(telegram->m_isValid()) << telegram->m_getErrorText();
    return m_lpcs(*telegram, sequence);
  }
  // LPC data with one inbound and one outbound flight.
  static std::string m_lpcData() {
    return std::string(lpc) + "P" "L" "P" "LH 1234 29FEBFRA" "1" "LH 5678 01MARJFKY" "MUELLER HANS        "
                                  "ABC123" "ABCD";
  }
  // An item that reads the LPC at the point of its segment.
  void m_read(CTM_runningLs* segment, const char* point, const std::string& bitId, const std::string& read) {
    std::string id = bitId;
    CTM_runningLs::c_destinationList destinations;
    segment->m_setBITLpc(7, plant_->m_node(point), id, read, destinations);
  }
  // Accepts, answers the keep-alive; the link is up.
  void m_linkUp() {
    ASSERT_TRUE(server_.m_accept());
    ASSERT_TRUE(server_.m_expect(m_lpcs(CTM_cs00_message(), 0)));
    ASSERT_TRUE(server_.m_send(m_lpcs(CTM_sc00_message(), 0)));
  }
  // The handler placed on the TM (its senders queue on it), started and up.
  void m_placeAndBringUp() {
    plant_->m_tm()->m_placeLpcsLineHandler(handler_);
    ASSERT_TRUE(handler_->m_start());
    m_linkUp();
    ASSERT_TRUE(m_eventually([&] { return handler_->m_getInterfaceStatus() == CTM_lh::statusUp; }));
  }
  // Two items with the LPC, one in each segment, asked for (CS02 1 and 2) and
  // answered: their requests are answered (state 3).
  void m_twoAnsweredItems() {
    m_placeAndBringUp();
    m_read(plant_->m_segment(), c_lhtcPlant::entry, "AB000000001", lpc);
    m_read(other_, otherPoint, "AB000000002", lpc);
    ASSERT_TRUE(server_.m_expect(m_request<CTM_cs02_message>(lpc, 1)));
    ASSERT_TRUE(server_.m_expect(m_request<CTM_cs02_message>(lpc, 2)));
    ASSERT_TRUE(server_.m_send(m_server("SC01", m_lpcData(), 5)));
    ASSERT_TRUE(m_eventually([&] {
      return m_itemHas(plant_->m_segment(), "AB000000001", &CTM_BIT::m_getLpcRequestState, 3) &&
             m_itemHas(other_, "AB000000002", &CTM_BIT::m_getLpcRequestState, 3);
    }));
  }
  template <class Get, class Value>
  static bool m_itemHas(CTM_runningLs* segment, const std::string& id, Get get, const Value& value) {
    bool matches = false;
    segment->m_inspectBIT(id, [&](const CTM_BIT& item) { matches = (item.*get)() == value; });
    return matches;
  }

  c_fixedClock clock_{1714651387};
  std::unique_ptr<c_lhtcPlant> plant_;
  CTM_runningLs* other_ = nullptr;
  c_fakePeer server_;
  std::shared_ptr<CTM_lhlpcs> handler_;
};

// Items whose request is due (state 1: no LPCS link when they read) are asked for
// at every link-up, in segment order, before what waits in the queue.
TEST_F(LhlpcsLink, EveryLinkUpAsksForTheOpenRequestsBeforeQueuedTelegrams) {
  m_read(plant_->m_segment(), c_lhtcPlant::entry, "AB000000001", "0000000001");
  m_read(other_, otherPoint, "AB000000002", "0000000002");
  handler_->m_send(std::make_unique<CTM_cs01_message>());
  ASSERT_TRUE(handler_->m_start());
  m_linkUp();
  EXPECT_TRUE(server_.m_expect(m_request<CTM_cs02_message>("0000000001", 1)));
  EXPECT_TRUE(server_.m_expect(m_request<CTM_cs02_message>("0000000002", 2)));
  EXPECT_TRUE(server_.m_expect(m_lpcs(CTM_cs01_message(), 3)));

  server_.m_close();
  m_linkUp();
  EXPECT_TRUE(server_.m_expect(m_request<CTM_cs02_message>("0000000001", 4)));
  EXPECT_TRUE(server_.m_expect(m_request<CTM_cs02_message>("0000000002", 5)));
}

// SC01 gives each segment a record of its own for its item with the LPC; SC11 the
// FSC of each segment's item.
TEST_F(LhlpcsLink, TheServersDataAndFscReachEverySegment) {
  m_twoAnsweredItems();
  const std::string name = "MUELLER HANS        ";
  EXPECT_TRUE(m_itemHas(plant_->m_segment(), "AB000000001", &CTM_BIT::m_getPassengerName, name));
  EXPECT_TRUE(m_itemHas(other_, "AB000000002", &CTM_BIT::m_getPassengerName, name));
  ASSERT_TRUE(server_.m_send(m_server("SC11", std::string(lpc) + "P" "0042", 6)));
  EXPECT_TRUE(m_eventually([&] {
    return m_itemHas(plant_->m_segment(), "AB000000001", &CTM_BIT::m_getFSC, 42) &&
           m_itemHas(other_, "AB000000002", &CTM_BIT::m_getFSC, 42);
  }));
}

// A peer that stops answering the keep-alive ends the link: the answered requests
// are released on it before it closes, and asked for again after the reconnect.
TEST_F(LhlpcsLink, ALostLinkReleasesTheAnsweredRequestsBeforeItCloses) {
  m_twoAnsweredItems();
  m_advanceWhenWaiting(10'000);
  ASSERT_TRUE(server_.m_expect(m_lpcs(CTM_cs00_message(), 0)));
  m_advanceWhenWaiting(10'000);
  EXPECT_TRUE(server_.m_expect(m_request<CTM_cs03_message>(lpc, 3) + m_request<CTM_cs03_message>(lpc, 4)));
  EXPECT_TRUE(server_.m_expectClosed());
  m_linkUp();
  EXPECT_TRUE(server_.m_expect(m_request<CTM_cs02_message>(lpc, 5) + m_request<CTM_cs02_message>(lpc, 6)));
}

// A link the server broke carries no release: the first CS03 fails and the walk
// ends there, so it takes one sequence number, not one per item.
TEST_F(LhlpcsLink, ABrokenLinkEndsTheReleaseWalkAtTheFirstTransmit) {
  m_twoAnsweredItems();
  server_.m_close();
  m_linkUp();
  EXPECT_TRUE(server_.m_expect(m_request<CTM_cs02_message>(lpc, 4) + m_request<CTM_cs02_message>(lpc, 5)));
}

// A handler taken down while its link is up releases the answered requests on it
// before the link closes.
TEST_F(LhlpcsLink, AHandlerTakenDownReleasesTheAnsweredRequestsFirst) {
  m_twoAnsweredItems();
  plant_->m_tm()->m_placeLpcsLineHandler(nullptr);
  handler_.reset();
  EXPECT_TRUE(server_.m_expect(m_request<CTM_cs03_message>(lpc, 3) + m_request<CTM_cs03_message>(lpc, 4)));
  EXPECT_TRUE(server_.m_expectClosed());
}

}  // namespace
