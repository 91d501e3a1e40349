#include "tm/ctm_runningnodefactory.h"

#include "tm/ctm_runningls.h"
#include "tm/ctm_runningtc.h"
#include "tm/ctm_runningtm.h"

CTM_runningNodeFactory::~CTM_runningNodeFactory() = default;

std::unique_ptr<CTM_tm> CTM_runningNodeFactory::m_makeTm(std::string id) {
  return std::make_unique<CTM_runningTm>(std::move(id));
}

std::unique_ptr<CTM_ls> CTM_runningNodeFactory::m_makeLs(std::string id) {
  return std::make_unique<CTM_runningLs>(std::move(id));
}

std::unique_ptr<CTM_tc> CTM_runningNodeFactory::m_makeTc(std::string id) {
  return std::make_unique<CTM_runningTc>(std::move(id));
}
