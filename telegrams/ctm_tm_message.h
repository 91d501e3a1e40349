#pragma once
// TM telegrams: what a manual coding computer sends to the TM ("T" -> "M",
// version 1, header 13): the keep-alive, the result of coding one item at a
// coding terminal, the terminal's operational status, and the status of its
// equipment.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "telegrams/ctm_message.h"
#include "telegrams/ctm_pairmessage.h"

extern const CTM_telegramPair ctm_tmPair;

class CTM_tm_message : public CTM_pairMessage<ctm_tmPair, 1> {
 protected:
  using CTM_pairMessage::CTM_pairMessage;
};

// Keep-alive.
class CTM_tm00_message : public CTM_tm_message {
 public:
  CTM_tm00_message();
};

// The coding result: how the item was coded, then each item value behind an
// "entered" flag ("1": the operator entered it). A getter hands out the value
// whatever the flag and returns whether it was entered.
class CTM_tm01_message : public CTM_tm_message {
 public:
  CTM_tm01_message();
  bool m_isCodingMethodResultLabel() const { return m_isMethod(label, "L"); }
  bool m_isCodingMethodResultFlight() const { return m_isMethod(flight, "F"); }
  bool m_isCodingMethodResultUnknown() const { return m_isMethod(unknown, "U"); }
  std::string m_getCodingMethodResultLPC() const { return m_textOf(m_field(lpcMethod)); }
  std::string m_getBIT_ID() const { return m_textOf(m_field(bitId)); }
  bool m_getLPC(std::string& lpc) const { return m_getEntered(lpcValue, lpc); }
  bool m_getFlightID(std::string& flight) const { return m_getEntered(flightValue, flight); }
  bool m_getCabinClass(std::string& cabinClass) const { return m_getEntered(cabinClassValue, cabinClass); }
  bool m_getDestination(std::string& destination) const { return m_getEntered(destinationValue, destination); }
  // A blank counts as onward.
  bool m_getOnwardConnection(bool& onward) const {
    onward = m_flagOf(m_field(onwardValue));
    return m_flagOf(m_field(onwardValue - 1));
  }
  bool m_getBaggageExceptionData(std::string& data) const { return m_getEntered(exceptionDataValue, data); }
  bool m_getPassengerName(std::string& name) const { return m_getEntered(passengerNameValue, name); }

  bool m_setCodingMethodResultLabel(bool coded) { return m_setMethod(label, "L", coded); }
  bool m_setCodingMethodResultFlight(bool coded) { return m_setMethod(flight, "F", coded); }
  bool m_setCodingMethodResultUnknown(bool coded) { return m_setMethod(unknown, "U", coded); }
  bool m_setCodingMethodResultLPC(std::string_view method) { return m_setText(m_field(lpcMethod), method); }
  bool m_setBIT_ID(std::string_view id) { return m_setText(m_field(bitId), id); }
  bool m_setLPC(std::string_view lpc, bool entered) { return m_setEntered(lpcValue, lpc, entered); }
  bool m_setFlightID(std::string_view flight, bool entered) { return m_setEntered(flightValue, flight, entered); }
  bool m_setCabinClass(std::string_view cabinClass, bool entered) {
    return m_setEntered(cabinClassValue, cabinClass, entered);
  }
  bool m_setDestination(std::string_view destination, bool entered) {
    return m_setEntered(destinationValue, destination, entered);
  }
  bool m_setOnwardConnection(bool onward, bool entered) {
    return m_setFlag(m_field(onwardValue), onward) && m_setFlag(m_field(onwardValue - 1), entered);
  }
  bool m_setBaggageExceptionData(std::string_view data, bool entered) {
    return m_setEntered(exceptionDataValue, data, entered);
  }
  bool m_setPassengerName(std::string_view name, bool entered) {
    return m_setEntered(passengerNameValue, name, entered);
  }

 private:
  // Field positions; each entered value follows its flag.
  enum : std::size_t { label = 0, lpcMethod = 1, flight = 2, unknown = 3, bitId = 5 };
  enum : std::size_t {
    lpcValue = 7,
    flightValue = 9,
    cabinClassValue = 11,
    destinationValue = 13,
    onwardValue = 15,
    exceptionDataValue = 17,
    passengerNameValue = 19
  };

  bool m_isMethod(std::size_t field, std::string_view letter) const { return m_textOf(m_field(field)) == letter; }
  bool m_setMethod(std::size_t field, std::string_view letter, bool coded) {
    return m_setText(m_field(field), coded ? letter : " ");
  }
  bool m_getEntered(std::size_t value, std::string& out) const {
    out = m_textOf(m_field(value));
    return m_flagOf(m_field(value - 1));
  }
  // The value first: when it is refused the flag keeps its state.
  bool m_setEntered(std::size_t value, std::string_view text, bool entered) {
    return m_setText(m_field(value), text) && m_setFlag(m_field(value - 1), entered);
  }
};

// Operational status of the coding terminal: "U", "C" or "O".
class CTM_tm21_message : public CTM_tm_message {
 public:
  CTM_tm21_message();
  std::string m_getOperationalStatusCode() const { return m_textOf(m_field(0)); }
  bool m_setOperationalStatusCode(std::string_view code) { return m_setText(m_field(0), code); }
};

// Status "A" or "U" of each piece of equipment; at most 58.
class CTM_tm22_message : public CTM_tm_message {
 public:
  static constexpr int maxEquipment = 58;

  CTM_tm22_message();
  int m_getFieldCount() const { return m_intOf(m_field(0)); }
  bool m_getNextEquipment(std::string& equipmentCode, std::string& equipmentStatus) {
    return m_readNextGroup(m_field(0), equipmentCode, equipmentStatus);
  }
  bool m_appendEquipment(std::string_view equipmentCode, std::string_view equipmentStatus) {
    return m_appendGroupTo(m_field(0), equipmentCode, equipmentStatus);
  }
};
