#pragma once
// CTM_nodeIndex: the world's nodes by id, in one flat open-addressed table. A plant
// of a million nodes is looked up a million times while it is read; a flat table
// costs one cache miss where a node-based map costs several, and a quarter of the
// memory. The index does not own the nodes.

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string_view>

class CTM_node;

class CTM_nodeIndex {
 public:
  CTM_nodeIndex();
  ~CTM_nodeIndex();
  CTM_nodeIndex(const CTM_nodeIndex&) = delete;
  CTM_nodeIndex& operator=(const CTM_nodeIndex&) = delete;

  CTM_node* m_find(std::string_view id) const;
  // Brings the slot of the id into the cache ahead of a find or an insertion.
  void m_prefetch(std::string_view id) const;
  // False when a node with the same id is already in the index.
  bool m_insert(CTM_node* node);
  // Sizes the table for that many nodes at once: a table grown step by step
  // touches twice the memory and moves every node it held at each step.
  void m_reserve(std::size_t nodes);
  std::size_t m_size() const { return size_; }

 private:
  struct c_slot {
    std::size_t hash;
    CTM_node* node;  // null: the slot is free (all bits zero)
  };
  struct c_freeSlots {
    void operator()(c_slot* slots) const { std::free(slots); }
  };
  using c_slotTable = std::unique_ptr<c_slot[], c_freeSlots>;

  std::size_t m_slotOf(std::string_view id, std::size_t hash) const;
  void m_grow();
  void m_rehash(std::size_t count);

  c_slotTable slots_;
  std::size_t slotCount_ = 0;  // a power of two, at most half of them taken
  std::size_t size_ = 0;
};
