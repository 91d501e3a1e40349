#include "platform/c_timerwaitable.h"

#include <algorithm>

#include "platform/c_clock.h"

namespace {

// Due times and periods are cut to a century, which keeps the arithmetic on the
// clock's 64-bit nanoseconds far from overflow.
constexpr std::int64_t longestMs = std::int64_t{100} * 366 * 24 * 3600 * 1000;

std::int64_t nanosecondsOf(std::int64_t ms) { return std::clamp<std::int64_t>(ms, 0, longestMs) * 1'000'000; }

}  // namespace

void c_timerWaitable::m_set(std::int64_t dueMs, std::int64_t periodMs) {
  const std::int64_t now = c_clock::m_monotonicNanoseconds();
  c_wakeUps wakeUps;
  c_mutexGuard lock(mutex_);
  armed_ = true;
  signalled_ = false;
  dueNs_ = now + nanosecondsOf(dueMs);
  periodNs_ = nanosecondsOf(periodMs);
  // Waiters sleep until the earliest due time they know of; this one may be earlier.
  m_wakeWaitersLocked(wakeUps);
}

void c_timerWaitable::m_cancel() {
  c_mutexGuard lock(mutex_);
  armed_ = false;
  signalled_ = false;
}

bool c_timerWaitable::m_isSignalled() {
  const std::int64_t now = c_clock::m_monotonicNanoseconds();
  c_mutexGuard lock(mutex_);
  m_catchUpLocked(now);
  return signalled_;
}

bool c_timerWaitable::m_tryAcquire() {
  const std::int64_t now = c_clock::m_monotonicNanoseconds();
  c_mutexGuard lock(mutex_);
  m_catchUpLocked(now);
  if (!signalled_) return false;
  if (!manualReset_) signalled_ = false;
  return true;
}

std::int64_t c_timerWaitable::m_readyAt() {
  c_mutexGuard lock(mutex_);
  return armed_ ? dueNs_ : never;
}

void c_timerWaitable::m_catchUpLocked(std::int64_t now) {
  if (!armed_ || now < dueNs_) return;
  signalled_ = true;
  if (periodNs_ == 0) {
    armed_ = false;
    return;
  }
  const std::int64_t missed = (now - dueNs_) / periodNs_;
  dueNs_ += periodNs_ * (missed + 1);
}
