#include "platform/c_appendfileset.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace {

// The soft descriptor limit as it is now: the TM may raise it at its start.
long descriptorLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > INT_MAX)
    return INT_MAX;
  return static_cast<long>(limit.rlim_cur);
}

// An eighth of the descriptors stays free for links, listeners and waits; the
// set itself holds at most a sixteenth.
long reserveOf(long limit) { return std::max(4L, limit / 8); }
std::size_t shareOf(long limit, std::size_t largest) {
  return std::clamp<std::size_t>(static_cast<std::size_t>(limit / 16), 1, largest);
}

}  // namespace

// Never destroyed: a trace file closed while the process exits still finds it.
c_appendFileSet& c_appendFileSet::m_shared() {
  static c_appendFileSet* const shared = new c_appendFileSet;
  return *shared;
}

c_appendFileSet::c_appendFileSet(std::size_t largest) : largest_(std::max<std::size_t>(largest, 1)) {}

c_appendFileSet::~c_appendFileSet() {
  std::lock_guard<std::mutex> guard(mutex_);
  m_giveWay();
}

bool c_appendFileSet::m_open(const std::string& path, c_opened& opened, int& error) {
  std::lock_guard<std::mutex> guard(mutex_);
  const c_member member = ++lastMember_;
  if (!m_openHeld(member, path, error)) return false;
  const c_appendFile& file = held_.front().file;
  opened = {member, file.m_createdByOpen(), file.m_sizeAtOpen()};
  return true;
}

bool c_appendFileSet::m_append(c_member member, const std::string& path, std::string_view data, int& error) {
  if (member == noMember) {
    error = EBADF;
    return false;
  }
  std::lock_guard<std::mutex> guard(mutex_);
  auto found = byMember_.find(member);
  if (found != byMember_.end()) {
    held_.splice(held_.begin(), held_, found->second);
  } else if (!m_openHeld(member, path, error)) {
    return false;
  }
  return held_.front().file.m_append(data, error);
}

void c_appendFileSet::m_close(c_member member) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto found = byMember_.find(member);
  if (found == byMember_.end()) return;
  int ignored = 0;
  found->second->file.m_close(ignored);
  held_.erase(found->second);
  byMember_.erase(found);
}

std::size_t c_appendFileSet::m_heldCount() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return held_.size();
}

bool c_appendFileSet::m_openHeld(c_member member, const std::string& path, int& error) {
  const long limit = descriptorLimit();
  while (!held_.empty() && held_.size() >= shareOf(limit, largest_)) m_closeLeastRecent();
  held_.emplace_front();
  c_held& entry = held_.front();
  entry.member = member;
  if (!entry.file.m_open(path, error)) {
    held_.pop_front();
    if (error == EMFILE || error == ENFILE) m_giveWay();
    return false;
  }
  // The lowest free descriptor came back: all below it are taken, so a number
  // within the reserve means the process is running out of them.
  if (entry.file.m_descriptor() >= limit - reserveOf(limit)) {
    const bool created = entry.file.m_createdByOpen();
    held_.pop_front();
    // The file was never written: one this open created goes again.
    if (created) ::unlink(path.c_str());
    m_giveWay();
    error = EMFILE;
    return false;
  }
  byMember_[member] = held_.begin();
  return true;
}

void c_appendFileSet::m_closeLeastRecent() {
  int ignored = 0;
  held_.back().file.m_close(ignored);
  byMember_.erase(held_.back().member);
  held_.pop_back();
}

void c_appendFileSet::m_giveWay() {
  while (!held_.empty()) m_closeLeastRecent();
}
