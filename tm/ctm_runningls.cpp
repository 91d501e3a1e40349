#include "tm/ctm_runningls.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "platform/c_clock.h"
#include "links/ctm_lh.h"
#include "telegrams/ctm_tmtc_message.h"
#include "telegrams/ctm_mt_message.h"
#include "tm/ctm_lhmc.h"
#include "tm/ctm_lhtc.h"
#include "tm/ctm_runningtc.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_tp.h"
#include "tracking/ctm_bit_trace.h"
#include "tracking/ctm_itemcriteria.h"
#include "tracking/ctm_lpcinfo.h"
#include "tracking/ctm_transport.h"
#include "tracking/ctm_transspec.h"

namespace {

// A transport controller reports an item it cannot read with this id.
const std::string blankBitId(11, ' ');
constexpr std::size_t collectionBuckets = 300;
constexpr std::size_t maskCollection = 5;
constexpr std::size_t maskMc = 6;
// Characters of a TCTM03 destination that name its recirculation settings.
constexpr std::size_t recirculationKeyLength = 10;

std::int64_t monotonicMs() { return c_clock::m_monotonicMilliseconds(); }

// A clean-up interval of 0 or less counts as one second, so that purges never run
// without pause.
std::int64_t purgeIntervalMs(int cleanupIntervalSeconds) {
  return std::int64_t{cleanupIntervalSeconds > 0 ? cleanupIntervalSeconds : 1} * 1000;
}

// What a coding result may fill in: each member only when the result knows it.
// The onward-connection flag travels with the outbound destination it belongs to.
using c_criteria = CTM_itemCriteria;
constexpr c_criteria::c_id codingResultMembers[] = {c_criteria::LPC, c_criteria::outboundFlightID,
                                                     c_criteria::outboundDestination, c_criteria::outboundCabinClass,
                                                     c_criteria::baggageExceptionData, c_criteria::passengerName};

bool isKnownText(const CTM_itemData& data, c_criteria::c_id id) {
  return c_criteria::table[id].m_visit(data, [](const auto& value) {
    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>) {
      return !value.empty();
    } else {
      return true;
    }
  });
}

void copyCodingResult(const CTM_itemData& result, CTM_itemData& item) {
  for (c_criteria::c_id id : codingResultMembers) {
    if (!isKnownText(result, id)) continue;
    c_criteria::table[id].m_copy(result, item);
    if (id == c_criteria::outboundDestination) c_criteria::table[c_criteria::onwardConnection].m_copy(result, item);
  }
}

bool isAccepted(const std::string& lpcStatus) { return lpcStatus == "P" || lpcStatus == "A" || lpcStatus == "U"; }

}  // namespace

CTM_runningLs::CTM_runningLs(std::string id)
    : CTM_ls(std::move(id)), lastPurgeUtc_(c_clock::m_utcSeconds()), lastPurgeMonotonicMs_(monotonicMs()) {}

CTM_runningLs::~CTM_runningLs() = default;

// --- Lifecycle ---------------------------------------------------------------

bool CTM_runningLs::m_init(const std::string& mask, bool flag) {
  auto* tm = dynamic_cast<CTM_runningTm*>(m_getParent());
  const bool collectionEnabled = mask.size() > maskCollection && mask[maskCollection] == 'Y';
  if (!flag || collectionEnabled) {
    if (!tm) {
      CTM_logging::m_log(1, ev::SEGMENT_WITHOUT_RUNNING_TM, "s", m_getId());
      return false;
    }
    // Built outside the lock, swapped under it; the old items and transport object
    // go once no entry point can reach them any more.
    auto items = std::make_unique<c_collection>(collectionBuckets);
    auto transport = std::make_unique<CTM_transport>(*this);
    const bool transportReady = transport->m_init();
    {
      c_lock guard(&segmentLock_, -1);
      tm_ = tm;
      items_.swap(items);
      transport_.swap(transport);
      notTrackingReported_ = false;
    }
    if (!transportReady) return false;
  }
  // The controllers stop and join their line handlers, which may be waiting for the
  // segment lock: never under it.
  for (std::size_t i = 0; i < m_getChildCount(); ++i)
    if (!CTM_node::m_getChild(i)->m_init(mask, flag)) return false;
  return m_initMc(mask, flag);
}

