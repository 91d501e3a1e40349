#include "core/ctm_logging.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include "core/c_syncObject.h"
#include "core/ctm_config.h"
#include "core/tmutil.h"
#include "platform/c_eventlog.h"
#include "platform/c_messagecatalogue.h"
#include "platform/c_threadid.h"

// In index order: the telegram categories 1 to 13, then line handlers, listeners and the rest.
const char* const CTM_logging::categoryNames[CTM_logging::categoryCount] = {
    "CORE", "BCIM", "IMBC", "CS", "SC", "DU", "UD", "MO", "OM", "MT", "TM", "TCTM", "TMTC", "UNK",
    "LHDSTM", "LHIM", "LHLPCS", "LHMC", "LHOC", "LHTC", "LHUSTM", "LSTC", "LSUSTM", "UTIL", "STATISTICAL"};

bool CTM_eventRecorder::m_write(const CTM_loggedEvent& event) {
  c_mutexGuard lock(mutex_);
  if (failing_) return false;
  events_.push_back(event);
  return true;
}

std::vector<CTM_loggedEvent> CTM_eventRecorder::m_events() const {
  c_mutexGuard lock(mutex_);
  return events_;
}

std::vector<CTM_loggedEvent> CTM_eventRecorder::m_eventsWithId(unsigned id) const {
  c_mutexGuard lock(mutex_);
  std::vector<CTM_loggedEvent> out;
  for (const auto& event : events_)
    if (event.id == id) out.push_back(event);
  return out;
}

std::size_t CTM_eventRecorder::m_count(unsigned id) const {
  c_mutexGuard lock(mutex_);
  std::size_t count = 0;
  for (const auto& event : events_) count += event.id == id;
  return count;
}

void CTM_eventRecorder::m_clear() {
  c_mutexGuard lock(mutex_);
  events_.clear();
}

