#pragma once
// The system's locks: a recursive mutex, a counting semaphore, a waitable timer
// and a manual-reset event share one interface (wait with a time-out, release),
// a multiple wait takes the first ready of up to ten of them, and three guards
// take and give them in constructors and destructors. A negative time-out waits
// for ever. Every object is safe to use from any thread; a c_waitMultiple and
// the guards belong to the thread that made them.

#include <cstdint>
#include <memory>

#include "platform/c_eventwaitable.h"
#include "platform/c_mutexwaitable.h"
#include "platform/c_semaphorewaitable.h"
#include "platform/c_threadsafety.h"
#include "platform/c_timerwaitable.h"
#include "platform/c_waitable.h"

// A lock to the thread-safety analysis, so that c_lock on a c_mutex is checked
// against the members it guards; on the other objects c_lock holds nothing that
// a member names.
class TM_CAPABILITY("mutex") c_syncObject {
 public:
  c_syncObject(const c_syncObject&) = delete;
  c_syncObject& operator=(const c_syncObject&) = delete;
  virtual ~c_syncObject() = default;

  // Waits for the object. False only when the object could not be made; true when
  // it was obtained and also when the time-out passed first, so a caller that must
  // know waits for ever or uses c_waitMultiple.
  virtual bool m_lock(int timeoutMs) = 0;
  virtual bool m_unlock() = 0;
  // The waitable behind the object; null when it could not be made.
  c_waitable* m_getHandle() const { return handle_; }

 protected:
  c_syncObject() = default;
  bool m_waitForHandle(int timeoutMs) {
    c_waitable* handle = handle_;
    return handle != nullptr && c_waitForAny(&handle, 1, timeoutMs) != c_waitFailed;
  }

  c_waitable* handle_ = nullptr;  // set by the subclass to the waitable it owns
};

// Re-entrant for the owning thread: each m_lock by the owner needs one m_unlock.
// Destroying it releases nothing; whoever destroys it must not hold it.
class c_mutex : public c_syncObject {
 public:
  c_mutex() { handle_ = &mutex_; }
  bool m_lock(int timeoutMs) override {
    mutex_.m_lock(timeoutMs);
    return true;
  }
  // True for a real release; from a thread that does not own the mutex, false and nothing changes.
  bool m_unlock() override { return mutex_.m_unlock(); }

 private:
  c_mutexWaitable mutex_;
};

// Counts across threads without owners. Counts outside 0 <= initial <= maximum,
// maximum >= 1, make no semaphore: every wait on it then fails.
class c_semaphore : public c_syncObject {
 public:
  c_semaphore(int initialCount, int maximumCount) {
    if (initialCount >= 0 && maximumCount >= 1 && initialCount <= maximumCount) {
      semaphore_ = std::make_unique<c_semaphoreWaitable>(initialCount, maximumCount);
      handle_ = semaphore_.get();
    }
  }
  // Takes one count.
  bool m_lock(int timeoutMs) override { return m_waitForHandle(timeoutMs); }
  // Gives one count; false, with nothing changed, when that would pass the maximum.
  bool m_unlock() override { return semaphore_ != nullptr && semaphore_->m_release(1); }

 private:
  std::unique_ptr<c_semaphoreWaitable> semaphore_;
};

// A timer on the monotonic clock, auto-reset (each signal serves one wait) or
// manual-reset (signalled until set again or cancelled).
class c_waitableTimer : public c_syncObject {
 public:
  explicit c_waitableTimer(bool manualReset) : timer_(manualReset) { handle_ = &timer_; }
  bool m_lock(int timeoutMs) override { return m_waitForHandle(timeoutMs); }
  bool m_unlock() override { return true; }
  // First signal after dueSeconds (at once when 0 or less), then every
  // periodSeconds (0: once). A negative period is refused and changes nothing.
  bool m_set(int dueSeconds, int periodSeconds) {
    return m_setMilliseconds(std::int64_t{dueSeconds} * 1000, std::int64_t{periodSeconds} * 1000);
  }
  bool m_setMilliseconds(std::int64_t dueMs, std::int64_t periodMs) {
    if (periodMs < 0) return false;
    timer_.m_set(dueMs, periodMs);
    return true;
  }
  // Also clears a signal the timer already gave.
  bool m_cancel() {
    timer_.m_cancel();
    return true;
  }

