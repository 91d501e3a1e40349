#include "core/c_syncObject.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <memory>
#include <vector>

namespace {

using steady = std::chrono::steady_clock;

std::int64_t msSince(steady::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(steady::now() - start).count();
}

TEST(SyncObjectLock, ReportsSuccessAlsoWhenTheTimeOutPassed) {
  c_semaphore semaphore(0, 1);
  const auto start = steady::now();
  EXPECT_TRUE(semaphore.m_lock(10));
  EXPECT_GE(msSince(start), 10);

  c_waitMultiple wait;
  ASSERT_TRUE(wait.m_add(&semaphore));
  EXPECT_EQ(wait.m_wait(10), -1);
  EXPECT_EQ(wait.m_getLastResult(), -1);
}

TEST(SyncObjectLock, ASemaphoreThatCouldNotBeMadeFailsEveryWait) {
  for (auto counts : {std::pair{2, 1}, std::pair{-1, 1}, std::pair{0, 0}}) {
    c_semaphore broken(counts.first, counts.second);
    EXPECT_EQ(broken.m_getHandle(), nullptr);
    EXPECT_FALSE(broken.m_lock(0));
    EXPECT_FALSE(broken.m_unlock());
    c_semaphore ready(1, 1);
    c_waitMultiple wait;
    wait.m_add(&ready);
    wait.m_add(&broken);
    EXPECT_EQ(wait.m_wait(0), 0);
    EXPECT_EQ(wait.m_getLastResult(), 0);
    EXPECT_EQ(wait.m_wait(0), 0) << "a failed wait takes nothing from the others";
  }
}

TEST(SyncObjectSemaphore, AReleaseBeyondTheMaximumFailsAndChangesNothing) {
  c_semaphore semaphore(1, 1);
  EXPECT_FALSE(semaphore.m_unlock());
  c_waitMultiple wait;
  wait.m_add(&semaphore);
  EXPECT_EQ(wait.m_wait(0), 1);
  EXPECT_EQ(wait.m_wait(0), -1) << "the refused release added no count";
  EXPECT_TRUE(semaphore.m_unlock());
  EXPECT_EQ(wait.m_wait(0), 1);
}

TEST(SyncObjectMutex, TheOwnerLocksItAgainAndUnlocksOncePerLock) {
  c_mutex mutex;
  EXPECT_FALSE(mutex.m_unlock()) << "an unlock that releases nothing";
  EXPECT_TRUE(mutex.m_lock(-1));
  EXPECT_TRUE(mutex.m_lock(-1));
  EXPECT_TRUE(mutex.m_unlock());
  EXPECT_TRUE(mutex.m_unlock());
  EXPECT_FALSE(mutex.m_unlock());
}

class SyncObjectWaitMultiple : public ::testing::Test {
 protected:
  c_waitMultiple wait_;
};

TEST_F(SyncObjectWaitMultiple, TakesOnlyTheFirstReadyObject) {
  c_semaphore semaphore(1, 1);
  c_waitableTimer timer(false);
  timer.m_set(0, 0);
  wait_.m_add(&semaphore);
  wait_.m_add(&timer);
  EXPECT_EQ(wait_.m_wait(-1), 1);
  EXPECT_EQ(wait_.m_wait(0), 2) << "the semaphore's count was consumed, the timer's signal kept";
  EXPECT_EQ(wait_.m_wait(0), -1);
}

TEST_F(SyncObjectWaitMultiple, RefusesTheEleventhObjectAndStillCoversTheFirstTen) {
  std::vector<std::unique_ptr<c_semaphore>> empty;
  for (int i = 0; i < 9; ++i) {
    empty.push_back(std::make_unique<c_semaphore>(0, 1));
    ASSERT_TRUE(wait_.m_add(empty.back().get()));
  }
  c_semaphore tenth(1, 1), eleventh(1, 1);
  EXPECT_TRUE(wait_.m_add(&tenth));
  EXPECT_FALSE(wait_.m_add(&eleventh));
  EXPECT_EQ(wait_.m_wait(0), 10);
  EXPECT_EQ(wait_.m_wait(0), -1) << "the refused eleventh object is not waited for";
}

TEST_F(SyncObjectWaitMultiple, FailsWithoutObjectsAndRefusesANullOne) {
  EXPECT_FALSE(wait_.m_add(nullptr));
  EXPECT_EQ(wait_.m_wait(0), 0);
}

TEST_F(SyncObjectWaitMultiple, ASetEventIsReportedEveryTimeAndNotConsumed) {
  c_semaphore empty(0, 1);
  c_event stop;
  wait_.m_add(&empty);
  wait_.m_add(&stop);
  EXPECT_EQ(wait_.m_wait(0), -1);
  stop.m_set();
  EXPECT_EQ(wait_.m_wait(-1), 2);
  EXPECT_EQ(wait_.m_wait(-1), 2);
  EXPECT_TRUE(stop.m_sleep(60'000));
  stop.m_reset();
  EXPECT_FALSE(stop.m_sleep(1));
}

class SyncObjectTimer : public SyncObjectWaitMultiple {
 protected:
  void SetUp() override { wait_.m_add(&timer_); }
  c_waitableTimer timer_{false};
};

TEST_F(SyncObjectTimer, SecondsAreCountedIn64Bits) {
  EXPECT_TRUE(timer_.m_set(INT_MAX, 0));
  EXPECT_EQ(wait_.m_wait(0), -1) << "a far due time must not wrap into the past";
  EXPECT_TRUE(timer_.m_set(0, INT_MAX));
  EXPECT_EQ(wait_.m_wait(0), 1);
  EXPECT_EQ(wait_.m_wait(0), -1) << "a long period must not wrap into a burst of signals";
}

TEST_F(SyncObjectTimer, ADueTimeOfZeroOrLessSignalsAtOnce) {
  EXPECT_TRUE(timer_.m_set(0, 0));
  EXPECT_EQ(wait_.m_wait(0), 1);
  EXPECT_TRUE(timer_.m_set(-3, 0));
  EXPECT_EQ(wait_.m_wait(0), 1);
  EXPECT_TRUE(timer_.m_set(5, 0));
  EXPECT_EQ(wait_.m_wait(0), -1);
}

TEST_F(SyncObjectTimer, CancelClearsASignalAlreadyGiven) {
  timer_.m_set(0, 0);
  EXPECT_TRUE(timer_.m_cancel());
  EXPECT_EQ(wait_.m_wait(0), -1);
}

TEST_F(SyncObjectTimer, ANegativePeriodIsRefusedAndChangesNothing) {
  timer_.m_set(0, 0);
  EXPECT_FALSE(timer_.m_set(60, -1));
  EXPECT_EQ(wait_.m_wait(0), 1) << "the earlier signal is still there";
}

TEST_F(SyncObjectTimer, ASingleShotSignalsOnceAfterItsDueTime) {
  const auto start = steady::now();
  timer_.m_setMilliseconds(25, 0);
  EXPECT_EQ(wait_.m_wait(-1), 1);
  EXPECT_GE(msSince(start), 25);
  EXPECT_EQ(wait_.m_wait(60), -1);
}

TEST_F(SyncObjectTimer, APeriodicTimerSignalsUntilCancelled) {
  const auto start = steady::now();
  timer_.m_setMilliseconds(10, 15);
  for (int i = 0; i < 3; ++i) ASSERT_EQ(wait_.m_wait(5000), 1);
  EXPECT_GE(msSince(start), 10 + 2 * 15);
  timer_.m_cancel();
  EXPECT_EQ(wait_.m_wait(45), -1);
}

TEST_F(SyncObjectWaitMultiple, ASocketWaitReportsTheObjectFirstThenTheSocketThenTheTimeOut) {
  int sockets[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
  c_event stop;
  wait_.m_add(&stop);
  EXPECT_EQ(wait_.m_waitOrDescriptor(sockets[0], c_descriptorReadable, 10), -1);
  ASSERT_EQ(::write(sockets[1], "x", 1), 1);
  EXPECT_EQ(wait_.m_waitOrDescriptor(sockets[0], c_descriptorReadable, -1), c_waitMultiple::descriptorReady);
  EXPECT_EQ(wait_.m_getLastResult(), c_waitMultiple::descriptorReady);
  stop.m_set();
  EXPECT_EQ(wait_.m_waitOrDescriptor(sockets[0], c_descriptorReadable, -1), 1);
  EXPECT_EQ(wait_.m_waitOrDescriptor(-1, c_descriptorReadable, -1), 0);
  ::close(sockets[0]);
  ::close(sockets[1]);
}

TEST(SyncObjectGuards, LockReleasesAtTheEndOfItsScope) {
  c_semaphore semaphore(1, 1);
  c_waitMultiple wait;
  wait.m_add(&semaphore);
  {
    c_lock lock(&semaphore, -1);
    EXPECT_EQ(wait.m_wait(0), -1);
  }
  EXPECT_EQ(wait.m_wait(0), 1);
}

TEST(SyncObjectGuards, WaitTakesOnceAndSignalGivesOnce) {
  c_semaphore semaphore(1, 5);
  c_waitMultiple wait;
  wait.m_add(&semaphore);
  { c_wait taken(&semaphore, -1); }
  EXPECT_EQ(wait.m_wait(0), -1);
  { c_signal given(&semaphore); }
  { c_signal given(&semaphore); }
  EXPECT_EQ(wait.m_wait(0), 1);
  EXPECT_EQ(wait.m_wait(0), 1);
  EXPECT_EQ(wait.m_wait(0), -1);
  c_lock nothing(nullptr, -1);
  c_wait none(nullptr, -1);
  c_signal noSignal(nullptr);
}

}  // namespace
