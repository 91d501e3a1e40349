#include "tracking/ctm_bit.h"

#include <array>
#include <string_view>
#include <type_traits>

#include "core/ctm_config.h"
#include "platform/c_clock.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_node.h"
#include "tracking/ctm_bit_trace.h"
#include "tracking/ctm_itemcriteria.h"
#include "tracking/ctm_transspec.h"

namespace {

// An exception event turns into a status word by the plant's settings. A later
// exception replaces the status of an earlier one only where listed here: 10
// yields to 9, both to 8, and 11 to 14 override 8 to 10 but not each other.
struct c_exceptionHandling {
  const char* key;
  const char* fallback;
  std::array<int, 4> replaces;  // reason kinds it may follow; -1: no reason yet
  int replaceCount;
};

const c_exceptionHandling* exceptionHandlingFor(int kind) {
  static const c_exceptionHandling table[] = {
      {"HdlInsufficientInformation", "SPECIAL_HANDLING", {-1, 9, 10}, 3},
      {"HdlUnavailableSystemOutput", "SPECIAL_HANDLING", {-1, 10}, 2},
      {"HdlUnavailableBuffer", "SPECIAL_HANDLING", {-1}, 1},
      {"HdlUnknownDestination", "GARB", {-1, 8, 9, 10}, 4},
      {"HdlUnexpectedBaggage", "UFO", {-1, 8, 9, 10}, 4},
      {"HdlMissingBaggage", "MISSING", {-1, 8, 9, 10}, 4},
      {"HdlUnknownBaggage", "UNK", {-1, 8, 9, 10}, 4},
  };
  if (kind < CTM_BIT::INSUFFICIENT_INFO || kind > CTM_BIT::UNKNOWN) return nullptr;
  return &table[kind - CTM_BIT::INSUFFICIENT_INFO];
}

// Texts from telegrams and the topology, escaped so that a record stays one line.
std::string inParens(std::string_view text) { return "(" + CTM_BIT_trace::m_escape(text) + ")"; }
std::string inParens(int value) { return "(" + std::to_string(value) + ")"; }

using c_criteria = CTM_itemCriteria;

// "<label>=(<value>)" for each criterion from first to last that trace records show.
std::string traced(const CTM_itemData& data, c_criteria::c_id first, c_criteria::c_id last) {
  std::string text;
  for (std::size_t i = first; i <= last; ++i) {
    const CTM_itemCriterion& criterion = c_criteria::table[i];
    if (criterion.trace.label == nullptr) continue;
    if (!text.empty()) text += ' ';
    text += criterion.trace.label;
    text += '=';
    criterion.m_visit(data, [&](const auto& value) {
      if constexpr (std::is_same_v<std::decay_t<decltype(value)>, bool>) {
        text += inParens(value ? "Yes" : criterion.trace.no);
      } else {
        text += inParens(value);
      }
    });
  }
  return text;
}

}  // namespace

CTM_BIT::CTM_BIT() : lastEventTime_(static_cast<std::time_t>(c_clock::m_utcSeconds())) {}

CTM_BIT::CTM_BIT(const CTM_itemData& data) : CTM_BIT() { CTM_itemData::operator=(data); }

CTM_BIT::~CTM_BIT() = default;

void CTM_BIT::m_setAnnounced(bool announced) {
  if (announced_ && !announced && !m_getLPC().empty()) lpcRequestState_ = lpcRequestDue;
  announced_ = announced;
  if (trace_) trace_->m_setEraseOnClose(announced);
}

bool CTM_BIT::m_openTrace(CTM_ls* segment, bool announced) {
  announced_ = announced;
  segment_ = segment;
  if (!trace_) {
    const CTM_node* tm = segment ? segment->m_getParent() : nullptr;
    trace_ = std::make_unique<CTM_BIT_trace>(tm ? tm->m_getId() : std::string(),
                                             segment ? segment->m_getId() : std::string(), m_getBIT_ID(), announced);
  } else {
    trace_->m_setEraseOnClose(announced);
  }
  return trace_->m_isOpen();
}

std::string CTM_BIT::m_currentNodeId() const { return currentNode_ ? currentNode_->m_getId() : std::string(); }

void CTM_BIT::m_applyExceptionHandling(int kind) {
  const c_exceptionHandling* handling = exceptionHandlingFor(kind);
  if (!handling) return;
  bool applies = false;
  for (int i = 0; i < handling->replaceCount; ++i) applies = applies || handling->replaces[i] == reasonKind_;
  if (!applies) return;
  reasonKind_ = kind;
  std::string configured;
  if (!CTM_config::m_getString(handling->key, configured) || !m_setStatus(configured)) m_setStatus(handling->fallback);
}

