#include "tracking/ctm_destination.h"

#include "topology/ctm_node.h"

std::string CTM_destination::m_getNodeId() const { return node_ ? node_->m_getId() : std::string(); }
