#include "links/ctm_server_lh.h"

#include "links/ctm_connection.h"

CTM_server_lh::~CTM_server_lh() {
  m_shutdown();
  m_disconnect();
}

bool CTM_server_lh::m_acceptConnection(c_socket accepted) {
  if (!m_beginHandOver()) return false;
  connection_ = nullptr;
  ownedConnection_.reset();
  // A count left by the last link would make the new link's first wait return before its data.
  m_clearWakeUp();
  ownedConnection_ = std::make_unique<CTM_connection>(this, std::move(accepted), false);
  connection_ = ownedConnection_.get();
  return m_endHandOver();
}

bool CTM_server_lh::m_connect() {
  m_setInterfaceStatus(statusDown);
  if (connection_ == nullptr || !connection_->m_startReceiver()) return false;
  if (!m_waitForWakeUp(-1)) return false;
  return connection_->m_getStatus() == CTM_connection::statusDataArrived && m_receiveTelegram();
}

void CTM_server_lh::m_run() { m_runPass(); }

bool CTM_server_lh::m_onKeepAlive() {
  if (connection_ == nullptr || connection_->m_getStatus() != CTM_connection::statusDataArrived) return false;
  if (!m_transmit(keepAlive_.get(), 0)) return false;
  if (m_getInterfaceStatus() == statusDown) m_setInterfaceStatus(statusUp);
  return true;
}
