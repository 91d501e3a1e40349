#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "platform/c_clock.h"
#include "platform/c_eventwaitable.h"
#include "platform/c_mutexwaitable.h"
#include "platform/c_semaphorewaitable.h"
#include "platform/c_timerwaitable.h"
#include "platform/c_waitable.h"

namespace {

using steady = std::chrono::steady_clock;

std::int64_t msSince(steady::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(steady::now() - start).count();
}

int waitFor(std::vector<c_waitable*> objects, std::int64_t timeoutMs) {
  return c_waitForAny(objects.data(), objects.size(), timeoutMs);
}

TEST(WaitForAny, TakesOnlyTheFirstReadyObjectInTheOrderGiven) {
  c_semaphoreWaitable first(1, 5), second(1, 5);
  EXPECT_EQ(waitFor({&first, &second}, 0), 0);
  EXPECT_EQ(first.m_count(), 0);
  EXPECT_EQ(second.m_count(), 1);
  EXPECT_EQ(waitFor({&first, &second}, 0), 1);
  EXPECT_EQ(second.m_count(), 0);
  EXPECT_EQ(waitFor({&first, &second}, 0), c_waitTimedOut);
}

TEST(WaitForAny, AnEarlierSemaphoreWinsOverASignalledTimerWhichKeepsItsSignal) {
  c_semaphoreWaitable semaphore(1, 1);
  c_timerWaitable timer(false);
  timer.m_set(0, 0);
  EXPECT_EQ(waitFor({&semaphore, &timer}, 0), 0);
  EXPECT_TRUE(timer.m_isSignalled());
  EXPECT_EQ(waitFor({&semaphore, &timer}, 0), 1);
  EXPECT_FALSE(timer.m_isSignalled());
}

TEST(WaitForAny, ReportsTheTimeOutAfterTheTimeHasPassed) {
  c_semaphoreWaitable empty(0, 1);
  const auto start = steady::now();
  EXPECT_EQ(waitFor({&empty}, 20), c_waitTimedOut);
  EXPECT_GE(msSince(start), 20);
  EXPECT_EQ(waitFor({&empty}, 0), c_waitTimedOut);
}

TEST(WaitForAny, FailsForNoObjectsANullObjectOrTooMany) {
  c_semaphoreWaitable ready(5, 5);
  EXPECT_EQ(waitFor({}, 0), c_waitFailed);
  EXPECT_EQ(waitFor({&ready, nullptr}, 0), c_waitFailed);
  EXPECT_EQ(ready.m_count(), 5) << "a failed wait takes nothing";
  std::vector<c_waitable*> tooMany(c_waitMaximumObjects + 1, &ready);
  EXPECT_EQ(waitFor(tooMany, 0), c_waitFailed);
}

TEST(SemaphoreWaitable, AReleaseBeyondTheMaximumFailsAndChangesNothing) {
  c_semaphoreWaitable semaphore(1, 2);
  EXPECT_FALSE(semaphore.m_release(2));
  EXPECT_EQ(semaphore.m_count(), 1);
  EXPECT_TRUE(semaphore.m_release(1));
  EXPECT_FALSE(semaphore.m_release(1));
  EXPECT_FALSE(semaphore.m_release(0));
  EXPECT_EQ(semaphore.m_count(), 2);
}

TEST(SemaphoreWaitable, ClampsCountsIntoARealSemaphore) {
  c_semaphoreWaitable overfull(7, 3), negative(-1, 0);
  EXPECT_EQ(overfull.m_count(), 3);
  EXPECT_EQ(negative.m_count(), 0);
  EXPECT_TRUE(negative.m_release(1));
  EXPECT_FALSE(negative.m_release(1));
}

TEST(MutexWaitable, TheOwnerTakesItAgainAndReleasesItOncePerTake) {
  c_mutexWaitable mutex;
  EXPECT_FALSE(mutex.m_unlock()) << "nobody owns it yet";
  EXPECT_TRUE(mutex.m_lock(-1));
  EXPECT_TRUE(mutex.m_lock(0));
  EXPECT_TRUE(mutex.m_isHeldByCaller());
  EXPECT_TRUE(mutex.m_unlock());
  EXPECT_TRUE(mutex.m_isHeldByCaller());
  EXPECT_TRUE(mutex.m_unlock());
  EXPECT_FALSE(mutex.m_isHeldByCaller());
  EXPECT_FALSE(mutex.m_unlock());
}

TEST(MutexWaitable, StandsInAMultipleWaitAndIsOwnedAfterIt) {
  c_mutexWaitable mutex;
  c_semaphoreWaitable empty(0, 1);
  EXPECT_EQ(waitFor({&empty, &mutex}, 0), 1);
  EXPECT_TRUE(mutex.m_isHeldByCaller());
  EXPECT_TRUE(mutex.m_unlock());
}

class TimerWaitable : public ::testing::TestWithParam<bool> {};

TEST_P(TimerWaitable, ADueTimeOfZeroOrLessSignalsAtOnce) {
  c_timerWaitable timer(GetParam());
  timer.m_set(0, 0);
  EXPECT_EQ(waitFor({&timer}, 0), 0);
  timer.m_set(-5000, 0);
  EXPECT_EQ(waitFor({&timer}, 0), 0);
}

TEST_P(TimerWaitable, CancellingClearsASignalAlreadyGiven) {
  c_timerWaitable timer(GetParam());
  timer.m_set(0, 0);
  ASSERT_TRUE(timer.m_isSignalled());
  timer.m_cancel();
  EXPECT_EQ(waitFor({&timer}, 0), c_waitTimedOut);
}

TEST_P(TimerWaitable, SettingAgainClearsTheOldSignal) {
  c_timerWaitable timer(GetParam());
  timer.m_set(0, 0);
  ASSERT_TRUE(timer.m_isSignalled());
  timer.m_set(60'000, 0);
  EXPECT_EQ(waitFor({&timer}, 0), c_waitTimedOut);
}

TEST_P(TimerWaitable, ASingleShotSignalsNotBeforeItsDueTimeAndOnlyOnce) {
  c_timerWaitable timer(GetParam());
  const auto start = steady::now();
  timer.m_set(30, 0);
  EXPECT_EQ(waitFor({&timer}, 0), c_waitTimedOut);
  EXPECT_EQ(waitFor({&timer}, 5000), 0);
  EXPECT_GE(msSince(start), 30);
  timer.m_cancel();
  timer.m_set(30, 0);
  ASSERT_EQ(waitFor({&timer}, 5000), 0);
  if (GetParam()) {
    EXPECT_EQ(waitFor({&timer}, 0), 0) << "a manual-reset timer stays signalled";
  } else {
    EXPECT_EQ(waitFor({&timer}, 40), c_waitTimedOut) << "a single shot does not come back";
  }
}

TEST_P(TimerWaitable, APeriodicTimerSignalsEachPeriodUntilCancelled) {
  c_timerWaitable timer(GetParam());
  const auto start = steady::now();
  timer.m_set(10, 10);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(waitFor({&timer}, 5000), 0);
    if (GetParam()) timer.m_set(10, 10);  // a manual-reset timer is cleared by arming it anew
  }
  EXPECT_GE(msSince(start), 30);
  timer.m_cancel();
  EXPECT_EQ(waitFor({&timer}, 40), c_waitTimedOut);
}

TEST_P(TimerWaitable, AnEarlierTimerInTheWaitWakesItBeforeTheTimeOut) {
  c_timerWaitable late(GetParam()), soon(GetParam());
  late.m_set(60'000, 0);
  soon.m_set(20, 0);
  EXPECT_EQ(waitFor({&late, &soon}, 10'000), 1);
}

INSTANTIATE_TEST_SUITE_P(AutoAndManualReset, TimerWaitable, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "ManualReset" : "AutoReset"; });

TEST(EventWaitable, StaysSetForEveryWaitUntilReset) {
  c_eventWaitable event;
  EXPECT_EQ(waitFor({&event}, 0), c_waitTimedOut);
  event.m_set();
  EXPECT_EQ(waitFor({&event}, 0), 0);
  EXPECT_EQ(waitFor({&event}, -1), 0);
  event.m_reset();
  EXPECT_EQ(waitFor({&event}, 0), c_waitTimedOut);
}

// A connected socket pair; the test writes to or closes the peer side.
class DescriptorWait : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets_), 0); }
  void TearDown() override {
    ::close(sockets_[0]);
    if (sockets_[1] >= 0) ::close(sockets_[1]);
  }
  int m_wait(std::vector<c_waitable*> objects, short events, std::int64_t timeoutMs) {
    return c_waitForAnyOrDescriptor(objects.data(), objects.size(), sockets_[0], events, timeoutMs);
  }
  void m_peerSends() { ASSERT_EQ(::write(sockets_[1], "x", 1), 1); }

  int sockets_[2] = {-1, -1};
  c_eventWaitable stop_;
  c_semaphoreWaitable wakeUp_{0, 1};
};

