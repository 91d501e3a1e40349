#pragma once
// The logical connection that every telegram about a hand-over between two
// neighbouring TMs begins with (field 0): nine characters, the first five of the
// upstream tracking point's id and characters 1 to 4 of the downstream one's.
// Sits between a pair class and a type class, as the item head does.

#include <string>
#include <string_view>

template <class Pair>
class CTM_logicalConnection : public Pair {
 public:
  std::string m_getLogicalConnectID() const { return this->m_textOf(this->m_field(0)); }
  bool m_setLogicalConnectID(std::string_view id) { return this->m_setText(this->m_field(0), id); }

 protected:
  using Pair::Pair;
};
