#pragma once
// c_eventWaitable: a manual-reset event. Once set it stays set, and every wait for
// it returns, until it is reset; a thread's owner sets it to ask the thread to
// stop. Safe to call from any thread.

#include "platform/c_waitable.h"

class c_eventWaitable final : public c_waitable {
 public:
  void m_set();
  void m_reset();
  bool m_isSet();

 protected:
  bool m_tryAcquire() override { return m_isSet(); }

 private:
  bool set_ TM_GUARDED_BY(mutex_) = false;
};
