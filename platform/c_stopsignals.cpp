#include "platform/c_stopsignals.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

constexpr int stopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// A SIGHUP that the starter ignores (nohup) stays ignored: blocked, it would be
// kept pending and taken as a stop. Set before any thread starts.
std::atomic<bool> hangUpIgnored{false};

bool isStopSignal(int signal) { return signal != SIGHUP || !hangUpIgnored.load(std::memory_order_relaxed); }

sigset_t stopSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : stopSignals)
    if (isStopSignal(signal)) sigaddset(&set, signal);
  return set;
}

bool stopPending() {
  sigset_t pending;
  if (::sigpending(&pending) != 0) return false;
  for (const int signal : stopSignals)
    if (isStopSignal(signal) && sigismember(&pending, signal) == 1) return true;
  return false;
}

}  // namespace

bool c_stopSignals::m_block() {
  struct sigaction hangUp {};
  hangUpIgnored = ::sigaction(SIGHUP, nullptr, &hangUp) == 0 && hangUp.sa_handler == SIG_IGN;
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

bool c_stopSignals::m_waitWritable(int descriptor) {
  const sigset_t set = stopSet();
  // Readable while one of them is pending; polling it does not take the signal.
  const int signals = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  pollfd waits[2] = {{descriptor, POLLOUT, 0}, {signals, POLLIN, 0}};
  bool writable = false;
  for (;;) {
    // Without that descriptor (none left) the pending signals are looked at now and then.
    const int ready = ::poll(waits, 2, signals >= 0 ? -1 : 50);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0 && waits[0].revents != 0) {
      writable = true;
      break;
    }
    if (stopPending()) break;
  }
  if (signals >= 0) ::close(signals);
  return writable;
}

const char* c_stopSignals::m_name(int signal) {
  switch (signal) {
    case SIGTERM: return "SIGTERM";
    case SIGINT: return "SIGINT";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
  }
}
