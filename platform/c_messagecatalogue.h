#pragma once
// c_messageCatalogue: the event message file (logging.dll) as the build writes it,
// one text per line: "M" TAB event id (hex) TAB text, "M" TAB event id "/" number
// of strings TAB text (an event raised with fewer strings than it can take), or
// "C" TAB category number TAB text, texts escaped as in the event-log stores and ending in CR LF; lines
// starting with '#' are comments. Read-only once loaded; safe to share between threads.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class c_messageCatalogue {
 public:
  // False when the file is not a regular file of sane size (a directory, FIFO or
  // device is not read at all) or cannot be read; lines that do not read are skipped.
  bool m_load(const std::string& path);
  void m_loadText(std::string_view content);

  // The raw texts, with their final CR LF; false when there is none.
  bool m_messageText(std::uint32_t eventId, std::string& text) const;
  // The text for the event raised with that many insertion strings, where the
  // event has one of its own for them, else its text.
  bool m_messageText(std::uint32_t eventId, std::size_t stringCount, std::string& text) const;
  bool m_categoryText(int category, std::string& text) const;

 private:
  std::unordered_map<std::uint32_t, std::string> messages_;
  std::unordered_map<std::uint64_t, std::string> messagesByCount_;  // key: id << 32 | number of strings
  std::unordered_map<int, std::string> categories_;
};

// Fills a message text with insertion strings: %1 to %99 take the string of that
// number (an inserted string is never expanded again), %n is a line break (CR LF),
// %% a percent sign; %k beyond the strings given, %0 and any other use of '%'
// stay as they stand.
std::string c_formatMessage(std::string_view text, const std::vector<std::string>& strings);
