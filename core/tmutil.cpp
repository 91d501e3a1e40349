#include "core/tmutil.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/c_clock.h"
#include "platform/c_datetime.h"
#include "platform/c_errortext.h"
#include "platform/c_standardstreams.h"

namespace {

bool isOctal(char c) { return c >= '0' && c <= '7'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char escapedLetter(char c) {
  switch (c) {
    case 'a': return '\a';
    case 'n': return '\n';
    case 'r': return '\r';
    case 't': return '\t';
    case 'v': return '\v';
    default: return c;  // the backslash and every other character stand for themselves
  }
}

// The C library's reading of a number at the start of a slice, as atoi reads it.
int leadingNumber(std::string_view slice) { return std::atoi(std::string(slice).c_str()); }

// Days since 1970-01-01 of a proleptic Gregorian date; a day past the end of its
// month counts on into the next.
std::int64_t daysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

char asciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// 1 to 12 for an English abbreviation in any case, 0 for anything else.
int monthFromAbbreviation(std::string_view text) {
  for (int month = 1; month <= 12; ++month) {
    const std::string_view name = c_dateTime::m_monthAbbreviation(month);
    bool same = text.size() == name.size();
    for (std::size_t i = 0; same && i < text.size(); ++i) same = asciiLower(text[i]) == asciiLower(name[i]);
    if (same) return month;
  }
  return 0;
}

}  // namespace

int unescapeString(char* text) {
  if (text == nullptr) return 0;
  char* out = text;
  const char* in = text;
  while (*in != '\0') {
    if (*in != '\\') {
      *out++ = *in++;
      continue;
    }
    ++in;
    if (*in == '\0') {
      *out++ = '\\';  // a lone backslash at the end stays
      break;
    }
    if (isOctal(*in)) {
      unsigned value = 0;
      for (int digits = 0; digits < 3 && isOctal(*in); ++digits) value = value * 8 + static_cast<unsigned>(*in++ - '0');
      *out++ = static_cast<char>(value & 0xFF);
    } else if (*in == 'x' && hexValue(in[1]) >= 0) {
      ++in;
      int value = 0;
      for (int digits = 0; digits < 2 && hexValue(*in) >= 0; ++digits) value = value * 16 + hexValue(*in++);
      *out++ = static_cast<char>(value);
    } else {
      *out++ = escapedLetter(*in++);  // "\x" without a hex digit stores the x
    }
  }
  *out = '\0';
  return static_cast<int>(out - text);
}

std::string escapeString(std::string_view data) {
  std::string text;
  text.reserve(data.size());
  for (const char c : data) {
    const unsigned char byte = static_cast<unsigned char>(c);
    switch (byte) {
      case 7: text += "\\a"; break;
      case 9: text += "\\t"; break;
      case 10: text += "\\n"; break;
      case 11: text += "\\v"; break;
      case 13: text += "\\r"; break;
      case '\\': text += "\\\\"; break;
      default:
        if (byte >= 0x20 && byte < 0x7F) {  // printable in the C locale
          text += c;
        } else {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", byte);
          text += hex;
        }
    }
  }
  return text;
}

int printEscaped(std::FILE* stream, const unsigned char* data, int length) {
  if (stream == nullptr || data == nullptr || length <= 0) return 0;
  const std::string text = escapeString(std::string_view(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length)));
  return static_cast<int>(std::fwrite(text.data(), 1, text.size(), stream));
}

std::uint64_t performanceCounter() { return static_cast<std::uint64_t>(c_clock::m_monotonicNanoseconds()); }

int performanceCounterText(std::string& out) {
  char text[32];
  const int length = std::snprintf(text, sizeof text, "0x%016llX", static_cast<unsigned long long>(performanceCounter()));
  out.assign(text, static_cast<std::size_t>(length));
  return length;
}

int parsePerformanceCounter(const std::string& text, std::uint64_t& value) {
  if (text.size() < 3 || text[0] != '0' || text[1] != 'x' || hexValue(text[2]) < 0) return 0;
  std::uint64_t read = 0;
  for (std::size_t i = 2; i < text.size() && i < 18 && hexValue(text[i]) >= 0; ++i)
    read = read * 16 + static_cast<std::uint64_t>(hexValue(text[i]));
  value = read;
  return 1;
}

