#pragma once
// CS telegrams: what the TM sends to the LPC server ("C" -> "S", version 1,
// header 13): the keep-alive and requests that each name one LPC. The TM sends
// CS02 (data wanted) and CS03 (data no longer needed); the other types exist for
// the factory and share the same one-field layout.

#include <string>
#include <string_view>

#include "telegrams/ctm_message.h"
#include "telegrams/ctm_pairmessage.h"

extern const CTM_telegramPair ctm_csPair;

class CTM_cs_message : public CTM_pairMessage<ctm_csPair, 1> {
 protected:
  using CTM_pairMessage::CTM_pairMessage;
};

// Keep-alive.
class CTM_cs00_message : public CTM_cs_message {
 public:
  CTM_cs00_message();
};

// A request about the ten-digit LPC of field 0.
class CTM_csLpcMessage : public CTM_cs_message {
 public:
  std::string m_getLPC() const { return m_textOf(m_field(0)); }
  bool m_setLPC(std::string_view lpc) { return m_setText(m_field(0), lpc); }

 protected:
  explicit CTM_csLpcMessage(const char* typeId);
};

class CTM_cs01_message : public CTM_csLpcMessage {
 public:
  CTM_cs01_message();
};

// The LPC data of this LPC are wanted.
class CTM_cs02_message : public CTM_csLpcMessage {
 public:
  CTM_cs02_message();
};

// The LPC data of this LPC are no longer needed.
class CTM_cs03_message : public CTM_csLpcMessage {
 public:
  CTM_cs03_message();
};

class CTM_cs11_message : public CTM_csLpcMessage {
 public:
  CTM_cs11_message();
};

class CTM_cs12_message : public CTM_csLpcMessage {
 public:
  CTM_cs12_message();
};

class CTM_cs13_message : public CTM_csLpcMessage {
 public:
  CTM_cs13_message();
};
