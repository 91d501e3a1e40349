// expect: argument_does_not_fit_its_letter
#include <string>

#include "core/ctm_logging.h"

void logIt() { CTM_logging::m_log(1, ev::LOG_STATISTICS, "i", std::string("7")); }
