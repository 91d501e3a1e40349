#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <latch>
#include <memory>
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

// Items of several segments, many more than the process holds trace files open,
// written in turn from their line handlers' threads: each file holds its records
// whole and in order.
TEST_F(CTM_trackingTest, RecordsFromSeveralThreadsOverMoreFilesThanAreHeldOpenStayWholeAndInOrder) {
  constexpr int threads = 4;
  constexpr int itemsEach = 30;
  constexpr int records = 3;
  std::latch start(threads);
  std::vector<std::thread> workers;
  std::vector<std::vector<std::string>> files(threads);
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      std::vector<std::unique_ptr<CTM_BIT_trace>> traces;
      for (int i = 0; i < itemsEach; ++i) {
        char id[16];
        std::snprintf(id, sizeof id, "W321230%04d", t * itemsEach + i);
        traces.push_back(std::make_unique<CTM_BIT_trace>("TM32", "LS00" + std::to_string(t), id, false));
        files[t].push_back(traces.back()->m_getFileName());
      }
      start.arrive_and_wait();
      for (int record = 0; record < records; ++record)
        for (auto& trace : traces) trace->writeTraceRecord(1, record, "TP=(LS001TP0001)");
    });
  }
  for (auto& worker : workers) worker.join();
  const std::string expected = std::string(localNowText) + "\tE\tENTER\tTP=(LS001TP0001)\n" + localNowText +
                               "\tE\tEXIT\tTP=(LS001TP0001)\n" + localNowText + "\tE\tTRS\tTP=(LS001TP0001)\n";
  for (const auto& names : files)
    for (const std::string& name : names) EXPECT_EQ(contentsOf(name), expected) << name;
}
