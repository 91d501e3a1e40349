// A USTM line handler of TM32 serving TM31 over loopback, handed the socket as the
// TM listener hands it: announced, updated and withdrawn items, the state of the
// logical connections, and the not-available report at the end of a link.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "telegrams/ctm_du_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tests/links/linehandler_fixture.h"
#include "tests/support/c_fakepeer.h"
#include "tests/support/ctm_test_linehandlers.h"
#include "tests/tm/neighbour_plant.h"
#include "tm/ctm_lhustm.h"
#include "tracking/ctm_bit.h"

namespace {

// The telegram as written with that sequence number and sub id.
std::string wire(CTM_message& telegram, int sequence, const char* subId) {
  telegram.m_setSeqNo(sequence);
  telegram.m_setSubId(subId);
  std::string text;
  telegram.m_serialize(text);
  return text;
}

template <class Telegram>
std::string itemTelegram(const std::string& connectId, const std::string& bitId, const std::string& lpc, int sequence) {
  Telegram telegram;
  telegram.m_setLogicalConnectID(connectId);
  CTM_itemData item;
  item.m_setBIT_ID(bitId);
  item.m_setLPC(lpc);
  telegram.m_setBIT(item);
  return wire(telegram, sequence, "31");
}

std::string connectionState(const std::string& connectId, bool available, int sequence) {
  CTM_du01_message state;
  state.m_setLogicalConnectID(connectId);
  state.m_appendConnection(0, available);
  return wire(state, sequence, "32");
}

class UstmLink : public LineHandlerThreadsTest {
 protected:
  static constexpr const char* bitId = "W3112300001";

  void SetUp() override {
    LineHandlerThreadsTest::SetUp();
    c_lhtcPlant::m_writeFiles(home_, {});
    ASSERT_TRUE(m_start("TM32"));
    plant_ = std::make_unique<c_neighbourPlant>();
    ASSERT_TRUE(plant_->m_startEntry());
    plant_->m_tm32()->m_placeImLineHandler(im_);
    plant_->m_tm32()->m_placeUstmLineHandlers({{"TM31", std::make_shared<CTM_lhustm>(plant_->m_tm32(), "TM31")}});
    handler_ = std::dynamic_pointer_cast<CTM_lhustm>(plant_->m_tm32()->m_findUstmLh("TM31"));
    ASSERT_NE(handler_, nullptr);
  }
  void TearDown() override {
    handler_.reset();
    plant_.reset();
    im_.reset();
    LineHandlerThreadsTest::TearDown();
  }
  void m_bringUp(c_fakePeer& peer) {
    ASSERT_TRUE(handler_->m_acceptConnection(m_acceptedFrom(peer)));
    CTM_ud00_message keepAlive;
    CTM_du00_message answer;
    ASSERT_TRUE(peer.m_send(wire(keepAlive, 0, "31")));
    ASSERT_TRUE(peer.m_expect(wire(answer, 0, "32")));
    ASSERT_TRUE(m_eventually([&] { return handler_->m_getInterfaceStatus() == CTM_lh::statusUp; }));
  }
  bool m_holds(const std::string& id, bool& announced, std::string& lpc) const {
    return plant_->m_entry()->m_inspectBIT(id, [&](const CTM_BIT& item) {
      announced = item.m_isAnnounced();
      lpc = item.m_getLPC();
    });
  }
  // The answer of an item telegram, as the handler writes it.
  static std::string m_acknowledgement(const std::string& connectId, const std::string& id, int sequence) {
    CTM_du11_message answer;
    answer.m_setLogicalConnectID(connectId);
    answer.m_setBIT_ID(id);
    answer.m_setConnectionID(0);
    return wire(answer, sequence, "32");
  }

