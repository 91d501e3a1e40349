#pragma once
// c_mutexWaitable: a recursive mutex with an owner and a count. The owner may take
// it again; each take needs one release. Safe to call from any thread.
//
// The configuration and logging lock is taken on every event, so a take that
// meets no contention is one atomic exchange on the owner word and a release one
// store; the shared wait mechanism is entered only under contention or when the
// mutex stands in a multiple wait. A mutex whose owner ended without releasing it
// stays taken.

#include <atomic>
#include <cstdint>

#include "platform/c_waitable.h"

class c_mutexWaitable final : public c_waitable {
 public:
  // True when the caller owns the mutex; false when the time-out passed first.
  bool m_lock(std::int64_t timeoutMs) {
    if (m_tryLock()) return true;
    c_waitable* self = this;
    return timeoutMs != 0 && c_waitForAny(&self, 1, timeoutMs) == 0;
  }
  bool m_tryLock() {
    const std::uint64_t me = c_threadKey();
    if (owner_.load(std::memory_order_relaxed) == me) {
      ++depth_;
      return true;
    }
    std::uint64_t free = 0;
    if (!owner_.compare_exchange_strong(free, me)) return false;
    depth_ = 1;
    return true;
  }
  // Gives back one take; false, with nothing changed, when the caller is not the owner.
  bool m_unlock();
  bool m_isHeldByCaller() const { return owner_.load(std::memory_order_relaxed) == c_threadKey(); }

 protected:
  bool m_tryAcquire() override { return m_tryLock(); }

 private:
  // The owner's thread key, 0 when free. Sequentially consistent with the waiter
  // count, so that a release either sees a registered waiter or the waiter sees
  // the mutex free.
  std::atomic<std::uint64_t> owner_{0};
  std::uint64_t depth_ = 0;  // only the owner reads or writes it
};