TEST_F(DescriptorWait, ReportsTheDescriptorWhenItIsReadableAndNoObjectIsReady) {
  EXPECT_EQ(m_wait({&stop_}, c_descriptorReadable, 0), c_waitTimedOut);
  m_peerSends();
  EXPECT_EQ(m_wait({&stop_, &wakeUp_}, c_descriptorReadable, -1), c_waitDescriptorReady);
  EXPECT_EQ(m_wait({}, c_descriptorReadable, -1), c_waitDescriptorReady) << "no objects at all";
  EXPECT_EQ(m_wait({&stop_}, c_descriptorWritable, 0), c_waitDescriptorReady);
}

TEST_F(DescriptorWait, AReadyObjectWinsOverReadableDataAndOnlyItIsTaken) {
  m_peerSends();
  stop_.m_set();
  ASSERT_TRUE(wakeUp_.m_release());
  EXPECT_EQ(m_wait({&wakeUp_, &stop_}, c_descriptorReadable, -1), 0);
  EXPECT_EQ(wakeUp_.m_count(), 0);
  EXPECT_EQ(m_wait({&wakeUp_, &stop_}, c_descriptorReadable, -1), 1);
}

TEST_F(DescriptorWait, APeerThatHungUpMakesTheDescriptorReady) {
  ::close(sockets_[1]);
  sockets_[1] = -1;
  EXPECT_EQ(m_wait({&stop_}, c_descriptorReadable, 1000), c_waitDescriptorReady);
}

