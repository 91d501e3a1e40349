#pragma once
// CTM_runningLs: the logical segment of a running TM. It keeps the baggage items
// of the segment and the segment's transport object; every telegram that reports
// something about a bag ends in one of its entry points, which finds or creates
// the item, changes it, traces it and hands it to the event dispatcher. The
// dispatcher tells OC, LPCS and the downstream TMs through the TM node's senders,
// lets the transport object choose destinations and says whether a routing answer
// is due.
//
// Threads: the TC, MC, OC, LPCS, USTM and DSTM line-handler threads call the entry
// points at any time. Every entry point (the purge too) holds segmentLock_ for its
// whole run; it guards the members marked so and the status text of the segment
// node. The helpers and m_reportRoutingEvent (the transport calls it inside an
// entry point) require the lock and take nothing. Under the segment lock the segment calls
// only the TM's senders, its generated ids and CTM_lh::m_send, which take their own locks. m_init and
// m_stop belong to the thread that starts and stops the TM: they hold the lock
// only while swapping the collection and the transport, never while controllers
// stop and join their handlers.
//
// Ownership: the segment owns its items (with their traces) and its transport.
// Whatever an entry point is handed (items, records, transport specifications) is
// taken over and released on every path.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/c_syncObject.h"
#include "platform/c_annotatedmutex.h"
#include "platform/c_threadsafety.h"
#include "topology/ctm_ls.h"
#include "tracking/ctm_bit.h"
#include "tracking/ctm_transportowner.h"

class CTM_lh;
class CTM_lhmc;
class CTM_lpcInfo;
class CTM_node;
class CTM_runningTm;
class CTM_transport;
class CTM_transSpec;

class CTM_runningLs : public CTM_ls, public CTM_transportOwner {
 public:
  // Destinations handed back for a TMTC01 answer: a copy of the item's current list,
  // empty when no answer is due. Nodes belong to the world.
  using c_destinationList = CTM_BIT::c_destinationList;

  explicit CTM_runningLs(std::string id);
  ~CTM_runningLs() override;

  // Mask position 5 (or a clear flag) builds a new collection and transport object;
  // then every transport controller is initialised; then, when the segment has an
  // MC configured, position 6 (or a clear flag) builds a new MC line handler,
  // started when enabled. False when the transport object found no default
  // transport specifications, a controller failed or the MC thread did not start.
  bool m_init(const std::string& mask, bool flag) override;
  // Stops every transport controller, then takes the MC line handler down.
  void m_stop() override;
  // The MC line handler (a snapshot, safe from any thread); null when there is none.
  std::shared_ptr<CTM_lhmc> m_getMcLineHandler() const;

  // --- Entry points of the TC line handler. All return true. `destinations` is
  // filled for the answer; `bitId` takes the item's id (a generated one for a blank id;
  // it stays blank, and nothing is tracked, when every id of the day is held).
  bool m_enterBIT(int PIC, CTM_node* node, std::string& bitId, c_destinationList& destinations);
  bool m_enterBITWithScreening(int PIC, CTM_node* node, std::string& bitId, bool& created,
                               std::string& screeningStatus);
  bool m_divertBIT(int PIC, CTM_node* node, const std::string& bitId, const std::string& destination,
                   const std::string& reason);
  // The texts hold each group's destination (reason) followed by a TAB, in group order.
  bool m_checkRecirculation(int PIC, CTM_node* node, std::string& bitId, const std::string& destinationText,
                            const std::string& reasonText, c_destinationList& destinations);
  bool m_traceBIT(int PIC, CTM_node* node, std::string& bitId, c_destinationList& destinations);
  bool m_exitBIT(int PIC, CTM_node* node, const std::string& bitId);
  bool m_reportMissingBIT(int PIC, CTM_node* node, std::string& bitId, c_destinationList& destinations);
  bool m_reportUnexpectedBIT(int PIC, CTM_node* node, std::string& bitId, c_destinationList& destinations);
  bool m_setScreeningResult(int PIC, CTM_node* node, std::string& bitId, int level, const std::string& result,
                            c_destinationList& destinations);
  bool m_setBITLpc(int PIC, CTM_node* node, std::string& bitId, const std::string& lpc,
                   c_destinationList& destinations);
  bool m_setBITSize(int PIC, CTM_node* node, std::string& bitId, int length, int height, int width, int weight,
                    c_destinationList& destinations);
  // The occupation status a controller reported ("A", "E", "F", "N").
  bool m_setStatusText(const std::string& status);
  std::string m_getStatusText() const;
  // The clean-up timer of every controller of the segment calls it: items without an
  // event since the last purge are removed, at most once per interval (seconds; 0 or
  // less counts as 1). True when a purge ran.
  bool m_purgeBITs(int cleanupIntervalSeconds);
  // Milliseconds until the next purge with that interval is due: an interval after
  // the segment's last purge, so that no controller's link-up puts it off; 0 when it
  // is overdue, a whole interval while the segment does not track.
  std::int64_t m_msUntilPurge(int cleanupIntervalSeconds) const;

