#include "platform/c_eventstore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/c_clock.h"
#include "platform/c_environment.h"
#include "platform/c_filesystem.h"
#include "platform/c_storefile.h"

namespace {

// Open-file-description locks: unlike process-wide fcntl locks they are not
// dropped when this process closes some other descriptor of the same file (a
// reader in the same process does so freely).
bool lockWhole(int fd, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = 0;
  lock.l_len = 0;
  for (;;) {
    if (::fcntl(fd, F_OFD_SETLKW, &lock) == 0) return true;
    if (errno != EINTR) return false;
  }
}

std::string parentFolder(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

}  // namespace

c_eventStore::c_eventStore(std::string path, std::uint64_t maxSize) : path_(std::move(path)), maxSize_(maxSize) {}

c_eventStore::~c_eventStore() { m_closeFile(); }

void c_eventStore::m_closeFile() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  knownEnd_ = false;
}

bool c_eventStore::m_isWritable(const std::string& path, int& error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    ::close(fd);
    return true;
  }
  error = errno;
  return error == ENOENT && c_fileSystem::m_canCreateIn(parentFolder(path), error);
}

// Opens the file at the path and locks it; a file that was renamed away by
// another writer's rollover before we got the lock is left for the new one.
bool c_eventStore::m_openLocked(std::uint64_t& size) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (fd_ < 0) {
      fd_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
      if (fd_ < 0 && errno == ENOENT && c_makeDirectories(parentFolder(path_)))
        fd_ = ::open(path_.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
      if (fd_ < 0) return false;
    }
    if (!lockWhole(fd_, F_WRLCK)) {
      m_closeFile();
      return false;
    }
    struct stat byPath {}, byFd {};
    if (::fstat(fd_, &byFd) == 0 && ::stat(path_.c_str(), &byPath) == 0 && byPath.st_ino == byFd.st_ino &&
        byPath.st_dev == byFd.st_dev) {
      size = static_cast<std::uint64_t>(byFd.st_size);
      return true;
    }
    m_closeFile();  // closing drops the lock
  }
  return false;
}

// The log's last number: of this file (of `size` bytes), or of ".old" when this
// one holds none yet. Cuts a torn end off the file on the way. The file is locked.
bool c_eventStore::m_lastNumber(std::uint64_t& size, std::uint32_t& last) {
  if (knownEnd_ && size == knownSize_) {
    last = knownLast_;
    return true;
  }
  std::uint64_t completeEnd = 0;
  if (!c_completeEnd(fd_, size, completeEnd)) return false;
  last = 0;
  c_lastRecordNumber(fd_, completeEnd, last);
  if (completeEnd != size) {
    if (::ftruncate(fd_, static_cast<off_t>(completeEnd)) != 0) return false;
    size = completeEnd;
  }
  if (last == 0) {
    const int old = ::open((path_ + ".old").c_str(), O_RDONLY | O_CLOEXEC);
    if (old >= 0) {
      std::uint64_t oldEnd = 0;
      if (c_completeEndNow(old, oldEnd)) c_lastRecordNumber(old, oldEnd, last);
      ::close(old);
    }
  }
  return true;
}

bool c_eventStore::m_append(std::span<c_eventRecord> records) {
  if (records.empty()) return true;
  c_waiting call{records};
  {
    c_mutexGuard guard(waitingMutex_);
    waiting_.push_back(&call);
  }
  c_mutexGuard guard(mutex_);
  // A holder before us may have written ours with its own.
  if (call.done) return call.written;
  {
    c_mutexGuard waitingGuard(waitingMutex_);
    serving_.swap(waiting_);
  }
  const bool written = m_appendGroup(serving_);
  for (c_waiting* served : serving_) {
    served->done = true;
    served->written = written;
  }
  serving_.clear();
  return written;
}

bool c_eventStore::m_appendGroup(std::span<c_waiting* const> calls) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::uint64_t size = 0;
    if (!m_openLocked(size)) return false;
    std::uint32_t last = 0;
    if (!m_lastNumber(size, last)) {
      m_closeFile();
      return false;
    }
    const std::int64_t now = c_clock::m_utcSeconds();
    lines_.clear();
    for (c_waiting* call : calls)
      for (c_eventRecord& record : call->records) {
        record.number = ++last;
        record.timeWritten = now;
        lines_ += c_encodeEventRecord(record);
      }
    if (size > 0 && size + lines_.size() > maxSize_ / 2) {
      // Rolled over under the lock: writers waiting for it notice the new inode.
      const bool renamed = ::rename(path_.c_str(), (path_ + ".old").c_str()) == 0;
      m_closeFile();
      if (!renamed) return false;
      continue;
    }
    const ssize_t written = ::write(fd_, lines_.data(), lines_.size());
    if (written != static_cast<ssize_t>(lines_.size())) {
      // A short write (disk full) must not leave half a record for the next one to follow.
      if (written > 0 && ::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        // Left torn: the next writer cuts it off.
      }
      knownEnd_ = false;
      lockWhole(fd_, F_UNLCK);
      return false;
    }
    knownEnd_ = true;
    knownSize_ = size + lines_.size();
    knownLast_ = last;
    lockWhole(fd_, F_UNLCK);
    return true;
  }
  return false;
}
