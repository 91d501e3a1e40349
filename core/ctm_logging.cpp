#include "core/ctm_logging.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <unordered_map>

#include "core/c_syncObject.h"
#include "core/ctm_config.h"
#include "platform/c_eventlog.h"
#include "platform/c_threadid.h"

// In index order: the telegram categories 1 to 13, then line handlers, listeners and the rest.
const char* const CTM_logging::categoryNames[CTM_logging::categoryCount] = {
    "CORE", "BCIM", "IMBC", "CS", "SC", "DU", "UD", "MO", "OM", "MT", "TM", "TCTM", "TMTC", "UNK",
    "LHDSTM", "LHIM", "LHLPCS", "LHMC", "LHOC", "LHTC", "LHUSTM", "LSTC", "LSUSTM", "UTIL", "STATISTICAL"};

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

namespace {

// The longest insertion string the event log takes.
constexpr std::size_t maximumStringLength = 32767;

std::string formatReal(double value) {
  char buffer[400];  // "%f" of the largest double has 309 digits before the point
  std::snprintf(buffer, sizeof buffer, "%f", value);
  return buffer;
}

}  // namespace

std::string CTM_logArgument::m_format(char letter) const {
  switch (kind_) {
    case c_kind::none: return {};
    case c_kind::text: return std::string(text_.substr(0, maximumStringLength));
    case c_kind::real: return letter == 'i' ? std::to_string(static_cast<long long>(real_)) : formatReal(real_);
    case c_kind::unsignedInteger: return letter == 'f' ? formatReal(static_cast<double>(unsigned_)) : std::to_string(unsigned_);
    case c_kind::integer:
    case c_kind::character:
      if (letter == 'c') return std::string(1, static_cast<char>(integer_));
      if (letter == 'f') return formatReal(static_cast<double>(integer_));
      if (letter == 's' && kind_ == c_kind::character) return std::string(1, static_cast<char>(integer_));
      return std::to_string(integer_);
  }
  return {};
}

namespace {

constexpr int coreCategory = 0;
constexpr int unknownTelegramCategory = 13;
constexpr int statisticsCategory = 24;
constexpr int defaultLevel = 3;

// Event types by severity 1..5.
constexpr int eventTypes[] = {0, 1, 2, 4, 8, 16};

// One per registered thread. It keeps its category rather than a source handle,
// so that a later m_init, which replaces the sources, does not cut it off.
struct ThreadRecord {
  std::string name;
  int category = coreCategory;
  bool levelFromConfiguration = false;
  std::string levelKey;
  int level = defaultLevel;
  // While the level key is read, a nested call of this thread (the look-up
  // reporting a fault) uses the level as it stands instead of reading again.
  bool readingLevel = false;
};

// All guarded by the configuration mutex.
struct LoggingState {
  bool initialised = false;
  std::string tmName;
  std::array<std::unique_ptr<c_eventSource>, CTM_logging::categoryCount> sources;
  std::unordered_map<std::int32_t, ThreadRecord> records;
  CTM_logSink* sink = nullptr;
  CTM_logSink* fallback = nullptr;
};

LoggingState& state() {
  static LoggingState loggingState;
  return loggingState;
}

// Every operation holds the one configuration mutex for its whole run.
class LoggingLock {
 public:
  LoggingLock() : lock_(&CTM_config::m_getMutex(), -1) {}

