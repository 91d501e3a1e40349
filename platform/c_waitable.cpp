#include "platform/c_waitable.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>

#include "platform/c_clock.h"

static_assert(c_descriptorReadable == POLLIN && c_descriptorWritable == POLLOUT);

// What a waiting thread is woken through; lives on the waiter's stack. A plain
// wait sleeps on a condition variable; a descriptor wait sleeps in poll and is
// woken through an eventfd that poll watches beside the descriptor.
class c_waitRecord {
 public:
  explicit c_waitRecord(int wakeDescriptor = -1) : wakeDescriptor_(wakeDescriptor) {}

  void m_wake() {
    std::lock_guard lock(mutex_);
    if (woken_) return;
    woken_ = true;
    if (wakeDescriptor_ < 0) {
      wake_.notify_one();
      return;
    }
    const std::uint64_t one = 1;
    // Cannot fail short of a counter overflow, which one write per clear rules out.
    [[maybe_unused]] const ssize_t written = ::write(wakeDescriptor_, &one, sizeof one);
  }
  void m_clear() {
    std::lock_guard lock(mutex_);
    if (!woken_) return;
    woken_ = false;
    if (wakeDescriptor_ < 0) return;
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t drained = ::read(wakeDescriptor_, &count, sizeof count);
  }
  // Sleeps until woken or, unless negative, until sleepNs have passed.
  void m_sleep(std::int64_t sleepNs) {
    std::unique_lock lock(mutex_);
    if (sleepNs < 0)
      wake_.wait(lock, [this] { return woken_; });
    else
      wake_.wait_for(lock, std::chrono::nanoseconds(sleepNs), [this] { return woken_; });
  }
  int m_wakeDescriptor() const { return wakeDescriptor_; }

 private:
  std::mutex mutex_;  // guards woken_ and the eventfd's count
  std::condition_variable wake_;
  bool woken_ = false;
  const int wakeDescriptor_;  // -1 for a plain wait
};

// The waits' access to what an object keeps from its users.
struct c_waitAccess {
  static bool m_tryAcquire(c_waitable* object) { return object->m_tryAcquire(); }
  static std::int64_t m_readyAt(c_waitable* object) { return object->m_readyAt(); }
  static void m_register(c_waitable* object, c_waitRecord* record) { object->m_register(record); }
  static void m_unregister(c_waitable* object, c_waitRecord* record) { object->m_unregister(record); }
  static constexpr std::int64_t never = c_waitable::never;
};

void c_waitable::m_wakeWaitersLocked() {
  for (c_waitRecord* record : waiters_) record->m_wake();
}

void c_waitable::m_register(c_waitRecord* record) {
  std::lock_guard lock(mutex_);
  waiters_.push_back(record);
  waiterCount_.fetch_add(1);
}

void c_waitable::m_unregister(c_waitRecord* record) {
  std::lock_guard lock(mutex_);
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
  std::mutex mutex;
  std::vector<c_waitRecord*> records;  // guarded by mutex
  std::uint64_t entered = 0;           // guarded by mutex
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
    std::lock_guard lock(waiters.mutex);
    waiters.records.erase(std::find(waiters.records.begin(), waiters.records.end(), record_));
  }
  c_timedWaiterEntry(const c_timedWaiterEntry&) = delete;
  c_timedWaiterEntry& operator=(const c_timedWaiterEntry&) = delete;

  void m_enter() {
    if (entered_) return;
    c_timedWaiters& waiters = timedWaiters();
    std::lock_guard lock(waiters.mutex);
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
  return result;
}

// Whether the descriptor is ready for events after waiting up to timeoutMs
// (negative: for ever) or until the wake descriptor becomes readable.
int pollDescriptor(int descriptor, short events, int wakeDescriptor, int timeoutMs) {
  pollfd watched[2] = {{descriptor, events, 0}, {wakeDescriptor, POLLIN, 0}};
  const int ready = ::poll(watched, wakeDescriptor < 0 ? 1 : 2, timeoutMs);
  if (ready < 0) return errno == EINTR ? keepWaiting : c_waitFailed;
  if ((watched[0].revents & POLLNVAL) != 0) return c_waitFailed;
  if ((watched[0].revents & (events | POLLERR | POLLHUP)) != 0) return c_waitDescriptorReady;
  return keepWaiting;
}

int pollTimeoutMs(std::int64_t sleepNs) {
  if (sleepNs < 0) return -1;
  return static_cast<int>(std::min<std::int64_t>((sleepNs + 999'999) / 1'000'000, INT_MAX));
}

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
  const int atOnce = pollDescriptor(descriptor, pollEvents, -1, 0);
  if (atOnce != keepWaiting) return atOnce;
  if (timeoutMs == 0) return c_waitTimedOut;

  // Made only for a wait that blocks, so that no descriptor outlives the wait.
  const int wakeDescriptor = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (wakeDescriptor < 0) return c_waitFailed;
  int result;
  {
    c_waitRecord record(wakeDescriptor);
    result = waitWithRecord(objects, count, timeoutMs, record, [&](std::int64_t sleepNs) {
      return pollDescriptor(descriptor, pollEvents, wakeDescriptor, pollTimeoutMs(sleepNs));
    });
  }
  ::close(wakeDescriptor);
  return result;
}

void c_wakeTimedWaiters() {
  c_timedWaiters& waiters = timedWaiters();
  std::lock_guard lock(waiters.mutex);
  for (c_waitRecord* record : waiters.records) record->m_wake();
}

std::size_t c_timedWaiterCount() {
  c_timedWaiters& waiters = timedWaiters();
  std::lock_guard lock(waiters.mutex);
  return waiters.records.size();
}

std::uint64_t c_timedWaitsEntered() {
  c_timedWaiters& waiters = timedWaiters();
  std::lock_guard lock(waiters.mutex);
  return waiters.entered;
}
