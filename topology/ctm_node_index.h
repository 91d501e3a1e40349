#pragma once
// CTM_nodeIndex: the world's nodes by id, in one flat open-addressed table. A plant
// of a million nodes is looked up a million times while it is read; a flat table
// costs one cache miss where a node-based map costs several, and a quarter of the
// memory. The index does not own the nodes.

#include <cstddef>
#include <string_view>
#include <vector>

class CTM_node;

class CTM_nodeIndex {
 public:
  CTM_node* m_find(std::string_view id) const;
  // False when a node with the same id is already in the index.
  bool m_insert(CTM_node* node);
  std::size_t m_size() const { return size_; }

 private:
  struct c_slot {
    std::size_t hash = 0;
    CTM_node* node = nullptr;
  };

  std::size_t m_slotOf(std::string_view id, std::size_t hash) const;
  void m_grow();

  std::vector<c_slot> slots_;  // a power of two in size, at most half full
  std::size_t size_ = 0;
};