bool CTM_runningLs::m_initMc(const std::string& mask, bool flag) {
  std::string host;
  int port = 0;
  const std::string hostKey = m_getId() + "__MC_Hostname";
  const std::string portKey = m_getId() + "__MC_Port";
  // A segment without an MC keeps what it has; each missing key is warned of.
  const bool hasHost = CTM_config::m_getString(hostKey, host);
  const bool hasPort = CTM_config::m_getInteger(portKey, port);
  if (!hasHost || !hasPort) return true;
  mcConfigured_ = true;
  const bool enabled = mask.size() > maskMc && mask[maskMc] == 'Y';
  if (flag && !enabled) return true;
  auto* tm = dynamic_cast<CTM_runningTm*>(m_getParent());
  auto next = std::make_shared<CTM_lhmc>(m_getParent(), this, host, port);
  if (tm != nullptr) next->m_setTextReportRoute(&tm->m_getTextReportRoute());
  m_placeMcLineHandler(next);
  return !enabled || next->m_start();
}

void CTM_runningLs::m_placeMcLineHandler(std::shared_ptr<CTM_lhmc> next) {
  std::shared_ptr<CTM_lhmc> previous;
  {
    c_mutexGuard lock(mcMutex_);
    previous = std::exchange(mcLineHandler_, std::move(next));
  }
  // A thread that still holds a snapshot keeps the object; it finds it stopped.
  if (previous) previous->m_shutdown();
}

std::shared_ptr<CTM_lhmc> CTM_runningLs::m_getMcLineHandler() const {
  c_mutexGuard lock(mcMutex_);
  return mcLineHandler_;
}

void CTM_runningLs::m_stop() {
  for (std::size_t i = 0; i < m_getChildCount(); ++i) CTM_node::m_getChild(i)->m_stop();
  if (mcConfigured_) m_placeMcLineHandler(nullptr);
}

bool CTM_runningLs::m_canTrack(const char* entryPoint) {
  if (items_ && transport_) return true;
  if (!notTrackingReported_) {
    CTM_logging::m_log(2, ev::SEGMENT_NOT_TRACKING, "ss", m_getId(), entryPoint);
    notTrackingReported_ = true;
  }
  return false;
}

bool CTM_runningLs::m_isTracking() const {
  c_lock guard(&segmentLock_, -1);
  return items_ && transport_;
}

// --- Find, create, generate --------------------------------------------------

CTM_BIT* CTM_runningLs::m_lookUp(const std::string& bitId) const {
  auto found = items_->find(bitId);
  return found == items_->end() ? nullptr : found->second.get();
}

std::unique_ptr<CTM_BIT> CTM_runningLs::m_remove(const std::string& bitId) {
  auto found = items_->find(bitId);
  if (found == items_->end()) return nullptr;
  std::unique_ptr<CTM_BIT> item = std::move(found->second);
  items_->erase(found);
  return item;
}

CTM_BIT* CTM_runningLs::m_findBIT(std::string& bitId, c_find report, bool& created) {
  CTM_BIT* item = nullptr;
  created = false;
  if (bitId == blankBitId) {
    item = m_createBIT(bitId);
    created = item != nullptr;
    if (created && report == c_find::report) m_sendText(m_tmId(), 3, "Unexpected unknown BIT_ID from TC.");
  } else if ((item = m_lookUp(bitId))) {
    item->m_setAnnounced(false);
  } else {
    item = m_createBIT(bitId);
    created = true;
    if (report == c_find::report) m_sendText(m_tmId(), 3, "Unknown BIT with ID (%s) found.", bitId.c_str());
  }
  return item;
}

// Only a controller's report sets the PIC: the telegrams the TM sends on its own
// about the item answer the latest one.
CTM_BIT* CTM_runningLs::m_findReportedBIT(std::string& bitId, int PIC, c_find report, bool& created) {
  CTM_BIT* item = m_findBIT(bitId, report, created);
  if (item) item->m_setPIC(PIC);
  return item;
}

CTM_BIT* CTM_runningLs::m_createBIT(std::string& bitId) {
  if (bitId == blankBitId) {
    if (!m_generateId(bitId)) return nullptr;
  } else {
    tm_->m_generatedIds().m_noteTaken(c_clock::m_utcSeconds(), bitId);
  }
  auto item = std::make_unique<CTM_BIT>();
  item->m_setBIT_ID(bitId);
  int required = 1;
  if (!CTM_config::m_getInteger(m_getId() + "__ReqScreeningLevel", required)) {
    m_sendText(m_tmId(), 1, "No Req. Screening level for segment(%s).", m_getId().c_str());
    required = 1;
  }
  item->m_setRequiredScreenLevel(required);
  item->m_setReachedScreenLevel(0);
  if (!item->m_openTrace(this, false))
    m_sendText(m_tmId(), 1, "Could not open trace file for BIT (%s).", bitId.c_str());
  CTM_BIT* created = item.get();
  (*items_)[bitId] = std::move(item);
  return created;
}

