#include "platform/c_inodepool.h"

#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// The mode a plain create gives (the umask applies to both alike).
constexpr mode_t fileMode = 0644;

bool isUnsupported(int error) { return error == EOPNOTSUPP || error == EISDIR || error == EINVAL; }

}  // namespace

c_inodePool::c_inodePool(c_admit admit, c_room room, std::size_t size)
    : admit_(std::move(admit)), room_(std::move(room)), size_(size) {}

c_inodePool::~c_inodePool() {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    starts_ = 0;
  }
  stop_.m_set();
  if (refiller_.joinable()) refiller_.join();
  m_closeAll();
}

void c_inodePool::m_start() {
  std::lock_guard<std::mutex> startStop(startStopMutex_);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (starts_++ > 0) return;
  }
  stop_.m_reset();
  refiller_ = std::thread([this] { m_refill(); });
}

void c_inodePool::m_stop() {
  std::lock_guard<std::mutex> startStop(startStopMutex_);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (starts_ == 0 || --starts_ > 0) return;
  }
  stop_.m_set();
  if (refiller_.joinable()) refiller_.join();
  m_closeAll();
  std::lock_guard<std::mutex> guard(mutex_);
  folder_.clear();
  unsupported_.clear();
}

int c_inodePool::m_take(const std::string& folder) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (starts_ == 0) return -1;
  folder_ = folder;
  wanted_.m_set();
  if (spares_.empty()) return -1;
  const int descriptor = spares_.back();
  spares_.pop_back();
  return descriptor;
}

void c_inodePool::m_keep(int descriptor) {
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (starts_ > 0 && spares_.size() < size_) {
      spares_.push_back(descriptor);
      return;
    }
  }
  ::close(descriptor);
}

bool c_inodePool::m_closeOne() {
  int descriptor = -1;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    if (spares_.empty()) return false;
    descriptor = spares_.back();
    spares_.pop_back();
  }
  ::close(descriptor);
  return true;
}

void c_inodePool::m_closeAll() {
  while (m_closeOne()) {
  }
}

std::size_t c_inodePool::m_spareCount() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return spares_.size();
}

bool c_inodePool::m_linkIn(int descriptor, const std::string& path, int& error) {
  const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
  error = errno;
  return false;
}

// Wakes when a spare was taken (or asked for) and fills the pool again, one
// inode at a time so that a stop is never kept waiting for more than one. A
// failed allocation waits for the next ask: the pool never spins on a full disk.
void c_inodePool::m_refill() {
  // A batch thread: waking it never puts off the thread that took the spare,
  // which is answering a peer. Left as it is where the system refuses.
  sched_param batch{};
  ::pthread_setschedparam(::pthread_self(), SCHED_BATCH, &batch);
  c_waitable* const objects[] = {&stop_, &wanted_};
  while (c_waitForAny(objects, 2, -1) == 1) {
    wanted_.m_reset();
    while (!stop_.m_isSet()) {
      std::string folder;
      const std::size_t room = std::min(size_, room_());
      {
        std::lock_guard<std::mutex> guard(mutex_);
        if (spares_.size() >= room || folder_.empty() || folder_ == unsupported_) break;
        folder = folder_;
      }
      // Appending from the start, as a file opened to append by name.
      const int descriptor = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_APPEND | O_CLOEXEC, fileMode);
      if (descriptor < 0) {
        if (isUnsupported(errno)) {
          std::lock_guard<std::mutex> guard(mutex_);
          unsupported_ = folder;
        }
        break;
      }
      if (!admit_(descriptor)) {
        ::close(descriptor);
        break;
      }
    }
  }
}
