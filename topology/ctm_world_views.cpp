// The views of the model: the text dump and the three GDL graph descriptions.
// Each goes to its sink as it is made; ids, descriptions, colours and addresses go
// in as stored.
#include <cmath>
#include <climits>
#include <string_view>

#include "core/c_syncObject.h"
#include "topology/c_textsink.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_tc.h"
#include "topology/ctm_tm.h"
#include "topology/ctm_tp.h"
#include "topology/ctm_ts.h"
#include "topology/ctm_world.h"

namespace {

// ---- the text dump ----

using c_neighbourGetter = CTM_node* (CTM_node::*)(std::size_t) const;

// One list line, ids each followed by a blank; no line when the list is empty.
template <c_neighbourGetter get>
void appendNodeList(c_textSink& text, std::string_view heading, const CTM_node& node) {
  if (!(node.*get)(0)) return;
  text += heading;
  for (std::size_t i = 0; const CTM_node* neighbour = (node.*get)(i); ++i) {
    text += neighbour->m_getId();
    text += ' ';
  }
  text += '\n';
}

void appendNodeBlock(c_textSink& text, const CTM_node& node) {
  text += "*** Node ";
  text += node.m_getId();
  text += '\n';
  if (const CTM_node* parent = node.m_getParent()) {
    text += "    Parent node is ";
    text += parent->m_getId();
    text += '\n';
  } else {
    text += "    This node does not have a parent.\n";
  }
  appendNodeList<&CTM_node::m_getChild>(text, "    Children: ", node);
  appendNodeList<&CTM_node::m_getPredecessor>(text, "    Predecessors: ", node);
  appendNodeList<&CTM_node::m_getSuccessor>(text, "    Successors: ", node);
  text += '\n';
}

// ---- the GDL views ----

constexpr std::string_view separator = "// -----------------------------------------------------\n";

constexpr std::string_view physicalAttributes =
    "\tcolorentry 33       : 240 240 240\n"
    "\tnode.color          : 33\n"
    "\tnode.bordercolor    : 33\n"
    "\tnode.borderwidth    : 5\n"
    "\tnode.textcolor      : black\n"
    "\tnode.shape          : box\n"
    "\tnode.fontname       : \"helvR12\"\n"
    "\tedge.thickness      : 10\n"
    "\tedge.arrowsize      : 40\n"
    "\tarrowmode           : free    \n"
    "\tdisplay_edge_labels : yes\n"
    "\n";

// The node colour shares its line with the edge thickness; GDL reads both.
constexpr std::string_view brindleAttributes =
    "\tcolorentry 33       : 240 240 240\n"
    "\tcolorentry 34       : 220 220 220\n"
    "\tnode.textcolor      : black\n"
    "\tnode.shape          : box\n"
    "\tnode.borderwidth    : 3\n"
    "\tnode.fontname       : \"helvR12\"\n"
    "\tnode.color          : 33"
    "\tedge.thickness      : 3\n"
    "\tedge.arrowsize      : 8\n"
    "\tarrowmode           : free    \n"
    "\tdisplay_edge_labels : yes\n"
    "\torientation         : left_to_right\n"
    "\tsplines             : yes\n"
    "\n";

constexpr std::string_view logicalAttributes =
    "\tnode.textcolor      : black\n"
    "\tnode.shape          : box\n"
    "\tnode.borderwidth    : 2\n"
    "\tnode.fontname       : \"helvR12\"\n"
    "\tedge.thickness      : 3\n"
    "\tedge.arrowsize      : 8\n"
    "\tarrowmode           : free    \n"
    "\tdisplay_edge_labels : yes\n"
    "\torientation         : left_to_right\n"
    "\tsplines             : yes\n"
    "\n";

// The colour of the plant's light grey entry, for what has no colour of its own.
constexpr std::string_view defaultColor = "33";

void appendHeader(c_textSink& text, std::string_view title, std::string_view attributes) {
  text += "// \n// Description file for the aiSee graph visualization tool\n";
  text += title;
  text += "// \n\ngraph: {\n\n\ttitle: \"CTM Topology\"\n\n";
  text += attributes;
}

// A drawing coordinate, truncated toward zero; positions far outside the drawing
// stay at its edge rather than wrap.
int coordinate(double value) {
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(std::trunc(value));
}

// The parent when it is of the kind that the plant's nesting puts above the node;
// a view draws a missing or misplaced ancestor as none.
template <typename T>
const T* parentAs(const CTM_node* node) {
  const CTM_node* parent = node ? node->m_getParent() : nullptr;
  return parent && parent->m_getType() == T::type ? static_cast<const T*>(parent) : nullptr;
}

std::string_view idOf(const CTM_node* node) { return node ? std::string_view(node->m_getId()) : std::string_view(); }

std::string colorOf(const CTM_ls* segment) { return segment ? segment->m_getColor() : std::string(); }

// The edge from a node's parent in the brindle and logical views.
void appendParentEdge(c_textSink& text, std::string_view attributes, std::string_view parentId,
                      std::string_view id) {
  text += "\n\t// Parent edge\n\tedge: { ";
  text += attributes;
  text += "thickness:1 arrowsize:0 source:\"";
  text += parentId;
  text += "\" target:\"";
  text += id;
  text += "\"}\n";
}

// The head of a node entry in the brindle and logical views.
void appendNodeHead(c_textSink& text, std::string_view head, std::string_view id) {
  text += separator;
  text += head;
  text += id;
  text += "\"\n";
  text += separator;
  text += "\n\tnode: {\n\n\t   title: \"";
  text += id;
  text += "\"\n";
}

struct c_logicalKind {
  std::string_view head;
  std::string_view order;
  std::string_view color;
  std::string_view label;
};

constexpr c_logicalKind logicalKinds[] = {
    {"//  Transport manager \"", "\t   vertical_order: 1\n", "lightred", "Transport Manager "},
    {"//  Logical segment \"", "\t   vertical_order: 2\n", "orange", "Logical Segment "},
    {"//  Transport controller \"", "\t   vertical_order: 3\n", "yellow", "Transport Controller "},
    {"//  Technical Segment \"", "\t   vertical_order: 4\n", "lightgreen", "Technical Segment "},
    {"//  Tracking Point \"", "\t   vertical_order: 5\n", "lightblue", "Tracking Point "},
};

}  // namespace

