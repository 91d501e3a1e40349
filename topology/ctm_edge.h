#pragma once
// CTM_edge: a successor link of the topology model; the weight is the transport
// time in seconds from the owning node to the target.

#include <string>

class CTM_node;

class CTM_edge {
 public:
  CTM_edge() = default;
  CTM_edge(CTM_node* target, int weight) : target_(target), weight_(weight) {}

  CTM_node* m_getTarget() const { return target_; }
  int m_getWeight() const { return weight_; }
  // "(Target = <id>)(Weight = <weight>)".
  std::string m_asString() const;

 private:
  CTM_node* target_ = nullptr;  // not owned: a node of the same world
  int weight_ = 0;
};