void CTM_eventRecorder::m_setFailing(bool failing) {
  c_mutexGuard lock(mutex_);
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

struct LoggingState {
  bool initialised TM_GUARDED_BY(CTM_config::m_getMutex()) = false;
  std::string tmName TM_GUARDED_BY(CTM_config::m_getMutex());
  std::array<std::shared_ptr<c_eventSource>, CTM_logging::categoryCount> sources
      TM_GUARDED_BY(CTM_config::m_getMutex());
  std::unordered_map<std::int32_t, ThreadRecord> records TM_GUARDED_BY(CTM_config::m_getMutex());
  CTM_logSink* sink TM_GUARDED_BY(CTM_config::m_getMutex()) = nullptr;
  CTM_logSink* fallback TM_GUARDED_BY(CTM_config::m_getMutex()) = nullptr;
};

LoggingState& state() {
  static LoggingState loggingState;
  return loggingState;
}

// Moves on, under the mutex and once the change is made, whenever the
// initialisation, the sources or a thread record change. A thread's cached view
// of its own record stands while this and, for a level from the configuration,
// the configuration's change count stay as they were when it was taken.
std::atomic<std::uint64_t> recordsVersion{1};
// Set while a test sink takes the events.
std::atomic<bool> sinkSet{false};
// Whether a fallback is set: an event is kept for it only then.
std::atomic<bool> fallbackSet{false};

void recordsChanged() { recordsVersion.fetch_add(1, std::memory_order_release); }

// What a registered thread knows of its own record without the mutex. Only its
// own thread reads or writes it.
struct CallerCache {
  std::int32_t thread = 0;  // a forked child's thread has another id
  std::uint64_t version = 0;  // 0: nothing cached
  std::uint64_t configurationChanges = 0;
  bool levelFromConfiguration = false;
  int category = coreCategory;
  int level = defaultLevel;
  std::shared_ptr<c_eventSource> source;
};

thread_local CallerCache callerCache;
// Logging calls this thread has begun: a level read that logs is not cached, so
// that it is read, and reports, again on the next call.
thread_local std::uint64_t callsBegun = 0;

bool cacheIsCurrent(const CallerCache& cache) {
  return cache.version == recordsVersion.load(std::memory_order_acquire) && cache.thread == c_currentThreadId() &&
         (!cache.levelFromConfiguration || cache.configurationChanges == CTM_config::m_changeCount());
}

// Every operation takes the one configuration mutex to read or change the state;
// only a thread's own cache and the event log are used without it.
class TM_SCOPED_CAPABILITY LoggingLock {
 public:
  LoggingLock() TM_ACQUIRE(CTM_config::m_getMutex()) : lock_(&CTM_config::m_getMutex(), -1) {}
  ~LoggingLock() TM_RELEASE() {}

 private:
  c_lock lock_;
};

std::string sourceName(int category) TM_REQUIRES(CTM_config::m_getMutex()) {
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

void registerSources() TM_REQUIRES(CTM_config::m_getMutex()) {
  for (int i = 0; i < CTM_logging::categoryCount; ++i) state().sources[i] = std::make_shared<c_eventSource>(sourceName(i));
}

// The events a c_writeTogether holds back on this thread.
struct HeldEvents {
  int depth = 0;
  c_eventBatch batch;
  std::vector<c_eventRecord> failed;  // kept for its capacity
};

thread_local HeldEvents heldEvents;

constexpr int errorType = 1;
thread_local CTM_logging::c_errorWatch* errorWatch = nullptr;

// Where an event goes. The event log is written outside the mutex: its stores
// serialise their writers and number the records themselves. A test sink is
// written under the mutex, as its owner may take it away as soon as the mutex is free.
class EventDestination {
 public:
  // Chosen under the mutex.
  explicit EventDestination(int category) TM_REQUIRES(CTM_config::m_getMutex()) : category_(category) {
    if (state().sink == nullptr) {
      owned_ = state().sources[category];
      source_ = owned_.get();
    }
  }
  // From the calling thread's cache, without the mutex. The cache keeps the
  // source alive while its thread writes, and writing an event logs nothing.
  explicit EventDestination(const CallerCache& cache) : category_(cache.category) {
    if (!sinkSet.load(std::memory_order_acquire)) source_ = cache.source.get();
  }

  // An event that could not be written goes to the fallback, when one is set; the
  // strings are kept for that only then.
  bool m_write(int type, int eventCategory, unsigned id, std::vector<std::string> strings) const {
    if (errorWatch != nullptr && type == errorType)
      errorWatch->m_keep(CTM_loggedEvent{{}, type, eventCategory, id, strings});
    if (source_ != nullptr && heldEvents.depth > 0) {
      heldEvents.batch.m_add(*source_, type, eventCategory, id, std::move(strings));
      return true;
    }
    const bool keep = fallbackSet.load(std::memory_order_acquire);
    std::vector<std::string> kept;
    if (keep) kept = strings;
    if (m_writeEvent(type, eventCategory, id, std::move(strings))) return true;
    if (keep) {
      LoggingLock lock;
      if (CTM_logSink* fallback = state().fallback)
        fallback->m_write(CTM_loggedEvent{sourceName(category_), type, eventCategory, id, std::move(kept)});
    }
    return false;
  }

 private:
  bool m_writeEvent(int type, int eventCategory, unsigned id, std::vector<std::string> strings) const {
    if (source_ != nullptr) return source_->m_report(type, eventCategory, id, std::move(strings));
    LoggingLock lock;
    LoggingState& logging = state();
    if (logging.sink != nullptr)
      return logging.sink->m_write(CTM_loggedEvent{sourceName(category_), type, eventCategory, id, std::move(strings)});
    const auto& source = logging.sources[category_];
    return source && source->m_report(type, eventCategory, id, std::move(strings));
  }

  int category_;
  std::shared_ptr<c_eventSource> owned_;
  c_eventSource* source_ = nullptr;
};

// Writes at once, under the mutex the caller holds.
bool write(int category, int type, int eventCategory, unsigned id, std::vector<std::string> strings)
    TM_REQUIRES(CTM_config::m_getMutex()) {
  return EventDestination(category).m_write(type, eventCategory, id, std::move(strings));
}

ThreadRecord* callingThreadRecord() TM_REQUIRES(CTM_config::m_getMutex()) {
  auto found = state().records.find(c_currentThreadId());
  return found == state().records.end() ? nullptr : &found->second;
}

// The level of a registered thread, read again from the configuration when it
// came from there. `cacheable` tells whether the level may stand until the
// configuration changes: not while the key is being read, nor when reading it
// reported something.
int currentLevel(ThreadRecord& record, bool& cacheable) TM_REQUIRES(CTM_config::m_getMutex()) {
  cacheable = !record.readingLevel;
  if (!record.levelFromConfiguration || record.readingLevel) return record.level;
  record.readingLevel = true;
  int level = record.level;
  const std::string key = record.levelKey;
  const std::int32_t thread = c_currentThreadId();
  const std::uint64_t callsBefore = callsBegun;
  const bool found = CTM_config::m_getInteger(key, level);
  cacheable = found && callsBegun == callsBefore;
  // The look-up may have logged; find the record again rather than trust the reference.
  auto again = state().records.find(thread);
  if (again == state().records.end()) {
    cacheable = false;
    return found ? level : defaultLevel;
  }
  again->second.readingLevel = false;
  if (found) again->second.level = level;
  return again->second.level;
}

// Takes the calling thread's cache afresh, under the mutex.
void refreshCache(const ThreadRecord& record, int level, std::uint64_t version, std::uint64_t changes)
    TM_REQUIRES(CTM_config::m_getMutex()) {
  CallerCache& cache = callerCache;
  cache.thread = c_currentThreadId();
  cache.version = version;
  cache.configurationChanges = changes;
  cache.levelFromConfiguration = record.levelFromConfiguration;
  cache.category = record.category;
  cache.level = level;
  cache.source = state().sources[record.category];
}

// The source category and threshold of the calling thread, under the mutex. An
// unregistered thread logs under CORE after a warning, written with the given
// event category; false when that warning cannot be written.
bool callerCategoryAndLevel(int warningCategory, int unregisteredLevel, int& category, int& level)
    TM_REQUIRES(CTM_config::m_getMutex()) {
  // Read before the level: a change made meanwhile leaves the cache behind, never ahead.
  const std::uint64_t version = recordsVersion.load(std::memory_order_acquire);
  const std::uint64_t changes = CTM_config::m_changeCount();
  if (ThreadRecord* record = callingThreadRecord()) {
    category = record->category;
    bool cacheable = false;
    level = currentLevel(*record, cacheable);
    // A nested call during the level read may have cached a level that is not settled.
    callerCache.version = 0;
    if (cacheable) refreshCache(*record, level, version, changes);
    return true;
  }
  category = coreCategory;
  level = unregisteredLevel;
  return write(coreCategory, eventTypes[2], warningCategory, ev::LOG_UNREGISTERED_THREAD,
               {std::to_string(c_currentThreadId())});
}

bool filteredOut(int severity, int level) { return severity < 1 || severity > 5 || severity > level; }

std::vector<std::string> insertionStrings(std::string_view argTypes, const CTM_logArgument* arguments,
                                          std::size_t count) {
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
  return strings;
}

}  // namespace

bool CTM_logging::m_init(const std::string& tmName) {
  LoggingLock lock;
  LoggingState& logging = state();
  if (!logging.initialised) {
    logging.tmName = tmName;
    registerSources();
    logging.initialised = true;
    recordsChanged();
    return true;
  }
  const std::string previous = logging.tmName;
  m_log(3, ev::LOG_REINITIALISED, "ss", previous, tmName);
  logging.tmName = tmName;
  registerSources();
  recordsChanged();
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
  recordsChanged();
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
  recordsChanged();
  return true;
}

// A registered thread whose level is cached decides without the mutex; the mutex
// is taken to settle the level and for an unregistered thread. The insertion
// strings are made, and the event log written, outside it.
bool CTM_logging::m_logArguments(int severity, unsigned eventId, std::string_view argTypes,
                                 const CTM_logArgument* arguments, std::size_t count) {
  ++callsBegun;
  if (cacheIsCurrent(callerCache)) {
    if (filteredOut(severity, callerCache.level)) return true;
    return EventDestination(callerCache).m_write(eventTypes[severity], 1, eventId,
                                                 insertionStrings(argTypes, arguments, count));
  }
  std::optional<EventDestination> destination;
  bool warned = true;
  {
    LoggingLock lock;
    if (!state().initialised) return false;
    int category = coreCategory;
    int level = 0;
    // A warning about the caller that could not be written does not keep the event
    // itself from being tried (and from reaching the fallback).
    warned = callerCategoryAndLevel(1, severity, category, level);
    if (filteredOut(severity, level)) return warned;
    destination.emplace(category);
  }
  return destination->m_write(eventTypes[severity], 1, eventId, insertionStrings(argTypes, arguments, count)) &&
         warned;
}

bool CTM_logging::m_logTelegram(const CTM_loggableTelegram* telegram) {
  std::optional<EventDestination> destination;
  bool valid = false;
  {
    LoggingLock lock;
    if (!state().initialised || telegram == nullptr) return false;
    int category = coreCategory;
    int level = 0;
    if (!callerCategoryAndLevel(2, defaultLevel, category, level)) return false;
    if (level == 0) return true;
    valid = telegram->m_isValid();
    bool enabled = true;
    if (CTM_config::m_getBool(valid ? telegram->m_getId() + "_Logging" : "UnrecognizedMessage_Logging", enabled) &&
        !enabled)
      return true;
    destination.emplace(category);
  }
  return destination->m_write(eventTypes[3], 2, ev::LOG_TELEGRAM_TEXT,
                              {(valid ? telegram->m_asString() : telegram->m_getErrorText()).substr(0, maximumStringLength)});
}

bool CTM_logging::m_logTelegramText(bool received, const std::string& category, const std::string& text) {
  std::optional<EventDestination> destination;
  {
    LoggingLock lock;
    if (!state().initialised) return false;
    const int found = categoryOf(category);
    destination.emplace(found < 0 ? unknownTelegramCategory : found);
  }
  return destination->m_write(received ? eventTypes[4] : eventTypes[5], 0, ev::LOG_TELEGRAM_TEXT,
                              {text.substr(0, maximumStringLength)});
}

bool CTM_logging::m_logStatistics(const std::string& name, long startValue, long newValue, long duration) {
  std::optional<EventDestination> destination;
  {
    LoggingLock lock;
    if (!state().initialised) return false;
    destination.emplace(statisticsCategory);
  }
  return destination->m_write(eventTypes[3], 0, ev::LOG_STATISTICS,
                              {name.substr(0, maximumStringLength), std::to_string(startValue),
                               std::to_string(newValue), std::to_string(duration)});
}

CTM_logging::c_errorWatch::c_errorWatch() : outer_(std::exchange(errorWatch, this)) {}

CTM_logging::c_errorWatch::~c_errorWatch() { errorWatch = outer_; }

std::string CTM_logging::m_eventText(unsigned eventId, const std::vector<std::string>& strings) {
  std::vector<std::string> escaped;
  for (const std::string& text : strings) escaped.push_back(escapeString(text));
  for (const ev::c_eventInfo& known : ev::allEvents)
    if (known.id == eventId) return c_formatMessage(known.text, escaped);
  char id[16];
  std::snprintf(id, sizeof id, "0x%08X", eventId);
  return std::string("event ") + id;
}

CTM_logging::c_writeTogether::c_writeTogether() { ++heldEvents.depth; }

CTM_logging::c_writeTogether::~c_writeTogether() {
  HeldEvents& held = heldEvents;
  if (--held.depth > 0 || held.batch.m_isEmpty()) return;
  if (held.batch.m_write(held.failed) || !fallbackSet.load(std::memory_order_acquire)) return;
  LoggingLock lock;
  if (CTM_logSink* fallback = state().fallback)
    for (c_eventRecord& record : held.failed)
      fallback->m_write(CTM_loggedEvent{std::move(record.source), record.type, record.category, record.eventId,
                                        std::move(record.strings)});
}

void CTM_logging::m_setFallback(CTM_logSink* sink) {
  LoggingLock lock;
  state().fallback = sink;
  fallbackSet.store(sink != nullptr, std::memory_order_release);
}

void CTM_logging::m_setSink(CTM_logSink* sink) {
  LoggingLock lock;
  state().sink = sink;
  sinkSet.store(sink != nullptr, std::memory_order_release);
}

void CTM_logging::m_resetForTest() {
  LoggingLock lock;
  LoggingState& logging = state();
  logging.initialised = false;
  logging.tmName.clear();
  logging.records.clear();
  for (auto& source : logging.sources) source.reset();
  recordsChanged();
}
