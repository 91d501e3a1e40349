#pragma once
// CTM_server_lh: the role of a line handler whose peer connects to a TM listener
// (transport controllers, upstream TMs). The listener hands the accepted socket
// over; each hand-over starts one pass of the handler's thread, which answers the
// peer's keep-alive, never sends one of its own accord, and ends with the link.
// A new connection of the peer always replaces the old one.
//
// Threads: m_acceptConnection comes from the listener's accept thread; the rest
// runs in the handler's thread (see CTM_lh).

#include "links/ctm_lh.h"
#include "platform/c_socket.h"

class CTM_server_lh : public CTM_lh {
 public:
  CTM_server_lh() = default;
  ~CTM_server_lh() override;

  // Ends the running pass, replaces the connection by one on the accepted socket
  // (with no wake-up left from the last link) and starts the next pass. False,
  // with the socket closed, after m_shutdown or when no thread can start.
  bool m_acceptConnection(c_socket accepted);

 protected:
  // The peer's first telegram, which must be its keep-alive.
  bool m_connect() override;
  // One pass; the thread ends with it and the next hand-over starts another.
  void m_run() override;
  // Every keep-alive of the peer is answered once; the first makes the link up.
  bool m_onKeepAlive() override;
};
