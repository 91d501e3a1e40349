#include "platform/c_eventrecord.h"

#include <charconv>

#include "platform/c_escape.h"

namespace {

template <typename T>
bool readNumber(std::string_view field, T& out, int base = 10) {
  if (field.empty() || field.size() > 20 || field[0] == '+' || field[0] == ' ') return false;
  const auto result = std::from_chars(field.data(), field.data() + field.size(), out, base);
  return result.ec == std::errc() && result.ptr == field.data() + field.size();
}

// The next TAB-separated field of `line` from `position`; false past the end.
bool nextField(std::string_view line, std::size_t& position, std::string_view& field) {
  if (position > line.size()) return false;
  const std::size_t tab = line.find('\t', position);
  const std::size_t end = tab == std::string_view::npos ? line.size() : tab;
  field = line.substr(position, end - position);
  position = end + 1;
  return true;
}

}  // namespace

std::string c_encodeEventRecord(const c_eventRecord& record) {
  char id[9];
  static const char hexDigits[] = "0123456789ABCDEF";
  for (int i = 0; i < 8; ++i) id[i] = hexDigits[(record.eventId >> (28 - 4 * i)) & 0xF];
  id[8] = '\0';
  std::string line;
  line.reserve(64 + record.source.size());
  line += std::to_string(record.number);
  line += '\t';
  line += std::to_string(record.timeGenerated);
  line += '\t';
  line += std::to_string(record.timeWritten);
  line += '\t';
  line += id;
  line += '\t';
  line += std::to_string(record.type);
  line += '\t';
  line += std::to_string(record.category);
  line += '\t';
  c_appendEscaped(line, record.source);
  for (const std::string& text : record.strings) {
    line += '\t';
    c_appendEscaped(line, text);
  }
  line += '\n';
  return line;
}

bool c_decodeEventRecordNumber(std::string_view line, std::uint32_t& number) {
  return readNumber(line.substr(0, line.find('\t')), number);
}

bool c_decodeEventRecord(std::string_view line, c_eventRecord& record) {
  std::size_t position = 0;
  std::string_view field;
  record = c_eventRecord{};
  if (!nextField(line, position, field) || !readNumber(field, record.number)) return false;
  if (!nextField(line, position, field) || !readNumber(field, record.timeGenerated)) return false;
  if (!nextField(line, position, field) || !readNumber(field, record.timeWritten)) return false;
  if (!nextField(line, position, field) || field.size() != 8 || !readNumber(field, record.eventId, 16)) return false;
  if (!nextField(line, position, field) || !readNumber(field, record.type)) return false;
  if (!nextField(line, position, field) || !readNumber(field, record.category)) return false;
  if (!nextField(line, position, field) || !c_unescapeField(field, record.source)) return false;
  while (nextField(line, position, field)) {
    record.strings.emplace_back();
    if (!c_unescapeField(field, record.strings.back())) return false;
  }
  return true;
}
