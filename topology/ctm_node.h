#pragma once
// CTM_node: one node of the topology model. Nodes nest (parent and children) and
// flow into each other (successor edges with a transport time in seconds, and the
// matching predecessor back-links) between nodes of the same kind.
//
// Threads: the model is built single-threaded before anything runs. Afterwards the
// state may be changed and read from any thread (it is atomic); every other member
// is read-only then, except the traversal marks, which belong to whoever walks the
// model (the text dump under the dump mutex, route search under its own lock).

#include <array>
#include <atomic>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "topology/c_compactlist.h"
#include "topology/ctm_edge.h"

class c_mutex;
class CTM_imReporter;

class CTM_node {
 public:
  // Node kinds, as m_getType reports them.
  static constexpr int typeTm = 0;
  static constexpr int typeLs = 1;
  static constexpr int typeTc = 2;
  static constexpr int typeTs = 3;
  static constexpr int typeTp = 4;

  explicit CTM_node(std::string id);
  virtual ~CTM_node();
  CTM_node(const CTM_node&) = delete;
  CTM_node& operator=(const CTM_node&) = delete;

  // Starting and stopping a running TM goes through the nodes; the base has nothing to start.
  virtual bool m_init(const std::string& mask, bool flag);
  virtual void m_stop();
  virtual int m_getType() const = 0;

  const std::string& m_getId() const { return id_; }
  CTM_node* m_getParent() const { return parent_; }
  bool m_setParent(CTM_node* parent);

  // "A" (available, the initial state) or "N"; route search enters only "A" nodes.
  const std::string& m_getState() const;
  // Whether the state is "A", for walks that test it on every node they meet.
  bool m_isAvailable() const { return state_.load(std::memory_order_relaxed) == 'A'; }
  // Sets "A" or "N" (exactly) on this node and its whole subtree; false for anything else.
  bool m_setState(const std::string& state);

  bool m_addSuccessor(CTM_node* target, int weight);
  bool m_addPredecessor(CTM_node* node);
  bool m_addChild(CTM_node* node);
  // Room for that many children in all, for a reader that knows them ahead.
  void m_reserveChildren(std::size_t count) { children_.reserve(count); }
  // Takes a child out of the child list (the node is given another parent).
  void m_removeChild(const CTM_node* node);

  // Indexed access stops with null (or false) once the index reaches the count.
  CTM_node* m_getSuccessor(std::size_t i) const {
    return i < successors_.size() ? successors_[i].m_getTarget() : nullptr;
  }
  bool m_getSuccessorAndWeight(std::size_t i, CTM_node*& target, int& weight) const;
  CTM_node* m_findSuccessor(const std::string& id) const;
  // Every successor edge in list order, for walks that take them all.
  std::span<const CTM_edge> m_getSuccessors() const { return {successors_.begin(), successors_.size()}; }
  CTM_node* m_getPredecessor(std::size_t i) const { return i < predecessors_.size() ? predecessors_[i] : nullptr; }
  CTM_node* m_getChild(std::size_t i) const { return i < children_.size() ? children_[i] : nullptr; }
  bool m_hasNoSuccessors() const { return successors_.empty(); }
  std::size_t m_getSuccessorCount() const { return successors_.size(); }
  std::size_t m_getPredecessorCount() const { return predecessors_.size(); }
  std::size_t m_getChildCount() const { return children_.size(); }

  // "(ID = <id>)".
  std::string m_asString() const;

  // Traversal marks 0 and 1 (set at construction); other indexes are ignored.
  void m_setMark(int i) {
    if (i >= 0 && i < static_cast<int>(marks_.size())) marks_[i] = 1;
  }
  void m_clearMark(int i) {
    if (i >= 0 && i < static_cast<int>(marks_.size())) marks_[i] = 0;
  }
  bool m_isMarked(int i) const { return i >= 0 && i < static_cast<int>(marks_.size()) && marks_[i] != 0; }

  int m_getPositionX() const { return positionX_; }
  int m_getPositionY() const { return positionY_; }
  int m_getPositionZ() const { return positionZ_; }
  void m_setPositionX(int x) { positionX_ = x; }
  void m_setPositionY(int y) { positionY_ = y; }
  void m_setPositionZ(int z) { positionZ_ = z; }
  const std::string& m_getDescription() const;
  void m_setDescription(const std::string& description);

  // Sends a free-text exception report (printf rules, at most 99 characters) to the
  // IM computer through the TM above this node. True when there is no TM above
  // (nothing to send); false when the TM has no reporter or its reporter refuses it.
  bool m_sendText(const std::string& source, unsigned short level, const char* format, ...)
      __attribute__((format(printf, 4, 5)));
  // The reporter of texts for IM that this node holds; only a TM node holds one.
  virtual CTM_imReporter* m_getImReporter() const { return nullptr; }

  // Serialises the text dumps of the model, which walk it with mark 0.
  static c_mutex& m_getDumpMutex();

  // Nodes are equal when their ids are.
  bool operator==(const CTM_node& other) const { return id_ == other.id_; }

 protected:
  // Child i when it is of the wanted kind, else null; the node classes' typed m_getChild.
  template <typename T>
  T* m_childOfKind(std::size_t i) const {
    CTM_node* child = m_getChild(i);
    return child && child->m_getType() == T::type ? static_cast<T*>(child) : nullptr;
  }

 private:
  const std::string id_;
  CTM_node* parent_ = nullptr;
  c_compactList<CTM_edge> successors_;
  c_compactList<CTM_node*> predecessors_;
  std::vector<CTM_node*> children_;
  // Few nodes have a description; a plant of a million nodes keeps the room of a text
  // only where there is one.
  std::unique_ptr<std::string> description_;
  int positionX_ = 0;
  int positionY_ = 0;
  int positionZ_ = 0;
  std::atomic<char> state_{'A'};
  std::array<unsigned char, 2> marks_{1, 1};
};
