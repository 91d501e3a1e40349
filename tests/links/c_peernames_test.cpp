// The listeners' peer names: a definite answer is kept for its time to live, a
// failed lookup is made again.
#include "links/c_peernames.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/fixed_clock.h"

namespace {

struct c_namesCase {
  const char* label;
  c_nameLookup answer;
  bool named;
  int lookUpsForTwoFinds;
};

class PeerNames : public ::testing::TestWithParam<c_namesCase> {
 protected:
  c_fixedClock clock_{1'700'000'000};
  int lookUps_ = 0;
  c_peerNames names_{[this](std::uint32_t, std::string& name) {
                       ++lookUps_;
                       if (GetParam().answer == c_nameLookup::found) name = "tc3201";
                       return GetParam().answer;
                     },
                     1000};
};

TEST_P(PeerNames, AnswersAreKeptUntilTheyExpireAndFailuresAreNot) {
  for (int find = 0; find < 2; ++find) {
    std::string name;
    EXPECT_EQ(names_.m_find(0x7F00000B, name), GetParam().named);
    EXPECT_EQ(name, GetParam().named ? "tc3201" : "");
  }
  EXPECT_EQ(lookUps_, GetParam().lookUpsForTwoFinds);
  clock_.m_advance(1);
  std::string name;
  names_.m_find(0x7F00000B, name);
  EXPECT_EQ(lookUps_, GetParam().lookUpsForTwoFinds + 1);
}

INSTANTIATE_TEST_SUITE_P(Answers, PeerNames,
                         ::testing::Values(c_namesCase{"Named", c_nameLookup::found, true, 1},
                                           c_namesCase{"NoName", c_nameLookup::none, false, 1},
                                           c_namesCase{"ServiceFailed", c_nameLookup::failed, false, 2}),
                         [](const auto& info) { return std::string(info.param.label); });

// Peers from ever new addresses do not grow the store without end: once it is
// full the stale entries go first, and the first peer is looked up again.
TEST(PeerNamesBound, AFullStoreMakesRoomInsteadOfGrowing) {
  c_fixedClock clock{1'700'000'000};
  int lookUps = 0;
  c_peerNames names{[&lookUps](std::uint32_t, std::string&) {
                      ++lookUps;
                      return c_nameLookup::none;
                    },
                    1000};
  std::string name;
  for (std::uint32_t address = 0; address <= c_peerNames::maximumEntries; ++address) names.m_find(address, name);
  names.m_find(0, name);
  EXPECT_EQ(lookUps, static_cast<int>(c_peerNames::maximumEntries) + 2);
}

}  // namespace