  // --- Entry points of the other line handlers. Items they hand to the TC send step
  // are answered on the first controller's TC line handler. All return true unless said.
  // MC: a coding result (TM01); copies the members that are not empty.
  bool m_applyCodingResult(std::unique_ptr<CTM_BIT> given);
  bool m_reportInsufficientInformation(const std::string& bitId);
  // OC: a transport specification download (OM02, OM03 per record, OM04).
  bool m_beginTransSpecDownload();
  bool m_stageTransSpec(const std::string& modIndicator, std::unique_ptr<CTM_transSpec> spec);
  bool m_endTransSpecDownload();
  // OC: OM08 (the record's data for a known item), OM09.
  bool m_updateBITFromOC(std::unique_ptr<CTM_BIT> record);
  bool m_selectBIT(int selectionID, const std::string& bitId);
  // LPCS: SC01/SC02 (every item with the LPC), SC11/SC12 (the first one found).
  bool m_applyLpcData(const std::string& lpc, const std::string& status, std::unique_ptr<CTM_lpcInfo> record);
  bool m_applyFSC(const std::string& lpc, const std::string& status, int fsc);
  // LPCS: the LPCs of items whose CS02 (state 1 or 3), or CS03 (state 3), is due.
  bool m_collectOpenLpcRequests(std::vector<std::string>& lpcs);
  bool m_collectAnsweredLpcRequests(std::vector<std::string>& lpcs);
  // USTM: UD11/UD12 (an announced item, or news of a known one), UD13.
  bool m_receiveBIT(std::unique_ptr<CTM_BIT> item);
  bool m_withdrawBIT(const std::string& bitId);
  // DSTM: DU01 for a logical connect id; false when no successor of the segment's
  // tracking points matches it.
  bool m_setLogicalConnectionState(const std::string& logicalConnectId, bool available);

  // --- CTM_transportOwner, called by the transport object inside an entry point.
  const std::string& m_getSegmentId() const override { return m_getId(); }
  bool m_reportRoutingEvent(CTM_BIT* item, int kind, const std::string& text) override TM_REQUIRES(segmentLock_);
  bool m_reportText(unsigned short level, const std::string& text) override;

  // The item to the coding terminal (MT01): false while the segment has no MC link
  // or its terminal is not open; else whether the link's queue took it.
  bool m_sendToCodingTerminal(CTM_BIT* item);

  // --- For tests and diagnostics, under the segment lock.
  std::size_t m_getItemCount() const;
  // Calls inspect with the item of that id; false when the segment holds none.
  bool m_inspectBIT(const std::string& bitId, const std::function<void(const CTM_BIT&)>& inspect) const;
  // Whether the segment has its collection and transport (mask position 5 was built).
  bool m_isTracking() const;

 private:
  using c_collection = std::unordered_map<std::string, std::unique_ptr<CTM_BIT>>;
  enum class c_find { silent, report };

  // MC steps of m_init; placing retires the previous handler outside every lock.
  bool m_initMc(const std::string& mask, bool flag);
  void m_placeMcLineHandler(std::shared_ptr<CTM_lhmc> next);

