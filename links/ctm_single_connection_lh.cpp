#include "links/ctm_single_connection_lh.h"

#include "links/ctm_connection.h"
#include "platform/c_clock.h"

bool CTM_single_connection_lh::m_connect() {
  m_setInterfaceStatus(statusDown);
  connection_ = ownedConnection_.get();
  if (connection_ == nullptr) return false;
  int waitSeconds = 0;
  int maxCycles = 0;
  connection_->m_getRetryParameters(waitSeconds, maxCycles);
  connection_->m_stop();
  if (sleepBeforeConnect_ && m_sleepOrStop(waitSeconds * 1000)) return false;

  bool up = false;
  std::int64_t lastTryMs = -1;
  int cycles = 0;
  while (!m_stopRequested() && m_nextCycle(cycles, maxCycles)) {
    if (m_isTryDue(up, lastTryMs, waitSeconds)) {
      lastTryMs = c_clock::m_monotonicMilliseconds();
      up = m_tryConnection(*connection_);
    }
    // Read whenever data has arrived, woken or not: a peer whose first answer
    // was no valid telegram has its next read time out, and is connected again.
    m_waitForWakeUp(cycleMs);
    if (connection_->m_claimArrival() && m_receiveTelegram()) return true;
    if (connection_->m_getStatus() == CTM_connection::statusDown) up = false;
  }
  return false;
}
