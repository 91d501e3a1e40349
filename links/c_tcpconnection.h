#pragma once
// c_tcpConnection: a plain TCP connection of the TM. It connects from a local
// host to a remote host and port (or wraps a socket that a listener accepted),
// sends a text within a time limit and receives exactly a number of bytes within
// a deadline. It knows nothing of telegrams (CTM_connection adds those). Socket
// failures are logged with errno and the name of the failing call.
//
// Threads: one thread (the owner's) connects, sends, receives and closes.
// m_shutdownSocket may be called from any thread to make that thread's blocked
// calls return; the socket mutex guards the descriptor against a close meanwhile.
// Every wait also watches the stop event given with m_setStopEvent.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "links/c_bytesource.h"
#include "platform/c_annotatedmutex.h"
#include "platform/c_socket.h"

class c_waitable;

class c_tcpConnection : public c_byteSource {
 public:
  // One send takes texts shorter than this; one exact receive at most receiveBufferSize bytes.
  static constexpr std::size_t sendBufferSize = 10000;
  static constexpr std::size_t receiveBufferSize = 9999;
  static constexpr int defaultSendTimeout = 5;        // seconds
  static constexpr int defaultWaitSeconds = 5;        // between connect tries
  static constexpr int socketBufferSize = 200000;     // SO_SNDBUF and SO_RCVBUF of a client socket
  // Of an accepted socket: its peer sends short telegrams and reads their short answers.
  static constexpr int acceptedBufferSize = 32768;
  static constexpr std::int64_t connectLimitMs = 5000;  // one connect try

  // A client connection, not yet connected. An empty local host binds to any address.
  c_tcpConnection(std::string localHost, std::string remoteHost, int port);
  // A connection on a socket that a listener accepted; it can never connect again.
  explicit c_tcpConnection(c_socket accepted);
  ~c_tcpConnection() override;
  c_tcpConnection(const c_tcpConnection&) = delete;
  c_tcpConnection& operator=(const c_tcpConnection&) = delete;

  // The wait between connect tries and the number of further tries: 5 and 0 here.
  virtual bool m_getRetryParameters(int& waitSeconds, int& furtherTries);

  // Opens the connection: furtherTries + 1 tries, waitSeconds (at least 1) apart;
  // both negative: from m_getRetryParameters. A dotted remote address is used as
  // given, a host name is looked up forward; each try connects within 5 s. False
  // at once for an accepted connection (whose socket is closed) and when stopped.
  bool m_connect(int waitSeconds, int furtherTries);
  // Shuts down and closes the socket, if there is one; true.
  bool m_close();
  // Wakes any call blocked on the socket (shutdown of both directions) without
  // closing it. Safe from any thread.
  void m_shutdownSocket();
  // Tries both options; each one the system refuses is logged.
  void m_setBufferSizes(int sendSize, int receiveSize);

  // Sends the whole text within the send time-out: its length; 0 when the time
  // ran out; -1 on failure, without socket, or for a text of sendBufferSize bytes
  // or more (refused with an event, nothing sent).
  int m_send(const std::string& text);
  // Receives exactly count bytes, waiting at most timeoutSeconds in all (negative:
  // no limit): count; 0 on time-out; -1 on error, peer close, stop, or a count
  // beyond receiveBufferSize. On 0 and -1 out is unchanged.
  int m_recvExact(std::string& out, int count, int timeoutSeconds);
  // The same with an absolute deadline (monotonic c_clock milliseconds; negative: none).
  int m_readExact(std::string& out, std::size_t count, std::int64_t deadlineMs) override;
  // Blocks until the socket is readable (or the peer closed); false when it
  // failed, has no socket or the stop event was set.
  bool m_waitReadable();
  // Seconds one send may take in all; negative: no limit.
  void m_setTimeout(int seconds) { sendTimeout_ = seconds; }
  // Every wait of the owner's thread returns when this object is ready (null: none).
  void m_setStopEvent(c_waitable* stop) { stop_ = stop; }

  bool m_isAccepted() const { return accepted_; }
  bool m_hasSocket() const { return socket_.m_isOpen(); }
  // "((localHostOrIP=...)(remoteHostOrIP=...)(remotePort=...)(status=...))"
  const std::string& m_describe();

 protected:
  // The socket, for the receiver thread's wait; valid while the connection is open.
  c_socket& m_socket() { return socket_; }
  c_waitable* m_stopEvent() const { return stop_; }
  const std::string& m_remoteHost() const { return remoteHost_; }
  int m_remotePort() const { return remotePort_; }

 private:
  bool m_tryConnect();
  void m_logFailure(const c_socketFailure& failure) const;
  static void m_logBufferFailures(const c_bufferSizeFailures& failures);

  const bool accepted_;
  const std::string localHost_;
  const std::string remoteHost_;
  const int remotePort_;
  int sendTimeout_ = defaultSendTimeout;
  int status_ = 0;
  std::array<char, receiveBufferSize> receiveBuffer_{};
  c_annotatedMutex socketMutex_;  // guards the descriptor of socket_ between close and m_shutdownSocket
  c_socket socket_;
  c_waitable* stop_ = nullptr;  // not owned
  std::string describe_;
};
