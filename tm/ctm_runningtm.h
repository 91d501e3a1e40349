#pragma once
// CTM_runningTm: the TM node of a running TM. Its init builds, from the
// configuration and an interface mask, the links of the TM (IM, OC, LPCS, the
// neighbouring TMs), the two listeners, and starts its logical segments; its stop
// takes them down again. The senders turn a segment's baggage item into the MO, UD
// and CS reports for the other computers.
//
// Every line handler the TM holds is published under publicationMutex_: a user
// (any thread: a controller's line handler sending a report, the TM listener
// handing over a connection, a text for IM) takes a snapshot, a shared_ptr copy,
// and calls it outside the lock. A handler is retired in two phases: it is taken
// out of the publication under the lock, then, outside every lock, shut down
// (stopped and joined) and its reference dropped; a thread that still holds a
// snapshot keeps the object alive, and a shut-down handler refuses connections
// and sends nothing.
//
// Threads: m_init, m_stop and the m_place* operations belong to the thread that
// starts and stops the TM, except the init IM asks for, which runs on IM's
// handler thread (tests place their own handlers with m_place*); the getters, m_find* and the senders are safe from
// any thread. publicationMutex_ is never held while a handler is called. Lock
// order: a segment lock, then publicationMutex_, then the text-report route and
// the handlers' queue locks. The listeners belong to whoever holds
// startStopMutex_; their accept threads reach the handlers through the
// publications.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "links/ctm_textreportroute.h"
#include "platform/c_annotatedmutex.h"
#include "platform/c_threadsafety.h"
#include "topology/ctm_imreporter.h"
#include "topology/ctm_tm.h"
#include "tracking/ctm_generatedids.h"

class CTM_BIT;
class CTM_lh;
class CTM_node;
class CTM_tcListener;
class c_tcpListener;

class CTM_runningTm : public CTM_tm, private CTM_imReporter {
 public:
  // Interface mask positions: "Y" at the index enables the part.
  static constexpr std::size_t maskIm = 0;
  static constexpr std::size_t maskOc = 1;
  static constexpr std::size_t maskLpcs = 2;
  static constexpr std::size_t maskDstm = 3;
  static constexpr std::size_t maskUstm = 4;  // and the TM listener
  static constexpr std::size_t maskTc = 5;    // the TC listener, the segments' collections and TC links
  static constexpr std::size_t maskMc = 6;

  // Peer TM id and its line handler, in the order of the TM's neighbours.
  using c_peerLineHandlers = std::vector<std::pair<std::string, std::shared_ptr<CTM_lh>>>;

  explicit CTM_runningTm(std::string id, std::string address = {});
  // Takes down what a stop has not (listeners first, then the line handlers).
  ~CTM_runningTm() override;

  // Starts the TM's parts as the mask says (the flag set: a disabled part is left
  // as it is; clear: every part is rebuilt and only the enabled ones started).
  // False at the first part that cannot be built or started. Init and stop of
  // one TM never overlap: an init on IM's thread (a restart IM asked for) waits
  // for a running init, but refuses (false) when a stop is under way, because
  // that stop joins IM's thread.
  bool m_init(const std::string& mask, bool flag) override;
  // Takes everything down (listeners, neighbours, LPCS, OC, the segments, IM last);
  // a later init starts from nothing.
  void m_stop() override;
  // What the last init that failed could not build or start, and why, in words
  // for the one who started the TM ("the TC listener cannot bind
  // 127.0.0.1:4712: Address already in use"); empty after an init that did not
  // fail. The reason is also in the event log, where the part logs it.
  std::string m_getInitFailure() const;

  // Whether the part at the mask's index is enabled.
  static bool m_isEnabled(const std::string& mask, std::size_t index) {
    return index < mask.size() && mask[index] == 'Y';
  }

