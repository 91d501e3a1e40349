#include "tracking/ctm_loadmonitor.h"

#include <algorithm>
#include <numeric>

void CTM_loadMonitor::m_setBusyThreshold(std::uint16_t value) {
  busyThreshold_ = std::max<std::uint16_t>(quietThreshold_, value % capacity);
}

void CTM_loadMonitor::m_setQuietThreshold(std::uint16_t value) {
  quietThreshold_ = std::min<std::uint16_t>(busyThreshold_, value % capacity);
}

void CTM_loadMonitor::m_recordOutcome(bool wasDiverted) {
  ring_[writePosition_] = wasDiverted ? diverted : notDiverted;
  writePosition_ = (writePosition_ + 1) % capacity;
}

bool CTM_loadMonitor::m_isBusy() {
  const int missed = std::accumulate(ring_.begin(), ring_.end(), 0);
  if (missed >= busyThreshold_) busy_ = true;
  if (missed < quietThreshold_) busy_ = false;
  return busy_;
}
