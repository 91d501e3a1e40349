#include "tm/ctm_lhmc.h"

#include <algorithm>
#include <climits>
#include <memory>

#include "core/ctm_config.h"
#include "links/ctm_connection.h"
#include "platform/c_clock.h"
#include "telegrams/ctm_mt_message.h"
#include "telegrams/ctm_tm_message.h"
#include "tm/ctm_runningls.h"
#include "topology/ctm_tm.h"
#include "tracking/ctm_bit.h"

namespace {

// Characters 3 and 4 of the TM's id; shorter ids give what is there.
std::string subIdOf(const std::string& tmId) { return tmId.size() > 2 ? tmId.substr(2, 2) : std::string(); }

// The values the operator entered, into the item's LPC record.
void takeEnteredValues(const CTM_tm01_message& result, CTM_BIT& item) {
  std::string text;
  if (result.m_getLPC(text)) item.m_setLPC(text);
  if (result.m_getFlightID(text)) item.m_setOutboundFlightID(text);
  if (result.m_getCabinClass(text)) item.m_setOutboundCabinClass(text);
  if (result.m_getDestination(text)) item.m_setOutboundDestination(text);
  bool onward = false;
  if (result.m_getOnwardConnection(onward)) item.m_setOnwardConnection(onward);
  if (result.m_getBaggageExceptionData(text)) item.m_setBaggageExceptionData(text);
  if (result.m_getPassengerName(text)) item.m_setPassengerName(text);
}

}  // namespace

CTM_lhmc::CTM_lhmc(CTM_node* owner, CTM_ls* segment, const std::string& host, int port)
    : tmId_(owner != nullptr ? owner->m_getId() : std::string()),
      segment_(dynamic_cast<CTM_runningLs*>(segment)) {
  interfaceName_ = "MC";
  ownSubId_ = subIdOf(tmId_);
  expectedSubId_ = "01";
  keepAlive_ = std::make_unique<CTM_mt00_message>();
  expectedKeepAliveId_ = "TM00";
  ownTelegramIds_ = {"MT00", "MT01", "MT11", "MT21", "MT22"};
  auto* tm = dynamic_cast<CTM_tm*>(owner);
  ownedConnection_ =
      std::make_unique<CTM_connection>(this, tm != nullptr ? tm->m_getAddress() : std::string(), host, port, false);
  sleepBeforeConnect_ = true;
  m_readKeepAliveInterval(keepAliveId, 5);
}

CTM_lhmc::~CTM_lhmc() { m_shutdown(); }

bool CTM_lhmc::m_initInterface() {
  averageProcessingTime_ = 0;
  timedResults_ = 0;
  resultsCounted_ = manualScans_ = typedLpcs_ = typedOther_ = unknownBags_ = 0;
  lastSendTime_.reset();
  terminalState_ = 'U';
  m_send(std::make_unique<CTM_mt21_message>(), false);
  timers_[1].m_set(firstStatisticsDelay, 0);
  return true;
}

// Sent also when the link is gone: the attempt uses its sequence number and logs its failure.
bool CTM_lhmc::m_cleanupInterface() {
  terminalState_ = 'U';
  CTM_mt11_message notRequired;
  notRequired.m_setCodingServicesRequired(false);
  return m_transmit(&notRequired, -1);
}

bool CTM_lhmc::m_onTimer1() {
  if (!CTM_single_connection_lh::m_onTimer1()) return false;
  m_readKeepAliveInterval(keepAliveId, 5);
  m_armKeepAliveTimer();
  return true;
}

bool CTM_lhmc::m_onTimer2() {
  CTM_config::m_setInteger("AvgProcTime", static_cast<int>(std::min<std::int64_t>(averageProcessingTime_, INT_MAX)));
  CTM_config::m_setLong("ManScans", manualScans_);
  CTM_config::m_setLong("TypedLPCs", typedLpcs_);
  CTM_config::m_setLong("TypedOther", typedOther_);
  CTM_config::m_setLong("UnkBags", unknownBags_);
  timers_[1].m_set(statisticsPeriod, 0);
  return true;
}

