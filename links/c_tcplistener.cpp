#include "links/c_tcplistener.h"

#include <system_error>

#include "core/ctm_logging.h"
#include "links/c_peernames.h"
#include "platform/c_clock.h"

c_tcpListener::c_tcpListener(std::string name) : name_(std::move(name)) { m_setStatus(statusClosed); }

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
  if (m_isOpen() && !acceptThread_.joinable()) {
    stop_.m_reset();
    try {
      acceptThread_ = std::thread([this] { m_acceptLoop(); });
      CTM_logging::m_log(3, ev::LS_THREAD_STARTED, "s", name_);
      return true;
    } catch (const std::system_error&) {
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
  c_waitable* const stop = stop_.m_getHandle();
  while (!stop_.m_isSet()) {
    m_setStatus(statusAccepting);
    c_socketFailure failure;
    const c_socketResult ready = socket_.m_waitReadable(-1, stop, failure);
    if (ready == c_socketResult::stopped) break;
    c_socket accepted;
    std::uint32_t peerAddress = 0;
    const c_socketResult result =
        ready == c_socketResult::done ? socket_.m_accept(accepted, peerAddress, failure) : ready;
    if (result == c_socketResult::done) {
      m_handOver(std::move(accepted), peerAddress);
    } else if (result != c_socketResult::timedOut) {
      // Out of descriptors, say: rest a little instead of spinning, then serve again.
      CTM_logging::m_log(1, ev::LS_SOCKET_FAILED, "is", failure.error, failure.call);
      stop_.m_sleep(acceptRetryMs);
    }
  }
  CTM_logging::m_unregisterThread();
}

void c_tcpListener::m_handOver(c_socket accepted, std::uint32_t peerAddress) {
  c_peer peer;
  peer.address = peerAddress;
  peer.dotted = c_dottedAddress(peerAddress);
  const int descriptor = accepted.m_descriptor();
  if (c_peerNames::m_process().m_find(peerAddress, peer.name))
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
  if (!c_resolveHost(address, configured, failure)) {
    CTM_logging::m_log(1, ev::LS_ADDRESS_FAILED, "isss", failure.error, failure.call, "hostname", address);
    return false;
  }
  return configured == peer.address;
}
