#include "telegrams/ctm_message.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/c_clock.h"

namespace {

// The header slots, counted back from the end of the header.
constexpr int versionBack = 9;
constexpr int seqNoBack = 7;
constexpr int lengthBack = 5;
constexpr int subIdBack = 2;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// A header number read from its own slot: leading blanks and a sign allowed, then
// digits up to the end of the slot.
bool readNumberSlot(std::string_view slot, int& out) {
  // The usual slot holds digits only.
  int digits = 0;
  std::size_t i = 0;
  for (; i < slot.size() && slot[i] >= '0' && slot[i] <= '9'; ++i) digits = digits * 10 + (slot[i] - '0');
  if (i > 0 && i == slot.size()) {
    out = digits;
    return true;
  }
  std::int64_t value = 0;
  if (!c_parseWholeLong(slot, value)) return false;
  out = static_cast<int>(value);
  return true;
}

// The sub id: the slot without blanks around it (one character may stand alone).
std::string_view readSubIdSlot(std::string_view slot) {
  std::size_t begin = 0;
  while (begin < slot.size() && isSpace(slot[begin])) ++begin;
  std::size_t end = begin;
  while (end < slot.size() && !isSpace(slot[end])) ++end;
  return slot.substr(begin, end - begin);
}

std::string quotedCharacter(char c) { return "\"" + std::string(1, c) + "\""; }

// "%02d" into the two characters of its slot, when the value fits them.
bool putTwoDigitSlot(char* slot, int value) {
  if (value < -9 || value > 99) return false;
  slot[0] = value < 0 ? '-' : static_cast<char>('0' + value / 10);
  slot[1] = static_cast<char>('0' + (value < 0 ? -value : value % 10));
  return true;
}

char* put(char* at, std::string_view text) { return std::copy(text.begin(), text.end(), at); }

}  // namespace

CTM_message::CTM_message() : created_(c_clock::m_monotonicMillisecondsCoarse()) {}

CTM_message::CTM_message(std::span<const CTM_fieldDefinition> table)
    : table_(table), created_(c_clock::m_monotonicMillisecondsCoarse()) {
  if (table.size() <= inlineFieldCount) {
    for (std::size_t i = 0; i < table.size(); ++i) std::construct_at(&inlineFields_.values[i], &table[i]);
    fields_ = std::span(inlineFields_.values, table.size());
    return;
  }
  heapFields_.reserve(table.size());
  for (const CTM_fieldDefinition& definition : table) heapFields_.emplace_back(&definition);
  fields_ = heapFields_;
}

CTM_message::~CTM_message() {
  if (fields_.data() == inlineFields_.values) std::destroy(fields_.begin(), fields_.end());
}

void CTM_message::m_initHeader(std::string_view source, std::string_view destination, int version, int headerLength) {
  source_.assign(source);
  destination_.assign(destination);
  version_ = version;
  headerLength_ = headerLength;
}

bool CTM_message::m_setErrorText(std::string text) {
  errorText_ = std::move(text);
  return true;
}

bool CTM_message::m_setRawTelegram(std::string raw) {
  // Groups still held as received text read it before it goes.
  for (CTM_messageFieldValue& field : fields_) field.m_readAllReceivedGroups();
  raw_ = std::move(raw);
  return true;
}

bool CTM_message::m_isExpired() const {
  return (c_clock::m_monotonicMillisecondsCoarse() - created_) / 1000 >= timeout_;
}

void CTM_message::m_touch() { created_ = c_clock::m_monotonicMillisecondsCoarse(); }

