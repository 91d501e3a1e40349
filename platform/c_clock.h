#pragma once
// c_clock: the current time for everything in the TM that reads it. The wall clock
// gives UTC (seconds since 1970, as time_t counts); the monotonic clock measures
// intervals and expiry and never jumps. Each comes from the system unless a test
// has fixed it; a fixed clock stands still until the test moves it on.
// Safe to call from any thread, also while a test moves a clock.
//
// Timers and every timed wait run on the monotonic clock given here; fixing,
// moving or releasing it wakes the waits it concerns (c_wakeTimedWaiters).

#include <cstdint>

class c_clock {
 public:
  static std::int64_t m_utcSeconds();
  static std::int64_t m_utcMicroseconds();
  static std::int64_t m_monotonicMilliseconds();
  // The same clock read to within the system's tick (a few milliseconds), at a
  // fraction of the cost: for spans counted in whole seconds, read very often.
  static std::int64_t m_monotonicMillisecondsCoarse();
  static std::int64_t m_monotonicNanoseconds();
  static bool m_monotonicIsFixed();

  // Tests: fix a clock at a value, move it on, or give both back to the system.
  static void m_fixUtc(std::int64_t seconds, std::int64_t microseconds = 0);
  static void m_advanceUtc(std::int64_t seconds, std::int64_t microseconds = 0);
  static void m_fixMonotonic(std::int64_t milliseconds);
  static void m_advanceMonotonic(std::int64_t milliseconds);
  static void m_useSystemClocks();
};
