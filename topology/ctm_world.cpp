#include "topology/ctm_world.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "core/ctm_logging.h"
#include "topology/ctm_populator.h"

CTM_world::CTM_world() = default;

CTM_world::~CTM_world() {
  // A running TM's threads read the nodes of its plant: they all end before any node goes.
  for (CTM_node* tm : tmNodes_) tm->m_stop();
  // In id order, as the running TM expects its nodes to go.
  m_sortById();
  for (auto& node : nodes_) node.reset();
}

// A node's place in nodes_, with the first bytes of its id (zero-filled) as two
// numbers that order as the bytes do: the ids of a plant differ within them, so a
// comparison seldom reads a node.
struct CTM_world::c_idKey {
  std::uint64_t head;
  std::uint64_t next;
  std::size_t position;
};

namespace {

std::uint64_t bigEndianWord(std::string_view id, std::size_t offset) {
  unsigned char bytes[sizeof(std::uint64_t)] = {};
  if (offset < id.size()) std::memcpy(bytes, id.data() + offset, std::min(sizeof bytes, id.size() - offset));
  std::uint64_t word = 0;
  for (unsigned char byte : bytes) word = word << 8 | byte;
  return word;
}

}  // namespace

std::vector<CTM_world::c_idKey> CTM_world::m_idOrder() const {
  std::vector<c_idKey> keyed;
  keyed.reserve(nodes_.size());
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    const std::string& id = nodes_[i]->m_getId();
    keyed.push_back({bigEndianWord(id, 0), bigEndianWord(id, sizeof(std::uint64_t)), i});
  }
  // A merge sort: on the order in which a plant's nodes arrive (each element after
  // the elements it holds) the quicksort of std::sort falls back to its heap sort,
  // three times slower.
  std::stable_sort(keyed.begin(), keyed.end(), [this](const c_idKey& left, const c_idKey& right) {
    if (left.head != right.head) return left.head < right.head;
    if (left.next != right.next) return left.next < right.next;
    return nodes_[left.position]->m_getId() < nodes_[right.position]->m_getId();
  });
  return keyed;
}

void CTM_world::m_sortById() {
  if (sortedById_) return;
  std::vector<std::unique_ptr<CTM_node>> sorted;
  sorted.reserve(nodes_.size());
  for (const c_idKey& key : m_idOrder()) sorted.push_back(std::move(nodes_[key.position]));
  nodes_ = std::move(sorted);
  sortedById_ = true;
}

std::vector<CTM_node*> CTM_world::m_getNodesInIdOrder() const {
  std::vector<CTM_node*> ordered;
  ordered.reserve(nodes_.size());
  if (sortedById_) {
    for (const auto& node : nodes_) ordered.push_back(node.get());
  } else {
    for (const c_idKey& key : m_idOrder()) ordered.push_back(nodes_[key.position].get());
  }
  return ordered;
}

bool CTM_world::m_insertNode(std::unique_ptr<CTM_node> node) {
  if (!index_.m_insert(node.get())) {
    CTM_logging::m_log(1, ev::TOPO_DUPLICATE_NODE, "s", node->m_getId());
    return false;
  }
  if (node->m_getType() == CTM_node::typeTm) tmNodes_.push_back(node.get());
  nodes_.push_back(std::move(node));
  sortedById_ = false;
  return true;
}

void CTM_world::m_reserveNodes(std::size_t count) {
  index_.m_reserve(count);
  nodes_.reserve(count);
}

bool CTM_world::m_insertEdge(const std::string& fromId, const std::string& toId, int weight) {
  CTM_node* from = m_findNode(fromId);
  if (!from) {
    CTM_logging::m_log(1, ev::TOPO_EDGE_SOURCE_MISSING, "s", fromId);
    return false;
  }
  CTM_node* to = m_findNode(toId);
  if (!to) {
    CTM_logging::m_log(1, ev::TOPO_EDGE_TARGET_MISSING, "s", toId);
    return false;
  }
  return m_insertEdge(from, to, weight);
}

bool CTM_world::m_insertEdge(CTM_node* from, CTM_node* to, int weight) {
  if (from->m_getType() == to->m_getType()) return from->m_addSuccessor(to, weight) && to->m_addPredecessor(from);
  return m_makeChild(from, to);
}

// A node has one parent and no node encloses itself, so that every walk up the
// parents and down the children ends, and visits each node once.
bool CTM_world::m_makeChild(CTM_node* parent, CTM_node* child) {
  if (child->m_getParent() == parent) return true;
  for (const CTM_node* node = parent; node; node = node->m_getParent()) {
    if (node == child) {
      CTM_logging::m_log(1, ev::TOPO_EDGE_CYCLE, "ss", parent->m_getId(), child->m_getId());
      return false;
    }
  }
  if (CTM_node* previous = child->m_getParent()) previous->m_removeChild(child);
  return parent->m_addChild(child) && child->m_setParent(parent);
}

CTM_node* CTM_world::m_findNode(std::string_view id) const {
  return index_.m_find(id);
}

void CTM_world::m_clearMarks(int i) {
  for (auto& node : nodes_) node->m_clearMark(i);
}

bool CTM_world::m_populate(CTM_populator& populator) {
  bool populated = populator.populate(*this);
  m_clearMarks(0);
  m_sortById();
  return populated;
}

bool CTM_world::m_hasPosition(const CTM_node* node) const {
  if (node->m_getPositionX() != -1 || node->m_getPositionY() != -1) return true;
  CTM_logging::m_log(1, ev::TOPO_NO_POSITION, "s", node->m_getId());
  return false;
}

CTM_node* CTM_world::m_findTm(const std::string& id, unsigned missingEvent) const {
  CTM_node* node = m_findNode(id);
  if (!node) {
    CTM_logging::m_log(1, missingEvent, "s", id);
    return nullptr;
  }
  if (node->m_getType() != CTM_node::typeTm) {
    CTM_logging::m_log(1, ev::TOPO_NOT_A_TM, "s", id);
    return nullptr;
  }
  return node;
}

bool CTM_world::m_initTm(const std::string& id, const std::string& mask) {
  CTM_node* tm = m_findTm(id, ev::TOPO_INIT_TM_MISSING);
  return tm && tm->m_init(mask, false);
}

bool CTM_world::m_stopTm(const std::string& id) {
  CTM_node* tm = m_findTm(id, ev::TOPO_STOP_TM_MISSING);
  if (tm) tm->m_stop();
  return tm != nullptr;
}
