#include "platform/c_regularfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

bool isSmallRegularFile(const struct stat& status, std::uint64_t limit) {
  return S_ISREG(status.st_mode) && static_cast<std::uint64_t>(status.st_size) <= limit;
}

}  // namespace

bool c_readRegularFile(const std::string& path, std::uint64_t limit, std::string& content, bool followLink) {
  content.clear();
  struct stat status {};
  const int found = followLink ? ::stat(path.c_str(), &status) : ::lstat(path.c_str(), &status);
  if (found != 0 || !isSmallRegularFile(status, limit)) return false;
  // The name may have been replaced since: the open must not wait, and what it
  // opened is checked again.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW));
  if (fd < 0) return false;
  bool read = ::fstat(fd, &status) == 0 && isSmallRegularFile(status, limit);
  if (read) {
    // One byte of room beyond the size tells a file that grew meanwhile.
    content.resize(static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(status.st_size), limit) + 1));
    std::size_t done = 0;
    for (;;) {
      if (done == content.size()) {
        if (done > limit) break;
        content.resize(static_cast<std::size_t>(std::min<std::uint64_t>(2 * done, limit + 1)));
      }
      const ssize_t n = ::read(fd, content.data() + done, content.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        read = n == 0;
        break;
      }
      done += static_cast<std::size_t>(n);
    }
    read = read && done <= limit;
    content.resize(read ? done : 0);
  }
  ::close(fd);
  return read;
}