 private:
  c_timerWaitable timer_;
};

// A manual-reset event: set, it releases every wait until it is reset. The owner of
// a thread sets it to ask the thread to stop; the thread's waits and sleeps watch it.
class c_event : public c_syncObject {
 public:
  c_event() { handle_ = &event_; }
  // Waits until the event is set; does not reset it.
  bool m_lock(int timeoutMs) override { return m_waitForHandle(timeoutMs); }
  // Sets the event.
  bool m_unlock() override {
    event_.m_set();
    return true;
  }
  void m_set() { event_.m_set(); }
  void m_reset() { event_.m_reset(); }
  bool m_isSet() { return event_.m_isSet(); }
  // Sleeps up to timeoutMs; true as soon as the event is set (a stop request).
  bool m_sleep(int timeoutMs) {
    c_waitable* handle = &event_;
    return c_waitForAny(&handle, 1, timeoutMs) == 0;
  }

 private:
  c_eventWaitable event_;
};

// Waits for the first of up to ten objects; the order of m_add is the order of
// precedence when several are ready, and only the first ready one is taken.
class c_waitMultiple {
 public:
  static constexpr int maximumObjects = 10;

  // False when ten objects are already held or the object is null.
  bool m_add(c_syncObject* object) {
    if (object == nullptr || count_ == maximumObjects) return false;
    objects_[count_++] = object;
    return true;
  }
  // i + 1 for the object at position i, -1 when the time-out passed, 0 when the
  // wait failed (no objects, or one that could not be made). Kept as the last result.
  int m_wait(int timeoutMs) {
    c_waitable* handles[maximumObjects];
    if (!m_collectHandles(handles)) return lastResult_ = 0;
    return m_keep(c_waitForAny(handles, static_cast<std::size_t>(count_), timeoutMs));
  }

  static constexpr int descriptorReady = -2;
  // As m_wait, and also descriptorReady when the descriptor (a socket) is ready for
  // events (c_descriptorReadable and/or c_descriptorWritable; an error or hang-up
  // counts as ready) and none of the objects is. The objects are tested first, so a
  // set stop event wins over waiting data. Needs no objects; 0 for a bad descriptor.
  int m_waitOrDescriptor(int descriptor, short events, int timeoutMs) {
    c_waitable* handles[maximumObjects];
    if (!m_collectHandles(handles)) return lastResult_ = 0;
    return m_keep(c_waitForAnyOrDescriptor(handles, static_cast<std::size_t>(count_), descriptor, events, timeoutMs));
  }
  int m_getLastResult() const { return lastResult_; }

 private:
  bool m_collectHandles(c_waitable** handles) const {
    for (int i = 0; i < count_; ++i)
      if ((handles[i] = objects_[i]->m_getHandle()) == nullptr) return false;
    return true;
  }
  int m_keep(int waitResult) {
    lastResult_ = waitResult == c_waitTimedOut          ? -1
                  : waitResult == c_waitFailed          ? 0
                  : waitResult == c_waitDescriptorReady ? descriptorReady
                                                        : waitResult + 1;
    return lastResult_;
  }

  c_syncObject* objects_[maximumObjects] = {};  // not owned
  int count_ = 0;
  int lastResult_ = 0;
};

// Takes the object for the scope and releases it at the end, whatever the wait gave.
class TM_SCOPED_CAPABILITY c_lock {
 public:
  c_lock(c_syncObject* object, int timeoutMs) TM_ACQUIRE(object) : object_(object) {
    if (object_ != nullptr) object_->m_lock(timeoutMs);
  }
  ~c_lock() TM_RELEASE() {
    if (object_ != nullptr) object_->m_unlock();
  }
  c_lock(const c_lock&) = delete;
  c_lock& operator=(const c_lock&) = delete;

 private:
  c_syncObject* object_;
};

// Waits for the object once; releases nothing.
class c_wait {
 public:
  c_wait(c_syncObject* object, int timeoutMs) {
    if (object != nullptr) object->m_lock(timeoutMs);
  }
  c_wait(const c_wait&) = delete;
  c_wait& operator=(const c_wait&) = delete;
};

// Releases the object once.
class c_signal {
 public:
  explicit c_signal(c_syncObject* object) {
    if (object != nullptr) object->m_unlock();
  }
  c_signal(const c_signal&) = delete;
  c_signal& operator=(const c_signal&) = delete;
};
