#include "topology/ctm_tc.h"

#include "topology/ctm_ts.h"

CTM_tc::CTM_tc(std::string id, std::string address) : CTM_node(std::move(id)), address_(std::move(address)) {}

CTM_tc::~CTM_tc() { m_setLineHandler(nullptr); }

bool CTM_tc::m_init(const std::string&, bool) { return false; }

void CTM_tc::m_stop() { m_setLineHandler(nullptr); }

void CTM_tc::m_setLineHandler(std::unique_ptr<CTM_controllerLink> lineHandler) {
  if (lineHandler_) lineHandler_->m_shutdown();
  lineHandler_ = std::move(lineHandler);
}

CTM_ts* CTM_tc::m_getChild(std::size_t i) const { return m_childOfKind<CTM_ts>(i); }
