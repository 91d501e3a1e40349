#include "platform/c_datetime.h"

#include <ctime>

namespace {

constexpr int firstYear = 1;
constexpr int lastYear = 9999;
const char* const monthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

void appendDigits(std::string& out, int value, int digits) {
  char buffer[4];
  for (int i = digits - 1; i >= 0; --i) {
    buffer[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  out.append(buffer, static_cast<std::size_t>(digits));
}

}  // namespace

int c_dateTime::m_daysInMonth(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : days[month - 1];
}

const char* c_dateTime::m_monthAbbreviation(int month) { return monthNames[month - 1]; }

c_dateTime c_dateTime::m_fromFields(int year, int month, int day, int hour, int minute, int second) {
  c_dateTime value;
  if (year < firstYear || year > lastYear || month < 1 || month > 12 || day < 1 ||
      day > m_daysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
      second > 59)
    return value;
  std::tm broken{};
  broken.tm_year = year - 1900;
  broken.tm_mon = month - 1;
  broken.tm_mday = day;
  broken.tm_hour = hour;
  broken.tm_min = minute;
  broken.tm_sec = second;
  value.seconds_ = static_cast<std::int64_t>(timegm(&broken));
  value.year_ = static_cast<short>(year);
  value.month_ = static_cast<signed char>(month);
  value.day_ = static_cast<signed char>(day);
  value.hour_ = static_cast<signed char>(hour);
  value.minute_ = static_cast<signed char>(minute);
  value.second_ = static_cast<signed char>(second);
  value.valid_ = true;
  return value;
}

c_dateTime c_dateTime::m_fromSeconds(std::int64_t seconds) {
  std::time_t time = static_cast<std::time_t>(seconds);
  std::tm broken{};
  if (gmtime_r(&time, &broken) == nullptr) return c_dateTime();
  return m_fromFields(broken.tm_year + 1900, broken.tm_mon + 1, broken.tm_mday, broken.tm_hour, broken.tm_min,
                      broken.tm_sec);
}

c_dateTime c_dateTime::m_fromCompact(std::string_view text) {
  if (text.size() != 14) return c_dateTime();
  for (char c : text)
    if (c < '0' || c > '9') return c_dateTime();
  auto number = [&text](std::size_t at, std::size_t digits) {
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) value = value * 10 + (text[i] - '0');
    return value;
  };
  return m_fromFields(number(0, 4), number(4, 2), number(6, 2), number(8, 2), number(10, 2), number(12, 2));
}

void c_dateTime::m_appendFormatted(std::string& out, std::string_view format) const {
  if (!valid_) return;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      out += format[i];
      continue;
    }
    switch (format[++i]) {
      case 'Y': appendDigits(out, year_, 4); break;
      case 'm': appendDigits(out, month_, 2); break;
      case 'd': appendDigits(out, day_, 2); break;
      case 'H': appendDigits(out, hour_, 2); break;
      case 'M': appendDigits(out, minute_, 2); break;
      case 'S': appendDigits(out, second_, 2); break;
      case 'b': out += monthNames[month_ - 1]; break;
      case '%': out += '%'; break;
      default:
        out += '%';
        out += format[i];
    }
  }
}

std::string c_dateTime::m_format(std::string_view format) const {
  std::string out;
  m_appendFormatted(out, format);
  return out;
}