void CTM_BIT::traceBIT(CTM_node* node, int kind, const std::string& text) {
  lastEventTime_ = static_cast<std::time_t>(c_clock::m_utcSeconds());
  currentNode_ = node;
  if (kind == GARB) {
    m_setStatus("GARB");
  } else if (kind == NO_READ) {
    m_setStatus("NO_READ");
  } else {
    m_applyExceptionHandling(kind);
  }
  if (!trace_) return;

  const std::string tp = "TP=" + inParens(m_currentNodeId());
  const std::string status = " " + traced(*this, c_criteria::BIT_status, c_criteria::BIT_status);
  int mark = CTM_BIT_trace::markInternal;
  std::string record;
  switch (kind) {
    case ENTER: case EXIT: case OSIZE: case GARB:
      mark = CTM_BIT_trace::markExternal;
      record = tp;
      break;
    case TRS: case TLATE:
      mark = CTM_BIT_trace::markExternal;
      record = "TS=" + inParens(destinationName_);
      break;
    case DIV: case NOT_DIV:
      record = tp + "\t" + CTM_BIT_trace::m_escape(text);
      break;
    case INSUFFICIENT_INFO:
      record = "TP=CODING TERMINAL\tInsufficient Information for routing!" + status;
      break;
    case UNAVAILABLE_OUTPUT: record = tp + "\tUnavailable system output!" + status; break;
    case UNAVAILABLE_BUFFER: record = tp + "\tUnavailable buffer!" + status; break;
    case UNKNOWN_DESTINATION:
      mark = CTM_BIT_trace::markExternal;
      record = tp + "\tUnknown destination!" + status;
      break;
    case UNEXPECTED: record = tp + "\tUnexpected baggage!" + status; break;
    case MISSING: record = tp + "\tMissing baggage!" + status; break;
    case UNKNOWN: record = tp + "\tUnknown baggage!" + status; break;
    case SELECT: record = traced(*this, c_criteria::selectionID, c_criteria::selectionID); break;
    case NO_READ: case TRACE: record = tp; break;
    case CODING_TERMINAL:
      record = "CODING TERMINAL\t" + traced(*this, c_criteria::inboundFlightID, c_criteria::baggageExceptionData);
      break;
    case SCN: record = tp + "\t" + traced(*this, c_criteria::LPC, c_criteria::LPC); break;
    case SCR:
      record = tp + "\t" + traced(*this, c_criteria::requiredScreenLevel, c_criteria::reachedScreenLevel);
      break;
    case SIZE: record = tp + "\t" + traced(*this, c_criteria::length, c_criteria::weight); break;
    case BIT: record = traced(*this, c_criteria::BIT_status, c_criteria::FSC); break;
    case FSC: record = traced(*this, c_criteria::FSC, c_criteria::FSC); break;
    case CLEAN_UP: record = "CLEAN_UP"; break;
    default: return;  // EOD and unknown kinds leave no record
  }
  trace_->writeTraceRecord(mark, kind, record);
}

void CTM_BIT::m_takeData(const CTM_itemData& other) {
  for (std::size_t i = 0; i < c_criteria::count; ++i)
    if (i != c_criteria::BIT_ID) c_criteria::table[i].m_copy(other, *this);
  if (!m_getLPC().empty() && lpcRequestState_ == lpcNone) lpcRequestState_ = lpcRequestDue;
  traceBIT(currentNode_, BIT, "");
}

bool CTM_BIT::m_applyLpcData(const std::string& status, const CTM_lpcInfo& record) {
  // A request re-sent on a link-up leaves the item at "due": its data is then as
  // much received as that of a request the senders sent, and is released as well.
  if (lpcRequestState_ == lpcRequestDue || lpcRequestState_ == lpcRequestSent) lpcRequestState_ = lpcDataReceived;
  if (status == "P" || status == "A" || status == "U") {
    m_copyLpcData(record);
    if (m_getStatus() == "UNK") m_clearStatus();
    traceBIT(currentNode_, BIT, "");
  } else if (status == "D" || status == "N") {
    m_clearLpcData();
    traceBIT(currentNode_, UNKNOWN, "");
  }
  return true;
}

bool CTM_BIT::m_applyFSC(const std::string& status, int fsc) {
  if (status == "P") {
    m_setFSC(fsc);
    traceBIT(currentNode_, FSC, "");
  }
  return true;
}

bool CTM_BIT::m_matches(const CTM_transSpec& transSpec) const {
  return c_criteria::m_matches(transSpec.m_getCriteria(), transSpec.m_getRelevance(), *this);
}

bool CTM_BIT::m_setDestination(const std::string& name, CTM_node* node, int priority) {
  return m_replaceDestinations(name, {CTM_destination(node, priority)});
}

bool CTM_BIT::m_setDestinations(const std::string& name, CTM_node* node1, int priority1, CTM_node* node2,
                                int priority2) {
  return m_replaceDestinations(name, {CTM_destination(node1, priority1), CTM_destination(node2, priority2)});
}

bool CTM_BIT::m_replaceDestinations(const std::string& name, c_destinationList wanted) {
  previousDestinations_.reset();
  if (name == destinationName_ && destinations_ && destinations_->size() == wanted.size()) {
    bool sameNodes = true;
    for (std::size_t i = 0; i < wanted.size(); ++i)
      sameNodes = sameNodes && (*destinations_)[i].m_getNode() == wanted[i].m_getNode();
    if (sameNodes) {
      if (*destinations_ == wanted) return false;
      *destinations_ = std::move(wanted);
      return true;
    }
  }
  destinationName_ = name;
  previousDestinations_ = std::move(destinations_);
  destinations_ = std::move(wanted);
  return true;
}
