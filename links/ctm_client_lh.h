#pragma once
// CTM_client_lh: the role of a line handler that connects out to its peer (MC,
// IM, OC, LPCS, the downstream TM). Its thread lives as long as the handler:
// connect, serve the link, clean up, disconnect, and connect again. It sends its
// keep-alive right after connecting and then every keep-alive interval, with at
// most one unanswered: one still unanswered when the interval runs out again
// ends the link. Two subclasses own the connections: one, or two to two
// addresses of the same peer.
//
// Threads: everything runs in the handler's thread (see CTM_lh).

#include <cstdint>
#include <string>

#include "links/ctm_lh.h"

class CTM_client_lh : public CTM_lh {
 public:
  ~CTM_client_lh() override;

 protected:
  CTM_client_lh();

  // For ever, until the handler is shut down: connect, serve, clean up, disconnect.
  void m_run() override;
  // The peer answered: nothing pending; the first answer makes the link up and
  // arms timer 1 once for the keep-alive interval.
  bool m_onKeepAlive() override;
  // Sends the next keep-alive; false (the link ends) when the last one is still
  // unanswered. Timer 1 is armed again by the interface.
  bool m_onTimer1() override;

  // One connect try on the connection, made the one in use: connected and the
  // own keep-alive sent.
  bool m_tryConnection(CTM_connection& connection);
  // A try is due when the link is not up and waitSeconds have passed since the
  // last try, or when it is up and the keep-alive interval has (the peer never
  // answered, which is logged). lastTryMs < 0: no try yet.
  bool m_isTryDue(bool up, std::int64_t lastTryMs, int waitSeconds) const;
  // The peer let a keep-alive go unanswered for an interval: the link ends.
  void m_logUnanswered() const;
  // Counts one connect cycle: false when maxCycles (0 or less: no limit) are used up.
  static bool m_nextCycle(int& cycles, int maxCycles);
  // Reads the keep-alive interval from the key keepAliveId + "_Interval" (event at
  // the given severity), or takes the default with a warning.
  void m_readKeepAliveInterval(const std::string& keepAliveId, int foundSeverity);
  // Timer 1 runs out once after the keep-alive interval; one of 0 or less counts as
  // one second, so that the timer never fires without pause.
  void m_armKeepAliveTimer();

  // One connect cycle waits this long for data at most.
  static constexpr int cycleMs = 1000;
  static constexpr int defaultKeepAliveInterval = 30;

  bool keepAlivePending_ = false;
};
