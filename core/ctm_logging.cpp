// Interim logging: keeps the rules of the logging call (initialisation, thread
// records, the severity rule, the unregistered-thread warning) and hands events to
// the sink. The event-log writer replaces the default destination.
#include "core/ctm_logging.h"

#include <cstdio>
#include <map>
#include <thread>

const char* const CTM_logging::categoryNames[CTM_logging::categoryCount] = {
    "CORE", "BCIM",   "IMBC",   "CS",     "SC",   "DU",   "UD",   "MO",     "OM",
    "MT",   "TM",     "TCTM",   "TMTC",   "UNK",  "LHDSTM", "LHIM", "LHLPCS", "LHMC",
    "LHOC", "LHTC",   "LHUSTM", "LSTC",   "LSUSTM", "UTIL", "STATISTICAL"};

bool CTM_eventRecorder::m_write(const CTM_loggedEvent& event) {
  std::lock_guard lock(mutex_);
  if (failing_) return false;
  events_.push_back(event);
  return true;
}

std::vector<CTM_loggedEvent> CTM_eventRecorder::m_events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

std::vector<CTM_loggedEvent> CTM_eventRecorder::m_eventsWithId(unsigned id) const {
  std::lock_guard lock(mutex_);
  std::vector<CTM_loggedEvent> out;
  for (const auto& event : events_)
    if (event.id == id) out.push_back(event);
  return out;
}

std::size_t CTM_eventRecorder::m_count(unsigned id) const {
  std::lock_guard lock(mutex_);
  std::size_t count = 0;
  for (const auto& event : events_) count += event.id == id;
  return count;
}

void CTM_eventRecorder::m_clear() {
  std::lock_guard lock(mutex_);
  events_.clear();
}

void CTM_eventRecorder::m_setFailing(bool failing) {
  std::lock_guard lock(mutex_);
  failing_ = failing;
}

std::string CTM_logArgument::m_format(char letter) const {
  char buffer[512];
  switch (letter) {
    case 'i':
      return kind_ == c_kind::integer ? std::to_string(static_cast<std::int32_t>(integer_))
                                      : std::to_string(static_cast<std::int32_t>(real_));
    case 'c':
      return std::string(1, static_cast<char>(kind_ == c_kind::integer ? integer_ : 0));
    case 'f':
      std::snprintf(buffer, sizeof buffer, "%f", kind_ == c_kind::real ? real_ : static_cast<double>(integer_));
      return buffer;
    case 's':
      if (kind_ == c_kind::text) return std::string(text_.substr(0, 32767));
      return kind_ == c_kind::integer ? std::to_string(integer_) : std::to_string(real_);
    default:
      return {};
  }
}

namespace {

struct ThreadRecord {
  std::string name;
  std::string source;
  int level = 3;
};

std::recursive_mutex interimMutex;
bool initialised = false;
std::string tmName;
CTM_logSink* sink = nullptr;
std::map<std::thread::id, ThreadRecord> records;

std::string sourceName(const std::string& category) { return tmName.empty() ? category : tmName + "_" + category; }

int eventType(int severity) {
  static const int types[] = {0, 1, 2, 4, 8, 16};
  return severity >= 1 && severity <= 5 ? types[severity] : 0;
}

bool write(CTM_loggedEvent event) { return sink == nullptr || sink->m_write(event); }

}  // namespace

bool CTM_logging::m_init(const std::string& name) {
  std::lock_guard lock(interimMutex);
  tmName = name;
  initialised = true;
  return true;
}

bool CTM_logging::m_registerThread(const std::string& name, const std::string& categoryPrefix) {
  std::lock_guard lock(interimMutex);
  if (!initialised || records.count(std::this_thread::get_id())) return false;
  std::string category = "CORE";
  for (int i = categoryCount - 1; i >= 0; --i)
    if (categoryPrefix + name == categoryNames[i]) {
      category = categoryNames[i];
      break;
    }
  records[std::this_thread::get_id()] = ThreadRecord{name, sourceName(category), 3};
  return true;
}

bool CTM_logging::m_unregisterThread() {
  std::lock_guard lock(interimMutex);
  return initialised && records.erase(std::this_thread::get_id()) > 0;
}

bool CTM_logging::m_logArguments(int severity, unsigned eventId, const char* argTypes,
                                 const CTM_logArgument* arguments, std::size_t count) {
  std::lock_guard lock(interimMutex);
  if (!initialised) return false;
  std::string source = sourceName("CORE");
  int threshold = severity;
  auto record = records.find(std::this_thread::get_id());
  if (record == records.end()) {
    CTM_loggedEvent warning{source, 2, 1, ev::LOG_UNREGISTERED_THREAD, {"0"}};
    if (!write(warning)) return false;
  } else {
    source = record->second.source;
    threshold = record->second.level;
  }
  if (severity < 1 || severity > 5 || severity > threshold) return true;
  CTM_loggedEvent event{source, eventType(severity), 1, eventId, {}};
  std::size_t used = 0;
  for (const char* letter = argTypes; letter && *letter && event.strings.size() < 20; ++letter) {
    bool takesArgument = *letter == 'i' || *letter == 's' || *letter == 'c' || *letter == 'f';
    if (takesArgument && used < count)
      event.strings.push_back(arguments[used++].m_format(*letter));
    else
      event.strings.emplace_back();
  }
  return write(event);
}

bool CTM_logging::m_logTelegram(const CTM_loggableTelegram*) { return false; }
bool CTM_logging::m_logTelegramText(bool, const std::string&, const std::string&) { return false; }

bool CTM_logging::m_logStatistics(const std::string& name, long startValue, long newValue, long duration) {
  std::lock_guard lock(interimMutex);
  if (!initialised) return false;
  return write(CTM_loggedEvent{sourceName("STATISTICAL"), 4, 0, ev::LOG_STATISTICS,
                               {name, std::to_string(startValue), std::to_string(newValue), std::to_string(duration)}});
}

void CTM_logging::m_setSink(CTM_logSink* newSink) {
  std::lock_guard lock(interimMutex);
  sink = newSink;
}

void CTM_logging::m_resetForTest() {
  std::lock_guard lock(interimMutex);
  initialised = false;
  tmName.clear();
  records.clear();
}
