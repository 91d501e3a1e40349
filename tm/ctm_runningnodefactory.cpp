#include "tm/ctm_runningnodefactory.h"

#include "tm/ctm_runningtm.h"

CTM_runningNodeFactory::~CTM_runningNodeFactory() = default;

std::unique_ptr<CTM_tm> CTM_runningNodeFactory::m_makeTm(std::string id) {
  return std::make_unique<CTM_runningTm>(std::move(id));
}
