// A DSTM line handler of TM31 linked to TM32 over loopback (TM32 a fake peer that
// listens): UD02 first after every connect, the hand-over telegrams from the
// out-queue, and TM32's reports of its logical connections.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "telegrams/ctm_du_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tests/links/linehandler_fixture.h"
#include "tests/support/c_fakepeer.h"
#include "tests/support/ctm_runningplant.h"
#include "tests/support/ctm_test_linehandlers.h"
#include "tests/tm/neighbour_plant.h"
#include "tm/ctm_lhdstm.h"

namespace {

std::string wire(CTM_message&& telegram, int sequence, const char* subId) {
  return c_runningPlant::m_wire(std::move(telegram), sequence, subId);
}

// A DU01 of TM32 with one group per status.
std::string connectionState(const std::string& connectId, std::initializer_list<bool> statuses) {
  CTM_du01_message state;
  state.m_setLogicalConnectID(connectId);
  for (bool status : statuses) state.m_appendConnection(0, status);
  return wire(std::move(state), 5, "32");
}

class DstmLink : public LineHandlerThreadsTest {
 protected:
  void m_setUp(const std::vector<std::string>& configLines) {
    c_lhtcPlant::m_writeFiles(home_, configLines);
    home_.m_writeSystem("TM31", {});
    ASSERT_TRUE(m_start("TM31"));
    plant_ = std::make_unique<c_neighbourPlant>();
    plant_->m_tm31()->m_placeImLineHandler(im_);
    ASSERT_TRUE(peer_.m_listen("127.0.0.1"));
    handler_ = std::make_shared<CTM_lhdstm>(plant_->m_tm31(), "TM32", "127.0.0.1", peer_.m_port());
    plant_->m_tm31()->m_placeDstmLineHandlers({{"TM32", handler_}});
  }
  void TearDown() override {
    if (plant_) plant_->m_tm31()->m_placeDstmLineHandlers({});
    handler_.reset();
    plant_.reset();
    im_.reset();
    peer_.m_close();
    peer_.m_closeListener();
    LineHandlerThreadsTest::TearDown();
  }
  // Accepts the handler's connection, answers its keep-alive and takes the UD02.
  void m_bringUp(int ud02Sequence) {
    ASSERT_TRUE(peer_.m_accept());
    ASSERT_TRUE(peer_.m_expect(keepAlive_));
    ASSERT_TRUE(peer_.m_send(wire(CTM_du00_message(), 0, "32")));
    ASSERT_TRUE(peer_.m_expect(wire(CTM_ud02_message(), ud02Sequence, "31")));
  }
  std::string m_stateOf(const char* point) const { return plant_->m_node(point)->m_getState(); }

