#include "core/ctm_config.h"

#include <array>
#include <atomic>
#include <limits>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/ctm_logging.h"
#include "platform/c_environment.h"
#include "platform/c_fileops.h"
#include "platform/c_linereader.h"

namespace {

constexpr int headerLines = 2;
constexpr char typeLetters[] = {'B', 'I', 'L', 'R', 'S'};
constexpr const char* typeLabels[] = {"BOOL    : ", "INTEGER : ", "LONG    : ", "REAL    : ", "STRING  : "};
constexpr int typeCount = 5;

struct c_store {
  bool initialised TM_GUARDED_BY(CTM_config::m_getMutex()) = false;
  std::string home TM_GUARDED_BY(CTM_config::m_getMutex());
  std::string configPath TM_GUARDED_BY(CTM_config::m_getMutex());
  std::string systemPath TM_GUARDED_BY(CTM_config::m_getMutex());
  std::string backupPath TM_GUARDED_BY(CTM_config::m_getMutex());
  std::string newPath TM_GUARDED_BY(CTM_config::m_getMutex());
  // Owns every entry, in reading order.
  std::vector<std::unique_ptr<CTM_config_entry>> entries TM_GUARDED_BY(CTM_config::m_getMutex());
  std::unordered_map<std::string, CTM_config_entry*> byName TM_GUARDED_BY(CTM_config::m_getMutex());
  // Indexes from indexSlots on.
  std::unordered_map<int, CTM_config_entry*> byHighIndex TM_GUARDED_BY(CTM_config::m_getMutex());
  // The system file, in file order.
  std::vector<CTM_config_entry*> systemEntries TM_GUARDED_BY(CTM_config::m_getMutex());
  // Position in entries, or -1.
  std::array<int, CTM_config::indexSlots> slots TM_GUARDED_BY(CTM_config::m_getMutex());
  int smallest[typeCount] TM_GUARDED_BY(CTM_config::m_getMutex());
  int largest[typeCount] TM_GUARDED_BY(CTM_config::m_getMutex());