bool CTM_world::m_writeTopology(c_textSink& text) {
  c_lock guard(&CTM_node::m_getDumpMutex(), -1);
  m_clearMarks(0);
  for (CTM_node* tm : tmNodes_)
    if (!tm->m_isMarked(0)) m_dumpNode(text, tm);
  m_clearMarks(0);
  return !tmNodes_.empty();
}

// A pre-order walk that prefers successors, then predecessors, then children, each
// neighbour tested for mark 0 when the walk reaches it. The stack is explicit: a
// line of tracking points is as deep as it is long.
void CTM_world::m_dumpNode(c_textSink& text, CTM_node* start) {
  enum { successors, predecessors, children, listCount };
  auto neighbour = [](const CTM_node& node, int list, std::size_t i) {
    return list == successors ? node.m_getSuccessor(i)
           : list == predecessors ? node.m_getPredecessor(i)
                                  : node.m_getChild(i);
  };
  struct c_frame {
    CTM_node* node;
    int list;
    std::size_t next;
  };
  std::vector<c_frame> pending;
  auto visit = [&](CTM_node* node) {
    appendNodeBlock(text, *node);
    node->m_setMark(0);
    pending.push_back({node, successors, 0});
  };
  visit(start);
  while (!pending.empty()) {
    c_frame& frame = pending.back();
    if (frame.list == listCount) {
      pending.pop_back();
      continue;
    }
    CTM_node* next = neighbour(*frame.node, frame.list, frame.next++);
    if (!next) {
      ++frame.list;
      frame.next = 0;
    } else if (!next->m_isMarked(0)) {
      visit(next);
    }
  }
}

