#pragma once
// The status words of a baggage item. An item holds the word unpadded ("" for
// none); a 16-character telegram field carries it blank-padded, with "GARB"
// written as "GARBAGE". Comparisons against a TransSpec's status
// ignore its trailing blanks.

#include <string>
#include <string_view>

class CTM_bitStatus {
 public:
  static constexpr std::size_t fieldWidth = 16;

  // One of the eight words an item may be set to ("" is none of them).
  static bool m_isWord(std::string_view word);
  // A telegram field or a TransSpec's status as the item's word: trailing
  // blanks dropped and "GARBAGE" read as "GARB".
  static std::string m_fromField(std::string_view field);
  // The item's word as a 16-character telegram field.
  static std::string m_toField(std::string_view word);
};
