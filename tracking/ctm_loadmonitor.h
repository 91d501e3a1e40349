#pragma once
// CTM_loadMonitor: the outcomes of a segment's last 100 diversions and whether
// the segment counts as busy. Busy, two equally cheap exits are both offered to
// the transport controller; quiet, the configured alternation chooses one.
// The missed diversions among the last 100 make the segment busy at the busy
// threshold and quiet again below the quiet threshold; in between it keeps its
// state. Both thresholds lie in 0..99, the quiet one never above the busy one.
// No lock: its transport object's owner serialises access (the segment lock).

#include <array>
#include <cstdint>

class CTM_loadMonitor {
 public:
  static constexpr int capacity = 100;

  CTM_loadMonitor() { ring_.fill(notDiverted); }
  virtual ~CTM_loadMonitor() = default;

  // busy := the larger of the quiet threshold and value modulo 100.
  void m_setBusyThreshold(std::uint16_t value);
  // quiet := the smaller of the busy threshold and value modulo 100.
  void m_setQuietThreshold(std::uint16_t value);
  int m_getBusyThreshold() const { return busyThreshold_; }
  int m_getQuietThreshold() const { return quietThreshold_; }

  void m_recordOutcome(bool wasDiverted);
  // Updates the state from the missed diversions in the ring and returns it.
  bool m_isBusy();

 private:
  static constexpr std::uint8_t diverted = 0;
  static constexpr std::uint8_t notDiverted = 1;

  int writePosition_ = 0;
  std::uint16_t busyThreshold_ = capacity;
  std::uint16_t quietThreshold_ = 0;
  bool busy_ = true;
  std::array<std::uint8_t, capacity> ring_;
};
