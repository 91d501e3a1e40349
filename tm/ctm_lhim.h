#pragma once
// CTM_lhim: the IM line handler, the link between the TM and the IM computer that
// supervises it. Two connections to two addresses of IM; the first that answers
// is used. IM restarts the TM or some of its interfaces (IMBC01), reads and
// writes parameters (IMBC02, IMBC03), reads the status flags (IMBC11) and the
// timing values (IMBC12, optionally erasing them); every answer carries the
// request's sequence number. The TM's exception reports (BCIM21) from every
// thread wait in the out-queue, within its time to live and capacity, and go out
// in their order while IM is connected.
//
// A restart of IM asked by IM replaces this very handler while its thread runs
// the request: the acknowledgement goes out first, the new handler takes the
// reports still queued here, starts, and its reaper thread shuts this one down
// and releases it once the request has finished; a handler never stops itself.
//
// Threads: m_send (through the TM's text-report route) from any thread;
// m_takeOver and m_reap from the thread that builds the handler; the rest in
// the handler's thread. The configuration locks itself.

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "links/ctm_double_connection_lh.h"

class CTM_message;
class CTM_node;

class CTM_lhim : public CTM_double_connection_lh {
 public:
  static constexpr const char* keepAliveId = "BCIM00";

  // owner: the TM node (its id gives the sub id and the equipment code of the
  // reports, its address the local host, its init runs the restart commands); not owned.
  CTM_lhim(CTM_node* owner, const std::string& host1, int port1, const std::string& host2, int port2);
  // Shuts the handler down, then the predecessors its reapers hold.
  ~CTM_lhim() override;

  // Takes over from the handler it replaces: the reports still queued there go
  // ahead of any queued here, in their order. Called again once the predecessor
  // is shut down, it takes what that one put back meanwhile.
  void m_takeOver(const std::shared_ptr<CTM_lh>& predecessor);
  // A reaper thread of this handler shuts the predecessor down and releases it:
  // for a predecessor that may be the thread that asked for the restart.
  void m_reap(const std::shared_ptr<CTM_lh>& predecessor);
  // Whether the calling thread is the thread of an IM line handler.
  static bool m_isImThread();

 protected:
  void m_run() override;
  bool m_initInterface() override { return true; }
  bool m_cleanupInterface() override { return true; }
  bool m_onTimer1() override;
  bool m_processTelegram(CTM_message* telegram) override;

 private:
  bool m_onCommandRequest(CTM_message& telegram);
  bool m_onParameterRead(CTM_message& telegram);
  bool m_onParameterWrite(CTM_message& telegram);
  bool m_onStatusRead(CTM_message& telegram);
  bool m_onTimingRead(CTM_message& telegram);

  CTM_node* owner_;
  std::string tmId_;  // the equipment code of the reports
  std::vector<std::thread> reapers_;  // the building thread starts them, the destructor joins them
};
