#include "platform/c_mutexwaitable.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

void sleepWhileWordIs(std::atomic<std::uint32_t>& word, std::uint32_t value) {
  ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAIT_PRIVATE, value, nullptr, nullptr, 0);
}

void wakeOneSleeper(std::atomic<std::uint32_t>& word) {
  ::syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t));

}  // namespace

bool c_mutexWaitable::m_lockContended(std::int64_t timeoutMs) {
  // A time-out is kept on c_clock's monotonic clock, which only the shared wait honours.
  if (timeoutMs > 0) {
    c_waitable* self = this;
    return c_waitForAny(&self, 1, timeoutMs) == 0;
  }
  // Marks the word as having sleepers before each sleep, so that the release
  // that frees it wakes one of them; the woken thread marks it again when it takes
  // it, as it cannot know whether others still sleep.
  while (state_.exchange(lockedWithSleepers) != unlocked) sleepWhileWordIs(state_, lockedWithSleepers);
  m_becomeOwner(c_threadKey());
  return true;
}

bool c_mutexWaitable::m_unlock() {
  if (owner_.load(std::memory_order_relaxed) != c_threadKey()) return false;
  if (--depth_ > 0) return true;
  owner_.store(0, std::memory_order_relaxed);
  if (state_.exchange(unlocked) == lockedWithSleepers) wakeOneSleeper(state_);
  if (m_hasWaiters()) {
    c_wakeUps wakeUps;
    c_mutexGuard lock(mutex_);
    m_wakeWaitersLocked(wakeUps);
  }
  return true;
}
