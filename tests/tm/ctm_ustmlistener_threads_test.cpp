// The TM listener's choice of upstream TM: the predecessor of the TM whose address
// matches the peer gets the socket through its published USTM line handler.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "links/c_tcplistener.h"
#include "telegrams/ctm_du_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tests/links/linehandler_fixture.h"
#include "tests/tm/neighbour_plant.h"
#include "tm/ctm_lhustm.h"
#include "tm/ctm_ustmlistener.h"

namespace {

std::string wire(CTM_message&& telegram, const char* subId) {
  telegram.m_setSeqNo(0);
  telegram.m_setSubId(subId);
  std::string text;
  telegram.m_serialize(text);
  return text;
}

class UstmListener : public LineHandlerThreadsTest {
 protected:
  void SetUp() override {
    LineHandlerThreadsTest::SetUp();
    plant_ = std::make_unique<c_neighbourPlant>();
    tm31_ = static_cast<CTM_tm*>(plant_->m_node("TM31"));
    tm31_->m_setAddress("127.0.0.31");
    static_cast<CTM_tm*>(plant_->m_node("TM30"))->m_setAddress("127.0.0.30");
    // TM30 is a predecessor too, but only TM31's line handler exists.
    plant_->m_tm32()->m_placeUstmLineHandlers({{"TM31", std::make_shared<CTM_lhustm>(plant_->m_tm32(), "TM31")}});
    listener_ = std::make_unique<CTM_ustmListener>(plant_->m_tm32());
    ASSERT_TRUE(listener_->m_open(0, "127.0.0.1"));
    ASSERT_TRUE(listener_->m_start());
  }
  void TearDown() override {
    listener_.reset();
    if (plant_) plant_->m_tm32()->m_placeUstmLineHandlers({});
    plant_.reset();
    LineHandlerThreadsTest::TearDown();
  }

  std::unique_ptr<c_neighbourPlant> plant_;
  CTM_tm* tm31_ = nullptr;
  std::unique_ptr<CTM_ustmListener> listener_;
};

TEST_F(UstmListener, AnUpstreamTmReachesItsOwnLineHandler) {
  c_fakePeer peer;
  ASSERT_TRUE(peer.m_connect("127.0.0.1", listener_->m_getPort(), "127.0.0.31"));
  ASSERT_TRUE(peer.m_send(wire(CTM_ud00_message(), "31")));
  EXPECT_TRUE(peer.m_expect(wire(CTM_du00_message(), "32")));
  EXPECT_TRUE(plant_->m_tm32()->m_findUstmLh("TM31")->m_isRunning());
}

// TM30 matches but has no line handler; 127.0.0.33 is no predecessor of TM32.
TEST_F(UstmListener, APeerThatNoLineHandlerTakesIsClosedWithAnEvent) {
  c_fakePeer withoutHandler;
  ASSERT_TRUE(withoutHandler.m_connect("127.0.0.1", listener_->m_getPort(), "127.0.0.30"));
  EXPECT_TRUE(withoutHandler.m_expectClosed());
  EXPECT_EQ(m_argumentsOf(ev::LS_UPSTREAM_TM_NOT_STARTED), (std::vector<std::vector<std::string>>{{"TM30", "127.0.0.30"}}));

  c_fakePeer stranger;
  ASSERT_TRUE(stranger.m_connect("127.0.0.1", listener_->m_getPort(), "127.0.0.33"));
  EXPECT_TRUE(stranger.m_expectClosed());
  EXPECT_EQ(events_.m_count(ev::LS_NO_UPSTREAM_TM_ADDRESS) + events_.m_count(ev::LS_NO_UPSTREAM_TM_NAMED), 1u);
  EXPECT_FALSE(plant_->m_tm32()->m_findUstmLh("TM31")->m_isRunning());
}

}  // namespace
