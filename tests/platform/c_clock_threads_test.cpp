#include "platform/c_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(ClockThreads, ReadersSeeAFixedClockOnlyMoveForward) {
  c_clock::m_fixUtc(1'000'000);
  c_clock::m_fixMonotonic(0);
  std::atomic<bool> done{false};
  std::atomic<int> backwards{0};
  std::vector<std::thread> readers;
  for (int r = 0; r < 3; ++r)
    readers.emplace_back([&] {
      std::int64_t lastUtc = 0, lastMs = 0;
      while (!done.load()) {
        const std::int64_t utc = c_clock::m_utcSeconds(), ms = c_clock::m_monotonicMilliseconds();
        if (utc < lastUtc || ms < lastMs) ++backwards;
        lastUtc = utc;
        lastMs = ms;
      }
    });
  for (int i = 0; i < 2000; ++i) {
    c_clock::m_advanceUtc(1);
    c_clock::m_advanceMonotonic(1);
  }
  done = true;
  for (auto& reader : readers) reader.join();
  EXPECT_EQ(backwards.load(), 0);
  EXPECT_EQ(c_clock::m_utcSeconds(), 1'002'000);
  EXPECT_EQ(c_clock::m_monotonicMilliseconds(), 2000);
  c_clock::m_useSystemClocks();
}

}  // namespace
