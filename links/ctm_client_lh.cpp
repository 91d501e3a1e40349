#include "links/ctm_client_lh.h"

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "links/ctm_connection.h"
#include "platform/c_clock.h"

CTM_client_lh::CTM_client_lh() { keepAliveInterval_ = 30; }

CTM_client_lh::~CTM_client_lh() {
  m_shutdown();
  m_disconnect();
}

void CTM_client_lh::m_run() {
  while (!m_stopRequested()) m_runPass();
}

bool CTM_client_lh::m_onKeepAlive() {
  keepAlivePending_ = false;
  if (m_getInterfaceStatus() == statusDown) {
    m_setInterfaceStatus(statusUp);
    m_armKeepAliveTimer();
  }
  return true;
}

bool CTM_client_lh::m_onTimer1() {
  if (connection_ == nullptr || connection_->m_getStatus() != CTM_connection::statusDataArrived) return false;
  if (keepAlivePending_) {
    m_logUnanswered();
    return false;
  }
  if (!m_transmit(keepAlive_.get(), 0)) return false;
  keepAlivePending_ = true;
  return true;
}

bool CTM_client_lh::m_tryConnection(CTM_connection& connection) {
  m_setInterfaceStatus(statusDown);
  connection_ = &connection;
  keepAlivePending_ = false;
  return connection.m_connect() && m_transmit(keepAlive_.get(), 0);
}

bool CTM_client_lh::m_isTryDue(bool up, std::int64_t lastTryMs, int waitSeconds) const {
  if (lastTryMs < 0) return true;
  const std::int64_t sinceMs = c_clock::m_monotonicMilliseconds() - lastTryMs;
  if (!up) return sinceMs >= std::int64_t{waitSeconds} * 1000;
  if (sinceMs < std::int64_t{keepAliveInterval_} * 1000) return false;
  m_logUnanswered();
  return true;
}

void CTM_client_lh::m_logUnanswered() const {
  CTM_logging::m_log(2, ev::LH_KEEPALIVE_UNANSWERED, "si", interfaceName_ + ownName_, keepAliveInterval_);
}

bool CTM_client_lh::m_nextCycle(int& cycles, int maxCycles) {
  if (maxCycles <= 0) return true;
  if (cycles >= maxCycles) return false;
  ++cycles;
  return true;
}

void CTM_client_lh::m_readKeepAliveInterval(const std::string& keepAliveId, int foundSeverity) {
  int interval = 0;
  if (CTM_config::m_getInteger(keepAliveId + "_Interval", interval)) {
    keepAliveInterval_ = interval;
    CTM_logging::m_log(foundSeverity, ev::LH_KEEPALIVE_INTERVAL, "si", keepAliveId, interval);
  } else {
    keepAliveInterval_ = defaultKeepAliveInterval;
    CTM_logging::m_log(2, ev::LH_KEEPALIVE_INTERVAL_MISSING, "si", keepAliveId, keepAliveInterval_);
  }
}

void CTM_client_lh::m_armKeepAliveTimer() { timers_[0].m_set(keepAliveInterval_ > 0 ? keepAliveInterval_ : 1, 0); }
