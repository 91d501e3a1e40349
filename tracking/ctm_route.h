#pragma once
// CTM_route: the way of a baggage item from the node where it was last seen to
// one logical exit point. The transport object makes one per destination of a
// transport specification, lets it search once, and keeps or drops it.
// A route belongs to the one thread that made it.

#include <cstddef>
#include <string>

class CTM_node;

class CTM_route {
 public:
  explicit CTM_route(CTM_node* start) : start_(start) {}
  virtual ~CTM_route() = default;

  // Stores the destination and searches the cheapest way to it (CTM_routeSearch).
  bool m_find(const std::string& destination);
  bool m_isFound() const { return found_ != nullptr; }
  // Tries the continuation from the found node to a second destination: when it
  // exists and the via total so far is above this route's cost plus the
  // continuation's, the total moves to the previous one and the new sum is kept
  // (true). The total starts at 0 and only decreases, so with weights of zero or
  // more it stays 0.
  bool m_via(const std::string& secondDestination);

  CTM_node* m_getStart() const { return start_; }
  // The node from which the destination's tracking point is entered.
  CTM_node* m_getFound() const { return found_; }
  const std::string& m_getDestination() const { return destination_; }
  // Sum of the edge weights from the start to the found node.
  int m_getCost() const { return cost_; }
  int m_getViaTotal() const { return viaTotal_; }
  int m_getRoutingPriority() const { return routingPriority_; }
  // 1 for a value of 1 or more, else 0.
  void m_setRoutingPriority(int value) { routingPriority_ = value >= 1 ? 1 : 0; }
  void m_restoreViaTotal() { viaTotal_ = previousViaTotal_; }
  // Nodes the search examined, for measuring.
  std::size_t m_getNodesExpanded() const { return nodesExpanded_; }

  // Route order: a route with a via total before one without, the smaller via
  // total first, else the lower cost first.
  static bool m_comesBefore(const CTM_route& first, const CTM_route& second);

 private:
  CTM_node* start_;
  CTM_node* found_ = nullptr;
  std::string destination_;
  int cost_ = 0;
  int viaTotal_ = 0;
  int previousViaTotal_ = 0;
  int routingPriority_ = 99;
  std::size_t nodesExpanded_ = 0;
};
