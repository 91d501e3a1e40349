#pragma once
// c_fakePeer: a scripted TCP peer for link tests, on loopback only. It either
// listens on an ephemeral port and accepts, or connects; then it sends exact
// bytes (whole, in pieces or trickled), expects exact bytes within a deadline,
// half-closes or closes. Written on plain POSIX sockets, independent of the
// code under test. One thread drives it.
//
//   c_fakePeer peer;
//   ASSERT_TRUE(peer.m_listen("127.0.0.1"));
//   ... the code under test connects to peer.m_port() ...
//   ASSERT_TRUE(peer.m_accept());
//   ASSERT_TRUE(peer.m_send("MT000100000001\n"));
//   EXPECT_TRUE(peer.m_expect("TM000100000001\n"));

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class c_fakePeer {
 public:
  static constexpr int defaultTimeoutMs = 5000;

  c_fakePeer() = default;
  ~c_fakePeer();
  c_fakePeer(const c_fakePeer&) = delete;
  c_fakePeer& operator=(const c_fakePeer&) = delete;

  // Listens on address with an ephemeral port (m_port).
  ::testing::AssertionResult m_listen(const std::string& address = "127.0.0.1");
  int m_port() const { return port_; }
  // Accepts the next connection within the time; a connection held before is closed.
  ::testing::AssertionResult m_accept(int timeoutMs = defaultTimeoutMs);
  // Connects to address and port; from a given local address (a 127.0.0.x one, say) when from is set.
  ::testing::AssertionResult m_connect(const std::string& address, int port, const std::string& from = "");
  bool m_isConnected() const { return connection_ >= 0; }
  // The receive buffer of the connections made from here on (a peer that stops
  // reading fills it soon); 0: the system's.
  void m_setReceiveBuffer(int bytes) { receiveBuffer_ = bytes; }

  ::testing::AssertionResult m_send(std::string_view bytes);
  // The bytes in pieces of the given sizes (the rest as a last piece), pauseMs apart.
  ::testing::AssertionResult m_sendInPieces(std::string_view bytes, const std::vector<std::size_t>& sizes,
                                            int pauseMs);
  // One byte at a time, pauseMs apart.
  ::testing::AssertionResult m_trickle(std::string_view bytes, int pauseMs);

  // Exactly these bytes must arrive next, within the time.
  ::testing::AssertionResult m_expect(std::string_view bytes, int timeoutMs = defaultTimeoutMs);
  // Whatever arrives within the time, up to count bytes.
  std::string m_receive(std::size_t count, int timeoutMs);
  // The next line, line feed included; what arrived of it when the time runs out or the link ends.
  std::string m_receiveLine(int timeoutMs = defaultTimeoutMs);
  // No byte arrives within the time (the link may stay open).
  ::testing::AssertionResult m_expectSilence(int timeoutMs);
  // The other side closes (end of stream, or reset) within the time; bytes before it are skipped.
  ::testing::AssertionResult m_expectClosed(int timeoutMs = defaultTimeoutMs);

  // No more sending from here (shutdown of the write side); receiving goes on.
  void m_halfClose();
  void m_close();
  void m_closeListener();

 private:
  int listener_ = -1;
  int connection_ = -1;
  int port_ = 0;
  int receiveBuffer_ = 0;
};
