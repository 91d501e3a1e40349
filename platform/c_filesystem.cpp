#include "platform/c_filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>

c_fileSystem::c_pathKind c_fileSystem::m_kindOf(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0) return c_pathKind::missing;
  return S_ISDIR(status.st_mode) ? c_pathKind::directory : c_pathKind::other;
}

bool c_fileSystem::m_makeDirectory(const std::string& path, int& error) {
  if (::mkdir(path.c_str(), 0755) == 0) return true;
  error = errno;
  // Another thread or process may have created it meanwhile.
  return error == EEXIST && m_kindOf(path) == c_pathKind::directory;
}

bool c_fileSystem::m_listDirectory(const std::string& path, std::vector<std::string>& names, int& error) {
  DIR* directory = ::opendir(path.c_str());
  if (!directory) {
    error = errno;
    return false;
  }
  names.clear();
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(directory);
    if (!entry) break;
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
  }
  error = errno;
  ::closedir(directory);
  return error == 0;
}

bool c_fileSystem::m_removeFile(const std::string& path, int& error) {
  if (::unlink(path.c_str()) == 0) return true;
  error = errno;
  return false;
}

bool c_fileSystem::m_truncateFile(const std::string& path, std::int64_t size, int& error) {
  if (::truncate(path.c_str(), static_cast<off_t>(size)) == 0) return true;
  error = errno;
  return false;
}

bool c_fileSystem::m_canCreateIn(const std::string& folder, int& error) {
  std::string existing = folder;
  while (m_kindOf(existing) == c_pathKind::missing) {
    const std::size_t slash = existing.find_last_of('/');
    if (slash == std::string::npos) break;
    existing.resize(slash == 0 ? 1 : slash);
  }
  // A file without a name, gone with its descriptor: nobody sees it.
  int fd = ::open(existing.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
  if (fd >= 0) {
    ::close(fd);
    return true;
  }
  error = errno;
  if (error != EOPNOTSUPP && error != EISDIR) return false;
  // A file system without such files: a named one of this process, removed at once.
  static std::atomic<unsigned> probes{0};
  const std::string probe = existing + "/.probe-" + std::to_string(::getpid()) + "-" + std::to_string(probes++);
  fd = ::open(probe.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = errno;
    return false;
  }
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

std::string c_fileSystem::m_localTimeText(std::time_t when, const char* format) {
  std::tm local {};
  if (!::localtime_r(&when, &local)) return {};
  char buffer[128];
  std::size_t length = std::strftime(buffer, sizeof buffer, format, &local);
  return std::string(buffer, length);
}
