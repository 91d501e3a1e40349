#pragma once
// Interim stand-in until the topology model lands on main.

#include "topology/ctm_node.h"

class CTM_ls : public CTM_node {
 public:
  using CTM_node::CTM_node;
  int m_getType() const override { return 1; }
};
