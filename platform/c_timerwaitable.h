#pragma once
// c_timerWaitable: a timer on the monotonic clock that signals at its due time and
// then every period. An auto-reset timer's signal is taken by the one wait that
// sees it; a manual-reset one stays signalled until armed again or cancelled.
// Missed periods give one signal, not one each. Safe to call from any thread; the
// state is guarded by mutex_.
//
// It runs on the real monotonic clock, not a test's fixed one: a waiting thread
// sleeps on the system's clock, so a clock that only a test moves could never wake it.

#include <chrono>
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
  c_steadyTime m_readyAt() override;

 private:
  void m_catchUpLocked(c_steadyTime now);

  const bool manualReset_;
  bool armed_ = false;      // guarded by mutex_
  bool signalled_ = false;  // guarded by mutex_
  c_steadyTime due_{};      // guarded by mutex_
  std::chrono::milliseconds period_{0};  // guarded by mutex_
};
