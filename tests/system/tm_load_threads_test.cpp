// A short load on TM32 with OC, LPCS, IM and TM33 linked: twelve controllers on
// three segments report bags back to back for a few seconds, then the TM stops
// while they still send. Nothing may be lost on the way: every answer due came,
// each bag's trace file holds its life, the event log holds every telegram that
// crossed a link, and nothing of the TM is left running or open. The long run,
// with its figures, is bench/bench_tmload.cpp.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/ctm_logging.h"
#include "platform/c_appendfileset.h"
#include "tests/links/linehandler_fixture.h"
#include "tests/support/ctm_loadrun.h"

namespace {

class TmLoad : public LineHandlerThreadsTest {
 protected:
  // The run writes to the event log of the test's installation, not to the recorder.
  void SetUp() override {
    LineHandlerThreadsTest::SetUp();
    ASSERT_TRUE(c_loadRun::m_widenEventLog());
    CTM_logging::m_setSink(nullptr);
    CTM_logging::m_resetForTest();
    CTM_logging::m_init("");
  }
  // The event log's file closes with its sources before the descriptors are counted.
  void TearDown() override {
    CTM_logging::m_resetForTest();
    CTM_logging::m_init("");
    CTM_logging::m_setSink(&events_);
    LineHandlerThreadsTest::TearDown();
  }
};

TEST_F(TmLoad, AStopUnderLoadLosesNoAnswerTraceOrEventRecordAndLeavesNothingBehind) {
  c_loadRun run(home_, 12, 3);
  std::string failure;
  ASSERT_TRUE(run.m_start(failure)) << failure;
  run.m_load(std::chrono::seconds(3));
  run.m_stop();
  EXPECT_EQ(run.m_verify(), std::vector<std::string>());
  EXPECT_GT(run.m_figures().bags, 12u);
}

// The short form of the run with bags in flight (bench/bench_tmload.cpp has the
// long one): the TM holds 1,000 bags of its controller and 1,000 that TM31
// announced, and the load around them runs as without them, on a fixed number of
// descriptors.
TEST_F(TmLoad, BagsInFlightTakeNoDescriptorsOfTheirOwn) {
  constexpr int bagsInFlight = 1000;
  c_loadRun run(home_, 4, 1, bagsInFlight);
  std::string failure;
  ASSERT_TRUE(run.m_start(failure)) << failure;
  run.m_load(std::chrono::seconds(1));
  run.m_stop();
  EXPECT_EQ(run.m_verify(), std::vector<std::string>());
  const c_loadRun::c_figures& figures = run.m_figures();
  EXPECT_EQ(figures.bagsInFlight, 2u * bagsInFlight);
  EXPECT_LE(figures.descriptorsHeld - figures.descriptorsUp, static_cast<int>(c_appendFileSet::largestSet));
  EXPECT_LE(figures.descriptorsLoaded - figures.descriptorsUp, static_cast<int>(c_appendFileSet::largestSet));
  EXPECT_EQ(figures.threadsHeld, figures.threadsUp);
}

}  // namespace
