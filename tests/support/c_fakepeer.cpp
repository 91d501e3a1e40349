#include "tests/support/c_fakepeer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

using clock_type = std::chrono::steady_clock;

::testing::AssertionResult failure(const std::string& what) {
  return ::testing::AssertionFailure() << what << ": " << std::strerror(errno);
}

bool addressOf(const std::string& address, int port, sockaddr_in& out) {
  out = {};
  out.sin_family = AF_INET;
  out.sin_port = htons(static_cast<std::uint16_t>(port));
  return ::inet_pton(AF_INET, address.c_str(), &out.sin_addr) == 1;
}

void closeDescriptor(int& descriptor) {
  if (descriptor >= 0) ::close(descriptor);
  descriptor = -1;
}

// Milliseconds left until the deadline, at least 0.
int leftUntil(clock_type::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock_type::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool readable(int descriptor, int timeoutMs) {
  pollfd entry{descriptor, POLLIN, 0};
  return ::poll(&entry, 1, timeoutMs) > 0;
}

std::string visible(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\n') out += "\\n";
    else if (c < 32 || c > 126) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else out += static_cast<char>(c);
  }
  return out;
}

// No delay; and a send that the other side never takes in fails after a while
// instead of holding the test.
void setOptions(int descriptor) {
  const int on = 1;
  ::setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  const timeval sendLimit{20, 0};
  ::setsockopt(descriptor, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
}

}  // namespace

c_fakePeer::~c_fakePeer() {
  m_close();
  m_closeListener();
}

::testing::AssertionResult c_fakePeer::m_listen(const std::string& address) {
  m_closeListener();
  sockaddr_in local;
  if (!addressOf(address, 0, local)) return ::testing::AssertionFailure() << "not an address: " << address;
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) return failure("socket");
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) return failure("bind");
  if (::listen(listener_, 8) != 0) return failure("listen");
  socklen_t length = sizeof local;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length);
  port_ = ntohs(local.sin_port);
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult c_fakePeer::m_accept(int timeoutMs) {
  m_close();
  if (listener_ < 0) return ::testing::AssertionFailure() << "not listening";
  if (!readable(listener_, timeoutMs)) return ::testing::AssertionFailure() << "no connection within " << timeoutMs << " ms";
  connection_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (connection_ < 0) return failure("accept");
  setOptions(connection_);
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult c_fakePeer::m_connect(const std::string& address, int port, const std::string& from) {
  m_close();
  sockaddr_in remote;
  if (!addressOf(address, port, remote)) return ::testing::AssertionFailure() << "not an address: " << address;
  sockaddr_in local;
  if (!from.empty() && !addressOf(from, 0, local)) return ::testing::AssertionFailure() << "not an address: " << from;
  connection_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (connection_ < 0) return failure("socket");
  if (receiveBuffer_ > 0) ::setsockopt(connection_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer_, sizeof receiveBuffer_);
  if (!from.empty() && ::bind(connection_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    ::testing::AssertionResult result = failure("bind");
    closeDescriptor(connection_);
    return result;
  }
  if (::connect(connection_, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
    ::testing::AssertionResult result = failure("connect");
    closeDescriptor(connection_);
    return result;
  }
  setOptions(connection_);
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult c_fakePeer::m_send(std::string_view bytes) {
  if (connection_ < 0) return ::testing::AssertionFailure() << "not connected";
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(connection_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return failure("send");
    sent += static_cast<std::size_t>(n);
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult c_fakePeer::m_sendInPieces(std::string_view bytes, const std::vector<std::size_t>& sizes,
                                                      int pauseMs) {
  std::size_t at = 0;
  for (std::size_t size : sizes) {
    if (at >= bytes.size()) break;
    if (at > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    const std::string_view piece = bytes.substr(at, size);
    if (::testing::AssertionResult sent = m_send(piece); !sent) return sent;
    at += piece.size();
  }
  if (at < bytes.size()) {
    if (at > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    return m_send(bytes.substr(at));
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult c_fakePeer::m_trickle(std::string_view bytes, int pauseMs) {
  return m_sendInPieces(bytes, std::vector<std::size_t>(bytes.size(), 1), pauseMs);
}

std::string c_fakePeer::m_receive(std::size_t count, int timeoutMs) {
  std::string out;
  if (connection_ < 0) return out;
  const auto deadline = clock_type::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[4096];
  while (out.size() < count) {
    if (!readable(connection_, leftUntil(deadline))) break;
    const ssize_t n = ::recv(connection_, buffer, std::min(sizeof buffer, count - out.size()), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  return out;
}

std::string c_fakePeer::m_receiveLine(int timeoutMs) {
  std::string out;
  if (connection_ < 0) return out;
  const auto deadline = clock_type::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[4096];
  while (out.empty() || out.back() != '\n') {
    if (!readable(connection_, leftUntil(deadline))) break;
    // Looks first, so that nothing past the line is taken.
    const ssize_t seen = ::recv(connection_, buffer, sizeof buffer, MSG_PEEK);
    if (seen < 0 && errno == EINTR) continue;
    if (seen <= 0) break;
    const void* end = std::memchr(buffer, '\n', static_cast<std::size_t>(seen));
    const std::size_t take =
        end ? static_cast<std::size_t>(static_cast<const char*>(end) - buffer) + 1 : static_cast<std::size_t>(seen);
    const ssize_t n = ::recv(connection_, buffer, take, 0);
    if (n <= 0) break;
    out.append(buffer, static_cast<std::size_t>(n));
  }
  return out;
}

::testing::AssertionResult c_fakePeer::m_expect(std::string_view bytes, int timeoutMs) {
  if (connection_ < 0) return ::testing::AssertionFailure() << "not connected";
  const std::string got = m_receive(bytes.size(), timeoutMs);
  if (got == bytes) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expected \"" << visible(bytes) << "\" within " << timeoutMs
                                       << " ms, got \"" << visible(got) << "\"";
}

::testing::AssertionResult c_fakePeer::m_expectSilence(int timeoutMs) {
  if (connection_ < 0) return ::testing::AssertionFailure() << "not connected";
  char byte;
  if (readable(connection_, timeoutMs) && ::recv(connection_, &byte, 1, MSG_PEEK) > 0)
    return ::testing::AssertionFailure() << "bytes arrived: \"" << visible(m_receive(4096, 0)) << "\"";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult c_fakePeer::m_expectClosed(int timeoutMs) {
  if (connection_ < 0) return ::testing::AssertionFailure() << "not connected";
  const auto deadline = clock_type::now() + std::chrono::milliseconds(timeoutMs);
  char buffer[4096];
  for (;;) {
    if (!readable(connection_, leftUntil(deadline)))
      return ::testing::AssertionFailure() << "still open after " << timeoutMs << " ms";
    const ssize_t n = ::recv(connection_, buffer, sizeof buffer, 0);
    if (n == 0 || (n < 0 && errno != EINTR)) return ::testing::AssertionSuccess();
  }
}

void c_fakePeer::m_halfClose() {
  if (connection_ >= 0) ::shutdown(connection_, SHUT_WR);
}

void c_fakePeer::m_close() { closeDescriptor(connection_); }

void c_fakePeer::m_closeListener() {
  closeDescriptor(listener_);
  port_ = 0;
}