  // Snapshots of the published line handlers; null (empty) when there is none.
  std::shared_ptr<CTM_lh> m_getOcLineHandler() const;
  std::shared_ptr<CTM_lh> m_getLpcsLineHandler() const;
  std::shared_ptr<CTM_lh> m_getImLineHandler() const;
  std::vector<std::shared_ptr<CTM_lh>> m_getDstmLineHandlers() const;  // list order
  std::shared_ptr<CTM_lh> m_findDstmLineHandler(const std::string& tmId) const;
  std::shared_ptr<CTM_lh> m_findUstmLh(const std::string& tmId) const;

  // Put a line handler (or a list) in place; the one it replaces is retired as
  // above. A placed handler sends its texts for IM through this TM's route, and
  // the IM line handler is that route's target.
  void m_placeOcLineHandler(std::shared_ptr<CTM_lh> lineHandler);
  void m_placeLpcsLineHandler(std::shared_ptr<CTM_lh> lineHandler);
  void m_placeImLineHandler(std::shared_ptr<CTM_lh> lineHandler);
  void m_placeDstmLineHandlers(c_peerLineHandlers lineHandlers);
  void m_placeUstmLineHandlers(c_peerLineHandlers lineHandlers);

  // Where the texts for IM of this TM's line handlers go: its IM line handler.
  CTM_textReportRoute& m_getTextReportRoute() { return textRoute_; }
  // The listeners (null when none), for the starting and stopping thread: an
  // init or stop replaces them.
  const c_tcpListener* m_getTcListener() const;
  const c_tcpListener* m_getTmListener() const;

  // The ids the TM gives bags reported without one, shared by its segments; they
  // outlive a restart of the TM or of a segment within the process.
  CTM_generatedIds& m_generatedIds() { return generatedIds_; }

  // Senders: the reports of a segment's items to OC, the neighbouring TMs and LPCS.
  void m_sendMO08(const std::string& lsId, const std::string& bitId);
  void m_sendMO10(const std::string& lsId, CTM_BIT* bit);
  bool m_sendMO11(const std::string& lsId, CTM_BIT* bit, int kind);
  bool m_sendUD01(const std::string& lsId, int baggageCount);
  bool m_sendUD(CTM_BIT* bit, const std::string& action);
  bool m_sendUD11(CTM_BIT* bit, CTM_node* destination);
  bool m_sendUD12(CTM_BIT* bit, CTM_node* destination);
  bool m_sendUD13(CTM_BIT* bit, CTM_node* destination);
  bool m_sendCS02(CTM_BIT* bit);
  bool m_sendCS03(CTM_BIT* bit);

 private:
  // The steps of init, in their order; each false ends the init.
  bool m_initSegments(const std::string& mask, bool flag) TM_REQUIRES(startStopMutex_);
  bool m_initOc(const std::string& mask, bool flag) TM_REQUIRES(startStopMutex_);
  bool m_initLpcs(const std::string& mask, bool flag) TM_REQUIRES(startStopMutex_);
  bool m_initUpstream(const std::string& mask, bool flag) TM_REQUIRES(startStopMutex_);
  bool m_initDownstream(const std::string& mask, bool flag) TM_REQUIRES(startStopMutex_);
  bool m_initTcListener(const std::string& mask, bool flag) TM_REQUIRES(startStopMutex_);
  bool m_initTmListener(const std::string& mask, bool flag) TM_REQUIRES(startStopMutex_);
  bool m_initIm(const std::string& mask, bool flag) TM_REQUIRES(startStopMutex_);
  bool m_initLocked(const std::string& mask, bool flag) TM_REQUIRES(startStopMutex_);
  // A configuration value that a step needs; when it cannot be read, false and
  // the init's failure names the part and the key.
  bool m_readKey(const std::string& part, const char* key, std::string& value) TM_REQUIRES(startStopMutex_);
  bool m_readKey(const std::string& part, const char* key, int& value) TM_REQUIRES(startStopMutex_);
  template <class Listener, class Make>
  bool m_openListener(std::unique_ptr<Listener>& slot, Make make, const std::string& part, const char* portKey,
                      bool enabled) TM_REQUIRES(startStopMutex_);
  // False, with the init's failure set to the part and why.
  bool m_fail(std::string failure) TM_REQUIRES(startStopMutex_);
  // Raises the descriptor limit as far as it goes and tells whether the process can
  // open the descriptors that the parts the mask starts need; when not, says so
  // with an event and the TM's failed start, before any part is touched.
  bool m_hasDescriptorsFor(const std::string& mask, bool flag) TM_REQUIRES(startStopMutex_);
  std::int64_t m_descriptorsNeeded(const std::string& mask, bool flag) const;
  void m_stopLocked() TM_REQUIRES(startStopMutex_);
  void m_stopSpareInodes() TM_REQUIRES(startStopMutex_);
  // Takes startStopMutex_ for an init; false, without it, when a stop is under way.
  bool m_lockForInit() TM_TRY_ACQUIRE(true, startStopMutex_);

