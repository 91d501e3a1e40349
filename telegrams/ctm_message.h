#pragma once
// CTM_message: base of every telegram. A telegram is one line of fixed-width
// text: a header (source and destination codes, two-digit type id, version,
// sequence number, data length, sub id), a data part of fields at fixed widths
// described by the type's static field table, and a line feed.
//
//   one-letter codes (header 13):  "MT01" "01" "07" "044" "01" data "\n"
//   two-letter codes (header 15):  "TCTM01" "01" "07" "031" "01" data "\n"
//
// It parses a received text (`m_init`), writes its own text (`m_serialize`) and
// renders the readable form of the telegram log (`m_asString`). A pair class
// below it fixes the header (`m_initHeader`), a type class the type id and the
// field table, and adds one-line typed accessors on the shared helpers below.
// No locks and no input or output: a telegram belongs to one thread at a time
// (the line handler or the queue that holds it).

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/ctm_logging.h"
#include "telegrams/ctm_messagefieldvalue.h"
#include "telegrams/ctm_telegrampair.h"

class CTM_message : public CTM_loggableTelegram {
 public:
  static constexpr int defaultTimeout = 180;  // seconds
  static constexpr int maxDataLength = 999;   // what the three-digit data length can state

  // No field table: a header-only telegram.
  CTM_message();
  // One field value per record of the table.
  explicit CTM_message(std::span<const CTM_fieldDefinition> table);
  ~CTM_message() override;
  CTM_message(const CTM_message&) = delete;
  CTM_message& operator=(const CTM_message&) = delete;

  // The factory: turns the whole text of a received telegram (line feed
  // included) into a parsed telegram of its type, or into an error telegram that
  // says what is wrong. Never none, never throws, reads nothing outside `raw`.
  static std::unique_ptr<CTM_message> m_new(std::string_view raw);
  // The same, asking the given pairs in order.
  static std::unique_ptr<CTM_message> m_new(std::string_view raw, std::span<const CTM_telegramPair* const> pairs);
  // The pairs the factory asks, in its order.
  static std::span<const CTM_telegramPair* const> m_registeredPairs();

  // Parses `raw` into this telegram; false with the error text set on any fault.
  bool m_init(std::string_view raw);
  // Replaces `out` with the telegram text and returns its length. A header slot
  // that its value does not fit, or a data part longer than 999 characters,
  // gives 0 and an empty text: a corrupt header must never reach a peer.
  virtual int m_serialize(std::string& out) const;
  // The readable form: ((msgId=TMTC01)(versNo=1)(seqNo=7)(subId="01")(PIC=0012)...)
  std::string m_asString() const override;
  void m_appendReadable(std::string& out) const;

  const std::string& m_getSource() const { return source_; }
  const std::string& m_getDestination() const { return destination_; }
  const std::string& m_getTypeId() const { return typeId_; }
  const std::string& m_getTelegramNumber() const { return typeId_; }
  const std::string& m_getSubId() const { return subId_; }
  void m_setSubId(std::string subId) { subId_ = std::move(subId); }
  int m_getSeqNo() const { return seqNo_; }
  void m_setSeqNo(int seqNo) { seqNo_ = seqNo; }
  int m_getVersion() const { return version_; }
  int m_getHeaderLength() const { return headerLength_; }

  bool m_isValid() const override { return errorText_.empty(); }
  std::string m_getId() const override { return source_ + destination_ + typeId_; }
  std::string m_getErrorText() const override { return errorText_; }
  bool m_setErrorText(std::string text);
  const std::string& m_getRawTelegram() const { return raw_; }
  bool m_setRawTelegram(std::string raw);

  // Time to live, on the monotonic clock read to its tick: expired once the whole
  // seconds since creation (or the last m_touch) reach the timeout.
  bool m_isExpired() const;
  void m_touch();
  void m_setTimeout(int seconds) { timeout_ = seconds; }
  int m_getTimeout() const { return timeout_; }

  std::span<const CTM_fieldDefinition> m_fieldTable() const { return table_; }
  std::span<CTM_messageFieldValue> m_fieldValues() { return fields_; }
  std::span<const CTM_messageFieldValue> m_fieldValues() const { return fields_; }

 protected:
  void m_initHeader(std::string_view source, std::string_view destination, int version, int headerLength);
  void m_setTypeId(std::string_view typeId) { typeId_.assign(typeId); }

  // Helpers of the typed accessors. A field is reached by pointer, and every
  // helper takes none (an index past the table, a layout a selector never
  // created) as "no such field": getters then give 0, "" or false and setters false.
  CTM_messageFieldValue* m_field(std::size_t index);
  const CTM_messageFieldValue* m_field(std::size_t index) const;
  // Field k of the layout that a selector field selected.
  static CTM_messageFieldValue* m_layoutField(CTM_messageFieldValue* selector, std::size_t k);
  static const CTM_messageFieldValue* m_layoutField(const CTM_messageFieldValue* selector, std::size_t k);

