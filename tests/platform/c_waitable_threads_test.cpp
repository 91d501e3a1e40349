#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/c_clock.h"
#include "platform/c_eventwaitable.h"
#include "platform/c_mutexwaitable.h"
#include "platform/c_semaphorewaitable.h"
#include "platform/c_timerwaitable.h"
#include "platform/c_waitable.h"
#include "tests/support/c_descriptorsqueeze.h"

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

TEST(MutexWaitableThreads, WaitersForEverAndMultipleWaitersShareItWithoutLosingAWakeUp) {
  c_mutexWaitable mutex;
  c_semaphoreWaitable empty(0, 1);
  long counter = 0;  // guarded by mutex
  constexpr int each = 3000;
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < each; ++i) {
        if (t % 2 == 0)
          ASSERT_TRUE(mutex.m_lock(-1));
        else
          ASSERT_EQ(waitFor({&empty, &mutex}, -1), 1);
        ASSERT_TRUE(mutex.m_lock(0)) << "the owner takes it again";
        ++counter;
        mutex.m_unlock();
        mutex.m_unlock();
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, 6 * each);
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

std::size_t entriesIn(const char* directory) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory)) ++count;
  return count;
}

// A socket pair nobody writes to; at the end the process has the threads and
// descriptors it had before the test.
class DescriptorWaitThreads : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets_), 0); }
  void TearDown() override {
    ::close(sockets_[0]);
    ::close(sockets_[1]);
    c_clock::m_useSystemClocks();
    EXPECT_EQ(entriesIn("/proc/self/task"), threads_);
    EXPECT_EQ(entriesIn("/proc/self/fd"), descriptors_);
  }
  // Waits on its own thread for the socket or one of the objects.
  void m_startWaiting(std::vector<c_waitable*> objects, std::int64_t timeoutMs, bool withSocket = true) {
    result_ = -100;
    waiter_ = std::thread([=, this] {
      result_ = withSocket ? c_waitForAnyOrDescriptor(objects.data(), objects.size(), sockets_[0],
                                                      c_descriptorReadable, timeoutMs)
                           : c_waitForAny(objects.data(), objects.size(), timeoutMs);
    });
  }
  // On a fixed clock: until the waiter has its time on the clock, so that a move
  // counts (or it has ended already).
  void m_untilTimedWaiters(std::size_t count) {
    while (c_timedWaiterCount() < count && result_.load() == -100) std::this_thread::yield();
  }
  int m_result() {
    waiter_.join();
    return result_.load();
  }

  // ThreadSanitizer adds a thread of its own when the first thread starts; that one
  // belongs in the baseline.
  const std::size_t threads_ = (std::thread([] {}).join(), entriesIn("/proc/self/task"));
  const std::size_t descriptors_ = entriesIn("/proc/self/fd");
  int sockets_[2] = {-1, -1};
  std::thread waiter_;
  std::atomic<int> result_{-100};
};

TEST_F(DescriptorWaitThreads, AThreadBlockedOnASocketWakesWhenItsStopEventIsSet) {
  c_semaphoreWaitable wakeUp(0, 1);
  c_eventWaitable stop;
  m_startWaiting({&wakeUp, &stop}, -1);
  stop.m_set();
  EXPECT_EQ(m_result(), 1);
}

TEST_F(DescriptorWaitThreads, AThreadBlockedOnASocketWakesWhenItsSemaphoreIsReleased) {
  c_semaphoreWaitable wakeUp(0, 1);
  c_eventWaitable stop;
  m_startWaiting({&wakeUp, &stop}, -1);
  ASSERT_TRUE(wakeUp.m_release());
  EXPECT_EQ(m_result(), 0);
  EXPECT_EQ(wakeUp.m_count(), 0);
}

TEST_F(DescriptorWaitThreads, AThreadBlockedOnASocketWakesWhenDataArrives) {
  c_eventWaitable stop;
  m_startWaiting({&stop}, -1);
  ASSERT_EQ(::write(sockets_[1], "x", 1), 1);
  EXPECT_EQ(m_result(), c_waitDescriptorReady);
}

