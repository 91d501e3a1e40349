#include "links/c_peernameresolver.h"

#include <algorithm>
#include <system_error>
#include <utility>

bool c_peerNameResolver::m_start() {
  if (thread_.joinable()) return true;
  stop_.m_reset();
  try {
    thread_ = std::thread([this] { m_run(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void c_peerNameResolver::m_stop() {
  if (thread_.joinable()) {
    stop_.m_set();
    thread_.join();
  }
  c_mutexGuard lock(mutex_);
  requests_.clear();
  answers_.clear();
}

void c_peerNameResolver::m_request(std::uint32_t address) {
  {
    c_mutexGuard lock(mutex_);
    if (lookingUp_ == address || std::find(requests_.begin(), requests_.end(), address) != requests_.end()) return;
    requests_.push_back(address);
  }
  // Already signalled when the thread has not woken since: one wake-up serves all.
  requested_.m_unlock();
}

void c_peerNameResolver::m_withdraw(std::uint32_t address) {
  c_mutexGuard lock(mutex_);
  std::erase(requests_, address);
}

std::vector<c_peerNameResolver::c_answer> c_peerNameResolver::m_takeAnswers() {
  c_mutexGuard lock(mutex_);
  return std::exchange(answers_, {});
}

void c_peerNameResolver::m_run() {
  c_waitable* const wakeUps[] = {stop_.m_getHandle(), requested_.m_getHandle()};
  while (!stop_.m_isSet()) {
    c_answer answer;
    bool requested = false;
    {
      c_mutexGuard lock(mutex_);
      if (!requests_.empty()) {
        answer.address = requests_.front();
        requests_.pop_front();
        lookingUp_ = answer.address;
        requested = true;
      }
    }
    if (!requested) {
      if (c_waitForAny(wakeUps, 2, -1) != 1) break;
      continue;
    }
    answer.named = names_.m_find(answer.address, answer.name);
    {
      c_mutexGuard lock(mutex_);
      lookingUp_.reset();
      answers_.push_back(std::move(answer));
    }
    answered_.m_unlock();
  }
}
