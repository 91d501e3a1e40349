// Logging throughput and latency from one and from eight threads into one event
// log, beside plain write calls of the same record size; the cost of a call that
// the level filters out; and reading the newest ten records of a 512 MiB log.
// Threads log with a fixed level (no level key) and, as the link threads of a
// running TM do, with a level read from the configuration.
#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "platform/c_eventlog.h"
#include "platform/c_eventlogreader.h"
#include "platform/c_eventrecord.h"
#include "tests/support/c_temphome.h"

namespace {

// A temporary installation whose configuration holds the level key of "UTIL";
// its state folder holds the event logs.
const c_tempHome& installation() {
  static const c_tempHome home;
  static const bool written = [] {
    home.m_writeConfig({c_parameterLine("P", "InterfaceUTIL_LogLevel", "127", "I", "3")});
    home.m_writeSystem("", {});
    return true;
  }();
  (void)written;
  return home;
}

std::filesystem::path stateFolder() { return installation().m_pathOf("state"); }

void initialiseLogging() {
  static const bool done = [] {
    installation();
    CTM_logging::m_init("");
    if (!CTM_config::m_init("")) std::abort();
    return true;
  }();
  (void)done;
}

const std::string nameArgument = "AvgProcTime";

// A record as the logging call below writes it, for the plain-write baseline.
std::string sampleLine() {
  c_eventRecord record;
  record.number = 1234567;
  record.timeGenerated = record.timeWritten = 1700000000;
  record.eventId = ev::LOG_STATISTICS;
  record.type = 1;
  record.category = 1;
  record.source = "UTIL";
  record.strings = {nameArgument, "1", "2", "3"};
  return c_encodeEventRecord(record);
}

void reportLatency(benchmark::State& state, std::vector<std::int64_t>& nanoseconds) {
  if (nanoseconds.empty()) return;
  std::sort(nanoseconds.begin(), nanoseconds.end());
  state.counters["p50_ns"] = benchmark::Counter(static_cast<double>(nanoseconds[nanoseconds.size() / 2]), benchmark::Counter::kAvgThreads);
  state.counters["p99_ns"] = benchmark::Counter(static_cast<double>(nanoseconds[nanoseconds.size() * 99 / 100]), benchmark::Counter::kAvgThreads);
}

template <typename Call>
void timeEachCall(benchmark::State& state, Call call) {
  std::vector<std::int64_t> nanoseconds;
  nanoseconds.reserve(1 << 20);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    call();
    const auto end = std::chrono::steady_clock::now();
    if (nanoseconds.size() < nanoseconds.capacity())
      nanoseconds.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(end - start).count());
  }
  state.SetItemsProcessed(state.iterations());
  reportLatency(state, nanoseconds);
}

// Each benchmark thread registers as "TC" with the prefix "LS" (no level key:
// level 3, fixed) or as "UTIL" (level 3 from the key InterfaceUTIL_LogLevel).
void registerThread(bool levelFromConfiguration) {
  thread_local std::string registeredAs;
  const std::string name = levelFromConfiguration ? "UTIL" : "TC";
  if (registeredAs == name) return;
  if (!registeredAs.empty()) CTM_logging::m_unregisterThread();
  CTM_logging::m_registerThread(name, levelFromConfiguration ? "" : "LS");
  registeredAs = name;
}

void logWritten(benchmark::State& state, bool levelFromConfiguration) {
  initialiseLogging();
  registerThread(levelFromConfiguration);
  timeEachCall(state, [] { CTM_logging::m_log(1, ev::LOG_STATISTICS, "ssii", nameArgument, "1", 2, 3); });
}

void logFilteredOut(benchmark::State& state, bool levelFromConfiguration) {
  initialiseLogging();
  registerThread(levelFromConfiguration);
  timeEachCall(state, [] { CTM_logging::m_log(4, ev::LOG_STATISTICS, "ssii", nameArgument, "1", 2, 3); });
}

void BM_logWritten(benchmark::State& state) { logWritten(state, false); }
void BM_logFilteredOut(benchmark::State& state) { logFilteredOut(state, false); }
void BM_logWrittenLevelFromConfiguration(benchmark::State& state) { logWritten(state, true); }
void BM_logFilteredOutLevelFromConfiguration(benchmark::State& state) { logFilteredOut(state, true); }

// The baseline: one plain append of a record-sized line per call.
void BM_plainWrite(benchmark::State& state) {
  static int fd = -1;
  static const std::string line = sampleLine();
  if (state.thread_index() == 0)
    fd = ::open((stateFolder() / "plain.txt").c_str(), O_WRONLY | O_APPEND | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  timeEachCall(state, [] { benchmark::DoNotOptimize(::write(fd, line.data(), line.size())); });
  if (state.thread_index() == 0) ::close(fd);
}

// ostrel -n -10: the newest ten records of a log of 512 MiB (its ".old" and current file).
void BM_readNewestTenOfLargeLog(benchmark::State& state) {
  static const std::string path = [] {
    const std::string store = (stateFolder() / "large.Evt").string();
    std::string chunk;
    c_eventRecord record;
    record.eventId = ev::LOG_STATISTICS;
    record.type = 4;
    record.source = "TM32_LHTC";
    record.strings = {"a telegram of a transport controller with its fields", "12", "34"};
    std::uint32_t number = 1;
    for (const std::string& file : {store + ".old", store}) {
      const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
      std::uint64_t written = 0;
      while (written < (256u << 20)) {
        chunk.clear();
        while (chunk.size() < (1u << 20)) {
          record.number = number++;
          chunk += c_encodeEventRecord(record);
        }
        if (::write(fd, chunk.data(), chunk.size()) != static_cast<ssize_t>(chunk.size())) std::abort();
        written += chunk.size();
      }
      ::close(fd);
    }
    return store;
  }();
  for (auto _ : state) {
    c_eventLogReader reader;
    reader.m_openStore(path);
    reader.m_seekNewest(10);
    c_eventRecord record;
    int read = 0;
    while (reader.m_next(record)) ++read;
    if (read != 10) state.SkipWithError("not ten records");
  }
}

}  // namespace

BENCHMARK(BM_plainWrite)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_logWritten)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_logFilteredOut)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_logWrittenLevelFromConfiguration)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_logFilteredOutLevelFromConfiguration)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_readNewestTenOfLargeLog)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
