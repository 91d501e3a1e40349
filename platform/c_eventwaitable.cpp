#include "platform/c_eventwaitable.h"

void c_eventWaitable::m_set() {
  std::lock_guard lock(mutex_);
  set_ = true;
  m_wakeWaitersLocked();
}

void c_eventWaitable::m_reset() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool c_eventWaitable::m_isSet() {
  std::lock_guard lock(mutex_);
  return set_;
}
