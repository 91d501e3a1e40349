// expect: more_arguments_than_letters_i_s_c_f
#include <string>

#include "core/ctm_logging.h"

void logIt() { CTM_logging::m_log(1, ev::LOG_STATISTICS, "i", 7, 8); }