  static std::string m_textOf(const CTM_messageFieldValue* field) { return field ? field->m_asString() : std::string(); }
  // The text, or empty when it is all blanks.
  static std::string m_enteredTextOf(const CTM_messageFieldValue* field) {
    return field ? field->m_enteredText() : std::string();
  }
  static int m_intOf(const CTM_messageFieldValue* field) { return field ? field->m_asInt() : 0; }
  static long m_longOf(const CTM_messageFieldValue* field) { return field ? field->m_asLong() : 0; }
  static double m_doubleOf(const CTM_messageFieldValue* field) { return field ? field->m_asDouble() : 0.0; }
  // A flag is set unless its text is "0".
  static bool m_flagOf(const CTM_messageFieldValue* field) { return field && field->m_asString() != "0"; }
  // Seconds since 1970-01-01 00:00:00 UTC, exactly as set; 0 when there is no valid date-time.
  static std::int64_t m_timeOf(const CTM_messageFieldValue* field);

  static bool m_setValue(CTM_messageFieldValue* field, const c_value& value) { return field && field->m_set(value); }
  static bool m_setText(CTM_messageFieldValue* field, std::string_view text) { return field && field->m_set(text); }
  static bool m_setInt(CTM_messageFieldValue* field, int value) { return field && field->m_set(value); }
  static bool m_setLong(CTM_messageFieldValue* field, long value) { return m_setValue(field, c_value::m_fromLong(value)); }
  static bool m_setDouble(CTM_messageFieldValue* field, double value) {
    return m_setValue(field, c_value::m_fromDouble(value));
  }
  static bool m_setTime(CTM_messageFieldValue* field, std::int64_t seconds) { return field && field->m_setTime(seconds); }
  static bool m_setFlag(CTM_messageFieldValue* field, bool flag) { return field && field->m_setFlag(flag); }
  // Sets the text only when it is one of `allowed`; otherwise false and unchanged.
  static bool m_setOneOf(CTM_messageFieldValue* field, std::string_view text,
                         std::initializer_list<std::string_view> allowed);

  // Reads the next group of a count field into the outputs, field 0 first; each
  // output takes its type's reading (text, int, long, double, or a flag).
  template <typename... Out>
  static bool m_readNextGroup(CTM_messageFieldValue* countField, Out&... out) {
    c_value values[sizeof...(Out)];
    if (countField == nullptr || !countField->m_getNextValues(values)) return false;
    std::size_t i = 0;
    (m_take(values[i++], out), ...);
    return true;
  }
  // Appends one group with the given values, field 0 first; a flag goes as the int 1 or 0.
  template <typename... In>
  static bool m_appendGroupTo(CTM_messageFieldValue* countField, const In&... in) {
    const c_value values[] = {m_valueOf(in)...};
    return countField != nullptr && countField->m_appendValues(values);
  }
  static void m_rewindGroups(CTM_messageFieldValue* countField) {
    if (countField) countField->m_rewind();
  }

 private:
  static void m_take(const c_value& value, std::string& out) { out = value.m_asString(); }
  static void m_take(const c_value& value, int& out) { out = value.m_asInt(); }
  static void m_take(const c_value& value, long& out) { out = value.m_asLong(); }
  static void m_take(const c_value& value, double& out) { out = value.m_asDouble(); }
  static void m_take(const c_value& value, bool& out) { out = value.m_asString() != "0"; }
  static void m_take(const c_value& value, c_value& out) { out = value; }
  static c_value m_valueOf(int value) { return c_value::m_fromInt(value); }
  static c_value m_valueOf(long value) { return c_value::m_fromLong(value); }
  static c_value m_valueOf(double value) { return c_value::m_fromDouble(value); }
  static c_value m_valueOf(bool flag) { return c_value::m_fromInt(flag ? 1 : 0); }
  static c_value m_valueOf(const char* text) { return c_value::m_fromText(text ? text : ""); }
  static c_value m_valueOf(std::string_view text) { return c_value::m_fromText(text); }
  static c_value m_valueOf(const std::string& text) { return c_value::m_fromText(text); }
  static c_value m_valueOf(const c_value& value) { return value; }

  // Parses consecutive fields of the raw text from `offset` into `values`,
  // recursing into groups and layouts; `offset` ends after the last field read.
  bool m_parseFields(std::size_t& offset, std::span<CTM_messageFieldValue> values);

  std::string source_ = "-";
  std::string destination_ = "-";
  std::string typeId_;
  int version_ = 1;
  int seqNo_ = -1;
  std::string subId_ = "01";
  int headerLength_ = 13;
  std::span<const CTM_fieldDefinition> table_;
  // One value per field of the table. A small table's values live in the
  // telegram itself, so that a short telegram costs one allocation less.
  static constexpr std::size_t inlineFieldCount = 4;
  union c_inlineFields {
    c_inlineFields() {}
    ~c_inlineFields() {}
    CTM_messageFieldValue values[inlineFieldCount];
  } inlineFields_;
  std::vector<CTM_messageFieldValue> heapFields_;
  std::span<CTM_messageFieldValue> fields_;
  std::int64_t created_ = 0;  // monotonic milliseconds
  int timeout_ = defaultTimeout;
  std::string raw_;
  std::string errorText_;
};
