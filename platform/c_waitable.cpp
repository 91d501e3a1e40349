#include "platform/c_waitable.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <thread>

#include "platform/c_clock.h"

static_assert(c_descriptorReadable == POLLIN && c_descriptorWritable == POLLOUT);

// Wakes a thread that sleeps in a descriptor wait. Ignored by default and sent by
// nothing else the TM runs, so that a stray one harms no one.
constexpr int c_waitWakeSignal = SIGURG;

// What a waiting thread is woken through; lives on the waiter's stack. A plain
// wait sleeps on a condition variable. A descriptor wait sleeps in ppoll and is
// woken by the wake signal sent to its thread, so that it needs no descriptor of
// its own: a link's waits go on working when the process has none left.
class c_waitRecord {
 public:
  enum class c_sleep { onCondition, inPoll };
  explicit c_waitRecord(c_sleep sleep = c_sleep::onCondition) : inPoll_(sleep == c_sleep::inPoll) {}

  // Called with the lock of the timed waiters, or for an object's waiter between
  // m_wakeComing and m_wakeDone: either keeps the record alive. The wake goes out
  // after the record's own lock is given back, so that the woken thread does not
  // wake only to wait for that lock.
  void m_wake() {
    {
      c_mutexGuard lock(mutex_);
      if (woken_) return;
      woken_ = true;
      signalled_ = signalled_ || inPoll_;
    }
    if (!inPoll_) {
      wake_.notify_one();
      return;
    }
    // The waiter blocks the signal outside its ppoll, so one sent before it sleeps
    // stays pending and ends the sleep at once. Cannot fail for a live thread, and
    // the thread lives while the record is registered anywhere.
    ::pthread_kill(thread_, c_waitWakeSignal);
  }
  void m_clear() {
    c_mutexGuard lock(mutex_);
    woken_ = false;
  }
  // Sleeps until woken or, unless negative, until sleepNs have passed.
  // Left out of the analysis, predicate too: the condition variable needs the
  // std::mutex itself, which the analysis does not know as mutex_.
  void m_sleep(std::int64_t sleepNs) TM_NO_THREAD_SAFETY_ANALYSIS {
    std::unique_lock lock(mutex_.m_native());
    const auto woken = [this]() TM_NO_THREAD_SAFETY_ANALYSIS { return woken_; };
    if (sleepNs < 0)
      wake_.wait(lock, woken);
    else
      wake_.wait_for(lock, std::chrono::nanoseconds(sleepNs), woken);
  }
  // An object's waker found the record under the object's lock and wakes it after
  // that lock is given back; the waiter, once unregistered everywhere, lets such
  // a wake end before its record goes away (m_awaitWakes). It is a few
  // instructions and at most one system call away.
  void m_wakeComing() { wakesComing_.fetch_add(1, std::memory_order_relaxed); }
  void m_wakeDone() { wakesComing_.fetch_sub(1, std::memory_order_release); }
  void m_awaitWakes() const {
    while (wakesComing_.load(std::memory_order_acquire) != 0) std::this_thread::yield();
  }
  // Whether a wake signal went to the thread; read once nothing can wake the record any more.
  bool m_wasSignalled() {
    c_mutexGuard lock(mutex_);
    return signalled_;
  }

 private:
  c_annotatedMutex mutex_;
  std::condition_variable wake_;
  bool woken_ TM_GUARDED_BY(mutex_) = false;
  bool signalled_ TM_GUARDED_BY(mutex_) = false;
  const bool inPoll_;
  const pthread_t thread_ = ::pthread_self();
  std::atomic<int> wakesComing_{0};
};

// The waits' access to what an object keeps from its users.
struct c_waitAccess {
  static bool m_tryAcquire(c_waitable* object) { return object->m_tryAcquire(); }
  static std::int64_t m_readyAt(c_waitable* object) { return object->m_readyAt(); }
  static void m_register(c_waitable* object, c_waitRecord* record) { object->m_register(record); }
  static void m_unregister(c_waitable* object, c_waitRecord* record) { object->m_unregister(record); }
  static constexpr std::int64_t never = c_waitable::never;
};

void c_waitable::m_wakeWaitersLocked(c_wakeUps& wakeUps) {
  for (c_waitRecord* record : waiters_) {
    record->m_wakeComing();
    if (wakeUps.count_ < c_wakeUps::inPlace)
      wakeUps.first_[wakeUps.count_++] = record;
    else
      wakeUps.more_.push_back(record);
  }
}

c_waitable::c_wakeUps::~c_wakeUps() {
  const auto wake = [](c_waitRecord* record) {
    record->m_wake();
    record->m_wakeDone();
  };
  for (std::size_t i = 0; i < count_; ++i) wake(first_[i]);
  for (c_waitRecord* record : more_) wake(record);
}

void c_waitable::m_register(c_waitRecord* record) {
  c_mutexGuard lock(mutex_);
  waiters_.push_back(record);
  waiterCount_.fetch_add(1);
}

