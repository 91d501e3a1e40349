#include "tm/ctm_lhim.h"

#include <algorithm>
#include <array>
#include <climits>
#include <optional>
#include <string_view>
#include <utility>

#include "core/ctm_config.h"
#include "core/ctm_config_entry.h"
#include "links/ctm_connection.h"
#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_imbc_message.h"
#include "topology/ctm_tm.h"

namespace {

thread_local bool onImThread = false;

constexpr std::string_view valueTypes = "BILRS";

bool isValueType(const std::string& type) { return type.size() == 1 && valueTypes.find(type[0]) != std::string_view::npos; }

// Characters 3 and 4 of the TM's id; shorter ids give what is there.
std::string subIdOf(const std::string& tmId) { return tmId.size() > 2 ? tmId.substr(2, 2) : std::string(); }

// The commands of IM and the mask position each restarts.
constexpr std::array<std::pair<std::string_view, std::size_t>, 7> interfaceRestarts = {{
    {"InterfaceIM_Restart", 0},
    {"InterfaceOC_Restart", 1},
    {"InterfaceLPCS_Restart", 2},
    {"InterfaceDSTM_Restart", 3},
    {"InterfaceUSTM_Restart", 4},
    {"InterfaceTC_Restart", 5},
    {"InterfaceMC_Restart", 6},
}};
const std::string noPart = "NNNNNNN";

// Reads the entry at the index as the type letter says and, when read, appends
// it to the answer: the by-index result (1 read, 0 no entry, -1 refused).
template <class Answer>
int appendByIndex(Answer& answer, char type, int index, int kind) {
  auto take = [&](auto value, auto read, auto append) {
    const int result = read(index, value, kind);
    if (result == 1) (answer.*append)(index, value);
    return result;
  };
  switch (type) {
    case 'B': return take(false, &CTM_config::m_getBoolByIndex, &Answer::m_appendBool);
    case 'I': return take(0, &CTM_config::m_getIntegerByIndex, &Answer::m_appendInt);
    case 'L': return take(0L, &CTM_config::m_getLongByIndex, &Answer::m_appendLong);
    case 'R': return take(0.0, &CTM_config::m_getRealByIndex, &Answer::m_appendReal);
    default: return take(std::string(), &CTM_config::m_getStringByIndex, &Answer::m_appendString);
  }
}

// Appends the requested indexes as the type letter says, reporting each index
// refused to IM through the handler. A letter that is none of the five ends the
// request (false) at its first index; a request that asks for none gets the empty answer.
template <class Request, class Answer>
bool readByIndex(Request& request, Answer& answer, int kind, CTM_lh& handler, const std::string& tmId) {
  const std::string type = request.m_getFieldType();
  answer.m_setFieldType(type);
  for (int index = 0; request.m_getNextFieldIndex(index);) {
    if (!isValueType(type)) return false;
    if (appendByIndex(answer, type[0], index, kind) < 0)
      handler.m_sendText(tmId, 1, "Invalid type for paramater (%d).", index);
  }
  return true;
}

// A string value as IM means it: the field's blank padding is no part of it.
// One holding a character that ends a parameter-file column or line, or the
// telegram's text, is no value at all: refused like a value of the wrong type.
int setStringByIndex(int index, std::string value, int kind) {
  value.erase(value.find_last_not_of(' ') + 1);
  if (value.find_first_of(std::string_view("\t\r\n\0", 4)) != std::string::npos) return -1;
  return CTM_config::m_setStringByIndex(index, value, kind);
}

// Writes the request's next group by index as a parameter: the by-index result,
// or nothing when the group cannot be read.
std::optional<int> writeNextGroup(CTM_imbc03_message& request, char type, int& index) {
  auto write = [&](auto value, auto readNext, auto set) -> std::optional<int> {
    if (!(request.*readNext)(index, value)) return std::nullopt;
    return set(index, value, CTM_config_entry::kindParameter);
  };
  switch (type) {
    case 'B': return write(false, &CTM_imbc03_message::m_getNextBool, &CTM_config::m_setBoolByIndex);
    case 'I': return write(0, &CTM_imbc03_message::m_getNextInt, &CTM_config::m_setIntegerByIndex);
    case 'L': return write(0L, &CTM_imbc03_message::m_getNextLong, &CTM_config::m_setLongByIndex);
    case 'R': return write(0.0, &CTM_imbc03_message::m_getNextReal, &CTM_config::m_setRealByIndex);
    default: return write(std::string(), &CTM_imbc03_message::m_getNextString, &setStringByIndex);
  }
}

}  // namespace

