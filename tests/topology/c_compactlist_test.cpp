#include "topology/c_compactlist.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

TEST(CompactList, KeepsEveryValueInOrderAcrossGrowth) {
  c_compactList<int> list;
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(list.begin(), list.end());
  std::vector<int> expected;
  for (int i = 0; i < 37; ++i) {
    list.push_back(i * 3);
    expected.push_back(i * 3);
    ASSERT_EQ(list.size(), expected.size());
    EXPECT_EQ(std::vector<int>(list.begin(), list.end()), expected);
    EXPECT_EQ(list[expected.size() - 1], i * 3);
  }
}
