#include "platform/c_stopsignals.h"

#include <pthread.h>
#include <signal.h>

namespace {

sigset_t stopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

bool c_stopSignals::m_block() {
  const sigset_t set = stopSet();
  return ::pthread_sigmask(SIG_BLOCK, &set, nullptr) == 0;
}

int c_stopSignals::m_wait() {
  const sigset_t set = stopSet();
  int signal = 0;
  while (::sigwait(&set, &signal) != 0) {
  }
  return signal;
}

const char* c_stopSignals::m_name(int signal) {
  switch (signal) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    default: return "a signal";
  }
}
