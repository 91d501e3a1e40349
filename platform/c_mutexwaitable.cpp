#include "platform/c_mutexwaitable.h"

bool c_mutexWaitable::m_unlock() {
  if (owner_.load(std::memory_order_relaxed) != c_threadKey()) return false;
  if (--depth_ > 0) return true;
  owner_.store(0);
  if (m_hasWaiters()) {
    std::lock_guard lock(mutex_);
    m_wakeWaitersLocked();
  }
  return true;
}
