#pragma once
// CTM_world: the topology model. It owns every node, keyed by id in ascending byte
// order, and keeps the TM nodes apart in the order of their insertion.
//
// Threads: built on one thread before anything runs; read-only afterwards (see
// CTM_node for what may still change).

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "topology/ctm_node.h"

class CTM_populator;

class CTM_world {
 public:
  // Keyed by a view of the node's own (immutable) id.
  using c_nodeMap = std::map<std::string_view, std::unique_ptr<CTM_node>, std::less<>>;

  CTM_world();
  virtual ~CTM_world();
  CTM_world(const CTM_world&) = delete;
  CTM_world& operator=(const CTM_world&) = delete;

  // Takes the node over; a node whose id is taken is refused (and freed).
  bool m_insertNode(std::unique_ptr<CTM_node> node);
  // Links two nodes by id: a successor edge with the weight between nodes of the
  // same kind, else the second becomes a child of the first.
  bool m_insertEdge(const std::string& fromId, const std::string& toId, int weight);
  // The same for two nodes of this world.
  bool m_insertEdge(CTM_node* from, CTM_node* to, int weight);

  CTM_node* m_findNode(std::string_view id) const;
  void m_clearMarks(int i);
  // Runs the populator on this world and leaves mark 0 clear on every node.
  bool m_populate(CTM_populator& populator);
  // False (with an event) when the node has neither an x nor a y position.
  bool m_hasPosition(const CTM_node* node) const;

  // Start or stop the TM node with that id.
  bool m_initTm(const std::string& id, const std::string& mask);
  bool m_stopTm(const std::string& id);

  const c_nodeMap& m_getNodes() const { return nodes_; }
  const std::vector<CTM_node*>& m_getTmNodes() const { return tmNodes_; }

 private:
  bool m_makeChild(CTM_node* parent, CTM_node* child);
  // The TM node with that id; null, after the given event or a not-a-TM event, when none.
  CTM_node* m_findTm(const std::string& id, unsigned missingEvent) const;

  c_nodeMap nodes_;
  std::vector<CTM_node*> tmNodes_;
};
