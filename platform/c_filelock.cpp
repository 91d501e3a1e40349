#include "platform/c_filelock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

c_fileLock::~c_fileLock() {
  if (fd_ >= 0) ::close(fd_);
}

c_fileLock::c_result c_fileLock::m_take(const std::string& path, std::string& holder, int& error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = errno;
    return c_result::failed;
  }
  int locked = 0;
  while ((locked = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
  }
  if (locked != 0) {
    error = errno;
    const bool held = error == EWOULDBLOCK;
    if (held) {
      char text[32] = "";
      const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
      holder.assign(text, got > 0 ? static_cast<std::size_t>(got) : 0);
      while (!holder.empty() && (holder.back() == '\n' || holder.back() == '\r')) holder.pop_back();
    }
    ::close(fd);
    return held ? c_result::held : c_result::failed;
  }
  // The holder's number, for the process that is refused; the lock itself does not depend on it.
  const std::string self = std::to_string(::getpid()) + "\n";
  if (::ftruncate(fd, 0) == 0) {
    [[maybe_unused]] const ssize_t written = ::pwrite(fd, self.data(), self.size(), 0);
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
  return c_result::taken;
}
