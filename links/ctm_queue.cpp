#include "links/ctm_queue.h"

#include "telegrams/ctm_message.h"

CTM_queue::CTM_queue() : semaphore_(0, semaphoreMaximum) {}

CTM_queue::~CTM_queue() = default;

void CTM_queue::m_setTimeToLive(int seconds) {
  std::lock_guard<std::mutex> lock(mutex_);
  timeToLive_ = seconds;
}

void CTM_queue::m_setMaxEntries(unsigned count) {
  std::lock_guard<std::mutex> lock(mutex_);
  maxEntries_ = count;
}

bool CTM_queue::m_put(std::unique_ptr<CTM_message>& telegram, bool urgent) {
  if (!telegram) return false;
  std::deque<std::unique_ptr<CTM_message>> expired;  // deleted after the lock is given back
  {
    std::lock_guard<std::mutex> lock(mutex_);
    while (!queue_.empty() && queue_.front()->m_isExpired()) {
      // Never wait here: the consumer takes its count before it locks the queue,
      // so when no count is left it has already taken this telegram's.
      semaphore_.m_lock(0);
      expired.push_back(std::move(queue_.front()));
      queue_.pop_front();
    }
    if (queue_.size() >= maxEntries_) return false;
    if (timeToLive_ >= 0) telegram->m_setTimeout(timeToLive_);
    if (urgent)
      queue_.push_front(std::move(telegram));
    else
      queue_.push_back(std::move(telegram));
    semaphore_.m_unlock();
  }
  return true;
}

bool CTM_queue::m_get(std::unique_ptr<CTM_message>& out) {
  out.reset();
  std::unique_ptr<CTM_message> head;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (queue_.empty()) return false;
    head = std::move(queue_.front());
    queue_.pop_front();
  }
  if (head->m_isExpired()) return false;
  out = std::move(head);
  return true;
}

std::size_t CTM_queue::m_size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return queue_.size();
}
