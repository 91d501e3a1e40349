#pragma once
// A std::mutex the thread-safety analysis knows as a lock, and a guard that holds
// it for a scope. Members it guards say so with TM_GUARDED_BY.

#include <mutex>

#include "platform/c_threadsafety.h"

class TM_CAPABILITY("mutex") c_annotatedMutex {
 public:
  void lock() TM_ACQUIRE() { mutex_.lock(); }
  void unlock() TM_RELEASE() { mutex_.unlock(); }
  bool try_lock() TM_TRY_ACQUIRE(true) { return mutex_.try_lock(); }
  // For a std::condition_variable wait; the function that waits is left out of
  // the analysis, which cannot follow the lock through the wait.
  std::mutex& m_native() { return mutex_; }

 private:
  std::mutex mutex_;
};

class TM_SCOPED_CAPABILITY c_mutexGuard {
 public:
  explicit c_mutexGuard(c_annotatedMutex& mutex) TM_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
  // Takes over a lock the caller already holds (after a successful try_lock).
  c_mutexGuard(c_annotatedMutex& mutex, std::adopt_lock_t) TM_REQUIRES(mutex) : mutex_(mutex) {}
  ~c_mutexGuard() TM_RELEASE() { mutex_.unlock(); }
  c_mutexGuard(const c_mutexGuard&) = delete;
  c_mutexGuard& operator=(const c_mutexGuard&) = delete;

 private:
  c_annotatedMutex& mutex_;
};
