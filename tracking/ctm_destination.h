#pragma once
// CTM_destination: one entry of an item's destination list, a node of the
// topology (owned by the world) with the routing priority the transport
// controller is given for it.

#include <string>

class CTM_node;

class CTM_destination {
 public:
  CTM_destination(CTM_node* node, int routingPriority) : node_(node), routingPriority_(routingPriority) {}

  CTM_node* m_getNode() const { return node_; }
  // The node's id; empty for an entry without a node.
  std::string m_getNodeId() const;
  int m_getRoutingPriority() const { return routingPriority_; }
  void m_setRoutingPriority(int routingPriority) { routingPriority_ = routingPriority; }

  friend bool operator==(const CTM_destination&, const CTM_destination&) = default;

 private:
  CTM_node* node_;
  int routingPriority_;
};
