#pragma once
// CTM_keepAliveInterval: how often a client line handler sends its keep-alive,
// from "<keep-alive id>_Interval" (INTEGER, seconds). Read when the handler is
// built and again at each keep-alive, so that a changed value takes effect on the
// next one. Safe from any thread (the configuration locks itself).

#include <string>

class CTM_keepAliveInterval {
 public:
  static constexpr int defaultSeconds = 30;

  // The interval, logged at foundSeverity; missing: defaultSeconds and a warning.
  static int m_read(const std::string& keepAliveId, int foundSeverity);
};
