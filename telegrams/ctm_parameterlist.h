#pragma once
// Parameter lists: how a transport controller, the IM computer and the TM carry
// configuration entries by index. Every list starts with a type letter
// (`fieldType`, field 0) and a two-digit `fieldCount` opening groups that each
// end with the delimiter ";". Three shapes:
//  - typed: the letter ("B", "I", "L", "R" or "S") selects the layout that
//    follows it, groups of {fieldIndex, fieldValue of that type}, each type with
//    its own maximum (99, 99, 90, 45, 39) so that a full list fits a data part;
//  - flags: the letter is always "B", groups of {fieldIndex, "0" or "1"};
//  - indexes: the letter is a plain field of any character, groups of {fieldIndex}.
// The tables live in ctm_parameterlist.cpp; the templates below give the type
// classes their accessors, placed between a pair class and the type class.

#include <span>
#include <string>
#include <string_view>

#include "platform/c_value.h"
#include "telegrams/ctm_fielddefinition.h"
#include "telegrams/ctm_messagefieldvalue.h"

// Typed list whose "B" values are the texts "0" and "1" (IM computer and TM).
extern const std::span<const CTM_fieldDefinition> ctm_typedParameterListFields;
// Typed list whose "B" values are ints of one digit (transport controllers).
extern const std::span<const CTM_fieldDefinition> ctm_typedDigitParameterListFields;
extern const std::span<const CTM_fieldDefinition> ctm_flagParameterListFields;
extern const std::span<const CTM_fieldDefinition> ctm_indexParameterListFields;
// The index list followed by `eraseIndicator` "0" or "1".
extern const std::span<const CTM_fieldDefinition> ctm_erasableIndexParameterListFields;

// What every list shape has: the type letter and the number of groups.
template <class Pair>
class CTM_parameterList : public Pair {
 public:
  std::string m_getFieldType() const { return this->m_textOf(this->m_field(0)); }
  // On a typed list this creates the selected layout (empty), so it comes
  // before any append; setting another letter drops the groups of the old one.
  bool m_setFieldType(std::string_view type) { return this->m_setText(this->m_field(0), type); }
  // 0 while a typed list has no layout yet.
  int m_getFieldCount() const { return this->m_intOf(m_list()); }

 protected:
  using Pair::Pair;

  // The count field: in the selected layout of a typed list, else field 1.
  // None while a typed list's letter is unset, so that every accessor refuses.
  CTM_messageFieldValue* m_list() {
    CTM_messageFieldValue* type = this->m_field(0);
    return type && type->m_definition().m_isSelector() ? this->m_layoutField(type, 0) : this->m_field(1);
  }
  const CTM_messageFieldValue* m_list() const { return const_cast<CTM_parameterList*>(this)->m_list(); }
};

template <class Pair>
class CTM_typedParameterList : public CTM_parameterList<Pair> {
 public:
  bool m_appendBool(int index, bool value) { return this->m_appendGroupTo(this->m_list(), index, value); }
  bool m_appendInt(int index, int value) { return this->m_appendGroupTo(this->m_list(), index, value); }
  bool m_appendLong(int index, long value) { return this->m_appendGroupTo(this->m_list(), index, value); }
  bool m_appendReal(int index, double value) { return this->m_appendGroupTo(this->m_list(), index, value); }
  bool m_appendString(int index, std::string_view value) { return this->m_appendGroupTo(this->m_list(), index, value); }
  // A flag is set unless its text is "0".
  bool m_getNextBool(int& index, bool& value) { return this->m_readNextGroup(this->m_list(), index, value); }
  bool m_getNextInt(int& index, int& value) { return this->m_readNextGroup(this->m_list(), index, value); }
  bool m_getNextLong(int& index, long& value) { return this->m_readNextGroup(this->m_list(), index, value); }
  bool m_getNextReal(int& index, double& value) { return this->m_readNextGroup(this->m_list(), index, value); }
  bool m_getNextString(int& index, std::string& value) { return this->m_readNextGroup(this->m_list(), index, value); }

 protected:
  using CTM_parameterList<Pair>::CTM_parameterList;
};

template <class Pair>
class CTM_flagParameterList : public CTM_parameterList<Pair> {
 public:
  bool m_getNextBool(int& index, bool& value) { return this->m_readNextGroup(this->m_list(), index, value); }

 protected:
  using CTM_parameterList<Pair>::CTM_parameterList;
};

template <class Pair>
class CTM_indexParameterList : public CTM_parameterList<Pair> {
 public:
  bool m_getNextFieldIndex(int& index) { return this->m_readNextGroup(this->m_list(), index); }
  bool m_appendFieldIndex(int index) { return this->m_appendGroupTo(this->m_list(), index); }

 protected:
  using CTM_parameterList<Pair>::CTM_parameterList;
};
