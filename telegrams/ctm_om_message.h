#pragma once
// OM telegrams: what the OC computer sends to the TM ("O" -> "M", version 1,
// header 13): the keep-alive, the download of transport specifications (begin,
// one telegram per transport specification, end), a status request, the record of one
// baggage item, and a selection of items.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "telegrams/ctm_itemrecord.h"
#include "telegrams/ctm_message.h"
#include "telegrams/ctm_pairmessage.h"
#include "tracking/ctm_itemcriteria.h"
#include "tracking/ctm_transspec.h"

extern const CTM_telegramPair ctm_omPair;

class CTM_om_message : public CTM_pairMessage<ctm_omPair, 1> {
 protected:
  using CTM_pairMessage::CTM_pairMessage;
};

// Keep-alive.
class CTM_om00_message : public CTM_om_message {
 public:
  CTM_om00_message();
};

// Begin of a download of transport specifications.
class CTM_om02_message : public CTM_om_message {
 public:
  CTM_om02_message();
};

// One transport specification for a logical segment, to be added ("A"), updated
// ("U") or deleted ("D"). Each criterion stands behind a switch: "1" carries the
// value, "0" a filler that says it takes no part in the match (a flag's filler
// is a blank for set, "0" for clear). One switch covers length, height and width.
class CTM_om03_message : public CTM_om_message {
 public:
  static constexpr int maxExitPoints = 50;

  CTM_om03_message();
  std::string m_getLS_ID() const { return m_textOf(m_field(0)); }
  std::string m_getModIndicator() const { return m_textOf(m_field(1)); }
  bool m_setLS_ID(std::string_view segment) { return m_setText(m_field(0), segment); }
  bool m_setModIndicator(std::string_view indicator) { return m_setText(m_field(1), indicator); }

  // A new transport specification, owned by the caller. Its key (the segment) is the
  // caller's to set; the status criterion is the item's word ("GARB", not
  // "GARBAGE"), and blank texts are empty.
  std::unique_ptr<CTM_transSpec> m_getTransSpec() const;
  // Writes every field but the segment and the indicator; false when any was
  // refused (a status that is no status word, more than 50 destinations).
  bool m_setTransSpec(const CTM_transSpec& spec);

 private:
  // The field of a criterion's value: in the layout its switch selected, or
  // beside a switch without layout. None when the switch selected no layout.
  CTM_messageFieldValue* m_valueField(const CTM_itemCriterion& criterion);
  const CTM_messageFieldValue* m_valueField(const CTM_itemCriterion& criterion) const;
};

// End of the download.
class CTM_om04_message : public CTM_om_message {
 public:
  CTM_om04_message();
};

// Status request, answered with MO06 and MO07.
class CTM_om05_message : public CTM_om_message {
 public:
  CTM_om05_message();
};

// The record of one item at a segment.
class CTM_om08_message : public CTM_itemRecordTelegram<CTM_om_message, 1> {
 public:
  CTM_om08_message();
  std::string m_getLS_ID() const { return m_textOf(m_field(0)); }
  bool m_setLS_ID(std::string_view segment) { return m_setText(m_field(0), segment); }
};

// Select these items (at most 50) with one selection id.
class CTM_om09_message : public CTM_om_message {
 public:
  static constexpr int maxItems = 50;

  CTM_om09_message();
  int m_getSelectionID() const { return m_intOf(m_field(0)); }
  bool m_setSelectionID(int id) { return m_setInt(m_field(0), id); }
  int m_getFieldCount() const { return m_intOf(m_field(1)); }
  bool m_getNextBIT_ID(std::string& id) { return m_readNextGroup(m_field(1), id); }
  bool m_appendBIT_ID(std::string_view id) { return m_appendGroupTo(m_field(1), id); }
};
