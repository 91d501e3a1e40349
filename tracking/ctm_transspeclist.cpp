#include "tracking/ctm_transspeclist.h"

#include <algorithm>

void CTM_transSpecList::m_insert(std::unique_ptr<CTM_transSpec> spec) {
  const int priority = spec->m_getRoutingPriority();
  auto place = std::upper_bound(specs_.begin(), specs_.end(), priority,
                                [](int wanted, const std::unique_ptr<CTM_transSpec>& stored) {
                                  return wanted < stored->m_getRoutingPriority();
                                });
  specs_.insert(place, std::move(spec));
}

std::unique_ptr<CTM_transSpec> CTM_transSpecList::m_take(const std::string& transportSpecID) {
  auto found = std::find_if(specs_.begin(), specs_.end(), [&](const std::unique_ptr<CTM_transSpec>& stored) {
    return stored->m_getTransportSpecID() == transportSpecID;
  });
  if (found == specs_.end()) return nullptr;
  std::unique_ptr<CTM_transSpec> taken = std::move(*found);
  specs_.erase(found);
  return taken;
}
