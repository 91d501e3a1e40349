#pragma once
// CTM_lhdstm: the link to one downstream TM, whose tracking points are fed by
// tracking points of this TM. It connects out to the downstream TM's listener,
// keeps the link alive with UD00, asks for the state of the logical connections
// (UD02) first after every connect, carries the hand-over telegrams that the TM
// queues (UD01, UD11, UD12, UD13) and applies the downstream TM's DU01 reports to
// the state of the downstream tracking points, which the route search reads.
//
// Threads: any thread may queue with m_send; everything else runs in the
// handler's thread. The segments' entry points take the segment lock themselves.
// The nodes it uses outlive it (the TM node shuts it down before they go).

#include <string>

#include "links/ctm_single_connection_lh.h"

class CTM_message;
class CTM_node;
class CTM_tm;

class CTM_lhdstm : public CTM_single_connection_lh {
 public:

  // owner: the TM node (its segments, its address as the local host, the equipment
  // code of the reports to IM); downstreamTmId: the peer TM's node id. Not owned.
  CTM_lhdstm(CTM_node* owner, const std::string& downstreamTmId, const std::string& remoteHost, int port);
  ~CTM_lhdstm() override;

 protected:
  // Puts UD02 at the head of the out-queue: the first telegram after each connect.
  bool m_initInterface() override;
  bool m_cleanupInterface() override;
  // The keep-alive, then timer 1 again after the interval read anew.
  bool m_onTimer1() override;
  bool m_processTelegram(CTM_message* telegram) override;

 private:
  // "UD00_Interval", logged at that severity when found.
  void m_readKeepAliveInterval(int severity);
  bool m_onConnectionState(CTM_message& telegram);

  CTM_tm* owner_;
  std::string tmId_;
};
