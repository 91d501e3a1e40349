#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "tests/tracking/tracking_fixture.h"
#include "tracking/ctm_bit_trace.h"

// Segments open trace files from their line handlers' threads: items of several
// segments reaching a fresh tree at once must all get their files, whichever
// thread creates each folder.
TEST_F(CTM_trackingTest, TracesOpenedAtOnceFromSeveralThreadsShareTheNewFolders) {
  constexpr int threads = 8;
  constexpr int itemsEach = 20;
  std::latch start(threads);
  std::atomic<int> opened{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      start.arrive_and_wait();
      for (int i = 0; i < itemsEach; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "W321230%04d", t * itemsEach + i);
        CTM_BIT_trace trace("TM32", t % 2 ? "LS001" : "LS002", id, false);
        if (trace.m_isOpen() && trace.writeTraceRecord(1, 0, "TP=(LS001TP0001)")) ++opened;
      }
    });
  }
  for (auto& worker : workers) worker.join();
  EXPECT_EQ(opened.load(), threads * itemsEach);
  EXPECT_EQ(recorder_.m_count(ev::TRACE_DIRECTORY_UNUSABLE), 0u);
}