// The TM's sequence, which passes over the ids of the bags here as well.
bool CTM_runningLs::m_generateId(std::string& bitId) {
  return tm_->m_generatedIds().m_generate(
      c_clock::m_utcSeconds(), m_getId(), [this](const std::string& id) TM_NO_THREAD_SAFETY_ANALYSIS {
        return m_lookUp(id) != nullptr;
      },
      bitId);
}

const std::string& CTM_runningLs::m_tmId() const {
  static const std::string none;
  return tm_ ? tm_->m_getId() : none;
}

bool CTM_runningLs::m_isGeneratedHere(const std::string& bitId) const {
  return tm_ && tm_->m_generatedIds().m_isGeneratedHere(bitId);
}

// --- Event processing --------------------------------------------------------

bool CTM_runningLs::m_processEvent(CTM_BIT* item, int code, CTM_node* node, bool created, const std::string& text) {
  item->traceBIT(node, code, text);
  m_dispatchEvent(item, code, created);
  return true;
}

bool CTM_runningLs::m_processEventForAnswer(CTM_BIT* item, int code, CTM_node* node, bool created,
                                           c_destinationList& destinations, const std::string& text) {
  destinations.clear();
  item->traceBIT(node, code, text);
  if (m_dispatchEvent(item, code, created) && item->m_getDestinations()) destinations = *item->m_getDestinations();
  return true;
}

void CTM_runningLs::m_dispatchCreated(CTM_BIT* item) {
  tm_->m_sendCS02(item);
  if (m_isGeneratedHere(item->m_getBIT_ID())) {
    tm_->m_sendMO10(m_getId(), item);
  } else {
    tm_->m_sendMO08(m_getId(), item->m_getBIT_ID());
  }
  if (items_->size() == 1) tm_->m_sendUD01(m_getId(), 1);
}

bool CTM_runningLs::m_dispatchEvent(CTM_BIT* item, int code, bool created) {
  if (item->m_isAnnounced()) return false;
  if (created) m_dispatchCreated(item);
  const std::string& segment = m_getId();
  bool routed = false;
  switch (code) {
    case CTM_BIT::ENTER:
      tm_->m_sendMO11(segment, item, CTM_BIT::ENTER);
      tm_->m_sendCS02(item);
      routed = m_routeBIT(item);
      if (routed) tm_->m_sendUD(item, "A");
      return routed;
    case CTM_BIT::EXIT:
      tm_->m_sendCS03(item);
      tm_->m_sendMO11(segment, item, CTM_BIT::EXIT);
      tm_->m_sendUD(item, "D");
      // The item leaves after the event: the segment is then empty.
      if (items_->size() == 1) tm_->m_sendUD01(segment, 0);
      return false;
    case CTM_BIT::OSIZE:
      tm_->m_sendMO11(segment, item, CTM_BIT::OSIZE);
      return false;
    case CTM_BIT::NOT_DIV:
      routed = m_routeBIT(item);
      if (routed) tm_->m_sendUD(item, "U");
      return routed;
    case CTM_BIT::INSUFFICIENT_INFO: case CTM_BIT::UNAVAILABLE_OUTPUT: case CTM_BIT::UNAVAILABLE_BUFFER:
    case CTM_BIT::UNKNOWN_DESTINATION: case CTM_BIT::UNEXPECTED: case CTM_BIT::MISSING: case CTM_BIT::UNKNOWN:
      m_sendText(m_tmId(), 2, "%s for BIT (%s)", CTM_BIT_trace::kindName(code), item->m_getBIT_ID().c_str());
      if (item->m_getStatus() == "GARB") tm_->m_sendMO11(segment, item, CTM_BIT::GARB);
      routed = m_routeBIT(item);
      tm_->m_sendMO10(segment, item);
      tm_->m_sendUD(item, "U");
      return routed;
    case CTM_BIT::SELECT: case CTM_BIT::NO_READ:
      routed = m_routeBIT(item);
      tm_->m_sendUD(item, "U");
      return routed;
    case CTM_BIT::CODING_TERMINAL: case CTM_BIT::SCN: case CTM_BIT::BIT:
      tm_->m_sendCS02(item);
      [[fallthrough]];
    case CTM_BIT::SCR: case CTM_BIT::SIZE: case CTM_BIT::FSC:
      tm_->m_sendMO10(segment, item);
      routed = m_routeBIT(item);
      tm_->m_sendUD(item, "U");
      return routed;
    case CTM_BIT::TRACE:
      // A controller that asks again about a known item is given its destinations again.
      if (!created) return true;
      routed = m_routeBIT(item);
      tm_->m_sendUD(item, "A");
      return routed;
    default:  // TRS, GARB, TLATE, DIV, EOD and above
      return false;
  }
}

bool CTM_runningLs::m_routeBIT(CTM_BIT* item) {
  if (item->m_isScreening()) return false;
  return transport_->routeBIT(item, true);
}

