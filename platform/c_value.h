#pragma once
// c_value: a typed value as the configuration and the telegram fields hold it:
// none, a 32-bit int, a 64-bit long, a double, a text or a UTC date-time. Conversions follow the
// C library's reading of numbers (leading blanks, sign, digits up to the first
// other character; nothing readable gives 0) and saturate instead of overflowing.
// Numbers are formatted in the C locale.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "platform/c_datetime.h"

class c_value {
 public:
  enum class c_kind { none, integer, longInteger, real, text, dateTime };

  c_value() = default;
  static c_value m_fromInt(std::int32_t value) { return c_value(Storage(std::in_place_index<1>, value)); }
  static c_value m_fromLong(std::int64_t value) { return c_value(Storage(std::in_place_index<2>, value)); }
  static c_value m_fromDouble(double value) { return c_value(Storage(std::in_place_index<3>, value)); }
  // A text of up to shortTextCapacity bytes is kept in the value itself, without
  // a heap allocation (a telegram's fields are such texts).
  static c_value m_fromText(std::string_view value) {
    if (value.size() <= shortTextCapacity) return c_value(Storage(std::in_place_index<6>, c_shortText(value)));
    return c_value(Storage(std::in_place_index<4>, std::string(value)));
  }
  static c_value m_fromDateTime(c_dateTime value) { return c_value(Storage(std::in_place_index<5>, value)); }
  // The same as assigning m_fromInt, m_fromLong or m_fromText, made in place.
  void m_assignInt(std::int32_t value) { value_.emplace<1>(value); }
  void m_assignLong(std::int64_t value) { value_.emplace<2>(value); }
  void m_assignText(std::string_view value) {
    if (value.size() <= shortTextCapacity)
      value_.emplace<6>(value);
    else
      value_.emplace<4>(value);
  }

  c_kind m_kind() const {
    // Index 6 is the short text.
    const std::size_t index = value_.index();
    return index == 6 ? c_kind::text : static_cast<c_kind>(index);
  }
  bool m_isNull() const { return m_kind() == c_kind::none; }
  bool m_isNumber() const { return m_kind() == c_kind::integer || m_kind() == c_kind::longInteger || m_kind() == c_kind::real; }

  // A text converts by reading its leading number; none converts to 0 or "".
  std::int32_t m_asInt() const;
  std::int64_t m_asLong() const;
  double m_asDouble() const;
  // Integers in decimal, doubles in the shortest form that reads back to the same value,
  // date-times as "%Y%m%d%H%M%S".
  std::string m_asString() const;
  // A date-time as it is; a text in the form "%Y%m%d%H%M%S"; anything else is not valid.
  c_dateTime m_asDateTime() const;
  // The text of a text value without a copy, valid while the value is unchanged;
  // empty for every other kind.
  std::string_view m_text() const;

  // Whether the value can be taken as the given kind without losing its meaning:
  // a number as any number or as text; a text as a number only when it is one, whole;
  // a date-time as text, and a text as a date-time when it is one (fourteen digits).
  bool m_canConvert(c_kind kind) const;

  // Equal by kind and by value.
  friend bool operator==(const c_value& left, const c_value& right) {
    if (left.m_kind() != right.m_kind()) return false;
    return left.m_kind() == c_kind::text ? left.m_text() == right.m_text() : left.value_ == right.value_;
  }

 private:
  // As long as a std::string, so that the value grows no larger.
  static constexpr std::size_t shortTextCapacity = sizeof(std::string) - 1;

  struct c_shortText {
    explicit c_shortText(std::string_view text) : size(static_cast<unsigned char>(text.size())) {
      text.copy(bytes, text.size());
    }
    std::string_view m_view() const { return {bytes, size}; }
    friend bool operator==(const c_shortText& left, const c_shortText& right) { return left.m_view() == right.m_view(); }

    unsigned char size;
    char bytes[shortTextCapacity];
  };

  // A text is a std::string (index 4) or, when short, a c_shortText (index 6).
  using Storage = std::variant<std::monostate, std::int32_t, std::int64_t, double, std::string, c_dateTime, c_shortText>;
  explicit c_value(Storage value) : value_(std::move(value)) {}
  Storage value_;
};

// The C library's atoi/atol/atof readings, saturating at the limits of the type.
std::int32_t c_parseInt(std::string_view text);
std::int64_t c_parseLong(std::string_view text);
double c_parseDouble(std::string_view text);
// Whole-text numbers: optional blanks and sign, then digits (and for a double a
// decimal fraction and exponent) up to the end; false for anything else or an overflow.
bool c_parseWholeLong(std::string_view text, std::int64_t& out);
bool c_parseWholeDouble(std::string_view text, double& out);
