#pragma once
// CTM_config_entry: one line of a parameter file held in memory: its kind, name,
// optional index and value type, the current value beside the value as read, the
// bounds that clamp parameters, and for timings the last measured duration.
// Not synchronised: the store owns every entry and calls it under the
// configuration mutex (CTM_config::m_getMutex()).

#include <string>
#include <string_view>

#include "platform/c_value.h"

class CTM_config_entry {
 public:
  // Kinds of an entry; as an argument, kindAny accepts every kind.
  enum : int { kindAny = 0, kindParameter = 1, kindCommand = 2, kindStatus = 3, kindTiming = 4 };
  static constexpr int columnCount = 13;

  CTM_config_entry() = default;
  CTM_config_entry(const CTM_config_entry&) = default;
  CTM_config_entry& operator=(const CTM_config_entry&) = default;
  virtual ~CTM_config_entry() = default;

  // Fills the entry from one line (without its line end); false when the line is refused.
  bool m_parse(std::string_view line, int lineNumber);
  // The line as the system parameter file holds it, with its CR LF.
  bool m_asLine(std::string& out) const;
  // The same line as a rewrite stores it: a persistent entry with its file value.
  bool m_asFileLine(std::string& out) const;
  // "Name:[..]  Index:[..]  Type:[..]  Value:[..]"
  std::string m_asString() const;

  const std::string& m_getName() const { return name_; }
  int m_getIndex() const { return index_; }
  const std::string& m_getType() const { return type_; }
  int m_getKind() const { return kind_; }
  // Only parameters of the system file persist: the rewrite stores their current value.
  bool m_isPersistent() const { return kind_ == kindParameter && !fromConfigFile_; }
  bool m_isFromConfigFile() const { return fromConfigFile_; }
  void m_setFromConfigFile(bool fromConfigFile) { fromConfigFile_ = fromConfigFile; }
  // Computed entries ("DISK_FREE", "DURATION") are marked by their name when parsed.
  bool m_isComputed() const { return computed_ == "Y"; }

  // Typed reads and writes: false on a type mismatch (with its event) or, silently,
  // when kind is not kindAny and differs from the entry's kind.
  bool m_getBool(bool& out, int kind);
  bool m_getInteger(int& out, int kind);
  bool m_getLong(long& out, int kind);
  bool m_getReal(double& out, int kind);
  bool m_getString(std::string& out, int kind);
  bool m_setBool(bool value, int kind);
  bool m_setInteger(int value, int kind);
  bool m_setLong(long value, int kind);
  bool m_setReal(double value, int kind);
  bool m_setString(const std::string& value, int kind);

  // The current value, as stored (no computing, no type check).
  const c_value& m_getValue() const { return value_; }
  // What the system file may receive for a persistent entry: the value read from
  // it, then the last one whose write the store reported done. Memory may hold
  // another (a clamped bound, a value whose rewrite failed); the store keeps this.
  const c_value& m_getFileValue() const { return fileValue_; }
  void m_setFileValue(const c_value& value) { fileValue_ = value; }

  bool m_resetValue(int kind);
  // Stores the value clamped into the entry's bounds; false when it had to be clamped.
  bool m_setValue(const c_value& value);
  // Takes over everything but kind, name, index, type and origin.
  void m_copyValues(const CTM_config_entry& other);
  // Equal values, compared as the type of this entry.
  bool m_hasEqualValue(const CTM_config_entry& other) const;

  friend bool operator==(const CTM_config_entry& left, const CTM_config_entry& right) {
    return left.name_ == right.name_;
  }
  friend bool operator<(const CTM_config_entry& left, const CTM_config_entry& right) {
    return left.name_ < right.name_;
  }

 private:
  bool m_checkType(char letter, bool writing) const;
  bool m_kindMatches(int kind) const { return kind == kindAny || kind == kind_; }
  bool m_canRead(char letter, int kind) const;
  bool m_write(char letter, int kind, const c_value& value);
  void m_writeLine(std::string& out, const c_value& value) const;

  int kind_ = 0;
  std::string name_;
  int index_ = -1;
  std::string type_;
  c_value value_;
  std::string texts_[4];
  c_value minimum_;
  c_value maximum_;
  c_value further_;
  std::string text_;
  std::string computed_;
  bool fromConfigFile_ = false;
  c_value valueAsRead_;
  c_value fileValue_;
  long duration_ = 0;
};
