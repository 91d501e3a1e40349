#include "platform/c_timerwaitable.h"

#include <algorithm>

namespace {

// Due times and periods are cut to a century, which keeps the arithmetic on the
// clock's 64-bit nanoseconds far from overflow.
constexpr std::int64_t longestMs = std::int64_t{100} * 366 * 24 * 3600 * 1000;

}  // namespace

void c_timerWaitable::m_set(std::int64_t dueMs, std::int64_t periodMs) {
  const auto now = std::chrono::steady_clock::now();
  std::lock_guard lock(mutex_);
  armed_ = true;
  signalled_ = false;
  due_ = now + std::chrono::milliseconds(std::clamp<std::int64_t>(dueMs, 0, longestMs));
  period_ = std::chrono::milliseconds(std::clamp<std::int64_t>(periodMs, 0, longestMs));
  // Waiters sleep until the earliest due time they know of; this one may be earlier.
  m_wakeWaitersLocked();
}

void c_timerWaitable::m_cancel() {
  std::lock_guard lock(mutex_);
  armed_ = false;
  signalled_ = false;
}

bool c_timerWaitable::m_isSignalled() {
  const auto now = std::chrono::steady_clock::now();
  std::lock_guard lock(mutex_);
  m_catchUpLocked(now);
  return signalled_;
}

bool c_timerWaitable::m_tryAcquire() {
  const auto now = std::chrono::steady_clock::now();
  std::lock_guard lock(mutex_);
  m_catchUpLocked(now);
  if (!signalled_) return false;
  if (!manualReset_) signalled_ = false;
  return true;
}

c_waitable::c_steadyTime c_timerWaitable::m_readyAt() {
  std::lock_guard lock(mutex_);
  return armed_ ? due_ : c_steadyTime::max();
}

void c_timerWaitable::m_catchUpLocked(c_steadyTime now) {
  if (!armed_ || now < due_) return;
  signalled_ = true;
  if (period_.count() == 0) {
    armed_ = false;
    return;
  }
  const auto missed = (now - due_) / period_;
  due_ += period_ * (missed + 1);
}
