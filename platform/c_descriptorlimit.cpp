#include "platform/c_descriptorlimit.h"

#include <dirent.h>
#include <sys/resource.h>

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace {

std::int64_t asCount(rlim_t value) {
  constexpr auto most = static_cast<rlim_t>(std::numeric_limits<std::int64_t>::max());
  return value == RLIM_INFINITY || value > most ? std::numeric_limits<std::int64_t>::max()
                                                : static_cast<std::int64_t>(value);
}

}  // namespace

std::int64_t c_descriptorLimit::m_raise() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return -1;
  if (limit.rlim_cur != limit.rlim_max) {
    rlimit raised = limit;
    raised.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
  }
  return asCount(limit.rlim_cur);
}

std::int64_t c_descriptorLimit::m_soft() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return -1;
  return asCount(limit.rlim_cur);
}

std::int64_t c_descriptorLimit::m_left() {
  const std::int64_t soft = m_soft();
  if (soft < 0) return -1;
  DIR* open = ::opendir("/proc/self/fd");
  if (open == nullptr) return errno == EMFILE || errno == ENFILE ? 0 : -1;
  const int own = ::dirfd(open);
  std::int64_t below = 0;
  while (const dirent* entry = ::readdir(open)) {
    if (entry->d_name[0] == '.') continue;
    const long long descriptor = std::strtoll(entry->d_name, nullptr, 10);
    if (descriptor != own && descriptor < soft) ++below;
  }
  ::closedir(open);
  return soft > below ? soft - below : 0;
}