  // Each entry point's guard: false (one warning until the collection exists) when
  // the segment is not tracking.
  bool m_canTrack(const char* entryPoint) TM_REQUIRES(segmentLock_);

  // Find or create; null (bitId left blank) when a blank id finds no free id to generate.
  CTM_BIT* m_findBIT(std::string& bitId, c_find report, bool& created) TM_REQUIRES(segmentLock_);
  // The same for a controller's report, whose PIC the item then keeps.
  CTM_BIT* m_findReportedBIT(std::string& bitId, int PIC, c_find report, bool& created) TM_REQUIRES(segmentLock_);
  CTM_BIT* m_createBIT(std::string& bitId) TM_REQUIRES(segmentLock_);
  bool m_generateId(std::string& bitId) TM_REQUIRES(segmentLock_);
  CTM_BIT* m_lookUp(const std::string& bitId) const TM_REQUIRES(segmentLock_);
  std::unique_ptr<CTM_BIT> m_remove(const std::string& bitId) TM_REQUIRES(segmentLock_);

  bool m_processEvent(CTM_BIT* item, int code, CTM_node* node, bool created, const std::string& text)
      TM_REQUIRES(segmentLock_);
  bool m_processEventForAnswer(CTM_BIT* item, int code, CTM_node* node, bool created,
                               c_destinationList& destinations, const std::string& text) TM_REQUIRES(segmentLock_);
  bool m_dispatchEvent(CTM_BIT* item, int code, bool created) TM_REQUIRES(segmentLock_);
  void m_dispatchCreated(CTM_BIT* item) TM_REQUIRES(segmentLock_);
  bool m_routeBIT(CTM_BIT* item) TM_REQUIRES(segmentLock_);
  bool m_sendBITToTC(CTM_BIT* item, int code) TM_REQUIRES(segmentLock_);
  // Every item, through the TC send step, walking a snapshot of the ids.
  void m_sendEachToTC(const std::vector<std::string>& bitIds, int code) TM_REQUIRES(segmentLock_);
  // The TC line handler of the first transport controller; null when there is none.
  std::shared_ptr<CTM_lh> m_getTcTarget() const;

  static constexpr int noEvent = -1;
  // A TC report that is answered: apply changes the item and names the event (or noEvent).
  bool m_answerReport(const char* telegram, int PIC, CTM_node* node, std::string& bitId, c_find find,
                      c_destinationList& destinations, const std::function<int(CTM_BIT&)>& apply);
  void m_checkRecirculationOf(CTM_BIT* item, CTM_node* node, bool created, const std::string& destinationText,
                              const std::string& reasonText, c_destinationList& destinations)
      TM_REQUIRES(segmentLock_);
  // Whether characters 1-2 of the id equal characters 2-3 of the TM's id.
  bool m_isGeneratedHere(const std::string& bitId) const;
  const std::string& m_tmId() const;

  mutable c_mutex segmentLock_ TM_ACQUIRED_BEFORE(mcMutex_);
  CTM_runningTm* tm_ = nullptr;  // set by m_init; the parent
  std::unique_ptr<c_collection> items_ TM_GUARDED_BY(segmentLock_);       // null until m_init
  std::unique_ptr<CTM_transport> transport_ TM_GUARDED_BY(segmentLock_);  // null until m_init
  std::int64_t lastPurgeUtc_ TM_GUARDED_BY(segmentLock_);
  std::int64_t lastPurgeMonotonicMs_ TM_GUARDED_BY(segmentLock_);
  bool notTrackingReported_ TM_GUARDED_BY(segmentLock_) = false;

  // The MC line handler, published under mcMutex_ (taken under the segment lock
  // too, never the other way round); replaced and shut down outside both locks,
  // since its thread may be waiting for the segment lock. Declared last, so that
  // it goes first and its thread never sees a member already gone.
  bool mcConfigured_ = false;  // the thread that starts and stops the TM
  mutable c_annotatedMutex mcMutex_;
  std::shared_ptr<CTM_lhmc> mcLineHandler_ TM_GUARDED_BY(mcMutex_);
};
