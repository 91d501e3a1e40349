#include "platform/c_waitable.h"

#include <algorithm>
#include <condition_variable>

// What a waiting thread is woken through; lives on the waiter's stack.
class c_waitRecord {
 public:
  void m_wake() {
    {
      std::lock_guard lock(mutex_);
      woken_ = true;
    }
    wake_.notify_one();
  }
  void m_clear() {
    std::lock_guard lock(mutex_);
    woken_ = false;
  }
  void m_sleepUntil(std::chrono::steady_clock::time_point until) {
    std::unique_lock lock(mutex_);
    if (until == std::chrono::steady_clock::time_point::max())
      wake_.wait(lock, [this] { return woken_; });
    else
      wake_.wait_until(lock, until, [this] { return woken_; });
  }

 private:
  std::mutex mutex_;  // guards woken_
  std::condition_variable wake_;
  bool woken_ = false;
};

void c_waitable::m_wakeWaitersLocked() {
  for (c_waitRecord* record : waiters_) record->m_wake();
}

void c_waitable::m_register(c_waitRecord* record) {
  std::lock_guard lock(mutex_);
  waiters_.push_back(record);
  waiterCount_.fetch_add(1);
}

void c_waitable::m_unregister(c_waitRecord* record) {
  std::lock_guard lock(mutex_);
  auto found = std::find(waiters_.begin(), waiters_.end(), record);
  if (found == waiters_.end()) return;
  waiters_.erase(found);
  waiterCount_.fetch_sub(1);
}

std::uint64_t c_newThreadKey() {
  static std::atomic<std::uint64_t> next{0};
  return next.fetch_add(1) + 1;
}

namespace {

// Longer time-outs than this count as waiting for ever; it keeps the deadline
// arithmetic far from overflow.
constexpr std::int64_t foreverMs = std::int64_t{100} * 366 * 24 * 3600 * 1000;

}  // namespace

int c_waitForAny(c_waitable* const* objects, std::size_t count, std::int64_t timeoutMs) {
  if (objects == nullptr || count == 0 || count > c_waitMaximumObjects) return c_waitFailed;
  for (std::size_t i = 0; i < count; ++i)
    if (objects[i] == nullptr) return c_waitFailed;

  auto firstAcquired = [objects, count] {
    for (std::size_t i = 0; i < count; ++i)
      if (objects[i]->m_tryAcquire()) return static_cast<int>(i);
    return -1;
  };

  int taken = firstAcquired();
  if (taken >= 0) return taken;
  if (timeoutMs == 0) return c_waitTimedOut;

  using clock = std::chrono::steady_clock;
  const bool forever = timeoutMs < 0 || timeoutMs >= foreverMs;
  const clock::time_point deadline =
      forever ? clock::time_point::max() : clock::now() + std::chrono::milliseconds(timeoutMs);

  c_waitRecord record;
  for (std::size_t i = 0; i < count; ++i) objects[i]->m_register(&record);
  for (;;) {
    record.m_clear();
    taken = firstAcquired();
    if (taken >= 0) break;
    clock::time_point wakeAt = deadline;
    for (std::size_t i = 0; i < count; ++i) wakeAt = std::min(wakeAt, objects[i]->m_readyAt());
    if (!forever && clock::now() >= deadline) {
      taken = c_waitTimedOut;
      break;
    }
    record.m_sleepUntil(wakeAt);
  }
  for (std::size_t i = 0; i < count; ++i) objects[i]->m_unregister(&record);
  return taken;
}
