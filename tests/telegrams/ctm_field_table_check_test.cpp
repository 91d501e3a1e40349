// The table check over every registered field table (and the test pairs), and
// proof that it catches each kind of broken table.
#include "tests/support/ctm_table_check.h"

#include <gtest/gtest.h>

#include "tests/support/ctm_test_telegrams.h"

namespace {

using namespace ctm_test;

std::string joined(const std::vector<std::string>& faults) {
  std::string text;
  for (const std::string& fault : faults) text += fault + "\n";
  return text;
}

TEST(CTM_fieldTableCheck, EveryRegisteredTableIsSound) {
  EXPECT_EQ(joined(ctm_checkPairs(CTM_message::m_registeredPairs())), "");
}

TEST(CTM_fieldTableCheck, TheTestPairsAreSound) { EXPECT_EQ(joined(ctm_checkPairs(testPairs)), ""); }

TEST(CTM_fieldTableCheck, LargestDataPartFollowsAppendLimitsAndTheWidestOption) {
  EXPECT_EQ(ctm_largestDataPart(occupationFields), 999);
  EXPECT_EQ(ctm_largestDataPart(selectorFields), 1 + 2 + itemAppendMaximum * 6 + 2);
  EXPECT_EQ(ctm_largestDataPart(eventFields), 4 + 1);
  EXPECT_EQ(ctm_largestDataPart(reportFields), 31);
}

constexpr c_pattern broken{"[A-Z"};
constexpr c_pattern twoDigits{"[0-9][0-9]"};
constexpr c_pattern oneFlag{"[01]"};
constexpr F wideGroup[] = {F::m_text("x", 400)};
constexpr F oneGroup[] = {F::m_int("x", 1)};
constexpr CTM_fieldOption shortOption[] = {{"A", {}}};
constexpr CTM_fieldOption foreignOption[] = {{"2", {}}};
constexpr CTM_fieldOption twiceOption[] = {{"1", {}}, {"1", {}}};

struct BrokenTable {
  const char* name;
  std::vector<F> table;
  const char* fault;
};

void PrintTo(const BrokenTable& c, std::ostream* os) { *os << c.name; }

class CTM_fieldTableCheckCatches : public testing::TestWithParam<BrokenTable> {};

TEST_P(CTM_fieldTableCheckCatches, TheFault) {
  std::string faults = joined(ctm_checkFieldTable(GetParam().table));
  EXPECT_NE(faults.find(GetParam().fault), std::string::npos) << faults;
}

INSTANTIATE_TEST_SUITE_P(
    Tables, CTM_fieldTableCheckCatches,
    testing::Values(
        BrokenTable{"PatternDoesNotCompile", {F::m_text("x", 4, &broken)}, "does not compile"},
        BrokenTable{"PatternOfAnotherWidth", {F::m_text("x", 3, &twoDigits)}, "matches 2 characters, the field has 3"},
        BrokenTable{"MaximumBeyondTheDigits", {F::m_count("n", 1, oneGroup, 10)}, "does not fit 1 digits"},
        BrokenTable{"AppendAboveParse", {F::m_count("n", 2, oneGroup, 10, 11)}, "append limit above"},
        BrokenTable{"TooLargeWhenFilled", {F::m_count("n", 1, wideGroup, 3)}, "more than 999"},
        BrokenTable{"RestNotLast", {F::m_restText("t"), F::m_int("n", 2)}, "must be the last"},
        BrokenTable{"RestNumber",
                    {F{"n", CTM_fieldType::integer, -1, "%d", nullptr, "%0*d", {}, {}, 0, 0}},
                    "only a text"},
        BrokenTable{"OptionNarrowerThanField", {F::m_selector("s", 2, nullptr, shortOption)}, "does not fill"},
        BrokenTable{"OptionOutsidePattern", {F::m_selector("s", 1, &oneFlag, foreignOption)}, "does not match"},
        BrokenTable{"OptionTwice", {F::m_selector("s", 1, &oneFlag, twiceOption)}, "twice"},
        BrokenTable{"FixedValueWidth", {F::m_fixedText("d", 2, nullptr, ";")}, "does not fill the width"},
        BrokenTable{"NumberFormat",
                    {F{"n", CTM_fieldType::integer, 2, "%d", nullptr, "%s", {}, {}, 0, 0}},
                    "formats do not suit"},
        BrokenTable{"DoubleFormatOnInt",
                    {F{"n", CTM_fieldType::integer, 2, "%d", nullptr, "%0*.8lf", {}, {}, 0, 0}},
                    "formats do not suit"},
        BrokenTable{"UnknownType",
                    {F{"n", static_cast<CTM_fieldType>(99), 2, nullptr, nullptr, nullptr, {}, {}, 0, 0}},
                    "unknown type code 99"},
        BrokenTable{"Unnamed", {F::m_int("", 2)}, "has no name"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