bool CTM_runningLs::m_reportRoutingEvent(CTM_BIT* item, int kind, const std::string& text) {
  const std::string name = item->m_getDestinationName();
  if (kind == CTM_BIT::TLATE) item->m_setDestinationName(text);
  item->traceBIT(item->m_getCurrentNode(), kind, "");
  if (kind == CTM_BIT::TRS || kind == CTM_BIT::TLATE) {
    tm_->m_sendMO11(m_getId(), item, kind);
  } else if (kind == CTM_BIT::UNAVAILABLE_OUTPUT || kind == CTM_BIT::UNKNOWN_DESTINATION) {
    m_sendText(m_tmId(), 2, "%s for BIT (%s)", CTM_BIT_trace::kindName(kind), item->m_getBIT_ID().c_str());
    if (item->m_getStatus() == "GARB") tm_->m_sendMO11(m_getId(), item, CTM_BIT::GARB);
  }
  if (kind == CTM_BIT::TLATE) item->m_setDestinationName(name);
  return true;
}

bool CTM_runningLs::m_reportText(unsigned short level, const std::string& text) {
  return m_sendText(m_getId(), level, "%s", text.c_str());
}

bool CTM_runningLs::m_sendToCodingTerminal(CTM_BIT* item) {
  std::shared_ptr<CTM_lhmc> mc = m_getMcLineHandler();
  if (item == nullptr || !mc || !mc->m_isCodingTerminalOpen()) return false;
  auto request = std::make_unique<CTM_mt01_message>();
  request->m_setBIT_ID(item->m_getBIT_ID());
  request->m_setLPC(item->m_getLPC());
  request->m_setFlightID(item->m_getOutboundFlightID());
  request->m_setCabinClass(item->m_getOutboundCabinClass());
  request->m_setDestination(item->m_getOutboundDestination());
  request->m_setOnwardConnection(item->m_getOnwardConnection());
  request->m_setBaggageExceptionData(item->m_getBaggageExceptionData());
  request->m_setPassengerName(item->m_getPassengerName());
  return mc->m_send(std::move(request), false);
}

// --- TC send step -------------------------------------------------------------

std::shared_ptr<CTM_lh> CTM_runningLs::m_getTcTarget() const {
  auto* controller = dynamic_cast<CTM_runningTc*>(m_getChild(0));
  return controller ? controller->m_getTcLineHandler() : nullptr;
}

// Items that no controller report brought here are answered on the first
// controller's link: routing orders (TMTC01), and for a screening item whose data
// has arrived its screening answer (TMTC02), after which it leaves the segment.
bool CTM_runningLs::m_sendBITToTC(CTM_BIT* item, int code) {
  if (item->m_isAnnounced()) return true;
  std::unique_ptr<CTM_message> telegram;
  const std::string here = item->m_getCurrentNode() ? item->m_getCurrentNode()->m_getId() : std::string();
  if (!item->m_isScreening()) {
    if (!m_dispatchEvent(item, code, false)) return true;
    auto order = std::make_unique<CTM_tmtc01_message>();
    order->m_setPIC(item->m_getPIC());
    order->m_setBIT_ID(item->m_getBIT_ID());
    order->m_setEquipmentCodeOrigin(here);
    if (const c_destinationList* destinations = item->m_getDestinations())
      for (const CTM_destination& destination : *destinations)
        order->m_appendDestination(destination.m_getNodeId(), destination.m_getRoutingPriority());
    telegram = std::move(order);
  } else {
    if (code != CTM_BIT::BIT) return true;
    auto answer = std::make_unique<CTM_tmtc02_message>();
    answer->m_setPIC(item->m_getPIC());
    answer->m_setBIT_ID(item->m_getBIT_ID());
    answer->m_setEquipmentCode(here);
    answer->m_setScreeningStatus(item->m_getRequiredScreenLevel() == 0 ? "S" : "U");
    telegram = std::move(answer);
    m_processEvent(item, CTM_BIT::EXIT, item->m_getCurrentNode(), false, "");
    m_remove(item->m_getBIT_ID());
  }
  const std::shared_ptr<CTM_lh> target = m_getTcTarget();
  if (!target) {
    // A segment without a controller is answered as one whose controller has no link.
    const CTM_node* first = CTM_node::m_getChild(0);
    m_sendText(m_tmId(), 1, "No connection to TC (%s)", (first ? first : this)->m_getId().c_str());
    return true;
  }
  return target->m_send(std::move(telegram));
}

void CTM_runningLs::m_sendEachToTC(const std::vector<std::string>& bitIds, int code) {
  for (const std::string& id : bitIds)
    if (CTM_BIT* item = m_lookUp(id)) m_sendBITToTC(item, code);
}

