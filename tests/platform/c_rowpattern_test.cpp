#include "platform/c_rowpattern.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Set = c_rowPattern::c_byteSet;

// What the row pattern must answer, byte by byte.
bool everyByteInItsSet(const std::vector<Set>& positions, const std::string& text) {
  if (text.size() % positions.size() != 0) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!positions[i % positions.size()][static_cast<unsigned char>(text[i])]) return false;
  return true;
}

// A set of `runs` runs of bytes, some of them above 127.
Set randomSet(std::mt19937& random, int runs) {
  Set set;
  for (int r = 0; r < runs; ++r) {
    const int first = static_cast<int>(random() % 256);
    const int length = 1 + static_cast<int>(random() % 12);
    for (int c = first; c < first + length && c < 256; ++c) set.set(static_cast<std::size_t>(c));
  }
  return set;
}

char randomMember(std::mt19937& random, const Set& set) {
  for (;;) {
    const std::size_t c = random() % 256;
    if (set[c]) return static_cast<char>(c);
  }
}

// Rows of every width up to 40 and of sets of one to six runs (beyond four the
// bytes are checked one by one), whole or with one byte changed anywhere.
TEST(CRowPattern, MatchesExactlyWhenEveryByteLiesInTheSetOfItsPosition) {
  std::mt19937 random(20240229);
  for (int round = 0; round < 3000; ++round) {
    const std::size_t width = 1 + random() % 40;
    const int runs = 1 + static_cast<int>(random() % 6);
    std::vector<Set> positions;
    for (std::size_t p = 0; p < width; ++p) positions.push_back(randomSet(random, 1 + static_cast<int>(random() % runs)));
    const c_rowPattern row(positions);
    const std::size_t rows = random() % 9;
    std::string text;
    for (std::size_t i = 0; i < width * rows; ++i) text += randomMember(random, positions[i % width]);
    ASSERT_TRUE(row.m_matches(text)) << "width " << width << ", rows " << rows;
    if (text.empty()) continue;
    text[random() % text.size()] = static_cast<char>(random() % 256);
    ASSERT_EQ(row.m_matches(text), everyByteInItsSet(positions, text)) << "width " << width << ", rows " << rows;
  }
}

TEST(CRowPattern, OnlyWholeRowsMatch) {
  Set digits;
  for (char c = '0'; c <= '9'; ++c) digits.set(static_cast<unsigned char>(c));
  const c_rowPattern row(std::vector<Set>(3, digits));
  EXPECT_TRUE(row.m_matches(""));
  EXPECT_TRUE(row.m_matches("123456789012345678"));
  EXPECT_FALSE(row.m_matches("1234567890123456789"));
  EXPECT_FALSE(row.m_matches("12"));
  EXPECT_FALSE(c_rowPattern({}).m_matches("1"));
}

}  // namespace
