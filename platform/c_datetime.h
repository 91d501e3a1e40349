#pragma once
// c_dateTime: a UTC date and time to the second, held as 64-bit seconds since
// 1970-01-01 00:00:00 UTC together with its calendar fields. Years have four
// digits (1 to 9999); anything else, or a date the calendar does not have, gives
// a value that is not valid. Values are immutable, so they can be shared freely.

#include <cstdint>
#include <string>
#include <string_view>

class c_dateTime {
 public:
  // Not valid.
  c_dateTime() = default;

  static c_dateTime m_fromSeconds(std::int64_t seconds);
  // Valid only for a real calendar date and time (no 31 April, no 29 February in
  // a common year, no second 60).
  static c_dateTime m_fromFields(int year, int month, int day, int hour, int minute, int second);
  // "%Y%m%d%H%M%S": exactly fourteen digits (no blanks, no signs) naming a real date.
  static c_dateTime m_fromCompact(std::string_view text);

  // The calendar behind the validation: days of a month (1 to 12) in a year, and
  // the month's English three-letter abbreviation ("Jan").
  static int m_daysInMonth(int year, int month);
  static const char* m_monthAbbreviation(int month);

  bool m_isValid() const { return valid_; }
  std::int64_t m_seconds() const { return seconds_; }
  int m_year() const { return year_; }
  int m_month() const { return month_; }
  int m_day() const { return day_; }
  int m_hour() const { return hour_; }
  int m_minute() const { return minute_; }
  int m_second() const { return second_; }

  // Appends the value written with a format of %Y (four digits), %m, %d, %H, %M,
  // %S (two digits), %b (English month abbreviation) and %%; any other character
  // is copied. An invalid value appends nothing.
  void m_appendFormatted(std::string& out, std::string_view format) const;
  std::string m_format(std::string_view format) const;
  // "%Y%m%d%H%M%S", the form of every date-time on the wire.
  std::string m_asCompact() const { return m_format("%Y%m%d%H%M%S"); }

  friend bool operator==(const c_dateTime& left, const c_dateTime& right) {
    return left.valid_ == right.valid_ && (!left.valid_ || left.seconds_ == right.seconds_);
  }

 private:
  std::int64_t seconds_ = 0;
  short year_ = 0;
  signed char month_ = 0, day_ = 0, hour_ = 0, minute_ = 0, second_ = 0;
  bool valid_ = false;
};
