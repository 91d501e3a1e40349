#include "tm/ctm_keepaliveinterval.h"

#include "core/ctm_config.h"
#include "core/ctm_logging.h"

int CTM_keepAliveInterval::m_read(const std::string& keepAliveId, int foundSeverity) {
  int seconds = 0;
  if (CTM_config::m_getInteger(keepAliveId + "_Interval", seconds)) {
    CTM_logging::m_log(foundSeverity, ev::LH_KEEP_ALIVE_INTERVAL, "si", keepAliveId, seconds);
    return seconds;
  }
  CTM_logging::m_log(2, ev::LH_KEEP_ALIVE_INTERVAL_MISSING, "si", keepAliveId, defaultSeconds);
  return defaultSeconds;
}
