#include "core/ctm_config_entry.h"

#include <algorithm>

#include <cfloat>
#include <cmath>
#include <functional>
#include <limits>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "platform/c_clock.h"
#include "platform/c_diskspace.h"

namespace {

constexpr const char* diskFreeName = "DISK_FREE";
constexpr const char* durationName = "DURATION";
constexpr const char kindLetters[] = {'\0', 'P', 'C', 'S', 'T'};

char typeLetter(const std::string& type) { return type.size() == 1 ? type[0] : '\0'; }
bool isKnownType(const std::string& type) {
  char letter = typeLetter(type);
  return letter == 'B' || letter == 'I' || letter == 'L' || letter == 'R' || letter == 'S';
}

int kindOf(std::string_view column) {
  for (int kind = 1; kind <= 4; ++kind)
    if (column.size() == 1 && column[0] == kindLetters[kind]) return kind;
  return 0;
}

// A column converted by the entry's type; an empty column is the empty text whatever the type.
c_value convertColumn(std::string_view column, const std::string& type) {
  if (column.empty()) return c_value::m_fromText("");
  switch (typeLetter(type)) {
    case 'B':
    case 'I': return c_value::m_fromInt(c_parseInt(column));
    case 'L': return c_value::m_fromLong(c_parseLong(column));
    case 'R': {
      // An overflowing real saturates at the largest finite double, which the rewrite
      // stores in a form that reads back to itself.
      double value = c_parseDouble(column);
      return c_value::m_fromDouble(std::isinf(value) ? std::copysign(DBL_MAX, value) : value);
    }
    default: return c_value::m_fromText(std::string(column));
  }
}

// The value -1 of a timing that has not started, in the entry's type.
c_value notStarted(const std::string& type) {
  switch (typeLetter(type)) {
    case 'L': return c_value::m_fromLong(-1);
    case 'R': return c_value::m_fromDouble(-1.0);
    default: return c_value::m_fromInt(-1);
  }
}

// Applies a comparison to two values taken as the entry's type: int for "B" and
// "I", long for "L", double for "R", the text otherwise.
template <typename Test>
bool holds(const c_value& left, const c_value& right, const std::string& type, Test test) {
  switch (typeLetter(type)) {
    case 'B':
    case 'I': return test(left.m_asInt(), right.m_asInt());
    case 'L': return test(left.m_asLong(), right.m_asLong());
    case 'R': return test(left.m_asDouble(), right.m_asDouble());
    default: return test(left.m_asString().compare(right.m_asString()), 0);
  }
}

// An absent or empty minimum or maximum column sets no bound.
bool isBound(const c_value& bound) {
  return !bound.m_isNull() && !(bound.m_kind() == c_value::c_kind::text && bound.m_asString().empty());
}

long saturatingDifference(long minuend, long subtrahend) {
  long difference = 0;
  if (__builtin_sub_overflow(minuend, subtrahend, &difference))
    return subtrahend < 0 ? std::numeric_limits<long>::max() : std::numeric_limits<long>::min();
  return difference;
}

// A column of the written line: TAB, CR and LF would split the record, so they
// are stored as blanks.
void appendColumn(std::string& out, std::string_view column) {
  for (char c : column) out += c == '\t' || c == '\r' || c == '\n' ? ' ' : c;
}

}  // namespace

