#include "topology/ctm_node_index.h"

#include <cstdlib>
#include <functional>
#include <new>
#include <utility>

#include "platform/c_largememory.h"
#include "topology/ctm_node.h"

namespace {
constexpr std::size_t initialSlots = 64;
}

CTM_nodeIndex::CTM_nodeIndex() = default;

CTM_nodeIndex::~CTM_nodeIndex() = default;

// The slot that holds the id, or the free slot where it would go.
std::size_t CTM_nodeIndex::m_slotOf(std::string_view id, std::size_t hash) const {
  std::size_t mask = slotCount_ - 1;
  for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
    const c_slot& slot = slots_[i];
    if (!slot.node || (slot.hash == hash && slot.node->m_getId() == id)) return i;
  }
}

CTM_node* CTM_nodeIndex::m_find(std::string_view id) const {
  if (slotCount_ == 0) return nullptr;
  return slots_[m_slotOf(id, std::hash<std::string_view>{}(id))].node;
}

void CTM_nodeIndex::m_prefetch(std::string_view id) const {
  if (slotCount_ > 0) __builtin_prefetch(&slots_[std::hash<std::string_view>{}(id) & (slotCount_ - 1)]);
}

bool CTM_nodeIndex::m_insert(CTM_node* node) {
  if ((size_ + 1) * 2 > slotCount_) m_grow();
  std::size_t hash = std::hash<std::string_view>{}(node->m_getId());
  c_slot& slot = slots_[m_slotOf(node->m_getId(), hash)];
  if (slot.node) return false;
  slot = {hash, node};
  ++size_;
  return true;
}

void CTM_nodeIndex::m_reserve(std::size_t nodes) {
  std::size_t count = slotCount_ == 0 ? initialSlots : slotCount_;
  while (nodes * 2 > count) count *= 2;
  if (count > slotCount_) m_rehash(count);
}

void CTM_nodeIndex::m_grow() { m_rehash(slotCount_ == 0 ? initialSlots : slotCount_ * 2); }

// The table of a large plant is touched at random: on large pages its lookups
// miss the address cache far less often.
void CTM_nodeIndex::m_rehash(std::size_t count) {
  // Zeroed by the allocator: a large table comes zeroed from the system, untouched.
  c_slotTable grown(static_cast<c_slot*>(std::calloc(count, sizeof(c_slot))));
  if (!grown) throw std::bad_alloc();
  c_adviseHugePages(grown.get(), count * sizeof(c_slot));
  c_slotTable old = std::exchange(slots_, std::move(grown));
  std::size_t oldCount = std::exchange(slotCount_, count);
  std::size_t mask = count - 1;
  for (std::size_t k = 0; k < oldCount; ++k) {
    const c_slot& slot = old[k];
    if (!slot.node) continue;
    std::size_t i = slot.hash & mask;
    while (slots_[i].node) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}
