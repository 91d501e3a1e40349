// A whole TM32 under the load of a busy plant: 50 transport controllers on 10
// logical segments, each reporting bags as fast as the answers come (TCTM01,
// TCTM04, TCTM09, TCTM05 for every bag), with OC, LPCS, IM and the downstream TM
// linked, the event log and the trace files written as in operation; one
// controller on one segment beside it. Reports the telegrams per second the
// controllers sent, p50 and p99 of the answer times, the time the TM takes to
// stop under that load, the resident memory before, halfway and after, and the
// longest out-queue of a computer's link (a link that falls behind the bags it
// is told about holds every telegram it has not sent yet in memory).
//
// Each run ends with the checks of c_loadRun (every answer due came, each bag's
// trace file holds its life, the event log lost no record, threads and
// descriptors back at their baseline), a stop within 2 s and memory back near
// where it began; a run that fails one is reported as an error and the program
// exits with 1. TM_LOAD_SECONDS sets the length of both runs (60 s for the 50
// controllers, 10 s for the one by default).
//
// tm_in_flight holds 1,000, 10,000 and 100,000 bags in flight on one segment,
// reported by a controller and as many again announced by the upstream TM31,
// while four controllers load that segment for 10 s: the process's descriptors,
// threads and resident memory with every link up, with the bags held and under
// the load, their growth per bag, and the answer times with the bags in flight.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/latency_counters.h"
#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "tests/support/c_temphome.h"
#include "tests/support/ctm_loadrun.h"

