// expect: more_arguments_than_letters_i_s_c_f
#include <string>

#include "core/ctm_logging.h"

void logIt() { CTM_logging::m_log(1, ev::LOG_STATISTICS, "iiiiiiiiiiiiiiiiiiiii", 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21); }