CTM_lhim::CTM_lhim(CTM_node* owner, const std::string& host1, int port1, const std::string& host2, int port2)
    : owner_(owner), tmId_(owner != nullptr ? owner->m_getId() : std::string()) {
  interfaceName_ = "IM";
  ownSubId_ = subIdOf(tmId_);
  expectedSubId_ = ownSubId_;
  keepAlive_ = std::make_unique<CTM_bcim00_message>();
  expectedKeepAliveId_ = "IMBC00";
  ownTelegramIds_ = {"BCIM00", "BCIM01", "BCIM02", "BCIM11", "BCIM12", "BCIM21"};
  auto* tm = dynamic_cast<CTM_tm*>(owner);
  const std::string localHost = tm != nullptr ? tm->m_getAddress() : std::string();
  connection1_ = std::make_unique<CTM_connection>(this, localHost, host1, port1, false);
  connection2_ = std::make_unique<CTM_connection>(this, localHost, host2, port2, false);
  m_readKeepAliveInterval(keepAliveId, 5);
  int timeToLive = 0;
  if (CTM_config::m_getInteger("IM__RetentionPriod", timeToLive)) queue_.m_setTimeToLive(timeToLive);
  // A negative capacity means no limit short of the largest; 0 would refuse every report.
  long capacity = 0;
  if (CTM_config::m_getLong("IM__MaxBufferedMessages", capacity))
    queue_.m_setMaxEntries(capacity < 0 ? UINT_MAX : static_cast<unsigned>(std::min<long>(capacity, UINT_MAX)));
}

CTM_lhim::~CTM_lhim() {
  m_shutdown();
  for (std::thread& reaper : reapers_) reaper.join();
}

void CTM_lhim::m_takeOver(const std::shared_ptr<CTM_lh>& predecessor) {
  if (auto* previous = dynamic_cast<CTM_lhim*>(predecessor.get())) {
    // Its reapers may be reaping the very thread that lets it go (two restarts of
    // IM in one request): they are joined with this handler instead.
    for (std::thread& reaper : previous->reapers_) reapers_.push_back(std::move(reaper));
    previous->reapers_.clear();
    std::vector<std::unique_ptr<CTM_message>> reports;
    for (std::unique_ptr<CTM_message> report; previous->queue_.m_size() > 0;)
      if (previous->queue_.m_get(report)) reports.push_back(std::move(report));
    // At the head, last first, so that they keep their order before any report queued here.
    for (auto report = reports.rbegin(); report != reports.rend(); ++report)
      if (!queue_.m_put(*report, true))
        CTM_logging::m_log(2, ev::LH_QUEUE_FULL, "ss", (*report)->m_asString(), interfaceName_);
  }
}

void CTM_lhim::m_reap(const std::shared_ptr<CTM_lh>& predecessor) {
  if (predecessor) reapers_.emplace_back([predecessor] { predecessor->m_shutdown(); });
}

bool CTM_lhim::m_isImThread() { return onImThread; }

void CTM_lhim::m_run() {
  onImThread = true;
  CTM_double_connection_lh::m_run();
  onImThread = false;
}

bool CTM_lhim::m_onTimer1() {
  if (!CTM_double_connection_lh::m_onTimer1()) return false;
  m_readKeepAliveInterval(keepAliveId, 3);
  m_armKeepAliveTimer();
  return true;
}

bool CTM_lhim::m_processTelegram(CTM_message* telegram) {
  if (telegram == nullptr) return CTM_lh::m_processTelegram(telegram);
  const std::string id = telegram->m_getId();
  if (id == "IMBC01") return m_onCommandRequest(*telegram);
  if (id == "IMBC02") return m_onParameterRead(*telegram);
  if (id == "IMBC03") return m_onParameterWrite(*telegram);
  if (id == "IMBC11") return m_onStatusRead(*telegram);
  if (id == "IMBC12") return m_onTimingRead(*telegram);
  // IM's own exception report asks for nothing.
  if (id == "IMBC21") return true;
  if (id == "BCIM21") return m_transmit(telegram, -1);
  return CTM_lh::m_processTelegram(telegram);
}

