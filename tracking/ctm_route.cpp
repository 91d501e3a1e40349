#include "tracking/ctm_route.h"

#include <cstdint>

#include "tracking/ctm_routesearch.h"

bool CTM_route::m_find(const std::string& destination) {
  destination_ = destination;
  found_ = nullptr;
  cost_ = 0;
  CTM_routeSearch& search = CTM_routeSearch::m_ofThisThread();
  const bool found = search.m_run(start_, destination_);
  nodesExpanded_ = search.m_getNodesExpanded();
  if (!found) return false;
  found_ = search.m_getFound();
  cost_ = search.m_getCost();
  return true;
}

bool CTM_route::m_via(const std::string& secondDestination) {
  if (!found_) return false;
  // A continuation costs zero or more, so a total not above this route's own cost
  // cannot be lowered: no search needed.
  if (viaTotal_ <= cost_) return false;
  CTM_route continuation(found_);
  if (!continuation.m_find(secondDestination)) return false;
  const std::int64_t total = static_cast<std::int64_t>(cost_) + continuation.cost_;
  if (viaTotal_ <= total) return false;
  previousViaTotal_ = viaTotal_;
  viaTotal_ = static_cast<int>(total);
  return true;
}

bool CTM_route::m_comesBefore(const CTM_route& first, const CTM_route& second) {
  const bool firstHasVia = first.viaTotal_ != 0;
  const bool secondHasVia = second.viaTotal_ != 0;
  if (firstHasVia != secondHasVia) return firstHasVia;
  if (firstHasVia) return first.viaTotal_ < second.viaTotal_;
  return first.cost_ < second.cost_;
}
