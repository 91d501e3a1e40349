// The refusal test that the telegram tests of each pair instantiate with their texts.
#include <gtest/gtest.h>

#include "tests/support/ctm_telegram_text.h"

namespace ctm_test {

TEST_P(CTM_refusedTelegram, WithItsExactText) { EXPECT_EQ(refusal(GetParam().text), GetParam().error); }

}  // namespace ctm_test
