#pragma once
// IMBC telegrams: what the IM computer sends to the TM ("IM" -> "BC", version 2,
// header 15): the keep-alive, command requests, requests to read or change the
// TM's parameters by index, a request for every boolean parameter, and a
// header-only IMBC21. The IM line handler answers them with BCIM telegrams.

#include <memory>
#include <string_view>

#include "telegrams/ctm_message.h"
#include "telegrams/ctm_pairmessage.h"
#include "telegrams/ctm_parameterlist.h"

extern const CTM_telegramPair ctm_imbcPair;

class CTM_imbc_message : public CTM_pairMessage<ctm_imbcPair, 2> {
 protected:
  using CTM_pairMessage::CTM_pairMessage;
};

// Keep-alive.
class CTM_imbc00_message : public CTM_imbc_message {
 public:
  CTM_imbc00_message();
};

// Command requests: the index of a command entry and "1" to carry it out.
class CTM_imbc01_message : public CTM_flagParameterList<CTM_imbc_message> {
 public:
  CTM_imbc01_message();
  bool m_appendBool(int index, bool value) { return m_appendGroupTo(m_list(), index, value); }
};

// Read the parameters of one type at these indexes.
class CTM_imbc02_message : public CTM_indexParameterList<CTM_imbc_message> {
 public:
  CTM_imbc02_message();
};

// Change the parameters of one type.
class CTM_imbc03_message : public CTM_typedParameterList<CTM_imbc_message> {
 public:
  CTM_imbc03_message();
};

// Every boolean parameter.
class CTM_imbc11_message : public CTM_imbc_message {
 public:
  CTM_imbc11_message();
};

// Read the parameters of one type at these indexes, then erase them when asked:
// the reader walks the indexes once for the answer and, rewound, once to erase.
class CTM_imbc12_message : public CTM_indexParameterList<CTM_imbc_message> {
 public:
  CTM_imbc12_message();
  bool m_getEraseIndicator() const { return m_flagOf(m_field(2)); }
  bool m_setEraseIndicator(bool erase) { return m_setFlag(m_field(2), erase); }
  void m_resetFieldIndexes() { m_rewindGroups(m_list()); }
};

class CTM_imbc21_message : public CTM_imbc_message {
 public:
  CTM_imbc21_message();
};
