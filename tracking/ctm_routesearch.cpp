#include "tracking/ctm_routesearch.h"

#include <algorithm>
#include <climits>
#include <functional>

#include "topology/ctm_node.h"
#include "topology/ctm_tp.h"

namespace {

constexpr std::size_t initialTableSize = 1024;

std::size_t hashOf(const CTM_node* node) {
  const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(node));
  return static_cast<std::size_t>(((bits >> 4) * 0x9E3779B97F4A7C15ULL) >> 32);
}

}  // namespace

CTM_routeSearch& CTM_routeSearch::m_ofThisThread() {
  thread_local CTM_routeSearch search;
  return search;
}

void CTM_routeSearch::m_reset() {
  visits_.clear();
  queue_.clear();
  edges_.clear();
  found_ = nullptr;
  cost_ = 0;
  nodesExpanded_ = 0;
  if (table_.empty()) table_.resize(initialTableSize);
  if (++generation_ == 0) {
    // The stamps have come round: forget every old one.
    std::fill(table_.begin(), table_.end(), c_slot{});
    generation_ = 1;
  }
}

std::uint32_t CTM_routeSearch::m_visitOf(CTM_node* node) {
  const std::size_t mask = table_.size() - 1;
  for (std::size_t i = hashOf(node) & mask;; i = (i + 1) & mask) {
    c_slot& slot = table_[i];
    if (slot.generation != generation_) {
      const std::uint32_t visit = m_newVisit(node);
      if (visits_.size() * 2 > table_.size()) {
        m_growTable();
      } else {
        slot = c_slot{node, visit, generation_};
      }
      return visit;
    }
    if (slot.key == node) return slot.visit;
  }
}

std::uint32_t CTM_routeSearch::m_newVisit(CTM_node* node) {
  c_visit visit;
  visit.node = node;
  visit.available = node->m_isAvailable();
  const std::string& id = node->m_getId();
  visit.reachesDestination = CTM_tp::m_idMatchesDestination(id, destination_);
  visit.inDestinationArea = !CTM_tp::m_idPrefixDiffers(id, destinationArea_);
  visits_.push_back(visit);
  return static_cast<std::uint32_t>(visits_.size() - 1);
}

// Rebuilds the table at twice the size from the visits, the newest one included.
void CTM_routeSearch::m_growTable() {
  table_.assign(table_.size() * 2, c_slot{});
  const std::size_t mask = table_.size() - 1;
  for (std::uint32_t visit = 0; visit < visits_.size(); ++visit) {
    const CTM_node* node = visits_[visit].node;
    std::size_t i = hashOf(node) & mask;
    while (table_[i].generation == generation_) i = (i + 1) & mask;
    table_[i] = c_slot{node, visit, generation_};
  }
}

bool CTM_routeSearch::m_run(CTM_node* start, std::string_view destination) {
  m_reset();
  if (!start) return false;
  destination_ = destination;
  destinationArea_ = destination.substr(0, CTM_tp::prefixLength);
  const std::int64_t best = m_dijkstra(start);
  if (best == unreached) return false;
  m_markCheapestWays(best);
  if (!m_walkFirstCheapestWay(start, best)) return false;
  cost_ = best > INT_MAX ? INT_MAX : static_cast<int>(best);
  return true;
}

// Costs of the nodes up to the best cost, the best cost itself (unreached when no
// node has a successor that reaches the destination), and every edge that might
// lie on a cheapest way.
std::int64_t CTM_routeSearch::m_dijkstra(CTM_node* start) {
  std::int64_t best = unreached;
  const std::uint32_t first = m_visitOf(start);
  visits_[first].cost = 0;
  queue_.push_back({0, first});
  while (!queue_.empty()) {
    std::pop_heap(queue_.begin(), queue_.end(), std::greater<>());
    const c_queued next = queue_.back();
    queue_.pop_back();
    if (next.cost > best) break;
    if (visits_[next.visit].settled || next.cost != visits_[next.visit].cost) continue;
    visits_[next.visit].settled = true;
    ++nodesExpanded_;
    for (const CTM_edge& edge : visits_[next.visit].node->m_getSuccessors()) {
      CTM_node* target = edge.m_getTarget();
      const int weight = edge.m_getWeight();
      // The start is on every path.
      if (target == start) continue;
      const std::uint32_t to = m_visitOf(target);
      if (!visits_[to].available) continue;
      if (visits_[to].reachesDestination) {
        visits_[next.visit].hasHit = true;
        best = std::min(best, next.cost);
        continue;
      }
      if (!m_keepsToArea(next.visit, to)) continue;
      const std::int64_t cost = next.cost + weight;
      if (cost > best) continue;
      edges_.push_back({next.visit, to, weight});
      if (cost < visits_[to].cost) {
        visits_[to].cost = cost;
        queue_.push_back({cost, to});
        std::push_heap(queue_.begin(), queue_.end(), std::greater<>());
      }
    }
  }
  return best;
}