void c_waitable::m_unregister(c_waitRecord* record) {
  c_mutexGuard lock(mutex_);
  auto found = std::find(waiters_.begin(), waiters_.end(), record);
  if (found == waiters_.end()) return;
  waiters_.erase(found);
  waiterCount_.fetch_sub(1);
}

std::uint64_t c_newThreadKey() {
  static std::atomic<std::uint64_t> next{0};
  return next.fetch_add(1) + 1;
}

namespace {

constexpr std::int64_t never = c_waitAccess::never;
// Longer time-outs than this count as waiting for ever; it keeps the deadline
// arithmetic far from overflow.
constexpr std::int64_t foreverMs = std::int64_t{100} * 366 * 24 * 3600 * 1000;
// What a sleep reports when the wait goes on.
constexpr int keepWaiting = INT_MIN;

// The waiters that a move of the monotonic clock concerns: those with a time-out
// or a timer. Never destroyed, so that a thread still waiting at exit finds it.
struct c_timedWaiters {
  c_annotatedMutex mutex;
  std::vector<c_waitRecord*> records TM_GUARDED_BY(mutex);
  std::uint64_t entered TM_GUARDED_BY(mutex) = 0;
};

c_timedWaiters& timedWaiters() {
  static c_timedWaiters* const waiters = new c_timedWaiters;
  return *waiters;
}

// Enters a record in the timed waiters when its wait first has a time to keep,
// so that waits for ever never touch the shared list.
class c_timedWaiterEntry {
 public:
  explicit c_timedWaiterEntry(c_waitRecord* record) : record_(record) {}
  ~c_timedWaiterEntry() {
    if (!entered_) return;
    c_timedWaiters& waiters = timedWaiters();
    c_mutexGuard lock(waiters.mutex);
    waiters.records.erase(std::find(waiters.records.begin(), waiters.records.end(), record_));
  }
  c_timedWaiterEntry(const c_timedWaiterEntry&) = delete;
  c_timedWaiterEntry& operator=(const c_timedWaiterEntry&) = delete;

  void m_enter() {
    if (entered_) return;
    c_timedWaiters& waiters = timedWaiters();
    c_mutexGuard lock(waiters.mutex);
    waiters.records.push_back(record_);
    ++waiters.entered;
    entered_ = true;
  }

 private:
  c_waitRecord* const record_;
  bool entered_ = false;
};

bool validObjects(c_waitable* const* objects, std::size_t count) {
  if (count > c_waitMaximumObjects || (count > 0 && objects == nullptr)) return false;
  return std::none_of(objects, objects + count, [](c_waitable* object) { return object == nullptr; });
}

int firstAcquired(c_waitable* const* objects, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    if (c_waitAccess::m_tryAcquire(objects[i])) return static_cast<int>(i);
  return -1;
}

// The blocking part of both waits, entered after a first test found nothing ready.
// sleep(sleepNs) sleeps until the record is woken or, unless sleepNs is negative,
// that time has passed, and reports keepWaiting, c_waitDescriptorReady or c_waitFailed.
template <typename Sleep>
int waitWithRecord(c_waitable* const* objects, std::size_t count, std::int64_t timeoutMs, c_waitRecord& record,
                   Sleep sleep) {
  const bool forever = timeoutMs < 0 || timeoutMs >= foreverMs;
  const std::int64_t deadline = forever ? never : c_clock::m_monotonicNanoseconds() + timeoutMs * 1'000'000;

  for (std::size_t i = 0; i < count; ++i) c_waitAccess::m_register(objects[i], &record);
  c_timedWaiterEntry timed(&record);
  int result = keepWaiting;
  while (result == keepWaiting) {
    record.m_clear();
    result = firstAcquired(objects, count);
    if (result >= 0) break;
    std::int64_t wakeAt = deadline;
    for (std::size_t i = 0; i < count; ++i) wakeAt = std::min(wakeAt, c_waitAccess::m_readyAt(objects[i]));
    // Entered before the clock is read, so a move of the clock after the reading wakes this wait.
    if (wakeAt != never) timed.m_enter();
    const bool onTestClock = c_clock::m_monotonicIsFixed();
    const std::int64_t now = c_clock::m_monotonicNanoseconds();
    if (now >= deadline) {
      result = c_waitTimedOut;
      break;
    }
    // A fixed clock moves only when a test moves it, and that wakes the record.
    const std::int64_t sleepNs = wakeAt == never || onTestClock ? -1 : wakeAt <= now ? 0 : wakeAt - now;
    result = sleep(sleepNs);
    // Objects come first: one that became ready meanwhile wins over the descriptor.
    if (result == c_waitDescriptorReady) {
      const int taken = firstAcquired(objects, count);
      if (taken >= 0) result = taken;
    }
  }
  for (std::size_t i = 0; i < count; ++i) c_waitAccess::m_unregister(objects[i], &record);
  record.m_awaitWakes();
  return result;
}

// Whether the descriptor is ready for events after waiting up to sleepNs
// (negative: for ever) or until a signal that sleepMask lets through arrives;
// without a mask it only looks.
int pollDescriptor(int descriptor, short events, std::int64_t sleepNs, const sigset_t* sleepMask) {
  pollfd watched{descriptor, events, 0};
  timespec sleepFor{};
  if (sleepNs >= 0)
    sleepFor = {static_cast<time_t>(sleepNs / 1'000'000'000), static_cast<long>(sleepNs % 1'000'000'000)};
  const int ready = sleepMask == nullptr ? ::poll(&watched, 1, 0)
                                         : ::ppoll(&watched, 1, sleepNs < 0 ? nullptr : &sleepFor, sleepMask);
  if (ready < 0) return errno == EINTR ? keepWaiting : c_waitFailed;
  if ((watched.revents & POLLNVAL) != 0) return c_waitFailed;
  if ((watched.revents & (events | POLLERR | POLLHUP)) != 0) return c_waitDescriptorReady;
  return keepWaiting;
}

void ignoreWakeSignal(int) {}

// Keeps the wake signal blocked on the calling thread for one descriptor wait,
// except inside its ppoll, and gives the thread back its own mask afterwards with
// no wake signal left pending.
class c_wakeSignalBlock {
 public:
  c_wakeSignalBlock() {
    // Once per process: a handler, so that the signal interrupts ppoll instead of
    // being discarded as ignored. ppoll is never restarted; any other call that a
    // stray one from outside interrupts is.
    [[maybe_unused]] static const bool installed = [] {
      struct sigaction action {};
      action.sa_handler = ignoreWakeSignal;
      action.sa_flags = SA_RESTART;
      sigemptyset(&action.sa_mask);
      return ::sigaction(c_waitWakeSignal, &action, nullptr) == 0;
    }();
    sigemptyset(&wakeOnly_);
    sigaddset(&wakeOnly_, c_waitWakeSignal);
    ::pthread_sigmask(SIG_BLOCK, &wakeOnly_, &saved_);
    sleepMask_ = saved_;
    sigdelset(&sleepMask_, c_waitWakeSignal);
  }
  c_wakeSignalBlock(const c_wakeSignalBlock&) = delete;
  c_wakeSignalBlock& operator=(const c_wakeSignalBlock&) = delete;