bool CTM_message::m_init(std::string_view raw) {
  for (CTM_messageFieldValue& field : fields_) field.m_clear();
  raw_.assign(raw);
  errorText_.clear();
  const std::size_t total = raw.size();
  const std::size_t header = static_cast<std::size_t>(headerLength_);

  int version = 0;
  int dataLength = 0;
  std::string_view subId;
  bool readable = total >= header && header >= versionBack &&
                  readNumberSlot(raw.substr(header - versionBack, 2), version) &&
                  readNumberSlot(raw.substr(header - seqNoBack, 2), seqNo_) &&
                  readNumberSlot(raw.substr(header - lengthBack, 3), dataLength) && dataLength >= 0 &&
                  !(subId = readSubIdSlot(raw.substr(header - subIdBack, 2))).empty();
  if (!readable) {
    errorText_ = "Syntax error : Header could not be parsed!";
    return false;
  }
  if (version != version_) {
    char text[80];
    std::snprintf(text, sizeof text, "Wrong version number (%02d) instead of (%02d).", version, version_);
    errorText_ = text;
    return false;
  }
  subId_.assign(subId);
  const std::size_t length = static_cast<std::size_t>(dataLength);
  if (header + length + 1 != total) {
    errorText_ += "Header length: " + std::to_string(header) + " plus data length: " + std::to_string(length) +
                  " plus 1 not equal total length: " + std::to_string(total);
    return false;
  }
  if (raw[total - 1] != '\n') {
    errorText_ += "Char at offset " + std::to_string(total - 1) + " is not terminator: " + quotedCharacter(raw[total - 1]);
    return false;
  }
  std::size_t offset = header;
  // A data part that is exactly one row of a plain table is checked at once.
  if (CTM_messageFieldValue::m_readPlainRow(table_, fields_, raw.substr(header, length)))
    offset += length;
  else if (!fields_.empty() && !m_parseFields(offset, fields_))
    return false;
  if (header + length != offset) {
    errorText_ += "CTM_message::m_init(): Framing Error! Header length: " + std::to_string(header) +
                  " plus data length: " + std::to_string(length) + " not equal defined length: " + std::to_string(offset);
    return false;
  }
  if (raw[offset] != '\n') {
    errorText_ += "Char at offset " + std::to_string(offset) + " is not terminator: " + quotedCharacter(raw[offset]);
    return false;
  }
  return true;
}

bool CTM_message::m_parseFields(std::size_t& offset, std::span<CTM_messageFieldValue> values) {
  // The terminator's position; m_init has checked that the text reaches past the header.
  const std::size_t end = raw_.size() - 1;
  const std::string_view raw = raw_;
  std::size_t i = 0;
  for (; i < values.size() && offset < end; ++i) {
    CTM_messageFieldValue& value = values[i];
    const CTM_fieldDefinition& definition = value.m_definition();
    std::string_view text;
    if (definition.width >= 0) {
      const std::size_t width = static_cast<std::size_t>(definition.width);
      if (offset + width > end) {
        errorText_ += "Current field is out of total length! (Field name " + std::string(definition.name) +
                      ", offset: " + std::to_string(offset) + ", field length: " + std::to_string(width) +
                      ", total length: " + std::to_string(end) + " )";
        return false;
      }
      text = raw.substr(offset, width);
    } else if (definition.type != CTM_fieldType::text) {
      errorText_ += "Field " + std::string(definition.name) + " of type " +
                    std::to_string(static_cast<int>(definition.type)) + " cannot take the rest of the telegram!";
      return false;
    } else {
      text = raw.substr(offset, end - offset);
    }
    if (!value.m_parse(text)) {
      errorText_ = value.m_getErrorText() + " (offset: " + std::to_string(offset) +
                   ", field length: " + std::to_string(definition.width) + ")";
      return false;
    }
    offset += text.size();
    if (definition.m_isSelector()) {
      if (value.m_groupCount() == 1 && !m_parseFields(offset, value.m_groupAt(0))) return false;
    } else if (definition.m_isCount()) {
      std::size_t taken = 0;
      if (value.m_takeReceivedGroups(raw.substr(offset, end - offset), taken)) {
        offset += taken;
        continue;
      }
      const int groups = value.m_asInt();
      for (int g = 0; g < groups; ++g) {
        if (!value.m_appendGroup({}, definition.maxRepetitions)) {
          errorText_ = value.m_getErrorText() + " (Field name " + definition.name +
                       ", offset: " + std::to_string(offset) + ", field length: " + std::to_string(definition.width) +
                       ")";
          return false;
        }
        if (!m_parseFields(offset, value.m_groupAt(value.m_groupCount() - 1))) return false;
      }
    }
  }
  if (i < values.size()) {
    errorText_ += std::to_string(values.size() - i) + " mandantory fields missing at message end";
    return false;
  }
  return true;
}

