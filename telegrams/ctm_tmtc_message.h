#pragma once
// TMTC telegrams: what the TM sends to a transport controller ("TM" -> "TC",
// version 1, header 15): the keep-alive, the destinations of an item with their
// routing priorities, an item's screening status, and two header-only telegrams
// (TMTC22 every 300 s; TMTC21 is never sent, the factory still reads it).

#include <memory>
#include <string>
#include <string_view>

#include "telegrams/ctm_itemhead.h"
#include "telegrams/ctm_message.h"
#include "telegrams/ctm_pairmessage.h"

extern const CTM_telegramPair ctm_tmtcPair;

class CTM_tmtc_message : public CTM_pairMessage<ctm_tmtcPair, 1> {
 protected:
  using CTM_pairMessage::CTM_pairMessage;
};

// Keep-alive.
class CTM_tmtc00_message : public CTM_tmtc_message {
 public:
  CTM_tmtc00_message();
};

// The destinations of an item, each with its routing priority; at most 53.
class CTM_tmtc01_message : public CTM_itemFromEquipment<CTM_tmtc_message> {
 public:
  static constexpr int maxDestinations = 53;

  CTM_tmtc01_message();
  int m_getFieldCount() const { return m_intOf(m_field(3)); }
  bool m_getNextDestination(std::string& equipmentCode, int& routingPriority) {
    return m_readNextGroup(m_field(3), equipmentCode, routingPriority);
  }
  bool m_appendDestination(std::string_view equipmentCode, int routingPriority) {
    return m_appendGroupTo(m_field(3), equipmentCode, routingPriority);
  }
};

// An item's screening status, "S" or "U".
class CTM_tmtc02_message : public CTM_itemAtEquipment<CTM_tmtc_message> {
 public:
  CTM_tmtc02_message();
  std::string m_getScreeningStatus() const { return m_textOf(m_field(3)); }
  bool m_setScreeningStatus(std::string_view status) { return m_setText(m_field(3), status); }
};

class CTM_tmtc21_message : public CTM_tmtc_message {
 public:
  CTM_tmtc21_message();
};

class CTM_tmtc22_message : public CTM_tmtc_message {
 public:
  CTM_tmtc22_message();
};
