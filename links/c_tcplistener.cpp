#include "links/c_tcplistener.h"

#include <algorithm>
#include <system_error>

#include "core/ctm_logging.h"
#include "platform/c_clock.h"

c_tcpListener::c_tcpListener(std::string name, c_peerNames& names)
    : name_(std::move(name)), names_(names), resolver_(names) {
  m_setStatus(statusClosed);
}

c_tcpListener::~c_tcpListener() { m_close(); }

bool c_tcpListener::m_open(int port, const std::string& host) {
  m_endListening();
  port_ = port;
  host_ = host;
  c_socketFailure& failure = openFailure_;
  failure = {};
  std::uint32_t address = 0;
  if (!host.empty() && !c_resolveHost(host, address, failure)) {
    CTM_logging::m_log(1, ev::LS_ADDRESS_FAILED, "isss", failure.error, failure.call, "hostname", host);
    return false;
  }
  if (!c_socket::m_listen(address, port, backlog, socket_, failure)) {
    const std::string call = failure.call;
    if (call == "bind()" || call == "listen()")
      CTM_logging::m_log(1, ev::LS_ADDRESS_FAILED, "issi", failure.error, call, "port", port);
    else
      CTM_logging::m_log(1, ev::LS_SOCKET_FAILED, "is", failure.error, call);
    return false;
  }
  m_setStatus(statusOpen);
  return true;
}

bool c_tcpListener::m_start() {
  if (m_isOpen() && !acceptThread_.joinable() && resolver_.m_start()) {
    stop_.m_reset();
    try {
      acceptThread_ = std::thread([this] { m_acceptLoop(); });
      CTM_logging::m_log(3, ev::LS_THREAD_STARTED, "s", name_);
      return true;
    } catch (const std::system_error&) {
      resolver_.m_stop();
    }
  }
  CTM_logging::m_log(1, ev::LS_THREAD_FAILED, "s", name_);
  return false;
}

bool c_tcpListener::m_close() {
  CTM_logging::m_log(1, ev::LS_CLOSED, "s", name_);
  m_endListening();
  return true;
}

void c_tcpListener::m_endListening() {
  m_setStatus(statusClosed);
  if (acceptThread_.joinable()) {
    stop_.m_set();
    c_socketFailure failure;
    socket_.m_shutdown(failure);
    acceptThread_.join();
  }
  resolver_.m_stop();
  m_closeSocket(socket_);
}

const std::string& c_tcpListener::m_describe() {
  describe_ = "((port=" + std::to_string(port_) + "))";
  return describe_;
}

bool c_tcpListener::m_setStatus(int status) {
  c_mutexGuard lock(statusMutex_);
  status_ = status;
  statusTime_ = c_clock::m_utcSeconds();
  return true;
}

int c_tcpListener::m_getStatus() const {
  c_mutexGuard lock(statusMutex_);
  return status_;
}

void c_tcpListener::m_getStatus(int& status, std::int64_t& utcSeconds) const {
  c_mutexGuard lock(statusMutex_);
  status = status_;
  utcSeconds = statusTime_;
}

void c_tcpListener::m_acceptLoop() {
  CTM_logging::m_registerThread(name_, "LS");
  c_waitable* const wakeUps[] = {stop_.m_getHandle(), resolver_.m_answered()};
  std::int64_t restUntilMs = 0;  // after a failed accept
  while (!stop_.m_isSet()) {
    m_setStatus(statusAccepting);
    m_handOverWaiting();
    const std::int64_t now = c_clock::m_monotonicMilliseconds();
    std::int64_t deadlineMs = waiting_.empty() ? -1 : waiting_.front().deadlineMs;
    if (now < restUntilMs || waiting_.size() >= maximumWaiting) {
      // Accepting nothing for now: only the stop, an answer or a deadline wakes the thread.
      if (now < restUntilMs) deadlineMs = deadlineMs < 0 ? restUntilMs : std::min(deadlineMs, restUntilMs);
      const std::int64_t timeoutMs = deadlineMs < 0 ? -1 : std::max<std::int64_t>(deadlineMs - now, 0);
      if (c_waitForAny(wakeUps, 2, timeoutMs) == 0) break;
      continue;
    }
    c_socketFailure failure;
    std::size_t woken = 0;
    const c_socketResult ready = socket_.m_waitReadable(deadlineMs, wakeUps, 2, woken, failure);
    if (ready == c_socketResult::stopped) {
      if (woken == 0) break;
      continue;
    }
    c_socket accepted;
    std::uint32_t peerAddress = 0;
    const c_socketResult result =
        ready == c_socketResult::done ? socket_.m_accept(accepted, peerAddress, failure) : ready;
    if (result == c_socketResult::done) {
      m_admit(std::move(accepted), peerAddress);
    } else if (result != c_socketResult::timedOut) {
      // Out of descriptors, say: rest a little instead of spinning, then serve again.
      CTM_logging::m_log(1, ev::LS_SOCKET_FAILED, "is", failure.error, failure.call);
      restUntilMs = c_clock::m_monotonicMilliseconds() + acceptRetryMs;
    }
  }
  // Peers still waiting for their names are not handed on to a listener that stops.
  for (c_waitingPeer& peer : waiting_) m_closeSocket(peer.socket);
  waiting_.clear();
  CTM_logging::m_unregisterThread();
}