 private:
  c_lock lock_;
};

std::string sourceName(int category) {
  const std::string& tmName = state().tmName;
  return tmName.empty() ? CTM_logging::categoryNames[category] : tmName + "_" + CTM_logging::categoryNames[category];
}

// The category of a name, searched from the last one down, as registration and
// raw telegram texts look it up; -1 when the name is none.
int categoryOf(const std::string& name) {
  for (int i = CTM_logging::categoryCount - 1; i >= 0; --i)
    if (name == CTM_logging::categoryNames[i]) return i;
  return -1;
}

void registerSources() {
  for (int i = 0; i < CTM_logging::categoryCount; ++i) state().sources[i] = std::make_unique<c_eventSource>(sourceName(i));
}

bool write(int category, int type, int eventCategory, unsigned id, std::vector<std::string> strings) {
  LoggingState& logging = state();
  // The strings are kept for a failure only when there is somewhere to send them.
  std::vector<std::string> kept;
  if (logging.fallback != nullptr) kept = strings;
  bool written = false;
  if (logging.sink != nullptr) {
    written = logging.sink->m_write(CTM_loggedEvent{sourceName(category), type, eventCategory, id, std::move(strings)});
  } else {
    const auto& source = logging.sources[category];
    written = source && source->m_report(type, eventCategory, id, std::move(strings));
  }
  if (!written && logging.fallback != nullptr)
    logging.fallback->m_write(CTM_loggedEvent{sourceName(category), type, eventCategory, id, std::move(kept)});
  return written;
}

ThreadRecord* callingThreadRecord() {
  auto found = state().records.find(c_currentThreadId());
  return found == state().records.end() ? nullptr : &found->second;
}

// The level of a registered thread, read again from the configuration when it came from there.
int currentLevel(ThreadRecord& record) {
  if (!record.levelFromConfiguration || record.readingLevel) return record.level;
  record.readingLevel = true;
  int level = record.level;
  const std::string key = record.levelKey;
  const std::int32_t thread = c_currentThreadId();
  const bool found = CTM_config::m_getInteger(key, level);
  // The look-up may have logged; find the record again rather than trust the reference.
  auto again = state().records.find(thread);
  if (again == state().records.end()) return found ? level : defaultLevel;
  again->second.readingLevel = false;
  if (found) again->second.level = level;
  return again->second.level;
}

// The source category and threshold of the calling thread. An unregistered thread
// logs under CORE after a warning, written with the given event category; false
// when that warning cannot be written.
bool callerCategoryAndLevel(int warningCategory, int unregisteredLevel, int& category, int& level) {
  if (ThreadRecord* record = callingThreadRecord()) {
    category = record->category;
    level = currentLevel(*record);
    return true;
  }
  category = coreCategory;
  level = unregisteredLevel;
  return write(coreCategory, eventTypes[2], warningCategory, ev::LOG_UNREGISTERED_THREAD,
               {std::to_string(c_currentThreadId())});
}

}  // namespace

bool CTM_logging::m_init(const std::string& tmName) {
  LoggingLock lock;
  LoggingState& logging = state();
  if (!logging.initialised) {
    logging.tmName = tmName;
    registerSources();
    logging.initialised = true;
    return true;
  }
  const std::string previous = logging.tmName;
  m_log(3, ev::LOG_REINITIALISED, "ss", previous, tmName);
  logging.tmName = tmName;
  registerSources();
  m_log(3, ev::LOG_REINITIALISED, "ss", previous, tmName);
  return true;
}

bool CTM_logging::m_registerThread(const std::string& name, const std::string& categoryPrefix) {
  LoggingLock lock;
  LoggingState& logging = state();
  if (!logging.initialised) return false;
  const std::int32_t thread = c_currentThreadId();
  if (logging.records.count(thread) != 0) {
    m_log(2, ev::LOG_THREAD_ALREADY_REGISTERED, "is", thread, name);
    return false;
  }
  ThreadRecord record;
  record.name = name;
  record.levelKey = "Interface" + name + "_LogLevel";
  record.levelFromConfiguration = CTM_config::m_getInteger(record.levelKey, record.level);
  if (!record.levelFromConfiguration) record.level = defaultLevel;
  const int category = categoryOf(categoryPrefix + name);
  record.category = category < 0 ? coreCategory : category;
  // The level look-up may have logged from this thread; a record made meanwhile yields to this one.
  logging.records[thread] = record;
  if (category < 0) m_log(2, ev::LOG_THREAD_WITHOUT_CATEGORY, "iss", thread, name, categoryNames[coreCategory]);
  m_log(5, ev::LOG_THREAD_REGISTERED, "is", thread, name);
  return true;
}

