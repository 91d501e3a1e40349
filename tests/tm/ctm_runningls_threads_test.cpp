// Four line-handler threads on one segment while its purge runs: every entry
// point holds the segment lock, so no item is lost or freed twice.
#include <gtest/gtest.h>

#include <cstdio>
#include <thread>
#include <vector>

#include "tests/support/c_resourcebaseline.h"
#include "tests/tm/segment_fixture.h"
#include "tracking/ctm_lpcinfo.h"

namespace {

constexpr int workers = 4;
constexpr int itemsPerWorker = 40;
constexpr int oldItems = 30;

std::string idOf(char kind, int worker, int item) {
  char id[16];
  std::snprintf(id, sizeof id, "%c%02d%08d", kind, worker, item);
  return id;
}

class SegmentThreads : public SegmentTest {
 protected:
  // Taken once the TM is set up: its (unstarted) handlers stay.
  std::unique_ptr<c_resourceBaseline> baseline_;
};

TEST_F(SegmentThreads, FourThreadsAndThePurgeKeepEveryItemOnce) {
  baseline_ = std::make_unique<c_resourceBaseline>();
  for (int i = 0; i < oldItems; ++i) enter(idOf('A', 0, i));
  // The first purge marks the old items; they go with the one that runs among the workers.
  clock_.m_advance(2);
  ASSERT_TRUE(segment()->m_purgeBITs(1));
  clock_.m_advance(2);

  std::vector<std::thread> threads;
  for (int w = 0; w < workers; ++w) {
    threads.emplace_back([this, w] {
      CTM_runningLs& ls = *segment();
      for (int i = 0; i < itemsPerWorker; ++i) {
        std::string id = idOf('B', w, i);
        CTM_BIT::c_destinationList destinations;
        ls.m_enterBIT(i, node(entry), id, destinations);
        ls.m_traceBIT(i, node(diverter), id, destinations);
        ls.m_setBITLpc(i, node(diverter), id, "00000000" + std::to_string(10 + w), destinations);
        ls.m_applyLpcData("00000000" + std::to_string(10 + w), "P", std::make_unique<CTM_lpcInfo>());
        ls.m_selectBIT(i, id);
        if (i % 2 == 0) ls.m_exitBIT(i, node(diverter), id);
      }
    });
  }
  threads.emplace_back([this] {
    for (int i = 0; i < 200; ++i) segment()->m_purgeBITs(1);
  });
  for (std::thread& thread : threads) thread.join();

  EXPECT_EQ(segment()->m_getItemCount(), static_cast<std::size_t>(workers * itemsPerWorker / 2));
  for (int w = 0; w < workers; ++w)
    for (int i = 1; i < itemsPerWorker; i += 2)
      EXPECT_TRUE(segment()->m_inspectBIT(idOf('B', w, i), [](const CTM_BIT&) {}));
  const auto purges = recorder_.m_eventsWithId(ev::SEGMENT_PURGED);
  ASSERT_EQ(purges.size(), 2u);
  EXPECT_EQ(purges[1].strings, (std::vector<std::string>{"0", "0", std::to_string(oldItems)}));
  // Items keep their trace files open: the last ones leave, then nothing is left over.
  for (int w = 0; w < workers; ++w)
    for (int i = 1; i < itemsPerWorker; i += 2) segment()->m_exitBIT(i, node(diverter), idOf('B', w, i));
  EXPECT_EQ(segment()->m_getItemCount(), 0u);
  EXPECT_TRUE(baseline_->m_isBack());
}

}  // namespace
