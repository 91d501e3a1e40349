#include "telegrams/ctm_itemrecord.h"

#include <string>
#include <string_view>
#include <type_traits>

#include "tracking/ctm_bitstatus.h"

namespace {

// The record: structVersionID, then one field per criterion.
constexpr std::size_t structVersion = 0;
constexpr std::size_t firstCriterion = 1;
static_assert(CTM_itemRecord::fieldCount == firstCriterion + CTM_itemCriteria::count);

int screeningLevelField(int level) { return level >= 0 && level <= 9 ? level : 9; }

bool isStatusWord(const CTM_itemCriterion& criterion) {
  return criterion.comparison == CTM_itemCriterion::c_comparison::statusWord;
}

}  // namespace

bool CTM_itemRecord::m_writeValue(CTM_messageFieldValue* field, const CTM_itemCriterion& criterion,
                                  const CTM_itemData& data) {
  if (field == nullptr) return false;
  return criterion.m_visit(data, [&](const auto& value) {
    using T = std::decay_t<decltype(value)>;
    if constexpr (std::is_same_v<T, std::string>) {
      if (isStatusWord(criterion)) return field->m_set(std::string_view(CTM_bitStatus::m_toField(value)));
      return field->m_set(std::string_view(value));
    } else if constexpr (std::is_same_v<T, bool>) {
      return field->m_setFlag(value);
    } else {
      return field->m_set(value);
    }
  });
}

void CTM_itemRecord::m_readValue(const CTM_messageFieldValue* field, const CTM_itemCriterion& criterion,
                                 CTM_itemData& data) {
  criterion.m_visit(data, [&](auto& value) {
    using T = std::decay_t<decltype(value)>;
    if (field == nullptr) {
      value = T{};
    } else if constexpr (std::is_same_v<T, std::string>) {
      value = field->m_enteredText();
      if (isStatusWord(criterion)) value = CTM_bitStatus::m_fromField(value);
    } else if constexpr (std::is_same_v<T, bool>) {
      value = field->m_asString() != "0";
    } else {
      value = field->m_asInt();
    }
  });
}

bool CTM_itemRecord::m_write(std::span<CTM_messageFieldValue> record, const CTM_itemData& item) {
  if (record.size() < fieldCount) return false;
  CTM_itemData sent = item;
  sent.m_setRequiredScreenLevel(screeningLevelField(item.m_getRequiredScreenLevel()));
  sent.m_setReachedScreenLevel(screeningLevelField(item.m_getReachedScreenLevel()));
  bool all = record[structVersion].m_set(item.m_getStructVersionID());
  for (std::size_t i = 0; i < CTM_itemCriteria::count; ++i)
    all = m_writeValue(&record[firstCriterion + i], CTM_itemCriteria::table[i], sent) && all;
  return all;
}

CTM_itemData CTM_itemRecord::m_read(std::span<const CTM_messageFieldValue> record) {
  CTM_itemData item;
  if (record.size() < fieldCount) return item;
  item.m_setStructVersionID(record[structVersion].m_asInt());
  for (std::size_t i = 0; i < CTM_itemCriteria::count; ++i)
    m_readValue(&record[firstCriterion + i], CTM_itemCriteria::table[i], item);
  // A word the item does not know ("TO_BE_READ") leaves it without status.
  if (!CTM_bitStatus::m_isWord(item.m_getStatus())) item.m_clearStatus();
  return item;
}