bool CTM_lhim::m_onCommandRequest(CTM_message& telegram) {
  auto* request = dynamic_cast<CTM_imbc01_message*>(&telegram);
  if (request == nullptr) return CTM_lh::m_processTelegram(&telegram);
  CTM_bcim01_message acknowledgement;
  if (!m_transmit(&acknowledgement, telegram.m_getSeqNo())) return false;
  const std::string type = request->m_getFieldType();
  if (type != "B") {
    m_sendText(tmId_, 1, "Invalid type for command request (%s).", type.c_str());
    return true;
  }
  // Not cleared between groups: a later command restarts the earlier ones' parts again.
  std::string mask = noPart;
  const int count = request->m_getFieldCount();
  for (int group = 0; group < count; ++group) {
    int index = 0;
    bool value = false;
    if (!request->m_getNextBool(index, value) || !value) {
      m_sendText(tmId_, 1, "Invalid value for command index (%d).", index);
      continue;
    }
    const CTM_config_entry* command = CTM_config::m_getEntryByIndex(index, CTM_config_entry::kindCommand);
    if (command == nullptr) {
      m_sendText(tmId_, 1, "Unknown command (%d).", index);
      continue;
    }
    if (command->m_getName() == "TM_Restart") mask = std::string(noPart.size(), 'Y');
    for (const auto& [name, position] : interfaceRestarts)
      if (command->m_getName() == name) mask[position] = 'Y';
    if (mask == noPart) {
      m_sendText(tmId_, 1, "Command (%d) is not implemented.", index);
    } else if (owner_ == nullptr || !owner_->m_init(mask, true)) {
      m_sendText(tmId_, 1, "Error while executing command (%d).", index);
    }
  }
  return true;
}

bool CTM_lhim::m_onParameterRead(CTM_message& telegram) {
  auto* request = dynamic_cast<CTM_imbc02_message*>(&telegram);
  if (request == nullptr) return CTM_lh::m_processTelegram(&telegram);
  CTM_bcim02_message answer;
  if (!readByIndex(*request, answer, CTM_config_entry::kindParameter, *this, tmId_)) return false;
  return m_transmit(&answer, telegram.m_getSeqNo());
}

bool CTM_lhim::m_onParameterWrite(CTM_message& telegram) {
  auto* request = dynamic_cast<CTM_imbc03_message*>(&telegram);
  if (request == nullptr) return CTM_lh::m_processTelegram(&telegram);
  const std::string type = request->m_getFieldType();
  if (!isValueType(type)) return false;
  CTM_bcim02_message answer;
  answer.m_setFieldType(type);
  const int count = request->m_getFieldCount();
  for (int group = 0; group < count; ++group) {
    int index = 0;
    const std::optional<int> written = writeNextGroup(*request, type[0], index);
    if (!written) return false;
    if (*written == 1) {
      appendByIndex(answer, type[0], index, CTM_config_entry::kindParameter);
    } else if (*written < 0) {
      m_sendText(tmId_, 1, "Invalid type form paramater (%d).", index);
    }
  }
  return m_transmit(&answer, telegram.m_getSeqNo());
}

bool CTM_lhim::m_onStatusRead(CTM_message& telegram) {
  CTM_bcim11_message answer;
  answer.m_setFieldType("B");
  int cursor = -1;
  int index = 0;
  bool value = false;
  while (CTM_config::m_getNextBool(cursor, index, value, CTM_config_entry::kindStatus))
    answer.m_appendValue(index, c_value::m_fromInt(value ? 1 : 0));
  return m_transmit(&answer, telegram.m_getSeqNo());
}

bool CTM_lhim::m_onTimingRead(CTM_message& telegram) {
  auto* request = dynamic_cast<CTM_imbc12_message*>(&telegram);
  if (request == nullptr) return CTM_lh::m_processTelegram(&telegram);
  CTM_bcim12_message answer;
  if (!readByIndex(*request, answer, CTM_config_entry::kindTiming, *this, tmId_)) return false;
  if (!m_transmit(&answer, telegram.m_getSeqNo())) return false;
  if (request->m_getEraseIndicator()) {
    request->m_resetFieldIndexes();
    for (int index = 0; request->m_getNextFieldIndex(index);)
      if (CTM_config::m_resetValue(index, CTM_config_entry::kindTiming) < 0)
        m_sendText(tmId_, 1, "Erase for invalid paramater type (%d).", index);
  }
  return true;
}
