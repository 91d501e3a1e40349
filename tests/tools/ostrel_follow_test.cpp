// ostrel -f as a program: it keeps listing what another process appends to the
// log, through rollovers of the store, each record exactly once, until it is
// interrupted.
#include <gtest/gtest.h>

#include <csignal>

#include "tests/tools/ostrel_test_support.h"

namespace {

using namespace ostrel_test;

class OstrelFollow : public OstrelFixture {
 protected:
  void SetUp() override {
    OstrelFixture::SetUp();
    registerLog("TMBase");
  }
  // Small enough that the store rolls over every dozen records or so, large
  // enough that a batch of eight rolls it over at most once.
  static constexpr std::uint64_t smallStore = 1000;

  void appendBatch(int first, int count) const {
    std::vector<c_eventRecord> records;
    for (int i = first; i < first + count; ++i)
      records.push_back(record(newYear2002 + i, started, c_eventRecord::information, 1, "CORE", {std::to_string(i), "x"}));
    append("TMBase", std::move(records), smallStore);
  }
};

TEST_F(OstrelFollow, PrintsEveryAppendedRecordOnceThroughRolloversUntilInterrupted) {
  // The store does not exist yet when the listing starts.
  c_toolProcess ostrel(program(), {"-f", "-m", "n"});
  ASSERT_TRUE(ostrel.m_started());
  constexpr int batch = 8;
  for (int first = 1; first <= 5 * batch; first += batch) {
    appendBatch(first, batch);
    ASSERT_TRUE(ostrel.m_readUntilLines(static_cast<std::size_t>(first + batch - 1))) << ostrel.m_out() << ostrel.m_err();
  }
  EXPECT_TRUE(std::filesystem::exists(storePath("TMBase") + ".old"));
  ostrel.m_interrupt();
  ASSERT_TRUE(ostrel.m_waitForEnd());
  EXPECT_EQ(ostrel.m_signal(), SIGINT);
  EXPECT_EQ(ostrel.m_out(), numberRange(1, 5 * batch));
  EXPECT_EQ(ostrel.m_err(), "");
}

TEST_F(OstrelFollow, StartsWithTheNewestRecordsAndFiltersWhatComes) {
  appendBatch(1, 6);
  c_toolProcess ostrel(program(), {"-f", "-n", "-2", "-g", "3", "5", "12", "-m", "n"});
  ASSERT_TRUE(ostrel.m_readUntilLines(1));
  appendBatch(7, 6);
  ASSERT_TRUE(ostrel.m_readUntilLines(2));
  ostrel.m_interrupt();
  ASSERT_TRUE(ostrel.m_waitForEnd());
  EXPECT_EQ(ostrel.m_out(), numberLines({5, 12}));
}

TEST_F(OstrelFollow, ALineLimitReachedWhileFollowingEndsTheProgram) {
  appendBatch(1, 2);
  c_toolProcess ostrel(program(), {"-f", "-l", "4", "-m", "n"});
  ASSERT_TRUE(ostrel.m_readUntilLines(2));
  appendBatch(3, 5);
  ASSERT_TRUE(ostrel.m_waitForEnd());
  EXPECT_EQ(ostrel.m_exitStatus(), 0);
  EXPECT_EQ(ostrel.m_out(), numberRange(1, 4));
}

}  // namespace
