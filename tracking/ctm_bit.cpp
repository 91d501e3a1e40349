#include "tracking/ctm_bit.h"

#include <array>
#include <string_view>

#include "core/ctm_config.h"
#include "platform/c_clock.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_node.h"
#include "tracking/ctm_bit_trace.h"
#include "tracking/ctm_bitstatus.h"
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
const char* yesNo(bool value) { return value ? "Yes" : "No"; }

std::string lpcDataText(const CTM_lpcInfo& data) {
  return "InID=" + inParens(data.m_getInboundFlightID()) + " OutID=" + inParens(data.m_getOutboundFlightID()) +
         " OutCC=" + inParens(data.m_getOutboundCabinClass()) + " OutDes=" +
         inParens(data.m_getOutboundDestination()) + " Outonw=" + inParens(yesNo(data.m_getOnwardConnection())) +
         " PaName=" + inParens(data.m_getPassengerName()) + " Excep=" + inParens(data.m_getBaggageExceptionData());
}

// Fixed-width texts compare equal whatever blanks pad them.
std::string_view withoutTrailingBlanks(std::string_view text) {
  std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

bool sameText(std::string_view left, std::string_view right) {
  return withoutTrailingBlanks(left) == withoutTrailingBlanks(right);
}

bool statusMatches(const std::string& transSpecStatus, const std::string& itemStatus) {
  const std::string wanted = CTM_bitStatus::m_fromField(transSpecStatus);
  const std::string actual = CTM_bitStatus::m_fromField(itemStatus);
  if (wanted == actual) return true;
  // Items that no reader identified go where unread ones go.
  return wanted == "NO_READ" && (actual == "UFO" || actual == "MISSING" || actual == "UNK");
}

}  // namespace

CTM_BIT::CTM_BIT() : lastEventTime_(static_cast<std::time_t>(c_clock::m_utcSeconds())) {}

CTM_BIT::~CTM_BIT() = default;

bool CTM_BIT::m_setStatus(const std::string& word) {
  if (!CTM_bitStatus::m_isWord(word)) return false;
  status_ = word;
  return true;
}

void CTM_BIT::m_setAnnounced(bool announced) {
  if (announced_ && !announced && !LPC_.empty()) lpcRequestState_ = lpcRequestDue;
  announced_ = announced;
  if (trace_) trace_->m_setEraseOnClose(announced);
}

bool CTM_BIT::m_openTrace(CTM_ls* segment, bool announced) {
  announced_ = announced;
  segment_ = segment;
  if (!trace_) {
    const CTM_node* tm = segment ? segment->m_getParent() : nullptr;
    trace_ = std::make_unique<CTM_BIT_trace>(tm ? tm->m_getId() : std::string(),
                                             segment ? segment->m_getId() : std::string(), BIT_ID_, announced);
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
  if (!CTM_config::m_getString(handling->key, configured) || !m_setStatus(configured)) status_ = handling->fallback;
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
  const std::string status = " Status=" + inParens(status_);
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
    case SELECT: record = "Selection=" + inParens(selectionID_); break;
    case NO_READ: case TRACE: record = tp; break;
    case CODING_TERMINAL: record = "CODING TERMINAL\t" + lpcDataText(*this); break;
    case SCN: record = tp + "\tLPC=" + inParens(LPC_); break;
    case SCR:
      record = tp + "\tReq=" + inParens(requiredScreenLevel_) + " Rea=" + inParens(reachedScreenLevel_);
      break;
    case SIZE:
      record = tp + "\tL=" + inParens(length_) + " H=" + inParens(height_) + " W=" + inParens(width_) +
               " W=" + inParens(weight_);
      break;
    case BIT:
      record = "Status=" + inParens(status_) + " Selection=" + inParens(selectionID_) + " LPC=" + inParens(LPC_) +
               " " + lpcDataText(*this) + " TubNec=" + inParens(yesNo(tubbingNecessity_)) +
               " TubInd=" + inParens(tubbedIndicator_ ? "Yes" : "NO") + " Req=" + inParens(requiredScreenLevel_) +
               " Rea=" + inParens(reachedScreenLevel_) + " L=" + inParens(length_) + " H=" + inParens(height_) +
               " W=" + inParens(width_) + " W=" + inParens(weight_) + " FSC=" + inParens(FSC_);
      break;
    case FSC: record = "FSC=" + inParens(FSC_); break;
    case CLEAN_UP: record = "CLEAN_UP"; break;
    default: return;  // EOD and unknown kinds leave no record
  }
  trace_->writeTraceRecord(mark, kind, record);
}

