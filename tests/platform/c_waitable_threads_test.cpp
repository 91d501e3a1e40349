#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/c_eventwaitable.h"
#include "platform/c_mutexwaitable.h"
#include "platform/c_semaphorewaitable.h"
#include "platform/c_timerwaitable.h"
#include "platform/c_waitable.h"

namespace {

int waitFor(std::vector<c_waitable*> objects, std::int64_t timeoutMs) {
  return c_waitForAny(objects.data(), objects.size(), timeoutMs);
}

TEST(MutexWaitableThreads, AThreadThatDoesNotOwnItCannotReleaseIt) {
  c_mutexWaitable mutex;
  ASSERT_TRUE(mutex.m_lock(-1));
  bool released = true, taken = true;
  std::thread([&] {
    released = mutex.m_unlock();
    taken = mutex.m_lock(10);
  }).join();
  EXPECT_FALSE(released);
  EXPECT_FALSE(taken);
  EXPECT_TRUE(mutex.m_isHeldByCaller());
  EXPECT_TRUE(mutex.m_unlock());
}

TEST(MutexWaitableThreads, AMultipleWaitGetsTheMutexWhenItsOwnerReleasesIt) {
  c_mutexWaitable mutex;
  c_semaphoreWaitable empty(0, 1);
  ASSERT_TRUE(mutex.m_lock(-1));
  std::atomic<int> result{-100};
  std::atomic<bool> ownedThere{false};
  std::thread waiter([&] {
    result = waitFor({&empty, &mutex}, -1);
    ownedThere = mutex.m_isHeldByCaller();
    mutex.m_unlock();
  });
  EXPECT_EQ(result.load(), -100);
  EXPECT_TRUE(mutex.m_unlock());
  waiter.join();
  EXPECT_EQ(result.load(), 1);
  EXPECT_TRUE(ownedThere.load());
  EXPECT_TRUE(mutex.m_lock(0));
  mutex.m_unlock();
}

TEST(SemaphoreWaitableThreads, EveryReleaseIsTakenExactlyOnce) {
  c_semaphoreWaitable semaphore(0, 1'000'000);
  constexpr int producers = 3, each = 2000;
  std::atomic<int> taken{0};
  std::thread consumer([&] {
    for (int i = 0; i < producers * each; ++i)
      if (waitFor({&semaphore}, -1) == 0) ++taken;
  });
  std::vector<std::thread> threads;
  for (int p = 0; p < producers; ++p)
    threads.emplace_back([&] {
      for (int i = 0; i < each; ++i) EXPECT_TRUE(semaphore.m_release(1));
    });
  for (auto& thread : threads) thread.join();
  consumer.join();
  EXPECT_EQ(taken.load(), producers * each);
  EXPECT_EQ(semaphore.m_count(), 0);
}

TEST(TimerWaitableThreads, ArmingATimerWakesAThreadThatWaitsForEver) {
  c_timerWaitable timer(false);
  c_semaphoreWaitable empty(0, 1);
  std::atomic<int> result{-100};
  std::thread waiter([&] { result = waitFor({&empty, &timer}, -1); });
  timer.m_set(5, 0);
  waiter.join();
  EXPECT_EQ(result.load(), 1);
}

TEST(EventWaitableThreads, SettingTheEventReleasesEveryWaitingThread) {
  c_eventWaitable stop;
  c_semaphoreWaitable empty(0, 1);
  std::atomic<int> released{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t)
    threads.emplace_back([&] {
      if (waitFor({&empty, &stop}, -1) == 1) ++released;
    });
  stop.m_set();
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(released.load(), 3);
}

}  // namespace
