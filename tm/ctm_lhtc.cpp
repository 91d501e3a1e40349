#include "tm/ctm_lhtc.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <string_view>

#include "core/ctm_config.h"
#include "core/ctm_config_entry.h"
#include "core/ctm_logging.h"
#include "telegrams/ctm_du_message.h"
#include "telegrams/ctm_tctm_message.h"
#include "telegrams/ctm_tmtc_message.h"
#include "tm/ctm_runningls.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_tc.h"
#include "topology/ctm_tp.h"
#include "topology/ctm_ts.h"
#include "tracking/ctm_bit.h"

namespace {

using c_itemReport = CTM_itemHead<CTM_tctm_message>;
using c_reportAtEquipment = CTM_itemAtEquipment<CTM_tctm_message>;
using c_reportFromEquipment = CTM_itemFromEquipment<CTM_tctm_message>;
using c_destinations = CTM_runningLs::c_destinationList;

// A BIT_ID of eleven blanks asks the TM for a new id, which the answer then carries.
const std::string blankBitId(11, ' ');

// Characters 3 and 4 of the controller's id; shorter ids give what is there.
std::string subIdOf(const std::string& controllerId) {
  return controllerId.size() > 2 ? controllerId.substr(2, 2) : std::string();
}

// A one-shot timer due after that many seconds; an interval of 0 or less counts as
// one second, so that a timer never fires without pause.
void armOnce(c_waitableTimer& timer, long seconds) { timer.m_setMilliseconds((seconds > 0 ? seconds : 1) * 1000LL, 0); }

// TMTC01 with the item's destinations, in list order.
std::unique_ptr<CTM_tmtc01_message> routingAnswer(int pic, const std::string& equipmentCode,
                                                   const std::string& bitId, const c_destinations& destinations) {
  auto answer = std::make_unique<CTM_tmtc01_message>();
  answer->m_setPIC(pic);
  answer->m_setBIT_ID(bitId);
  answer->m_setEquipmentCodeOrigin(equipmentCode);
  for (const CTM_destination& destination : destinations)
    answer->m_appendDestination(destination.m_getNodeId(), destination.m_getRoutingPriority());
  return answer;
}

}  // namespace

CTM_lhtc::CTM_lhtc(CTM_node* owner, CTM_tc* controller)
    : owner_(owner),
      tmId_(owner != nullptr ? owner->m_getId() : std::string()),
      runningTm_(dynamic_cast<CTM_runningTm*>(owner)),
      controller_(controller),
      segment_(dynamic_cast<CTM_runningLs*>(controller->m_getParent())) {
  interfaceName_ = "TC";
  ownName_ = controller->m_getId();
  ownSubId_ = subIdOf(ownName_);
  expectedSubId_ = ownSubId_;
  keepAlive_ = std::make_unique<CTM_tmtc00_message>();
  expectedKeepAliveId_ = "TCTM00";
  ownTelegramIds_ = {"TMTC00", "TMTC01", "TMTC02", "TMTC03", "TMTC21", "TMTC22"};
}

CTM_lhtc::~CTM_lhtc() {
  m_shutdown();
  m_cleanupInterface();
}

bool CTM_lhtc::m_initInterface() {
  armOnce(timers_[1], firstStatusRequestDelay);
  long interval = 0;
  if (CTM_config::m_getLong("Cleanup_Interval", interval)) {
    CTM_logging::m_log(5, ev::LHTC_CLEANUP_INTERVAL, "i", interval);
  } else {
    interval = defaultCleanupInterval;
    CTM_logging::m_log(2, ev::LHTC_CLEANUP_INTERVAL_MISSING, "i", interval);
  }
  cleanupInterval_ = interval;
  m_armCleanupTimer();
  return true;
}

bool CTM_lhtc::m_cleanupInterface() { return true; }

bool CTM_lhtc::m_onTimer2() {
  CTM_tmtc22_message request;
  if (!m_transmit(&request, -1)) return false;
  armOnce(timers_[1], statusRequestPeriod);
  return true;
}

bool CTM_lhtc::m_onTimer4() {
  if (segment_ != nullptr) segment_->m_purgeBITs(m_cleanupSeconds());
  m_armCleanupTimer();
  return true;
}

int CTM_lhtc::m_cleanupSeconds() const { return static_cast<int>(std::min<long>(cleanupInterval_, INT_MAX)); }

// Every controller of the segment purges the same items: the timer runs out when the
// segment's purge is due, at once when a link comes up after it fell due, so that
// neither a link re-made nor controllers away put the purge off.
void CTM_lhtc::m_armCleanupTimer() {
  if (segment_ == nullptr) {
    armOnce(timers_[3], cleanupInterval_);
    return;
  }
  timers_[3].m_setMilliseconds(segment_->m_msUntilPurge(m_cleanupSeconds()), 0);
}

