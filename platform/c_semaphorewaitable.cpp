#include "platform/c_semaphorewaitable.h"

#include <algorithm>

c_semaphoreWaitable::c_semaphoreWaitable(std::int64_t initialCount, std::int64_t maximumCount)
    : count_(0), maximum_(std::max<std::int64_t>(maximumCount, 1)) {
  count_ = std::clamp<std::int64_t>(initialCount, 0, maximum_);
}

bool c_semaphoreWaitable::m_release(std::int64_t count) {
  c_wakeUps wakeUps;
  c_mutexGuard lock(mutex_);
  if (count < 1 || count > maximum_ - count_) return false;
  count_ += count;
  m_wakeWaitersLocked(wakeUps);
  return true;
}

std::int64_t c_semaphoreWaitable::m_count() {
  c_mutexGuard lock(mutex_);
  return count_;
}

bool c_semaphoreWaitable::m_tryAcquire() {
  c_mutexGuard lock(mutex_);
  if (count_ == 0) return false;
  --count_;
  return true;
}
