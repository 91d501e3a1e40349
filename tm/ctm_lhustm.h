#pragma once
// CTM_lhustm: the link from one upstream TM, whose tracking points feed tracking
// points of this TM. The upstream TM connects to this TM's listener, which hands
// the socket over (m_acceptConnection). Announced and updated items (UD11, UD12)
// go to the segment that the logical connect id names and are acknowledged with
// DU11; withdrawn ones (UD13) leave it; a UD02 is answered with the state of every
// logical connection from the upstream TM (one DU01 each).
//
// When the handler is shut down while the link is up, the upstream TM learns that
// every logical connection from it is no longer available: the handler's thread
// sends that report after its event loop and before the connection closes, so the
// sockets are not shut down under it (every wait of the thread watches the stop
// event instead, and a send that cannot go out at once ends there). A link that
// is already down (the upstream TM left, or connected again and so replaced it)
// gets no report, and the report uses no sequence number.
//
// Threads: the listener's accept thread calls m_acceptConnection; any thread may
// queue DU01 with m_send; everything else runs in the handler's thread. The
// tracking-point states it reads are atomic; the segments' entry points take the
// segment lock. The nodes it uses outlive it.

#include <string>

#include "links/ctm_server_lh.h"

class CTM_message;
class CTM_node;
class CTM_tm;

class CTM_lhustm : public CTM_server_lh {
 public:
  // owner: the TM node (its segments and tracking points, the equipment code of
  // the reports to IM); upstreamTmId: the peer TM's node id. Not owned.
  CTM_lhustm(CTM_node* owner, const std::string& upstreamTmId);
  ~CTM_lhustm() override;

  // One DU01 per tracking point of this TM fed over a logical connection from the
  // upstream TM: with a UD02 request its state, echoing the request's sequence
  // number; without one "not available", with the next number, and nothing when
  // the link is already down. The first failed transmit ends the walk (false).
  bool m_sendConnectionStates(CTM_message* request);

 protected:
  bool m_initInterface() override;
  // Every logical connection from the upstream TM reported not available.
  bool m_cleanupInterface() override;
  bool m_processTelegram(CTM_message* telegram) override;
  // Leaves the sockets open for the not-available report (see above), except
  // for a hand-over.
  void m_shutdownSockets() override;

 private:
  bool m_onItem(CTM_message& telegram);
  bool m_onWithdrawal(CTM_message& telegram);
  // Event and report to IM for a logical connect id that names no segment.
  void m_reportUnknownConnection(const CTM_message& telegram, const std::string& connectId);

  CTM_tm* owner_;
  std::string tmId_;
};