bool CTM_lhtc::m_processTelegram(CTM_message* telegram) {
  if (telegram == nullptr) return CTM_lh::m_processTelegram(telegram);
  const std::string id = telegram->m_getId();
  if (id.size() == 6 && id.compare(0, 4, "TCTM") == 0) {
    const std::string_view number = std::string_view(id).substr(4);
    if (number >= "01" && number <= "10") return m_onItemReport(*telegram);
    if (number == "21") return m_onSegmentAvailability(*telegram);
    if (number == "22") return m_onSegmentOccupation(*telegram);
    if (number == "23") return m_onParameterList(*telegram);
    // A free-text event of the TC asks for nothing.
    if (number == "24") return true;
  }
  if (id == "TMTC01" || id == "TMTC02" || id == "TMTC03") return m_transmit(telegram, -1);
  return CTM_lh::m_processTelegram(telegram);
}

CTM_tp* CTM_lhtc::m_findTrackingPoint(const std::string& equipmentCode, const CTM_message& telegram) {
  for (std::size_t i = 0; CTM_ts* segment = controller_->m_getChild(i); ++i)
    for (std::size_t j = 0; CTM_tp* point = segment->m_getChild(j); ++j)
      if (point->m_getId() == equipmentCode) return point;
  controller_->m_sendText(tmId_, 1, "Wrong EqCode (%s) from TC (%s) reported.", equipmentCode.c_str(),
                     ownName_.c_str());
  CTM_logging::m_log(1, ev::LH_UNKNOWN_KEY_FIELD, "ss", telegram.m_asString(), "EquipmentCode");
  return nullptr;
}

CTM_ts* CTM_lhtc::m_findTechnicalSegment(const std::string& segmentId) {
  for (std::size_t i = 0; CTM_ts* segment = controller_->m_getChild(i); ++i)
    if (segment->m_getId() == segmentId) return segment;
  controller_->m_sendText(tmId_, 1, "Wrong TS (%s) from TC (%s) reported.", segmentId.c_str(),
                     ownName_.c_str());
  return nullptr;
}

bool CTM_lhtc::m_onItemReport(CTM_message& telegram) {
  auto* report = dynamic_cast<c_itemReport*>(&telegram);
  if (report == nullptr) return CTM_lh::m_processTelegram(&telegram);
  std::string equipmentCode;
  if (auto* at = dynamic_cast<c_reportAtEquipment*>(report)) equipmentCode = at->m_getEquipmentCode();
  if (auto* from = dynamic_cast<c_reportFromEquipment*>(report)) equipmentCode = from->m_getEquipmentCodeOrigin();
  CTM_tp* point = m_findTrackingPoint(equipmentCode, telegram);
  if (point == nullptr || segment_ == nullptr) return true;

  const int pic = report->m_getPIC();
  std::string bitId = report->m_getBIT_ID();
  const bool blank = bitId == blankBitId;
  c_destinations destinations;
  if (dynamic_cast<CTM_tctm01_message*>(report) != nullptr && owner_ != nullptr && owner_->m_hasNoSuccessors()) {
    // The screening TM answers a known item with its screening status; a new one
    // gets its answer when its data arrives.
    bool created = false;
    std::string screeningStatus;
    segment_->m_enterBITWithScreening(pic, point, bitId, created, screeningStatus);
    if (created || bitId == blankBitId) return true;
    CTM_tmtc02_message answer;
    answer.m_setPIC(pic);
    answer.m_setBIT_ID(bitId);
    answer.m_setEquipmentCode(equipmentCode);
    answer.m_setScreeningStatus(screeningStatus);
    return m_transmit(&answer, telegram.m_getSeqNo());
  }
  if (dynamic_cast<CTM_tctm01_message*>(report) != nullptr) {
    segment_->m_enterBIT(pic, point, bitId, destinations);
  } else if (auto* diverted = dynamic_cast<CTM_tctm02_message*>(report)) {
    segment_->m_divertBIT(pic, point, bitId, diverted->m_getEquipmentCodeDestination(), diverted->m_getDivReason());
    return true;
  } else if (auto* notDiverted = dynamic_cast<CTM_tctm03_message*>(report)) {
    std::string destinationText;
    std::string reasonText;
    std::string destination;
    std::string reason;
    while (notDiverted->m_getNextDestination(destination, reason)) {
      destinationText += destination + '\t';
      reasonText += reason + '\t';
    }
    segment_->m_checkRecirculation(pic, point, bitId, destinationText, reasonText, destinations);
  } else if (dynamic_cast<CTM_tctm04_message*>(report) != nullptr) {
    segment_->m_traceBIT(pic, point, bitId, destinations);
  } else if (dynamic_cast<CTM_tctm05_message*>(report) != nullptr) {
    segment_->m_exitBIT(pic, point, bitId);
    return true;
  } else if (dynamic_cast<CTM_tctm06_message*>(report) != nullptr) {
    segment_->m_reportMissingBIT(pic, point, bitId, destinations);
  } else if (dynamic_cast<CTM_tctm07_message*>(report) != nullptr) {
    segment_->m_reportUnexpectedBIT(pic, point, bitId, destinations);
  } else if (auto* screened = dynamic_cast<CTM_tctm08_message*>(report)) {
    segment_->m_setScreeningResult(pic, point, bitId, screened->m_getScreeningLevel(),
                                   screened->m_getScreeningResult(), destinations);
  } else if (auto* read = dynamic_cast<CTM_tctm09_message*>(report)) {
    segment_->m_setBITLpc(pic, point, bitId, read->m_getLPC(), destinations);
  } else if (auto* measured = dynamic_cast<CTM_tctm10_message*>(report)) {
    segment_->m_setBITSize(pic, point, bitId, measured->m_getLength(), measured->m_getHeight(),
                           measured->m_getWidth(), measured->m_getWeight(), destinations);
  } else {
    return CTM_lh::m_processTelegram(&telegram);
  }
  // A routing gives the TC its destinations; a blank id at least the new id (none
  // when the segment could generate none: the bag is not tracked).
  if (destinations.empty() && (!blank || bitId == blankBitId)) return true;
  return m_transmit(routingAnswer(pic, equipmentCode, bitId, destinations).get(), telegram.m_getSeqNo());
}

