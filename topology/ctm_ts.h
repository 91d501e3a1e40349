#pragma once
// CTM_ts: a technical segment (kind 3), a stretch of conveyor that a transport
// controller drives; parent of tracking points. Its id is the ten-character segment
// code of the transport controller's telegrams.

#include <string>

#include "topology/ctm_node.h"

class CTM_tp;

class CTM_ts : public CTM_node {
 public:
  static constexpr int type = typeTs;

  explicit CTM_ts(std::string id) : CTM_node(std::move(id)) {}

  int m_getType() const final { return type; }
  // Tracking point i (null past the end or when child i is of another kind).
  CTM_tp* m_getChild(std::size_t i) const;
};
