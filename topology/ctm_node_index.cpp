#include "topology/ctm_node_index.h"

#include <functional>

#include "topology/ctm_node.h"

namespace {
constexpr std::size_t initialSlots = 64;
}

// The slot that holds the id, or the empty slot where it would go.
std::size_t CTM_nodeIndex::m_slotOf(std::string_view id, std::size_t hash) const {
  std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const c_slot& slot = slots_[i];
    if (!slot.node || (slot.hash == hash && slot.node->m_getId() == id)) return i;
  }
}

CTM_node* CTM_nodeIndex::m_find(std::string_view id) const {
  if (slots_.empty()) return nullptr;
  return slots_[m_slotOf(id, std::hash<std::string_view>{}(id))].node;
}

bool CTM_nodeIndex::m_insert(CTM_node* node) {
  if ((size_ + 1) * 2 > slots_.size()) m_grow();
  std::size_t hash = std::hash<std::string_view>{}(node->m_getId());
  c_slot& slot = slots_[m_slotOf(node->m_getId(), hash)];
  if (slot.node) return false;
  slot = {hash, node};
  ++size_;
  return true;
}

void CTM_nodeIndex::m_grow() {
  std::vector<c_slot> old(slots_.empty() ? initialSlots : slots_.size() * 2);
  old.swap(slots_);
  std::size_t mask = slots_.size() - 1;
  for (const c_slot& slot : old) {
    if (!slot.node) continue;
    std::size_t i = slot.hash & mask;
    while (slots_[i].node) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}
