#include "platform/c_clock.h"

#include <time.h>

#include <atomic>
#include <chrono>

#include "platform/c_waitable.h"

namespace {

// A clock that a test can fix. The value is written before the flag is raised, so
// a reader that sees the flag sees a fixed value.
struct c_fixableClock {
  std::atomic<bool> fixed{false};
  std::atomic<std::int64_t> value{0};

  template <typename SystemClock, typename Unit>
  std::int64_t m_now() const {
    if (fixed.load(std::memory_order_acquire)) return value.load(std::memory_order_relaxed);
    return std::chrono::duration_cast<Unit>(SystemClock::now().time_since_epoch()).count();
  }
  void m_fix(std::int64_t now) {
    value.store(now, std::memory_order_relaxed);
    fixed.store(true, std::memory_order_release);
  }
  template <typename SystemClock, typename Unit>
  void m_advance(std::int64_t by) {
    if (!fixed.load(std::memory_order_acquire)) m_fix(m_now<SystemClock, Unit>());
    value.fetch_add(by, std::memory_order_relaxed);
  }
};

c_fixableClock utc;        // microseconds since 1970
c_fixableClock monotonic;  // nanoseconds since an arbitrary start

using micro = std::chrono::microseconds;
using nano = std::chrono::nanoseconds;

std::int64_t floorDivide(std::int64_t value, std::int64_t by) {
  return value / by - (value % by < 0 ? 1 : 0);
}

}  // namespace

std::int64_t c_clock::m_utcMicroseconds() { return utc.m_now<std::chrono::system_clock, micro>(); }
std::int64_t c_clock::m_utcSeconds() { return floorDivide(m_utcMicroseconds(), 1'000'000); }
std::int64_t c_clock::m_monotonicNanoseconds() { return monotonic.m_now<std::chrono::steady_clock, nano>(); }
std::int64_t c_clock::m_monotonicMilliseconds() { return floorDivide(m_monotonicNanoseconds(), 1'000'000); }

std::int64_t c_clock::m_monotonicMillisecondsCoarse() {
  if (monotonic.fixed.load(std::memory_order_acquire))
    return floorDivide(monotonic.value.load(std::memory_order_relaxed), 1'000'000);
  // The coarse clock counts from the same start as the steady clock.
  timespec now{};
  if (::clock_gettime(CLOCK_MONOTONIC_COARSE, &now) != 0) return m_monotonicMilliseconds();
  return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1'000'000;
}

void c_clock::m_fixUtc(std::int64_t seconds, std::int64_t microseconds) {
  utc.m_fix(seconds * 1'000'000 + microseconds);
}

void c_clock::m_advanceUtc(std::int64_t seconds, std::int64_t microseconds) {
  utc.m_advance<std::chrono::system_clock, micro>(seconds * 1'000'000 + microseconds);
}

bool c_clock::m_monotonicIsFixed() { return monotonic.fixed.load(std::memory_order_acquire); }

void c_clock::m_fixMonotonic(std::int64_t milliseconds) {
  monotonic.m_fix(milliseconds * 1'000'000);
  c_wakeTimedWaiters();
}

void c_clock::m_advanceMonotonic(std::int64_t milliseconds) {
  monotonic.m_advance<std::chrono::steady_clock, nano>(milliseconds * 1'000'000);
  c_wakeTimedWaiters();
}

void c_clock::m_useSystemClocks() {
  utc.fixed.store(false, std::memory_order_release);
  monotonic.fixed.store(false, std::memory_order_release);
  c_wakeTimedWaiters();
}