bool CTM_logging::m_unregisterThread() {
  LoggingLock lock;
  LoggingState& logging = state();
  if (!logging.initialised) return false;
  const ThreadRecord* record = callingThreadRecord();
  if (record == nullptr) return false;
  const std::string name = record->name;
  m_log(5, ev::LOG_THREAD_UNREGISTERED, "is", c_currentThreadId(), name);
  logging.records.erase(c_currentThreadId());
  return true;
}

bool CTM_logging::m_logArguments(int severity, unsigned eventId, std::string_view argTypes,
                                 const CTM_logArgument* arguments, std::size_t count) {
  LoggingLock lock;
  if (!state().initialised) return false;
  int category = coreCategory;
  int level = 0;
  // A warning about the caller that could not be written does not keep the event
  // itself from being tried (and from reaching the fallback).
  const bool warned = callerCategoryAndLevel(1, severity, category, level);
  if (severity < 1 || severity > 5 || severity > level) return warned;
  // Built per call: a configuration look-up that logs on the way nests safely.
  std::vector<std::string> strings;
  const std::size_t letters = std::min(argTypes.size(), ctm_logging_detail::maximumLetters);
  strings.reserve(letters);
  std::size_t used = 0;
  for (std::size_t i = 0; i < letters; ++i) {
    if (ctm_logging_detail::takesArgument(argTypes[i]) && used < count)
      strings.push_back(arguments[used++].m_format(argTypes[i]));
    else
      strings.emplace_back();
  }
  return write(category, eventTypes[severity], 1, eventId, std::move(strings)) && warned;
}

bool CTM_logging::m_logTelegram(const CTM_loggableTelegram* telegram) {
  LoggingLock lock;
  if (!state().initialised || telegram == nullptr) return false;
  int category = coreCategory;
  int level = 0;
  if (!callerCategoryAndLevel(2, defaultLevel, category, level)) return false;
  if (level == 0) return true;
  const bool valid = telegram->m_isValid();
  bool enabled = true;
  if (CTM_config::m_getBool(valid ? telegram->m_getId() + "_Logging" : "UnrecognizedMessage_Logging", enabled) && !enabled)
    return true;
  return write(category, eventTypes[3], 2, ev::LOG_TELEGRAM_TEXT,
               {(valid ? telegram->m_asString() : telegram->m_getErrorText()).substr(0, maximumStringLength)});
}

bool CTM_logging::m_logTelegramText(bool received, const std::string& category, const std::string& text) {
  LoggingLock lock;
  if (!state().initialised) return false;
  const int found = categoryOf(category);
  return write(found < 0 ? unknownTelegramCategory : found, received ? eventTypes[4] : eventTypes[5], 0,
               ev::LOG_TELEGRAM_TEXT, {text.substr(0, maximumStringLength)});
}

bool CTM_logging::m_logStatistics(const std::string& name, long startValue, long newValue, long duration) {
  LoggingLock lock;
  if (!state().initialised) return false;
  return write(statisticsCategory, eventTypes[3], 0, ev::LOG_STATISTICS,
               {name.substr(0, maximumStringLength), std::to_string(startValue), std::to_string(newValue),
                std::to_string(duration)});
}

void CTM_logging::m_setFallback(CTM_logSink* sink) {
  LoggingLock lock;
  state().fallback = sink;
}

void CTM_logging::m_setSink(CTM_logSink* sink) {
  LoggingLock lock;
  state().sink = sink;
}

void CTM_logging::m_resetForTest() {
  LoggingLock lock;
  LoggingState& logging = state();
  logging.initialised = false;
  logging.tmName.clear();
  logging.records.clear();
  for (auto& source : logging.sources) source.reset();
}
