#pragma once
// CTM_messageFieldValue: the value of one telegram field, described by its
// static definition record, with the groups that follow it (the repeated groups
// of a count field, or the one layout a selector field selected) and a cursor
// over those groups that can be rewound. It parses and checks the field's text,
// writes it back at its fixed width, renders its readable form and collects its
// own error texts. Belongs to the telegram that holds it (one thread at a time,
// also for its const operations).
//
// The received groups of a count field whose layout holds only plain fields
// (numbers of digits only, texts) are checked as they arrive but read into
// values only when first used; until then they are the telegram's received text,
// which is also what they write. Such a field belongs to its telegram: a copy of
// it reads its groups first.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/c_value.h"
#include "telegrams/ctm_fielddefinition.h"

class CTM_messageFieldValue : public c_value {
 public:
  CTM_messageFieldValue() = default;
  explicit CTM_messageFieldValue(const CTM_fieldDefinition* definition) : definition_(definition) {}
  CTM_messageFieldValue(const CTM_messageFieldValue& other);
  CTM_messageFieldValue& operator=(const CTM_messageFieldValue& other);
  CTM_messageFieldValue(CTM_messageFieldValue&&) noexcept = default;
  CTM_messageFieldValue& operator=(CTM_messageFieldValue&&) noexcept = default;
  ~CTM_messageFieldValue() = default;

  const CTM_fieldDefinition& m_definition() const { return *definition_; }
  const char* m_name() const { return definition_->name; }

  // Parses and checks one field's text (exactly the field's characters).
  bool m_parse(std::string_view text);

  // Sets the value, converted to the field's type; a value that does not convert,
  // or a selector value that is none of the options, is refused and changes
  // nothing. A new selector value replaces the groups by its option's layout.
  // Neither the width nor the pattern is checked: a longer text is cut when written.
  bool m_set(c_value value);
  bool m_set(std::string_view text) { return m_set(c_value::m_fromText(text)); }
  bool m_set(const char* text) { return m_set(std::string_view(text ? text : "")); }
  bool m_set(int value) { return m_set(c_value::m_fromInt(value)); }
  // Seconds since 1970-01-01 00:00:00 UTC.
  bool m_setTime(std::int64_t seconds) { return m_set(c_value::m_fromDateTime(c_dateTime::m_fromSeconds(seconds))); }
  // The int 1 or 0 ("1" or "0" in a text field).
  bool m_setFlag(bool flag) { return m_set(flag ? 1 : 0); }

  // Count field: appends one group whose first values are the given ones (taken
  // as they are, converted to each field's type where they can be), up to the
  // maximum a sender may append. Reading starts again at the first group.
  bool m_appendValues(std::span<const c_value> values);
  // Count field: advances the cursor to the next group and copies its value i (and j) out.
  bool m_getNext(int i, c_value& a);
  bool m_getNext(int i, int j, c_value& a, c_value& b);
  // The same for the first values.size() fields of the next group.
  bool m_getNextValues(std::span<c_value> values);
  // Puts the cursor back before the first group.
  void m_rewind() { cursor_ = 0; }

  std::size_t m_groupCount() const;
  // Group `index` (below m_groupCount()); valid until a group is appended or replaced.
  std::span<CTM_messageFieldValue> m_groupAt(std::size_t index);
  std::span<const CTM_messageFieldValue> m_groupAt(std::size_t index) const;

  // Appends the field's wire text and that of its groups; returns the characters appended.
  int m_serialize(std::string& out) const;
  // Appends "(name=value)" and the readable forms of the group fields, not nested.
  void m_appendReadable(std::string& out) const;
  std::string m_readable() const;

  // The value's text, or empty when it is all blanks: a blank field is a value
  // nobody entered.
  std::string m_enteredText() const;

  const std::string& m_getErrorText() const { return errorText_; }

  // Whether a printf form of one numeric conversion taking the width first
  // ("%0*d", "%0*.8lf") suits a field of the given type; the table check asks it.
  static bool m_isNumberFormat(const char* format, CTM_fieldType type);

 private:
  friend class CTM_message;  // parses groups and layouts in place

  // Converts the value in place to the field's type; false when it cannot.
  bool m_convert(c_value& value) const;
  // Stores a value read for the field, already of its type; a selector checks its options.
  bool m_store(c_value value);
  // Back to the state of a new field of the same definition.
  void m_clear();
  // Appends an empty group; `limit` is the parse or the append maximum.
  bool m_appendGroup(std::span<const c_value> values, int limit);
  std::span<CTM_messageFieldValue> m_newGroup(std::span<const CTM_fieldDefinition> layout);
  void m_fail(std::string text) { errorText_ += text; }

  // Reads one whole row of a plain layout (`fields` holds the values of `layout`,
  // in order) from `text`, all or nothing: false, with nothing read, when the
  // layout is not plain or the text is not exactly one row that matches it.
  static bool m_readPlainRow(std::span<const CTM_fieldDefinition> layout, std::span<CTM_messageFieldValue> fields,
                             std::string_view text);
  // Stores the value of a plain field from text its row pattern accepted.
  void m_storeChecked(std::string_view text);

  // A count field just parsed, whose groups start the received `text`: takes
  // them as they are when its layout is plain and they all match it, and says
  // how many characters it took; false, with nothing taken, otherwise.
  bool m_takeReceivedGroups(std::string_view text, std::size_t& taken);
  // Reads the groups still held as received text into values.
  void m_readReceivedGroups() const;
  // The same for the groups of every field below this one, before the received text goes.
  void m_readAllReceivedGroups();

  const CTM_fieldDefinition* definition_ = nullptr;
  // The groups, one after another, each of groupWidth_ fields.
  mutable std::vector<CTM_messageFieldValue> groupFields_;
  mutable std::size_t groupWidth_ = 0;
  // Received groups not read yet: their text, inside the telegram's received text.
  mutable std::string_view receivedText_;
  mutable std::size_t receivedGroups_ = 0;
  std::size_t cursor_ = 0;   // index of the next group to read
  bool hasCursor_ = false;   // a group was appended once
  std::string errorText_;
};
