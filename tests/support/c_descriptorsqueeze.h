#pragma once
// c_descriptorSqueeze: the process short of descriptors for the life of the
// object. It lowers the soft descriptor limit and takes descriptors (duplicates of
// standard error) until none below a given number is free, as links, listeners
// and waits would; m_release gives them back and restores the limit.
//
//   c_descriptorSqueeze squeeze(64);
//   squeeze.m_takeUpTo(64);  // none left
//   ... a trace file cannot be opened ...
//   squeeze.m_release();
//
// A limit of 1 with m_takeUpTo(1) leaves none at all, not even in the place of
// one closed meanwhile, while a poll of one descriptor (which may watch no more
// than the limit) still works.
//
// c_checksDynamicTypes tells whether the program checks dynamic types as it runs
// (the undefined-behaviour sanitizer's check of virtual calls and downcasts):
// that checker opens descriptors of its own while it checks, so a test that
// leaves the process with none cannot run under it.

#include <sys/resource.h>
#include <unistd.h>

#include <vector>

class c_descriptorSqueeze {
 public:
  explicit c_descriptorSqueeze(int limit) {
    ::getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = static_cast<rlim_t>(limit);
    lowered_ = ::setrlimit(RLIMIT_NOFILE, &lowered) == 0;
  }
  ~c_descriptorSqueeze() { m_release(); }
  c_descriptorSqueeze(const c_descriptorSqueeze&) = delete;
  c_descriptorSqueeze& operator=(const c_descriptorSqueeze&) = delete;

  bool m_isLowered() const { return lowered_; }
  // Takes descriptors until every one below lowest is taken or none is left; how
  // many it took.
  int m_takeUpTo(int lowest) {
    int taken = 0;
    for (;;) {
      const int descriptor = ::dup(STDERR_FILENO);
      if (descriptor < 0) return taken;
      held_.push_back(descriptor);
      ++taken;
      if (descriptor >= lowest - 1) return taken;
    }
  }
  void m_release() {
    for (int descriptor : held_) ::close(descriptor);
    held_.clear();
    if (lowered_) ::setrlimit(RLIMIT_NOFILE, &saved_);
    lowered_ = false;
  }

 private:
  rlimit saved_{};
  bool lowered_ = false;
  std::vector<int> held_;
};

extern "C" void __ubsan_handle_dynamic_type_cache_miss_abort() __attribute__((weak));

inline bool c_checksDynamicTypes() { return &__ubsan_handle_dynamic_type_cache_miss_abort != nullptr; }
