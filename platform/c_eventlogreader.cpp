#include "platform/c_eventlogreader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>

#include "platform/c_errortext.h"
#include "platform/c_eventlog.h"

namespace {

std::uint64_t hashOf(std::string_view line) { return std::hash<std::string_view>{}(line); }

}  // namespace

c_eventLogReader::~c_eventLogReader() {
  m_closeFile(old_);
  m_closeFile(unread_);
  m_closeFile(current_);
}

bool c_eventLogReader::m_fail(const std::string& path, const std::string& reason) {
  if (failure_.empty()) failure_ = path + ": " + reason;
  return false;
}

// A missing file is no failure (fd stays -1). Anything but a regular file is
// refused before it is opened, and the open does not wait: a FIFO would block the
// reader and a device would feed it without end.
bool c_eventLogReader::m_openFile(const std::string& path, c_file& file) {
  m_closeFile(file);
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return errno == ENOENT || m_fail(path, c_systemErrorText(errno));
  if (!S_ISREG(status.st_mode)) return m_fail(path, "not a regular file");
  file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (file.fd < 0) return errno == ENOENT || m_fail(path, c_systemErrorText(errno));
  if (::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    m_closeFile(file);
    return m_fail(path, "not a regular file");
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
  m_closeFile(unread_);
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!m_openFile(path_, current_) || !m_openFile(path_ + ".old", old_)) return false;
    if (!m_sameFile(current_, old_)) return true;
  }
  return false;
}

c_eventLogReader::c_file& c_eventLogReader::m_file(c_part part) {
  return part == c_part::old ? old_ : part == c_part::unread ? unread_ : current_;
}

void c_eventLogReader::m_position(c_part part, std::uint64_t offset) {
  part_ = part;
  atEnd_ = false;
  lines_ = c_forwardLineReader(m_file(part).fd, offset);
  if (part == c_part::current) {
    readStart_ = offset;
    readHashes_.clear();
  }
}

bool c_eventLogReader::m_seekOldest() {
  if (!m_openFiles()) return false;
  m_position(old_.fd >= 0 ? c_part::old : c_part::current, 0);
  return true;
}

bool c_eventLogReader::m_seekEnd() {
  if (!m_openFiles()) return false;
  std::uint64_t end = 0;
  if (current_.fd >= 0 && !c_completeEndNow(current_.fd, end)) return m_fail(path_, "cannot be read");
  m_position(c_part::current, end);
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
      m_position(c_part::current, offset);
      return true;
    }
  }
  offset = 0;
  if (old_.fd >= 0) m_countBackwards(old_, count, offset);
  m_position(old_.fd >= 0 ? c_part::old : c_part::current, offset);
  return true;
}