void c_tcpListener::m_admit(c_socket accepted, std::uint32_t peerAddress) {
  const auto sameAddress = [peerAddress](const c_waitingPeer& peer) { return peer.address == peerAddress; };
  // A peer that connects again while its earlier connection waits for the name
  // waits behind it, so that its line handler gets the connections in the order
  // they came (the later replaces the earlier).
  bool named = false;
  std::string name;
  if (std::none_of(waiting_.begin(), waiting_.end(), sameAddress) && names_.m_recall(peerAddress, named, name)) {
    m_handOver(std::move(accepted), peerAddress, name);
    return;
  }
  c_waitingPeer& peer = waiting_.emplace_back();
  peer.socket = std::move(accepted);
  peer.address = peerAddress;
  peer.deadlineMs = c_clock::m_monotonicMilliseconds() + nameWaitMs;
  resolver_.m_request(peerAddress);
}

void c_tcpListener::m_handOverWaiting() {
  for (const c_peerNameResolver::c_answer& answer : resolver_.m_takeAnswers())
    for (c_waitingPeer& peer : waiting_)
      if (peer.address == answer.address) {
        peer.answered = true;
        peer.name = answer.name;
      }
  const std::int64_t now = c_clock::m_monotonicMilliseconds();
  for (std::size_t i = 0; i < waiting_.size();) {
    if (!waiting_[i].answered && now < waiting_[i].deadlineMs) {
      ++i;
      continue;
    }
    c_waitingPeer peer = std::move(waiting_[i]);
    waiting_.erase(waiting_.begin() + static_cast<std::ptrdiff_t>(i));
    const auto sameAddress = [&peer](const c_waitingPeer& other) { return other.address == peer.address; };
    // No one waits for that name any more: a look-up not yet begun is not made.
    if (!peer.answered && std::none_of(waiting_.begin(), waiting_.end(), sameAddress))
      resolver_.m_withdraw(peer.address);
    m_handOver(std::move(peer.socket), peer.address, peer.name);
  }
}

void c_tcpListener::m_handOver(c_socket accepted, std::uint32_t peerAddress, const std::string& name) {
  c_peer peer;
  peer.address = peerAddress;
  peer.dotted = c_dottedAddress(peerAddress);
  peer.name = name;
  const int descriptor = accepted.m_descriptor();
  if (!peer.name.empty())
    CTM_logging::m_log(3, ev::LS_ACCEPTED_NAMED, "is", descriptor, peer.name);
  else
    CTM_logging::m_log(3, ev::LS_ACCEPTED_UNNAMED, "iiiii", descriptor, (peerAddress >> 24) & 255,
                       (peerAddress >> 16) & 255, (peerAddress >> 8) & 255, peerAddress & 255);
  if (m_onAccept(accepted, peer)) return;
  CTM_logging::m_log(2, ev::LS_PEER_CLOSED, "is", descriptor, peer.dotted);
  m_closeSocket(accepted);
}

void c_tcpListener::m_closeSocket(c_socket& socket) {
  c_socketFailure failure;
  if (socket.m_isOpen() && !socket.m_close(failure))
    CTM_logging::m_log(1, ev::LS_SOCKET_FAILED, "is", failure.error, "socket_close()");
}

bool c_tcpListener::m_peerMatches(const c_peer& peer, const std::string& address) {
  if (!peer.name.empty() && peer.name == address) return true;
  if (peer.dotted == address) return true;
  std::uint32_t configured = 0;
  if (c_parseDottedAddress(address, configured)) return false;
  c_socketFailure failure;
  if (!c_resolveHost(address, configured, failure, c_lookUpWait::brief)) {
    CTM_logging::m_log(1, ev::LS_ADDRESS_FAILED, "isss", failure.error, failure.call, "hostname", address);
    return false;
  }
  return configured == peer.address;
}
