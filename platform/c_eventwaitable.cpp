#include "platform/c_eventwaitable.h"

void c_eventWaitable::m_set() {
  c_wakeUps wakeUps;
  c_mutexGuard lock(mutex_);
  set_ = true;
  m_wakeWaitersLocked(wakeUps);
}

void c_eventWaitable::m_reset() {
  c_mutexGuard lock(mutex_);
  set_ = false;
}

bool c_eventWaitable::m_isSet() {
  c_mutexGuard lock(mutex_);
  return set_;
}
