#pragma once
// MT telegrams: what the TM sends to the manual coding computer ("M" -> "T",
// version 1, header 13): the keep-alive, the data of one baggage item, whether
// coding services are required, and two header-only telegrams.

#include <memory>
#include <string>
#include <string_view>

#include "telegrams/ctm_message.h"
#include "telegrams/ctm_pairmessage.h"

extern const CTM_telegramPair ctm_mtPair;

class CTM_mt_message : public CTM_pairMessage<ctm_mtPair, 1> {
 protected:
  using CTM_pairMessage::CTM_pairMessage;
};

// Keep-alive.
class CTM_mt00_message : public CTM_mt_message {
 public:
  CTM_mt00_message();
};

// The data of one baggage item. Texts are read with their padding; the setters
// check no pattern (a receiver does).
class CTM_mt01_message : public CTM_mt_message {
 public:
  CTM_mt01_message();
  std::string m_getBIT_ID() const { return m_textOf(m_field(0)); }
  std::string m_getLPC() const { return m_textOf(m_field(1)); }
  std::string m_getFlightID() const { return m_textOf(m_field(2)); }
  std::string m_getCabinClass() const { return m_textOf(m_field(3)); }
  std::string m_getDestination() const { return m_textOf(m_field(4)); }
  bool m_getOnwardConnection() const { return m_flagOf(m_field(5)); }
  std::string m_getBaggageExceptionData() const { return m_textOf(m_field(6)); }
  std::string m_getPassengerName() const { return m_textOf(m_field(7)); }
  bool m_setBIT_ID(std::string_view id) { return m_setText(m_field(0), id); }
  bool m_setLPC(std::string_view lpc) { return m_setText(m_field(1), lpc); }
  bool m_setFlightID(std::string_view flight) { return m_setText(m_field(2), flight); }
  bool m_setCabinClass(std::string_view cabinClass) { return m_setText(m_field(3), cabinClass); }
  bool m_setDestination(std::string_view destination) { return m_setText(m_field(4), destination); }
  bool m_setOnwardConnection(bool onward) { return m_setFlag(m_field(5), onward); }
  bool m_setBaggageExceptionData(std::string_view data) { return m_setText(m_field(6), data); }
  bool m_setPassengerName(std::string_view name) { return m_setText(m_field(7), name); }
};

class CTM_mt11_message : public CTM_mt_message {
 public:
  CTM_mt11_message();
  bool m_getCodingServicesRequired() const { return m_flagOf(m_field(0)); }
  bool m_setCodingServicesRequired(bool required) { return m_setFlag(m_field(0), required); }
};

class CTM_mt21_message : public CTM_mt_message {
 public:
  CTM_mt21_message();
};

class CTM_mt22_message : public CTM_mt_message {
 public:
  CTM_mt22_message();
};
