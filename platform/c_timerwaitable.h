#pragma once
// c_timerWaitable: a timer on c_clock's monotonic clock that signals at its due
// time and then every period. An auto-reset timer's signal is taken by the one
// wait that sees it; a manual-reset one stays signalled until armed again or
// cancelled. Missed periods give one signal, not one each. Safe to call from any
// thread.
//
// On a clock that a test has fixed, the timer signals when the test moves the
// clock past its due time, which also wakes the threads waiting for it.

#include <cstdint>

#include "platform/c_waitable.h"

class c_timerWaitable final : public c_waitable {
 public:
  explicit c_timerWaitable(bool manualReset) : manualReset_(manualReset) {}

  // Arms the timer: first signal after dueMs (at once when 0 or less), then every
  // periodMs (0: once). A signal given before is cleared.
  void m_set(std::int64_t dueMs, std::int64_t periodMs);
  // Disarms the timer and clears a signal it already gave, so that a wait that
  // comes later does not act on a cancelled time.
  void m_cancel();
  // Whether the timer is signalled now, without taking the signal.
  bool m_isSignalled();

 protected:
  bool m_tryAcquire() override;
  std::int64_t m_readyAt() override;

 private:
  void m_catchUpLocked(std::int64_t now) TM_REQUIRES(mutex_);

  const bool manualReset_;
  bool armed_ TM_GUARDED_BY(mutex_) = false;
  bool signalled_ TM_GUARDED_BY(mutex_) = false;
  std::int64_t dueNs_ TM_GUARDED_BY(mutex_) = 0;  // on c_clock's monotonic clock
  std::int64_t periodNs_ TM_GUARDED_BY(mutex_) = 0;
};
