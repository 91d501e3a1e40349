#include "tracking/ctm_bit_trace.h"

#include <cstdio>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "platform/c_appendfileset.h"
#include "platform/c_clock.h"
#include "platform/c_escape.h"
#include "platform/c_errortext.h"
#include "platform/c_filesystem.h"
#include "platform/c_standardstreams.h"

namespace {

constexpr const char* kindNames[] = {
    "ENTER",           "EXIT",       "TRS",     "OSIZE",   "GARB",   "TLATE",   "DIV",
    "NOT_DIV",         "INSUFFICIENT_INFO",     "UNAVAILABLE_OUTPUT", "UNAVAILABLE_BUFFER",
    "UNKNOWN_DESTINATION",           "UNEXPECTED",         "MISSING", "UNKNOWN", "SELECT",
    "NO_READ",         "CODING_TERMINAL",       "SCN",     "SCR",     "SIZE",    "TRACE",
    "BIT",             "FSC",        "EOD",     "CLEAN_UP"};
constexpr int kindCount = sizeof kindNames / sizeof kindNames[0];
static_assert(kindCount == 26);

constexpr std::size_t bitIdLength = 11;
constexpr std::size_t prefixLength = 6;
constexpr std::size_t sequenceDigits = 5;

// Ids become folder and file names: nothing that could climb out of the tree,
// hide a file or need quoting.
bool isPathComponent(std::string_view id) {
  if (id.empty()) return false;
  for (unsigned char c : id) {
    bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!allowed) return false;
  }
  return true;
}

bool idsArePathComponents(const std::vector<std::pair<const char*, const std::string*>>& ids) {
  for (const auto& [what, id] : ids) {
    if (isPathComponent(*id)) continue;
    CTM_logging::m_log(1, ev::TRACE_ID_REFUSED, "ss", what, CTM_BIT_trace::m_escape(*id));
    return false;
  }
  return true;
}

// Walks from TM_HOME down the given levels, creating the missing ones; path is
// the deepest folder on success.
bool enterLevels(const std::vector<std::string>& levels, std::string& path) {
  path = CTM_config::m_getHomePath();
  if (path.empty()) {
    CTM_logging::m_logNoArgs(1, ev::CFG_TM_HOME_NOT_SET);
    return false;
  }
  if (c_fileSystem::m_kindOf(path) != c_fileSystem::c_pathKind::directory) {
    CTM_logging::m_log(1, ev::TRACE_DIRECTORY_UNUSABLE, "s", path);
    return false;
  }
  for (const std::string& level : levels) {
    path += '/';
    path += level;
    auto kind = c_fileSystem::m_kindOf(path);
    if (kind == c_fileSystem::c_pathKind::missing) {
      CTM_logging::m_log(4, ev::TRACE_DIRECTORY_CREATED, "s", path);
      int error = 0;
      c_fileSystem::m_makeDirectory(path, error);
      kind = c_fileSystem::m_kindOf(path);
    }
    if (kind != c_fileSystem::c_pathKind::directory) {
      CTM_logging::m_log(1, ev::TRACE_DIRECTORY_UNUSABLE, "s", path);
      return false;
    }
  }
  return true;
}

// The trace folders this process has walked to, so that a bag's file is opened
// in its folder at once instead of looking at every level of the path each
// time. Only a failed open there walks the levels again (making and reporting
// what is missing, as the first open did). One per segment and id group at
// most; a process that has seen more than the bound starts again.
class c_knownFolders {
 public:
  bool m_contains(const std::string& folder) {
    std::lock_guard<std::mutex> guard(mutex_);
    return folders_.count(folder) != 0;
  }
  void m_add(const std::string& folder) {
    std::lock_guard<std::mutex> guard(mutex_);
    if (folders_.size() >= limit) folders_.clear();
    folders_.insert(folder);
  }
  void m_forget(const std::string& folder) {
    std::lock_guard<std::mutex> guard(mutex_);
    folders_.erase(folder);
  }

 private:
  static constexpr std::size_t limit = 4096;
  std::mutex mutex_;
  std::unordered_set<std::string> folders_;
};

c_knownFolders& knownFolders() {
  static c_knownFolders* const folders = new c_knownFolders;
  return *folders;
}

// The folder the levels lead to when this process has walked there before,
// else empty.
std::string knownFolderOf(const std::vector<std::string>& levels) {
  std::string path = CTM_config::m_getHomePath();
  if (path.empty()) return path;
  for (const std::string& level : levels) {
    path += '/';
    path += level;
  }
  return knownFolders().m_contains(path) ? path : std::string();
}

