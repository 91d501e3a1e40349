#pragma once
// CTM_connection: the link over which a line handler exchanges telegrams with one
// peer. On top of the TCP connection it runs a receiver thread that only watches
// the socket and wakes the owner when data has arrived, reads framed telegrams
// (CTM_telegramFraming) in the owner's thread, sends telegrams and raw texts with
// their line feed, and keeps a status with the time of its last change.
//
// Status: 0 down, 1 connecting, 2 connected (an accepted connection starts
// here), 3 data has arrived (set by the receiver each time the socket becomes
// readable; a working link stays at 3 until it is stopped).
//
// Handshake: the read semaphore (one count) lets the receiver report readable
// data once per telegram; m_readTelegram gives the count back after a whole
// telegram, and a stopped connection starts afresh with one count.
//
// Threads: the owner's thread connects, reads, sends and stops; the receiver
// thread sets the status and calls the owner's m_signal; the status operations
// are safe from any thread (statusMutex_ guards status and status time). m_stop
// ends the receiver by its stop event, joins it and only then closes the socket;
// it must not be called from the receiver thread (the owner's m_signal).

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "core/c_syncObject.h"
#include "platform/c_annotatedmutex.h"
#include "links/c_tcpconnection.h"
#include "links/ctm_telegramframing.h"

class CTM_connectionOwner;
class CTM_message;

class CTM_connection : public c_tcpConnection {
 public:
  static constexpr int statusDown = 0;
  static constexpr int statusConnecting = 1;
  static constexpr int statusConnected = 2;
  static constexpr int statusDataArrived = 3;

  // A client connection (status 0). With an owner, the retry keys are its
  // interface name + "__WaitSecs" and + "__MaxConnectRetry"; every wait watches
  // the owner's stop event.
  CTM_connection(CTM_connectionOwner* owner, std::string localHost, std::string remoteHost, int port,
                 bool noTerminator);
  // A connection on an accepted socket (status 2); no retry keys.
  CTM_connection(CTM_connectionOwner* owner, c_socket accepted, bool noTerminator);
  // Stops the receiver and closes the socket.
  ~CTM_connection() override;

  // From the configuration; a missing key gives its default (5 s, 0 further tries)
  // with the event LINK_RETRY_PARAMETER_MISSING once per connection. Always true.
  bool m_getRetryParameters(int& waitSeconds, int& furtherTries) override;

  using c_tcpConnection::m_connect;
  // m_stop, then one connect try and, when it succeeds, the receiver.
  virtual bool m_connect();
  // Starts the receiver thread (ending one that still runs) with the read
  // handshake reset; false when the thread could not be created.
  bool m_startReceiver();
  // Ends the receiver thread, then m_disconnect. Safe to call again.
  void m_stop();
  // Ends the receiver too (it watches the socket), closes the socket, status 0,
  // and the read handshake reset; true.
  bool m_disconnect();

  // Reads one framed telegram (the owner calls it after its wake-up, or after
  // m_claimArrival): true with out set (possibly an invalid telegram); false
  // with out empty.
  bool m_readTelegram(std::unique_ptr<CTM_message>& out);
  // Serialises and sends a telegram (no line feed on a link without terminator);
  // the telegram stays the caller's. False for none, an empty serialisation or a
  // failed send.
  bool m_sendMessage(const CTM_message* telegram);
  // Sends an already serialised text: a last byte 0xA7 is dropped and nothing
  // appended; otherwise a line feed is appended unless the link has none.
  bool m_sendText(const std::string& text);

  // Whether data has arrived (status 3), for an owner that reads also without a
  // wake-up: the wake-up given for it is taken back from the owner.
  bool m_claimArrival();

  bool m_setStatus(int status);
  bool m_getStatus(int& status) const;
  bool m_getStatus(int& status, std::int64_t& utcSeconds) const;
  bool m_getStatusTime(std::int64_t& utcSeconds) const;
  int m_getStatus() const;

  bool m_isReceiverRunning() const { return receiver_.joinable(); }
  bool m_hasNoTerminator() const { return framing_.m_hasNoTerminator(); }

 private:
  void m_receive();
  void m_endReceiver();
  void m_resetReadHandshake();

  CTM_connectionOwner* owner_;  // not owned
  std::thread receiver_;
  c_event receiverStop_;  // set by m_stop to end the receiver
  // Makes the receiver's status 3 and its wake-up one step for m_claimArrival.
  c_annotatedMutex arrivalMutex_;
  mutable c_annotatedMutex statusMutex_;
  c_semaphore readSemaphore_{1, 1};
  int status_ TM_GUARDED_BY(statusMutex_) = statusDown;
  std::int64_t statusTime_ TM_GUARDED_BY(statusMutex_) = 0;  // UTC seconds
  CTM_telegramFraming framing_;
  std::string waitKey_;
  std::string retryKey_;
};
