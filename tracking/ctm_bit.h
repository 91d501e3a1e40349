#pragma once
// CTM_BIT: the tracking record of one baggage item: its record (CTM_itemData: its
// identity, the data that OC, LPCS, MC and the neighbouring TMs deliver, what the
// transport controllers measured), where it was last seen, where it is to go, and
// its trace file.
// Items are changed only under the segment lock of the segment that holds them.

#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tracking/ctm_destination.h"
#include "tracking/ctm_itemdata.h"
#include "tracking/ctm_lpcinfo.h"

class CTM_BIT_trace;
class CTM_ls;
class CTM_node;
class CTM_transSpec;

class CTM_BIT : public CTM_itemData {
 public:
  // Event codes: what a segment dispatches and the kind of a trace record.
  enum c_event {
    ENTER, EXIT, TRS, OSIZE, GARB, TLATE, DIV, NOT_DIV, INSUFFICIENT_INFO, UNAVAILABLE_OUTPUT,
    UNAVAILABLE_BUFFER, UNKNOWN_DESTINATION, UNEXPECTED, MISSING, UNKNOWN, SELECT, NO_READ,
    CODING_TERMINAL, SCN, SCR, SIZE, TRACE, BIT, FSC, EOD, CLEAN_UP
  };
  // The LPC data request towards LPCS.
  enum c_lpcRequest { lpcNone, lpcRequestDue, lpcRequestSent, lpcDataReceived, lpcAnswerSent };

  using c_destinationList = std::vector<CTM_destination>;

  CTM_BIT();
  // An item with the data of a record (from a telegram).
  explicit CTM_BIT(const CTM_itemData& data);
  ~CTM_BIT() override;
  CTM_BIT(const CTM_BIT&) = delete;
  CTM_BIT& operator=(const CTM_BIT&) = delete;

  int m_getPIC() const { return PIC_; }
  // The PIC of the latest transport-controller report, for the telegrams the TM
  // sends on its own about the item.
  bool m_setPIC(int pic) { PIC_ = pic; return true; }
  int m_getLpcRequestState() const { return lpcRequestState_; }
  bool m_setLpcRequestState(int state) { lpcRequestState_ = state; return true; }
  bool m_isAnnounced() const { return announced_; }
  bool m_isScreening() const { return screening_; }
  void m_markScreening() { screening_ = true; }
  int m_incrementRecirculation() { return ++recirculationCount_; }
  int m_getRecirculationCount() const { return recirculationCount_; }
  CTM_ls* m_getOwningSegment() const { return segment_; }
  CTM_node* m_getCurrentNode() const { return currentNode_; }
  const std::string& m_getDestinationName() const { return destinationName_; }
  bool m_setDestinationName(const std::string& name) { destinationName_ = name; return true; }
  // Null when there is no list.
  const c_destinationList* m_getDestinations() const { return destinations_ ? &*destinations_ : nullptr; }
  const c_destinationList* m_getPreviousDestinations() const {
    return previousDestinations_ ? &*previousDestinations_ : nullptr;
  }
  std::time_t m_getLastEventTime() const { return lastEventTime_; }
  // The exception event (8 to 14) that last set the status, or -1.
  int m_getReasonKind() const { return reasonKind_; }
  // Null until the trace is opened.
  const CTM_BIT_trace* m_getTrace() const { return trace_.get(); }

  void m_setAnnounced(bool announced);
  bool m_openTrace(CTM_ls* segment, bool announced);
  // Records an event at node: status effects, then one trace record.
  void traceBIT(CTM_node* node, int kind, const std::string& text);
  // The data of a record from OC or an upstream TM for a known item: all but its identity.
  void m_takeData(const CTM_itemData& other);
  bool m_applyLpcData(const std::string& status, const CTM_lpcInfo& record);
  bool m_applyFSC(const std::string& status, int fsc);
  bool m_matches(const CTM_transSpec& transSpec) const;
  // True when the destination choice changed.
  bool m_setDestination(const std::string& name, CTM_node* node, int priority);
  bool m_setDestinations(const std::string& name, CTM_node* node1, int priority1, CTM_node* node2, int priority2);

 private:
  void m_applyExceptionHandling(int kind);
  bool m_replaceDestinations(const std::string& name, c_destinationList wanted);
  std::string m_currentNodeId() const;

  int PIC_ = 0;
  int recirculationCount_ = 0;
  CTM_ls* segment_ = nullptr;
  bool announced_ = true;
  bool screening_ = false;
  int lpcRequestState_ = lpcNone;
  std::unique_ptr<CTM_BIT_trace> trace_;
  std::string destinationName_;
  CTM_node* currentNode_ = nullptr;
  std::optional<c_destinationList> destinations_;
  std::optional<c_destinationList> previousDestinations_;
  int reasonKind_ = -1;
  std::time_t lastEventTime_;
};
