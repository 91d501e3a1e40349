#pragma once
// c_waitable: the one wait-for-any mechanism behind the system's locks, counters,
// timers and stop events, so that any of them can stand in a multiple wait and
// every wait can have a time-out.
//
// A waiting thread registers a private wake-up record with every object it waits
// for and only then tests the objects, in the order given, taking the first ready
// one and no other. Whatever can make an object ready (a release, a set, a timer
// armed anew) wakes the registered threads, which test again; because they
// registered before testing, no change between a test and the sleep is missed.
// A timer becomes ready by itself, so a waiter sleeps no longer than the earliest
// due time among its objects.
//
// Time-outs and due times are read from c_clock's monotonic clock. When a test has
// fixed that clock, a waiter with a time-out or a timer sleeps until the test moves
// the clock on (c_clock wakes every such waiter), never on real time.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/c_annotatedmutex.h"

class c_waitRecord;
struct c_waitAccess;

class c_waitable {
 public:
  c_waitable(const c_waitable&) = delete;
  c_waitable& operator=(const c_waitable&) = delete;
  // The owner destroys an object only when no thread waits for it any more.
  virtual ~c_waitable() = default;

 protected:
  // A point on c_clock's monotonic clock, in nanoseconds; never: not by itself.
  static constexpr std::int64_t never = std::numeric_limits<std::int64_t>::max();

  c_waitable() = default;

  // Takes the object for the calling thread when it is ready (one count, the
  // ownership, an auto-reset signal) and reports whether it did. Never blocks.
  virtual bool m_tryAcquire() = 0;
  // When the object will become ready without anyone releasing it (a timer's due time).
  virtual std::int64_t m_readyAt() { return never; }

  // The threads to wake after a change of the object: gathered under its lock
  // and woken when the list is destroyed. Declared before the lock guard, so
  // that the wake-ups go out once the lock is given back and a woken thread
  // does not wake only to wait for it.
  class c_wakeUps {
   public:
    c_wakeUps() = default;
    c_wakeUps(const c_wakeUps&) = delete;
    c_wakeUps& operator=(const c_wakeUps&) = delete;
    ~c_wakeUps();

   private:
    friend class c_waitable;
    static constexpr std::size_t inPlace = 4;
    c_waitRecord* first_[inPlace] = {};
    std::size_t count_ = 0;
    std::vector<c_waitRecord*> more_;
  };

  // Adds every thread registered with this object to wakeUps.
  void m_wakeWaitersLocked(c_wakeUps& wakeUps) TM_REQUIRES(mutex_);
  bool m_hasWaiters() const { return waiterCount_.load() > 0; }

  c_annotatedMutex mutex_;  // also guards whatever state a subclass keeps under it

 private:
  friend struct c_waitAccess;
  void m_register(c_waitRecord* record);
  void m_unregister(c_waitRecord* record);

  std::vector<c_waitRecord*> waiters_ TM_GUARDED_BY(mutex_);
  // Read without mutex_ by a releasing mutex owner, to skip the wake-up when nobody waits.
  std::atomic<int> waiterCount_{0};
};

inline constexpr int c_waitTimedOut = -1;
inline constexpr int c_waitFailed = -2;
inline constexpr int c_waitDescriptorReady = -3;
inline constexpr std::size_t c_waitMaximumObjects = 64;

// Waits until one of the objects is ready and takes it: the result is its index.
// When several are ready, the lowest index wins and only that one is taken.
// A negative time-out waits for ever; 0 only tests. c_waitTimedOut when the time
// passed first; c_waitFailed for no objects, too many, or a null one.
int c_waitForAny(c_waitable* const* objects, std::size_t count, std::int64_t timeoutMs);

// What a descriptor wait watches for (the values of poll's POLLIN and POLLOUT).
inline constexpr short c_descriptorReadable = 0x001;
inline constexpr short c_descriptorWritable = 0x004;

// As c_waitForAny, and also returns c_waitDescriptorReady when the descriptor is
// ready for pollEvents (or has an error or hang-up) and none of the objects is:
// the objects are tested first, so a set stop event wins over readable data. The
// object list may be empty. c_waitFailed also for a bad descriptor. A thread
// blocked on a socket this way wakes as soon as one of the objects becomes ready.
// The wait takes no descriptor, so it works also when the process has none left:
// the thread is woken by SIGURG, which is the waits' own (the first blocking wait
// gives it a handler; it stays blocked on the waiting thread outside the sleep).
int c_waitForAnyOrDescriptor(c_waitable* const* objects, std::size_t count, int descriptor, short pollEvents,
                             std::int64_t timeoutMs);

// c_clock calls it whenever a test fixes, moves or releases the monotonic clock:
// every waiter with a time-out or a timer tests its objects and its time again.
void c_wakeTimedWaiters();
// How many waits keep a time on the monotonic clock now (a time-out or a timer).
// A test that moves a fixed clock first waits until its threads are among them.
std::size_t c_timedWaiterCount();
// How many waits have begun to keep a time so far. A test that moves the clock
// step by step waits for it to grow, so that it never moves the clock for a wait
// that has already ended.
std::uint64_t c_timedWaitsEntered();

// A key for the calling thread that no other thread of the process ever has (never 0).
std::uint64_t c_newThreadKey();
inline std::uint64_t c_threadKey() {
  static thread_local std::uint64_t key = 0;
  if (key == 0) key = c_newThreadKey();
  return key;
}