  c_store() { m_resetRanges(); }
  void m_resetRanges() TM_REQUIRES(CTM_config::m_getMutex()) {
    for (int type = 0; type < typeCount; ++type) {
      smallest[type] = CTM_config::indexSlots;
      largest[type] = -1;
    }
  }
  void m_clearEntries() TM_REQUIRES(CTM_config::m_getMutex()) {
    byName.clear();
    byHighIndex.clear();
    systemEntries.clear();
    entries.clear();
    slots.fill(-1);
  }
};

c_store& store() {
  static c_store instance;
  return instance;
}

std::atomic<std::uint64_t> changeCount{0};

// Counts a change when the operation that made it ends, still under the mutex:
// a reader that refreshed in between, even a nested one on the same thread,
// then reads again.
class c_countChange {
 public:
  c_countChange() = default;
  ~c_countChange() { changeCount.fetch_add(1, std::memory_order_release); }
  c_countChange(const c_countChange&) = delete;
  c_countChange& operator=(const c_countChange&) = delete;
};

int typeSlot(const std::string& type) {
  for (int slot = 0; slot < typeCount; ++slot)
    if (type.size() == 1 && type[0] == typeLetters[slot]) return slot;
  return -1;
}

// The parameter lines of an open file after its header lines, with their line numbers.
template <typename Handle>
void forEachEntryLine(c_lineReader& reader, int skip, Handle handle) TM_REQUIRES(CTM_config::m_getMutex()) {
  std::string line;
  for (int number = 1; reader.m_readLine(line); ++number)
    if (number > skip) handle(line, number);
}

// A second entry of the same name or index is refused; the first one read wins.
bool isDuplicate(const CTM_config_entry& entry, int lineNumber) TM_REQUIRES(CTM_config::m_getMutex()) {
  c_store& s = store();
  if (s.byName.count(entry.m_getName())) {
    CTM_logging::m_log(1, ev::CFG_DUPLICATE, "iss", lineNumber, "Name", entry.m_getName());
    return true;
  }
  int index = entry.m_getIndex();
  bool taken = index >= 0 && (index < CTM_config::indexSlots ? s.slots[index] >= 0 : s.byHighIndex.count(index) > 0);
  if (taken) CTM_logging::m_log(1, ev::CFG_DUPLICATE, "isi", lineNumber, "Index", index);
  return taken;
}

void addEntry(std::unique_ptr<CTM_config_entry> entry, bool fromSystemFile) TM_REQUIRES(CTM_config::m_getMutex()) {
  c_store& s = store();
  CTM_config_entry* added = entry.get();
  int index = added->m_getIndex();
  if (index >= 0 && index < CTM_config::indexSlots) {
    s.slots[index] = static_cast<int>(s.entries.size());
    int type = typeSlot(added->m_getType());
    if (type >= 0) {
      if (index < s.smallest[type]) s.smallest[type] = index;
      if (index > s.largest[type]) s.largest[type] = index;
    }
  } else if (index >= CTM_config::indexSlots) {
    s.byHighIndex[index] = added;
  }
  s.byName[added->m_getName()] = added;
  s.entries.push_back(std::move(entry));
  if (fromSystemFile) s.systemEntries.push_back(added);
}

// Reads the accepted, new entries of one file into the store; the count read.
int readEntries(c_lineReader& reader, int skip, bool fromConfigFile) TM_REQUIRES(CTM_config::m_getMutex()) {
  int count = 0;
  forEachEntryLine(reader, skip, [&](const std::string& line, int number) TM_REQUIRES(CTM_config::m_getMutex()) {
    auto entry = std::make_unique<CTM_config_entry>();
    if (!entry->m_parse(line, number) || isDuplicate(*entry, number)) return;
    entry->m_setFromConfigFile(fromConfigFile);
    addEntry(std::move(entry), !fromConfigFile);
    ++count;
  });
  return count;
}

CTM_config_entry* silentFind(const std::string& name) TM_REQUIRES(CTM_config::m_getMutex()) {
  auto found = store().byName.find(name);
  return found == store().byName.end() ? nullptr : found->second;
}

// Writes what the steps of a rewrite failed at; the system file is untouched then.
bool writeFailed(int fd, const char* step) TM_REQUIRES(CTM_config::m_getMutex()) {
  c_fileOps& files = c_fileOps::m_current();
  if (fd >= 0) files.m_close(fd);
  files.m_remove(store().newPath);
  CTM_logging::m_log(1, ev::CFG_WRITE_FAILED, "ss", store().newPath, step);
  return false;
}

// --- the access operations, each under the mutex -------------------------------

template <typename Operation>
bool byName(const std::string& name, Operation operation) {
  c_lock guard(&CTM_config::m_getMutex(), -1);
  CTM_config_entry* entry = CTM_config::m_findEntry(name);
  return entry != nullptr && operation(*entry);
}

template <typename Operation>
int byIndex(int index, Operation operation) {
  c_lock guard(&CTM_config::m_getMutex(), -1);
  CTM_config_entry* entry = CTM_config::m_findEntryByIndex(index);
  if (entry == nullptr) return 0;
  return operation(*entry) ? 1 : -1;
}

template <typename Operation>
bool changeByName(const std::string& name, Operation operation) {
  c_lock guard(&CTM_config::m_getMutex(), -1);
  c_countChange change;
  return byName(name, operation);
}

template <typename Operation>
int changeByIndex(int index, Operation operation) {
  c_lock guard(&CTM_config::m_getMutex(), -1);
  c_countChange change;
  return byIndex(index, operation);
}

// A changed parameter of the system file is stored at once. The file receives
// only values whose write is done: a value kept in memory after a failed write
// (a clamped bound, a failed rewrite) never reaches it with a later rewrite.
bool persist(CTM_config_entry& entry, bool changed) {
  if (!changed) return false;
  if (!entry.m_isPersistent()) return true;
  const c_value stored = entry.m_getFileValue();
  entry.m_setFileValue(entry.m_getValue());
  if (CTM_config::m_writeSystemParameterFile()) return true;
  entry.m_setFileValue(stored);
  return false;
}

template <typename Number>
Number saturatingSum(Number value, Number delta) {
  Number sum = 0;
  if (__builtin_add_overflow(value, delta, &sum))
    return delta > 0 ? std::numeric_limits<Number>::max() : std::numeric_limits<Number>::min();
  return sum;
}

// Only timings count up; the sum is written back like any write.
template <typename Number>
bool addTo(CTM_config_entry& entry, Number delta, bool (CTM_config_entry::*read)(Number&, int),
           bool (CTM_config_entry::*write)(Number, int)) {
  Number value = 0;
  if (!(entry.*read)(value, CTM_config_entry::kindTiming)) return false;
  return persist(entry, (entry.*write)(saturatingSum(value, delta), CTM_config_entry::kindAny));
}

template <typename Value>
bool nextOfType(char letter, int& cursor, int& foundIndex, Value& out, int kind,
                bool (CTM_config_entry::*read)(Value&, int)) {
  c_lock guard(&CTM_config::m_getMutex(), -1);
  c_store& s = store();
  foundIndex = -1;
  if (!s.initialised) return false;
  int type = typeSlot(std::string(1, letter));
  if (cursor < s.smallest[type]) cursor = s.smallest[type] - 1;
  while (cursor < s.largest[type]) {
    int slot = s.slots[++cursor];
    if (slot < 0) continue;
    CTM_config_entry& entry = *s.entries[slot];
    if ((entry.*read)(out, kind)) {
      foundIndex = entry.m_getIndex();
      return true;
    }
  }
  return false;
}

}  // namespace

