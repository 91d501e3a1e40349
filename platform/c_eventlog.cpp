#include "platform/c_eventlog.h"

#include <map>
#include <mutex>

#include "platform/c_clock.h"
#include "platform/c_environment.h"
#include "platform/c_eventstore.h"
#include "platform/c_registry.h"

namespace {

std::string logKey(std::string_view logName) { return std::string(c_eventLog::registryRoot) + "\\" + std::string(logName); }

bool validLogName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\\') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

// One writer per store file in the process, shared by every source of its log,
// so that the process's own writers are serialised by the store's mutex.
std::shared_ptr<c_eventStore> sharedStore(const std::string& path, std::uint64_t maxSize) {
  static std::mutex mutex;
  static std::map<std::string, std::weak_ptr<c_eventStore>> stores;
  std::lock_guard guard(mutex);
  auto& slot = stores[path];
  auto store = slot.lock();
  if (!store) {
    store = std::make_shared<c_eventStore>(path, maxSize);
    slot = store;
  }
  return store;
}

}  // namespace

std::string c_eventLog::m_logOfSource(std::string_view source) {
  std::vector<std::string> logs;
  if (validLogName(source) && c_registry::m_subKeys(registryRoot, logs))
    for (const std::string& log : logs)
      if (c_registry::m_keyExists(logKey(log) + "\\" + std::string(source))) return log;
  return defaultLog;
}

bool c_eventLog::m_exists(std::string_view logName) {
  return validLogName(logName) && (c_equalsIgnoringCase(logName, defaultLog) || c_registry::m_keyExists(logKey(logName)));
}

bool c_eventLog::m_storePath(std::string_view logName, std::string& path) {
  if (!validLogName(logName)) return false;
  c_registryValue file;
  if (c_registry::m_getValue(logKey(logName), "File", file) &&
      (file.type == c_registryValue::c_type::expandString || file.type == c_registryValue::c_type::string) &&
      c_expandEnvironment(file.text, path)) {
    for (char& c : path)
      if (c == '\\') c = '/';
    if (!path.empty() && path[0] == '/' && path.back() != '/') return true;
  }
  std::string state;
  if (!c_stateDirectory(state)) return false;
  path = state + "/eventlog/" + std::string(logName) + ".Evt";
  return true;
}

std::uint64_t c_eventLog::m_maxSize(std::string_view logName) {
  c_registryValue size;
  if (validLogName(logName) && c_registry::m_getValue(logKey(logName), "MaxSize", size) &&
      size.type == c_registryValue::c_type::dword && size.number > 0)
    return size.number;
  return defaultMaxSize;
}

c_eventSource::c_eventSource(std::string name) : name_(std::move(name)), logName_(c_eventLog::m_logOfSource(name_)) {
  std::string path;
  if (c_eventLog::m_storePath(logName_, path)) store_ = sharedStore(path, c_eventLog::m_maxSize(logName_));
}

c_eventSource::~c_eventSource() = default;

namespace {

c_eventRecord generatedNow(const std::string& source, int type, int category, std::uint32_t eventId,
                           std::vector<std::string> strings) {
  c_eventRecord record;
  record.timeGenerated = c_clock::m_utcSeconds();
  record.eventId = eventId;
  record.type = type;
  record.category = category;
  record.source = source;
  record.strings = std::move(strings);
  return record;
}

}  // namespace

bool c_eventSource::m_report(int type, int category, std::uint32_t eventId, std::vector<std::string> strings) {
  if (!store_) return false;
  c_eventRecord record = generatedNow(name_, type, category, eventId, std::move(strings));
  return store_->m_append(record);
}

void c_eventBatch::m_add(const c_eventSource& source, int type, int category, std::uint32_t eventId,
                         std::vector<std::string> strings) {
  entries_.push_back({source.store_, generatedNow(source.name_, type, category, eventId, std::move(strings))});
}

bool c_eventBatch::m_write(std::vector<c_eventRecord>& failed) {
  failed.clear();
  for (std::size_t first = 0; first < entries_.size();) {
    c_eventStore* const store = entries_[first].store.get();
    std::size_t end = first;
    group_.clear();
    for (; end < entries_.size() && entries_[end].store.get() == store; ++end)
      group_.push_back(std::move(entries_[end].record));
    if (store == nullptr || !store->m_append(group_))
      for (c_eventRecord& record : group_) failed.push_back(std::move(record));
    first = end;
  }
  entries_.clear();
  return failed.empty();
}
