#pragma once
// The fixture of the threaded line-handler and listener tests: a configuration,
// an event recorder, the process's threads and descriptors checked back at
// their baseline at the end, and small helpers to wait for a running handler.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/c_socket.h"
#include "platform/c_waitable.h"
#include "telegrams/ctm_message.h"
#include "tests/core/config_fixture.h"
#include "tests/support/c_fakepeer.h"
#include "tests/support/c_resourcebaseline.h"

class LineHandlerThreadsTest : public ConfigFixture {
 protected:
  void TearDown() override {
    EXPECT_TRUE(baseline_.m_isBack());
    ConfigFixture::TearDown();
  }

  // Whether the condition held within the time (real time, polled).
  static bool m_eventually(const std::function<bool()>& condition, int timeoutMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  // Waits until a thread waits on the fixed monotonic clock with a wait that began
  // after the last move of the clock, and the condition holds.
  void m_awaitNewTimedWait(const std::function<bool()>& ready = [] { return true; }) {
    ASSERT_TRUE(m_eventually(
        [&] { return c_timedWaitsEntered() > waitsSeen_ && c_timedWaiterCount() >= 1 && ready(); }));
  }
  // Moves the clock on for that wait: never for a wait that has already ended.
  void m_advanceWhenWaiting(std::int64_t milliseconds, const std::function<bool()>& ready = [] { return true; }) {
    m_awaitNewTimedWait(ready);
    waitsSeen_ = c_timedWaitsEntered();
    c_clock::m_advanceMonotonic(milliseconds);
  }
  // The telegram as the handler writes it: sequence number and sub id "01".
  static std::string m_wire(CTM_message&& telegram, int sequence) {
    telegram.m_setSeqNo(sequence);
    telegram.m_setSubId("01");
    std::string text;
    telegram.m_serialize(text);
    return text;
  }
  // A socket as a listener accepts it, from a peer that connects to 127.0.0.1.
  static c_socket m_acceptedFrom(c_fakePeer& peer) {
    c_socket listening;
    c_socket accepted;
    c_socketFailure failure;
    std::uint32_t loopback = 0;
    c_parseDottedAddress("127.0.0.1", loopback);
    EXPECT_TRUE(c_socket::m_listen(loopback, 0, 1, listening, failure));
    EXPECT_TRUE(peer.m_connect("127.0.0.1", listening.m_localPort()));
    std::uint32_t peerAddress = 0;
    EXPECT_EQ(listening.m_waitReadable(-1, nullptr, failure), c_socketResult::done);
    EXPECT_EQ(listening.m_accept(accepted, peerAddress, failure), c_socketResult::done);
    return accepted;
  }

  c_resourceBaseline baseline_;
  std::uint64_t waitsSeen_ = 0;
};
