#pragma once
// c_fixedClock: fixes the TM's wall clock (and the monotonic clock) for the life of
// a test and gives both back to the system afterwards.

#include <cstdint>

#include "platform/c_clock.h"

class c_fixedClock {
 public:
  explicit c_fixedClock(std::int64_t utcSeconds, std::int64_t monotonicMs = 1'000'000) {
    c_clock::m_fixUtc(utcSeconds);
    c_clock::m_fixMonotonic(monotonicMs);
  }
  ~c_fixedClock() { c_clock::m_useSystemClocks(); }
  c_fixedClock(const c_fixedClock&) = delete;
  c_fixedClock& operator=(const c_fixedClock&) = delete;

  void m_advance(std::int64_t seconds) {
    c_clock::m_advanceUtc(seconds);
    c_clock::m_advanceMonotonic(seconds * 1000);
  }
};
