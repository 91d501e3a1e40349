#include "tm/ctm_runningnodefactory.h"

#include "tm/ctm_runningls.h"

CTM_runningNodeFactory::~CTM_runningNodeFactory() = default;

std::unique_ptr<CTM_ls> CTM_runningNodeFactory::m_makeLs(std::string id) {
  return std::make_unique<CTM_runningLs>(std::move(id));
}
