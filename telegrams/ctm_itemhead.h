#pragma once
// The head that every telegram about one baggage item at one place begins with:
// the PIC (field 0), the item's BIT_ID (field 1) and an equipment code (field 2),
// which names either where the item is or, for a diversion, where it started.
// Each template sits between a pair class and a type class, so that the
// accessors of the head exist once for every pair that uses it.

#include <string>
#include <string_view>

template <class Pair>
class CTM_itemHead : public Pair {
 public:
  int m_getPIC() const { return this->m_intOf(this->m_field(0)); }
  std::string m_getBIT_ID() const { return this->m_textOf(this->m_field(1)); }
  bool m_setPIC(int pic) { return this->m_setInt(this->m_field(0), pic); }
  bool m_setBIT_ID(std::string_view id) { return this->m_setText(this->m_field(1), id); }

 protected:
  using Pair::Pair;
};

// The item at the equipment named in field 2.
template <class Pair>
class CTM_itemAtEquipment : public CTM_itemHead<Pair> {
 public:
  std::string m_getEquipmentCode() const { return this->m_textOf(this->m_field(2)); }
  bool m_setEquipmentCode(std::string_view code) { return this->m_setText(this->m_field(2), code); }

 protected:
  using CTM_itemHead<Pair>::CTM_itemHead;
};

// The item on its way from the equipment named in field 2.
template <class Pair>
class CTM_itemFromEquipment : public CTM_itemHead<Pair> {
 public:
  std::string m_getEquipmentCodeOrigin() const { return this->m_textOf(this->m_field(2)); }
  bool m_setEquipmentCodeOrigin(std::string_view code) { return this->m_setText(this->m_field(2), code); }

 protected:
  using CTM_itemHead<Pair>::CTM_itemHead;
};
