#pragma once
// The latency counters of the round-trip benchmarks: the items processed and the
// 50th and 99th percentiles of the round trips one thread timed (averaged over
// the threads of a run).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

inline void setLatencyCounters(benchmark::State& state, std::vector<std::int64_t>& nanoseconds) {
  state.SetItemsProcessed(state.iterations());
  if (nanoseconds.empty()) return;
  std::sort(nanoseconds.begin(), nanoseconds.end());
  const auto at = [&](std::size_t percent) {
    return benchmark::Counter(static_cast<double>(nanoseconds[nanoseconds.size() * percent / 100]),
                              benchmark::Counter::kAvgThreads);
  };
  state.counters["p50_ns"] = at(50);
  state.counters["p99_ns"] = at(99);
}