// --- TC line handler's entry points -------------------------------------------

// Every TC report that is answered: the item found or created, its id handed back,
// the report applied (which names the event to process, or none), the answer.
bool CTM_runningLs::m_answerReport(const char* telegram, int PIC, CTM_node* node, std::string& bitId, c_find find,
                                   c_destinationList& destinations, const std::function<int(CTM_BIT&)>& apply) {
  c_lock guard(&segmentLock_, -1);
  destinations.clear();
  if (!m_canTrack(telegram)) return true;
  bool created = false;
  CTM_BIT* item = m_findReportedBIT(bitId, PIC, find, created);
  if (!item) return true;
  const int code = apply(*item);
  if (code == noEvent) return true;
  return m_processEventForAnswer(item, code, node, created, destinations, "");
}

bool CTM_runningLs::m_enterBIT(int PIC, CTM_node* node, std::string& bitId, c_destinationList& destinations) {
  return m_answerReport("TCTM01", PIC, node, bitId, c_find::silent, destinations,
                        [](CTM_BIT&) { return CTM_BIT::ENTER; });
}

bool CTM_runningLs::m_enterBITWithScreening(int PIC, CTM_node* node, std::string& bitId, bool& created,
                                           std::string& screeningStatus) {
  c_lock guard(&segmentLock_, -1);
  created = false;
  if (!m_canTrack("TCTM01")) return true;
  CTM_BIT* item = m_findReportedBIT(bitId, PIC, c_find::report, created);
  if (!item) return true;
  item->m_setLpcRequestState(CTM_BIT::lpcNone);
  item->m_markScreening();
  m_processEvent(item, CTM_BIT::ENTER, node, created, "");
  if (created) return true;  // answered once its data arrives
  screeningStatus = item->m_getRequiredScreenLevel() == 0 ? "S" : "U";
  m_processEvent(item, CTM_BIT::EXIT, node, false, "");
  m_remove(bitId);
  return true;
}

bool CTM_runningLs::m_divertBIT(int PIC, CTM_node* node, const std::string& bitId, const std::string& destination,
                                const std::string& reason) {
  c_lock guard(&segmentLock_, -1);
  if (!m_canTrack("TCTM02")) return true;
  transport_->m_recordOutcome(true);
  std::string id = bitId;
  bool created = false;
  CTM_BIT* item = m_findReportedBIT(id, PIC, c_find::report, created);
  return !item || m_processEvent(item, CTM_BIT::DIV, node, created, destination + " " + reason);
}

bool CTM_runningLs::m_checkRecirculation(int PIC, CTM_node* node, std::string& bitId,
                                         const std::string& destinationText, const std::string& reasonText,
                                         c_destinationList& destinations) {
  c_lock guard(&segmentLock_, -1);
  destinations.clear();
  if (!m_canTrack("TCTM03")) return true;
  transport_->m_recordOutcome(false);
  bool created = false;
  CTM_BIT* item = m_findReportedBIT(bitId, PIC, c_find::report, created);
  if (!item) return true;
  m_checkRecirculationOf(item, node, created, destinationText, reasonText, destinations);
  return true;
}

// The exit counts as unavailable once the item has gone round "<dest>_MaxCirc"
// times; "<dest>_CircTH" percent of that warns first.
void CTM_runningLs::m_checkRecirculationOf(CTM_BIT* item, CTM_node* node, bool created,
                                           const std::string& destinationText, const std::string& reasonText,
                                           c_destinationList& destinations) {
  const int count = item->m_incrementRecirculation();
  const std::string key(destinationText.substr(0, recirculationKeyLength));
  int maximum = 0;
  double threshold = 0;
  const bool hasMaximum = CTM_config::m_getInteger(key + "_MaxCirc", maximum);
  const bool hasThreshold = CTM_config::m_getReal(key + "_CircTH", threshold);
  if (!hasMaximum || !hasThreshold) {
    m_sendText(m_tmId(), 2, "No threshold information for (%s)", key.c_str());
    return;
  }
  if (count >= maximum * threshold / 100.0)
    m_sendText(m_tmId(), 2, "Baggage (%s) has (%d) recirculations", item->m_getBIT_ID().c_str(), count);
  const std::string text = destinationText + " " + reasonText;
  if (count >= maximum) {
    item->traceBIT(node, CTM_BIT::NOT_DIV, text);
    m_processEventForAnswer(item, CTM_BIT::UNAVAILABLE_OUTPUT, node, created, destinations, "");
  } else {
    m_processEventForAnswer(item, CTM_BIT::NOT_DIV, node, created, destinations, text);
  }
}

