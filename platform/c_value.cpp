#include "platform/c_value.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Reads [blanks][sign]digits; stops at the first other character. Saturates.
std::int64_t leadingLong(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr std::int64_t maxValue = std::numeric_limits<std::int64_t>::max();
  std::uint64_t magnitude = 0;
  const std::uint64_t limit = negative ? static_cast<std::uint64_t>(maxValue) + 1 : static_cast<std::uint64_t>(maxValue);
  bool saturated = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (saturated || magnitude > (limit - digit) / 10) {
      saturated = true;
      continue;
    }
    magnitude = magnitude * 10 + digit;
  }
  if (saturated) magnitude = limit;
  if (negative) return magnitude == limit ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(magnitude);
  return static_cast<std::int64_t>(magnitude);
}

std::int32_t saturateInt(std::int64_t value) {
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

std::int64_t saturateLong(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2233720368547758e18) return std::numeric_limits<std::int64_t>::max();
  if (value <= -9.2233720368547758e18) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(value);
}

}  // namespace

std::int32_t c_parseInt(std::string_view text) { return saturateInt(leadingLong(text)); }
std::int64_t c_parseLong(std::string_view text) { return leadingLong(text); }

double c_parseDouble(std::string_view text) {
  // strtod needs a terminated string; the texts are short.
  std::string copy(text);
  const char* begin = copy.c_str();
  while (isBlank(*begin)) ++begin;
  // Plain decimal only: strtod would also take "inf", "nan" and hex floats.
  const char* p = begin;
  if (*p == '+' || *p == '-') ++p;
  if (!((*p >= '0' && *p <= '9') || (*p == '.' && p[1] >= '0' && p[1] <= '9'))) return 0.0;
  if (*p == '0' && (p[1] == 'x' || p[1] == 'X')) return 0.0;
  errno = 0;
  double value = std::strtod(begin, nullptr);
  return value;  // an overflow gives +-HUGE_VAL, the saturated double
}

bool c_parseWholeLong(std::string_view text, std::int64_t& out) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  if (text.size() - i <= 18) {
    // Eighteen digits cannot overflow.
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
      const unsigned digit = static_cast<unsigned char>(text[i]) - unsigned{'0'};
      if (digit > 9) return false;
      value = value * 10 + digit;
    }
    out = negative ? -value : value;
    return true;
  }
  std::uint64_t magnitude = 0;
  const std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negative ? 1 : 0);
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    unsigned digit = static_cast<unsigned>(text[i] - '0');
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  if (negative)
    out = magnitude == limit ? std::numeric_limits<std::int64_t>::min() : -static_cast<std::int64_t>(magnitude);
  else
    out = static_cast<std::int64_t>(magnitude);
  return true;
}

bool c_parseWholeDouble(std::string_view text, double& out) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t exponentDigits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++exponentDigits;
    if (exponentDigits == 0) return false;
  }
  if (i != text.size()) return false;
  std::string copy(text.substr(start));
  errno = 0;
  double value = std::strtod(copy.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(value)) return false;
  out = value;
  return true;
}

std::int32_t c_value::m_asInt() const {
  switch (m_kind()) {
    case c_kind::none: return 0;
    case c_kind::integer: return std::get<1>(value_);
    case c_kind::longInteger: return saturateInt(std::get<2>(value_));
    case c_kind::real: return saturateInt(saturateLong(std::get<3>(value_)));
    case c_kind::text: return c_parseInt(m_text());
    case c_kind::dateTime: return 0;
  }
  return 0;
}

std::int64_t c_value::m_asLong() const {
  switch (m_kind()) {
    case c_kind::none: return 0;
    case c_kind::integer: return std::get<1>(value_);
    case c_kind::longInteger: return std::get<2>(value_);
    case c_kind::real: return saturateLong(std::get<3>(value_));
    case c_kind::text: return c_parseLong(m_text());
    case c_kind::dateTime: return 0;
  }
  return 0;
}

double c_value::m_asDouble() const {
  switch (m_kind()) {
    case c_kind::none: return 0.0;
    case c_kind::integer: return std::get<1>(value_);
    case c_kind::longInteger: return static_cast<double>(std::get<2>(value_));
    case c_kind::real: return std::get<3>(value_);
    case c_kind::text: return c_parseDouble(m_text());
    case c_kind::dateTime: return 0.0;
  }
  return 0.0;
}

std::string c_value::m_asString() const {
  char buffer[64];
  switch (m_kind()) {
    case c_kind::none: return {};
    case c_kind::integer: return std::to_string(std::get<1>(value_));
    case c_kind::longInteger: return std::to_string(std::get<2>(value_));
    case c_kind::real: {
      auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::get<3>(value_));
      return ec == std::errc() ? std::string(buffer, end) : std::string();
    }
    case c_kind::text: return std::string(m_text());
    case c_kind::dateTime: return std::get<5>(value_).m_asCompact();
  }
  return {};
}

c_dateTime c_value::m_asDateTime() const {
  if (m_kind() == c_kind::dateTime) return std::get<5>(value_);
  if (m_kind() == c_kind::text) return c_dateTime::m_fromCompact(m_text());
  return c_dateTime();
}

std::string_view c_value::m_text() const {
  if (const auto* text = std::get_if<c_shortText>(&value_)) return text->m_view();
  if (const auto* text = std::get_if<std::string>(&value_)) return *text;
  return {};
}

bool c_value::m_canConvert(c_kind kind) const {
  if (kind == m_kind() || kind == c_kind::text) return true;
  switch (m_kind()) {
    case c_kind::none: return false;
    case c_kind::integer:
    case c_kind::longInteger:
    case c_kind::real: return kind != c_kind::none && kind != c_kind::dateTime;
    case c_kind::dateTime: return false;
    case c_kind::text: {
      const std::string_view text = m_text();
      std::int64_t whole = 0;
      double real = 0;
      if (kind == c_kind::integer)
        return c_parseWholeLong(text, whole) && whole >= std::numeric_limits<std::int32_t>::min() &&
               whole <= std::numeric_limits<std::int32_t>::max();
      if (kind == c_kind::longInteger) return c_parseWholeLong(text, whole);
      if (kind == c_kind::real) return c_parseWholeDouble(text, real);
      if (kind == c_kind::dateTime) return c_dateTime::m_fromCompact(text).m_isValid();
      return false;
    }
  }
  return false;
}