std::time_t string2Time(const std::string& text) {
  if (text.size() != 14) {
    c_standardStreams::m_writeNow(c_standardStreams::output, "ERROR: string2Time: Lenght (" +
                                                               std::to_string(text.size()) +
                                                               ") of time-string is not OK.\n");
    return -1;
  }
  const std::string_view digits(text);
  std::tm fields{};
  fields.tm_year = leadingNumber(digits.substr(0, 4)) - 1900;
  fields.tm_mon = leadingNumber(digits.substr(4, 2)) - 1;
  fields.tm_mday = leadingNumber(digits.substr(6, 2));
  fields.tm_hour = leadingNumber(digits.substr(8, 2));
  fields.tm_min = leadingNumber(digits.substr(10, 2));
  fields.tm_sec = leadingNumber(digits.substr(12, 2));
  fields.tm_isdst = 0;
  // The text is UTC, so that a time reads back as it was written on any machine.
  return timegm(&fields);
}

std::string timeToString(const std::time_t* time, const char* format) {
  std::tm fields{};
  if (time == nullptr || format == nullptr || gmtime_r(time, &fields) == nullptr) return {};
  char text[128];
  const std::size_t length = std::strftime(text, sizeof text, format, &fields);
  return std::string(text, length);
}

std::string dayMonthToYYYYMMDD(int day, const std::string& month) {
  if (month.size() != 3) {
    c_standardStreams::m_writeNow(c_standardStreams::error, "ERROR: dayMonthToYYYYMMDD: format of month string (" +
                                                              month + ") is not OK!\n");
    return {};
  }
  const int monthNumber = monthFromAbbreviation(month);
  const auto invalidDay = [&] {
    c_standardStreams::m_writeNow(c_standardStreams::error, "ERROR: dayMonthToYYYYMMDD: day (" + std::to_string(day) +
                                                              ") and month (" + month + ") are not a valid day!\n");
    return std::string();
  };
  // 29 February passes here and is checked against the year chosen below.
  if (monthNumber == 0 || day < 1 || day > c_dateTime::m_daysInMonth(2000, monthNumber)) return invalidDay();

  const std::int64_t seconds = c_clock::m_utcSeconds();
  const std::int64_t today = seconds / 86400 - (seconds % 86400 < 0 ? 1 : 0);
  std::time_t now = static_cast<std::time_t>(seconds);
  std::tm fields{};
  if (gmtime_r(&now, &fields) == nullptr) return invalidDay();
  std::int64_t year = fields.tm_year + std::int64_t{1900};
  // The distance is taken in this year; 29 February of a common year counts as 1 March.
  const std::int64_t distance = daysFromCivil(year, monthNumber, day) - today;
  if (distance < -180)
    ++year;
  else if (distance > 180)
    --year;
  if (year < 1 || year > 9999 || day > c_dateTime::m_daysInMonth(static_cast<int>(year), monthNumber)) return invalidDay();

  // As one number: "%08d" of any int fits the buffer, and the ranges checked above give eight digits.
  const int date = static_cast<int>(year) * 10000 + monthNumber * 100 + day;
  char text[12];
  std::snprintf(text, sizeof text, "%08d", date);
  return text;
}

std::string dayMonthFromYYYYMMDD(const std::string& date, int& day) {
  const auto notADay = [&] {
    c_standardStreams::m_writeNow(c_standardStreams::error,
                                  "ERROR: dayMonthFromYYYYMMDD: (" + date + ") is not a valid day!\n");
    return std::string();
  };
  if (date.size() != 8 || std::sscanf(date.substr(6, 2).c_str(), "%d", &day) != 1) return notADay();
  const std::time_t time = string2Time(date + "000000");
  std::tm fields{};
  if (gmtime_r(&time, &fields) == nullptr) return notADay();
  // A date that does not exist (31 September) would otherwise roll into the next month.
  const std::string_view digits(date);
  if (fields.tm_year + 1900 != leadingNumber(digits.substr(0, 4)) ||
      fields.tm_mon + 1 != leadingNumber(digits.substr(4, 2)) || fields.tm_mday != day)
    return notADay();
  return c_dateTime::m_monthAbbreviation(fields.tm_mon + 1);
}

char* lastErrorText(char* buffer, unsigned size) {
  const int error = errno;
  if (buffer == nullptr || size == 0) return buffer;
  const std::string text = c_systemErrorText(error);
  if (text.empty() || size < text.size() + 14) {
    buffer[0] = '\0';
    return buffer;
  }
  std::snprintf(buffer, size, "%s (0x%x)", text.c_str(), static_cast<unsigned>(error));
  return buffer;
}
