#include "topology/ctm_nodefactory.h"

#include "topology/ctm_ls.h"
#include "topology/ctm_tc.h"
#include "topology/ctm_tm.h"
#include "topology/ctm_tp.h"
#include "topology/ctm_ts.h"

std::unique_ptr<CTM_tm> CTM_plainNodeFactory::m_makeTm(std::string id) { return std::make_unique<CTM_tm>(std::move(id)); }

std::unique_ptr<CTM_ls> CTM_plainNodeFactory::m_makeLs(std::string id) { return std::make_unique<CTM_ls>(std::move(id)); }

std::unique_ptr<CTM_tc> CTM_plainNodeFactory::m_makeTc(std::string id) { return std::make_unique<CTM_tc>(std::move(id)); }

std::unique_ptr<CTM_ts> CTM_plainNodeFactory::m_makeTs(std::string id) { return std::make_unique<CTM_ts>(std::move(id)); }

std::unique_ptr<CTM_tp> CTM_plainNodeFactory::m_makeTp(std::string id) { return std::make_unique<CTM_tp>(std::move(id)); }