  const std::string keepAlive_ = wire(CTM_ud00_message(), 0, "31");
  c_fakePeer peer_;
  std::shared_ptr<CTM_testServerLh> im_ = std::make_shared<CTM_testServerLh>();
  std::unique_ptr<c_neighbourPlant> plant_;
  std::shared_ptr<CTM_lhdstm> handler_;
};

TEST_F(DstmLink, UD02IsTheFirstTelegramAfterEveryConnectAheadOfQueuedItems) {
  ASSERT_NO_FATAL_FAILURE(m_setUp({c_parameterLine("P", "DSTM__WaitSecs", "120", "I", "1")}));
  auto withdrawal = std::make_unique<CTM_ud13_message>();
  withdrawal->m_setLogicalConnectID(c_neighbourPlant::connectId);
  withdrawal->m_setBIT_ID("W3112300001");
  handler_->m_send(std::move(withdrawal));
  ASSERT_TRUE(handler_->m_start());
  m_bringUp(1);
  CTM_ud13_message expected;
  expected.m_setLogicalConnectID(c_neighbourPlant::connectId);
  expected.m_setBIT_ID("W3112300001");
  EXPECT_TRUE(peer_.m_expect(wire(std::move(expected), 2, "31")));
  EXPECT_TRUE(m_eventually([&] { return handler_->m_getInterfaceStatus() == CTM_lh::statusUp; }));

  peer_.m_close();
  m_bringUp(3);
}

TEST_F(DstmLink, AStateReportSetsTheDownstreamTrackingPointOfItsConnection) {
  ASSERT_NO_FATAL_FAILURE(m_setUp({}));
  ASSERT_TRUE(handler_->m_start());
  m_bringUp(1);
  struct c_case {
    std::initializer_list<bool> statuses;
    const char* state;
  };
  for (const c_case& report : {c_case{{false, true}, "A"}, c_case{{false}, "N"}, c_case{{true}, "A"}, c_case{{}, "N"}}) {
    SCOPED_TRACE(report.statuses.size());
    ASSERT_TRUE(peer_.m_send(connectionState(c_neighbourPlant::connectId, report.statuses)));
    EXPECT_TRUE(m_eventually([&] { return m_stateOf(c_neighbourPlant::firstEntry) == report.state; }));
  }
  EXPECT_EQ(events_.m_count(ev::LH_UNKNOWN_KEY_FIELD), 0u);
}

// No segment K9999 in TM31; K3101 has no tracking point feeding a segment "9999".
TEST_F(DstmLink, AStateReportOnAnUnknownConnectionChangesNothingAndIsReported) {
  ASSERT_NO_FATAL_FAILURE(m_setUp({}));
  ASSERT_TRUE(handler_->m_start());
  m_bringUp(1);
  for (const char* connectId : {"K99993201", "K31019999"}) {
    SCOPED_TRACE(connectId);
    const std::size_t reports = im_->m_queue().m_size();
    const std::size_t events = events_.m_count(ev::LH_UNKNOWN_KEY_FIELD);
    ASSERT_TRUE(peer_.m_send(connectionState(connectId, {false})));
    // The event comes before the report.
    EXPECT_TRUE(m_eventually([&] { return im_->m_queue().m_size() == reports + 1; }));
    EXPECT_EQ(events_.m_count(ev::LH_UNKNOWN_KEY_FIELD), events + 1);
  }
  EXPECT_EQ(m_stateOf(c_neighbourPlant::firstEntry), "A");
  EXPECT_EQ(m_stateOf(c_neighbourPlant::secondEntry), "A");
  EXPECT_EQ(handler_->m_getInterfaceStatus(), CTM_lh::statusUp);
}

TEST_F(DstmLink, AnAcknowledgementIsAcceptedWithoutAnswer) {
  ASSERT_NO_FATAL_FAILURE(m_setUp({}));
  ASSERT_TRUE(handler_->m_start());
  m_bringUp(1);
  CTM_du11_message acknowledgement;
  acknowledgement.m_setLogicalConnectID(c_neighbourPlant::connectId);
  acknowledgement.m_setBIT_ID("W3112300001");
  acknowledgement.m_setConnectionID(0);
  ASSERT_TRUE(peer_.m_send(wire(std::move(acknowledgement), 2, "32")));
  EXPECT_TRUE(peer_.m_expectSilence(200));
  EXPECT_EQ(events_.m_count(ev::LH_UNEXPECTED_TELEGRAM), 0u);
}

// With an interval of one second the keep-alive follows the link-up; one left
// unanswered for another interval ends the link, which is built again.
TEST_F(DstmLink, TheKeepAliveGoesOutEveryIntervalAndAnUnansweredOneRebuildsTheLink) {
  ASSERT_NO_FATAL_FAILURE(m_setUp({c_parameterLine("P", "UD00_Interval", "120", "I", "1"),
           c_parameterLine("P", "DSTM__WaitSecs", "121", "I", "1")}));
  EXPECT_EQ(events_.m_count(ev::LH_KEEPALIVE_INTERVAL), 1u);
  ASSERT_TRUE(handler_->m_start());
  m_bringUp(1);
  EXPECT_TRUE(peer_.m_expect(keepAlive_));
  EXPECT_TRUE(peer_.m_expectClosed());
  EXPECT_TRUE(peer_.m_accept());
  EXPECT_EQ(events_.m_count(ev::LH_KEEPALIVE_INTERVAL_MISSING), 0u);
}

TEST_F(DstmLink, WithoutAnIntervalTheKeepAliveComesEveryThirtySecondsWithAnEvent) {
  ASSERT_NO_FATAL_FAILURE(m_setUp({}));
  const auto missing = m_argumentsOf(ev::LH_KEEPALIVE_INTERVAL_MISSING);
  ASSERT_EQ(missing.size(), 1u);
  EXPECT_EQ(missing[0], (std::vector<std::string>{"UD00", "30"}));
}

}  // namespace
