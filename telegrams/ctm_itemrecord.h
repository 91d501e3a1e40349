#pragma once
// The record of one baggage item as the item-record telegrams carry it (MO10 to
// OC, UD11 and UD12 to the downstream TM, OM08 from OC): 21 fields in the order
// of the item's members, structVersionID first and FSC last, behind a head that
// each telegram has of its own. The mapping between record and item is written
// once here; a telegram names only where its record begins.
//
// A receiver reads the record by position, so every field is written whatever
// the item holds: the status word goes as its 16-character field (no status:
// sixteen blanks, "GARB" as "GARBAGE"), and a screening level outside 0 to 9
// (-1 not set, 10 after a level-up) goes as 9, the safe side for screening,
// instead of pushing every later field out of place. Reading back, an all-blank
// text (an LPC of ten blanks) is a value nobody entered: empty.

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

#include "telegrams/ctm_fielddefinition.h"
#include "telegrams/ctm_fieldpatterns.h"
#include "telegrams/ctm_messagefieldvalue.h"
#include "tracking/ctm_itemcriteria.h"
#include "tracking/ctm_itemdata.h"

// The patterns a telegram gives the item data that a sender may not know: some
// require a value, others accept blanks.
struct CTM_itemDataPatterns {
  const c_pattern* lpc;
  const c_pattern* flight;
  const c_pattern* cabinClass;
  const c_pattern* airport;
  const c_pattern* onwardConnection;
  const c_pattern* exceptionData;
};

class CTM_itemRecord {
 public:
  static constexpr std::size_t fieldCount = 21;
  using c_fields = std::array<CTM_fieldDefinition, fieldCount>;

  // The record's field definitions with the given patterns.
  static constexpr c_fields m_fields(const CTM_itemDataPatterns& patterns);

  // Sets every field of the record from the item data; false when any was
  // refused (the others are set all the same).
  static bool m_write(std::span<CTM_messageFieldValue> record, const CTM_itemData& item);
  // Every member of the record.
  static CTM_itemData m_read(std::span<const CTM_messageFieldValue> record);

  // A criterion's value as a field carries it, both ways: a status word as its
  // 16-character field, a flag as "1" or "0" (read: set unless "0"), a text as
  // it stands (read: all blanks is empty).
  static bool m_writeValue(CTM_messageFieldValue* field, const CTM_itemCriterion& criterion, const CTM_itemData& data);
  static void m_readValue(const CTM_messageFieldValue* field, const CTM_itemCriterion& criterion, CTM_itemData& data);
};

// A telegram's head followed by the item record, as one field table.
template <std::size_t Head>
constexpr std::array<CTM_fieldDefinition, Head + CTM_itemRecord::fieldCount> ctm_withItemRecord(
    const std::array<CTM_fieldDefinition, Head>& head, const CTM_itemRecord::c_fields& record) {
  std::array<CTM_fieldDefinition, Head + CTM_itemRecord::fieldCount> table{};
  for (std::size_t i = 0; i < Head; ++i) table[i] = head[i];
  for (std::size_t i = 0; i < CTM_itemRecord::fieldCount; ++i) table[Head + i] = record[i];
  return table;
}

// The item conversions of a telegram whose record begins at field First.
template <class Pair, std::size_t First>
class CTM_itemRecordTelegram : public Pair {
 public:
  bool m_setBIT(const CTM_itemData& item) {
    std::span<CTM_messageFieldValue> fields = this->m_fieldValues();
    return CTM_itemRecord::m_write(fields.subspan(std::min(First, fields.size())), item);
  }
  // The item's data; the caller builds a new item from it or updates a known one.
  CTM_itemData m_getBIT() const {
    std::span<const CTM_messageFieldValue> fields = this->m_fieldValues();
    return CTM_itemRecord::m_read(fields.subspan(std::min(First, fields.size())));
  }

 protected:
  using Pair::Pair;
};

constexpr CTM_itemRecord::c_fields CTM_itemRecord::m_fields(const CTM_itemDataPatterns& patterns) {
  using F = CTM_fieldDefinition;
  return {F::m_int("structVersionID", 2),
          F::m_text("BIT_ID", 11, &ctm_bitIdPattern),
          F::m_selector("BIT_status", 16, nullptr, ctm_bitStatusOptions),
          F::m_int("selectionID", 1),
          F::m_text("LPC", 10, patterns.lpc),
          F::m_text("inboundFlightID", 16, patterns.flight),
          F::m_text("outboundFlightID", 16, patterns.flight),
          F::m_text("outboundCabinClass", 1, patterns.cabinClass),
          F::m_text("outboundDestination", 3, patterns.airport),
          F::m_text("OnwardConnection", 1, patterns.onwardConnection),
          F::m_text("passengerName", 20),
          F::m_text("baggageExceptionData", 4, patterns.exceptionData),
          F::m_text("tubbingNecessity", 1, &ctm_flagPattern),
          F::m_text("tubbedIndicator", 1, &ctm_flagPattern),
          F::m_int("requiredScreenLevel", 1),
          F::m_int("reachedScreenLevel", 1),
          F::m_int("length", 5),
          F::m_int("height", 5),
          F::m_int("width", 5),
          F::m_int("weight", 4),
          F::m_int("FSC", 4)};
}
