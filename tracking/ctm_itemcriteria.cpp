#include "tracking/ctm_itemcriteria.h"

#include <string_view>
#include <type_traits>

#include "tracking/ctm_bitstatus.h"

namespace {

// Fixed-width texts compare equal whatever blanks pad them.
std::string_view withoutTrailingBlanks(std::string_view text) {
  std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

bool sameText(std::string_view left, std::string_view right) {
  return withoutTrailingBlanks(left) == withoutTrailingBlanks(right);
}

bool statusMatches(const std::string& transSpecStatus, const std::string& itemStatus) {
  const std::string wanted = CTM_bitStatus::m_fromField(transSpecStatus);
  const std::string actual = CTM_bitStatus::m_fromField(itemStatus);
  if (wanted == actual) return true;
  // Items that no reader identified go where unread ones go.
  return wanted == "NO_READ" && (actual == "UFO" || actual == "MISSING" || actual == "UNK");
}

}  // namespace

bool CTM_itemCriterion::m_matches(const CTM_itemData& wanted, const CTM_itemData& item) const {
  return std::visit(
      [&](auto pointer) {
        const auto& value = wanted.*pointer;
        const auto& actual = item.*pointer;
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>) {
          if (comparison == c_comparison::statusWord) return statusMatches(value, actual);
          if (comparison == c_comparison::text) return sameText(value, actual);
        }
        return value == actual;
      },
      member);
}

void CTM_itemCriterion::m_copy(const CTM_itemData& from, CTM_itemData& to) const {
  std::visit([&](auto pointer) { to.*pointer = from.*pointer; }, member);
}

bool CTM_itemCriteria::m_matches(const CTM_itemData& wanted, const c_relevance& relevant, const CTM_itemData& item) {
  for (std::size_t i = 0; i < count; ++i)
    if (relevant[i] && !table[i].m_matches(wanted, item)) return false;
  return true;
}
