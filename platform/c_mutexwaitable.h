#pragma once
// c_mutexWaitable: a recursive mutex with an owner and a count. The owner may take
// it again; each take needs one release. Safe to call from any thread.
//
// The configuration and logging lock is taken on every event, so a take that
// meets no contention is one compare-exchange on the lock word and a release one
// exchange. A thread that must wait for ever sleeps in the kernel on the lock word
// itself; the shared wait mechanism is entered only for a wait with a time-out or
// when the mutex stands in a multiple wait. A mutex whose owner ended without
// releasing it stays taken.

#include <atomic>
#include <cstdint>

#include "platform/c_waitable.h"

class c_mutexWaitable final : public c_waitable {
 public:
  // True when the caller owns the mutex; false when the time-out passed first.
  bool m_lock(std::int64_t timeoutMs) {
    if (m_tryLock()) return true;
    return timeoutMs != 0 && m_lockContended(timeoutMs);
  }
  bool m_tryLock() {
    const std::uint64_t me = c_threadKey();
    if (owner_.load(std::memory_order_relaxed) == me) {
      ++depth_;
      return true;
    }
    std::uint32_t free = unlocked;
    if (!state_.compare_exchange_strong(free, locked)) return false;
    m_becomeOwner(me);
    return true;
  }
  // Gives back one take; false, with nothing changed, when the caller is not the owner.
  bool m_unlock();
  bool m_isHeldByCaller() const { return owner_.load(std::memory_order_relaxed) == c_threadKey(); }

 protected:
  bool m_tryAcquire() override { return m_tryLock(); }

 private:
  // The lock word: free, taken, or taken with threads that may sleep on it in the kernel.
  static constexpr std::uint32_t unlocked = 0, locked = 1, lockedWithSleepers = 2;

  bool m_lockContended(std::int64_t timeoutMs);
  void m_becomeOwner(std::uint64_t me) {
    owner_.store(me, std::memory_order_relaxed);
    depth_ = 1;
  }

  // Sequentially consistent with the waiter count, so that a release either sees
  // a thread registered by a multiple wait or that thread sees the mutex free.
  std::atomic<std::uint32_t> state_{unlocked};
  // The owner's thread key, 0 when free; only the owner writes its own key, so a
  // thread that reads its key here owns the mutex.
  std::atomic<std::uint64_t> owner_{0};
  std::uint64_t depth_ = 0;  // only the owner reads or writes it
};
