#pragma once
// For tests that leave the process without descriptors on purpose.
//
// c_noDescriptorLeft lowers the process's soft descriptor limit so far that no
// descriptor can be made, not even in the place of one closed meanwhile, until it
// gives the limit back at its end. c_checksDynamicTypes tells whether the program
// checks dynamic types as it runs (the undefined-behaviour sanitizer's check of
// virtual calls and downcasts): that checker opens descriptors of its own while
// it checks, so such a test cannot run under it.

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

class c_noDescriptorLeft {
 public:
  // Descriptor 0 held open, the limit 1: nothing can be opened, and a poll of one
  // descriptor (which may not watch more than the limit) still works.
  c_noDescriptorLeft() {
    if (::fcntl(0, F_GETFD) < 0) standardInput_ = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ::getrlimit(RLIMIT_NOFILE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = 1;
    ::setrlimit(RLIMIT_NOFILE, &lowered);
  }
  ~c_noDescriptorLeft() {
    ::setrlimit(RLIMIT_NOFILE, &saved_);
    if (standardInput_ >= 0) ::close(standardInput_);
  }
  c_noDescriptorLeft(const c_noDescriptorLeft&) = delete;
  c_noDescriptorLeft& operator=(const c_noDescriptorLeft&) = delete;

 private:
  rlimit saved_{};
  int standardInput_ = -1;
};

extern "C" void __ubsan_handle_dynamic_type_cache_miss_abort() __attribute__((weak));

inline bool c_checksDynamicTypes() { return &__ubsan_handle_dynamic_type_cache_miss_abort != nullptr; }
