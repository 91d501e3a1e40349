#pragma once
// CTM_routeSearch: the cheapest way from a start node to a logical exit point
// through the successor edges of the topology.
//
// The way sought: a simple path from the start through nodes in state "A" that
// do not themselves reach the destination, which, once inside the destination's
// area, stays there, and whose last node has a successor in state "A" that reaches
// the destination (that successor is not entered; the start is never tested). The
// cost is the sum of the edge weights up to that last node, which becomes the
// found node. Among ways of equal cost the first in depth-first order of the
// successor lists wins.
//
// Weights are zero or more (the topology refuses negatives). The search runs a
// Dijkstra pass bounded by the best cost, then walks the edges that lie on
// cheapest ways in successor order; only a cycle of zero-weight edges makes that
// walk back up. Node states are read once per search, so a state changed by
// another thread meanwhile gives the result of the one state or of the other.
//
// Threads: one object per thread (m_ofThisThread); all marks and costs of a
// search live in it, none in the shared nodes, so searches may run at the same
// time on the same topology.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

class CTM_node;

class CTM_routeSearch {
 public:
  // The calling thread's search object; its memory is reused from search to search.
  static CTM_routeSearch& m_ofThisThread();

  CTM_routeSearch() = default;
  CTM_routeSearch(const CTM_routeSearch&) = delete;
  CTM_routeSearch& operator=(const CTM_routeSearch&) = delete;

  // True when a way was found; then m_getFound and m_getCost give it.
  bool m_run(CTM_node* start, std::string_view destination);
  CTM_node* m_getFound() const { return found_; }
  // Saturates at the largest int.
  int m_getCost() const { return cost_; }
  // Nodes whose successors the last search examined (its Dijkstra pass).
  std::size_t m_getNodesExpanded() const { return nodesExpanded_; }

 private:
  static constexpr std::int64_t unreached = INT64_MAX;

  // What one search knows of one node it met; states and id tests read once.
  struct c_visit {
    CTM_node* node = nullptr;
    std::int64_t cost = unreached;
    bool available = false;
    bool reachesDestination = false;
    bool inDestinationArea = false;
    bool settled = false;
    bool hasHit = false;          // a successor that reaches the destination
    bool onCheapestWay = false;   // a cheapest way goes on from here
    bool onPath = false;          // on the path of the final walk
  };
  struct c_slot {
    const CTM_node* key = nullptr;
    std::uint32_t visit = 0;
    std::uint32_t generation = 0;
  };
  struct c_edge {
    std::uint32_t from;
    std::uint32_t to;
    std::int64_t weight;
  };
  struct c_queued {
    std::int64_t cost;
    std::uint32_t visit;
    bool operator>(const c_queued& other) const { return cost > other.cost; }
  };

  void m_reset();
  std::uint32_t m_visitOf(CTM_node* node);
  std::uint32_t m_newVisit(CTM_node* node);
  void m_growTable();
  // Whether the walk may go on from one visit to the next without leaving the
  // destination's area.
  bool m_keepsToArea(std::uint32_t from, std::uint32_t to) const {
    return !visits_[from].inDestinationArea || visits_[to].inDestinationArea;
  }
  std::int64_t m_dijkstra(CTM_node* start);
  void m_markCheapestWays(std::int64_t best);
  bool m_walkFirstCheapestWay(CTM_node* start, std::int64_t best);

  std::string_view destination_;
  std::string_view destinationArea_;
  CTM_node* found_ = nullptr;
  int cost_ = 0;
  std::size_t nodesExpanded_ = 0;

  std::vector<c_visit> visits_;
  std::vector<c_slot> table_;
  std::uint32_t generation_ = 0;
  std::vector<c_queued> queue_;
  std::vector<c_edge> edges_;
  std::vector<std::uint32_t> reverseStart_;
  std::vector<std::uint32_t> reverseFrom_;
  std::vector<std::uint32_t> pending_;
  struct c_frame {
    std::uint32_t visit;
    std::size_t next;
  };
  std::vector<c_frame> walk_;
};