void CTM_BIT::m_takeData(const CTM_BIT& other) {
  status_ = other.status_;
  selectionID_ = other.selectionID_;
  LPC_ = other.LPC_;
  m_copyLpcData(other);
  tubbingNecessity_ = other.tubbingNecessity_;
  tubbedIndicator_ = other.tubbedIndicator_;
  requiredScreenLevel_ = other.requiredScreenLevel_;
  reachedScreenLevel_ = other.reachedScreenLevel_;
  length_ = other.length_;
  height_ = other.height_;
  width_ = other.width_;
  weight_ = other.weight_;
  FSC_ = other.FSC_;
  if (!LPC_.empty() && lpcRequestState_ == lpcNone) lpcRequestState_ = lpcRequestDue;
  traceBIT(currentNode_, BIT, "");
}

bool CTM_BIT::m_applyLpcData(const std::string& status, const CTM_lpcInfo& record) {
  if (lpcRequestState_ == lpcRequestSent) lpcRequestState_ = lpcDataReceived;
  if (status == "P" || status == "A" || status == "U") {
    m_copyLpcData(record);
    if (status_ == "UNK") status_.clear();
    traceBIT(currentNode_, BIT, "");
  } else if (status == "D" || status == "N") {
    m_clearLpcData();
    traceBIT(currentNode_, UNKNOWN, "");
  }
  return true;
}

bool CTM_BIT::m_applyFSC(const std::string& status, int fsc) {
  if (status == "P") {
    FSC_ = fsc;
    traceBIT(currentNode_, FSC, "");
  }
  return true;
}

bool CTM_BIT::m_matches(const CTM_transSpec& transSpec) const {
  std::string text;
  int number = 0;
  bool flag = false;
  if (transSpec.m_getBIT_ID(text) && !sameText(text, BIT_ID_)) return false;
  if (transSpec.m_getBIT_status(text) && !statusMatches(text, status_)) return false;
  if (transSpec.m_getSelectionID(number) && number != selectionID_) return false;
  if (transSpec.m_getLPC(text) && !sameText(text, LPC_)) return false;
  if (transSpec.m_getInboundFlightID(text) && !sameText(text, m_getInboundFlightID())) return false;
  if (transSpec.m_getOutboundFlightID(text) && !sameText(text, m_getOutboundFlightID())) return false;
  if (transSpec.m_getOutboundCabinClass(text) && !sameText(text, m_getOutboundCabinClass())) return false;
  if (transSpec.m_getOutboundDestination(text) && !sameText(text, m_getOutboundDestination())) return false;
  if (transSpec.m_getOnwardConnection(flag) && flag != m_getOnwardConnection()) return false;
  if (transSpec.m_getPassengerName(text) && !sameText(text, m_getPassengerName())) return false;
  if (transSpec.m_getBaggageExceptionData(text) && !sameText(text, m_getBaggageExceptionData())) return false;
  if (transSpec.m_getTubbingNecessity(flag) && flag != tubbingNecessity_) return false;
  if (transSpec.m_getTubbedIndicator(flag) && flag != tubbedIndicator_) return false;
  if (transSpec.m_getRequiredScreenLevel(number) && number != requiredScreenLevel_) return false;
  if (transSpec.m_getReachedScreenLevel(number) && number != reachedScreenLevel_) return false;
  if (transSpec.m_getLength(number) && number != length_) return false;
  if (transSpec.m_getHeight(number) && number != height_) return false;
  if (transSpec.m_getWidth(number) && number != width_) return false;
  if (transSpec.m_getWeight(number) && number != weight_) return false;
  if (transSpec.m_getFSC(number) && number != FSC_) return false;
  return true;
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
