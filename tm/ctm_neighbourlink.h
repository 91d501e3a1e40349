#pragma once
// CTM_neighbourLink: what the two ends of a link between neighbouring TMs share:
// the sub id of a TM, the logical connect id (the upstream segment's five
// characters, then characters 1-4 of the downstream segment) and the one-shot
// timers. Ids too short for a slice match nothing.

#include <string>
#include <string_view>

#include "core/c_syncObject.h"

class CTM_ls;
class CTM_runningLs;
class CTM_tm;

class CTM_neighbourLink {
 public:
  static constexpr std::size_t connectIdLength = 9;
  static constexpr std::size_t segmentIdLength = 5;

  // Characters 2 and 3 of a TM's id; shorter ids give what is there.
  static std::string m_subIdOf(const std::string& tmId) { return tmId.size() > 2 ? tmId.substr(2, 2) : std::string(); }
  // Timer due once after that many seconds; 0 or less counts as one, so that a
  // timer never fires without pause.
  static void m_armOnce(c_waitableTimer& timer, long seconds) {
    timer.m_setMilliseconds((seconds > 0 ? seconds : 1) * 1000LL, 0);
  }
  // The running segment of the TM whose id is the connect id's upstream part
  // (the downstream TM's DU01 names the upstream segment there); null when none.
  static CTM_runningLs* m_upstreamSegment(const CTM_tm* tm, std::string_view connectId);
  // The first running segment of the TM that the connect id names downstream
  // (characters 1-4 of its id) and that has the connect id's upstream segment
  // among its predecessors; null when none.
  static CTM_runningLs* m_downstreamSegment(const CTM_tm* tm, std::string_view connectId);
};
