#pragma once
// MO telegrams: what the TM sends to the OC computer ("M" -> "O", version 1,
// header 13): the keep-alive, its logical segments, the answers to OC's
// requests, the availability of logical entry points and the occupation of
// logical segments, and its reports on baggage items (an item's identity at a
// segment, its whole record, a tracking event).

#include <cstdint>
#include <string>
#include <string_view>

#include "telegrams/ctm_itemrecord.h"
#include "telegrams/ctm_message.h"
#include "telegrams/ctm_pairmessage.h"

extern const CTM_telegramPair ctm_moPair;

class CTM_mo_message : public CTM_pairMessage<ctm_moPair, 1> {
 protected:
  using CTM_pairMessage::CTM_pairMessage;
};

// Keep-alive.
class CTM_mo00_message : public CTM_mo_message {
 public:
  CTM_mo00_message();
};

// The TM's logical segments; at most 10.
class CTM_mo01_message : public CTM_mo_message {
 public:
  static constexpr int maxSegments = 10;

  CTM_mo01_message();
  int m_getFieldCount() const { return m_intOf(m_field(0)); }
  bool m_getNextLS_ID(std::string& segment) { return m_readNextGroup(m_field(0), segment); }
  bool m_appendLS_ID(std::string_view segment) { return m_appendGroupTo(m_field(0), segment); }
};

// Answers the begin of a download of transport specifications.
class CTM_mo02_message : public CTM_mo_message {
 public:
  CTM_mo02_message();
};

// Answers one transport specification.
class CTM_mo03_message : public CTM_mo_message {
 public:
  CTM_mo03_message();
};

// Whether each logical entry point is available ("A") or not ("N"); at most 99.
class CTM_mo06_message : public CTM_mo_message {
 public:
  static constexpr int maxEntryPoints = 99;

  CTM_mo06_message();
  int m_getFieldCount() const { return m_intOf(m_field(0)); }
  bool m_getNextEntryPoint(std::string& entryPoint, std::string& availability) {
    return m_readNextGroup(m_field(0), entryPoint, availability);
  }
  bool m_appendEntryPoint(std::string_view entryPoint, std::string_view availability) {
    return m_appendGroupTo(m_field(0), entryPoint, availability);
  }
};

// How full each logical segment is ("A", "E", "F" or "N"); at most 166, which
// fill a data part exactly.
class CTM_mo07_message : public CTM_mo_message {
 public:
  static constexpr int maxSegments = 166;

  CTM_mo07_message();
  int m_getFieldCount() const { return m_intOf(m_field(0)); }
  bool m_getNextOccupation(std::string& segment, std::string& occupation) {
    return m_readNextGroup(m_field(0), segment, occupation);
  }
  bool m_appendOccupation(std::string_view segment, std::string_view occupation) {
    return m_appendGroupTo(m_field(0), segment, occupation);
  }
};

// An item's identity at a segment.
class CTM_mo08_message : public CTM_mo_message {
 public:
  CTM_mo08_message();
  std::string m_getLS_ID() const { return m_textOf(m_field(0)); }
  std::string m_getBIT_ID() const { return m_textOf(m_field(1)); }
  bool m_setLS_ID(std::string_view segment) { return m_setText(m_field(0), segment); }
  bool m_setBIT_ID(std::string_view id) { return m_setText(m_field(1), id); }
};

// An item's whole record at a segment, stamped with the time it was sent.
class CTM_mo10_message : public CTM_itemRecordTelegram<CTM_mo_message, 2> {
 public:
  CTM_mo10_message();
  std::string m_getLS_ID() const { return m_textOf(m_field(0)); }
  // Seconds since 1970-01-01 00:00:00 UTC, exactly as set.
  std::int64_t m_getTimeStamp() const { return m_timeOf(m_field(1)); }
  bool m_setLS_ID(std::string_view segment) { return m_setText(m_field(0), segment); }
  bool m_setTimeStamp(std::int64_t seconds) { return m_setTime(m_field(1), seconds); }
};

// A tracking event of an item: "ENTER", "EXIT ", "TRS  ", "OSIZE", "GARB " or
// "TLATE" at a tracking point (or, for "TRS  " and "TLATE", a destination).
class CTM_mo11_message : public CTM_mo_message {
 public:
  CTM_mo11_message();
  std::string m_getLS_ID() const { return m_textOf(m_field(0)); }
  std::string m_getBIT_ID() const { return m_textOf(m_field(1)); }
  std::string m_getTrackingEventType() const { return m_textOf(m_field(2)); }
  std::string m_getTrackingPoint() const { return m_textOf(m_field(3)); }
  std::int64_t m_getTimeStamp() const { return m_timeOf(m_field(4)); }
  bool m_setLS_ID(std::string_view segment) { return m_setText(m_field(0), segment); }
  bool m_setBIT_ID(std::string_view id) { return m_setText(m_field(1), id); }
  bool m_setTrackingEventType(std::string_view type) { return m_setText(m_field(2), type); }
  bool m_setTrackingPoint(std::string_view point) { return m_setText(m_field(3), point); }
  // Both or, when the event type is none of the six, neither.
  bool m_setTrackingEvent(std::string_view type, std::string_view point) {
    return m_setTrackingEventType(type) && m_setTrackingPoint(point);
  }
  bool m_setTimeStamp(std::int64_t seconds) { return m_setTime(m_field(4), seconds); }
};
