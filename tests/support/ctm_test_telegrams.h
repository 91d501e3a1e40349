#pragma once
// Test-only interface pairs built exactly as the real pairs are (a pair class
// with its header, thin type classes over static field tables, one factory row),
// covering every kind of field. "Y" -> "Z" has one-letter codes (header 13,
// version 1), "XA" -> "XB" two-letter codes (header 15, version 2). Header only,
// so that the tests, the fuzz target and the benchmark share them.

#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "telegrams/ctm_fieldpatterns.h"
#include "telegrams/ctm_message.h"

namespace ctm_test {

using F = CTM_fieldDefinition;

// The shape of a transport controller's report.
inline constexpr F reportFields[] = {F::m_int("PIC", 4), F::m_text("BIT_ID", 11, &ctm_bitIdOrBlankPattern),
                                     F::m_text("equipmentCode", 16, &ctm_equipmentPattern)};

inline constexpr F allTypesFields[] = {
    F::m_int("number", 4),
    F::m_long("bigNumber", 10),
    F::m_double("real", 17),
    F::m_dateTime("timeStamp"),
    F::m_text("LS_ID", 5, &ctm_logicalSegmentPattern),
    F::m_text("passengerName", 20),
    F::m_fixedText("delimiter", 1, &ctm_delimiterPattern, ";")};

// A selector whose options bring a repeated list, a single value or nothing.
inline constexpr F itemGroup[] = {F::m_int("fieldIndex", 4), F::m_text("fieldValue", 1, &ctm_flagPattern),
                                  F::m_fixedText("delimiter", 1, &ctm_delimiterPattern, ";")};
inline constexpr int itemParseMaximum = 5;
inline constexpr int itemAppendMaximum = 3;
inline constexpr F itemLayout[] = {F::m_count("fieldCount", 2, itemGroup, itemParseMaximum, itemAppendMaximum)};
inline constexpr F realLayout[] = {F::m_double("fieldValue", 17)};
inline constexpr c_pattern kindPattern{"[ABN]"};
inline constexpr CTM_fieldOption kindOptions[] = {{"A", itemLayout}, {"B", realLayout}, {"N", {}}};
inline constexpr c_pattern trailerPattern{"[0-9][0-9]"};
inline constexpr F selectorFields[] = {F::m_selector("fieldType", 1, &kindPattern, kindOptions),
                                       F::m_text("trailer", 2, &trailerPattern)};

// The largest telegram: 3 + 166 x 6 = 999 characters of data.
inline constexpr c_pattern occupationPattern{"[AEFN]"};
inline constexpr F occupationGroup[] = {F::m_text("LS_ID", 5, &ctm_logicalSegmentPattern),
                                        F::m_text("occupation", 1, &occupationPattern)};
inline constexpr int occupationMaximum = 166;
inline constexpr F occupationFields[] = {F::m_count("fieldCount", 3, occupationGroup, occupationMaximum)};

// Blank-padded option texts, compared whole.
inline constexpr CTM_fieldOption statusOptions[] = {{"GARBAGE         ", {}}, {"UNK             ", {}}};
inline constexpr F statusFields[] = {F::m_selector("BIT_status", 16, nullptr, statusOptions)};

inline constexpr F eventFields[] = {F::m_int("eventNumber", 4), F::m_restText("messageText")};

class CTM_yz_message : public CTM_message {
 public:
  CTM_yz_message() { m_initHeader("Y", "Z", 1, 13); }
  explicit CTM_yz_message(std::span<const F> table) : CTM_message(table) { m_initHeader("Y", "Z", 1, 13); }
  static std::unique_ptr<CTM_message> m_create(std::string_view raw);
};

class CTM_yz00_message : public CTM_yz_message {
 public:
  CTM_yz00_message() {
    m_setTypeId("00");
    m_setSeqNo(0);
  }
};

class CTM_yz01_message : public CTM_yz_message {
 public:
  CTM_yz01_message() : CTM_yz_message(reportFields) { m_setTypeId("01"); }
  int m_getPIC() const { return m_intOf(m_field(0)); }
  std::string m_getBIT_ID() const { return m_textOf(m_field(1)); }
  std::string m_getEquipmentCode() const { return m_textOf(m_field(2)); }
  bool m_setPIC(int pic) { return m_setInt(m_field(0), pic); }
  bool m_setBIT_ID(std::string_view id) { return m_setText(m_field(1), id); }
  bool m_setEquipmentCode(std::string_view code) { return m_setText(m_field(2), code); }
};

class CTM_yz02_message : public CTM_yz_message {
 public:
  CTM_yz02_message() : CTM_yz_message(allTypesFields) { m_setTypeId("02"); }
  int m_getNumber() const { return m_intOf(m_field(0)); }
  long m_getBigNumber() const { return m_longOf(m_field(1)); }
  double m_getReal() const { return m_doubleOf(m_field(2)); }
  std::int64_t m_getTimeStamp() const { return m_timeOf(m_field(3)); }
  std::string m_getLS_ID() const { return m_textOf(m_field(4)); }
  std::string m_getPassengerName() const { return m_textOf(m_field(5)); }
  bool m_setNumber(int value) { return m_setInt(m_field(0), value); }
  bool m_setBigNumber(long value) { return m_setLong(m_field(1), value); }
  bool m_setReal(double value) { return m_setDouble(m_field(2), value); }
  bool m_setTimeStamp(std::int64_t seconds) { return m_setTime(m_field(3), seconds); }
  bool m_setLS_ID(std::string_view id) { return m_setText(m_field(4), id); }
  bool m_setPassengerName(std::string_view name) { return m_setText(m_field(5), name); }
};

class CTM_yz03_message : public CTM_yz_message {
 public:
  CTM_yz03_message() : CTM_yz_message(selectorFields) { m_setTypeId("03"); }
  std::string m_getFieldType() const { return m_textOf(m_field(0)); }
  int m_getFieldCount() const { return m_intOf(m_layoutField(m_field(0), 0)); }
  bool m_getNextItem(int& index, bool& flag) { return m_readNextGroup(m_layoutField(m_field(0), 0), index, flag); }
  double m_getReal() const { return m_doubleOf(m_layoutField(m_field(0), 0)); }
  std::string m_getTrailer() const { return m_textOf(m_field(1)); }
  bool m_setFieldType(std::string_view type) { return m_setText(m_field(0), type); }
  bool m_appendItem(int index, bool flag) { return m_appendGroupTo(m_layoutField(m_field(0), 0), index, flag); }
  bool m_setReal(double value) { return m_setDouble(m_layoutField(m_field(0), 0), value); }
  bool m_setTrailer(std::string_view trailer) { return m_setText(m_field(1), trailer); }
  void m_resetItems() { m_rewindGroups(m_layoutField(m_field(0), 0)); }
};

class CTM_yz04_message : public CTM_yz_message {
 public:
  CTM_yz04_message() : CTM_yz_message(occupationFields) { m_setTypeId("04"); }
  int m_getFieldCount() const { return m_intOf(m_field(0)); }
  bool m_getNextOccupation(std::string& segment, std::string& occupation) {
    return m_readNextGroup(m_field(0), segment, occupation);
  }
  bool m_appendOccupation(std::string_view segment, std::string_view occupation) {
    return m_appendGroupTo(m_field(0), segment, occupation);
  }
};

class CTM_yz05_message : public CTM_yz_message {
 public:
  CTM_yz05_message() : CTM_yz_message(statusFields) { m_setTypeId("05"); }
  std::string m_getStatus() const { return m_textOf(m_field(0)); }
  bool m_setStatus(std::string_view status) { return m_setText(m_field(0), status); }
};

class CTM_yz24_message : public CTM_yz_message {
 public:
  CTM_yz24_message() : CTM_yz_message(eventFields) { m_setTypeId("24"); }
  int m_getEventNumber() const { return m_intOf(m_field(0)); }
  std::string m_getMessageText() const { return m_textOf(m_field(1)); }
  bool m_setEventNumber(int number) { return m_setInt(m_field(0), number); }
  bool m_setMessageText(std::string_view text) { return m_setText(m_field(1), text); }
};

inline constexpr CTM_telegramType yzTypes[] = {
    {"00", &CTM_telegramType::m_make<CTM_yz00_message>}, {"01", &CTM_telegramType::m_make<CTM_yz01_message>},
    {"02", &CTM_telegramType::m_make<CTM_yz02_message>}, {"03", &CTM_telegramType::m_make<CTM_yz03_message>},
    {"04", &CTM_telegramType::m_make<CTM_yz04_message>}, {"05", &CTM_telegramType::m_make<CTM_yz05_message>},
    {"24", &CTM_telegramType::m_make<CTM_yz24_message>}};
inline constexpr CTM_telegramPair yzPair{"Y", "Z", yzTypes};
inline std::unique_ptr<CTM_message> CTM_yz_message::m_create(std::string_view raw) { return yzPair.m_create(raw); }

class CTM_xaxb_message : public CTM_message {
 public:
  CTM_xaxb_message() { m_initHeader("XA", "XB", 2, 15); }
  explicit CTM_xaxb_message(std::span<const F> table) : CTM_message(table) { m_initHeader("XA", "XB", 2, 15); }
};

class CTM_xaxb00_message : public CTM_xaxb_message {
 public:
  CTM_xaxb00_message() {
    m_setTypeId("00");
    m_setSeqNo(0);
  }
};

class CTM_xaxb01_message : public CTM_xaxb_message {
 public:
  CTM_xaxb01_message() : CTM_xaxb_message(reportFields) { m_setTypeId("01"); }
  int m_getPIC() const { return m_intOf(m_field(0)); }
  bool m_setPIC(int pic) { return m_setInt(m_field(0), pic); }
  bool m_setBIT_ID(std::string_view id) { return m_setText(m_field(1), id); }
  bool m_setEquipmentCode(std::string_view code) { return m_setText(m_field(2), code); }
};

inline constexpr CTM_telegramType xaxbTypes[] = {{"00", &CTM_telegramType::m_make<CTM_xaxb00_message>},
                                                 {"01", &CTM_telegramType::m_make<CTM_xaxb01_message>}};
inline constexpr CTM_telegramPair xaxbPair{"XA", "XB", xaxbTypes};

inline constexpr const CTM_telegramPair* testPairs[] = {&yzPair, &xaxbPair};

// The factory over the registered pairs and then the test pairs.
inline std::unique_ptr<CTM_message> newTelegram(std::string_view raw) {
  std::vector<const CTM_telegramPair*> pairs(CTM_message::m_registeredPairs().begin(),
                                             CTM_message::m_registeredPairs().end());
  pairs.insert(pairs.end(), std::begin(testPairs), std::end(testPairs));
  return CTM_message::m_new(raw, pairs);
}

}  // namespace ctm_test
