#include "tm/ctm_neighbourlink.h"

#include "tm/ctm_runningls.h"
#include "topology/ctm_tm.h"
#include "topology/ctm_tp.h"

CTM_runningLs* CTM_neighbourLink::m_upstreamSegment(const CTM_tm* tm, std::string_view connectId) {
  if (tm == nullptr || connectId.size() < connectIdLength) return nullptr;
  const std::string_view upstream = connectId.substr(0, segmentIdLength);
  for (std::size_t i = 0; CTM_ls* segment = tm->m_getChild(i); ++i)
    if (segment->m_getId() == upstream) return dynamic_cast<CTM_runningLs*>(segment);
  return nullptr;
}

CTM_runningLs* CTM_neighbourLink::m_downstreamSegment(const CTM_tm* tm, std::string_view connectId) {
  if (tm == nullptr || connectId.size() < connectIdLength) return nullptr;
  const std::string_view upstream = connectId.substr(0, segmentIdLength);
  for (std::size_t i = 0; CTM_ls* segment = tm->m_getChild(i); ++i) {
    if (!CTM_tp::m_idMatchesDestination(segment->m_getId(), connectId)) continue;
    for (std::size_t p = 0; p < segment->m_getPredecessorCount(); ++p) {
      const CTM_node* predecessor = segment->m_getPredecessor(p);
      if (predecessor != nullptr && predecessor->m_getId() == upstream) {
        // A segment of the model kind tracks nothing: the walk goes on.
        if (auto* running = dynamic_cast<CTM_runningLs*>(segment)) return running;
      }
    }
  }
  return nullptr;
}
