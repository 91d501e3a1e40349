#pragma once
// CTM_lhtc: the TC line handler, the link between the TM and one transport
// controller. The TC connects to the TM's TC listener, which hands the socket over
// (m_acceptConnection). Each item report of the TC becomes a call on the logical
// segment that owns the controller, answered with TMTC01 or TMTC02 (carrying the
// received sequence number) where the protocol asks for one; technical-segment
// reports and parameter lists are applied here. Routing orders that the segment
// queues with m_send go out from the handler's thread.
//
// Threads: the listener's accept thread calls m_acceptConnection; any thread may
// queue with m_send; everything else runs in the handler's thread. The handler
// keeps no lock of its own: the segment's entry points take the segment lock, the
// configuration its own. The nodes it uses outlive it (the controller node shuts it
// down before it goes).

#include <string>

#include "links/ctm_server_lh.h"

class CTM_message;
class CTM_node;
class CTM_runningLs;
class CTM_runningTm;
class CTM_tc;
class CTM_tp;
class CTM_ts;

class CTM_lhtc : public CTM_server_lh {
 public:
  // Seconds of the clean-up interval when "Cleanup_Interval" is missing.
  static constexpr long defaultCleanupInterval = 3600;
  // Seconds from link-up to the first TMTC22, and between the next ones.
  static constexpr int firstStatusRequestDelay = 1;
  static constexpr int statusRequestPeriod = 300;

  // owner: the TM node (equipment code of the reports to IM, its upstream TM links,
  // its successor edges); controller (not null): the transport controller served,
  // whose parent is the logical segment. Neither is owned. Texts for IM go through
  // the TM above the controller.
  CTM_lhtc(CTM_node* owner, CTM_tc* controller);
  ~CTM_lhtc() override;

 protected:
  bool m_initInterface() override;
  bool m_cleanupInterface() override;
  // TMTC22, then again after the period.
  bool m_onTimer2() override;
  // The segment's purge, then again when its next one is due.
  bool m_onTimer4() override;
  bool m_processTelegram(CTM_message* telegram) override;

 private:
  // The tracking point of this controller with that id; null after reporting it.
  CTM_tp* m_findTrackingPoint(const std::string& equipmentCode, const CTM_message& telegram);
  // The technical segment of this controller with that id; null after reporting it.
  CTM_ts* m_findTechnicalSegment(const std::string& segmentId);
  // Timer 4 for the segment's next purge.
  void m_armCleanupTimer();
  int m_cleanupSeconds() const;

  bool m_onItemReport(CTM_message& telegram);
  bool m_onSegmentAvailability(CTM_message& telegram);
  bool m_onSegmentOccupation(CTM_message& telegram);
  bool m_onParameterList(CTM_message& telegram);

  CTM_node* owner_;
  std::string tmId_;          // the equipment code of the texts for IM
  CTM_runningTm* runningTm_;  // the owner as a running TM, or null
  CTM_tc* controller_;
  CTM_runningLs* segment_;    // the controller's parent as a running segment, or null
  long cleanupInterval_ = defaultCleanupInterval;  // the handler's thread only
};
