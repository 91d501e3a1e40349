#pragma once
// CTM_queue: the bounded queue of telegrams between the threads that want a
// telegram sent and the one line-handler thread that sends it. Producers put at
// the tail, or at the head when urgent; the consumer waits on the queue's
// semaphore (one count per put) together with its other wake-up sources and then
// takes the head without waiting. The queue stamps its time to live into every
// telegram it accepts and drops expired ones instead of handing them out.
// Telegrams expire on the monotonic c_clock.
//
// Threads: any thread may put; one thread gets. mutex_ guards queue_ and is held
// only inside put, get and size; no other lock is taken under it.

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>

#include "core/c_syncObject.h"

class CTM_message;

class CTM_queue {
 public:
  static constexpr unsigned defaultMaxEntries = 1'000'000;
  static constexpr int semaphoreMaximum = 1'000'000;

  CTM_queue();
  // Deletes the telegrams still queued.
  virtual ~CTM_queue();
  CTM_queue(const CTM_queue&) = delete;
  CTM_queue& operator=(const CTM_queue&) = delete;

  // Applies to later puts; negative: each telegram keeps its own time to live.
  void m_setTimeToLive(int seconds);
  void m_setMaxEntries(unsigned count);
  // For the consumer's multiple wait.
  c_semaphore* m_getSemaphore() { return &semaphore_; }

  // True when the queue took the telegram (telegram is then empty); false when it
  // was empty or the queue is full, and the caller keeps it. Expired telegrams at
  // the head are dropped first.
  bool m_put(std::unique_ptr<CTM_message>& telegram, bool urgent);
  // Takes the head without waiting: true with out set; false with out empty when
  // the queue was empty or the head had expired (it is deleted).
  bool m_get(std::unique_ptr<CTM_message>& out);
  std::size_t m_size() const;

 private:
  mutable std::mutex mutex_;
  c_semaphore semaphore_;
  std::deque<std::unique_ptr<CTM_message>> queue_;  // guarded by mutex_, head first
  unsigned maxEntries_ = defaultMaxEntries;          // guarded by mutex_
  int timeToLive_ = -1;                              // guarded by mutex_
};
