#include "platform/c_appendfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/c_inodepool.h"

c_appendFile::~c_appendFile() {
  int ignored = 0;
  m_close(ignored);
}

bool c_appendFile::m_open(const std::string& path, int& error) {
  if (m_isOpen() && !m_close(error)) return false;
  created_ = false;
  sizeAtOpen_ = 0;
  constexpr int flags = O_RDWR | O_APPEND | O_CLOEXEC;
  int descriptor = ::open(path.c_str(), flags | O_CREAT | O_EXCL, 0644);
  if (descriptor >= 0) {
    created_ = true;
  } else if (errno == EEXIST) {
    descriptor = ::open(path.c_str(), flags);
  }
  if (descriptor < 0) {
    error = errno;
    return false;
  }
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) {
    error = errno;
    ::close(descriptor);
    return false;
  }
  descriptor_ = descriptor;
  sizeAtOpen_ = status.st_size;
  return true;
}

bool c_appendFile::m_openLinking(const std::string& path, int spare, bool& spareTaken, int& error) {
  spareTaken = false;
  if (spare < 0) return m_open(path, error);
  if (m_isOpen() && !m_close(error)) return false;
  int linkError = 0;
  // Any failure to link (the file exists, another file system) leaves the
  // plain open to decide, with its own errors.
  if (!c_inodePool::m_linkIn(spare, path, linkError)) return m_open(path, error);
  spareTaken = true;
  descriptor_ = spare;
  created_ = true;
  sizeAtOpen_ = 0;
  return true;
}

bool c_appendFile::m_append(std::string_view data, int& error) {
  if (!m_isOpen()) {
    error = EBADF;
    return false;
  }
  std::size_t written = 0;
  while (written < data.size()) {
    ssize_t result = ::write(descriptor_, data.data() + written, data.size() - written);
    if (result > 0) {
      written += static_cast<std::size_t>(result);
      continue;
    }
    if (result < 0 && errno == EINTR) continue;
    error = result < 0 ? errno : ENOSPC;
    // Appended, the part written ends the file: it is cut off again (best
    // effort: what is left behind is a torn record either way). Found only now,
    // so that a record costs one write and nothing more.
    const off_t end = written > 0 ? ::lseek(descriptor_, 0, SEEK_END) : -1;
    if (end >= static_cast<off_t>(written)) {
      [[maybe_unused]] int cut = ::ftruncate(descriptor_, end - static_cast<off_t>(written));
    }
    return false;
  }
  return true;
}

bool c_appendFile::m_truncate(std::int64_t size, int& error) {
  if (!m_isOpen()) {
    error = EBADF;
    return false;
  }
  if (::ftruncate(descriptor_, static_cast<off_t>(size)) != 0) {
    error = errno;
    return false;
  }
  return true;
}

bool c_appendFile::m_close(int& error) {
  if (!m_isOpen()) return true;
  int descriptor = descriptor_;
  descriptor_ = -1;
  if (::close(descriptor) != 0) {
    error = errno;
    return false;
  }
  return true;
}
