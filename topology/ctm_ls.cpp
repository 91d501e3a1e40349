#include "topology/ctm_ls.h"

#include "topology/ctm_tc.h"

CTM_ls::CTM_ls(std::string id) : CTM_node(std::move(id)) {}

CTM_ls::~CTM_ls() = default;

bool CTM_ls::m_init(const std::string&, bool) { return false; }

void CTM_ls::m_stop() {}

bool CTM_ls::m_setStatusText(const std::string& status) {
  statusText_ = status;
  return true;
}

CTM_tc* CTM_ls::m_getChild(std::size_t i) const { return m_childOfKind<CTM_tc>(i); }
