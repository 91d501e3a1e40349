// The TM node's senders: a segment's baggage item reported to OC (MO), to LPCS
// (CS) and to the downstream TMs (UD). Called by the segments with their segment
// lock held: each takes a snapshot of the line handler it needs and queues on it.
// A telegram whose line handler does not exist is dropped.
#include <string_view>

#include "links/ctm_lh.h"
#include "platform/c_clock.h"
#include "telegrams/ctm_cs_message.h"
#include "telegrams/ctm_mo_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_tp.h"
#include "tracking/ctm_bit.h"
#include "tracking/ctm_bit_trace.h"

namespace {

// The tracking events that MO11 carries, with their names padded to the field.
constexpr int lastTrackingEvent = CTM_BIT::TLATE;
constexpr std::size_t trackingEventWidth = 5;
// Where a logical connect id takes the downstream segment's name from its id.
constexpr std::size_t segmentNameStart = 1;
constexpr std::size_t segmentNameLength = 4;

bool queueOn(const std::shared_ptr<CTM_lh>& lineHandler, std::unique_ptr<CTM_message> telegram) {
  return lineHandler && lineHandler->m_send(std::move(telegram));
}

std::string currentNodeId(const CTM_BIT& bit) {
  return bit.m_getCurrentNode() ? bit.m_getCurrentNode()->m_getId() : std::string();
}

const CTM_tp* asTrackingPoint(const CTM_node* node) {
  return node && node->m_getType() == CTM_tp::type ? static_cast<const CTM_tp*>(node) : nullptr;
}

CTM_node* nodeAt(const CTM_BIT::c_destinationList* list, std::size_t i) {
  return list && i < list->size() ? (*list)[i].m_getNode() : nullptr;
}

}  // namespace

void CTM_runningTm::m_sendMO08(const std::string& lsId, const std::string& bitId) {
  auto telegram = std::make_unique<CTM_mo08_message>();
  telegram->m_setLS_ID(lsId);
  telegram->m_setBIT_ID(bitId);
  queueOn(m_getOcLineHandler(), std::move(telegram));
}

void CTM_runningTm::m_sendMO10(const std::string& lsId, CTM_BIT* bit) {
  auto telegram = std::make_unique<CTM_mo10_message>();
  telegram->m_setLS_ID(lsId);
  telegram->m_setBIT(*bit);
  telegram->m_setTimeStamp(c_clock::m_utcSeconds());
  queueOn(m_getOcLineHandler(), std::move(telegram));
}

bool CTM_runningTm::m_sendMO11(const std::string& lsId, CTM_BIT* bit, int kind) {
  if (kind < CTM_BIT::ENTER || kind > lastTrackingEvent) return true;
  // Routing events name the destination chosen, the others where the item was seen.
  const bool atDestination = kind == CTM_BIT::TRS || kind == CTM_BIT::TLATE;
  std::string eventType = CTM_BIT_trace::kindName(kind);
  eventType.resize(trackingEventWidth, ' ');
  auto telegram = std::make_unique<CTM_mo11_message>();
  telegram->m_setLS_ID(lsId);
  telegram->m_setBIT_ID(bit->m_getBIT_ID());
  telegram->m_setTrackingEvent(eventType, atDestination ? bit->m_getDestinationName() : currentNodeId(*bit));
  telegram->m_setTimeStamp(c_clock::m_utcSeconds());
  return queueOn(m_getOcLineHandler(), std::move(telegram));
}

bool CTM_runningTm::m_sendUD01(const std::string& lsId, int baggageCount) {
  for (const std::shared_ptr<CTM_lh>& lineHandler : m_getDstmLineHandlers()) {
    auto telegram = std::make_unique<CTM_ud01_message>();
    telegram->m_setLS_ID(lsId);
    telegram->m_setBaggageCount(baggageCount);
    queueOn(lineHandler, std::move(telegram));
  }
  return true;
}

namespace {

// CS02 (state 1 to 2) or CS03 (state 3 to 4): only in its due state, and the state
// moves on only when LPCS's line handler took the telegram.
template <class Telegram>
bool sendLpcRequest(const std::shared_ptr<CTM_lh>& lpcs, CTM_BIT* bit, int dueState, int sentState) {
  if (bit->m_getLpcRequestState() != dueState) return true;
  auto telegram = std::make_unique<Telegram>();
  telegram->m_setLPC(bit->m_getLPC());
  if (!queueOn(lpcs, std::move(telegram))) return false;
  bit->m_setLpcRequestState(sentState);
  return true;
}

}  // namespace