bool CTM_runningLs::m_traceBIT(int PIC, CTM_node* node, std::string& bitId, c_destinationList& destinations) {
  return m_answerReport("TCTM04", PIC, node, bitId, c_find::report, destinations,
                        [](CTM_BIT&) { return CTM_BIT::TRACE; });
}

bool CTM_runningLs::m_exitBIT(int PIC, CTM_node* node, const std::string& bitId) {
  c_lock guard(&segmentLock_, -1);
  if (!m_canTrack("TCTM05")) return true;
  std::string id = bitId;
  bool created = false;
  CTM_BIT* item = m_findReportedBIT(id, PIC, c_find::report, created);
  if (!item) return true;
  m_processEvent(item, CTM_BIT::EXIT, node, created, "");
  m_remove(id);
  return true;
}

bool CTM_runningLs::m_reportMissingBIT(int PIC, CTM_node* node, std::string& bitId, c_destinationList& destinations) {
  return m_answerReport("TCTM06", PIC, node, bitId, c_find::report, destinations,
                        [](CTM_BIT&) { return CTM_BIT::MISSING; });
}

bool CTM_runningLs::m_reportUnexpectedBIT(int PIC, CTM_node* node, std::string& bitId,
                                          c_destinationList& destinations) {
  return m_answerReport("TCTM07", PIC, node, bitId, c_find::report, destinations,
                        [](CTM_BIT&) { return CTM_BIT::UNEXPECTED; });
}

bool CTM_runningLs::m_setScreeningResult(int PIC, CTM_node* node, std::string& bitId, int level,
                                         const std::string& result, c_destinationList& destinations) {
  return m_answerReport("TCTM08", PIC, node, bitId, c_find::report, destinations, [&](CTM_BIT& item) {
    item.m_setReachedScreenLevel(level);
    item.m_setRequiredScreenLevel(result == "A" ? 0 : level + 1);
    return CTM_BIT::SCR;
  });
}

// A good read gives an item without LPC data its LPC, so that LPCS is asked for the
// data; a failed read ("0000000000") of an item without LPC is a NO_READ.
bool CTM_runningLs::m_setBITLpc(int PIC, CTM_node* node, std::string& bitId, const std::string& lpc,
                                c_destinationList& destinations) {
  return m_answerReport("TCTM09", PIC, node, bitId, c_find::report, destinations, [&](CTM_BIT& item) -> int {
    if (lpc == "0000000000" && item.m_getLPC().empty()) return CTM_BIT::NO_READ;
    const std::string& status = item.m_getStatus();
    if (!item.m_getLPC().empty() || !item.m_getOutboundFlightID().empty() ||
        !item.m_getOutboundDestination().empty() || !(status.empty() || status == "NO_READ"))
      return noEvent;
    item.m_setLPC(lpc);
    item.m_clearStatus();
    item.m_setLpcRequestState(CTM_BIT::lpcRequestDue);
    return CTM_BIT::SCN;
  });
}

bool CTM_runningLs::m_setBITSize(int PIC, CTM_node* node, std::string& bitId, int length, int height, int width,
                                 int weight, c_destinationList& destinations) {
  return m_answerReport("TCTM10", PIC, node, bitId, c_find::report, destinations, [&](CTM_BIT& item) {
    // A size of 0 was not measured.
    if (length != 0) item.m_setLength(length);
    if (height != 0) item.m_setHeight(height);
    if (width != 0) item.m_setWidth(width);
    if (weight != 0) item.m_setWeight(weight);
    return CTM_BIT::SIZE;
  });
}

bool CTM_runningLs::m_setStatusText(const std::string& status) {
  c_lock guard(&segmentLock_, -1);
  return CTM_ls::m_setStatusText(status);
}

std::string CTM_runningLs::m_getStatusText() const {
  c_lock guard(&segmentLock_, -1);
  return CTM_ls::m_getStatusText();
}

// Every controller's clean-up timer calls this; the interval since the segment's own
// last purge decides, so that an item always survives one whole interval.
bool CTM_runningLs::m_purgeBITs(int cleanupIntervalSeconds) {
  c_lock guard(&segmentLock_, -1);
  if (!m_canTrack("the purge")) return false;
  const std::int64_t nowMs = monotonicMs();
  if (nowMs - lastPurgeMonotonicMs_ < purgeIntervalMs(cleanupIntervalSeconds)) return false;
  const std::int64_t start = c_clock::m_utcSeconds();
  std::vector<std::string> old;
  for (const auto& [id, item] : *items_)
    if (item->m_getLastEventTime() < lastPurgeUtc_) old.push_back(id);
  int announced = 0;
  int screening = 0;
  int other = 0;
  for (const std::string& id : old) {
    std::unique_ptr<CTM_BIT> item = m_remove(id);
    item->traceBIT(item->m_getCurrentNode(), CTM_BIT::CLEAN_UP, "");
    if (item->m_isAnnounced()) {
      ++announced;
    } else if (item->m_isScreening()) {
      ++screening;
    } else {
      ++other;
    }
  }
  CTM_logging::m_log(2, ev::SEGMENT_PURGED, "iii", announced, screening, other);
  const int total = announced + screening + other;
  if (total > 0) m_sendText(m_tmId(), 3, "Removed (%d) old BITs from list of (%s)", total, m_getId().c_str());
  lastPurgeUtc_ = start;
  lastPurgeMonotonicMs_ = nowMs;
  return true;
}