// Marks every node from which a cheapest way goes on: the nodes at the best cost
// that have a successor reaching the destination, and backwards from them every
// node joined to a marked one by an edge that keeps the cost exact.
void CTM_routeSearch::m_markCheapestWays(std::int64_t best) {
  const auto onCheapestWay = [this](const c_edge& edge) {
    const c_visit& to = visits_[edge.to];
    return to.settled && visits_[edge.from].cost + edge.weight == to.cost;
  };
  reverseStart_.assign(visits_.size() + 1, 0);
  for (const c_edge& edge : edges_)
    if (onCheapestWay(edge)) ++reverseStart_[edge.to + 1];
  for (std::size_t i = 1; i < reverseStart_.size(); ++i) reverseStart_[i] += reverseStart_[i - 1];
  reverseFrom_.resize(reverseStart_.back());
  // The fill position of each node's list; the pending list serves, being free now.
  std::vector<std::uint32_t>& fillAt = pending_;
  fillAt.assign(reverseStart_.begin(), reverseStart_.end() - 1);
  for (const c_edge& edge : edges_)
    if (onCheapestWay(edge)) reverseFrom_[fillAt[edge.to]++] = edge.from;

  pending_.clear();
  for (std::uint32_t visit = 0; visit < visits_.size(); ++visit) {
    c_visit& node = visits_[visit];
    if (node.settled && node.hasHit && node.cost == best) {
      node.onCheapestWay = true;
      pending_.push_back(visit);
    }
  }
  while (!pending_.empty()) {
    const std::uint32_t visit = pending_.back();
    pending_.pop_back();
    for (std::uint32_t i = reverseStart_[visit]; i < reverseStart_[visit + 1]; ++i) {
      c_visit& from = visits_[reverseFrom_[i]];
      if (from.onCheapestWay) continue;
      from.onCheapestWay = true;
      pending_.push_back(reverseFrom_[i]);
    }
  }
}

// Walks depth first in successor order, along marked nodes and exact-cost edges
// only, to the first way that ends beside the destination at the best cost. Without
// cycles of zero weight every step leads on to such a way; with them the walk may
// meet its own path and back up, as the exhaustive search would.
bool CTM_routeSearch::m_walkFirstCheapestWay(CTM_node* start, std::int64_t best) {
  const std::uint32_t first = m_visitOf(start);
  walk_.clear();
  walk_.push_back({first, 0});
  visits_[first].onPath = true;
  while (!walk_.empty()) {
    const std::uint32_t from = walk_.back().visit;
    CTM_node* target = nullptr;
    int weight = 0;
    if (!visits_[from].node->m_getSuccessorAndWeight(walk_.back().next++, target, weight)) {
      visits_[from].onPath = false;
      walk_.pop_back();
      continue;
    }
    if (target == start) continue;
    const std::uint32_t to = m_visitOf(target);
    const c_visit& next = visits_[to];
    if (next.onPath || !next.available) continue;
    if (next.reachesDestination) {
      if (visits_[from].cost != best) continue;
      found_ = visits_[from].node;
      return true;
    }
    if (!next.onCheapestWay || !m_keepsToArea(from, to) || visits_[from].cost + weight != next.cost) continue;
    visits_[to].onPath = true;
    walk_.push_back({to, 0});
  }
  return false;
}
