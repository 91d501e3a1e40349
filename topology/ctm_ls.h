#pragma once
// CTM_ls: a logical segment (kind 1), child of the TM node and parent of its
// transport controllers. Its id (five characters) begins the ids of its tracking
// points. This is the node side: what the topology file sets and the views read.
// Baggage tracking extends the class with the segment's items, its transport object
// and its MC link; the segment lock it brings then guards the status text.

#include <string>

#include "topology/ctm_node.h"

class CTM_tc;

class CTM_ls : public CTM_node {
 public:
  static constexpr int type = typeLs;

  explicit CTM_ls(std::string id);
  ~CTM_ls() override;

  // Tracking is not built yet: both report that nothing was started.
  bool m_init(const std::string& mask, bool flag) override;
  void m_stop() override;
  int m_getType() const final { return type; }

  // GDL colour name and drawing offset, set only while the topology file is read.
  std::string m_getColor() const { return color_; }
  void m_setColor(const std::string& color) { color_ = color; }
  void m_setOffset(int x, int y) {
    offsetX_ = x;
    offsetY_ = y;
  }
  int m_getOffsetX() const { return offsetX_; }
  int m_getOffsetY() const { return offsetY_; }

  // Occupation status as last reported by a transport controller ("A", "E", "F", "N").
  bool m_setStatusText(const std::string& status);
  std::string m_getStatusText() const { return statusText_; }

  // Transport controller i (null past the end or when child i is of another kind).
  CTM_tc* m_getChild(std::size_t i) const;

 private:
  std::string statusText_ = "E";
  std::string color_;
  int offsetX_ = 0;
  int offsetY_ = 0;
};