std::int64_t CTM_runningLs::m_msUntilPurge(int cleanupIntervalSeconds) const {
  c_lock guard(&segmentLock_, -1);
  const std::int64_t intervalMs = purgeIntervalMs(cleanupIntervalSeconds);
  if (!items_ || !transport_) return intervalMs;
  return std::max<std::int64_t>(0, lastPurgeMonotonicMs_ + intervalMs - monotonicMs());
}

// --- Entry points of the other line handlers -----------------------------------

bool CTM_runningLs::m_applyCodingResult(std::unique_ptr<CTM_BIT> given) {
  c_lock guard(&segmentLock_, -1);
  if (!given || !m_canTrack("the coding result")) return true;
  std::string id = given->m_getBIT_ID();
  bool created = false;
  CTM_BIT* item = m_findBIT(id, c_find::report, created);
  if (!item) return true;
  if (created) {
    m_remove(id);
    return true;
  }
  copyCodingResult(*given, *item);
  item->traceBIT(item->m_getCurrentNode(), CTM_BIT::CODING_TERMINAL, "");
  m_sendBITToTC(item, CTM_BIT::CODING_TERMINAL);
  return true;
}

bool CTM_runningLs::m_reportInsufficientInformation(const std::string& bitId) {
  c_lock guard(&segmentLock_, -1);
  if (!m_canTrack("the insufficient-information report")) return true;
  std::string id = bitId;
  bool created = false;
  CTM_BIT* item = m_findBIT(id, c_find::report, created);
  if (!item) return true;
  if (created) {
    m_remove(id);
    return true;
  }
  item->traceBIT(item->m_getCurrentNode(), CTM_BIT::INSUFFICIENT_INFO, "");
  m_sendBITToTC(item, CTM_BIT::INSUFFICIENT_INFO);
  return true;
}

bool CTM_runningLs::m_beginTransSpecDownload() {
  c_lock guard(&segmentLock_, -1);
  if (!m_canTrack("OM02")) return true;
  transport_->m_clearStaging();
  return true;
}

bool CTM_runningLs::m_stageTransSpec(const std::string& modIndicator, std::unique_ptr<CTM_transSpec> spec) {
  c_lock guard(&segmentLock_, -1);
  if (!m_canTrack("OM03")) return true;
  transport_->m_stageTransSpec(modIndicator, std::move(spec));
  return true;
}

bool CTM_runningLs::m_endTransSpecDownload() {
  c_lock guard(&segmentLock_, -1);
  if (!m_canTrack("OM04")) return true;
  transport_->m_commitTransSpecs();
  std::vector<std::string> ids;
  ids.reserve(items_->size());
  for (const auto& entry : *items_) ids.push_back(entry.first);
  m_sendEachToTC(ids, CTM_BIT::EOD);
  return true;
}

bool CTM_runningLs::m_updateBITFromOC(std::unique_ptr<CTM_BIT> record) {
  c_lock guard(&segmentLock_, -1);
  if (!record || !m_canTrack("OM08")) return true;
  CTM_BIT* item = m_lookUp(record->m_getBIT_ID());
  if (!item) return true;
  item->m_takeData(*record);
  m_sendBITToTC(item, CTM_BIT::BIT);
  return true;
}

bool CTM_runningLs::m_selectBIT(int selectionID, const std::string& bitId) {
  c_lock guard(&segmentLock_, -1);
  if (!m_canTrack("OM09")) return true;
  CTM_BIT* item = m_lookUp(bitId);
  if (!item) return true;
  item->m_setSelectionID(selectionID & 0xFFFF);
  item->traceBIT(item->m_getCurrentNode(), CTM_BIT::SELECT, "");
  m_sendBITToTC(item, CTM_BIT::SELECT);
  return true;
}

