#include "tools/fennick/ctm_eventlogregistration.h"

#include <array>

#include "platform/c_eventlog.h"
#include "platform/c_registry.h"

namespace {

// The logs of one instance and the sources its logging registers in each.
struct LogTable {
  const char* log;
  std::array<const char*, 13> sources;
  int sourceCount;
  bool withCategories;
};

constexpr LogTable logTables[] = {
    {"TMBase",
     {"CORE", "LHDSTM", "LHIM", "LHLPCS", "LHMC", "LHOC", "LHTC", "LHUSTM", "LSTC", "LSUSTM", "UTIL"},
     11,
     true},
    {"TMTele", {"BCIM", "IMBC", "CS", "SC", "DU", "UD", "MO", "OM", "MT", "TM", "TCTM", "TMTC", "UNK"}, 13, false},
    {"TMStatistical", {"STATISTICAL"}, 1, false},
};

// Stores together may grow to 512 MiB; the event log keeps no records by age.
constexpr std::uint32_t maxSize = 0x20000000;
constexpr std::uint32_t retention = 0;
constexpr std::uint32_t categoryCount = 2;

// Written as the registry holds them: expanded (and '\' turned into '/') only
// when the event log reads them, so one registration serves any TM_HOME.
constexpr const char* logFolder = "%TM_HOME%\\run\\log\\";
constexpr const char* messageFile = "%TM_HOME%\\run\\bin\\logging.dll";

std::string logKey(const std::string& logAndSource) { return std::string(c_eventLog::registryRoot) + "\\" + logAndSource; }

}  // namespace

void CTM_eventLogRegistration::m_fail(const char* line) {
  ++failures_;
  std::fprintf(out_, "%s\n", line);
}

void CTM_eventLogRegistration::m_createLog(const std::string& log, const std::string& file) {
  const std::string key = logKey(log);
  if (!c_registry::m_createKey(key)) {
    m_fail("Could not create the registry key.");
    return;
  }
  if (!c_registry::m_setValue(key, "File", c_registryValue::m_expandString(logFolder + file)))
    m_fail("Could not set the event message file.");
  if (!c_registry::m_setValue(key, "MaxSize", c_registryValue::m_dword(maxSize))) m_fail("Could not set the retention.");
  if (!c_registry::m_setValue(key, "Retention", c_registryValue::m_dword(retention))) m_fail("Could not set the retention.");
}

void CTM_eventLogRegistration::m_createSource(const std::string& logAndSource, bool withCategories) {
  const std::string key = logKey(logAndSource);
  if (!c_registry::m_createKey(key)) {
    m_fail("Could not create the registry key.");
    return;
  }
  if (!c_registry::m_setValue(key, "EventMessageFile", c_registryValue::m_expandString(messageFile)))
    m_fail("Could not set the event message file.");
  if (!withCategories) return;
  if (!c_registry::m_setValue(key, "CategoryMessageFile", c_registryValue::m_expandString(messageFile)))
    m_fail("Could not set the event message file.");
  if (!c_registry::m_setValue(key, "CategoryCount", c_registryValue::m_dword(categoryCount)))
    m_fail("Could not set the category count.");
}

// The parent is opened the way a key is created, so a missing one comes into
// being on the way; deleting the log key afterwards removes it again.
void CTM_eventLogRegistration::m_deleteKey(const std::string& parent, const std::string& subKey) {
  const std::string parentKey = std::string(c_eventLog::registryRoot) + parent;
  if (!c_registry::m_createKey(parentKey)) {
    m_fail("Could not create the registry key.");
    return;
  }
  if (!c_registry::m_deleteKey(parentKey + "\\" + subKey)) m_fail("Could not delete key.");
}

void CTM_eventLogRegistration::m_create(const std::string& prefix) {
  for (const LogTable& table : logTables) {
    const std::string log = prefix + table.log;
    m_createLog(log, log + ".Evt");
    for (int i = 0; i < table.sourceCount; ++i) m_createSource(log + "\\" + prefix + table.sources[i], table.withCategories);
  }
}

// Every source key goes before the key of its log, which cannot be deleted while
// it still holds one.
void CTM_eventLogRegistration::m_delete(const std::string& prefix) {
  for (const LogTable& table : logTables) {
    const std::string log = prefix + table.log;
    for (int i = 0; i < table.sourceCount; ++i) m_deleteKey("\\" + log, prefix + table.sources[i]);
    m_deleteKey("", log);
  }
}
