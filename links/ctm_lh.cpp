#include "links/ctm_lh.h"

#include <cstdarg>
#include <cstdio>
#include <optional>
#include <system_error>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "links/ctm_connection.h"
#include "links/ctm_textreportroute.h"
#include "platform/c_clock.h"
#include "telegrams/ctm_message.h"

namespace {

// A report's description holds at most this many characters before the telegram cuts it.
constexpr std::size_t textReportLength = 99;
// Telegrams sent whose events are written to the event log together at most.
constexpr int sendsPerLogBatch = 64;

}  // namespace

CTM_lh::CTM_lh() : textRoute_(&CTM_textReportRoute::m_processRoute()) {}

CTM_lh::~CTM_lh() {
  m_shutdown();
  CTM_textReportRoute::m_processRoute().m_forget(this);
  // The connections watch the stop event: they go before it.
  connection_ = nullptr;
  ownedConnection_.reset();
}

bool CTM_lh::m_start() {
  std::thread ended;
  {
    c_mutexGuard lock(controlMutex_);
    if (shutDown_ || running_.load() || m_isOwnThreadLocked()) return false;
    ended = std::move(thread_);
  }
  // A thread that has run its course (a server's last pass) is joined before the next starts.
  if (ended.joinable()) ended.join();

  c_mutexGuard lock(controlMutex_);
  if (shutDown_ || running_.load()) return false;
  running_ = true;
  try {
    thread_ = std::thread([this] { m_threadProcedure(); });
  } catch (const std::system_error&) {
    running_ = false;
    CTM_logging::m_log(1, ev::LH_THREAD_FAILED, "ss", interfaceName_, ownName_);
    return false;
  }
  CTM_logging::m_log(3, ev::LH_THREAD_STARTED, "ss", interfaceName_, ownName_);
  return true;
}

void CTM_lh::m_shutdown() {
  std::thread running;
  {
    c_mutexGuard lock(controlMutex_);
    if (m_isOwnThreadLocked()) return;
    // A hand-over under way finishes first, so that no thread starts behind the shutdown.
    while (handOverBusy_) handOverDone_.wait(controlMutex_);
    shutDown_ = true;
    stopRequested_ = true;
    stop_.m_set();
    running = std::move(thread_);
  }
  const bool joined = running.joinable();
  m_stopThread(std::move(running));
  // The connections' receiver threads call back into this handler: they end now,
  // while it is whole, and not in a base destructor after a retired handler's last
  // user lets it go.
  if (joined) m_disconnect();
}

void CTM_lh::m_stopThread(std::thread running) {
  if (!running.joinable()) return;
  m_shutdownSockets();
  running.join();
}

bool CTM_lh::m_beginHandOver() {
  std::thread running;
  {
    c_mutexGuard lock(controlMutex_);
    if (shutDown_ || m_isOwnThreadLocked()) return false;
    while (handOverBusy_) handOverDone_.wait(controlMutex_);
    if (shutDown_) return false;
    handOverBusy_ = true;
    stopRequested_ = true;
    stop_.m_set();
    running = std::move(thread_);
  }
  m_stopThread(std::move(running));
  return true;
}

bool CTM_lh::m_endHandOver() {
  {
    c_mutexGuard lock(controlMutex_);
    stop_.m_reset();
    stopRequested_ = false;
  }
  const bool started = m_start();
  {
    c_mutexGuard lock(controlMutex_);
    handOverBusy_ = false;
  }
  handOverDone_.notify_all();
  return started;
}

bool CTM_lh::m_isHandingOver() {
  c_mutexGuard lock(controlMutex_);
  return handOverBusy_ && !shutDown_;
}

bool CTM_lh::m_isOwnThreadLocked() const { return thread_.get_id() == std::this_thread::get_id(); }

void CTM_lh::m_shutdownSockets() {
  if (ownedConnection_) ownedConnection_->m_shutdownSocket();
}

void CTM_lh::m_threadProcedure() {
  CTM_logging::m_registerThread(interfaceName_, "LH");
  m_run();
  CTM_logging::m_log(1, ev::LH_THREAD_ENDED, "ss", interfaceName_, ownName_);
  CTM_logging::m_unregisterThread();
  running_ = false;
}