bool CTM_world::m_writePhysicalViewGdl(c_textSink& text) const {
  appendHeader(text, "// Physical view, only tracking points are shown.\n", physicalAttributes);
  for (const CTM_node* node : m_getNodesInIdOrder()) {
    if (node->m_getType() != CTM_node::typeTp) continue;
    const auto* ts = parentAs<CTM_ts>(node);
    const auto* tc = parentAs<CTM_tc>(ts);
    const auto* ls = parentAs<CTM_ls>(tc);
    const auto* tm = parentAs<CTM_tm>(ls);
    const std::string& id = node->m_getId();
    const std::string color = colorOf(ls);

    text += separator;
    text += "//  Node \"";
    text += id;
    text += "\"\n";
    text += separator;
    text += "\tnode: {\n\n\t   title: \"";
    text += id;
    text += "\"\n";
    if (!m_hasPosition(node)) return false;
    double shiftZ = node->m_getPositionZ() * 5.0;
    double x = (static_cast<double>(node->m_getPositionX()) + (ls ? ls->m_getOffsetX() : 0)) * 5.0 + shiftZ;
    double y = (static_cast<double>(node->m_getPositionY()) + (ls ? ls->m_getOffsetY() : 0)) * 5.0 - shiftZ;
    text += "\t   loc: { x:";
    text.m_appendInt(coordinate(x));
    text += " y:";
    text.m_appendInt(coordinate(y));
    text += " }\n";
    if (!color.empty()) {
      text += "\t   bordercolor: ";
      text += color;
      text += '\n';
    }
    text += "\t   label: \" Node ID: \\f08";
    text += id;
    text += "\\f31 \\n Description: \\f08";
    if (ts) text += ts->m_getDescription();
    text += "\\f31 \\n Path: \\f08";
    text += idOf(tm);
    text += '-';
    text += idOf(ls);
    text += '-';
    text += idOf(tc);
    text += '-';
    text += idOf(ts);
    text += "\\f31\"\n\t}\n\n";

    CTM_node* target = nullptr;
    int weight = 0;
    for (std::size_t i = 0; node->m_getSuccessorAndWeight(i, target, weight); ++i) {
      if (i == 0) text += "\t// Successor edges\n";
      text += "\tedge: { color: ";
      text += color.empty() ? defaultColor : std::string_view(color);
      text += " label:  \"";
      text.m_appendInt(weight);
      text += "\" source: \"";
      text += id;
      text += "\" target: \"";
      text += target->m_getId();
      text += "\"}\n";
    }
    text += '\n';
  }
  text += "}\n";
  return true;
}

