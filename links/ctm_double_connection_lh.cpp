#include "links/ctm_double_connection_lh.h"

#include "links/ctm_connection.h"
#include "platform/c_clock.h"

CTM_double_connection_lh::~CTM_double_connection_lh() {
  m_shutdown();
  m_disconnect();
  connection_ = nullptr;
  connection1_.reset();
  connection2_.reset();
}

void CTM_double_connection_lh::m_shutdownSockets() {
  if (connection1_) connection1_->m_shutdownSocket();
  if (connection2_) connection2_->m_shutdownSocket();
}

bool CTM_double_connection_lh::m_disconnect() {
  CTM_client_lh::m_disconnect();
  if (connection1_) connection1_->m_stop();
  if (connection2_) connection2_->m_stop();
  return true;
}

bool CTM_double_connection_lh::m_connect() {
  m_setInterfaceStatus(statusDown);
  if (!connection1_ || !connection2_) return false;
  int waitSeconds = 0;
  int maxCycles = 0;
  connection1_->m_getRetryParameters(waitSeconds, maxCycles);
  connection1_->m_stop();
  connection2_->m_stop();
  connection_ = nullptr;

  struct c_side {
    CTM_connection* connection;
    bool up = false;
    std::int64_t lastTryMs = -1;
  };
  c_side sides[] = {{connection1_.get()}, {connection2_.get()}};
  int cycles = 0;
  while (!m_stopRequested() && m_nextCycle(cycles, maxCycles)) {
    for (c_side& side : sides)
      if (m_isTryDue(side.up, side.lastTryMs, waitSeconds)) {
        side.lastTryMs = c_clock::m_monotonicMilliseconds();
        side.up = m_tryConnection(*side.connection);
      }
    // As the single connection: each side is read whenever data has arrived on it.
    m_waitForWakeUp(cycleMs);
    for (c_side& side : sides) {
      if (side.connection->m_claimArrival()) {
        connection_ = side.connection;
        if (m_receiveTelegram()) {
          (side.connection == connection1_.get() ? connection2_ : connection1_)->m_stop();
          return true;
        }
      }
      if (side.connection->m_getStatus() == CTM_connection::statusDown) side.up = false;
    }
  }
  return false;
}
