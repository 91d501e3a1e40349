// A TM as a process of its own, for the system tests that need a second TM (the
// configuration and the logging are process-wide): it reads the installation that
// TM_HOME names, starts the TM given as the first argument with the interface mask
// given as the second, prints "started" and runs until SIGTERM, then stops the TM
// and ends with 0. Test code, not a program of the product.
//
//   tm_testprocess TM32 NNNNYYN

#include <csignal>
#include <cstdio>
#include <string>

#include "tm/ctm_runningnodefactory.h"
#include "tm/ctm_runningtm.h"
#include "core/ctm_config.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_world.h"
#include "tests/support/c_localnames.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "Use %s <TM id> <interface mask>\n", argv[0]);
    return 2;
  }
  c_useLocalNamesOnly();
  const std::string tmId = argv[1];
  // Blocked before any thread starts, so that every thread inherits the mask and
  // only sigwait takes the signal.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  if (!CTM_config::m_init(tmId)) return 3;
  CTM_world world;
  CTM_runningNodeFactory factory;
  CTM_file_populator populator(factory);
  if (!populator.m_init() || !world.m_populate(populator)) return 4;
  auto* tm = dynamic_cast<CTM_runningTm*>(world.m_findNode(tmId));
  if (tm == nullptr) return 5;
  const bool started = tm->m_init(argv[2], true);
  if (started) {
    std::printf("started\n");
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stopSignals, &signal);
  }
  tm->m_stop();
  return started ? 0 : 6;
}
