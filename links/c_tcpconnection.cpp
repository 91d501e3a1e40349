#include "links/c_tcpconnection.h"

#include <cerrno>
#include <cstring>
#include <thread>

#include "core/ctm_logging.h"
#include "platform/c_clock.h"
#include "platform/c_waitable.h"

namespace {

std::int64_t deadlineAfter(std::int64_t timeoutMs) {
  return timeoutMs < 0 ? -1 : c_clock::m_monotonicMilliseconds() + timeoutMs;
}

}  // namespace

c_tcpConnection::c_tcpConnection(std::string localHost, std::string remoteHost, int port)
    : accepted_(false), localHost_(std::move(localHost)), remoteHost_(std::move(remoteHost)), remotePort_(port) {}

c_tcpConnection::c_tcpConnection(c_socket accepted) : accepted_(true), remotePort_(0), socket_(std::move(accepted)) {
  // Left to grow, the buffers of a peer that stops reading would take megabytes of
  // answers before the send time-out ever counts.
  c_bufferSizeFailures ignored;
  if (socket_.m_isOpen()) socket_.m_setBufferSizes(acceptedBufferSize, acceptedBufferSize, ignored);
}

c_tcpConnection::~c_tcpConnection() { m_close(); }

bool c_tcpConnection::m_getRetryParameters(int& waitSeconds, int& furtherTries) {
  waitSeconds = defaultWaitSeconds;
  furtherTries = 0;
  return true;
}

bool c_tcpConnection::m_connect(int waitSeconds, int furtherTries) {
  status_ = 0;
  m_close();
  if (accepted_) return false;
  if (waitSeconds < 0 && furtherTries < 0) m_getRetryParameters(waitSeconds, furtherTries);
  if (waitSeconds < 1) waitSeconds = 1;
  if (furtherTries < 0) furtherTries = 0;
  for (int attempt = 0; attempt <= furtherTries; ++attempt) {
    if (attempt > 0) {
      const std::int64_t pauseMs = std::int64_t{waitSeconds} * 1000;
      if (stop_ != nullptr) {
        if (c_waitForAny(&stop_, 1, pauseMs) == 0) return false;
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
      }
    }
    if (m_tryConnect()) return true;
    if (stop_ != nullptr && c_waitForAny(&stop_, 1, 0) == 0) return false;
  }
  return false;
}

bool c_tcpConnection::m_tryConnect() {
  c_socketFailure failure;
  std::uint32_t local = 0, remote = 0;
  if (!localHost_.empty() && !c_resolveHost(localHost_, local, failure)) {
    CTM_logging::m_log(1, ev::TCP_LOOKUP_FAILED, "iss", failure.error, failure.call, localHost_);
    return false;
  }
  if (!c_resolveHost(remoteHost_, remote, failure)) {
    CTM_logging::m_log(1, ev::TCP_LOOKUP_FAILED, "iss", failure.error, failure.call, remoteHost_);
    return false;
  }
  c_socket connected;
  c_bufferSizeFailures refused;
  const c_socketResult result = c_socket::m_connect(local, remote, remotePort_, socketBufferSize, connectLimitMs,
                                                    stop_, connected, failure, &refused);
  // They were set before the connect: their events come first.
  m_logBufferFailures(refused);
  if (result == c_socketResult::stopped) return false;
  if (result != c_socketResult::done) {
    if (std::strcmp(failure.call, "connect()") == 0)
      CTM_logging::m_log(4, ev::TCP_CONNECT_FAILED, "isi", failure.error, remoteHost_, remotePort_);
    else
      m_logFailure(failure);
    return false;
  }
  {
    c_mutexGuard lock(socketMutex_);
    socket_ = std::move(connected);
  }
  CTM_logging::m_log(4, ev::TCP_CONNECTED, "si", remoteHost_, remotePort_);
  return true;
}

bool c_tcpConnection::m_close() {
  c_socketFailure shutdownFailure, closeFailure;
  bool shutDown = true, closed = true;
  {
    c_mutexGuard lock(socketMutex_);
    if (!socket_.m_isOpen()) return true;
    shutDown = socket_.m_shutdown(shutdownFailure);
    closed = socket_.m_close(closeFailure);
  }
  if (!shutDown) m_logFailure(shutdownFailure);
  if (!closed) m_logFailure(closeFailure);
  CTM_logging::m_log(4, ev::TCP_CLOSED, "si", remoteHost_, remotePort_);
  return true;
}

