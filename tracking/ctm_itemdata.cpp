#include "tracking/ctm_itemdata.h"

#include "tracking/ctm_bitstatus.h"

bool CTM_itemData::m_setStatus(const std::string& word) {
  if (!CTM_bitStatus::m_isWord(word)) return false;
  status_ = word;
  return true;
}
