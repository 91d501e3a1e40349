#include "platform/c_pattern.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct PatternCase {
  const char* pattern;
  const char* text;
  bool matches;
};

class CPatternMatch : public testing::TestWithParam<PatternCase> {};

TEST_P(CPatternMatch, MatchesTheWholeFieldOnly) {
  const PatternCase& c = GetParam();
  c_pattern pattern(c.pattern);
  ASSERT_TRUE(pattern.m_isValid()) << c.pattern;
  EXPECT_EQ(pattern.m_matches(c.text), c.matches) << c.pattern << " against \"" << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Fields, CPatternMatch,
    testing::Values(PatternCase{"[A-Z][0-9]", "A1", true}, PatternCase{"[A-Z][0-9]", "a1", false},
                    PatternCase{"[A-Z][0-9]", "A12", false}, PatternCase{"[A-Z][0-9]", "A", false},
                    PatternCase{"[A-Z][0-9]", "", false}, PatternCase{";", ";", true}, PatternCase{";", ",", false},
                    PatternCase{"[_/-]", "-", true}, PatternCase{"[_/-]", "/", true}, PatternCase{"[_/-]", ".", false},
                    PatternCase{"[-]", "-", true}, PatternCase{"[-A]", "A", true}, PatternCase{"[ 0-9]", " ", true},
                    PatternCase{"    ", "    ", true}, PatternCase{"    ", "   x", false},
                    PatternCase{"[ FCY]", "Y", true}, PatternCase{"[ FCY]", "D", false},
                    PatternCase{"B", "B", true}, PatternCase{"", "", true}, PatternCase{"", " ", false}));

TEST(CPattern, RefusesEveryByteOutsidePrintableAscii) {
  c_pattern any("[ -~]");
  ASSERT_TRUE(any.m_isValid());
  for (int byte = 0; byte < 256; ++byte) {
    std::string text(1, static_cast<char>(byte));
    EXPECT_EQ(any.m_matches(text), byte >= ' ' && byte <= '~') << byte;
  }
}

TEST(CPattern, InvalidPatternsMatchNothing) {
  for (const char* source : {"[A-Z", "[]", "[Z-A]", "A*", ".", "[^A]", "\\d", "(A)", "A|B", "[A\\]]", "]",
                             "\xe4", "[\x01]"}) {
    c_pattern pattern(source);
    EXPECT_FALSE(pattern.m_isValid()) << source;
    EXPECT_FALSE(pattern.m_matches(source)) << source;
  }
  std::string tooLong(c_pattern::maxPositions + 1, 'A');
  EXPECT_FALSE(c_pattern(tooLong).m_isValid());
  EXPECT_TRUE(c_pattern(tooLong.substr(1)).m_isValid());
}

TEST(CPattern, CompilesAtCompileTime) {
  static constexpr c_pattern equipment{"[0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][0-9A-Z][_/-][0-9][0-9][0-9][0-9][-][A-Z]"};
  static_assert(equipment.m_isValid() && equipment.m_length() == 12);
  static_assert(equipment.m_matches("AB12C_0001-X"));
  static_assert(!equipment.m_matches("AB12C_0001-x"));
  EXPECT_EQ(equipment.m_source().substr(0, 8), "[0-9A-Z]");
}

}  // namespace
