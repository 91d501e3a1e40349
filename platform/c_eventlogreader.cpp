#include "platform/c_eventlogreader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/c_eventlog.h"

namespace {
// Below this span a search by record number reads on instead of halving further.
constexpr std::uint64_t linearSpan = 64 * 1024;
}

c_eventLogReader::~c_eventLogReader() {
  m_closeFile(old_);
  m_closeFile(current_);
}

bool c_eventLogReader::m_openFile(const std::string& path, c_file& file) {
  m_closeFile(file);
  file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status {};
  if (file.fd < 0 || ::fstat(file.fd, &status) != 0) {
    m_closeFile(file);
    return false;
  }
  file.inode = status.st_ino;
  file.device = status.st_dev;
  return true;
}

void c_eventLogReader::m_closeFile(c_file& file) {
  if (file.fd >= 0) ::close(file.fd);
  file = c_file{};
}

bool c_eventLogReader::m_sameFile(const c_file& left, const c_file& right) {
  return left.fd >= 0 && right.fd >= 0 && left.inode == right.inode && left.device == right.device;
}

bool c_eventLogReader::m_openLog(const std::string& logName) {
  std::string path;
  return c_eventLog::m_exists(logName) && c_eventLog::m_storePath(logName, path) && m_openStore(path);
}

bool c_eventLogReader::m_openStore(const std::string& path) {
  path_ = path;
  return m_seekOldest();
}

// Opens the current file and then ".old"; when a rollover came in between, both
// are the same file and the pair is taken again.
bool c_eventLogReader::m_openFiles() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    m_openFile(path_, current_);
    m_openFile(path_ + ".old", old_);
    if (!m_sameFile(current_, old_)) return true;
  }
  return false;
}

void c_eventLogReader::m_position(bool inOld, std::uint64_t offset) {
  inOld_ = inOld;
  lines_ = c_forwardLineReader(inOld ? old_.fd : current_.fd, offset);
}

bool c_eventLogReader::m_seekOldest() {
  if (!m_openFiles()) return false;
  m_position(old_.fd >= 0, 0);
  return true;
}

bool c_eventLogReader::m_seekEnd() {
  if (!m_openFiles()) return false;
  std::uint64_t end = 0;
  if (current_.fd >= 0 && !c_completeEndNow(current_.fd, end)) return false;
  m_position(false, end);
  return true;
}

// Counts records backwards from the complete end of a file until `count` are
// found; `offset` is then where the last one counted starts, and `count` is
// reduced by what this file held.
bool c_eventLogReader::m_countBackwards(const c_file& file, std::uint64_t& count, std::uint64_t& offset) {
  std::uint64_t end = 0;
  if (file.fd < 0 || !c_completeEndNow(file.fd, end)) return false;
  c_backwardLineReader reader(file.fd, end);
  std::string line;
  std::uint64_t start = 0;
  c_eventRecord record;
  while (count > 0 && reader.m_previous(line, start))
    if (c_decodeEventRecord(line, record)) {
      --count;
      offset = start;
    }
  return true;
}

bool c_eventLogReader::m_seekNewest(std::uint64_t count) {
  if (count == 0) return m_seekEnd();
  if (!m_openFiles()) return false;
  std::uint64_t offset = 0;
  if (current_.fd >= 0) {
    m_countBackwards(current_, count, offset);
    if (count == 0) {
      m_position(false, offset);
      return true;
    }
  }
  offset = 0;
  if (old_.fd >= 0) m_countBackwards(old_, count, offset);
  m_position(old_.fd >= 0, offset);
  return true;
}

bool c_eventLogReader::m_firstNumber(const c_file& file, std::uint32_t& number) {
  c_forwardLineReader reader(file.fd, 0);
  std::string_view line;
  std::uint64_t start = 0;
  while (reader.m_next(line, start))
    if (c_decodeEventRecordNumber(line, number)) return true;
  return false;
}

bool c_eventLogReader::m_lastNumber(const c_file& file, std::uint32_t& number) {
  std::uint64_t end = 0;
  return file.fd >= 0 && c_completeEndNow(file.fd, end) && c_lastRecordNumber(file.fd, end, number);
}

bool c_eventLogReader::m_range(std::uint32_t& oldest, std::uint32_t& newest) {
  if (!(old_.fd >= 0 && m_firstNumber(old_, oldest)) && !(current_.fd >= 0 && m_firstNumber(current_, oldest))) return false;
  return (current_.fd >= 0 && m_lastNumber(current_, newest)) || (old_.fd >= 0 && m_lastNumber(old_, newest));
}

// Records are numbered upwards through a file, so the first one numbered
// `number` or later is found by halving the file, then reading on.
bool c_eventLogReader::m_seekNumberIn(const c_file& file, std::uint32_t number, std::uint64_t& offset) {
  std::uint64_t end = 0;
  if (file.fd < 0 || !c_completeEndNow(file.fd, end)) return false;
  std::uint64_t low = 0;  // the answer starts at or after the line start at or after low
  std::uint64_t high = end;
  std::string_view line;
  std::uint64_t start = 0;
  std::uint32_t found = 0;
  while (high - low > linearSpan) {
    const std::uint64_t middle = low + (high - low) / 2;
    std::uint64_t probe = 0;
    bool decoded = false;
    if (c_lineStartAtOrAfter(file.fd, middle, probe)) {
      c_forwardLineReader reader(file.fd, probe);
      while (reader.m_next(line, start) && start < high)
        if ((decoded = c_decodeEventRecordNumber(line, found))) break;
    }
    if (decoded && start < high && found < number) low = start + 1;
    else high = middle;
  }
  std::uint64_t first = 0;
  if (!c_lineStartAtOrAfter(file.fd, low, first)) return false;
  c_forwardLineReader reader(file.fd, first);
  while (reader.m_next(line, start))
    if (c_decodeEventRecordNumber(line, found) && found >= number) {
      offset = start;
      return true;
    }
  return false;
}

bool c_eventLogReader::m_seekNumber(std::uint32_t number) {
  if (!m_openFiles()) return false;
  std::uint64_t offset = 0;
  std::uint32_t lastOld = 0;
  if (old_.fd >= 0 && m_lastNumber(old_, lastOld) && lastOld >= number && m_seekNumberIn(old_, number, offset)) {
    m_position(true, offset);
    return true;
  }
  if (current_.fd >= 0 && m_seekNumberIn(current_, number, offset)) {
    m_position(false, offset);
    return true;
  }
  return m_seekEnd();
}

// At the end of the current file: when the path now names another file, the one
// read so far was rolled over; it no longer grows, so it is read to its end first.
bool c_eventLogReader::m_followNewFile() {
  struct stat status {};
  if (::stat(path_.c_str(), &status) != 0) return false;
  if (current_.fd >= 0 && status.st_ino == current_.inode && status.st_dev == current_.device) return false;
  c_file next;
  if (!m_openFile(path_, next)) return false;
  m_closeFile(old_);
  old_ = current_;
  current_ = next;
  if (old_.fd >= 0) {
    // Drain the replaced file from where we stopped, then go on with the new one.
    inOld_ = true;
    return true;
  }
  m_position(false, 0);
  return true;
}

bool c_eventLogReader::m_next(c_eventRecord& record) {
  std::string_view line;
  std::uint64_t start = 0;
  for (int switches = 0; switches < 4;) {
    while (lines_.m_next(line, start))
      if (c_decodeEventRecord(line, record)) return true;
    if (inOld_) {
      m_position(false, 0);
      ++switches;
      continue;
    }
    if (!m_followNewFile()) return false;
    ++switches;
  }
  return false;
}
