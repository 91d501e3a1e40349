#pragma once
// CTM_world: the topology model. It owns every node, found by id, lists them in
// ascending byte order of the id, and keeps the TM nodes apart in the order of their
// insertion.
//
// Threads: built on one thread before anything runs; read-only afterwards (see
// CTM_node for what may still change).

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "topology/ctm_node.h"
#include "topology/ctm_node_index.h"

class CTM_populator;
class c_textSink;

class CTM_world {
 public:
  CTM_world();
  virtual ~CTM_world();
  CTM_world(const CTM_world&) = delete;
  CTM_world& operator=(const CTM_world&) = delete;

  // Takes the node over; a node whose id is taken is refused (and freed).
  bool m_insertNode(std::unique_ptr<CTM_node> node);
  // Makes room for about that many nodes ahead of their insertion; a hint only.
  void m_reserveNodes(std::size_t count);
  // Links two nodes by id: a successor edge with the weight between nodes of the
  // same kind, else the second becomes a child of the first.
  bool m_insertEdge(const std::string& fromId, const std::string& toId, int weight);
  // The same for two nodes of this world.
  bool m_insertEdge(CTM_node* from, CTM_node* to, int weight);

  CTM_node* m_findNode(std::string_view id) const;
  // Readies the index for a find or an insertion of the id soon after: the index of
  // a large plant is far larger than the cache, and a reader that knows an id early
  // hides the wait for it.
  void m_prefetchNode(std::string_view id) const { index_.m_prefetch(id); }
  void m_clearMarks(int i);
  // Runs the populator on this world and leaves mark 0 clear on every node.
  bool m_populate(CTM_populator& populator);
  // False (with an event) when the node has neither an x nor a y position.
  bool m_hasPosition(const CTM_node* node) const;

  // The views, each written to the sink as it is made. A view that turns out empty
  // returns false, and what it wrote is to be given up.
  // The text view: one block per node (parent, children, predecessors, successors),
  // walked depth-first from each TM node; empty for a model without TM nodes.
  // Takes the dump mutex and leaves mark 0 clear on every node.
  bool m_writeTopology(c_textSink& text);
  // The GDL views. Physical: the tracking points where they stand in the plant;
  // brindle: the TMs, logical segments and transport controllers; logical: every
  // node by kind. The physical and brindle views are empty (after an event) when a
  // node they place has no position.
  bool m_writePhysicalViewGdl(c_textSink& text) const;
  bool m_writeBrindleViewGdl(c_textSink& text) const;
  bool m_writeLogicalViewGdl(c_textSink& text) const;
  // The same views as whole texts, empty for a view that turns out empty.
  std::string m_dumpTopology();
  std::string m_physicalViewGdl() const;
  std::string m_brindleViewGdl() const;
  std::string m_logicalViewGdl() const;

  // Start or stop the TM node with that id.
  bool m_initTm(const std::string& id, const std::string& mask);
  bool m_stopTm(const std::string& id);

  std::size_t m_getNodeCount() const { return nodes_.size(); }
  // Every node, in ascending order of the id (byte by byte).
  std::vector<CTM_node*> m_getNodesInIdOrder() const;
  const std::vector<CTM_node*>& m_getTmNodes() const { return tmNodes_; }

 private:
  bool m_makeChild(CTM_node* parent, CTM_node* child);
  // Appends the blocks of the node and of every unmarked node reached from it.
  void m_dumpNode(c_textSink& text, CTM_node* start);
  // The TM node with that id; null, after the given event or a not-a-TM event, when none.
  CTM_node* m_findTm(const std::string& id, unsigned missingEvent) const;

  struct c_idKey;
  // Where each node stands in nodes_, in ascending order of the id.
  std::vector<c_idKey> m_idOrder() const;
  void m_sortById();

  // The index finds them by id. Only the views and the destruction need the id
  // order, so it is not kept while a plant is read: the nodes are put in id order
  // once the plant has been read, and stay so until the next insertion.
  std::vector<std::unique_ptr<CTM_node>> nodes_;
  bool sortedById_ = true;
  CTM_nodeIndex index_;
  std::vector<CTM_node*> tmNodes_;
};
