#pragma once
// String and time utilities shared by kelvane and ostrel: backslash escapes of
// byte strings, the performance counter as text, the telegrams' 14-digit date-time
// (always UTC), and a day with a three-letter month as an eight-digit date. They
// keep no state and take no locks; bad input is reported on the console.

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <string_view>

// Decodes backslash escapes in place: "\\", "\a", "\n", "\r", "\t", "\v", up to
// three octal digits, "\x" with up to two hex digits; any other escaped character
// stands for itself. The result is the decoded length (the text may hold NUL
// bytes); 0 for a null pointer.
int unescapeString(char* text);

// Writes the bytes with control characters, backslashes and bytes outside
// printable ASCII escaped so that unescapeString reads them back; the result
// counts the characters written.
int printEscaped(std::FILE* stream, const unsigned char* data, int length);
// The same escaped form as a text, for output that is put together before it is written.
std::string escapeString(std::string_view data);

// The monotonic clock in nanoseconds, for measuring.
std::uint64_t performanceCounter();
// out becomes "0x" and 16 upper-case hex digits of the counter; the result is its length (18).
int performanceCounterText(std::string& out);
// Reads a text of that form; the result is the number of values read (1 when it succeeded).
int parsePerformanceCounter(const std::string& text, std::uint64_t& value);

// "YYYYMMDDhhmmss" in UTC as seconds since 1970; -1 for a text of another length.
std::time_t string2Time(const std::string& text);
// The time in UTC written with the strftime format; empty when it cannot be.
std::string timeToString(const std::time_t* time, const char* format);

// "YYYYMMDD" for a day and an English three-letter month, in the year that puts the
// date nearest to today (UTC); empty when the month text or the day is not valid.
std::string dayMonthToYYYYMMDD(int day, const std::string& month);
// The English three-letter month of a "YYYYMMDD" date, with day set to its day;
// empty when the text is not a valid date.
std::string dayMonthFromYYYYMMDD(const std::string& date, int& day);

// The buffer, holding the text of the last system error and its number in hex,
// "No such file or directory (0x2)"; empty when it does not fit.
char* lastErrorText(char* buffer, unsigned size);
