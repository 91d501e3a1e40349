#pragma once
// BCIM telegrams: what the TM sends to the IM computer ("BC" -> "IM", version 2,
// header 15): the keep-alive, the answers to IM's command and parameter
// requests, and the exception reports that any part of the TM raises.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/c_value.h"
#include "telegrams/ctm_message.h"
#include "telegrams/ctm_pairmessage.h"
#include "telegrams/ctm_parameterlist.h"

extern const CTM_telegramPair ctm_bcimPair;

class CTM_bcim_message : public CTM_pairMessage<ctm_bcimPair, 2> {
 protected:
  using CTM_pairMessage::CTM_pairMessage;
};

// Keep-alive.
class CTM_bcim00_message : public CTM_bcim_message {
 public:
  CTM_bcim00_message();
};

// A command request carried out.
class CTM_bcim01_message : public CTM_bcim_message {
 public:
  CTM_bcim01_message();
};

// Parameters of one type by index, answering a read or a change.
class CTM_bcim02_message : public CTM_typedParameterList<CTM_bcim_message> {
 public:
  CTM_bcim02_message();
};

// Every boolean parameter.
class CTM_bcim11_message : public CTM_flagParameterList<CTM_bcim_message> {
 public:
  CTM_bcim11_message();
  bool m_appendValue(int index, const c_value& value) { return m_appendGroupTo(m_list(), index, value); }
};

// Parameters of one type by index, answering a read that may erase them.
class CTM_bcim12_message : public CTM_typedParameterList<CTM_bcim_message> {
 public:
  CTM_bcim12_message();
};

// An exception report: when, where, how grave (1 to 4) and what.
class CTM_bcim21_message : public CTM_bcim_message {
 public:
  // The description field has 50 characters; a description is kept to 44.
  static constexpr std::size_t maxDescription = 44;

  CTM_bcim21_message();
  // Seconds since 1970-01-01 00:00:00 UTC, exactly as set.
  std::int64_t m_getTimeStamp() const { return m_timeOf(m_field(0)); }
  std::string m_getEquipmentCode() const { return m_textOf(m_field(1)); }
  int m_getExceptionLevel() const { return m_intOf(m_field(2)); }
  std::string m_getExceptionDesc() const { return m_textOf(m_field(3)); }
  bool m_setTimeStamp(std::int64_t seconds) { return m_setTime(m_field(0), seconds); }
  bool m_setEquipmentCode(std::string_view code) { return m_setText(m_field(1), code); }
  // Levels 1 to 4 only; any other leaves the field unchanged.
  bool m_setExceptionLevel(int level) { return level >= 1 && level <= 4 && m_setInt(m_field(2), level); }
  bool m_setExceptionDesc(std::string_view description) {
    return m_setText(m_field(3), description.substr(0, maxDescription));
  }
};
