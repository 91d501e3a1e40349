#pragma once
// c_socket: an IPv4 TCP socket as the TM's links need it, and the name look-ups
// that go with it. The only place of the system that touches socket calls.
//
// Every socket is non-blocking and every wait is a poll on the descriptor that
// also watches a stop object (any c_waitable; usually a manual-reset stop event),
// so that a thread blocked on a link returns as soon as its owner asks it to
// stop. Sends use MSG_NOSIGNAL: a peer that has gone never raises SIGPIPE.
// Deadlines are absolute, in milliseconds of the monotonic c_clock; a negative
// deadline never passes.
//
// Failures come back as the errno value and the name of the failing call, which
// the callers log with their own events. Addresses are IPv4 in host order
// (a.b.c.d is a << 24 | b << 16 | c << 8 | d).
//
// One thread uses a socket at a time, except m_shutdown, which another thread may
// call while the owner waits in it (the owner must not close it meanwhile).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class c_waitable;

// What failed: errno (or a name-service code) and the call ("connect()").
struct c_socketFailure {
  int error = 0;
  const char* call = "";
};

// What setting the two buffer sizes gave, one failure per option (an empty call
// where the option was set or left alone).
struct c_bufferSizeFailures {
  c_socketFailure send;
  c_socketFailure receive;
};

enum class c_socketResult {
  done,      // everything asked for happened
  timedOut,  // the deadline passed first
  closed,    // the peer closed its side (receive) or the link is gone
  failed,    // a socket call failed; see the failure
  stopped,   // the stop object became ready first
};

class c_socket {
 public:
  c_socket() = default;
  // Takes over an open descriptor.
  explicit c_socket(int descriptor) : descriptor_(descriptor) {}
  ~c_socket();
  c_socket(c_socket&& other) noexcept : descriptor_(other.m_release()) {}
  c_socket& operator=(c_socket&& other) noexcept;
  c_socket(const c_socket&) = delete;
  c_socket& operator=(const c_socket&) = delete;

  bool m_isOpen() const { return descriptor_ >= 0; }
  int m_descriptor() const { return descriptor_; }
  // Gives up the descriptor without closing it.
  int m_release();

  // A connected client socket: bound to localAddress (0 = any) with port 0, send
  // and receive buffers of bufferSize bytes (0: the system's), TCP_NODELAY, and a
  // non-blocking connect that must complete within timeoutMs. On failure `out`
  // stays closed and no descriptor is left behind. Buffer sizes the system refuses
  // do not stop the connect; they are given in bufferFailures when it is set.
  static c_socketResult m_connect(std::uint32_t localAddress, std::uint32_t remoteAddress, int port, int bufferSize,
                                  std::int64_t timeoutMs, c_waitable* stop, c_socket& out, c_socketFailure& failure,
                                  c_bufferSizeFailures* bufferFailures = nullptr);
  // A listening socket on address (0 = any) and port (0 = an ephemeral one), with
  // SO_REUSEADDR so that a restarted TM binds its port again at once.
  static bool m_listen(std::uint32_t address, int port, int backlog, c_socket& out, c_socketFailure& failure);

  // Takes one pending connection of a listening socket without waiting: done with
  // `out` (non-blocking, TCP_NODELAY) and the peer's address; timedOut when none is
  // pending. EMFILE/ENFILE come back as failed with that error.
  c_socketResult m_accept(c_socket& out, std::uint32_t& peerAddress, c_socketFailure& failure);
  // The local port the socket is bound to (0 when unknown).
  int m_localPort() const;

  // Sets SO_SNDBUF and SO_RCVBUF; a size of 0 or less leaves that option alone.
  // Both are tried; a failure's call is "SO_SNDBUF" or "SO_RCVBUF". True when
  // neither failed.
  bool m_setBufferSizes(int sendSize, int receiveSize, c_bufferSizeFailures& failures);

  // Sends all of data before the deadline; `sent` counts what went out.
  c_socketResult m_sendAll(std::string_view data, std::int64_t deadlineMs, c_waitable* stop, std::size_t& sent,
                           c_socketFailure& failure);
  // Receives exactly count bytes into buffer before the deadline; `received`
  // counts what arrived (the caller drops a partial receive).
  c_socketResult m_receiveExact(char* buffer, std::size_t count, std::int64_t deadlineMs, c_waitable* stop,
                                std::size_t& received, c_socketFailure& failure);
  // Waits until the socket is readable (data, a pending connection, the peer's
  // close or an error): done; or timedOut, stopped, failed.
  c_socketResult m_waitReadable(std::int64_t deadlineMs, c_waitable* stop, c_socketFailure& failure);
  // The same, watching several objects: stopped when one of them is ready first,
  // with its index in `ready` (the wait takes that object, as c_waitForAny does).
  c_socketResult m_waitReadable(std::int64_t deadlineMs, c_waitable* const* objects, std::size_t count,
                                std::size_t& ready, c_socketFailure& failure);

  // shutdown(SHUT_RDWR): every wait on the socket returns. Safe from another thread.
  bool m_shutdown(c_socketFailure& failure);
  // Closes the descriptor; false with the failure when close() reported one (the
  // descriptor is gone all the same).
  bool m_close(c_socketFailure& failure);

 private:
  int descriptor_ = -1;
};

// How long a name look-up waits for a name server that does not answer: as the
// system is set up (several tries of several seconds, about ten seconds in all
// with the usual settings), or briefly, for a look-up that a peer's connection
// waits for: one try of one second for each name server listed.
enum class c_lookUpWait { system, brief };

// A host as the TM's configuration gives it, turned into an address: a dotted
// address is used as given (no reverse name is required); a name is looked up
// forward (getaddrinfo, IPv4) and its first address taken. The failure names
// "getaddrinfo()" with its code (errno for EAI_SYSTEM).
bool c_resolveHost(const std::string& host, std::uint32_t& address, c_socketFailure& failure,
                   c_lookUpWait wait = c_lookUpWait::system);
// Why the call failed, for a person: the system's text of the error, or for a
// name look-up "the name does not resolve" (or the name service's own text).
std::string c_socketFailureText(const c_socketFailure& failure);
// Whether text is a dotted IPv4 address (four decimal numbers 0-255), and its value.
bool c_parseDottedAddress(std::string_view text, std::uint32_t& address);
// "a.b.c.d".
std::string c_dottedAddress(std::uint32_t address);
// The host name that the name service gives for the address; false when it has none.
bool c_reverseName(std::uint32_t address, std::string& name);
// The same, telling an answer that the address has no name (none) from a name
// service that could not answer (failed: no server reached, or none answered
// within the brief wait).
enum class c_nameLookup { found, none, failed };
c_nameLookup c_lookUpName(std::uint32_t address, std::string& name, c_lookUpWait wait = c_lookUpWait::system);