bool CTM_runningTm::m_sendCS02(CTM_BIT* bit) {
  return sendLpcRequest<CTM_cs02_message>(m_getLpcsLineHandler(), bit, CTM_BIT::lpcRequestDue,
                                          CTM_BIT::lpcRequestSent);
}

bool CTM_runningTm::m_sendCS03(CTM_BIT* bit) {
  return sendLpcRequest<CTM_cs03_message>(m_getLpcsLineHandler(), bit, CTM_BIT::lpcDataReceived,
                                          CTM_BIT::lpcAnswerSent);
}

// The downstream TMs learn of the item's destinations: announced ("A"), moved
// ("U": withdrawn where it was to go, announced where it goes now; or updated
// where it still goes) and left ("D": withdrawn, and announced where it left).
bool CTM_runningTm::m_sendUD(CTM_BIT* bit, const std::string& action) {
  const CTM_BIT::c_destinationList* current = bit->m_getDestinations();
  if (!current) return false;
  const CTM_BIT::c_destinationList* previous = bit->m_getPreviousDestinations();
  CTM_node* d1 = nodeAt(current, 0);
  CTM_node* d2 = nodeAt(current, 1);
  CTM_node* p1 = nodeAt(previous, 0);
  CTM_node* p2 = nodeAt(previous, 1);
  CTM_node* here = bit->m_getCurrentNode();
  if (action == "A") {
    m_sendUD11(bit, d1);
    m_sendUD11(bit, d2);
  } else if (action == "U") {
    if (p1 || p2) {
      m_sendUD13(bit, p1);
      m_sendUD13(bit, p2);
      m_sendUD11(bit, d1);
      m_sendUD11(bit, d2);
    } else {
      m_sendUD12(bit, d1);
      m_sendUD12(bit, d2);
    }
  } else if (action == "D" && here && ((d1 && d1 != here) || (d2 && d2 != here))) {
    m_sendUD13(bit, d1);
    m_sendUD13(bit, d2);
    m_sendUD11(bit, here);
  }
  return true;
}

namespace {

// One telegram per successor of the destination that lies in a TM this TM has a
// downstream link to, carrying the logical connection between the two segments.
template <class Telegram, class Fill>
void sendOverLogicalConnections(const CTM_runningTm& tm, CTM_node* destination, Fill fill) {
  const CTM_tp* from = asTrackingPoint(destination);
  if (!from) return;
  for (const CTM_edge& edge : from->m_getSuccessors()) {
    const CTM_tp* to = asTrackingPoint(edge.m_getTarget());
    if (!to) continue;
    std::shared_ptr<CTM_lh> lineHandler = tm.m_findDstmLineHandler(to->m_getTmId());
    if (!lineHandler) continue;
    const std::string_view toSegment = to->m_getLsId();
    const std::string_view toName =
        segmentNameStart < toSegment.size() ? toSegment.substr(segmentNameStart, segmentNameLength) : "";
    auto telegram = std::make_unique<Telegram>();
    telegram->m_setLogicalConnectID(from->m_getLsId() + std::string(toName));
    fill(*telegram);
    lineHandler->m_send(std::move(telegram));
  }
}

}  // namespace

bool CTM_runningTm::m_sendUD11(CTM_BIT* bit, CTM_node* destination) {
  sendOverLogicalConnections<CTM_ud11_message>(*this, destination,
                                               [&](CTM_ud11_message& telegram) { telegram.m_setBIT(*bit); });
  return true;
}

bool CTM_runningTm::m_sendUD12(CTM_BIT* bit, CTM_node* destination) {
  sendOverLogicalConnections<CTM_ud12_message>(*this, destination,
                                               [&](CTM_ud12_message& telegram) { telegram.m_setBIT(*bit); });
  return true;
}

bool CTM_runningTm::m_sendUD13(CTM_BIT* bit, CTM_node* destination) {
  sendOverLogicalConnections<CTM_ud13_message>(
      *this, destination, [&](CTM_ud13_message& telegram) { telegram.m_setBIT_ID(bit->m_getBIT_ID()); });
  return true;
}