void c_tcpConnection::m_shutdownSocket() {
  c_socketFailure failure;
  c_mutexGuard lock(socketMutex_);
  socket_.m_shutdown(failure);
}

void c_tcpConnection::m_setBufferSizes(int sendSize, int receiveSize) {
  c_bufferSizeFailures refused;
  socket_.m_setBufferSizes(sendSize, receiveSize, refused);
  m_logBufferFailures(refused);
}

void c_tcpConnection::m_logBufferFailures(const c_bufferSizeFailures& failures) {
  for (const c_socketFailure* failure : {&failures.send, &failures.receive})
    if (*failure->call != '\0')
      CTM_logging::m_log(1, ev::TCP_LOOKUP_FAILED, "iss", failure->error, "setsockopt()", failure->call);
}

int c_tcpConnection::m_send(const std::string& text) {
  // The send buffer held the text and its terminating zero byte.
  if (text.size() >= sendBufferSize) {
    CTM_logging::m_log(1, ev::TCP_SEND_TOO_LONG, "ii", text.size(), sendBufferSize - 1);
    return -1;
  }
  if (!socket_.m_isOpen()) return -1;
  c_socketFailure failure;
  std::size_t sent = 0;
  const std::int64_t deadline = deadlineAfter(sendTimeout_ < 0 ? -1 : std::int64_t{sendTimeout_} * 1000);
  switch (socket_.m_sendAll(text, deadline, stop_, sent, failure)) {
    case c_socketResult::done: return static_cast<int>(text.size());
    case c_socketResult::timedOut:
      CTM_logging::m_log(1, ev::TCP_CALL_FAILED, "is", ETIMEDOUT, "poll()");
      return 0;
    case c_socketResult::stopped: return -1;
    default: m_logFailure(failure); return -1;
  }
}

int c_tcpConnection::m_recvExact(std::string& out, int count, int timeoutSeconds) {
  if (count < 0) return -1;
  return m_readExact(out, static_cast<std::size_t>(count),
                     deadlineAfter(timeoutSeconds < 0 ? -1 : std::int64_t{timeoutSeconds} * 1000));
}

int c_tcpConnection::m_readExact(std::string& out, std::size_t count, std::int64_t deadlineMs) {
  if (count > receiveBufferSize) {
    CTM_logging::m_log(1, ev::TCP_RECEIVE_TOO_LONG, "ii", count, receiveBufferSize);
    return -1;
  }
  if (!socket_.m_isOpen()) return -1;
  c_socketFailure failure;
  std::size_t received = 0;
  switch (socket_.m_receiveExact(receiveBuffer_.data(), count, deadlineMs, stop_, received, failure)) {
    case c_socketResult::done: out.assign(receiveBuffer_.data(), count); return static_cast<int>(count);
    case c_socketResult::timedOut: CTM_logging::m_logNoArgs(1, ev::TCP_RECEIVE_TIMEOUT); return 0;
    case c_socketResult::closed: CTM_logging::m_logNoArgs(1, ev::TCP_PEER_CLOSED); return -1;
    case c_socketResult::stopped: return -1;
    case c_socketResult::failed: m_logFailure(failure); return -1;
  }
  return -1;
}

bool c_tcpConnection::m_waitReadable() {
  c_socketFailure failure;
  return socket_.m_waitReadable(-1, stop_, failure) == c_socketResult::done;
}

const std::string& c_tcpConnection::m_describe() {
  describe_ = "((localHostOrIP=" + localHost_ + ")(remoteHostOrIP=" + remoteHost_ +
              ")(remotePort=" + std::to_string(remotePort_) + ")(status=" + std::to_string(status_) + "))";
  return describe_;
}

void c_tcpConnection::m_logFailure(const c_socketFailure& failure) const {
  CTM_logging::m_log(1, ev::TCP_CALL_FAILED, "is", failure.error, failure.call);
}
