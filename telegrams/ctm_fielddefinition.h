#pragma once
// The static description of a telegram's data part: one table of field
// definitions per telegram type, written once and never changed at run time.
// Tables live as long as the program: what is worked out from a table once (how
// its groups are checked) is kept by the table's address.
// Parsing, writing and the readable form are driven entirely by these records,
// so a new telegram type is a table and a thin class, never new parsing code.
//
// A table is built from the named constructors below, for example
//
//   constexpr CTM_fieldDefinition destination[] = {
//       CTM_fieldDefinition::m_text("equipmentCodeDestination", 16, &ctm_equipmentPattern),
//       CTM_fieldDefinition::m_int("routingPriority", 2)};
//   constexpr CTM_fieldDefinition tmtc01[] = {
//       CTM_fieldDefinition::m_int("PIC", 4), ...,
//       CTM_fieldDefinition::m_count("fieldCount", 2, destination, 53)};
//
// Kinds of field: a plain field; a count field (an int whose value is the number
// of repeated groups that follow it); a selector field (a text whose value picks
// one option, whose layout, if it has one, follows it as exactly one group); a
// text with a fixed value that is always written (the ";" delimiters).

#include <span>

#include "platform/c_pattern.h"

// Type codes of the fields, in the numbering the telegram tables have always used.
enum class CTM_fieldType : int { integer = 7, longInteger = 9, real = 11, realAlt = 12, dateTime = 15, text = 17 };

struct CTM_fieldOption;

struct CTM_fieldDefinition {
  // Width of a text field that takes the rest of the data part.
  static constexpr int restOfTelegram = -1;

  const char* name;        // in the readable form and the error texts ("BIT_ID")
  CTM_fieldType type;
  int width;               // characters on the wire, or restOfTelegram
  const char* inFormat;    // numbers: the conversion named in error texts; date-time: its wire form
  const c_pattern* pattern;  // texts: the pattern the whole field must match, or none
  const char* outFormat;   // numbers: printf form taking the width, then the value; date-time: its wire
                           // form; texts: a fixed value always written instead of the value, or none
  std::span<const CTM_fieldDefinition> group;  // count field: the layout of one repeated group
  std::span<const CTM_fieldOption> options;    // selector field: its options
  int maxRepetitions;  // count field: most groups a received telegram may carry
  int maxAppend;       // count field: most groups a sender may append; 0 = maxRepetitions. Lower
                       // where the parse maximum would not fit the 999 characters of a data part.

  constexpr bool m_isCount() const { return !group.empty(); }
  constexpr bool m_isSelector() const { return !options.empty(); }
  constexpr int m_appendLimit() const { return maxAppend > 0 ? maxAppend : maxRepetitions; }

  // "%0*d": zero-padded to the width, the sign first.
  static constexpr CTM_fieldDefinition m_int(const char* name, int width) {
    return {name, CTM_fieldType::integer, width, "%d", nullptr, "%0*d", {}, {}, 0, 0};
  }
  static constexpr CTM_fieldDefinition m_long(const char* name, int width) {
    return {name, CTM_fieldType::longInteger, width, "%ld", nullptr, "%0*ld", {}, {}, 0, 0};
  }
  // "%0*.8lf": eight decimals, zero-padded to the width.
  static constexpr CTM_fieldDefinition m_double(const char* name, int width) {
    return {name, CTM_fieldType::real, width, "%lf", nullptr, "%0*.8lf", {}, {}, 0, 0};
  }
  // Fourteen characters "%Y%m%d%H%M%S", UTC.
  static constexpr CTM_fieldDefinition m_dateTime(const char* name) {
    return {name, CTM_fieldType::dateTime, 14, "%Y%m%d%H%M%S", nullptr, "%Y%m%d%H%M%S", {}, {}, 0, 0};
  }
  static constexpr CTM_fieldDefinition m_text(const char* name, int width, const c_pattern* pattern = nullptr) {
    return {name, CTM_fieldType::text, width, nullptr, pattern, nullptr, {}, {}, 0, 0};
  }
  // Always writes `fixed`; a received field must match the pattern.
  static constexpr CTM_fieldDefinition m_fixedText(const char* name, int width, const c_pattern* pattern,
                                                   const char* fixed) {
    return {name, CTM_fieldType::text, width, nullptr, pattern, fixed, {}, {}, 0, 0};
  }
  // Everything up to the terminator; must be the last field of its table.
  static constexpr CTM_fieldDefinition m_restText(const char* name) {
    return {name, CTM_fieldType::text, restOfTelegram, nullptr, nullptr, nullptr, {}, {}, 0, 0};
  }
  static constexpr CTM_fieldDefinition m_count(const char* name, int width, std::span<const CTM_fieldDefinition> group,
                                               int maxRepetitions, int maxAppend = 0) {
    return {name, CTM_fieldType::integer, width, "%d", nullptr, "%0*d", group, {}, maxRepetitions, maxAppend};
  }
  static constexpr CTM_fieldDefinition m_selector(const char* name, int width, const c_pattern* pattern,
                                                  std::span<const CTM_fieldOption> options) {
    return {name, CTM_fieldType::text, width, nullptr, pattern, nullptr, {}, options, 0, 0};
  }
};

// One value of a selector field and the layout that follows it (empty: the
// option only restricts the value).
struct CTM_fieldOption {
  const char* value;
  std::span<const CTM_fieldDefinition> layout;
};