namespace {

constexpr std::int64_t stopLimitMs = 2000;
// The TM's own memory must not grow with the bags it has handled: a few hundred
// bytes left behind per bag show up as tens of megabytes after 100,000 bags. What
// stays by design is below: the stacks of ended threads, which the C library
// keeps for new ones (up to 40 MB), and the event log's buffers.
constexpr std::int64_t residentGrowthLimitKb = 64 * 1024;

bool anyRunFailed = false;

int loadSeconds(std::int64_t byDefault) {
  const char* text = std::getenv("TM_LOAD_SECONDS");
  const int seconds = text != nullptr ? std::atoi(text) : 0;
  return seconds > 0 ? seconds : static_cast<int>(byDefault);
}

// One run with its checks: the faults found, and its figures.
std::vector<std::string> runLoad(int controllers, int segments, int seconds, int bagsInFlight,
                                 c_loadRun::c_figures& figures) {
  c_tempHome home;
  c_loadRun::m_widenEventLog();
  CTM_config::m_resetForTest();
  CTM_logging::m_resetForTest();
  CTM_logging::m_init("");
  std::vector<std::string> faults;
  {
    c_loadRun run(home, controllers, segments, bagsInFlight);
    std::string failure;
    if (run.m_start(failure)) {
      run.m_load(std::chrono::seconds(seconds));
    } else {
      faults.push_back(failure);
    }
    run.m_stop();
    const std::vector<std::string> found = run.m_verify();
    faults.insert(faults.end(), found.begin(), found.end());
    figures = run.m_figures();
  }
  CTM_config::m_resetForTest();
  if (figures.stopMilliseconds > stopLimitMs)
    faults.push_back("the stop took " + std::to_string(figures.stopMilliseconds) + " ms");
  if (figures.rssAfterKb - figures.rssBeforeKb > residentGrowthLimitKb)
    faults.push_back("resident memory grew from " + std::to_string(figures.rssBeforeKb) + " kB to " +
                     std::to_string(figures.rssAfterKb) + " kB");
  return faults;
}

// A failed run shows no counters: its figures still tell where it stood.
void reportFailure(benchmark::State& state, const char* name, const std::vector<std::string>& faults,
                   const c_loadRun::c_figures& figures) {
  for (const std::string& fault : faults) std::fprintf(stderr, "%s: %s\n", name, fault.c_str());
  const std::size_t p99 = figures.answerNanoseconds.size() * 99 / 100;
  std::fprintf(stderr,
               "%s figures: %.1f telegrams/s, p99 %.3f ms, stop %lld ms, largest out-queue %zu, "
               "rss %lld/%lld/%lld MB, descriptors %d/%d/%d\n",
               name, static_cast<double>(figures.telegrams) / (figures.seconds > 0 ? figures.seconds : 1),
               p99 < figures.answerNanoseconds.size() ? static_cast<double>(figures.answerNanoseconds[p99]) / 1e6 : 0.0,
               static_cast<long long>(figures.stopMilliseconds), figures.largestOutQueue,
               static_cast<long long>(figures.rssBeforeKb / 1024), static_cast<long long>(figures.rssLoadedKb / 1024),
               static_cast<long long>(figures.rssAfterKb / 1024), figures.descriptorsUp, figures.descriptorsHeld,
               figures.descriptorsLoaded);
  anyRunFailed = true;
  state.SkipWithError(faults.front().c_str());
}

// Arguments: controllers, segments, seconds by default.
void BM_load(benchmark::State& state) {
  const int controllers = static_cast<int>(state.range(0));
  const int segments = static_cast<int>(state.range(1));
  const int seconds = loadSeconds(state.range(2));
  for (auto _ : state) {
    c_loadRun::c_figures figures;
    const std::vector<std::string> faults = runLoad(controllers, segments, seconds, 0, figures);
    state.SetIterationTime(figures.seconds > 0 ? figures.seconds : 1);
    setLatencyCounters(state, figures.answerNanoseconds);
    state.SetItemsProcessed(static_cast<std::int64_t>(figures.telegrams));
    state.counters["bags"] = static_cast<double>(figures.bags);
    state.counters["stop_ms"] = static_cast<double>(figures.stopMilliseconds);
    state.counters["largest_out_queue"] = static_cast<double>(figures.largestOutQueue);
    state.counters["rss_before_MB"] = static_cast<double>(figures.rssBeforeKb) / 1024;
    state.counters["rss_loaded_MB"] = static_cast<double>(figures.rssLoadedKb) / 1024;
    state.counters["rss_after_MB"] = static_cast<double>(figures.rssAfterKb) / 1024;
    if (!faults.empty()) {
      const std::string name = "tm_load " + std::to_string(controllers) + "/" + std::to_string(segments);
      reportFailure(state, name.c_str(), faults, figures);
    }
  }
}

// Argument: bags held in flight of each kind (reported, announced).
void BM_inFlight(benchmark::State& state) {
  const int bags = static_cast<int>(state.range(0));
  const int seconds = loadSeconds(10);
  for (auto _ : state) {
    c_loadRun::c_figures figures;
    const std::vector<std::string> faults = runLoad(4, 1, seconds, bags, figures);
    state.SetIterationTime(figures.seconds > 0 ? figures.seconds : 1);
    setLatencyCounters(state, figures.answerNanoseconds);
    state.SetItemsProcessed(static_cast<std::int64_t>(figures.telegrams));
    const double inFlight = figures.bagsInFlight > 0 ? static_cast<double>(figures.bagsInFlight) : 1;
    state.counters["in_flight"] = static_cast<double>(figures.bagsInFlight);
    state.counters["fd_up"] = figures.descriptorsUp;
    state.counters["fd_held"] = figures.descriptorsHeld;
    state.counters["fd_loaded"] = figures.descriptorsLoaded;
    state.counters["threads_up"] = figures.threadsUp;
    state.counters["threads_held"] = figures.threadsHeld;
    state.counters["rss_up_MB"] = static_cast<double>(figures.rssUpKb) / 1024;
    state.counters["rss_held_MB"] = static_cast<double>(figures.rssHeldKb) / 1024;
    state.counters["rss_loaded_MB"] = static_cast<double>(figures.rssLoadedKb) / 1024;
    state.counters["fd_per_bag"] = (figures.descriptorsHeld - figures.descriptorsUp) / inFlight;
    state.counters["threads_per_bag"] = (figures.threadsHeld - figures.threadsUp) / inFlight;
    state.counters["bytes_per_bag"] = static_cast<double>(figures.rssHeldKb - figures.rssUpKb) * 1024 / inFlight;
    if (!faults.empty()) {
      const std::string name = "tm_in_flight " + std::to_string(bags);
      reportFailure(state, name.c_str(), faults, figures);
    }
  }
}

}  // namespace

// items_per_second: the telegrams the controllers sent per second of load.
BENCHMARK(BM_load)
    ->Name("tm_load")
    ->ArgNames({"controllers", "segments", "seconds"})
    ->Args({1, 1, 10})
    ->Args({50, 10, 60})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// items_per_second: the telegrams of the load around the bags in flight.
BENCHMARK(BM_inFlight)
    ->Name("tm_in_flight")
    ->ArgNames({"bags"})
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return anyRunFailed ? 1 : 0;
}