bool CTM_config_entry::m_parse(std::string_view line, int lineNumber) {
  *this = CTM_config_entry();
  // A CR inside a column is written back as a blank, so it reads as one: the
  // entry read from a rewritten file is the entry that was written.
  std::string withoutCr;
  if (line.find('\r') != std::string_view::npos) {
    withoutCr.assign(line);
    std::replace(withoutCr.begin(), withoutCr.end(), '\r', ' ');
    line = withoutCr;
  }
  if (line.find_first_not_of('\t') == std::string_view::npos) {
    CTM_logging::m_log(4, ev::CFG_EMPTY_LINE, "i", lineNumber);
    return false;
  }

  std::string_view columns[columnCount];
  std::size_t present = 0;
  std::size_t tabs = 0;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    if (present < columnCount) columns[present++] = line.substr(start, tab == std::string_view::npos ? tab : tab - start);
    if (tab == std::string_view::npos) break;
    ++tabs;
    start = tab + 1;
  }
  const long long count = static_cast<long long>(tabs) + 1;
  const int loggedCount = count > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : static_cast<int>(count);
  if (count > columnCount)
    CTM_logging::m_log(2, ev::CFG_TOO_MANY_COLUMNS, "ii", loggedCount, lineNumber);
  else if (count < columnCount - 1)
    CTM_logging::m_log(2, ev::CFG_TOO_FEW_COLUMNS, "ii", loggedCount, lineNumber);

  kind_ = kindOf(columns[0]);
  name_ = std::string(columns[1]);
  if (name_.empty()) CTM_logging::m_log(1, ev::CFG_NO_NAME, "i", lineNumber);
  if (kind_ == 0) CTM_logging::m_log(1, ev::CFG_UNKNOWN_KIND, "i", lineNumber);
  if (name_.empty() || kind_ == 0) return false;

  index_ = columns[2].empty() ? -1 : c_parseInt(columns[2]);
  type_ = std::string(columns[3]);
  if (!isKnownType(type_)) {
    CTM_logging::m_log(2, ev::CFG_UNKNOWN_TYPE, "s", type_);
    type_ = "S";
  }
  auto typed = [&](std::size_t column) { return column < present ? convertColumn(columns[column], type_) : c_value(); };
  valueAsRead_ = typed(4);
  fileValue_ = valueAsRead_;
  for (std::size_t i = 0; i < 4; ++i) texts_[i] = std::string(columns[5 + i]);
  minimum_ = typed(9);
  maximum_ = typed(10);
  further_ = typed(11);
  text_ = std::string(columns[12]);
  if (name_ == diskFreeName || name_ == durationName) computed_ = "Y";

  if (kind_ == kindTiming) {
    value_ = notStarted(type_);
    duration_ = 0;
  } else {
    value_ = valueAsRead_;
  }
  if (isBound(minimum_) && isBound(maximum_) && holds(maximum_, minimum_, type_, std::less<>())) {
    CTM_logging::m_log(1, ev::CFG_MAXIMUM_BELOW_MINIMUM, "i", lineNumber);
    minimum_ = c_value::m_fromText("");
    maximum_ = c_value::m_fromText("");
  }
  // A timing holds -1 until it starts; bounds do not apply to that mark.
  if (kind_ != kindTiming) m_setValue(value_);
  return true;
}

bool CTM_config_entry::m_asLine(std::string& out) const {
  m_writeLine(out, m_isPersistent() ? value_ : valueAsRead_);
  return true;
}

bool CTM_config_entry::m_asFileLine(std::string& out) const {
  m_writeLine(out, m_isPersistent() ? fileValue_ : valueAsRead_);
  return true;
}

void CTM_config_entry::m_writeLine(std::string& out, const c_value& value) const {
  out.clear();
  if (kind_ >= 1 && kind_ <= 4) out += kindLetters[kind_];
  out += '\t';
  appendColumn(out, name_);
  out += '\t';
  if (index_ != -1) out += std::to_string(index_);
  out += '\t';
  appendColumn(out, type_);
  out += '\t';
  appendColumn(out, value.m_asString());
  for (const std::string& text : texts_) {
    out += '\t';
    appendColumn(out, text);
  }
  for (const c_value* value : {&minimum_, &maximum_, &further_}) {
    out += '\t';
    appendColumn(out, value->m_asString());
  }
  out += '\t';
  appendColumn(out, text_);
  out += "\r\n";
}

std::string CTM_config_entry::m_asString() const {
  return "Name:[" + name_ + "]  Index:[" + std::to_string(index_) + "]  Type:[" + type_ + "]  Value:[" +
         value_.m_asString() + "]";
}

bool CTM_config_entry::m_checkType(char letter, bool writing) const {
  if (typeLetter(type_) == letter) return true;
  CTM_logging::m_log(1, writing ? ev::CFG_WRITE_TYPE_MISMATCH : ev::CFG_READ_TYPE_MISMATCH, "ssc", name_, type_, letter);
  return false;
}

// The checks of every read; a computed entry read as a type it computes nothing for
// says so and gives its stored value.
bool CTM_config_entry::m_canRead(char letter, int kind) const {
  if (!m_checkType(letter, false) || !m_kindMatches(kind)) return false;
  bool computes = (letter == 'I' && name_ == diskFreeName) || (letter == 'L' && name_ == durationName);
  if (m_isComputed() && !computes) CTM_logging::m_log(2, ev::CFG_NOT_COMPUTED, "s", name_);
  return true;
}

bool CTM_config_entry::m_getBool(bool& out, int kind) {
  if (!m_canRead('B', kind)) return false;
  out = value_.m_asInt() != 0;
  return true;
}

