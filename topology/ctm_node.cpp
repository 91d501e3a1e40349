#include "topology/ctm_node.h"

#include <cstdarg>
#include <cstdio>

#include "core/c_syncObject.h"
#include "topology/ctm_imreporter.h"

namespace {

const std::string stateAvailable = "A";
const std::string stateNotAvailable = "N";
const std::string noDescription;

// A TM report's text is built in a buffer of this size, terminator included.
constexpr std::size_t textReportBufferSize = 100;

}  // namespace

c_mutex& CTM_node::m_getDumpMutex() {
  static c_mutex dumpMutex;
  return dumpMutex;
}

CTM_node::CTM_node(std::string id) : id_(std::move(id)) {}

CTM_node::~CTM_node() = default;

bool CTM_node::m_init(const std::string&, bool) { return true; }

void CTM_node::m_stop() {}

bool CTM_node::m_setParent(CTM_node* parent) {
  parent_ = parent;
  return true;
}

const std::string& CTM_node::m_getState() const {
  return state_.load(std::memory_order_relaxed) == 'A' ? stateAvailable : stateNotAvailable;
}

bool CTM_node::m_setState(const std::string& state) {
  if (state != stateAvailable && state != stateNotAvailable) return false;
  // An explicit stack: a hostile file can nest node elements deeper than the call stack.
  std::vector<CTM_node*> pending{this};
  while (!pending.empty()) {
    CTM_node* node = pending.back();
    pending.pop_back();
    node->state_.store(state[0], std::memory_order_relaxed);
    pending.insert(pending.end(), node->children_.rbegin(), node->children_.rend());
  }
  return true;
}

bool CTM_node::m_addSuccessor(CTM_node* target, int weight) {
  successors_.push_back(CTM_edge(target, weight));
  return true;
}

bool CTM_node::m_addPredecessor(CTM_node* node) {
  predecessors_.push_back(node);
  return true;
}

bool CTM_node::m_addChild(CTM_node* node) {
  children_.push_back(node);
  return true;
}

void CTM_node::m_removeChild(const CTM_node* node) {
  std::erase(children_, node);
}

bool CTM_node::m_getSuccessorAndWeight(std::size_t i, CTM_node*& target, int& weight) const {
  if (i >= successors_.size()) return false;
  target = successors_[i].m_getTarget();
  weight = successors_[i].m_getWeight();
  return true;
}

CTM_node* CTM_node::m_findSuccessor(const std::string& id) const {
  for (const CTM_edge& edge : successors_)
    if (edge.m_getTarget()->m_getId() == id) return edge.m_getTarget();
  return nullptr;
}

const std::string& CTM_node::m_getDescription() const { return description_ ? *description_ : noDescription; }

void CTM_node::m_setDescription(const std::string& description) {
  if (description.empty())
    description_.reset();
  else
    description_ = std::make_unique<std::string>(description);
}

std::string CTM_node::m_asString() const { return "(ID = " + id_ + ")"; }

bool CTM_node::m_sendText(const std::string& source, unsigned short level, const char* format, ...) {
  CTM_node* node = this;
  while (node && node->m_getType() != typeTm) node = node->parent_;
  if (!node) return true;
  char text[textReportBufferSize];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  CTM_imReporter* reporter = node->m_getImReporter();
  return reporter && reporter->m_reportText(source, level, text);
}
