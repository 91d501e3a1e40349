#pragma once
// CTM_ustmListener: the listener on which the upstream TMs connect. An accepted
// peer is matched against the address of each predecessor TM in order, and the
// first that matches gets the socket through the USTM line handler that the TM
// keeps for it; a peer that no predecessor matches, or a predecessor without line
// handler, has its socket closed with an event.
//
// Threads: the accept thread reads the model (read-only while the TM runs) and
// takes a snapshot of the published line handler; the owner TM opens, starts and
// closes the listener.

#include "links/c_tcplistener.h"

class CTM_runningTm;

class CTM_ustmListener : public c_tcpListener {
 public:
  explicit CTM_ustmListener(CTM_runningTm* owner);
  // Ends the accept thread while this listener's members still exist.
  ~CTM_ustmListener() override;

 protected:
  bool m_onAccept(c_socket& accepted, const c_peer& peer) override;

 private:
  CTM_runningTm* owner_;
};
