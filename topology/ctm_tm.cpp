#include "topology/ctm_tm.h"

#include "topology/ctm_ls.h"

CTM_tm::CTM_tm(std::string id, std::string address) : CTM_node(std::move(id)), address_(std::move(address)) {}

CTM_tm::~CTM_tm() = default;

bool CTM_tm::m_init(const std::string&, bool) { return false; }

void CTM_tm::m_stop() {}

CTM_ls* CTM_tm::m_getChild(std::size_t i) const { return m_childOfKind<CTM_ls>(i); }

CTM_ls* CTM_tm::m_findLS(const std::string& id) const {
  for (std::size_t i = 0; i < m_getChildCount(); ++i) {
    CTM_node* child = CTM_node::m_getChild(i);
    if (child->m_getId() == id) return child->m_getType() == CTM_ls::type ? static_cast<CTM_ls*>(child) : nullptr;
  }
  return nullptr;
}
