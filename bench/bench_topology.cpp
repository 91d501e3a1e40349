// Reading a topology file into the model, against the XML parser reading the same
// file with a handler that does nothing, on generated plants of 10^3 to 10^6 nodes.
// Goal: populating stays within twice the bare parse ("x_bare") at every size, and
// grows linearly (compare the nodes per second across sizes).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/plant_generator.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_nodefactory.h"
#include "topology/ctm_world.h"

namespace {

bench_plant::Plants& plants() {
  static bench_plant::Plants instance("bench_topology");
  return instance;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void setCounters(benchmark::State& state, long nodes) {
  state.SetItemsProcessed(state.iterations() * nodes);
  state.SetBytesProcessed(state.iterations() *
                          static_cast<long>(std::filesystem::file_size(std::getenv("TM_HOME") +
                                                                       std::string("/run/cfg/topology.xml"))));
  state.counters["nodes"] = static_cast<double>(nodes);
}

void BM_bareParse(benchmark::State& state) {
  long nodes = plants().use(state.range(0));
  CTM_plainNodeFactory factory;
  CTM_file_populator populator(factory);
  if (!populator.m_init()) state.SkipWithError("no topology file");
  for (auto _ : state)
    if (!populator.m_parseWithoutModel()) state.SkipWithError("parse failed");
  setCounters(state, nodes);
}

void BM_populate(benchmark::State& state) {
  long nodes = plants().use(state.range(0));
  CTM_plainNodeFactory factory;
  CTM_file_populator populator(factory);
  if (!populator.m_init()) state.SkipWithError("no topology file");
  // The baseline of this run: the bare parse of the same file, best of three.
  double bare = 1e300;
  for (int i = 0; i < 3; ++i) {
    auto start = std::chrono::steady_clock::now();
    populator.m_parseWithoutModel();
    bare = std::min(bare, secondsSince(start));
  }
  // One model read untimed first: on a virtual machine the first touch of memory
  // the process never had costs far more than reading the plant.
  CTM_world().m_populate(populator);
  double total = 0;
  for (auto _ : state) {
    auto world = std::make_unique<CTM_world>();
    auto start = std::chrono::steady_clock::now();
    if (!world->m_populate(populator)) state.SkipWithError("populate failed");
    double seconds = secondsSince(start);
    total += seconds;
    state.SetIterationTime(seconds);
    world.reset();  // not timed: taking the model down is not reading it
  }
  setCounters(state, nodes);
  state.counters["x_bare"] = total / static_cast<double>(state.iterations()) / bare;
}

}  // namespace

BENCHMARK(BM_bareParse)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_populate)->RangeMultiplier(10)->Range(1000, 1000000)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
