#pragma once
// Interim stand-in until the topology model lands on main.

#include <string>
#include <vector>

class CTM_node {
 public:
  explicit CTM_node(std::string id) : id_(std::move(id)) {}
  virtual ~CTM_node() = default;
  virtual int m_getType() const = 0;
  const std::string& m_getId() const { return id_; }
  CTM_node* m_getParent() const { return parent_; }
  void m_setParent(CTM_node* parent) { parent_ = parent; }

 private:
  std::string id_;
  CTM_node* parent_ = nullptr;
};
