#include "topology/ctm_edge.h"

#include "topology/ctm_node.h"

std::string CTM_edge::m_asString() const {
  return "(Target = " + target_->m_getId() + ")(Weight = " + std::to_string(weight_) + ")";
}