c_mutex& CTM_config::m_getMutex() {
  static c_mutex mutex;
  return mutex;
}

std::uint64_t CTM_config::m_changeCount() { return changeCount.load(std::memory_order_acquire); }

bool CTM_config::m_isInitialised() {
  c_lock guard(&m_getMutex(), -1);
  return store().initialised;
}

std::string CTM_config::m_getHomePath() {
  c_lock guard(&m_getMutex(), -1);
  return store().home;
}

bool CTM_config::m_init(const std::string& tmName) {
  c_lock guard(&m_getMutex(), -1);
  c_countChange change;
  c_store& s = store();
  if (s.initialised) return true;
  // An empty TM_HOME counts as unset, so that no path lands under /run.
  std::string home;
  if (!c_getEnvironment("TM_HOME", home)) {
    CTM_logging::m_logNoArgs(1, ev::CFG_TM_HOME_NOT_SET);
    return false;
  }
  s.home = home;
  s.configPath = home + "/run/cfg/tm_config_parameter.txt";
  s.systemPath = home + "/run/cfg/tm_system_parameter-" + tmName + ".txt";
  s.backupPath = s.systemPath + ".bak";
  s.newPath = s.systemPath + ".new";

  c_fileOps& files = c_fileOps::m_current();
  bool found = files.m_exists(s.configPath);
  if (found)
    CTM_logging::m_log(4, ev::CFG_FILE_PRESENT, "ss", "Config", s.configPath);
  else
    CTM_logging::m_log(1, ev::CFG_FILE_MISSING, "ss", "Config", s.configPath);

  if (files.m_exists(s.systemPath)) {
    CTM_logging::m_log(4, ev::CFG_FILE_PRESENT, "ss", "System", s.systemPath);
  } else {
    CTM_logging::m_log(2, ev::CFG_FILE_MISSING, "ss", "System", s.systemPath);
    if (!files.m_exists(s.backupPath)) {
      CTM_logging::m_log(1, ev::CFG_FILE_MISSING, "ss", "System", s.backupPath);
      found = false;
    } else {
      CTM_logging::m_log(4, ev::CFG_FILE_PRESENT, "ss", "System", s.backupPath);
      if (!files.m_rename(s.backupPath, s.systemPath)) {
        CTM_logging::m_log(1, ev::CFG_RENAME_FAILED, "ss", s.backupPath, s.systemPath);
        found = false;
      }
    }
  }
  if (!found) return false;

  s.m_clearEntries();
  if (!m_readParameterFile()) return false;
  s.initialised = true;
  return true;
}