bool CTM_lhtc::m_onSegmentAvailability(CTM_message& telegram) {
  auto* report = dynamic_cast<CTM_tctm21_message*>(&telegram);
  if (report == nullptr) return CTM_lh::m_processTelegram(&telegram);
  const std::string segmentId = report->m_getTechnSegmentID();
  CTM_ts* segment = m_findTechnicalSegment(segmentId);
  if (segment == nullptr) {
    controller_->m_sendText(tmId_, 1, "Status for unknown TS (%s) from (%s).", segmentId.c_str(),
                       ownName_.c_str());
    return true;
  }
  const std::string availability = report->m_getAvailability();
  segment->m_setState(availability);
  // Each upstream TM that feeds one of the segment's tracking points learns the new state.
  for (std::size_t i = 0; CTM_tp* point = segment->m_getChild(i); ++i) {
    std::string connectId;
    std::string upstreamTm;
    if (!point->m_getLogicalConnectId(connectId, upstreamTm)) continue;
    auto state = std::make_unique<CTM_du01_message>();
    state->m_setLogicalConnectID(connectId);
    state->m_appendConnection(0, availability == "A");
    std::shared_ptr<CTM_lh> upstream = runningTm_ != nullptr ? runningTm_->m_findUstmLh(upstreamTm) : nullptr;
    if (upstream) {
      upstream->m_send(std::move(state), false);
    } else {
      controller_->m_sendText(tmId_, 1, "Wrong topology for connecton to USTM (%s)", upstreamTm.c_str());
    }
  }
  return true;
}

bool CTM_lhtc::m_onSegmentOccupation(CTM_message& telegram) {
  auto* report = dynamic_cast<CTM_tctm22_message*>(&telegram);
  if (report == nullptr) return CTM_lh::m_processTelegram(&telegram);
  if (m_findTechnicalSegment(report->m_getTechnSegmentID()) != nullptr && segment_ != nullptr)
    segment_->m_setStatusText(report->m_getOccupationStatus());
  return true;
}

bool CTM_lhtc::m_onParameterList(CTM_message& telegram) {
  auto* list = dynamic_cast<CTM_tctm23_message*>(&telegram);
  if (list == nullptr) return CTM_lh::m_processTelegram(&telegram);
  const std::string type = list->m_getFieldType();
  if (type.size() != 1 || std::string_view("BILRS").find(type[0]) == std::string_view::npos) return false;
  // A transport controller sets only timing entries.
  int index = 0;
  auto setNext = [&](auto value, auto readNext, auto setByIndex) {
    return (list->*readNext)(index, value) ? setByIndex(index, value, CTM_config_entry::kindTiming) : 0;
  };
  const int count = list->m_getFieldCount();
  for (int group = 0; group < count; ++group) {
    index = 0;
    int result = 0;
    switch (type[0]) {
      case 'B': result = setNext(false, &CTM_tctm23_message::m_getNextBool, &CTM_config::m_setBoolByIndex); break;
      case 'I': result = setNext(0, &CTM_tctm23_message::m_getNextInt, &CTM_config::m_setIntegerByIndex); break;
      case 'L': result = setNext(0L, &CTM_tctm23_message::m_getNextLong, &CTM_config::m_setLongByIndex); break;
      case 'R': result = setNext(0.0, &CTM_tctm23_message::m_getNextReal, &CTM_config::m_setRealByIndex); break;
      default:
        result = setNext(std::string(), &CTM_tctm23_message::m_getNextString, &CTM_config::m_setStringByIndex);
        break;
    }
    if (result != 1)
      controller_->m_sendText(tmId_, 1, "Wrong setting parameter (%d) by (%s).", index, ownName_.c_str());
  }
  return true;
}