  // Publishes a handler (or a list) in its slot, then retires what it replaced
  // outside every lock (unless it is published again). The slot is named, not
  // passed by reference, since it may be touched only under publicationMutex_.
  void m_place(std::shared_ptr<CTM_lh> CTM_runningTm::*slot, std::shared_ptr<CTM_lh> lineHandler)
      TM_EXCLUDES(publicationMutex_);
  void m_place(c_peerLineHandlers CTM_runningTm::*list, c_peerLineHandlers lineHandlers)
      TM_EXCLUDES(publicationMutex_);
  // Publishes the IM line handler and makes it the route's target; the one it
  // replaces is the caller's to retire.
  std::shared_ptr<CTM_lh> m_publishImLineHandler(std::shared_ptr<CTM_lh> lineHandler) TM_EXCLUDES(publicationMutex_);
  void m_adopt(CTM_lh* lineHandler);
  static void m_retire(const std::shared_ptr<CTM_lh>& lineHandler);
  static std::shared_ptr<CTM_lh> m_findIn(const c_peerLineHandlers& lineHandlers, const std::string& tmId);
  static bool m_findIn(const c_peerLineHandlers& lineHandlers, const CTM_lh* wanted);

  std::vector<std::string> m_segmentIds() const;

  // CTM_imReporter: the texts of the nodes below go to IM as the handlers' do.
  bool m_reportText(const std::string& source, unsigned short level, const std::string& text) override;

  CTM_generatedIds generatedIds_;

  // Declared before the handlers, so that it outlives every handler that reports through it.
  CTM_textReportRoute textRoute_;

  // Held for a whole init or stop; a stop counts itself in
  // stopsUnderWay_ before it waits for it.
  mutable c_annotatedMutex startStopMutex_ TM_ACQUIRED_BEFORE(publicationMutex_);
  std::atomic<int> stopsUnderWay_{0};
  std::string initFailure_ TM_GUARDED_BY(startStopMutex_);
  // This TM's share in the spare inodes its bags' trace files are made from.
  bool sparesStarted_ TM_GUARDED_BY(startStopMutex_) = false;

  mutable c_annotatedMutex publicationMutex_;
  std::shared_ptr<CTM_lh> ocLineHandler_ TM_GUARDED_BY(publicationMutex_);
  std::shared_ptr<CTM_lh> lpcsLineHandler_ TM_GUARDED_BY(publicationMutex_);
  std::shared_ptr<CTM_lh> imLineHandler_ TM_GUARDED_BY(publicationMutex_);
  c_peerLineHandlers dstmLineHandlers_ TM_GUARDED_BY(publicationMutex_);
  c_peerLineHandlers ustmLineHandlers_ TM_GUARDED_BY(publicationMutex_);

  std::unique_ptr<CTM_tcListener> tcListener_ TM_GUARDED_BY(startStopMutex_);
  std::unique_ptr<c_tcpListener> tmListener_ TM_GUARDED_BY(startStopMutex_);
};
