#pragma once
// CTM_pairMessage: what every pair class is, written once. A pair class derives
// from it with its factory row and version; the header set-up (`m_initHeader`)
// takes the codes from the row, and one-letter codes give a header of 13
// characters, two-letter codes one of 15. `m_create` asks the row. A type class
// constructs it with its type id and field table (none: a header-only type).
//
//   extern const CTM_telegramPair ctm_tctmPair;
//   class CTM_tctm_message : public CTM_pairMessage<ctm_tctmPair, 1> { ... };

#include <cstring>
#include <memory>
#include <span>
#include <string_view>

#include "telegrams/ctm_message.h"

template <const CTM_telegramPair& Row, int Version>
class CTM_pairMessage : public CTM_message {
 public:
  // A new, empty telegram of this pair for the text's type id, or none.
  static std::unique_ptr<CTM_message> m_create(std::string_view raw) { return Row.m_create(raw); }

 protected:
  explicit CTM_pairMessage(const char* typeId, std::span<const CTM_fieldDefinition> table = {}) : CTM_message(table) {
    m_initHeader();
    m_setTypeId(typeId);
    // A keep-alive always goes with sequence number 0.
    if (std::string_view(typeId) == "00") m_setSeqNo(0);
  }

  void m_initHeader() {
    // Codes, type id and the nine characters of version, sequence number, data length and sub id.
    const int headerLength = static_cast<int>(std::strlen(Row.source) + std::strlen(Row.destination)) + 2 + 9;
    CTM_message::m_initHeader(Row.source, Row.destination, Version, headerLength);
  }
};
