#include "platform/c_threadid.h"

#include <unistd.h>

std::int32_t c_currentThreadId() {
  thread_local const std::int32_t id = static_cast<std::int32_t>(::gettid());
  return id;
}