std::string twoDigits(int value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d", value);
  return text;
}

// The number of a file "<prefix><dd>nnn.trc" of folder dd, or -1 for any other name.
int traceNumberOf(std::string_view name, const std::string& prefix, const std::string& folder) {
  constexpr std::string_view suffix = ".trc";
  if (name.size() != prefixLength + sequenceDigits + suffix.size()) return -1;
  if (name.substr(0, prefixLength) != prefix || name.substr(prefixLength, 2) != folder) return -1;
  if (name.substr(prefixLength + sequenceDigits) != suffix) return -1;
  int number = 0;
  for (char c : name.substr(prefixLength, sequenceDigits)) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

// Keeps at most limit bytes without cutting an escape sequence or a UTF-8
// character in two.
void cutToLength(std::string& text, std::size_t limit) {
  if (text.size() <= limit) return;
  std::size_t end = 0;
  while (end < text.size()) {
    std::size_t next = end + 1;
    if (text[end] == '\\' && end + 1 < text.size()) next = end + (text[end + 1] == 'x' ? 4 : 2);
    if (next > limit) break;
    end = next;
  }
  while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
}

// A record line stays one line whatever its caller hands in: the TABs between
// the parts of a record text stay, other control bytes are escaped.
std::string withoutLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c == '\t' || (c >= 0x20 && c != 0x7F)) {
      out += static_cast<char>(c);
    } else {
      out += CTM_BIT_trace::m_escape(std::string_view(reinterpret_cast<const char*>(&c), 1));
    }
  }
  return out;
}

}  // namespace

CTM_BIT_trace::CTM_BIT_trace(std::string tmId, std::string lsId, std::string bitId, bool eraseOnClose)
    : erase_(eraseOnClose), tmId_(std::move(tmId)), lsId_(std::move(lsId)), bitId_(std::move(bitId)) {
  m_buildDescription();
  open_ = m_init();
}

CTM_BIT_trace::~CTM_BIT_trace() { m_closeFile(); }

const char* CTM_BIT_trace::kindName(int kind) { return kind >= 0 && kind < kindCount ? kindNames[kind] : "???"; }

const char* CTM_BIT_trace::markName(int mark) {
  switch (mark) {
    case markInternal: return "I";
    case markExternal: return "E";
    default: return "?";
  }
}

std::string CTM_BIT_trace::m_escape(std::string_view text) { return c_escapeField(text, true); }

std::string CTM_BIT_trace::m_pathOf(const std::string& home, const std::string& tmId, const std::string& lsId,
                                    const std::string& bitId) {
  if (home.empty() || bitId.size() != bitIdLength || !isPathComponent(tmId) || !isPathComponent(lsId) ||
      !isPathComponent(bitId))
    return {};
  return home + "/run/log/" + tmId + '/' + lsId + '/' + bitId.substr(6, 2) + '/' + bitId + ".trc";
}

bool CTM_BIT_trace::m_init() {
  if (open_) return true;
  if (bitId_.size() != bitIdLength) {
    c_standardStreams::m_writeNow(c_standardStreams::output, "ERROR: CTM_BIT_trace::m_init: length of BIT_ID (" +
                                                               m_escape(bitId_) + ") is not OK.\n");
    return false;
  }
  if (!idsArePathComponents({{"TM id", &tmId_}, {"segment id", &lsId_}, {"BIT_ID", &bitId_}})) return false;
  const std::vector<std::string> levels = {"run", "log", tmId_, lsId_, bitId_.substr(6, 2)};
  std::string directory = knownFolderOf(levels);
  if (!directory.empty()) {
    if ((open_ = m_openFile(directory, false))) return true;
    knownFolders().m_forget(directory);
    fileName_.clear();
    m_buildDescription();
  }
  if (!enterLevels(levels, directory)) return false;
  knownFolders().m_add(directory);
  open_ = m_openFile(directory, true);
  return open_;
}

bool CTM_BIT_trace::m_openFile(const std::string& directory, bool reportFailure) {
  fileName_ = directory + '/' + bitId_ + ".trc";
  m_buildDescription();
  c_appendFileSet::c_opened opened;
  int error = 0;
  if (!c_appendFileSet::m_shared().m_open(fileName_, opened, error)) {
    if (reportFailure) CTM_logging::m_log(1, ev::TRACE_FILE_INVALID, "s", fileName_);
    return false;
  }
  CTM_logging::m_log(5, ev::TRACE_OPENED, "s", fileName_);
  member_ = opened.member;
  createdByOpen_ = opened.created;
  sizeAtOpen_ = opened.sizeAtOpen;
  return true;
}