TEST_F(DescriptorWaitThreads, A300SecondTimerFiresWhenTheTestClockMoves300Seconds) {
  c_clock::m_fixMonotonic(1'000'000);
  c_timerWaitable keepAlive(false);
  c_eventWaitable stop;
  keepAlive.m_set(300'000, 0);
  m_startWaiting({&stop, &keepAlive}, -1);
  m_untilTimedWaiters(1);
  c_clock::m_advanceMonotonic(299'999);
  std::this_thread::yield();
  EXPECT_EQ(result_.load(), -100) << "not before its time";
  c_clock::m_advanceMonotonic(1);
  EXPECT_EQ(m_result(), 1);
}

// A blocked socket wait holds no descriptor of its own: while it sleeps the count
// is what it was, and with none left it sleeps and wakes by each of its causes
// (not under the checker of dynamic types, which needs descriptors itself).
TEST_F(DescriptorWaitThreads, ABlockedWaitTakesNoDescriptorAndWorksWithNoneLeft) {
  struct c_case {
    const char* wake;
    std::function<void(c_semaphoreWaitable&, c_eventWaitable&)> m_wake;
    int expected;
  };
  const int writeEnd = sockets_[1];
  const c_case cases[] = {
      {"stop event", [](c_semaphoreWaitable&, c_eventWaitable& stop) { stop.m_set(); }, 1},
      {"semaphore", [](c_semaphoreWaitable& wakeUp, c_eventWaitable&) { wakeUp.m_release(); }, 0},
      {"data", [writeEnd](c_semaphoreWaitable&, c_eventWaitable&) { EXPECT_EQ(::write(writeEnd, "x", 1), 1); },
       c_waitDescriptorReady},
      {"time-out", [](c_semaphoreWaitable&, c_eventWaitable&) { c_clock::m_advanceMonotonic(60'000); },
       c_waitTimedOut},
  };
  c_clock::m_fixMonotonic(1'000'000);
  const std::size_t before = entriesIn("/proc/self/fd");
  for (const bool noneLeft : {false, true}) {
    if (noneLeft && c_checksDynamicTypes()) continue;
    for (const c_case& each : cases) {
      SCOPED_TRACE(std::string(each.wake) + (noneLeft ? ", no descriptor left" : ""));
      c_semaphoreWaitable wakeUp(0, 1);
      c_eventWaitable stop;
      {
        std::optional<c_descriptorSqueeze> full;
        if (noneLeft) {
          full.emplace(1);
          full->m_takeUpTo(1);
          ASSERT_EQ(::fcntl(sockets_[0], F_DUPFD, 0), -1);
          ASSERT_EQ(errno, EMFILE);
        }
        m_startWaiting({&wakeUp, &stop}, 60'000);
        m_untilTimedWaiters(1);
        if (!noneLeft) {
          EXPECT_EQ(entriesIn("/proc/self/fd"), before) << "while it sleeps";
        }
        each.m_wake(wakeUp, stop);
        EXPECT_EQ(m_result(), each.expected);
      }
      char drained = 0;
      if (each.expected == c_waitDescriptorReady) {
        ASSERT_EQ(::read(sockets_[0], &drained, 1), 1);
      }
    }
  }
}

// Five seconds of waiting on the fixed clock, with and without a socket.
class TestClockTimeOutThreads : public DescriptorWaitThreads, public ::testing::WithParamInterface<bool> {};

TEST_P(TestClockTimeOutThreads, AFiveSecondWaitTimesOutWhenTheClockMovesFiveSeconds) {
  c_clock::m_fixMonotonic(1'000'000);
  c_eventWaitable stop;
  m_startWaiting({&stop}, 5000, GetParam());
  m_untilTimedWaiters(1);
  c_clock::m_advanceMonotonic(4999);
  std::this_thread::yield();
  EXPECT_EQ(result_.load(), -100) << "not before its time";
  c_clock::m_advanceMonotonic(1);
  EXPECT_EQ(m_result(), c_waitTimedOut);
}

INSTANTIATE_TEST_SUITE_P(PlainAndSocket, TestClockTimeOutThreads, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Socket" : "Plain"; });

}  // namespace
