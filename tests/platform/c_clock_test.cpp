#include "platform/c_clock.h"

#include <gtest/gtest.h>

#include <ctime>

#include "tests/support/fixed_clock.h"

namespace {

class ClockTest : public ::testing::Test {
 protected:
  void TearDown() override { c_clock::m_useSystemClocks(); }
};

TEST_F(ClockTest, UnfixedUtcIsTheSystemsTimeInSeconds) {
  const std::int64_t before = std::time(nullptr);
  const std::int64_t now = c_clock::m_utcSeconds();
  EXPECT_GE(now, before);
  EXPECT_LE(now, before + 2);
  const std::int64_t secondsFromMicroseconds = c_clock::m_utcMicroseconds() / 1'000'000;
  EXPECT_GE(secondsFromMicroseconds, now);
  EXPECT_LE(secondsFromMicroseconds, now + 1);
}

TEST_F(ClockTest, AFixedUtcStandsStillUntilMovedOn) {
  c_clock::m_fixUtc(1'031'788'800, 250'000);
  EXPECT_EQ(c_clock::m_utcSeconds(), 1'031'788'800);
  EXPECT_EQ(c_clock::m_utcMicroseconds(), 1'031'788'800'250'000);
  c_clock::m_advanceUtc(86'400, 800'000);
  EXPECT_EQ(c_clock::m_utcSeconds(), 1'031'875'201);
  c_clock::m_fixUtc(0, -1);
  EXPECT_EQ(c_clock::m_utcSeconds(), -1) << "a time before 1970 rounds down to its second";
}

TEST_F(ClockTest, AFixedMonotonicClockMovesOnlyWhenAdvanced) {
  c_clock::m_fixMonotonic(42);
  EXPECT_EQ(c_clock::m_monotonicMilliseconds(), 42);
  EXPECT_EQ(c_clock::m_monotonicNanoseconds(), 42'000'000);
  c_clock::m_advanceMonotonic(8);
  EXPECT_EQ(c_clock::m_monotonicMilliseconds(), 50);
}

TEST_F(ClockTest, TheCoarseMonotonicClockIsTheSameClockToWithinATick) {
  const std::int64_t before = c_clock::m_monotonicMilliseconds();
  const std::int64_t coarse = c_clock::m_monotonicMillisecondsCoarse();
  const std::int64_t after = c_clock::m_monotonicMilliseconds();
  EXPECT_GE(coarse, before - 50);
  EXPECT_LE(coarse, after);
  c_clock::m_fixMonotonic(42);
  c_clock::m_advanceMonotonic(8);
  EXPECT_EQ(c_clock::m_monotonicMillisecondsCoarse(), 50);
}

TEST_F(ClockTest, AdvancingAnUnfixedClockFixesItAheadOfTheSystem) {
  const std::int64_t before = c_clock::m_monotonicMilliseconds();
  c_clock::m_advanceMonotonic(3'600'000);
  const std::int64_t moved = c_clock::m_monotonicMilliseconds();
  EXPECT_GE(moved, before + 3'600'000);
  EXPECT_EQ(c_clock::m_monotonicMilliseconds(), moved);
  c_clock::m_useSystemClocks();
  EXPECT_LT(c_clock::m_monotonicMilliseconds(), moved);
}

TEST_F(ClockTest, TheTestGuardGivesTheClocksBack) {
  {
    c_fixedClock fixed(86'400 * 365);
    fixed.m_advance(10);
    EXPECT_EQ(c_clock::m_utcSeconds(), 86'400 * 365 + 10);
    EXPECT_EQ(c_clock::m_monotonicMilliseconds(), 1'000'000 + 10'000);
  }
  EXPECT_GT(c_clock::m_utcSeconds(), 86'400 * 365 * 40);
}

}  // namespace
