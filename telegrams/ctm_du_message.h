#pragma once
// DU telegrams: what a TM sends to its upstream TM ("D" -> "U", version 1,
// header 13): the keep-alive, the state of the logical connections between the
// two, and the acknowledgement of an item handed over on one of them.

#include <string>
#include <string_view>

#include "telegrams/ctm_logicalconnection.h"
#include "telegrams/ctm_message.h"
#include "telegrams/ctm_pairmessage.h"

extern const CTM_telegramPair ctm_duPair;

class CTM_du_message : public CTM_pairMessage<ctm_duPair, 1> {
 protected:
  using CTM_pairMessage::CTM_pairMessage;
};

// Keep-alive.
class CTM_du00_message : public CTM_du_message {
 public:
  CTM_du00_message();
};

// Whether each connection of a logical connection is operational; at most 246.
class CTM_du01_message : public CTM_logicalConnection<CTM_du_message> {
 public:
  static constexpr int maxConnections = 246;

  CTM_du01_message();
  int m_getConnectionCount() const { return m_intOf(m_field(1)); }
  // Operational unless the status is "0".
  bool m_getNextConnection(int& connectionID, bool& operationalStatus) {
    return m_readNextGroup(m_field(1), connectionID, operationalStatus);
  }
  bool m_appendConnection(int connectionID, bool operationalStatus) {
    return m_appendGroupTo(m_field(1), connectionID, operationalStatus);
  }
};

// An item handed over on one connection of a logical connection.
class CTM_du11_message : public CTM_logicalConnection<CTM_du_message> {
 public:
  CTM_du11_message();
  std::string m_getBIT_ID() const { return m_textOf(m_field(1)); }
  int m_getConnectionID() const { return m_intOf(m_field(2)); }
  bool m_setBIT_ID(std::string_view id) { return m_setText(m_field(1), id); }
  bool m_setConnectionID(int id) { return m_setInt(m_field(2), id); }
};
