#pragma once
// CTM_double_connection_lh: a client line handler with two connections to two
// addresses of the same peer (IM, OC), created by the interface constructor. Both
// are tried in each connect cycle and both receive the keep-alive; the first
// whose peer answers is used and the other is stopped. When both have answered
// by the time the handler looks, connection 1 wins.

#include <memory>

#include "links/ctm_client_lh.h"

class CTM_double_connection_lh : public CTM_client_lh {
 public:
  // Deletes both connections (after the thread has ended).
  ~CTM_double_connection_lh() override;

 protected:
  CTM_double_connection_lh() = default;

  bool m_connect() override;
  // Both connections: a stop in the middle of a connect cycle leaves the side
  // not chosen with its receiver running too.
  bool m_disconnect() override;
  void m_shutdownSockets() override;

  std::unique_ptr<CTM_connection> connection1_;
  std::unique_ptr<CTM_connection> connection2_;
};
