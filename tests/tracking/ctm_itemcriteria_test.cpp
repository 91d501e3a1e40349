// The criteria table: each criterion has a value column of its own in the
// default file and a value field of its own in OM03, between the
// transport specification's head and its destinations; only criteria that share a switch
// in the file (the three sizes) share one in OM03, and they stand side by side.
#include "tracking/ctm_itemcriteria.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

namespace {

using K = CTM_itemCriteria;

TEST(CTM_itemCriteria, EveryCriterionHasItsOwnColumnAndFieldAndSharesSwitchesAlike) {
  std::set<std::size_t> fileValues;
  std::set<std::pair<std::size_t, std::size_t>> om03Values;
  for (std::size_t i = 0; i < K::count; ++i) {
    const CTM_itemCriterion& criterion = K::table[i];
    const auto& file = criterion.fileColumns;
    const auto& om03 = criterion.om03Fields;
    EXPECT_TRUE(fileValues.insert(file.value).second) << criterion.name;
    EXPECT_TRUE(om03Values.insert({om03.relevant, om03.value}).second) << criterion.name;
    // Between the version column (5) and the destinations (44); OM03 between
    // structVersionID (4) and fieldCount (24).
    for (std::size_t column : {file.relevant, file.value}) EXPECT_TRUE(column > 5 && column < 44) << criterion.name;
    EXPECT_TRUE(om03.relevant > 4 && om03.relevant < 24) << criterion.name;
    for (std::size_t j = 0; j < K::count; ++j) {
      const CTM_itemCriterion& other = K::table[j];
      EXPECT_NE(file.value, other.fileColumns.relevant) << criterion.name << " / " << other.name;
      if (j == i) continue;
      const bool sharesFileSwitch = file.relevant == other.fileColumns.relevant;
      EXPECT_EQ(sharesFileSwitch, om03.relevant == other.om03Fields.relevant) << criterion.name << " / " << other.name;
      // OM03 sets a shared switch once, before the first of its criteria.
      for (std::size_t k = std::min(i, j); sharesFileSwitch && k < std::max(i, j); ++k)
        EXPECT_EQ(K::table[k].om03Fields.relevant, om03.relevant) << criterion.name << " / " << other.name;
    }
  }
}

}  // namespace
