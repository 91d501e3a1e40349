// kelvane: reads the configuration and the topology of TM32 and writes its views.
#include "core/ctm_logging.h"

int main() {
  CTM_logging::m_init("");
  return 255;
}
