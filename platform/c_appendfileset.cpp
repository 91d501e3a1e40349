#include "platform/c_appendfileset.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/c_descriptorlimit.h"

namespace {

// The soft descriptor limit as it is now: the TM may raise it at its start.
long descriptorLimit() {
  const std::int64_t soft = c_descriptorLimit::m_soft();
  return soft < 0 || soft > INT_MAX ? INT_MAX : static_cast<long>(soft);
}

// An eighth of the descriptors stays free for links, listeners and waits; the
// set itself holds at most a sixteenth.
long reserveOf(long limit) { return std::max(4L, limit / 8); }
std::size_t shareOf(long limit, std::size_t largest) {
  return std::clamp<std::size_t>(static_cast<std::size_t>(limit / 16), 1, largest);
}
// Spare inodes take at most a quarter of the share, so members always keep most of it.
std::size_t spareShareOf(std::size_t share) { return share / 4; }

// Whether descriptor and, with it held, the lowest free descriptor are both
// outside the reserve (a duplicate finds the lowest free).
bool leavesTheReserve(int descriptor, long limit) {
  if (descriptor >= limit - reserveOf(limit)) return false;
  const int lowestFree = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
  if (lowestFree >= 0) ::close(lowestFree);
  return lowestFree >= 0 && lowestFree < limit - reserveOf(limit);
}

std::string folderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

// Never destroyed: a trace file closed while the process exits still finds it.
c_appendFileSet& c_appendFileSet::m_shared() {
  static c_appendFileSet* const shared = new c_appendFileSet;
  return *shared;
}

c_appendFileSet::c_appendFileSet(std::size_t largest)
    : largest_(std::max<std::size_t>(largest, 1)), spares_([this](int descriptor) { return m_admitSpare(descriptor); },
              [this] { return spareShareOf(shareOf(descriptorLimit(), largest_)); }) {}

c_appendFileSet::~c_appendFileSet() {
  std::lock_guard<std::mutex> guard(mutex_);
  m_giveWay();
}

bool c_appendFileSet::m_open(const std::string& path, c_opened& opened, int& error) {
  const long limit = descriptorLimit();
  c_held* entry = nullptr;
  c_member member = noMember;
  int spare = -1;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    member = ++lastMember_;
    const std::size_t share = shareOf(limit, largest_);
    entry = &m_addInUse(member, share);
    if (spareShareOf(share) > 0) spare = spares_.m_take(folderOf(path));
  }
  if (!m_openInUse(*entry, path, spare, limit, error)) return false;
  opened = {member, entry->file.m_createdByOpen(), entry->file.m_sizeAtOpen()};
  m_release(*entry);
  return true;
}

bool c_appendFileSet::m_append(c_member member, const std::string& path, std::string_view data, int& error) {
  if (member == noMember) {
    error = EBADF;
    return false;
  }
  c_held* entry = nullptr;
  bool reopen = false;
  long limit = 0;  // read only for a file closed to make room, which is opened again
  {
    std::lock_guard<std::mutex> guard(mutex_);
    auto found = byMember_.find(member);
    if (found != byMember_.end()) {
      held_.splice(held_.begin(), held_, found->second);
      entry = &held_.front();
      entry->inUse = true;
    } else {
      limit = descriptorLimit();
      entry = &m_addInUse(member, shareOf(limit, largest_));
      reopen = true;
    }
  }
  if (reopen && !m_openInUse(*entry, path, -1, limit, error)) return false;
  const bool written = entry->file.m_append(data, error);
  m_release(*entry);
  return written;
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
  return held_.size() + spares_.m_spareCount();
}

void c_appendFileSet::m_startSpareInodes() { spares_.m_start(); }
void c_appendFileSet::m_stopSpareInodes() { spares_.m_stop(); }

bool c_appendFileSet::m_admitSpare(int descriptor) {
  const long limit = descriptorLimit();
  std::lock_guard<std::mutex> guard(mutex_);
  const std::size_t share = shareOf(limit, largest_);
  if (spares_.m_spareCount() >= spareShareOf(share) || !leavesTheReserve(descriptor, limit)) return false;
  while (held_.size() + spares_.m_spareCount() >= share)
    if (!m_closeLeastRecent()) return false;
  spares_.m_keep(descriptor);
  return true;
}

c_appendFileSet::c_held& c_appendFileSet::m_addInUse(c_member member, std::size_t share) {
  while (held_.size() + spares_.m_spareCount() >= share && (m_closeLeastRecent() || spares_.m_closeOne())) {
  }
  held_.emplace_front();
  c_held& entry = held_.front();
  entry.member = member;
  entry.inUse = true;
  byMember_[member] = held_.begin();
  return entry;
}

bool c_appendFileSet::m_openInUse(c_held& entry, const std::string& path, int spare, long limit, int& error) {
  // A spare holds its descriptor from long ago: whether the process is short of
  // them shows only in the lowest free one now.
  if (spare >= 0 && !leavesTheReserve(spare, limit)) {
    ::close(spare);
    error = EMFILE;
    return m_dropInUse(entry, true);
  }
  bool spareTaken = false;
  bool opened = entry.file.m_openLinking(path, spare, spareTaken, error);
  // Not linked in (the file was there, another file system): the spare goes,
  // as the entry holds a descriptor of its own now.
  if (spare >= 0 && !spareTaken) ::close(spare);
  bool shortOfDescriptors = !opened && (error == EMFILE || error == ENFILE);
  // The lowest free descriptor came back: all below it are taken, so a number
  // within the reserve means the process is running out of them.
  if (opened && entry.file.m_descriptor() >= limit - reserveOf(limit)) {
    const bool created = entry.file.m_createdByOpen();
    int ignored = 0;
    entry.file.m_close(ignored);
    // The file was never written: one this open created goes again.
    if (created) ::unlink(path.c_str());
    opened = false;
    shortOfDescriptors = true;
    error = EMFILE;
  }
  if (opened) return true;
  return m_dropInUse(entry, shortOfDescriptors);
}

bool c_appendFileSet::m_dropInUse(c_held& entry, bool shortOfDescriptors) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto found = byMember_.find(entry.member);
  held_.erase(found->second);
  byMember_.erase(found);
  if (shortOfDescriptors) m_giveWay();
  return false;
}

void c_appendFileSet::m_release(c_held& entry) {
  std::lock_guard<std::mutex> guard(mutex_);
  entry.inUse = false;
}

// False when every entry held is in use.
bool c_appendFileSet::m_closeLeastRecent() {
  for (auto entry = held_.end(); entry != held_.begin();) {
    --entry;
    if (entry->inUse) continue;
    int ignored = 0;
    entry->file.m_close(ignored);
    byMember_.erase(entry->member);
    held_.erase(entry);
    return true;
  }
  return false;
}

void c_appendFileSet::m_giveWay() {
  spares_.m_closeAll();
  while (m_closeLeastRecent()) {
  }
}