bool CTM_runningLs::m_applyLpcData(const std::string& lpc, const std::string& status,
                                   std::unique_ptr<CTM_lpcInfo> record) {
  c_lock guard(&segmentLock_, -1);
  if (!record || !m_canTrack("SC01")) return true;
  std::vector<std::string> ids;
  for (const auto& [id, item] : *items_)
    if (item->m_getLPC() == lpc) ids.push_back(id);
  const int code = isAccepted(status) ? CTM_BIT::BIT : CTM_BIT::UNKNOWN;
  for (const std::string& id : ids) {
    CTM_BIT* item = m_lookUp(id);
    if (!item) continue;
    item->m_applyLpcData(status, *record);
    m_sendBITToTC(item, code);
  }
  return true;
}

bool CTM_runningLs::m_applyFSC(const std::string& lpc, const std::string& status, int fsc) {
  c_lock guard(&segmentLock_, -1);
  if (!m_canTrack("SC11")) return true;
  for (const auto& entry : *items_) {
    CTM_BIT* item = entry.second.get();
    if (item->m_getLPC() != lpc) continue;
    item->m_applyFSC(status, fsc);
    m_sendBITToTC(item, CTM_BIT::BIT);
    break;  // the item may be gone: the walk ends here
  }
  return true;
}

bool CTM_runningLs::m_collectOpenLpcRequests(std::vector<std::string>& lpcs) {
  c_lock guard(&segmentLock_, -1);
  if (!m_canTrack("the CS02 list")) return true;
  for (const auto& entry : *items_) {
    const int state = entry.second->m_getLpcRequestState();
    if (state == CTM_BIT::lpcRequestDue || state == CTM_BIT::lpcDataReceived) lpcs.push_back(entry.second->m_getLPC());
  }
  return true;
}

bool CTM_runningLs::m_collectAnsweredLpcRequests(std::vector<std::string>& lpcs) {
  c_lock guard(&segmentLock_, -1);
  if (!m_canTrack("the CS03 list")) return true;
  for (const auto& entry : *items_)
    if (entry.second->m_getLpcRequestState() == CTM_BIT::lpcDataReceived) lpcs.push_back(entry.second->m_getLPC());
  return true;
}

bool CTM_runningLs::m_receiveBIT(std::unique_ptr<CTM_BIT> item) {
  c_lock guard(&segmentLock_, -1);
  if (!item || !m_canTrack("UD11")) return true;
  const std::string id = item->m_getBIT_ID();
  if (CTM_BIT* known = m_lookUp(id)) {
    known->m_takeData(*item);
    return true;
  }
  tm_->m_generatedIds().m_noteTaken(c_clock::m_utcSeconds(), id);
  if (!item->m_openTrace(this, true)) m_sendText(m_tmId(), 1, "Could not open trace file for BIT (%s)", id.c_str());
  (*items_)[id] = std::move(item);
  return true;
}

// Only an item that no controller has reported yet goes with its announcement.
bool CTM_runningLs::m_withdrawBIT(const std::string& bitId) {
  c_lock guard(&segmentLock_, -1);
  if (!m_canTrack("UD13")) return true;
  CTM_BIT* item = m_lookUp(bitId);
  if (item && item->m_isAnnounced()) m_remove(bitId);
  return true;
}

bool CTM_runningLs::m_setLogicalConnectionState(const std::string& logicalConnectId, bool available) {
  c_lock guard(&segmentLock_, -1);
  for (std::size_t c = 0; c < m_getChildCount(); ++c) {
    const CTM_node* controller = CTM_node::m_getChild(c);
    for (std::size_t t = 0; t < controller->m_getChildCount(); ++t) {
      const CTM_node* technical = controller->m_getChild(t);
      for (std::size_t p = 0; p < technical->m_getChildCount(); ++p) {
        for (const CTM_edge& edge : technical->m_getChild(p)->m_getSuccessors()) {
          CTM_node* successor = edge.m_getTarget();
          if (!CTM_tp::m_idMatchesDestination(successor->m_getId(), logicalConnectId)) continue;
          if (available) {
            CTM_logging::m_log(3, ev::LOGICAL_CONNECTION_AVAILABLE, "s", successor->m_getId());
            successor->m_setState("A");
          } else {
            CTM_logging::m_log(2, ev::LOGICAL_CONNECTION_UNAVAILABLE, "s", successor->m_getId());
            successor->m_setState("N");
          }
          return true;
        }
      }
    }
  }
  return false;
}

// --- For tests and diagnostics ------------------------------------------------

std::size_t CTM_runningLs::m_getItemCount() const {
  c_lock guard(&segmentLock_, -1);
  return items_ ? items_->size() : 0;
}

bool CTM_runningLs::m_inspectBIT(const std::string& bitId, const std::function<void(const CTM_BIT&)>& inspect) const {
  c_lock guard(&segmentLock_, -1);
  const CTM_BIT* item = items_ ? m_lookUp(bitId) : nullptr;
  if (item) inspect(*item);
  return item != nullptr;
}
