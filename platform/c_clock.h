#pragma once
// Interim stand-in until the injectable clock lands on main.

#include <atomic>
#include <ctime>

class c_clock {
 public:
  static std::time_t m_now() {
    std::time_t fixed = fixed_.load();
    return fixed >= 0 ? fixed : std::time(nullptr);
  }
  static void m_setFixed(std::time_t when) { fixed_.store(when); }
  static void m_release() { fixed_.store(-1); }

 private:
  static inline std::atomic<std::time_t> fixed_{-1};
};