void CTM_BIT_trace::m_closeFile() {
  if (member_ == c_appendFileSet::noMember) return;
  c_appendFileSet::m_shared().m_close(member_);
  member_ = c_appendFileSet::noMember;
  int error = 0;
  if (erase_ && open_) {
    // Ids repeat every year: an older file of the same id keeps what it held
    // before this item, and only a file this item created is removed.
    if (createdByOpen_) {
      if (c_fileSystem::m_removeFile(fileName_, error))
        CTM_logging::m_log(5, ev::TRACE_REMOVED, "s", fileName_);
      else
        CTM_logging::m_log(3, ev::TRACE_REMOVE_FAILED, "s", fileName_);
    } else if (c_fileSystem::m_truncateFile(fileName_, sizeAtOpen_, error)) {
      CTM_logging::m_log(5, ev::TRACE_TRUNCATED, "s", fileName_);
    } else {
      CTM_logging::m_log(3, ev::TRACE_TRUNCATE_FAILED, "ss", fileName_, c_systemErrorText(error));
    }
  }
  open_ = false;
}

void CTM_BIT_trace::m_buildDescription() {
  description_ = "TM: " + tmId_ + "  LS: " + lsId_ + "  BIT: " + bitId_ + "  File: " + fileName_;
}

bool CTM_BIT_trace::writeTraceRecord(int mark, int kind, const std::string& text) {
  if (!open_) return false;
  const auto now = static_cast<std::time_t>(c_clock::m_utcSeconds());
  std::string line = c_fileSystem::m_localTimeText(now, "%Y-%m-%d %H:%M:%S");
  line += '\t';
  line += markName(mark);
  line += '\t';
  line += kindName(kind);
  line += '\t';
  line += withoutLineBreaks(text);
  cutToLength(line, maxRecordLength);
  line += '\n';
  int error = 0;
  if (c_appendFileSet::m_shared().m_append(member_, fileName_, line, error)) return true;
  if (!writeFailureReported_) {
    writeFailureReported_ = true;
    CTM_logging::m_log(1, ev::TRACE_WRITE_FAILED, "ss", fileName_, c_systemErrorText(error));
  }
  return false;
}

bool CTM_BIT_trace::findLastTraceNumber(const std::string& tmId, const std::string& lsId, const std::string& prefix,
                                        int& last) {
  last = -1;
  if (!idsArePathComponents({{"TM id", &tmId}, {"segment id", &lsId}})) return false;
  std::string segmentDirectory;
  if (!enterLevels({"run", "log", tmId, lsId}, segmentDirectory)) return false;
  if (prefix.size() != prefixLength) {
    CTM_logging::m_log(1, ev::TRACE_SCAN_BAD_PREFIX, "s", m_escape(prefix));
    return false;
  }
  CTM_logging::m_log(3, ev::TRACE_SCAN_STARTED, "s", m_escape(prefix) + "?????.trc");
  for (int dd = 99; dd >= 0; --dd) {
    const std::string folder = twoDigits(dd);
    const std::string path = segmentDirectory + '/' + folder;
    int error = 0;
    if (c_fileSystem::m_kindOf(path) == c_fileSystem::c_pathKind::missing) {
      CTM_logging::m_log(4, ev::TRACE_DIRECTORY_CREATED, "s", path);
      // A folder that cannot be created holds no file: the scan goes on.
      if (!c_fileSystem::m_makeDirectory(path, error)) CTM_logging::m_log(1, ev::TRACE_DIRECTORY_UNUSABLE, "s", path);
      continue;
    }
    std::vector<std::string> names;
    if (!c_fileSystem::m_listDirectory(path, names, error)) {
      // The highest number may lie in here: guessing low would repeat ids.
      CTM_logging::m_log(1, ev::TRACE_DIRECTORY_UNUSABLE, "s", path);
      return false;
    }
    std::string lastName;
    for (const std::string& name : names) {
      int number = traceNumberOf(name, prefix, folder);
      if (number > last) {
        last = number;
        lastName = name;
      }
    }
    if (last >= 0) {
      CTM_logging::m_log(4, ev::TRACE_SCAN_FOUND, "si", path + '/' + lastName, last);
      return true;
    }
  }
  return true;
}
