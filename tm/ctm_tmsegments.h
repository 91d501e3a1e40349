#pragma once
// The running logical segments of a TM node in child order, as the TM's own line
// handlers (OC, LPCS) walk them.

#include <vector>

#include "tm/ctm_runningls.h"
#include "topology/ctm_tm.h"

inline std::vector<CTM_runningLs*> ctm_runningSegmentsOf(const CTM_tm* tm) {
  std::vector<CTM_runningLs*> segments;
  if (tm == nullptr) return segments;
  for (std::size_t i = 0; CTM_ls* segment = tm->m_getChild(i); ++i)
    if (auto* running = dynamic_cast<CTM_runningLs*>(segment)) segments.push_back(running);
  return segments;
}
