// The telegram factory: the pairs in the order it asks them, and m_new.
#include <vector>

#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_cs_message.h"
#include "telegrams/ctm_du_message.h"
#include "telegrams/ctm_error_message.h"
#include "telegrams/ctm_imbc_message.h"
#include "telegrams/ctm_message.h"
#include "telegrams/ctm_mo_message.h"
#include "telegrams/ctm_mt_message.h"
#include "telegrams/ctm_om_message.h"
#include "telegrams/ctm_sc_message.h"
#include "telegrams/ctm_tctm_message.h"
#include "telegrams/ctm_tm_message.h"
#include "telegrams/ctm_tmtc_message.h"
#include "telegrams/ctm_ud_message.h"

namespace {

// Whether `text` at `position` holds the whole of `code` (a short constant);
// `position` then moves past it.
bool takeCode(std::string_view text, std::size_t& position, const char* code) {
  std::size_t i = position;
  for (; *code != '\0'; ++code, ++i)
    if (i == text.size() || text[i] != *code) return false;
  position = i;
  return true;
}

}  // namespace

std::unique_ptr<CTM_message> CTM_telegramPair::m_create(std::string_view raw) const {
  std::size_t position = 0;
  if (!takeCode(raw, position, source) || !takeCode(raw, position, destination) || raw.size() < position + 2)
    return nullptr;
  for (const CTM_telegramType& type : types) {
    std::size_t typePosition = position;
    if (takeCode(raw, typePosition, type.typeId) && typePosition == position + 2) return type.create();
  }
  return nullptr;
}

// One row per interface pair, in this order: BCIM, IMBC, TCTM, TMTC, MO, OM, CS,
// SC, MT, TM, UD, DU. A pair with the same leading codes as another (MO and MT,
// TM and TMTC) is told apart by its destination code and type ids.
std::span<const CTM_telegramPair* const> CTM_message::m_registeredPairs() {
  static const std::vector<const CTM_telegramPair*> pairs = {
      &ctm_bcimPair,
      &ctm_imbcPair,
      &ctm_tctmPair,
      &ctm_tmtcPair,
      &ctm_moPair,
      &ctm_omPair,
      &ctm_csPair,
      &ctm_scPair,
      &ctm_mtPair,
      &ctm_tmPair,
      &ctm_udPair,
      &ctm_duPair,
  };
  return pairs;
}

std::unique_ptr<CTM_message> CTM_message::m_new(std::string_view raw) { return m_new(raw, m_registeredPairs()); }

std::unique_ptr<CTM_message> CTM_message::m_new(std::string_view raw,
                                                std::span<const CTM_telegramPair* const> pairs) {
  for (const CTM_telegramPair* pair : pairs) {
    std::unique_ptr<CTM_message> telegram = pair->m_create(raw);
    if (!telegram) continue;
    if (telegram->m_init(raw)) return telegram;
    return std::make_unique<CTM_error_message>(raw, telegram->m_getErrorText());
  }
  return std::make_unique<CTM_error_message>(raw, "CTM_message::m_new(): Unknown message source/destination");
}