bool CTM_lh::m_send(std::unique_ptr<CTM_message> telegram, bool urgent) {
  if (telegram && !queue_.m_put(telegram, urgent))
    CTM_logging::m_log(2, ev::LH_QUEUE_FULL, "ss", telegram->m_asString(), interfaceName_ + ownName_);
  return true;
}

bool CTM_lh::m_sendText(const std::string& equipmentCode, int level, const char* format, ...) {
  char description[textReportLength + 1] = {};
  if (format != nullptr) {
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(description, sizeof description, format, arguments);
    va_end(arguments);
  }
  return textRoute_.load()->m_sendReport(equipmentCode, level & 0xFFFF, description);
}

void CTM_lh::m_setTextReportRoute(CTM_textReportRoute* route) {
  textRoute_ = route != nullptr ? route : &CTM_textReportRoute::m_processRoute();
}

int CTM_lh::m_getInterfaceStatus() const {
  c_lock lock(&statusMutex_, -1);
  return interfaceStatus_;
}

void CTM_lh::m_getInterfaceStatus(int& status, std::int64_t& utcSeconds) const {
  c_lock lock(&statusMutex_, -1);
  status = interfaceStatus_;
  utcSeconds = statusTime_;
}

bool CTM_lh::m_signal() {
  wakeUp_.m_unlock();
  return true;
}

bool CTM_lh::m_isConnected() {
  return connection_ != nullptr && connection_->m_getStatus() == CTM_connection::statusDataArrived;
}

bool CTM_lh::m_receiveTelegram() {
  std::unique_ptr<CTM_message> telegram;
  if (connection_ == nullptr) return false;
  if (!connection_->m_readTelegram(telegram) || !telegram) {
    connection_->m_stop();
    return false;
  }
  // An error telegram is dropped on a link that is up; before that it ends the attempt.
  if (!telegram->m_isValid()) return m_getInterfaceStatus() == statusUp;
  if (telegram->m_getSubId() != expectedSubId_)
    CTM_logging::m_log(1, ev::LH_SUB_ID_MISMATCH, "ss", telegram->m_getSubId(), expectedSubId_);
  const std::string id = telegram->m_getId();
  if (id == expectedKeepAliveId_) return m_onKeepAlive();
  // A link is up only after the keep-alive exchange.
  if (m_getInterfaceStatus() == statusDown) {
    CTM_logging::m_log(1, ev::LH_TELEGRAM_REFUSED, "s", telegram->m_asString());
    connection_->m_stop();
    return false;
  }
  // The processor would send such a telegram back to the peer: it is dropped instead.
  if (m_isOwnTelegramId(id)) {
    CTM_logging::m_log(1, ev::LH_UNEXPECTED_TELEGRAM, "s", id);
    return true;
  }
  if (!m_processTelegram(telegram.get())) {
    CTM_logging::m_log(1, ev::LH_TELEGRAM_REFUSED, "s", telegram->m_asString());
    connection_->m_stop();
    return false;
  }
  CTM_logging::m_log(3, ev::LH_TELEGRAM_PROCESSED, "s", id);
  CTM_logging::m_log(4, ev::LH_TELEGRAM_PROCESSED, "s", telegram->m_asString());
  m_setInterfaceStatus(statusUp);
  return true;
}

bool CTM_lh::m_processTelegram(CTM_message* telegram) {
  CTM_logging::m_log(1, ev::LH_UNEXPECTED_TELEGRAM, "s", telegram != nullptr ? telegram->m_getId() : std::string());
  return true;
}

bool CTM_lh::m_transmit(CTM_message* telegram, int sequence) {
  if (telegram == nullptr) return false;
  if (sequence == -1) {
    if (++sequence_ > 99) sequence_ = 1;
    sequence = sequence_;
  }
  telegram->m_setSeqNo(sequence);
  telegram->m_setSubId(ownSubId_);
  return connection_ != nullptr && connection_->m_sendMessage(telegram);
}