bool c_eventLogReader::m_firstNumber(const c_file& file, std::uint32_t& number) {
  c_forwardLineReader reader(file.fd, 0);
  std::string_view line;
  std::uint64_t start = 0;
  c_eventRecord record;
  while (reader.m_next(line, start))
    if (c_decodeEventRecord(line, record)) {
      number = record.number;
      return true;
    }
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

// Read in file order: on a damaged store numbers may run backwards, and the
// start is the first record that reaches the number, wherever a later one lies.
// Only a line that reads as a whole record counts.
bool c_eventLogReader::m_seekNumberIn(const c_file& file, std::uint32_t number, std::uint64_t& offset) {
  if (file.fd < 0) return false;
  c_forwardLineReader reader(file.fd, 0);
  std::string_view line;
  std::uint64_t start = 0;
  std::uint32_t found = 0;
  c_eventRecord record;
  while (reader.m_next(line, start))
    if (c_decodeEventRecordNumber(line, found) && found >= number && c_decodeEventRecord(line, record)) {
      offset = start;
      return true;
    }
  return false;
}

bool c_eventLogReader::m_seekNumber(std::uint32_t number) {
  if (!m_openFiles()) return false;
  std::uint64_t offset = 0;
  if (m_seekNumberIn(old_, number, offset)) {
    m_position(c_part::old, offset);
    return true;
  }
  if (m_seekNumberIn(current_, number, offset)) {
    m_position(c_part::current, offset);
    return true;
  }
  return m_seekEnd();
}

// The current file was cut back in place when it is now shorter than what was
// read of it, or when the last record read is no longer there as it was.
bool c_eventLogReader::m_wasCutBack() {
  struct stat status {};
  if (::fstat(current_.fd, &status) != 0) return false;
  if (static_cast<std::uint64_t>(status.st_size) < lines_.m_offset()) return true;
  if (readHashes_.empty()) return false;
  std::string line(lastRecordLength_, '\0');
  return c_readAt(current_.fd, line.data(), line.size(), lastRecordStart_) != static_cast<long long>(line.size()) ||
         hashOf(line) != readHashes_.back();
}

// Goes on after the records read that are still at the start of what was read,
// as they were; when the cut reached below that start, the whole file is new.
void c_eventLogReader::m_positionAfterCut() {
  char before = '\n';
  const bool startKept =
      readStart_ == 0 || (c_readAt(current_.fd, &before, 1, readStart_ - 1) == 1 && before == '\n');
  std::size_t kept = 0;
  std::uint64_t resume = 0;
  if (startKept) {
    c_forwardLineReader scan(current_.fd, readStart_);
    std::string_view line;
    std::uint64_t start = 0;
    c_eventRecord record;
    bool differs = false;
    while (!differs && scan.m_next(line, start)) {
      if (!c_decodeEventRecord(line, record)) continue;
      differs = kept == readHashes_.size() || hashOf(line) != readHashes_[kept];
      if (differs) break;
      ++kept;
      lastRecordStart_ = start;
      lastRecordLength_ = line.size();
    }
    resume = differs ? start : scan.m_offset();
  }
  if (kept == 0) {
    m_position(c_part::current, 0);
    return;
  }
  readHashes_.resize(kept);
  lines_ = c_forwardLineReader(current_.fd, resume);
}

// The store's path names another file: the one read so far was rolled over. It
// no longer grows, so its rest is read first; then a ".old" file that is none of
// the files read (a second rollover left it), then the new file.
bool c_eventLogReader::m_takeReplacement() {
  c_file next, nextOld;
  if (!m_openFile(path_, next) || !m_openFile(path_ + ".old", nextOld) || next.fd < 0) {
    m_closeFile(next);
    m_closeFile(nextOld);
    return false;
  }
  const bool oldUnread = nextOld.fd >= 0 && !m_sameFile(nextOld, current_) && !m_sameFile(nextOld, old_) &&
                         !m_sameFile(nextOld, next);
  m_closeFile(old_);
  m_closeFile(unread_);
  old_ = current_;
  current_ = next;
  if (oldUnread) unread_ = nextOld;
  else m_closeFile(nextOld);
  if (old_.fd >= 0) part_ = c_part::old;  // lines_ reads on where it stopped
  else m_position(oldUnread ? c_part::unread : c_part::current, 0);
  return true;
}

// At the end of the current file: true when reading goes on (in a replacement,
// or after a cut), false when nothing new is there yet.
bool c_eventLogReader::m_afterCurrentEnd() {
  struct stat byPath {};
  if (::stat(path_.c_str(), &byPath) != 0) return false;
  if (current_.fd >= 0 && byPath.st_ino == current_.inode && byPath.st_dev == current_.device) {
    if (!m_wasCutBack()) return false;
    m_positionAfterCut();
    return true;
  }
  return m_takeReplacement();
}

bool c_eventLogReader::m_next(c_eventRecord& record) {
  if (!failure_.empty()) return false;
  // A look after the end of the current file: a cut is found before reading on
  // from where the last look stopped, which may now be inside other records.
  if (atEnd_ && part_ == c_part::current && current_.fd >= 0 && m_wasCutBack()) m_positionAfterCut();
  atEnd_ = false;
  std::string_view line;
  std::uint64_t start = 0;
  for (int turns = 0; turns < 8; ++turns) {
    while (lines_.m_next(line, start)) {
      if (!c_decodeEventRecord(line, record)) continue;
      if (part_ == c_part::current) {
        readHashes_.push_back(hashOf(line));
        lastRecordStart_ = start;
        lastRecordLength_ = line.size();
      }
      return true;
    }
    if (lines_.m_failed()) return m_fail(part_ == c_part::current ? path_ : path_ + ".old", c_systemErrorText(lines_.m_error()));
    switch (part_) {
      case c_part::old: m_position(unread_.fd >= 0 ? c_part::unread : c_part::current, 0); break;
      case c_part::unread: m_position(c_part::current, 0); break;
      case c_part::current:
        if (!m_afterCurrentEnd()) {
          atEnd_ = true;
          return false;
        }
        break;
    }
  }
  return false;
}