  std::shared_ptr<CTM_testServerLh> im_ = std::make_shared<CTM_testServerLh>();
  std::unique_ptr<c_neighbourPlant> plant_;
  std::shared_ptr<CTM_lhustm> handler_;
};

// X3201 comes first and shares the name characters, but K3101 feeds only E3201.
TEST_F(UstmLink, AnAnnouncedItemEntersTheSegmentOfItsConnectionAndIsAcknowledged) {
  c_fakePeer peer;
  m_bringUp(peer);
  ASSERT_TRUE(peer.m_send(itemTelegram<CTM_ud11_message>(c_neighbourPlant::connectId, bitId, "0123456789", 17)));
  EXPECT_TRUE(peer.m_expect(m_acknowledgement(c_neighbourPlant::connectId, bitId, 17)));
  bool announced = false;
  std::string lpc;
  ASSERT_TRUE(m_holds(bitId, announced, lpc));
  EXPECT_TRUE(announced);
  EXPECT_EQ(lpc, "0123456789");
}

TEST_F(UstmLink, AnUpdateGivesAKnownItemTheNewDataAndIsAcknowledged) {
  c_fakePeer peer;
  m_bringUp(peer);
  ASSERT_TRUE(peer.m_send(itemTelegram<CTM_ud11_message>(c_neighbourPlant::connectId, bitId, "0123456789", 1)));
  ASSERT_TRUE(peer.m_expect(m_acknowledgement(c_neighbourPlant::connectId, bitId, 1)));
  ASSERT_TRUE(peer.m_send(itemTelegram<CTM_ud12_message>(c_neighbourPlant::connectId, bitId, "9876543210", 2)));
  EXPECT_TRUE(peer.m_expect(m_acknowledgement(c_neighbourPlant::connectId, bitId, 2)));
  bool announced = false;
  std::string lpc;
  ASSERT_TRUE(m_holds(bitId, announced, lpc));
  EXPECT_EQ(lpc, "9876543210");
  EXPECT_EQ(plant_->m_entry()->m_getItemCount(), 1u);
}

// A connect id naming no segment, or one none of whose predecessors is its upstream segment.
TEST_F(UstmLink, AnItemOnAnUnknownConnectionIsDroppedWithAnEventAndAReport) {
  c_fakePeer peer;
  m_bringUp(peer);
  int sequence = 0;
  for (const char* connectId : {"K31019999", "Q99993201"}) {
    SCOPED_TRACE(connectId);
    const std::size_t events = events_.m_count(ev::LH_UNKNOWN_KEY_FIELD);
    const std::size_t reports = im_->m_queue().m_size();
    ASSERT_TRUE(peer.m_send(itemTelegram<CTM_ud11_message>(connectId, bitId, "0123456789", ++sequence)));
    // The event comes before the report.
    EXPECT_TRUE(m_eventually([&] { return im_->m_queue().m_size() == reports + 1; }));
    EXPECT_EQ(events_.m_count(ev::LH_UNKNOWN_KEY_FIELD), events + 1);
  }
  EXPECT_TRUE(peer.m_expectSilence(200));
  EXPECT_EQ(plant_->m_entry()->m_getItemCount(), 0u);
  EXPECT_EQ(handler_->m_getInterfaceStatus(), CTM_lh::statusUp);
}

TEST_F(UstmLink, AWithdrawalRemovesTheAnnouncedItemAndNeitherItNorACountIsAnswered) {
  c_fakePeer peer;
  m_bringUp(peer);
  ASSERT_TRUE(peer.m_send(itemTelegram<CTM_ud11_message>(c_neighbourPlant::connectId, bitId, "0123456789", 1)));
  ASSERT_TRUE(peer.m_expect(m_acknowledgement(c_neighbourPlant::connectId, bitId, 1)));
  CTM_ud01_message count;
  count.m_setLS_ID("K3101");
  count.m_setBaggageCount(3);
  CTM_ud13_message withdrawal;
  withdrawal.m_setLogicalConnectID(c_neighbourPlant::connectId);
  withdrawal.m_setBIT_ID(bitId);
  ASSERT_TRUE(peer.m_send(wire(count, 2, "31") + wire(withdrawal, 3, "31")));
  EXPECT_TRUE(m_eventually([&] { return plant_->m_entry()->m_getItemCount() == 0; }));
  EXPECT_TRUE(peer.m_expectSilence(200));
  EXPECT_EQ(events_.m_count(ev::LH_UNEXPECTED_TELEGRAM), 0u);
}

// E0002 is fed from TM30: not reported to TM31.
TEST_F(UstmLink, AStateRequestIsAnsweredPerLinkedTrackingPointWithItsSequenceNumber) {
  plant_->m_node(c_neighbourPlant::secondEntry)->m_setState("N");
  c_fakePeer peer;
  m_bringUp(peer);
  CTM_ud02_message request;
  ASSERT_TRUE(peer.m_send(wire(request, 42, "31")));
  EXPECT_TRUE(peer.m_expect(connectionState("K31013201", true, 42) + connectionState("K31013201", false, 42)));
  EXPECT_TRUE(peer.m_expectSilence(200));
}

TEST_F(UstmLink, AQueuedStateReportGoesOutWithTheNextSequenceNumber) {
  c_fakePeer peer;
  m_bringUp(peer);
  auto state = std::make_unique<CTM_du01_message>();
  state->m_setLogicalConnectID(c_neighbourPlant::connectId);
  state->m_appendConnection(0, false);
  handler_->m_send(std::move(state));
  EXPECT_TRUE(peer.m_expect(connectionState(c_neighbourPlant::connectId, false, 1)));
}

// The report goes out after the event loop and before the connection closes.
TEST_F(UstmLink, AStopWhileTheLinkIsUpReportsEveryConnectionNotAvailableThenCloses) {
  c_fakePeer peer;
  m_bringUp(peer);
  plant_->m_tm32()->m_placeUstmLineHandlers({});
  handler_->m_shutdown();
  EXPECT_TRUE(peer.m_expect(connectionState("K31013201", false, 1) + connectionState("K31013201", false, 2)));
  EXPECT_TRUE(peer.m_expectClosed());
}

// The old link hears no report; the new one numbers on from where the links
// were, and a DU01 from the upstream TM is not sent back.
TEST_F(UstmLink, AReconnectionReplacesTheOldLinkSilentlyAndTheLinkSendsNoDu01Back) {
  c_fakePeer old;
  m_bringUp(old);
  c_fakePeer peer;
  m_bringUp(peer);
  EXPECT_EQ(old.m_receive(1, 5000), "");
  ASSERT_TRUE(peer.m_send(connectionState(c_neighbourPlant::connectId, true, 7)));
  EXPECT_TRUE(m_eventually([&] { return events_.m_count(ev::LH_UNEXPECTED_TELEGRAM) == 1; }));
  auto state = std::make_unique<CTM_du01_message>();
  state->m_setLogicalConnectID(c_neighbourPlant::connectId);
  state->m_appendConnection(0, false);
  handler_->m_send(std::move(state));
  EXPECT_TRUE(peer.m_expect(connectionState(c_neighbourPlant::connectId, false, 1)));
}

TEST_F(UstmLink, AnUpstreamTmThatLeftEndsThePassWithoutWaiting) {
  c_fakePeer peer;
  m_bringUp(peer);
  peer.m_close();
  EXPECT_TRUE(m_eventually([&] { return !handler_->m_isRunning(); }, 2000));
  EXPECT_EQ(handler_->m_getInterfaceStatus(), CTM_lh::statusDown);
}

// Bytes no upstream TM sends end the link with an event, whatever its state;
// a telegram of another link's pair is dropped and the link stays. The upstream
// TM is served again on its next connection.
TEST_F(UstmLink, HostileBytesEndTheLinkWithAnEventAndTheNextConnectionIsServed) {
  struct c_case {
    const char* name;
    std::string bytes;
    unsigned event;
    bool linkEnds;
  };
  const c_case cases[] = {
      {"random bytes", std::string("\x13\xff\x00garbage\x7f\x80\n!!!!!", 18), ev::TCP_BAD_HEADER, true},
      {"10 MB without a line feed", "UD0101020053101234" + std::string(10 << 20, 'x'), ev::TCP_BAD_TRAILER, true},
      {"a controller's keep-alive", "TCTM00010000031\n", ev::LH_UNEXPECTED_TELEGRAM, false},
  };
  for (const c_case& hostile : cases) {
    SCOPED_TRACE(hostile.name);
    events_.m_clear();
    c_fakePeer peer;
    m_bringUp(peer);
    (void)peer.m_send(hostile.bytes);
    EXPECT_TRUE(m_eventually([&] { return events_.m_count(hostile.event) >= 1; }));
    if (hostile.linkEnds) {
      EXPECT_TRUE(peer.m_expectClosed());
      EXPECT_TRUE(m_eventually([&] { return !handler_->m_isRunning(); }));
    } else {
      CTM_ud00_message keepAlive;
      CTM_du00_message answer;
      ASSERT_TRUE(peer.m_send(wire(keepAlive, 0, "31")));
      EXPECT_TRUE(peer.m_expect(wire(answer, 0, "32")));
    }
  }
  EXPECT_EQ(plant_->m_entry()->m_getItemCount(), 0u);
}

}  // namespace
