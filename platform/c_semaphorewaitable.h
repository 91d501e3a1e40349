#pragma once
// c_semaphoreWaitable: a counter without owners; one thread releases, another
// takes. Safe to call from any thread.

#include <cstdint>

#include "platform/c_waitable.h"

class c_semaphoreWaitable final : public c_waitable {
 public:
  // The counts are clamped to 0 <= initial <= maximum, maximum at least 1.
  c_semaphoreWaitable(std::int64_t initialCount, std::int64_t maximumCount);

  // Adds count (at least 1); false, with nothing changed, when that would pass the maximum.
  bool m_release(std::int64_t count = 1);
  std::int64_t m_count();

 protected:
  bool m_tryAcquire() override;

 private:
  std::int64_t count_ TM_GUARDED_BY(mutex_);
  const std::int64_t maximum_;
};
