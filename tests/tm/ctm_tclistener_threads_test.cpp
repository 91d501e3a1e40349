// The TC listener's choice of controller: the first in the order of the TM's
// segments and their controllers whose address matches the peer, through that
// controller's published line handler.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "telegrams/ctm_tctm_message.h"
#include "telegrams/ctm_tmtc_message.h"
#include "tests/links/linehandler_fixture.h"
#include "tm/ctm_lhtc.h"
#include "tm/ctm_runningtc.h"
#include "tm/ctm_runningtm.h"
#include "tm/ctm_tclistener.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_world.h"

namespace {

class TcListener : public LineHandlerThreadsTest {
 protected:
  void SetUp() override {
    LineHandlerThreadsTest::SetUp();
    world_ = std::make_unique<CTM_world>();
    tm_ = m_add(std::make_unique<CTM_runningTm>("TM32"));
    // Two segments whose controllers share the address of the loopback peer.
    for (const char* id : {"E3201", "L3202"}) m_add(std::make_unique<CTM_ls>(id));
    first_ = m_add(std::make_unique<CTM_runningTc>("TC3201", "127.0.0.1"));
    second_ = m_add(std::make_unique<CTM_runningTc>("TC3202", "127.0.0.1"));
    world_->m_insertEdge("TM32", "E3201", 0);
    world_->m_insertEdge("TM32", "L3202", 0);
    world_->m_insertEdge("E3201", "TC3201", 0);
    world_->m_insertEdge("L3202", "TC3202", 0);
  }
  void TearDown() override {
    listener_.reset();
    world_.reset();
    LineHandlerThreadsTest::TearDown();
  }

  template <class T>
  T* m_add(std::unique_ptr<T> node) {
    T* raw = node.get();
    world_->m_insertNode(std::move(node));
    return raw;
  }
  void m_listen(CTM_tm* owner) {
    listener_ = std::make_unique<CTM_tcListener>(owner);
    ASSERT_TRUE(listener_->m_open(0, "127.0.0.1"));
    ASSERT_TRUE(listener_->m_start());
  }
  static std::string m_wire(CTM_message&& telegram) {
    telegram.m_setSeqNo(0);
    telegram.m_setSubId("32");
    std::string text;
    telegram.m_serialize(text);
    return text;
  }

  std::unique_ptr<CTM_world> world_;
  CTM_runningTm* tm_ = nullptr;
  CTM_runningTc* first_ = nullptr;
  CTM_runningTc* second_ = nullptr;
  std::unique_ptr<CTM_tcListener> listener_;
};

TEST_F(TcListener, TheFirstControllerInSegmentOrderGetsEveryConnectionOfItsAddress) {
  for (CTM_runningTc* controller : {first_, second_}) ASSERT_TRUE(controller->m_init("NNNNNYN", false));
  m_listen(tm_);
  for (int connection = 0; connection < 2; ++connection) {
    c_fakePeer peer;
    ASSERT_TRUE(peer.m_connect("127.0.0.1", listener_->m_getPort()));
    ASSERT_TRUE(peer.m_send(m_wire(CTM_tctm00_message())));
    EXPECT_TRUE(peer.m_expect(m_wire(CTM_tmtc00_message())));
  }
  EXPECT_TRUE(first_->m_getTcLineHandler()->m_isRunning());
  EXPECT_FALSE(second_->m_getTcLineHandler()->m_isRunning());
}

// A peer that no controller matches (here by its name), and any peer of a
// listener without owner: closed, with an event.
TEST_F(TcListener, APeerNoControllerTakesIsClosed) {
  for (CTM_runningTc* controller : {first_, second_}) controller->m_setAddress("127.0.0.5");
  m_listen(tm_);
  c_fakePeer stranger;
  ASSERT_TRUE(stranger.m_connect("127.0.0.1", listener_->m_getPort()));
  EXPECT_TRUE(stranger.m_expectClosed());
  EXPECT_EQ(m_argumentsOf(ev::LS_NO_CONTROLLER_NAMED), (std::vector<std::vector<std::string>>{{"localhost"}}));

  m_listen(nullptr);
  c_fakePeer orphan;
  ASSERT_TRUE(orphan.m_connect("127.0.0.1", listener_->m_getPort()));
  EXPECT_TRUE(orphan.m_expectClosed());
  EXPECT_EQ(events_.m_count(ev::LS_PEER_CLOSED), 2u);
}

}  // namespace
