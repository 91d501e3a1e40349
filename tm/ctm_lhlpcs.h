#pragma once
// CTM_lhlpcs: the LPCS line handler, the TM's client link to the LPC server, which
// holds the passenger and flight data of each licence plate code. One connection
// without line terminators: CS telegrams go out as header and data, received ones
// are framed by their length. After every connect it asks again for every LPC
// whose request is open (CS02), before any queued telegram; CS02 and CS03 queued
// by the TM's senders go out with its next sequence number; the server's data
// (SC01, SC02) and FSC values (SC11, SC12) go to every logical segment. When the
// link ends, the answered requests are released (CS03) while the connection still
// carries them (also when the handler is stopped); a transmit that fails ends that
// walk at once.
//
// Threads: any thread may queue with m_send; everything else runs in the
// handler's thread. The segments' entry points take their own segment lock. The
// TM node and its segments outlive the handler (the TM shuts it down first).

#include <string>
#include <vector>

#include "links/ctm_single_connection_lh.h"

class CTM_message;
class CTM_node;
class CTM_runningLs;
class CTM_tm;

class CTM_lhlpcs : public CTM_single_connection_lh {
 public:
  // owner: the TM node (not owned); its id gives the sub ids, its address the
  // local host of the connection.
  CTM_lhlpcs(CTM_node* owner, const std::string& host, int port);
  ~CTM_lhlpcs() override;

 protected:
  // CS02 for every open request of every segment.
  bool m_initInterface() override;
  // CS03 for every answered request of every segment.
  bool m_cleanupInterface() override;
  // The keep-alive, then the interval read again and timer 1 armed once.
  bool m_onTimer1() override;
  bool m_processTelegram(CTM_message* telegram) override;
  // A stopping handler's thread releases the answered requests on the link before
  // it closes it: the socket is shut down only when the thread has not ended
  // within the grace time (a call blocked on the link then returns, and the walk
  // ends at its first failed transmit).
  void m_shutdownSockets() override;

 private:
  static constexpr int shutdownGraceMs = 500;

  using c_collect = bool (CTM_runningLs::*)(std::vector<std::string>&);
  // Transmits one telegram of that kind per LPC that each segment lists, with the
  // next sequence number; false at the first that fails.
  template <class Request>
  bool m_requestEach(c_collect collect);
  // SC01, SC02: the LPC data to every segment.
  template <class Data>
  bool m_onLpcData(CTM_message& telegram);
  // SC11, SC12: the FSC to every segment.
  template <class Fsc>
  bool m_onFsc(CTM_message& telegram);

  CTM_tm* tm_;  // the owner as a TM node, or null
};
