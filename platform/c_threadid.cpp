#include "platform/c_threadid.h"

#include <pthread.h>
#include <unistd.h>

namespace {

thread_local std::int32_t cachedId = 0;

// A forked child's thread has a new id, though it inherits the cached one.
[[maybe_unused]] const bool forgetOnFork = [] {
  return ::pthread_atfork(nullptr, nullptr, [] { cachedId = 0; }) == 0;
}();

}  // namespace

std::int32_t c_currentThreadId() {
  if (cachedId == 0) cachedId = static_cast<std::int32_t>(::gettid());
  return cachedId;
}