bool CTM_lhmc::m_processTelegram(CTM_message* telegram) {
  if (telegram == nullptr) return CTM_lh::m_processTelegram(telegram);
  const std::string id = telegram->m_getId();
  if (id == "TM01") return m_onCodingResult(*telegram);
  if (id == "TM21") return m_onTerminalState(*telegram);
  if (id == "TM22") return m_onEquipmentState(*telegram);
  if (id == "MT01") return m_sendCodingRequest(*telegram);
  if (id == "MT21") return m_transmit(telegram, -1);
  return CTM_lh::m_processTelegram(telegram);
}

bool CTM_lhmc::m_onCodingResult(CTM_message& telegram) {
  auto* result = dynamic_cast<CTM_tm01_message*>(&telegram);
  if (result == nullptr) return CTM_lh::m_processTelegram(&telegram);
  ++resultsCounted_;
  // Only a result that follows an item sent on this link has a processing time;
  // a clock set back counts as no time.
  if (lastSendTime_) {
    ++timedResults_;
    const std::int64_t delay = std::max<std::int64_t>(0, c_clock::m_utcSeconds() - *lastSendTime_);
    averageProcessingTime_ = (averageProcessingTime_ * (timedResults_ - 1) + delay) / timedResults_;
  }
  // The LPC method is tested first: a scanned or typed LPC is applied even when also marked unknown.
  const std::string method = result->m_getCodingMethodResultLPC();
  if (method == "S") {
    ++manualScans_;
  } else if (method == "M") {
    ++typedLpcs_;
  } else if (result->m_isCodingMethodResultUnknown()) {
    ++unknownBags_;
    return segment_ == nullptr || segment_->m_reportInsufficientInformation(result->m_getBIT_ID());
  } else {
    ++typedOther_;
  }
  auto item = std::make_unique<CTM_BIT>();
  item->m_setBIT_ID(result->m_getBIT_ID());
  takeEnteredValues(*result, *item);
  return segment_ == nullptr || segment_->m_applyCodingResult(std::move(item));
}

bool CTM_lhmc::m_onTerminalState(CTM_message& telegram) {
  auto* state = dynamic_cast<CTM_tm21_message*>(&telegram);
  if (state == nullptr) return CTM_lh::m_processTelegram(&telegram);
  const std::string code = state->m_getOperationalStatusCode();
  terminalState_ = code.empty() ? 'U' : code[0];
  if (code == "O") {
    CTM_mt11_message required;
    required.m_setCodingServicesRequired(true);
    if (!m_transmit(&required, -1)) return false;
    if (segment_ != nullptr) segment_->m_sendText(tmId_, 4, "Coding terminal is open!");
  } else if (segment_ != nullptr) {
    segment_->m_sendText(tmId_, 1, "Coding terminal is not open!");
  }
  CTM_mt22_message acknowledgement;
  return m_transmit(&acknowledgement, -1);
}

bool CTM_lhmc::m_onEquipmentState(CTM_message& telegram) {
  auto* states = dynamic_cast<CTM_tm22_message*>(&telegram);
  if (states == nullptr) return CTM_lh::m_processTelegram(&telegram);
  std::string equipmentCode;
  std::string status;
  while (states->m_getNextEquipment(equipmentCode, status)) {
    const bool available = status == "A";
    if (segment_ != nullptr)
      segment_->m_sendText(tmId_, available ? 4 : 1, "(%s) is %s (man. CT)!", equipmentCode.c_str(),
                           available ? "available" : "unavailable");
  }
  return true;
}

bool CTM_lhmc::m_sendCodingRequest(CTM_message& telegram) {
  const std::int64_t now = c_clock::m_utcSeconds();
  if (!m_transmit(&telegram, -1)) return false;
  lastSendTime_ = now;
  return true;
}