bool CTM_config::m_readParameterFile() {
  c_lock guard(&m_getMutex(), -1);
  c_countChange change;
  c_store& s = store();
  c_lineReader reader;
  if (!reader.m_open(s.configPath)) {
    CTM_logging::m_log(1, ev::CFG_FILE_NOT_OPENED, "ss", "CTM_config::m_readParameterFile", s.configPath);
    return false;
  }
  CTM_logging::m_log(3, ev::CFG_READING, "s", s.configPath);
  CTM_logging::m_log(5, ev::CFG_HEADER_SKIPPED, "i", headerLines);
  int fromConfig = readEntries(reader, headerLines, true);
  // A file that cannot be read to its end would lose its remaining entries, and a
  // later rewrite would lose them for good.
  if (reader.m_failed()) {
    CTM_logging::m_log(1, ev::CFG_FILE_NOT_OPENED, "ss", "CTM_config::m_readParameterFile", s.configPath);
    return false;
  }
  reader.m_close();

  if (!reader.m_open(s.systemPath)) {
    CTM_logging::m_log(1, ev::CFG_SYSTEM_FILE_NOT_OPENED, "s", s.systemPath);
    return false;
  }
  CTM_logging::m_log(3, ev::CFG_READING_SYSTEM, "s", s.systemPath);
  int fromSystem = readEntries(reader, 0, false);
  if (reader.m_failed()) {
    CTM_logging::m_log(1, ev::CFG_SYSTEM_FILE_NOT_OPENED, "s", s.systemPath);
    return false;
  }

  CTM_logging::m_log(3, ev::CFG_ENTRIES_READ, "is", fromConfig, "config");
  CTM_logging::m_log(3, ev::CFG_ENTRIES_READ, "is", fromSystem, "system");
  CTM_logging::m_logNoArgs(5, ev::CFG_INDEX_RANGES);
  for (int type = 0; type < typeCount; ++type)
    CTM_logging::m_log(5, ev::CFG_INDEX_RANGE, "sii", typeLabels[type], s.smallest[type], s.largest[type]);
  return true;
}

bool CTM_config::m_reloadConfigParameterFile() {
  static constexpr const char* function = "CTM_config::m_reloadConfigParameterFile";
  c_lock guard(&m_getMutex(), -1);
  c_countChange change;
  c_store& s = store();
  if (!s.initialised) return false;
  c_lineReader reader;
  if (!reader.m_open(s.configPath)) {
    CTM_logging::m_log(1, ev::CFG_FILE_NOT_OPENED, "ss", function, s.configPath);
    return false;
  }
  CTM_logging::m_log(3, ev::CFG_READING, "ss", function, s.configPath);
  CTM_logging::m_log(5, ev::CFG_HEADER_SKIPPED, "si", function, headerLines);
  forEachEntryLine(reader, headerLines, [&](const std::string& line, int number) TM_REQUIRES(CTM_config::m_getMutex()) {
    CTM_config_entry scratch;
    if (!scratch.m_parse(line, number)) return;
    // Only an entry of this file and of the same type takes the new values: a
    // system entry keeps its own, and a value of another type would break its typed reads.
    CTM_config_entry* stored = silentFind(scratch.m_getName());
    if (stored == nullptr || !stored->m_isFromConfigFile() || stored->m_getType() != scratch.m_getType()) {
      CTM_logging::m_log(5, ev::CFG_RELOAD_NO_ENTRY, "s", s.configPath);
      return;
    }
    stored->m_copyValues(scratch);
  });
  if (reader.m_failed()) {
    CTM_logging::m_log(1, ev::CFG_FILE_NOT_OPENED, "ss", function, s.configPath);
    return false;
  }
  return true;
}

// The new content goes to ".new" and onto the disk before any rename, and the
// previous file becomes ".bak" by a rename that replaces the old backup. So at
// any moment the system name holds the previous or the new content, or is
// missing while ".bak" holds the previous one, which the start-up restores.
bool CTM_config::m_writeSystemParameterFile() {
  c_lock guard(&m_getMutex(), -1);
  c_store& s = store();
  if (!s.initialised) return false;
  c_fileOps& files = c_fileOps::m_current();
  files.m_remove(s.newPath);
  int fd = files.m_openForWrite(s.newPath);
  // An unwritable folder or a full disk is reported like any other failed step.
  if (fd < 0) return writeFailed(-1, "open");
  CTM_logging::m_log(5, ev::CFG_WRITING_NEW, "s", s.newPath);
  std::string line;
  for (const CTM_config_entry* entry : s.systemEntries) {
    entry->m_asFileLine(line);
    if (!files.m_write(fd, line)) return writeFailed(fd, "write");
  }
  if (!files.m_sync(fd)) return writeFailed(fd, "fsync");
  if (!files.m_close(fd)) return writeFailed(-1, "close");

  bool hadSystemFile = files.m_exists(s.systemPath);
  if (hadSystemFile && !files.m_rename(s.systemPath, s.backupPath)) {
    CTM_logging::m_log(1, ev::CFG_RENAME_FAILED, "ss", s.systemPath, s.backupPath);
    files.m_remove(s.newPath);
    return false;
  }
  if (!files.m_rename(s.newPath, s.systemPath)) {
    CTM_logging::m_log(1, ev::CFG_RENAME_FAILED, "ss", s.newPath, s.systemPath);
    // Put the previous file back; should that fail too, the start-up restores it from ".bak".
    if (hadSystemFile) files.m_rename(s.backupPath, s.systemPath);
    files.m_remove(s.newPath);
    return false;
  }
  // The renames are done; a failed folder sync only leaves them less durable.
  files.m_syncFolderOf(s.systemPath);
  return true;
}

