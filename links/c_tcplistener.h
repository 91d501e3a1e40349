#pragma once
// c_tcpListener: the listening socket on which transport controllers and
// upstream TMs connect to the TM, with its accept thread. A subclass decides who
// gets an accepted socket (m_onAccept), matching the peer against the addresses
// that the topology configures (m_peerMatches); a socket that no one takes is
// closed with an event.
//
// Every accepted peer is named by a reverse look-up first. The look-ups run on
// the listener's resolver thread: a peer whose name is not remembered waits,
// accepted, until its answer comes, or for nameWaitMs at most and is then handed
// on without a name, while the accept thread goes on accepting and handing on
// others. At most maximumWaiting peers wait so; then the accept thread accepts no
// more until one of them is handed on, and the others wait in the backlog.
//
// Threads: the owner opens, starts and closes; the accept thread is the only one
// that calls m_onAccept and the only one that touches waiting_; statusMutex_
// guards status_ and statusTime_. m_close ends the accept thread by its stop
// event and a shutdown of the socket, joins it (the peers still waiting are
// closed), then ends the resolver thread, and only then closes the socket. A
// subclass ends the accept thread (m_endListening) in its own destructor, as the
// thread calls into it; the base's destructor closes the listener.

#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "core/c_syncObject.h"
#include "links/c_peernameresolver.h"
#include "links/c_peernames.h"
#include "platform/c_annotatedmutex.h"
#include "platform/c_socket.h"

class c_tcpListener {
 public:
  static constexpr int statusOpen = 0;
  static constexpr int statusAccepting = 1;
  static constexpr int statusClosed = 2;
  static constexpr int backlog = 20;
  // How long the accept thread rests after a failed accept (out of descriptors, say).
  static constexpr int acceptRetryMs = 100;
  // How long an accepted peer waits for its name before it is handed on without
  // one: a controller must not miss its keep-alive for a silent name server.
  static constexpr int nameWaitMs = 1000;
  static constexpr std::size_t maximumWaiting = backlog;

  // name: "TC" or "USTM"; the accept thread logs under "LS" + name. names: the
  // memory of the peers' names, shared by the listeners of the process.
  explicit c_tcpListener(std::string name, c_peerNames& names = c_peerNames::m_process());
  virtual ~c_tcpListener();
  c_tcpListener(const c_tcpListener&) = delete;
  c_tcpListener& operator=(const c_tcpListener&) = delete;

  // Binds and listens on port (0: an ephemeral one) at host (empty: any local
  // address; a dotted address as given, a name looked up forward). False, with an
  // event and no socket left behind, when that fails.
  bool m_open(int port, const std::string& host);
  // Why the last m_open failed (the call and its error), for the owner to name it.
  const c_socketFailure& m_getOpenFailure() const { return openFailure_; }
  // Starts the accept thread (event either way); false when not open or already started.
  bool m_start();
  // Logs the close (every time, also for a listener that was never open), ends
  // the accept thread, closes the socket; status 2. True.
  bool m_close();
  bool m_isOpen() const { return socket_.m_isOpen(); }
  // The port the socket is bound to (the ephemeral one when opened with 0); 0 when closed.
  int m_getPort() const { return socket_.m_localPort(); }
  const std::string& m_getName() const { return name_; }
  // "((port=<port given to m_open>))"
  const std::string& m_describe();

  bool m_setStatus(int status);
  int m_getStatus() const;
  void m_getStatus(int& status, std::int64_t& utcSeconds) const;

  // An accepted peer: its address and, when the name service has one, its name.
  struct c_peer {
    std::uint32_t address = 0;
    std::string dotted;
    std::string name;  // empty: no reverse name
  };

 protected:
  // m_close without its event: for an open that replaces the socket, and for a
  // subclass's destructor, which ends the accept thread before the base's close.
  void m_endListening();

  // Decides who gets the socket: true when it was handed on (taken from
  // `accepted`); false, and the socket is closed.
  virtual bool m_onAccept(c_socket& accepted, const c_peer& peer) = 0;

  // Whether the peer is the unit configured at `address` (a host name or a dotted
  // address): its reverse name equals it exactly, or its dotted address does, or
  // a name looks up to the peer's address (waiting briefly for the name service).
  // A name that does not resolve is logged and matches nothing.
  static bool m_peerMatches(const c_peer& peer, const std::string& address);

 private:
  // An accepted peer whose name is being looked up.
  struct c_waitingPeer {
    c_socket socket;
    std::uint32_t address = 0;
    std::int64_t deadlineMs = 0;  // monotonic
    bool answered = false;
    std::string name;
  };

  void m_acceptLoop();
  // Hands the peer on at once when its name is remembered, else asks for it and lets it wait.
  void m_admit(c_socket accepted, std::uint32_t peerAddress);
  // Hands on the waiting peers whose answer has come or whose time is up, in the order they came.
  void m_handOverWaiting();
  void m_handOver(c_socket accepted, std::uint32_t peerAddress, const std::string& name);
  void m_closeSocket(c_socket& socket);

  const std::string name_;
  int port_ = 0;
  std::string host_;
  std::string describe_;
  c_socketFailure openFailure_;
  c_socket socket_;  // the owner's thread opens and closes it while no accept thread runs
  std::thread acceptThread_;
  c_event stop_;
  c_peerNames& names_;
  c_peerNameResolver resolver_;
  std::vector<c_waitingPeer> waiting_;  // in the order the peers came

  mutable c_annotatedMutex statusMutex_;
  int status_ TM_GUARDED_BY(statusMutex_) = statusClosed;
  std::int64_t statusTime_ TM_GUARDED_BY(statusMutex_) = 0;  // UTC seconds
};
