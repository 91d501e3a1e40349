#pragma once
// TCTM telegrams: what a transport controller reports to its TM ("TC" -> "TM",
// version 1, header 15). One telegram per item passing a tracking point
// (entered, diverted, not diverted, traced, left, missing, unexpected, screened,
// LPC read, measured), the state of a technical segment, a parameter list, a
// free-text event, and the keep-alive. The TM only receives them; the setters
// let tests and tools build them like any other telegram.

#include <memory>
#include <string>
#include <string_view>

#include "telegrams/ctm_itemhead.h"
#include "telegrams/ctm_message.h"
#include "telegrams/ctm_pairmessage.h"
#include "telegrams/ctm_parameterlist.h"

extern const CTM_telegramPair ctm_tctmPair;

class CTM_tctm_message : public CTM_pairMessage<ctm_tctmPair, 1> {
 protected:
  using CTM_pairMessage::CTM_pairMessage;
};

// Keep-alive.
class CTM_tctm00_message : public CTM_tctm_message {
 public:
  CTM_tctm00_message();
};

// Item entered at a tracking point.
class CTM_tctm01_message : public CTM_itemAtEquipment<CTM_tctm_message> {
 public:
  CTM_tctm01_message();
};

// Item diverted from the origin towards the destination, for reason "R" or "N".
class CTM_tctm02_message : public CTM_itemFromEquipment<CTM_tctm_message> {
 public:
  CTM_tctm02_message();
  std::string m_getEquipmentCodeDestination() const { return m_textOf(m_field(3)); }
  std::string m_getDivReason() const { return m_textOf(m_field(4)); }
  bool m_setEquipmentCodeDestination(std::string_view code) { return m_setText(m_field(3), code); }
  bool m_setDivReason(std::string_view reason) { return m_setText(m_field(4), reason); }
};

// Item not diverted: one reason per refused destination ("BLOCK", "DFULL", ...).
class CTM_tctm03_message : public CTM_itemFromEquipment<CTM_tctm_message> {
 public:
  // A received telegram may list 64 destinations; a sender stops at 46, the most
  // that fit the 999 characters of a data part.
  static constexpr int maxDestinations = 64;
  static constexpr int maxAppendedDestinations = 46;

  CTM_tctm03_message();
  int m_getFieldCount() const { return m_intOf(m_field(3)); }
  bool m_getNextDestination(std::string& destination, std::string& notDivReason) {
    return m_readNextGroup(m_field(3), destination, notDivReason);
  }
  bool m_appendDestination(std::string_view destination, std::string_view notDivReason) {
    return m_appendGroupTo(m_field(3), destination, notDivReason);
  }
};

// Item traced.
class CTM_tctm04_message : public CTM_itemAtEquipment<CTM_tctm_message> {
 public:
  CTM_tctm04_message();
};

// Item left the segment.
class CTM_tctm05_message : public CTM_itemAtEquipment<CTM_tctm_message> {
 public:
  CTM_tctm05_message();
};

// Item missing.
class CTM_tctm06_message : public CTM_itemAtEquipment<CTM_tctm_message> {
 public:
  CTM_tctm06_message();
};

// Unexpected item.
class CTM_tctm07_message : public CTM_itemAtEquipment<CTM_tctm_message> {
 public:
  CTM_tctm07_message();
};

// Screening result "A", "C" or "R" at a screening level.
class CTM_tctm08_message : public CTM_itemAtEquipment<CTM_tctm_message> {
 public:
  CTM_tctm08_message();
  int m_getScreeningLevel() const { return m_intOf(m_field(3)); }
  std::string m_getScreeningResult() const { return m_textOf(m_field(4)); }
  bool m_setScreeningLevel(int level) { return m_setInt(m_field(3), level); }
  bool m_setScreeningResult(std::string_view result) { return m_setText(m_field(4), result); }
};

// LPC read; ten zeros are a no-read.
class CTM_tctm09_message : public CTM_itemAtEquipment<CTM_tctm_message> {
 public:
  CTM_tctm09_message();
  std::string m_getLPC() const { return m_textOf(m_field(3)); }
  bool m_setLPC(std::string_view lpc) { return m_setText(m_field(3), lpc); }
};

// Item measured.
class CTM_tctm10_message : public CTM_itemAtEquipment<CTM_tctm_message> {
 public:
  CTM_tctm10_message();
  int m_getLength() const { return m_intOf(m_field(3)); }
  int m_getHeight() const { return m_intOf(m_field(4)); }
  int m_getWidth() const { return m_intOf(m_field(5)); }
  int m_getWeight() const { return m_intOf(m_field(6)); }
  bool m_setLength(int length) { return m_setInt(m_field(3), length); }
  bool m_setHeight(int height) { return m_setInt(m_field(4), height); }
  bool m_setWidth(int width) { return m_setInt(m_field(5), width); }
  bool m_setWeight(int weight) { return m_setInt(m_field(6), weight); }
};

// The report head with an item id that may not be blank.
class CTM_tctm11_message : public CTM_itemAtEquipment<CTM_tctm_message> {
 public:
  CTM_tctm11_message();
};

// A technical segment available ("A") or not ("N").
class CTM_tctm21_message : public CTM_tctm_message {
 public:
  CTM_tctm21_message();
  std::string m_getTechnSegmentID() const { return m_textOf(m_field(0)); }
  std::string m_getAvailability() const { return m_textOf(m_field(1)); }
  bool m_setTechnSegmentID(std::string_view id) { return m_setText(m_field(0), id); }
  bool m_setAvailability(std::string_view availability) { return m_setOneOf(m_field(1), availability, {"A", "N"}); }
};

// How full a technical segment is: "A", "E", "F" or "N".
class CTM_tctm22_message : public CTM_tctm_message {
 public:
  CTM_tctm22_message();
  std::string m_getTechnSegmentID() const { return m_textOf(m_field(0)); }
  std::string m_getOccupationStatus() const { return m_textOf(m_field(1)); }
  bool m_setTechnSegmentID(std::string_view id) { return m_setText(m_field(0), id); }
  bool m_setOccupationStatus(std::string_view status) { return m_setOneOf(m_field(1), status, {"F", "A", "N", "E"}); }
};

// A parameter list; its "B" values are ints of one digit.
class CTM_tctm23_message : public CTM_typedParameterList<CTM_tctm_message> {
 public:
  CTM_tctm23_message();
};

// A numbered event with a free text that takes the rest of the telegram.
class CTM_tctm24_message : public CTM_tctm_message {
 public:
  CTM_tctm24_message();
  int m_getEventNumber() const { return m_intOf(m_field(0)); }
  std::string m_getMessageText() const { return m_textOf(m_field(1)); }
  bool m_setEventNumber(int number) { return m_setInt(m_field(0), number); }
  bool m_setMessageText(std::string_view text) { return m_setText(m_field(1), text); }
};