  // Called once no one can wake the record any more: a signal that came after the
  // last sleep is taken here, so that it interrupts nothing later on.
  void m_end(bool signalled) {
    if (signalled) {
      const timespec now{};
      while (::sigtimedwait(&wakeOnly_, nullptr, &now) == c_waitWakeSignal) {
      }
    }
    ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
  }
  const sigset_t* m_sleepMask() const { return &sleepMask_; }

 private:
  sigset_t wakeOnly_;
  sigset_t saved_;
  sigset_t sleepMask_;
};

}  // namespace

int c_waitForAny(c_waitable* const* objects, std::size_t count, std::int64_t timeoutMs) {
  if (count == 0 || !validObjects(objects, count)) return c_waitFailed;
  const int taken = firstAcquired(objects, count);
  if (taken >= 0) return taken;
  if (timeoutMs == 0) return c_waitTimedOut;

  c_waitRecord record;
  return waitWithRecord(objects, count, timeoutMs, record, [&record](std::int64_t sleepNs) {
    record.m_sleep(sleepNs);
    return keepWaiting;
  });
}

int c_waitForAnyOrDescriptor(c_waitable* const* objects, std::size_t count, int descriptor, short pollEvents,
                             std::int64_t timeoutMs) {
  if (descriptor < 0 || !validObjects(objects, count)) return c_waitFailed;
  const int taken = firstAcquired(objects, count);
  if (taken >= 0) return taken;
  const int atOnce = pollDescriptor(descriptor, pollEvents, 0, nullptr);
  if (atOnce != keepWaiting) return atOnce;
  if (timeoutMs == 0) return c_waitTimedOut;

  c_wakeSignalBlock block;
  c_waitRecord record(c_waitRecord::c_sleep::inPoll);
  const int result = waitWithRecord(objects, count, timeoutMs, record, [&](std::int64_t sleepNs) {
    return pollDescriptor(descriptor, pollEvents, sleepNs, block.m_sleepMask());
  });
  block.m_end(record.m_wasSignalled());
  return result;
}

void c_wakeTimedWaiters() {
  c_timedWaiters& waiters = timedWaiters();
  c_mutexGuard lock(waiters.mutex);
  for (c_waitRecord* record : waiters.records) record->m_wake();
}

std::size_t c_timedWaiterCount() {
  c_timedWaiters& waiters = timedWaiters();
  c_mutexGuard lock(waiters.mutex);
  return waiters.records.size();
}

std::uint64_t c_timedWaitsEntered() {
  c_timedWaiters& waiters = timedWaiters();
  c_mutexGuard lock(waiters.mutex);
  return waiters.entered;
}