CTM_config_entry* CTM_config::m_findEntry(const std::string& name) {
  c_lock guard(&m_getMutex(), -1);
  if (!store().initialised) return nullptr;
  CTM_config_entry* entry = silentFind(name);
  if (entry == nullptr) CTM_logging::m_log(2, ev::CFG_UNKNOWN_NAME, "s", name);
  return entry;
}

CTM_config_entry* CTM_config::m_findEntryByIndex(int index) {
  c_lock guard(&m_getMutex(), -1);
  c_store& s = store();
  if (!s.initialised) return nullptr;
  CTM_config_entry* entry = nullptr;
  if (index >= 0 && index < indexSlots) {
    if (s.slots[index] >= 0) entry = s.entries[s.slots[index]].get();
  } else if (index >= indexSlots) {
    auto found = s.byHighIndex.find(index);
    if (found != s.byHighIndex.end()) entry = found->second;
  }
  if (entry == nullptr) CTM_logging::m_log(1, ev::CFG_UNKNOWN_INDEX, "i", index);
  return entry;
}

CTM_config_entry* CTM_config::m_getEntry(const std::string& name, int kind) {
  c_lock guard(&m_getMutex(), -1);
  CTM_config_entry* entry = m_findEntry(name);
  return entry && (kind == 0 || entry->m_getKind() == kind) ? entry : nullptr;
}

CTM_config_entry* CTM_config::m_getEntryByIndex(int index, int kind) {
  c_lock guard(&m_getMutex(), -1);
  CTM_config_entry* entry = m_findEntryByIndex(index);
  return entry && (kind == 0 || entry->m_getKind() == kind) ? entry : nullptr;
}

bool CTM_config::m_getBool(const std::string& name, bool& out) {
  return byName(name, [&](CTM_config_entry& e) { return e.m_getBool(out, 0); });
}
bool CTM_config::m_getInteger(const std::string& name, int& out) {
  return byName(name, [&](CTM_config_entry& e) { return e.m_getInteger(out, 0); });
}
bool CTM_config::m_getLong(const std::string& name, long& out) {
  return byName(name, [&](CTM_config_entry& e) { return e.m_getLong(out, 0); });
}
bool CTM_config::m_getReal(const std::string& name, double& out) {
  return byName(name, [&](CTM_config_entry& e) { return e.m_getReal(out, 0); });
}
bool CTM_config::m_getString(const std::string& name, std::string& out) {
  return byName(name, [&](CTM_config_entry& e) { return e.m_getString(out, 0); });
}

bool CTM_config::m_setBool(const std::string& name, bool value) {
  return changeByName(name, [&](CTM_config_entry& e) { return persist(e, e.m_setBool(value, 0)); });
}
bool CTM_config::m_setInteger(const std::string& name, int value) {
  return changeByName(name, [&](CTM_config_entry& e) { return persist(e, e.m_setInteger(value, 0)); });
}
bool CTM_config::m_setLong(const std::string& name, long value) {
  return changeByName(name, [&](CTM_config_entry& e) { return persist(e, e.m_setLong(value, 0)); });
}
bool CTM_config::m_setReal(const std::string& name, double value) {
  return changeByName(name, [&](CTM_config_entry& e) { return persist(e, e.m_setReal(value, 0)); });
}
bool CTM_config::m_setString(const std::string& name, const std::string& value) {
  return changeByName(name, [&](CTM_config_entry& e) { return persist(e, e.m_setString(value, 0)); });
}

bool CTM_config::m_addToInteger(const std::string& name, int delta) {
  return changeByName(name, [&](CTM_config_entry& e) {
    return addTo<int>(e, delta, &CTM_config_entry::m_getInteger, &CTM_config_entry::m_setInteger);
  });
}
bool CTM_config::m_addToLong(const std::string& name, long delta) {
  return changeByName(name, [&](CTM_config_entry& e) {
    return addTo<long>(e, delta, &CTM_config_entry::m_getLong, &CTM_config_entry::m_setLong);
  });
}