int CTM_message::m_serialize(std::string& out) const {
  out.clear();
  const bool idFits =
      static_cast<int>(source_.size() + destination_.size() + typeId_.size()) == headerLength_ - versionBack;
  if (!idFits || subId_.empty() || subId_.size() > 2) return 0;
  // The header is written in place: codes and type id, version, sequence
  // number, the data length (filled in below) and the sub id.
  out.reserve(static_cast<std::size_t>(headerLength_) + 64);
  out.resize(static_cast<std::size_t>(headerLength_));
  char* slot = put(put(put(out.data(), source_), destination_), typeId_);
  if (!putTwoDigitSlot(slot, version_) || !putTwoDigitSlot(slot + 2, seqNo_)) {
    out.clear();
    return 0;
  }
  put(put(slot + 4, "000"), subId_.size() == 1 ? subId_ + ' ' : subId_);
  int dataLength = 0;
  for (const CTM_messageFieldValue& field : fields_) dataLength += field.m_serialize(out);
  if (dataLength > maxDataLength) {
    out.clear();
    return 0;
  }
  char* length = out.data() + headerLength_ - lengthBack;
  length[0] = static_cast<char>('0' + dataLength / 100);
  length[1] = static_cast<char>('0' + dataLength / 10 % 10);
  length[2] = static_cast<char>('0' + dataLength % 10);
  out += '\n';
  return static_cast<int>(out.size());
}

void CTM_message::m_appendReadable(std::string& out) const {
  out += "((msgId=";
  out += source_;
  out += destination_;
  out += typeId_;
  out += ")(versNo=";
  out += std::to_string(version_);
  out += ")(seqNo=";
  out += std::to_string(seqNo_);
  out += ")(subId=\"";
  out += subId_;
  out += "\")";
  for (const CTM_messageFieldValue& field : fields_) field.m_appendReadable(out);
  out += ')';
}

std::string CTM_message::m_asString() const {
  std::string out;
  out.reserve(64 + 32 * fields_.size());
  m_appendReadable(out);
  return out;
}

CTM_messageFieldValue* CTM_message::m_field(std::size_t index) {
  return index < fields_.size() ? &fields_[index] : nullptr;
}

const CTM_messageFieldValue* CTM_message::m_field(std::size_t index) const {
  return index < fields_.size() ? &fields_[index] : nullptr;
}

CTM_messageFieldValue* CTM_message::m_layoutField(CTM_messageFieldValue* selector, std::size_t k) {
  if (selector == nullptr || !selector->m_definition().m_isSelector() || selector->m_groupCount() != 1) return nullptr;
  std::span<CTM_messageFieldValue> layout = selector->m_groupAt(0);
  return k < layout.size() ? &layout[k] : nullptr;
}

const CTM_messageFieldValue* CTM_message::m_layoutField(const CTM_messageFieldValue* selector, std::size_t k) {
  return m_layoutField(const_cast<CTM_messageFieldValue*>(selector), k);
}

std::int64_t CTM_message::m_timeOf(const CTM_messageFieldValue* field) {
  if (field == nullptr) return 0;
  c_dateTime time = field->m_asDateTime();
  return time.m_isValid() ? time.m_seconds() : 0;
}

bool CTM_message::m_setOneOf(CTM_messageFieldValue* field, std::string_view text,
                             std::initializer_list<std::string_view> allowed) {
  for (std::string_view value : allowed)
    if (value == text) return m_setText(field, text);
  return false;
}
