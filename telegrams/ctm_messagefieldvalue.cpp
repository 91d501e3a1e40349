#include "telegrams/ctm_messagefieldvalue.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>

#include "platform/c_rowpattern.h"
#include "platform/c_standardstreams.h"

namespace {

c_value::c_kind kindOf(CTM_fieldType type) {
  switch (type) {
    case CTM_fieldType::integer: return c_value::c_kind::integer;
    case CTM_fieldType::longInteger: return c_value::c_kind::longInteger;
    case CTM_fieldType::real:
    case CTM_fieldType::realAlt: return c_value::c_kind::real;
    case CTM_fieldType::dateTime: return c_value::c_kind::dateTime;
    case CTM_fieldType::text: return c_value::c_kind::text;
  }
  return c_value::c_kind::none;
}

bool isNumber(CTM_fieldType type) {
  return type == CTM_fieldType::integer || type == CTM_fieldType::longInteger || type == CTM_fieldType::real ||
         type == CTM_fieldType::realAlt;
}

int typeCode(CTM_fieldType type) { return static_cast<int>(type); }

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// A printf form of exactly one conversion that takes the width first:
// "%" flags "*" [precision] [l] conversion.
struct NumberFormat {
  std::string flags;
  std::string precision;
  char conversion = 0;
};

bool splitNumberFormat(const char* format, NumberFormat& parts) {
  if (format == nullptr || *format != '%') return false;
  const char* p = format + 1;
  while (*p == '0' || *p == '-' || *p == '+' || *p == ' ' || *p == '#') parts.flags += *p++;
  if (*p++ != '*') return false;
  if (*p == '.') {
    parts.precision += *p++;
    int digits = 0;
    while (*p >= '0' && *p <= '9' && digits < 2) parts.precision += *p++, ++digits;
    if (digits == 0) return false;
  }
  if (*p == 'l') ++p;
  parts.conversion = *p++;
  return *p == '\0' && (parts.conversion == 'd' || parts.conversion == 'f');
}

// "%0*d": the sign, then zeros up to the width, then the digits; wider values whole.
void appendZeroPadded(std::string& out, std::int64_t value, int width) {
  char digits[24];
  char* first = digits + sizeof digits;
  std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  do {
    *--first = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const std::size_t count = static_cast<std::size_t>(digits + sizeof digits - first);
  const std::size_t sign = value < 0 ? 1 : 0;
  const std::size_t length = std::max(static_cast<std::size_t>(std::max(width, 0)), sign + count);
  const std::size_t start = out.size();
  out.resize(start + length, '0');
  if (sign) out[start] = '-';
  std::copy(first, digits + sizeof digits, out.data() + start + length - count);
}

template <typename T>
void appendPrintf(std::string& out, const std::string& format, int width, T value) {
  char buffer[128];
  int length = std::snprintf(buffer, sizeof buffer, format.c_str(), width, value);
  if (length < 0) return;
  if (static_cast<std::size_t>(length) < sizeof buffer) {
    out.append(buffer, static_cast<std::size_t>(length));
    return;
  }
  std::string wide(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(wide.data(), wide.size(), format.c_str(), width, value);
  out.append(wide.data(), static_cast<std::size_t>(length));
}

// Writes a number field's value with its out-format; a form the table check
// would refuse falls back to the standard one of the type.
// "%0*d" or "%0*ld".
bool isZeroPadded(const char* format) {
  if (format == nullptr || format[0] != '%' || format[1] != '0' || format[2] != '*') return false;
  const char* rest = format[3] == 'l' ? format + 4 : format + 3;
  return rest[0] == 'd' && rest[1] == '\0';
}

void appendNumber(std::string& out, const CTM_fieldDefinition& definition, const c_value& value) {
  const char* format = definition.outFormat;
  bool integral = definition.type == CTM_fieldType::integer || definition.type == CTM_fieldType::longInteger;
  const bool zeroPadded = integral && isZeroPadded(format);
  if (!zeroPadded && !CTM_messageFieldValue::m_isNumberFormat(format, definition.type))
    format = integral ? "%0*d" : "%0*.8lf";
  if (zeroPadded || (integral && isZeroPadded(format))) {
    appendZeroPadded(out, definition.type == CTM_fieldType::integer ? value.m_asInt() : value.m_asLong(),
                     definition.width);
    return;
  }
  NumberFormat parts;
  splitNumberFormat(format, parts);
  std::string safe = "%" + parts.flags + "*" + parts.precision + (integral ? "lld" : "f");
  if (integral)
    appendPrintf(out, safe, definition.width,
                 static_cast<long long>(definition.type == CTM_fieldType::integer ? value.m_asInt() : value.m_asLong()));
  else
    appendPrintf(out, safe, definition.width, value.m_asDouble());
}

// "%-*.*s": left-aligned, blank-padded and cut to the width.
void appendFitted(std::string& out, std::string_view text, int width) {
  const std::size_t fitted = static_cast<std::size_t>(width);
  const std::size_t start = out.size();
  out.resize(start + fitted, ' ');
  text.substr(0, fitted).copy(out.data() + start, fitted);
}

// What a text field writes: its fixed value, or its own text (made in `scratch`
// only when the value is not held as text).
std::string_view writtenText(const CTM_fieldDefinition& definition, const c_value& value, std::string& scratch) {
  if (definition.outFormat != nullptr) return definition.outFormat;
  if (value.m_kind() == c_value::c_kind::text) return value.m_text();
  scratch = value.m_asString();
  return scratch;
}

// --- plain group layouts --------------------------------------------------------
//
// A layout is plain when a received group can only hold its fields in the form
// the TM writes them: numbers of digits only (zero-padded, within their type),
// texts of their full width matching their pattern, fixed texts holding their
// fixed value. Groups of such a layout are checked together, by a row pattern
// strict enough that whatever it accepts the field parse accepts too and writes
// back unchanged; anything else takes the field-by-field parse.

c_rowPattern::c_byteSet digits() {
  c_rowPattern::c_byteSet set;
  for (unsigned char c = '0'; c <= '9'; ++c) set.set(c);
  return set;
}

// Appends the positions of one field; false when the field is not plain.
bool appendPlainPositions(const CTM_fieldDefinition& field, std::vector<c_rowPattern::c_byteSet>& positions) {
  if (field.width < 1 || field.m_isCount() || field.m_isSelector()) return false;
  const std::size_t width = static_cast<std::size_t>(field.width);
  switch (field.type) {
    case CTM_fieldType::integer:
    case CTM_fieldType::longInteger: {
      const std::size_t digitsThatFit = field.type == CTM_fieldType::integer ? 9 : 18;
      if (width > digitsThatFit || !isZeroPadded(field.outFormat)) return false;
      positions.insert(positions.end(), width, digits());
      return true;
    }
    case CTM_fieldType::text: {
      const c_pattern* pattern = field.pattern;
      if (pattern != nullptr && (!pattern->m_isValid() || pattern->m_length() != field.width)) return false;
      std::string fixed;
      if (field.outFormat != nullptr) appendFitted(fixed, field.outFormat, field.width);
      for (std::size_t i = 0; i < width; ++i) {
        c_rowPattern::c_byteSet set;
        for (int c = 0; c < 256; ++c) {
          const bool fixedHere = field.outFormat == nullptr || static_cast<unsigned char>(fixed[i]) == c;
          if (fixedHere && (pattern == nullptr || pattern->m_acceptsAt(static_cast<int>(i), static_cast<unsigned char>(c))))
            set.set(static_cast<std::size_t>(c));
        }
        if (set.none()) return false;
        positions.push_back(set);
      }
      return true;
    }
    default: return false;
  }
}

struct c_plainLayout {
  std::span<const CTM_fieldDefinition> layout;
  std::unique_ptr<c_rowPattern> rows;  // none: the layout is not plain
};

// The row pattern of a plain layout, or none. Made once per layout and thread, so
// that no thread waits for another, and found by the layout's address: field
// tables are static. Most look-ups end in a small table indexed by the address.
const c_rowPattern* plainRowsOf(std::span<const CTM_fieldDefinition> layout) {
  struct c_recent {
    const CTM_fieldDefinition* data = nullptr;
    std::size_t size = 0;
    const c_rowPattern* rows = nullptr;
  };
  thread_local std::array<c_recent, 64> recent;
  thread_local std::vector<c_plainLayout> known;  // every layout met, owning its row pattern
  c_recent& slot = recent[reinterpret_cast<std::uintptr_t>(layout.data()) / alignof(CTM_fieldDefinition) % recent.size()];
  if (slot.data == layout.data() && slot.size == layout.size() && slot.data != nullptr) return slot.rows;
  const auto found = std::find_if(known.begin(), known.end(), [&](const c_plainLayout& entry) {
    return entry.layout.data() == layout.data() && entry.layout.size() == layout.size();
  });
  if (found != known.end()) {
    slot = {layout.data(), layout.size(), found->rows.get()};
    return slot.rows;
  }
  std::vector<c_rowPattern::c_byteSet> positions;
  bool plain = !layout.empty();
  for (const CTM_fieldDefinition& field : layout) plain = plain && appendPlainPositions(field, positions);
  known.push_back({layout, plain ? std::make_unique<c_rowPattern>(std::move(positions)) : nullptr});
  slot = {layout.data(), layout.size(), known.back().rows.get()};
  return slot.rows;
}

std::int64_t maxOf(c_value::c_kind kind) {
  return kind == c_value::c_kind::integer ? std::numeric_limits<std::int32_t>::max()
                                          : std::numeric_limits<std::int64_t>::max();
}
std::int64_t minOf(c_value::c_kind kind) {
  return kind == c_value::c_kind::integer ? std::numeric_limits<std::int32_t>::min()
                                          : std::numeric_limits<std::int64_t>::min();
}

}  // namespace

bool CTM_messageFieldValue::m_isNumberFormat(const char* format, CTM_fieldType type) {
  NumberFormat parts;
  if (!splitNumberFormat(format, parts)) return false;
  if (type == CTM_fieldType::integer || type == CTM_fieldType::longInteger)
    return parts.conversion == 'd' && parts.precision.empty();
  return (type == CTM_fieldType::real || type == CTM_fieldType::realAlt) && parts.conversion == 'f';
}

// Conversions refuse what would lose the value: numbers out of the type's
// range, texts that are not wholly a number or a date-time, non-finite doubles.
bool CTM_messageFieldValue::m_convert(c_value& value) const {
  const c_kind kind = kindOf(definition_->type);
  const c_kind from = value.m_kind();
  switch (kind) {
    case c_kind::text:
      if (from != c_kind::text) value = c_value::m_fromText(value.m_asString());
      return true;
    case c_kind::integer:
    case c_kind::longInteger: {
      std::int64_t whole = 0;
      if (from == c_kind::integer || from == c_kind::longInteger) {
        whole = value.m_asLong();
      } else if (from == c_kind::real) {
        double real = value.m_asDouble();
        if (!std::isfinite(real) || real >= 9.2233720368547758e18 || real < -9.2233720368547758e18) return false;
        whole = static_cast<std::int64_t>(real);
      } else if (from != c_kind::text || !c_parseWholeLong(value.m_asString(), whole)) {
        return false;
      }
      if (whole < minOf(kind) || whole > maxOf(kind)) return false;
      value = kind == c_kind::integer ? c_value::m_fromInt(static_cast<std::int32_t>(whole))
                                      : c_value::m_fromLong(whole);
      return true;
    }
    case c_kind::real: {
      double real = 0;
      if (value.m_isNumber())
        real = value.m_asDouble();
      else if (from != c_kind::text || !c_parseWholeDouble(value.m_asString(), real))
        return false;
      if (!std::isfinite(real)) return false;
      value = c_value::m_fromDouble(real);
      return true;
    }
    case c_kind::dateTime: {
      c_dateTime time = value.m_asDateTime();
      if (!time.m_isValid()) return false;
      value = c_value::m_fromDateTime(time);
      return true;
    }
    case c_kind::none: return false;
  }
  return false;
}

CTM_messageFieldValue::CTM_messageFieldValue(const CTM_messageFieldValue& other)
    : c_value(other),
      definition_(other.definition_),
      groupWidth_(other.groupWidth_),
      cursor_(other.cursor_),
      hasCursor_(other.hasCursor_),
      errorText_(other.errorText_) {
  other.m_readReceivedGroups();
  groupFields_ = other.groupFields_;
}

CTM_messageFieldValue& CTM_messageFieldValue::operator=(const CTM_messageFieldValue& other) {
  if (this != &other) *this = CTM_messageFieldValue(other);
  return *this;
}

std::size_t CTM_messageFieldValue::m_groupCount() const {
  if (receivedGroups_ > 0) return receivedGroups_;
  return groupWidth_ == 0 ? 0 : groupFields_.size() / groupWidth_;
}

std::span<CTM_messageFieldValue> CTM_messageFieldValue::m_groupAt(std::size_t index) {
  m_readReceivedGroups();
  return std::span(groupFields_).subspan(index * groupWidth_, groupWidth_);
}

std::span<const CTM_messageFieldValue> CTM_messageFieldValue::m_groupAt(std::size_t index) const {
  return const_cast<CTM_messageFieldValue*>(this)->m_groupAt(index);
}

bool CTM_messageFieldValue::m_takeReceivedGroups(std::string_view text, std::size_t& taken) {
  const std::int64_t groups = m_asLong();
  if (!definition_->m_isCount() || !groupFields_.empty() || receivedGroups_ > 0 || groups <= 0 ||
      groups > definition_->maxRepetitions)
    return false;
  const c_rowPattern* rows = plainRowsOf(definition_->group);
  if (rows == nullptr) return false;
  const std::size_t length = static_cast<std::size_t>(groups) * rows->m_width();
  if (length > text.size() || !rows->m_matches(text.substr(0, length))) return false;
  receivedText_ = text.substr(0, length);
  receivedGroups_ = static_cast<std::size_t>(groups);
  groupWidth_ = definition_->group.size();
  hasCursor_ = true;
  cursor_ = 0;
  taken = length;
  return true;
}

bool CTM_messageFieldValue::m_readPlainRow(std::span<const CTM_fieldDefinition> layout,
                                           std::span<CTM_messageFieldValue> fields, std::string_view text) {
  if (layout.empty()) return false;
  const c_rowPattern* row = plainRowsOf(layout);
  if (row == nullptr || text.size() != row->m_width() || fields.size() != layout.size() || !row->m_matches(text))
    return false;
  for (CTM_messageFieldValue& field : fields) {
    const std::size_t width = static_cast<std::size_t>(field.definition_->width);
    field.m_storeChecked(text.substr(0, width));
    text.remove_prefix(width);
  }
  return true;
}

void CTM_messageFieldValue::m_storeChecked(std::string_view text) {
  if (definition_->type == CTM_fieldType::text) {
    m_assignText(text);
    return;
  }
  std::int64_t whole = 0;
  for (char digit : text) whole = whole * 10 + (digit - '0');
  if (definition_->type == CTM_fieldType::integer)
    m_assignInt(static_cast<std::int32_t>(whole));
  else
    m_assignLong(whole);
}

void CTM_messageFieldValue::m_readReceivedGroups() const {
  if (receivedGroups_ == 0) return;
  std::string_view text = receivedText_;
  const std::size_t groups = receivedGroups_;
  receivedText_ = {};
  receivedGroups_ = 0;
  // Only the mutable group members change.
  auto* self = const_cast<CTM_messageFieldValue*>(this);
  groupFields_.reserve(groups * definition_->group.size());
  for (std::size_t g = 0; g < groups; ++g)
    for (CTM_messageFieldValue& field : self->m_newGroup(definition_->group)) {
      const std::size_t width = static_cast<std::size_t>(field.definition_->width);
      field.m_storeChecked(text.substr(0, width));
      text.remove_prefix(width);
    }
}

void CTM_messageFieldValue::m_readAllReceivedGroups() {
  m_readReceivedGroups();
  for (CTM_messageFieldValue& field : groupFields_) field.m_readAllReceivedGroups();
}

bool CTM_messageFieldValue::m_set(c_value converted) {
  if (!m_convert(converted)) {
    m_fail("CTM_messageFieldValue::m_set(): Value " + quoted(converted.m_asString()) + " cannot be converted to type " +
           std::to_string(typeCode(definition_->type)) + " of field " + m_name() + "!");
    return false;
  }
  if (static_cast<const c_value&>(*this) == converted) return true;
  if (!definition_->m_isSelector()) {
    static_cast<c_value&>(*this) = std::move(converted);
    return true;
  }
  const std::string text = converted.m_asString();
  for (const CTM_fieldOption& option : definition_->options) {
    if (text != option.value) continue;
    static_cast<c_value&>(*this) = std::move(converted);
    groupFields_.clear();
    groupWidth_ = 0;
    receivedText_ = {};
    receivedGroups_ = 0;
    hasCursor_ = false;
    cursor_ = 0;
    if (!option.layout.empty()) m_newGroup(option.layout);
    return true;
  }
  m_fail("Unknown option " + quoted(text) + " for field " + m_name() + "!");
  return false;
}

std::span<CTM_messageFieldValue> CTM_messageFieldValue::m_newGroup(std::span<const CTM_fieldDefinition> layout) {
  const std::size_t first = groupFields_.size();
  for (const CTM_fieldDefinition& definition : layout) groupFields_.emplace_back(&definition);
  groupWidth_ = layout.size();
  return std::span(groupFields_).subspan(first);
}

bool CTM_messageFieldValue::m_appendGroup(std::span<const c_value> values, int limit) {
  if (!definition_->m_isCount()) {
    m_fail("CTM_messageFieldValue::m_appendValues(): \"" + std::string(m_name()) + "\" is not a count field!");
    return false;
  }
  m_readReceivedGroups();
  if (m_groupCount() >= static_cast<std::size_t>(limit)) {
    m_fail("\"" + std::string(m_name()) + "\" cannot exceed " + std::to_string(limit) + "!");
    return false;
  }
  if (values.size() > definition_->group.size()) {
    m_fail("CTM_messageFieldValue::m_appendValues(): " + std::to_string(values.size()) + " values for a group of " +
           std::to_string(definition_->group.size()) + " fields in \"" + m_name() + "\"!");
    return false;
  }
  std::span<CTM_messageFieldValue> group = m_newGroup(definition_->group);
  for (std::size_t i = 0; i < values.size(); ++i) {
    c_value value = values[i];
    if (!group[i].m_convert(value)) value = values[i];
    static_cast<c_value&>(group[i]) = std::move(value);
  }
  hasCursor_ = true;
  cursor_ = 0;
  static_cast<c_value&>(*this) = c_value::m_fromInt(static_cast<std::int32_t>(m_groupCount()));
  return true;
}

bool CTM_messageFieldValue::m_appendValues(std::span<const c_value> values) {
  return m_appendGroup(values, definition_->m_appendLimit());
}

bool CTM_messageFieldValue::m_getNextValues(std::span<c_value> values) {
  const std::string name = quoted(m_name());
  if (!definition_->m_isCount()) {
    m_fail(name + " is not a count field!");
    return false;
  }
  if (!hasCursor_) {
    m_fail("Iterator for " + name + " empty!");
    return false;
  }
  if (values.size() > definition_->group.size()) {
    m_fail("CTM_messageFieldValue::m_getNext(): Index " + std::to_string(values.size() - 1) +
           " is outside the groups of " + name + "!");
    return false;
  }
  if (cursor_ >= m_groupCount()) {
    m_fail("Iterator for " + name + " out of the list!");
    return false;
  }
  const std::span<const CTM_messageFieldValue> group = m_groupAt(cursor_++);
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = group[i];
    if (!group[i].m_convert(values[i])) {
      m_fail("CTM_messageFieldValue::m_getNext(): Value of \"" + std::string(group[i].m_name()) +
             "\" cannot be converted to type " + std::to_string(typeCode(group[i].definition_->type)) + "!");
      return false;
    }
  }
  return true;
}

bool CTM_messageFieldValue::m_getNext(int i, c_value& a) { return m_getNext(i, i, a, a); }

bool CTM_messageFieldValue::m_getNext(int i, int j, c_value& a, c_value& b) {
  if (i < 0 || j < 0) {
    m_fail("CTM_messageFieldValue::m_getNext(): Index " + std::to_string(i < 0 ? i : j) +
           " is outside the groups of \"" + m_name() + "\"!");
    return false;
  }
  std::vector<c_value> values(static_cast<std::size_t>(std::max(i, j)) + 1);
  if (!m_getNextValues(values)) return false;
  a = values[static_cast<std::size_t>(i)];
  b = values[static_cast<std::size_t>(j)];
  return true;
}

bool CTM_messageFieldValue::m_store(c_value value) {
  if (definition_->m_isSelector()) return m_set(std::move(value));
  static_cast<c_value&>(*this) = std::move(value);
  return true;
}

void CTM_messageFieldValue::m_clear() {
  if (m_isNull() && groupFields_.empty() && receivedGroups_ == 0 && !hasCursor_ && errorText_.empty()) return;
  static_cast<c_value&>(*this) = c_value();
  groupFields_.clear();
  groupWidth_ = 0;
  receivedText_ = {};
  receivedGroups_ = 0;
  cursor_ = 0;
  hasCursor_ = false;
  errorText_.clear();
}

bool CTM_messageFieldValue::m_parse(std::string_view text) {
  const CTM_fieldDefinition& definition = *definition_;
  auto field = [&] { return "Field " + quoted(text) + " (" + m_name() + ")"; };
  auto head = [&] { return "CTM_messageFieldValue::m_parse(): " + field(); };
  switch (definition.type) {
    case CTM_fieldType::integer:
    case CTM_fieldType::longInteger: {
      std::int64_t whole = 0;
      bool read = c_parseWholeLong(text, whole) && whole >= minOf(kindOf(definition.type)) &&
                  whole <= maxOf(kindOf(definition.type)) && !(definition.m_isCount() && whole < 0);
      if (!read) {
        m_fail(head() + " could not be parsed as " + (definition.type == CTM_fieldType::integer ? "int" : "long") +
               ", format " + quoted(definition.inFormat ? definition.inFormat : "") + " !");
        return false;
      }
      return m_store(definition.type == CTM_fieldType::integer ? c_value::m_fromInt(static_cast<std::int32_t>(whole))
                                                               : c_value::m_fromLong(whole));
    }
    case CTM_fieldType::real:
    case CTM_fieldType::realAlt: {
      // Plain decimal text only: no exponent, and no "inf", "nan" or hex floats.
      double real = 0;
      if (text.find_first_of("eE") != std::string_view::npos || !c_parseWholeDouble(text, real)) {
        m_fail(head() + " could not be parsed as double, format " +
               quoted(definition.inFormat ? definition.inFormat : "") + " !");
        return false;
      }
      return m_set(c_value::m_fromDouble(real));
    }
    case CTM_fieldType::dateTime: {
      bool digits = text.size() == 14;
      for (char c : text) digits = digits && c >= '0' && c <= '9';
      if (!digits) {
        m_fail(head() + " could not be parsed as datetime, format \"%4d%2d%2d%2d%2d%2d\" !");
        return false;
      }
      c_dateTime time = c_dateTime::m_fromCompact(text);
      if (!time.m_isValid()) {
        m_fail(head() + " is not an valid datetime!");
        return false;
      }
      return m_set(c_value::m_fromDateTime(time));
    }
    case CTM_fieldType::text: {
      if (definition.m_isSelector()) {
        if (!m_set(c_value::m_fromText(text))) return false;
      } else {
        m_assignText(text);
      }
      const c_pattern* pattern = definition.pattern;
      if (pattern == nullptr) return true;
      if (!pattern->m_isValid()) {
        m_fail(field() + " illegal regular expression " + quoted(pattern->m_source()) + " !");
        return false;
      }
      if (!pattern->m_matches(text)) {
        m_fail(field() + " doesn't match " + quoted(pattern->m_source()) + " !");
        return false;
      }
      return true;
    }
  }
  m_fail("CTM_messageFieldValue::m_parse(): Parsing of type " + std::to_string(typeCode(definition.type)) +
         " not (yet) implemented!");
  return false;
}

int CTM_messageFieldValue::m_serialize(std::string& out) const {
  const CTM_fieldDefinition& definition = *definition_;
  const std::size_t start = out.size();
  if (isNumber(definition.type)) {
    appendNumber(out, definition, *this);
  } else if (definition.type == CTM_fieldType::dateTime) {
    std::string written;
    m_asDateTime().m_appendFormatted(written, definition.outFormat ? definition.outFormat : "%Y%m%d%H%M%S");
    appendFitted(out, written, definition.width);
  } else if (definition.type == CTM_fieldType::text) {
    std::string scratch;
    const std::string_view value = writtenText(definition, *this, scratch);
    if (definition.width >= 0)
      appendFitted(out, value, definition.width);
    else
      out += value.empty() ? std::string_view(" ") : value;
  } else {
    c_standardStreams::m_writeNow(c_standardStreams::error, "CTM_messageFieldValue::m_serialize(): Processing of type " +
                                                              std::to_string(typeCode(definition.type)) +
                                                              " not (yet) implemented!\n");
  }
  // Received groups not read yet are written as they came: the same characters.
  if (receivedGroups_ > 0) out += receivedText_;
  int written = static_cast<int>(out.size() - start);
  for (const CTM_messageFieldValue& field : groupFields_) written += field.m_serialize(out);
  return written;
}

void CTM_messageFieldValue::m_appendReadable(std::string& out) const {
  const CTM_fieldDefinition& definition = *definition_;
  out += '(';
  out += m_name();
  out += '=';
  if (isNumber(definition.type)) {
    appendNumber(out, definition, *this);
  } else if (definition.type == CTM_fieldType::dateTime) {
    m_asDateTime().m_appendFormatted(out, "%Y-%m-%d %H:%M:%S");
  } else if (definition.type == CTM_fieldType::text) {
    std::string scratch;
    out += '"';
    out += writtenText(definition, *this, scratch);
    out += '"';
  } else {
    c_standardStreams::m_writeNow(c_standardStreams::error, "CTM_messageFieldValue::m_asString(): Processing of type " +
                                                              std::to_string(typeCode(definition.type)) +
                                                              " not (yet) implemented!\n");
    out += "???";
  }
  out += ')';
  m_readReceivedGroups();
  for (const CTM_messageFieldValue& field : groupFields_) field.m_appendReadable(out);
}

std::string CTM_messageFieldValue::m_enteredText() const {
  std::string text = m_asString();
  if (text.find_first_not_of(' ') == std::string::npos) text.clear();
  return text;
}

std::string CTM_messageFieldValue::m_readable() const {
  std::string out;
  m_appendReadable(out);
  return out;
}