int CTM_config::m_getBoolByIndex(int index, bool& out, int kind) {
  return byIndex(index, [&](CTM_config_entry& e) { return e.m_getBool(out, kind); });
}
int CTM_config::m_getIntegerByIndex(int index, int& out, int kind) {
  return byIndex(index, [&](CTM_config_entry& e) { return e.m_getInteger(out, kind); });
}
int CTM_config::m_getLongByIndex(int index, long& out, int kind) {
  return byIndex(index, [&](CTM_config_entry& e) { return e.m_getLong(out, kind); });
}
int CTM_config::m_getRealByIndex(int index, double& out, int kind) {
  return byIndex(index, [&](CTM_config_entry& e) { return e.m_getReal(out, kind); });
}
int CTM_config::m_getStringByIndex(int index, std::string& out, int kind) {
  return byIndex(index, [&](CTM_config_entry& e) { return e.m_getString(out, kind); });
}

int CTM_config::m_setBoolByIndex(int index, bool value, int kind) {
  return changeByIndex(index, [&](CTM_config_entry& e) { return persist(e, e.m_setBool(value, kind)); });
}
int CTM_config::m_setIntegerByIndex(int index, int value, int kind) {
  return changeByIndex(index, [&](CTM_config_entry& e) { return persist(e, e.m_setInteger(value, kind)); });
}
int CTM_config::m_setLongByIndex(int index, long value, int kind) {
  return changeByIndex(index, [&](CTM_config_entry& e) { return persist(e, e.m_setLong(value, kind)); });
}
int CTM_config::m_setRealByIndex(int index, double value, int kind) {
  return changeByIndex(index, [&](CTM_config_entry& e) { return persist(e, e.m_setReal(value, kind)); });
}
int CTM_config::m_setStringByIndex(int index, const std::string& value, int kind) {
  return changeByIndex(index, [&](CTM_config_entry& e) { return persist(e, e.m_setString(value, kind)); });
}

int CTM_config::m_addToIntegerByIndex(int index, int delta) {
  return changeByIndex(index, [&](CTM_config_entry& e) {
    return addTo<int>(e, delta, &CTM_config_entry::m_getInteger, &CTM_config_entry::m_setInteger);
  });
}
int CTM_config::m_addToLongByIndex(int index, long delta) {
  return changeByIndex(index, [&](CTM_config_entry& e) {
    return addTo<long>(e, delta, &CTM_config_entry::m_getLong, &CTM_config_entry::m_setLong);
  });
}

int CTM_config::m_resetValue(int index, int kind) {
  return changeByIndex(index, [&](CTM_config_entry& e) { return persist(e, e.m_resetValue(kind)); });
}

bool CTM_config::m_getNextBool(int& cursor, int& foundIndex, bool& out, int kind) {
  return nextOfType('B', cursor, foundIndex, out, kind, &CTM_config_entry::m_getBool);
}
bool CTM_config::m_getNextInteger(int& cursor, int& foundIndex, int& out, int kind) {
  return nextOfType('I', cursor, foundIndex, out, kind, &CTM_config_entry::m_getInteger);
}
bool CTM_config::m_getNextLong(int& cursor, int& foundIndex, long& out, int kind) {
  return nextOfType('L', cursor, foundIndex, out, kind, &CTM_config_entry::m_getLong);
}
bool CTM_config::m_getNextReal(int& cursor, int& foundIndex, double& out, int kind) {
  return nextOfType('R', cursor, foundIndex, out, kind, &CTM_config_entry::m_getReal);
}
bool CTM_config::m_getNextString(int& cursor, int& foundIndex, std::string& out, int kind) {
  return nextOfType('S', cursor, foundIndex, out, kind, &CTM_config_entry::m_getString);
}

void CTM_config::m_resetForTest() {
  c_lock guard(&m_getMutex(), -1);
  c_countChange change;
  c_store& s = store();
  s.initialised = false;
  s.m_clearEntries();
  s.m_resetRanges();
  s.home.clear();
  s.configPath.clear();
  s.systemPath.clear();
  s.backupPath.clear();
  s.newPath.clear();
}
