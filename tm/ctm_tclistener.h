#pragma once
// CTM_tcListener: the listener on which the transport controllers of a TM's
// logical segments connect. An accepted peer is matched against the address of
// every controller, segment by segment in child order, and the first controller
// that matches gets the socket through its published TC line handler; a peer that
// no controller matches, or a controller without line handler (its segment was
// not started), has its socket closed with an event.
//
// Threads: the accept thread reads the model (read-only while the TM runs) and
// takes a snapshot of the controller's line handler, which the controller
// publishes; the owner TM opens, starts and closes the listener.

#include "links/c_tcplistener.h"

class CTM_tm;

class CTM_tcListener : public c_tcpListener {
 public:
  explicit CTM_tcListener(CTM_tm* owner);
  // Ends the accept thread while this listener's members still exist.
  ~CTM_tcListener() override;

 protected:
  bool m_onAccept(c_socket& accepted, const c_peer& peer) override;

 private:
  CTM_tm* owner_;
};
