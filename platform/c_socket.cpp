#include "platform/c_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <resolv.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/c_clock.h"
#include "platform/c_errortext.h"
#include "platform/c_waitable.h"

namespace {

sockaddr_in socketAddress(std::uint32_t address, int port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_port = htons(static_cast<std::uint16_t>(port));
  result.sin_addr.s_addr = htonl(address);
  return result;
}

bool fail(c_socketFailure& failure, const char* call, int error = errno) {
  failure.error = error;
  failure.call = call;
  return false;
}

c_socketResult failed(c_socketFailure& failure, const char* call, int error = errno) {
  fail(failure, call, error);
  return c_socketResult::failed;
}

bool setNonBlocking(int descriptor) {
  const int flags = fcntl(descriptor, F_GETFL, 0);
  return flags >= 0 && fcntl(descriptor, F_SETFL, flags | O_NONBLOCK) == 0;
}

bool setNoDelay(int descriptor) {
  const int on = 1;
  return setsockopt(descriptor, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0;
}

// Milliseconds left until the deadline (never below 0), or -1 for no deadline.
std::int64_t remainingMs(std::int64_t deadlineMs) {
  if (deadlineMs < 0) return -1;
  const std::int64_t left = deadlineMs - c_clock::m_monotonicMilliseconds();
  return left > 0 ? left : 0;
}

// Waits until the descriptor shows one of the events, one of the objects is ready
// (stopped, with its index in `ready`) or the deadline passes.
c_socketResult waitForDescriptor(int descriptor, short events, std::int64_t deadlineMs, c_waitable* const* objects,
                                 std::size_t count, std::size_t& ready, c_socketFailure& failure) {
  for (;;) {
    errno = 0;
    const int result = c_waitForAnyOrDescriptor(objects, count, descriptor, events, remainingMs(deadlineMs));
    if (result >= 0) {
      ready = static_cast<std::size_t>(result);
      return c_socketResult::stopped;
    }
    if (result == c_waitDescriptorReady) return c_socketResult::done;
    if (result == c_waitFailed) return failed(failure, "poll()", errno != 0 ? errno : EBADF);
    // Timed out: a test clock may have been moved meanwhile, so look again.
    if (remainingMs(deadlineMs) == 0) return c_socketResult::timedOut;
  }
}

c_socketResult waitForDescriptor(int descriptor, short events, std::int64_t deadlineMs, c_waitable* stop,
                                 c_socketFailure& failure) {
  std::size_t ready = 0;
  return waitForDescriptor(descriptor, events, deadlineMs, &stop, stop != nullptr ? 1 : 0, ready, failure);
}

// The calling thread's resolver settings (each thread has its own) for one
// look-up. A brief one gives each name server one try of one second; the
// thread's settings are given back afterwards.
class c_lookUpSettings {
 public:
  explicit c_lookUpSettings(c_lookUpWait wait) : brief_(wait == c_lookUpWait::brief) {
    if (!brief_) return;
    // Read afresh first: the resolver reloads a thread's settings, dropping what was
    // changed in them, when the system's have changed since they were read.
    ::res_init();
    retransmitSeconds_ = _res.retrans;
    tries_ = _res.retry;
    _res.retrans = 1;
    _res.retry = 1;
  }
  ~c_lookUpSettings() {
    if (!brief_) return;
    _res.retrans = retransmitSeconds_;
    _res.retry = tries_;
  }
  c_lookUpSettings(const c_lookUpSettings&) = delete;
  c_lookUpSettings& operator=(const c_lookUpSettings&) = delete;

 private:
  const bool brief_;
  int retransmitSeconds_ = 0;
  int tries_ = 0;
};

}  // namespace

c_socket::~c_socket() {
  if (descriptor_ >= 0) ::close(descriptor_);
}

c_socket& c_socket::operator=(c_socket&& other) noexcept {
  if (this != &other) {
    if (descriptor_ >= 0) ::close(descriptor_);
    descriptor_ = other.m_release();
  }
  return *this;
}

int c_socket::m_release() {
  const int descriptor = descriptor_;
  descriptor_ = -1;
  return descriptor;
}

c_socketResult c_socket::m_connect(std::uint32_t localAddress, std::uint32_t remoteAddress, int port, int bufferSize,
                                   std::int64_t timeoutMs, c_waitable* stop, c_socket& out, c_socketFailure& failure,
                                   c_bufferSizeFailures* bufferFailures) {
  out = c_socket();
  c_socket candidate(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!candidate.m_isOpen()) return failed(failure, "socket()");
  const sockaddr_in local = socketAddress(localAddress, 0);
  if (::bind(candidate.descriptor_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
    return failed(failure, "bind()");
  // Larger buffers only help; a system that refuses them still connects.
  c_bufferSizeFailures refused;
  candidate.m_setBufferSizes(bufferSize, bufferSize, refused);
  if (bufferFailures != nullptr) *bufferFailures = refused;
  if (!setNonBlocking(candidate.descriptor_)) return failed(failure, "fcntl()");
  if (!setNoDelay(candidate.descriptor_)) return failed(failure, "setsockopt()");

  const sockaddr_in remote = socketAddress(remoteAddress, port);
  if (::connect(candidate.descriptor_, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
    if (errno != EINPROGRESS) return failed(failure, "connect()");
    const std::int64_t deadline = timeoutMs < 0 ? -1 : c_clock::m_monotonicMilliseconds() + timeoutMs;
    const c_socketResult waited = waitForDescriptor(candidate.descriptor_, POLLOUT, deadline, stop, failure);
    if (waited == c_socketResult::timedOut) {
      fail(failure, "connect()", ETIMEDOUT);
      return waited;
    }
    if (waited != c_socketResult::done) return waited;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(candidate.descriptor_, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
      return failed(failure, "getsockopt()");
    if (error != 0) return failed(failure, "connect()", error);
  }
  out = std::move(candidate);
  return c_socketResult::done;
}

bool c_socket::m_listen(std::uint32_t address, int port, int backlog, c_socket& out, c_socketFailure& failure) {
  out = c_socket();
  c_socket candidate(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!candidate.m_isOpen()) return fail(failure, "socket()");
  const int on = 1;
  if (::setsockopt(candidate.descriptor_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
    return fail(failure, "setsockopt()");
  const sockaddr_in local = socketAddress(address, port);
  if (::bind(candidate.descriptor_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
    return fail(failure, "bind()");
  if (::listen(candidate.descriptor_, backlog) != 0) return fail(failure, "listen()");
  if (!setNonBlocking(candidate.descriptor_)) return fail(failure, "fcntl()");
  out = std::move(candidate);
  return true;
}

c_socketResult c_socket::m_accept(c_socket& out, std::uint32_t& peerAddress, c_socketFailure& failure) {
  out = c_socket();
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  c_socket accepted(::accept4(descriptor_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC | SOCK_NONBLOCK));
  if (!accepted.m_isOpen()) {
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED)
      return c_socketResult::timedOut;
    return failed(failure, "accept()");
  }
  if (!setNoDelay(accepted.descriptor_)) return failed(failure, "setsockopt()");
  peerAddress = ntohl(peer.sin_addr.s_addr);
  out = std::move(accepted);
  return c_socketResult::done;
}

int c_socket::m_localPort() const {
  sockaddr_in local{};
  socklen_t length = sizeof local;
  if (::getsockname(descriptor_, reinterpret_cast<sockaddr*>(&local), &length) != 0) return 0;
  return ntohs(local.sin_port);
}

bool c_socket::m_setBufferSizes(int sendSize, int receiveSize, c_bufferSizeFailures& failures) {
  failures = c_bufferSizeFailures();
  bool set = true;
  if (sendSize > 0 && ::setsockopt(descriptor_, SOL_SOCKET, SO_SNDBUF, &sendSize, sizeof sendSize) != 0)
    set = fail(failures.send, "SO_SNDBUF");
  if (receiveSize > 0 && ::setsockopt(descriptor_, SOL_SOCKET, SO_RCVBUF, &receiveSize, sizeof receiveSize) != 0)
    set = fail(failures.receive, "SO_RCVBUF");
  return set;
}

c_socketResult c_socket::m_sendAll(std::string_view data, std::int64_t deadlineMs, c_waitable* stop, std::size_t& sent,
                                   c_socketFailure& failure) {
  sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(descriptor_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      if (errno == EPIPE || errno == ECONNRESET) {
        fail(failure, "send()");
        return c_socketResult::closed;
      }
      return failed(failure, "send()");
    }
    const c_socketResult waited = waitForDescriptor(descriptor_, POLLOUT, deadlineMs, stop, failure);
    if (waited != c_socketResult::done) return waited;
  }
  return c_socketResult::done;
}

c_socketResult c_socket::m_receiveExact(char* buffer, std::size_t count, std::int64_t deadlineMs, c_waitable* stop,
                                        std::size_t& received, c_socketFailure& failure) {
  received = 0;
  while (received < count) {
    const ssize_t n = ::recv(descriptor_, buffer + received, count - received, 0);
    if (n > 0) {
      received += static_cast<std::size_t>(n);
      continue;
    }
    if (n == 0) return c_socketResult::closed;
    if (errno == EINTR) continue;
    // A reset by the peer is a failed receive, not an orderly close.
    if (errno != EAGAIN && errno != EWOULDBLOCK) return failed(failure, "recv()");
    const c_socketResult waited = waitForDescriptor(descriptor_, POLLIN, deadlineMs, stop, failure);
    if (waited != c_socketResult::done) return waited;
  }
  return c_socketResult::done;
}

c_socketResult c_socket::m_waitReadable(std::int64_t deadlineMs, c_waitable* stop, c_socketFailure& failure) {
  if (descriptor_ < 0) return failed(failure, "poll()", EBADF);
  return waitForDescriptor(descriptor_, POLLIN, deadlineMs, stop, failure);
}

c_socketResult c_socket::m_waitReadable(std::int64_t deadlineMs, c_waitable* const* objects, std::size_t count,
                                        std::size_t& ready, c_socketFailure& failure) {
  if (descriptor_ < 0) return failed(failure, "poll()", EBADF);
  return waitForDescriptor(descriptor_, POLLIN, deadlineMs, objects, count, ready, failure);
}

bool c_socket::m_shutdown(c_socketFailure& failure) {
  if (descriptor_ < 0) return true;
  // A socket that never connected, or whose peer already went, is not connected any more.
  if (::shutdown(descriptor_, SHUT_RDWR) != 0 && errno != ENOTCONN) return fail(failure, "shutdown()");
  return true;
}

bool c_socket::m_close(c_socketFailure& failure) {
  const int descriptor = m_release();
  if (descriptor < 0) return true;
  // After close() the descriptor is gone even when it reports an error: never retry.
  if (::close(descriptor) != 0) return fail(failure, "close()");
  return true;
}

bool c_parseDottedAddress(std::string_view text, std::uint32_t& address) {
  std::uint32_t value = 0;
  std::size_t position = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (position >= text.size() || text[position] != '.') return false;
      ++position;
    }
    const std::size_t start = position;
    unsigned number = 0;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9' && position - start < 3)
      number = number * 10 + static_cast<unsigned>(text[position++] - '0');
    if (position == start || number > 255) return false;
    value = value << 8 | number;
  }
  if (position != text.size()) return false;
  address = value;
  return true;
}

std::string c_dottedAddress(std::uint32_t address) {
  return std::to_string(address >> 24 & 255) + "." + std::to_string(address >> 16 & 255) + "." +
         std::to_string(address >> 8 & 255) + "." + std::to_string(address & 255);
}

bool c_resolveHost(const std::string& host, std::uint32_t& address, c_socketFailure& failure, c_lookUpWait wait) {
  if (c_parseDottedAddress(host, address)) return true;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const c_lookUpSettings settings(wait);
  const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (result != 0 || found == nullptr) {
    if (found != nullptr) ::freeaddrinfo(found);
    return fail(failure, "getaddrinfo()", result == EAI_SYSTEM ? errno : result);
  }
  address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
  ::freeaddrinfo(found);
  return true;
}

std::string c_socketFailureText(const c_socketFailure& failure) {
  // A name look-up gives a name-service code (negative); EAI_SYSTEM was turned into errno.
  if (std::strcmp(failure.call, "getaddrinfo()") == 0 && failure.error < 0) {
    if (failure.error == EAI_NONAME || failure.error == EAI_NODATA) return "the name does not resolve";
    return ::gai_strerror(failure.error);
  }
  return c_systemErrorText(failure.error);
}

bool c_reverseName(std::uint32_t address, std::string& name) { return c_lookUpName(address, name) == c_nameLookup::found; }

c_nameLookup c_lookUpName(std::uint32_t address, std::string& name, c_lookUpWait wait) {
  const sockaddr_in peer = socketAddress(address, 0);
  char host[NI_MAXHOST];
  const c_lookUpSettings settings(wait);
  const int result = ::getnameinfo(reinterpret_cast<const sockaddr*>(&peer), sizeof peer, host, sizeof host, nullptr,
                                   0, NI_NAMEREQD);
  if (result == EAI_NONAME) return c_nameLookup::none;
  if (result != 0) return c_nameLookup::failed;
  name = host;
  return c_nameLookup::found;
}
