#include "tracking/ctm_bitstatus.h"

namespace {
constexpr std::string_view statusWords[] = {"SPECIAL_HANDLING", "GARB", "NO_READ", "UFO",
                                            "MISSING",          "UNK",  "ERROR",   "BUFFERED"};
constexpr std::string_view garbageWord = "GARB";
constexpr std::string_view garbageField = "GARBAGE";
}  // namespace

bool CTM_bitStatus::m_isWord(std::string_view word) {
  for (std::string_view known : statusWords)
    if (word == known) return true;
  return false;
}

std::string CTM_bitStatus::m_fromField(std::string_view field) {
  std::size_t end = field.find_last_not_of(' ');
  std::string_view word = end == std::string_view::npos ? std::string_view() : field.substr(0, end + 1);
  if (word == garbageField) word = garbageWord;
  return std::string(word);
}

std::string CTM_bitStatus::m_toField(std::string_view word) {
  std::string field(word == garbageWord ? garbageField : word);
  if (field.size() < fieldWidth) field.append(fieldWidth - field.size(), ' ');
  return field;
}