void CTM_lh::m_setInterfaceStatus(int status) {
  c_lock lock(&statusMutex_, -1);
  const std::int64_t now = c_clock::m_utcSeconds();
  const std::string name = interfaceName_ + (ownName_.size() > 2 ? ownName_.substr(2, 2) : std::string());
  // The alarm flag is true while the link is down.
  if (status == statusDown && interfaceStatus_ != statusDown) {
    CTM_config::m_setBool("Interface" + name + "_Status", true);
    CTM_logging::m_log(2, ev::LH_INTERFACE_DOWN, "s", name);
  } else if (status == statusUp && interfaceStatus_ != statusUp) {
    CTM_config::m_setBool("Interface" + name + "_Status", false);
    CTM_logging::m_log(3, ev::LH_INTERFACE_UP, "s", name);
  }
  interfaceStatus_ = status;
  statusTime_ = now;
}

int CTM_lh::m_waitForEvent(int timeoutMs) {
  c_waitMultiple wait;
  wait.m_add(&stop_);
  wait.m_add(&wakeUp_);
  wait.m_add(queue_.m_getSemaphore());
  for (c_waitableTimer& timer : timers_) wait.m_add(&timer);
  const int result = wait.m_wait(timeoutMs);
  if (result == -1) return eventNone;
  if (result == 1) return eventStop;
  return result > 1 ? result - 1 : eventFailed;
}

bool CTM_lh::m_sendQueued() {
  std::unique_ptr<CTM_message> telegram;
  if (!queue_.m_get(telegram)) return true;
  if (m_processTelegram(telegram.get())) return true;
  // Sent first once the link is up again; a queue filled meanwhile cannot take it back.
  if (!queue_.m_put(telegram, true))
    CTM_logging::m_log(2, ev::LH_QUEUE_FULL, "ss", telegram->m_asString(), interfaceName_ + ownName_);
  if (connection_ != nullptr) connection_->m_stop();
  return false;
}

void CTM_lh::m_runPass() {
  bool ok = m_connect() && m_initInterface();
  // While telegrams wait in the out-queue, the events of those sent are written
  // to the event log a batch at a time: a busy link waits for the log's store
  // once per batch, not once per telegram. They are written before the thread
  // waits, and before it turns to anything but the next queued telegram.
  std::optional<CTM_logging::c_writeTogether> held;
  int heldSends = 0;
  while (ok && !m_stopRequested() && m_isConnected()) {
    int event = m_waitForEvent(held ? 0 : -1);
    if (event != eventQueued) {
      held.reset();
      heldSends = 0;
    }
    if (event == eventNone) event = m_waitForEvent(-1);
    switch (event) {
      case eventReceived: ok = m_receiveTelegram(); break;
      case eventQueued:
        if (!held) held.emplace();
        ok = m_sendQueued();
        if (++heldSends == sendsPerLogBatch) {
          held.reset();
          heldSends = 0;
        }
        break;
      case eventTimer1: ok = m_onTimer1(); break;
      case eventTimer1 + 1: ok = m_onTimer2(); break;
      case eventTimer1 + 2: ok = m_onTimer3(); break;
      case eventTimer1 + 3: ok = m_onTimer4(); break;
      default: ok = false; break;  // stopped, or a wait that cannot work
    }
  }
  held.reset();
  m_cleanupInterface();
  m_disconnect();
}

bool CTM_lh::m_disconnect() {
  m_setInterfaceStatus(statusDown);
  m_cancelTimers();
  if (connection_ != nullptr) connection_->m_stop();
  return true;
}

bool CTM_lh::m_waitForWakeUp(int timeoutMs) {
  c_waitMultiple wait;
  wait.m_add(&stop_);
  wait.m_add(&wakeUp_);
  return wait.m_wait(timeoutMs) == 2;
}

void CTM_lh::m_clearWakeUp() {
  c_waitMultiple wait;
  wait.m_add(&wakeUp_);
  wait.m_wait(0);
}

void CTM_lh::m_cancelTimers() {
  for (c_waitableTimer& timer : timers_) timer.m_cancel();
}

bool CTM_lh::m_isOwnTelegramId(const std::string& id) const {
  for (const std::string& own : ownTelegramIds_)
    if (own == id) return true;
  return false;
}