TEST_F(DescriptorWait, FailsForABadDescriptorOrObjectList) {
  c_waitable* objects[] = {&stop_};
  EXPECT_EQ(c_waitForAnyOrDescriptor(objects, 1, -1, c_descriptorReadable, 0), c_waitFailed);
  EXPECT_EQ(c_waitForAnyOrDescriptor(objects, 1, 1'000'000, c_descriptorReadable, 0), c_waitFailed);
  EXPECT_EQ(m_wait({&stop_, nullptr}, c_descriptorReadable, 0), c_waitFailed);
}

TEST_F(DescriptorWait, ATimeOutOnTheRealClockPassesWithNothingReady) {
  const auto start = steady::now();
  EXPECT_EQ(m_wait({&stop_}, c_descriptorReadable, 20), c_waitTimedOut);
  EXPECT_GE(msSince(start), 20);
}

class TestClockTimer : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { c_clock::m_fixMonotonic(1'000'000); }
  void TearDown() override { c_clock::m_useSystemClocks(); }
};

TEST_P(TestClockTimer, SignalsWhenTheClockIsMovedPastItsDueTimeAndNotBefore) {
  c_timerWaitable timer(GetParam());
  timer.m_set(300'000, 3'600'000);
  c_clock::m_advanceMonotonic(299'999);
  EXPECT_EQ(waitFor({&timer}, 0), c_waitTimedOut);
  c_clock::m_advanceMonotonic(1);
  EXPECT_EQ(waitFor({&timer}, 0), 0);
  if (GetParam()) timer.m_set(3'600'000, 3'600'000);
  c_clock::m_advanceMonotonic(3'599'999);
  EXPECT_EQ(waitFor({&timer}, 0), c_waitTimedOut) << "the next period is an hour on";
  c_clock::m_advanceMonotonic(1);
  EXPECT_EQ(waitFor({&timer}, 0), 0);
}

INSTANTIATE_TEST_SUITE_P(AutoAndManualReset, TestClockTimer, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "ManualReset" : "AutoReset"; });

}  // namespace
