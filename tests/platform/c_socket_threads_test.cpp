// A send to a peer that stops reading: once both socket buffers are full the send
// waits, and must give up at its deadline or at once when its stop event is set,
// never holding the sending thread for good.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/c_clock.h"
#include "platform/c_eventwaitable.h"
#include "platform/c_socket.h"
#include "tests/support/c_resourcebaseline.h"

namespace {

class SocketToAPeerThatDoesNotRead : public ::testing::Test {
 protected:
  void SetUp() override {
    std::uint32_t loopback = 0;
    ASSERT_TRUE(c_parseDottedAddress("127.0.0.1", loopback));
    c_socket listening;
    c_socketFailure failure;
    ASSERT_TRUE(c_socket::m_listen(loopback, 0, 1, listening, failure));
    ASSERT_EQ(c_socket::m_connect(loopback, loopback, listening.m_localPort(), 4096, 2000, nullptr, sender_, failure),
              c_socketResult::done);
    ASSERT_EQ(listening.m_waitReadable(c_clock::m_monotonicMilliseconds() + 2000, nullptr, failure),
              c_socketResult::done);
    std::uint32_t peerAddress = 0;
    ASSERT_EQ(listening.m_accept(silentPeer_, peerAddress, failure), c_socketResult::done);
    c_bufferSizeFailures refused;
    ASSERT_TRUE(silentPeer_.m_setBufferSizes(4096, 4096, refused));
  }
  void TearDown() override {
    c_socketFailure failure;
    sender_.m_close(failure);
    silentPeer_.m_close(failure);
    EXPECT_TRUE(baseline_.m_isBack());
  }

  c_resourceBaseline baseline_;
  c_socket sender_;
  c_socket silentPeer_;
  // Far more than the two buffers hold.
  const std::string bulk_ = std::string(16 * 1024 * 1024, 'x');
};

TEST_F(SocketToAPeerThatDoesNotRead, TheSendGivesUpAtItsDeadline) {
  c_eventWaitable stop;
  std::size_t sent = 0;
  c_socketFailure failure;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(sender_.m_sendAll(bulk_, c_clock::m_monotonicMilliseconds() + 200, &stop, sent, failure),
            c_socketResult::timedOut);
  EXPECT_LT(sent, bulk_.size());
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST_F(SocketToAPeerThatDoesNotRead, TheStopEventEndsASendWithoutDeadline) {
  c_eventWaitable stop;
  c_socketResult result = c_socketResult::done;
  std::size_t sent = 0;
  std::thread sending([&] {
    c_socketFailure failure;
    result = sender_.m_sendAll(bulk_, -1, &stop, sent, failure);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  stop.m_set();
  sending.join();
  EXPECT_EQ(result, c_socketResult::stopped);
  EXPECT_LT(sent, bulk_.size());
}

}  // namespace