bool CTM_config_entry::m_getInteger(int& out, int kind) {
  if (!m_canRead('I', kind)) return false;
  if (m_isComputed() && name_ == diskFreeName) {
    int percent = 0;
    if (!c_diskFreePercent(CTM_config::m_getHomePath(), percent)) return false;
    value_ = c_value::m_fromInt(percent);
  }
  out = value_.m_asInt();
  return true;
}

bool CTM_config_entry::m_getLong(long& out, int kind) {
  if (!m_canRead('L', kind)) return false;
  if (m_isComputed() && name_ == durationName)
    out = saturatingDifference(c_clock::m_utcSeconds(), value_.m_asLong());
  else
    out = kind_ == kindTiming ? duration_ : value_.m_asLong();
  return true;
}

bool CTM_config_entry::m_getReal(double& out, int kind) {
  if (!m_canRead('R', kind)) return false;
  out = value_.m_asDouble();
  return true;
}

bool CTM_config_entry::m_getString(std::string& out, int kind) {
  if (!m_canRead('S', kind)) return false;
  out = value_.m_asString();
  return true;
}

bool CTM_config_entry::m_write(char letter, int kind, const c_value& value) {
  if (!m_checkType(letter, true) || !m_kindMatches(kind)) return false;
  if (kind_ == kindParameter) return m_setValue(value);
  value_ = value;
  return true;
}

bool CTM_config_entry::m_setBool(bool value, int kind) { return m_write('B', kind, c_value::m_fromInt(value ? 1 : 0)); }
bool CTM_config_entry::m_setInteger(int value, int kind) { return m_write('I', kind, c_value::m_fromInt(value)); }
bool CTM_config_entry::m_setReal(double value, int kind) { return m_write('R', kind, c_value::m_fromDouble(value)); }
bool CTM_config_entry::m_setString(const std::string& value, int kind) {
  return m_write('S', kind, c_value::m_fromText(value));
}

// A timing measures from its stored start to the new value. A new value before
// the start (a clock set back) measures 0: a timing never runs backwards.
bool CTM_config_entry::m_setLong(long value, int kind) {
  if (kind_ != kindTiming || typeLetter(type_) != 'L') return m_write('L', kind, c_value::m_fromLong(value));
  if (!m_kindMatches(kind)) return false;
  long start = value_.m_asLong();
  if (start != -1) duration_ = value >= start ? saturatingDifference(value, start) : 0;
  CTM_logging::m_logStatistics(name_, start, value, duration_);
  value_ = c_value::m_fromLong(value);
  return true;
}

bool CTM_config_entry::m_resetValue(int kind) {
  if (!m_kindMatches(kind)) return false;
  switch (typeLetter(type_)) {
    case 'B': value_ = c_value::m_fromInt(1); break;
    case 'I': value_ = c_value::m_fromInt(0); break;
    case 'L':
      if (kind_ == kindTiming)
        duration_ = 0;
      else
        value_ = c_value::m_fromLong(0);
      break;
    case 'R': value_ = c_value::m_fromDouble(0.0); break;
    default: value_ = c_value::m_fromText(""); break;
  }
  return true;
}

bool CTM_config_entry::m_setValue(const c_value& value) {
  value_ = value;
  if (!isKnownType(type_)) return true;
  bool aboveMinimum = !isBound(minimum_) || holds(value_, minimum_, type_, std::greater_equal<>());
  bool belowMaximum = !isBound(maximum_) || holds(value_, maximum_, type_, std::less_equal<>());
  if (!aboveMinimum) {
    CTM_logging::m_logNoArgs(1, ev::CFG_BELOW_MINIMUM);
    value_ = minimum_;
  }
  if (!belowMaximum) {
    CTM_logging::m_logNoArgs(1, ev::CFG_ABOVE_MAXIMUM);
    value_ = maximum_;
  }
  return aboveMinimum && belowMaximum;
}

void CTM_config_entry::m_copyValues(const CTM_config_entry& other) {
  value_ = other.value_;
  for (std::size_t i = 0; i < 4; ++i) texts_[i] = other.texts_[i];
  minimum_ = other.minimum_;
  maximum_ = other.maximum_;
  further_ = other.further_;
  text_ = other.text_;
  computed_ = other.computed_;
  valueAsRead_ = other.valueAsRead_;
  fileValue_ = other.fileValue_;
}

bool CTM_config_entry::m_hasEqualValue(const CTM_config_entry& other) const {
  return holds(value_, other.value_, type_, std::equal_to<>());
}
