#pragma once
// CTM_lhoc: the OC line handler, the TM's client link to the OC computer over two
// connections to two addresses of it (the first whose peer answers the keep-alive
// is used). After every connect it announces the TM's logical segments (MO01); it
// carries out OC's requests on the segments (transport-specification download
// OM02/OM03/OM04, item selection OM09, status request OM05, item record OM08),
// answering with the request's sequence number, and transmits the reports that
// tracking queues for OC (MO08, MO10, MO11) with its next sequence number.
//
// Threads: any thread may queue with m_send; everything else runs in the
// handler's thread. The segments' entry points take their own segment lock. The
// TM node and its segments outlive the handler (the TM shuts it down first).

#include <string>

#include "links/ctm_double_connection_lh.h"

class CTM_message;
class CTM_node;
class CTM_runningLs;
class CTM_tm;

class CTM_lhoc : public CTM_double_connection_lh {
 public:
  // owner: the TM node (not owned); its id gives the sub ids, its address the
  // local host of both connections.
  CTM_lhoc(CTM_node* owner, const std::string& host1, int port1, const std::string& host2, int port2);
  ~CTM_lhoc() override;

 protected:
  // Queues MO01 with the TM's segments.
  bool m_initInterface() override;
  bool m_cleanupInterface() override;
  // The keep-alive, then the interval read again and timer 1 armed once.
  bool m_onTimer1() override;
  bool m_processTelegram(CTM_message* telegram) override;

 private:
  bool m_onBeginDownload(CTM_message& request);
  bool m_onTransSpec(CTM_message& request);
  bool m_onEndDownload();
  bool m_onSelection(CTM_message& request);
  bool m_onStatusRequest(CTM_message& request);
  bool m_onItemRecord(CTM_message& request);
  // The running segment with that id; null after reporting the unknown id.
  CTM_runningLs* m_findSegment(const std::string& lsId, const CTM_message& request, const char* requestId);

  CTM_tm* tm_;        // the owner as a TM node, or null
  std::string tmId_;  // the equipment code of the reports to IM
};
