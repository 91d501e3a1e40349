#include "core/c_syncObject.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// The result of a multiple wait over the one object, run on another thread.
int waitElsewhere(c_syncObject& object, int timeoutMs) {
  int result = -100;
  std::thread([&] {
    c_waitMultiple wait;
    wait.m_add(&object);
    result = wait.m_wait(timeoutMs);
    if (result == 1) object.m_unlock();
  }).join();
  return result;
}

TEST(SyncObjectMutexThreads, LockedTwiceAndUnlockedTwiceIsFreeForOthers) {
  c_mutex mutex;
  mutex.m_lock(-1);
  mutex.m_lock(-1);
  mutex.m_unlock();
  EXPECT_EQ(waitElsewhere(mutex, 20), -1) << "one lock is still held";
  mutex.m_unlock();
  EXPECT_EQ(waitElsewhere(mutex, 5000), 1);
}

TEST(SyncObjectMutexThreads, AnUnlockByAnotherThreadChangesNothing) {
  c_mutex mutex;
  mutex.m_lock(-1);
  bool released = true;
  std::thread([&] { released = mutex.m_unlock(); }).join();
  EXPECT_FALSE(released);
  EXPECT_EQ(waitElsewhere(mutex, 0), -1);
  EXPECT_TRUE(mutex.m_unlock());
  EXPECT_EQ(waitElsewhere(mutex, 0), 1);
}

TEST(SyncObjectMutexThreads, LockGuardsKeepACounterExact) {
  c_mutex mutex;
  long counter = 0;  // guarded by mutex
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 5000; ++i) {
        c_lock outer(&mutex, -1);
        c_lock inner(&mutex, -1);
        ++counter;
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 4 * 5000);
}

TEST(SyncObjectWaitThreads, TheStopEventEndsAWaitForEverOverALineHandlersObjects) {
  c_semaphore wakeUp(0, 1), queue(0, 1'000'000);
  c_waitableTimer timers[4] = {c_waitableTimer(false), c_waitableTimer(false), c_waitableTimer(false),
                               c_waitableTimer(false)};
  c_event stop;
  std::atomic<int> result{-100};
  std::thread handler([&] {
    c_waitMultiple wait;
    wait.m_add(&wakeUp);
    wait.m_add(&queue);
    for (auto& timer : timers) wait.m_add(&timer);
    wait.m_add(&stop);
    while (true) {
      int got = wait.m_wait(-1);
      if (got != 1 && got != 2) {
        result = got;
        return;
      }
    }
  });
  queue.m_unlock();
  wakeUp.m_unlock();
  stop.m_set();
  handler.join();
  EXPECT_EQ(result.load(), 7);
}

TEST(SyncObjectWaitThreads, ASemaphoreReleasedOnOneThreadWakesAWaiterOnAnother) {
  c_semaphore semaphore(0, 1);
  std::atomic<int> result{-100};
  std::thread waiter([&] {
    c_waitMultiple wait;
    wait.m_add(&semaphore);
    result = wait.m_wait(-1);
  });
  { c_signal given(&semaphore); }
  waiter.join();
  EXPECT_EQ(result.load(), 1);
}

}  // namespace
