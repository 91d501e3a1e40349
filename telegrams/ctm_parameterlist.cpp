#include "telegrams/ctm_parameterlist.h"

#include "telegrams/ctm_fieldpatterns.h"

namespace {

using F = CTM_fieldDefinition;

constexpr c_pattern typeLetterPattern{"[BILRS]"};
constexpr c_pattern flagTypePattern{"B"};

constexpr F fieldIndex = F::m_int("fieldIndex", 4);
constexpr F delimiter = F::m_fixedText("delimiter", 1, &ctm_delimiterPattern, ";");

constexpr F flagGroup[] = {fieldIndex, F::m_text("fieldValue", 1, &ctm_flagPattern), delimiter};
constexpr F digitGroup[] = {fieldIndex, F::m_int("fieldValue", 1), delimiter};
constexpr F intGroup[] = {fieldIndex, F::m_int("fieldValue", 3), delimiter};
constexpr F longGroup[] = {fieldIndex, F::m_int("fieldValue", 6), delimiter};
constexpr F realGroup[] = {fieldIndex, F::m_double("fieldValue", 17), delimiter};
constexpr F stringGroup[] = {fieldIndex, F::m_text("fieldValue", 20), delimiter};
constexpr F indexGroup[] = {fieldIndex, delimiter};

// The maxima keep a full list within the 999 characters of a data part.
constexpr F flagCount = F::m_count("fieldCount", 2, flagGroup, 99);
constexpr F flagLayout[] = {flagCount};
constexpr F digitLayout[] = {F::m_count("fieldCount", 2, digitGroup, 99)};
constexpr F intLayout[] = {F::m_count("fieldCount", 2, intGroup, 99)};
constexpr F longLayout[] = {F::m_count("fieldCount", 2, longGroup, 90)};
constexpr F realLayout[] = {F::m_count("fieldCount", 2, realGroup, 45)};
constexpr F stringLayout[] = {F::m_count("fieldCount", 2, stringGroup, 39)};

constexpr CTM_fieldOption flagTypes[] = {
    {"B", flagLayout}, {"I", intLayout}, {"L", longLayout}, {"R", realLayout}, {"S", stringLayout}};
constexpr CTM_fieldOption digitTypes[] = {
    {"B", digitLayout}, {"I", intLayout}, {"L", longLayout}, {"R", realLayout}, {"S", stringLayout}};

constexpr F typedFields[] = {F::m_selector("fieldType", 1, &typeLetterPattern, flagTypes)};
constexpr F typedDigitFields[] = {F::m_selector("fieldType", 1, &typeLetterPattern, digitTypes)};
constexpr F flagFields[] = {F::m_fixedText("fieldType", 1, &flagTypePattern, "B"), flagCount};
// The letter of an index list is any character; the reader refuses the types it does not know.
constexpr F indexType = F::m_text("fieldType", 1);
constexpr F indexCount = F::m_count("fieldCount", 2, indexGroup, 99);
constexpr F indexFields[] = {indexType, indexCount};
constexpr F erasableIndexFields[] = {indexType, indexCount, F::m_text("eraseIndicator", 1, &ctm_flagPattern)};

}  // namespace

const std::span<const CTM_fieldDefinition> ctm_typedParameterListFields{typedFields};
const std::span<const CTM_fieldDefinition> ctm_typedDigitParameterListFields{typedDigitFields};
const std::span<const CTM_fieldDefinition> ctm_flagParameterListFields{flagFields};
const std::span<const CTM_fieldDefinition> ctm_indexParameterListFields{indexFields};
const std::span<const CTM_fieldDefinition> ctm_erasableIndexParameterListFields{erasableIndexFields};
