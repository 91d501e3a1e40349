#include "links/ctm_connection.h"

#include <system_error>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "links/ctm_connectionowner.h"
#include "platform/c_clock.h"
#include "telegrams/ctm_message.h"

namespace {

// The text as the logs show it: a line feed at its end as a visible \n.
std::string logForm(const std::string& wire, bool endsInLineFeed) {
  if (!endsInLineFeed) return wire;
  return wire.substr(0, wire.size() - 1) + "\\n";
}

// An integer parameter, or its default; a missing key is reported once and then forgotten.
int retryParameter(std::string& key, int defaultValue) {
  if (key.empty()) return defaultValue;
  int value = defaultValue;
  if (CTM_config::m_getInteger(key, value)) return value;
  CTM_logging::m_log(2, ev::LINK_RETRY_PARAMETER_MISSING, "si", key, defaultValue);
  key.clear();
  return defaultValue;
}

}  // namespace

CTM_connection::CTM_connection(CTM_connectionOwner* owner, std::string localHost, std::string remoteHost, int port,
                               bool noTerminator)
    : c_tcpConnection(std::move(localHost), std::move(remoteHost), port), owner_(owner), framing_(noTerminator) {
  if (owner_ != nullptr) {
    waitKey_ = owner_->m_getInterfaceName() + "__WaitSecs";
    retryKey_ = owner_->m_getInterfaceName() + "__MaxConnectRetry";
    m_setStopEvent(owner_->m_getStopEvent());
  }
  m_setStatus(statusDown);
}

CTM_connection::CTM_connection(CTM_connectionOwner* owner, c_socket accepted, bool noTerminator)
    : c_tcpConnection(std::move(accepted)), owner_(owner), framing_(noTerminator) {
  if (owner_ != nullptr) m_setStopEvent(owner_->m_getStopEvent());
  m_setStatus(statusConnected);
}

CTM_connection::~CTM_connection() {
  m_stop();
  owner_ = nullptr;
}

bool CTM_connection::m_getRetryParameters(int& waitSeconds, int& furtherTries) {
  waitSeconds = retryParameter(waitKey_, defaultWaitSeconds);
  furtherTries = retryParameter(retryKey_, 0);
  return true;
}

bool CTM_connection::m_connect() {
  m_stop();
  m_setStatus(statusConnecting);
  if (!c_tcpConnection::m_connect(0, 0)) {
    m_setStatus(statusDown);
    return false;
  }
  m_setStatus(statusConnected);
  return m_startReceiver();
}

bool CTM_connection::m_startReceiver() {
  m_endReceiver();
  m_resetReadHandshake();
  try {
    receiver_ = std::thread([this] { m_receive(); });
  } catch (const std::system_error&) {
    CTM_logging::m_log(1, ev::TCP_RECEIVER_NOT_STARTED, "s", m_describe());
    return false;
  }
  return true;
}

void CTM_connection::m_stop() { m_disconnect(); }

bool CTM_connection::m_disconnect() {
  // The receiver watches the socket: it ends before the socket is closed.
  m_endReceiver();
  m_close();
  m_setStatus(statusDown);
  m_resetReadHandshake();
  return true;
}

void CTM_connection::m_endReceiver() {
  if (!receiver_.joinable()) return;
  receiverStop_.m_set();
  receiver_.join();
  receiverStop_.m_reset();
}

void CTM_connection::m_resetReadHandshake() {
  // Exactly one count: the next connection reports its first data once, with no
  // wake-up left over from the last one.
  readSemaphore_.m_lock(0);
  readSemaphore_.m_unlock();
}

void CTM_connection::m_receive() {
  c_waitable* const stop = receiverStop_.m_getHandle();
  c_waitable* const readyToRead[] = {stop, readSemaphore_.m_getHandle()};
  for (;;) {
    if (c_waitForAny(readyToRead, 2, -1) != 1) return;
    c_socketFailure failure;
    // Whatever the wait gives but a stop, the owner's read finds out what happened.
    if (m_socket().m_waitReadable(-1, stop, failure) == c_socketResult::stopped) return;
    c_mutexGuard lock(arrivalMutex_);
    m_setStatus(statusDataArrived);
    if (owner_ != nullptr) owner_->m_signal();
  }
}

bool CTM_connection::m_readTelegram(std::unique_ptr<CTM_message>& out) {
  if (!framing_.m_read(*this, out)) return false;
  readSemaphore_.m_unlock();
  return true;
}

bool CTM_connection::m_sendMessage(const CTM_message* telegram) {
  if (telegram == nullptr) return false;
  // The three or four events of one telegram take the event log's store once.
  CTM_logging::c_writeTogether together;
  std::string wire;
  const std::string id = telegram->m_getId();
  if (telegram->m_serialize(wire) > 0) {
    if (m_hasNoTerminator()) wire.pop_back();
    CTM_logging::m_log(3, ev::TELEGRAM_SENDING, "s", id);
    if (m_send(wire) == static_cast<int>(wire.size())) {
      CTM_logging::m_logTelegramText(false, telegram->m_getSource() + telegram->m_getDestination(),
                                     logForm(wire, !m_hasNoTerminator()));
      CTM_logging::m_logTelegram(telegram);
      CTM_logging::m_log(3, ev::TELEGRAM_SENT, "s", id);
      return true;
    }
  }
  CTM_logging::m_log(1, ev::TELEGRAM_SEND_FAILED, "s", telegram->m_asString());
  return false;
}

bool CTM_connection::m_sendText(const std::string& text) {
  std::string wire = text;
  bool lineFeedAppended = false;
  // A text ending in 0xA7 is sent as it is, without that byte and without a line feed.
  if (!wire.empty() && static_cast<unsigned char>(wire.back()) == 0xA7)
    wire.pop_back();
  else if (!m_hasNoTerminator()) {
    wire += '\n';
    lineFeedAppended = true;
  }
  // The events before the send and of a failed one show the text as sent; the one
  // after a complete send shows it as the telegram log does.
  CTM_logging::m_log(3, ev::TELEGRAM_SENDING, "s", wire);
  if (m_send(wire) == static_cast<int>(wire.size())) {
    const std::string logText = logForm(wire, lineFeedAppended);
    CTM_logging::m_logTelegramText(false, "UNK", logText);
    CTM_logging::m_log(3, ev::TELEGRAM_SENT, "s", logText);
    return true;
  }
  CTM_logging::m_log(1, ev::TELEGRAM_SEND_FAILED, "s", wire);
  return false;
}

bool CTM_connection::m_claimArrival() {
  c_mutexGuard lock(arrivalMutex_);
  if (m_getStatus() != statusDataArrived) return false;
  // Until that data is read the receiver gives no further wake-up.
  if (owner_ != nullptr) owner_->m_takeSignal();
  return true;
}

bool CTM_connection::m_setStatus(int status) {
  c_mutexGuard lock(statusMutex_);
  status_ = status;
  statusTime_ = c_clock::m_utcSeconds();
  return true;
}

bool CTM_connection::m_getStatus(int& status) const {
  c_mutexGuard lock(statusMutex_);
  status = status_;
  return true;
}

bool CTM_connection::m_getStatus(int& status, std::int64_t& utcSeconds) const {
  c_mutexGuard lock(statusMutex_);
  status = status_;
  utcSeconds = statusTime_;
  return true;
}

bool CTM_connection::m_getStatusTime(std::int64_t& utcSeconds) const {
  c_mutexGuard lock(statusMutex_);
  utcSeconds = statusTime_;
  return true;
}

int CTM_connection::m_getStatus() const {
  c_mutexGuard lock(statusMutex_);
  return status_;
}