bool CTM_world::m_writeBrindleViewGdl(c_textSink& text) const {
  appendHeader(text, "// Brindle's view. Hierarchical dependencies are shown.\n", brindleAttributes);
  for (const CTM_node* node : m_getNodesInIdOrder()) {
    int kind = node->m_getType();
    if (kind != CTM_node::typeTm && kind != CTM_node::typeLs && kind != CTM_node::typeTc) continue;
    if (!m_hasPosition(node)) return false;
    const std::string& id = node->m_getId();
    std::string_view typeName;
    std::string label = "Node ID: " + id + "\\nType: ";
    std::string_view fill = defaultColor;
    std::string border;
    std::string_view shape = "ellipse";
    std::string_view parentId;
    if (kind == CTM_node::typeTm) {
      typeName = "Transport Manager";
      label += typeName;
      label += "\\nAddress: " + static_cast<const CTM_tm*>(node)->m_getAddress();
      fill = "lightgreen";
      border = "black";
    } else if (kind == CTM_node::typeLs) {
      typeName = "Logical Segment";
      label += typeName;
      border = static_cast<const CTM_ls*>(node)->m_getColor();
      parentId = idOf(parentAs<CTM_tm>(node));
    } else {
      const auto* segment = parentAs<CTM_ls>(node);
      typeName = "Transport Controller";
      label += typeName;
      label += "\\nAddress: " + static_cast<const CTM_tc*>(node)->m_getAddress();
      border = colorOf(segment);
      shape = "box";
      parentId = idOf(segment);
    }
    // A segment without a colour of its own is drawn like the physical view's edges.
    if (border.empty()) border = defaultColor;

    appendNodeHead(text, "//  " + std::string(typeName) + " \"", id);
    text += "\t   color: ";
    text += fill;
    text += "\n\t   bordercolor: ";
    text += border;
    text += "\n\t   shape: ";
    text += shape;
    text += "\n\t   label: \"";
    text += label;
    text += "\"\n\t   loc: { x:";
    text.m_appendInt(coordinate(node->m_getPositionX() * 2.0));
    text += " y:";
    text.m_appendInt(coordinate(node->m_getPositionY() * 6.0));
    text += "}\n\t}\n";
    for (std::size_t i = 0; const CTM_node* target = node->m_getSuccessor(i); ++i) {
      if (i == 0) text += "\n\t// Successor edges\n";
      text += "\tedge: { arrowsize:10 color: black source:\"";
      text += id;
      text += "\" target:\"";
      text += target->m_getId();
      text += "\"}\n";
    }
    if (kind != CTM_node::typeTm) appendParentEdge(text, "color: 34 ", parentId, id);
    text += '\n';
  }
  text += "}\n";
  return true;
}

bool CTM_world::m_writeLogicalViewGdl(c_textSink& text) const {
  appendHeader(text, "// Logical view, hierarchical dependencies shown.\n", logicalAttributes);
  for (const CTM_node* node : m_getNodesInIdOrder()) {
    int kind = node->m_getType();
    if (kind < CTM_node::typeTm || kind > CTM_node::typeTp) continue;
    const c_logicalKind& style = logicalKinds[kind];
    const std::string& id = node->m_getId();
    appendNodeHead(text, style.head, id);
    text += style.order;
    text += "\t   color: ";
    text += style.color;
    text += "\n\t   label: \"";
    text += style.label;
    text += id;
    if (kind == CTM_node::typeTm) text += "\\nAddress: " + static_cast<const CTM_tm*>(node)->m_getAddress();
    if (kind == CTM_node::typeTc) text += "\\nAddress: " + static_cast<const CTM_tc*>(node)->m_getAddress();
    text += '"';
    if (kind <= CTM_node::typeTc) text += '\n';
    text += "\t}\n";
    for (std::size_t i = 0; const CTM_node* target = node->m_getSuccessor(i); ++i) {
      if (i == 0) text += "\n\t// Successor edges\n";
      text += "\tedge: { color:";
      text += style.color;
      text += " source:\"";
      text += id;
      text += "\" target:\"";
      text += target->m_getId();
      text += "\"}\n";
    }
    if (kind != CTM_node::typeTm) appendParentEdge(text, "color:black ", idOf(node->m_getParent()), id);
    text += '\n';
  }
  text += "}\n";
  return true;
}

namespace {

// A view as one text; empty when the view turns out empty.
template <typename Render>
std::string wholeView(Render render) {
  c_stringSink text;
  return render(text) ? text.m_release() : std::string();
}

}  // namespace

std::string CTM_world::m_dumpTopology() {
  return wholeView([this](c_textSink& text) { return m_writeTopology(text); });
}

std::string CTM_world::m_physicalViewGdl() const {
  return wholeView([this](c_textSink& text) { return m_writePhysicalViewGdl(text); });
}

std::string CTM_world::m_brindleViewGdl() const {
  return wholeView([this](c_textSink& text) { return m_writeBrindleViewGdl(text); });
}

std::string CTM_world::m_logicalViewGdl() const {
  return wholeView([this](c_textSink& text) { return m_writeLogicalViewGdl(text); });
}
