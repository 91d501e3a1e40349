#include "platform/c_fileops.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
c_fileOps systemOps;
c_fileOps* currentOps = &systemOps;
}  // namespace

c_fileOps& c_fileOps::m_current() { return *currentOps; }
void c_fileOps::m_setCurrent(c_fileOps* ops) { currentOps = ops ? ops : &systemOps; }

int c_fileOps::m_openForWrite(const std::string& path) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

bool c_fileOps::m_write(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t done = ::write(fd, bytes.data(), bytes.size());
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

bool c_fileOps::m_sync(int fd) { return ::fsync(fd) == 0; }

// A close interrupted by a signal has still released the descriptor on Linux.
bool c_fileOps::m_close(int fd) { return ::close(fd) == 0 || errno == EINTR; }

bool c_fileOps::m_rename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool c_fileOps::m_exchange(const std::string& first, const std::string& second) {
  return ::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE) == 0;
}

bool c_fileOps::m_remove(const std::string& path) { return ::unlink(path.c_str()) == 0 || errno == ENOENT; }

bool c_fileOps::m_exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

bool c_fileOps::m_syncFolderOf(const std::string& path) {
  std::string::size_type slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}
