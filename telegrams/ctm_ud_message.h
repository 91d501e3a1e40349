#pragma once
// UD telegrams: what a TM sends to its downstream TM ("U" -> "D", version 1,
// header 13): the keep-alive, the number of items on a logical segment, the
// request for the state of the logical connections, and the announcement,
// update and withdrawal of an item on its way to the downstream TM.

#include <string>
#include <string_view>

#include "telegrams/ctm_itemrecord.h"
#include "telegrams/ctm_logicalconnection.h"
#include "telegrams/ctm_message.h"
#include "telegrams/ctm_pairmessage.h"

extern const CTM_telegramPair ctm_udPair;

class CTM_ud_message : public CTM_pairMessage<ctm_udPair, 1> {
 protected:
  using CTM_pairMessage::CTM_pairMessage;
};

// Keep-alive.
class CTM_ud00_message : public CTM_ud_message {
 public:
  CTM_ud00_message();
};

// The number of items on a logical segment; a count above 9999 is written whole.
class CTM_ud01_message : public CTM_ud_message {
 public:
  CTM_ud01_message();
  std::string m_getLS_ID() const { return m_textOf(m_field(0)); }
  int m_getBaggageCount() const { return m_intOf(m_field(1)); }
  bool m_setLS_ID(std::string_view segment) { return m_setText(m_field(0), segment); }
  bool m_setBaggageCount(int count) { return m_setInt(m_field(1), count); }
};

// Asks for the state of every logical connection (answered with DU01).
class CTM_ud02_message : public CTM_ud_message {
 public:
  CTM_ud02_message();
};

// A new item on its way, with its whole record.
class CTM_ud11_message : public CTM_itemRecordTelegram<CTM_logicalConnection<CTM_ud_message>, 1> {
 public:
  CTM_ud11_message();
};

// New data of an item already announced.
class CTM_ud12_message : public CTM_itemRecordTelegram<CTM_logicalConnection<CTM_ud_message>, 1> {
 public:
  CTM_ud12_message();
};

// An item that no longer comes.
class CTM_ud13_message : public CTM_logicalConnection<CTM_ud_message> {
 public:
  CTM_ud13_message();
  std::string m_getBIT_ID() const { return m_textOf(m_field(1)); }
  bool m_setBIT_ID(std::string_view id) { return m_setText(m_field(1), id); }
};
