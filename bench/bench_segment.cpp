// A segment's entry points on the sample plant (TM32): 10,000 items enter
// (TCTM01), are traced (TCTM04) and leave (TCTM05), so the segment holds 10,000
// items at its fullest. Each item is routed by the segment's transport, traced to
// its file, and reported to OC, LPCS and TM33 through a test line handler whose
// queue a drainer thread empties, as the handler's own thread would. One thread
// on E3201, and four threads on four segments at once.
// Reported: entry-point calls per second and the 99th percentile of each entry
// point in microseconds (goal: under 100), beside a bare hash map that holds and
// drops the same 10,000 items. Where the time goes: an item's trace file (open,
// three records, close), one route search with its transport specification, the
// telegrams one entry builds, and one logged event, each on its own.
// The trace files go where TMPDIR points (default /tmp): creating 10,000 files a
// round is what a disk feels most; TMPDIR=/dev/shm leaves the disk out.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "telegrams/ctm_mo_message.h"
#include "telegrams/ctm_tmtc_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tests/support/ctm_test_linehandlers.h"
#include "tm/ctm_runningls.h"
#include "tm/ctm_runningnodefactory.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_world.h"
#include "tracking/ctm_bit_trace.h"
#include "tracking/ctm_transport.h"
#include "tracking/ctm_transportowner.h"

namespace {

constexpr int itemsPerSegment = 10000;
constexpr int maximumThreads = 4;

struct c_entry {
  const char* segment;
  const char* entry;
  const char* diverter;
};
const c_entry entries[maximumThreads] = {{"E3201", "E3201_0100-E0001", "E3201_0200-P0002"},
                                         {"X3202", "X3202_0100-P0001", "X3202_0100-D0003"},
                                         {"L3203", "L3203_0100-M0001", "L3203_0100-D0003"},
                                         {"M3204", "M3204_0300-P0001", "M3204_0300-P0002"}};

class c_droppingSink : public CTM_logSink {
 public:
  bool m_write(const CTM_loggedEvent&) override { return true; }
};

// Empties a line handler's queue as its thread would.
class c_drainer {
 public:
  explicit c_drainer(CTM_queue& queue) : queue_(queue), thread_([this] { m_run(); }) {}
  ~c_drainer() {
    stop_ = true;
    thread_.join();
  }

 private:
  void m_run() {
    std::unique_ptr<CTM_message> telegram;
    while (!stop_) {
      if (!queue_.m_getSemaphore()->m_lock(20)) continue;
      queue_.m_get(telegram);
      telegram.reset();
    }
    while (queue_.m_get(telegram)) telegram.reset();
  }

  CTM_queue& queue_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// The sample installation in a folder of this run, TM32 read and its segments started.
struct c_plant {
  std::filesystem::path home;
  CTM_world world;
  CTM_runningTm* tm = nullptr;
  std::shared_ptr<CTM_testClientLh> peers;
  std::unique_ptr<c_drainer> drainer;

  bool m_build() {
    std::string folder = (std::filesystem::temp_directory_path() / "tm-bench-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) return false;
    home = folder;
    const std::filesystem::path sample = std::filesystem::path(TM_SOURCE_DIR) / "examples/plant/run/cfg";
    std::filesystem::create_directories(home / "run/cfg");
    for (const auto& file : std::filesystem::directory_iterator(sample))
      std::filesystem::copy_file(file.path(), home / "run/cfg" / file.path().filename());
    ::setenv("TM_HOME", home.c_str(), 1);
    ::setenv("XDG_STATE_HOME", home.c_str(), 1);
    if (!CTM_config::m_init("TM32")) return false;
    CTM_runningNodeFactory factory;
    CTM_file_populator populator(factory);
    if (!populator.m_init() || !world.m_populate(populator)) return false;
    tm = dynamic_cast<CTM_runningTm*>(world.m_findNode("TM32"));
    if (!tm) return false;
    peers = std::make_shared<CTM_testClientLh>("127.0.0.1", 9);
    drainer = std::make_unique<c_drainer>(peers->m_queue());
    tm->m_placeOcLineHandler(peers);
    tm->m_placeLpcsLineHandler(peers);
    tm->m_placeDstmLineHandlers({{"TM33", peers}});
    for (const c_entry& entry : entries)
      if (!segment(entry)->m_init("NNNNNYN", false)) return false;
    return true;
  }
  CTM_runningLs* segment(const c_entry& entry) const {
    return dynamic_cast<CTM_runningLs*>(world.m_findNode(entry.segment));
  }
  void m_tearDown() {
    tm->m_stop();
    drainer.reset();
    peers.reset();
  }
};

c_plant* plant = nullptr;

double percentile(std::vector<double>& microseconds, double p) {
  if (microseconds.empty()) return 0;
  const std::size_t at = static_cast<std::size_t>(p / 100.0 * static_cast<double>(microseconds.size() - 1));
  std::nth_element(microseconds.begin(), microseconds.begin() + static_cast<std::ptrdiff_t>(at), microseconds.end());
  return microseconds[at];
}

template <class Call>
void timed(std::vector<double>& into, Call call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  into.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
}

// Each thread drives its own segment; every round takes ids of its own.
void BM_segmentEntryPoints(benchmark::State& state) {
  const c_entry& entry = entries[state.thread_index()];
  CTM_runningLs* segment = plant->segment(entry);
  CTM_node* seenAt = plant->world.m_findNode(entry.entry);
  CTM_node* divertedAt = plant->world.m_findNode(entry.diverter);
  std::vector<double> enter, trace, leave;
  static std::atomic<int> rounds{0};
  for (auto _ : state) {
    const int round = rounds++;
    std::vector<std::string> ids(itemsPerSegment);
    for (int i = 0; i < itemsPerSegment; ++i) {
      char id[16];
      std::snprintf(id, sizeof id, "B%c%04d%05d", 'A' + state.thread_index(), round % 10000, i);
      ids[i] = id;
    }
    CTM_BIT::c_destinationList destinations;
    for (std::string& id : ids) timed(enter, [&] { segment->m_enterBIT(1, seenAt, id, destinations); });
    for (std::string& id : ids) timed(trace, [&] { segment->m_traceBIT(1, divertedAt, id, destinations); });
    for (std::string& id : ids) timed(leave, [&] { segment->m_exitBIT(1, divertedAt, id); });
  }
  const double calls = static_cast<double>(enter.size() + trace.size() + leave.size());
  state.counters["calls_per_s"] = benchmark::Counter(calls, benchmark::Counter::kIsRate);
  state.counters["p50_TCTM01_us"] = benchmark::Counter(percentile(enter, 50), benchmark::Counter::kAvgThreads);
  state.counters["p99_TCTM01_us"] = benchmark::Counter(percentile(enter, 99), benchmark::Counter::kAvgThreads);
  state.counters["p99_TCTM04_us"] = benchmark::Counter(percentile(trace, 99), benchmark::Counter::kAvgThreads);
  state.counters["p99_TCTM05_us"] = benchmark::Counter(percentile(leave, 99), benchmark::Counter::kAvgThreads);
}

// Baseline: the same items held in and dropped from a bare hash map.
void BM_bareHashMap(benchmark::State& state) {
  std::vector<double> enter, trace, leave;
  std::vector<std::string> ids(itemsPerSegment);
  for (int i = 0; i < itemsPerSegment; ++i) ids[i] = "B" + std::to_string(1000000000 + i);
  for (auto _ : state) {
    std::unordered_map<std::string, std::unique_ptr<CTM_BIT>> items(300);
    for (const std::string& id : ids) timed(enter, [&] { items[id] = std::make_unique<CTM_BIT>(); });
    for (const std::string& id : ids) timed(trace, [&] { benchmark::DoNotOptimize(items.find(id)); });
    for (const std::string& id : ids) timed(leave, [&] { items.erase(id); });
  }
  const double calls = static_cast<double>(enter.size() + trace.size() + leave.size());
  state.counters["calls_per_s"] = benchmark::Counter(calls, benchmark::Counter::kIsRate);
  state.counters["p99_insert_us"] = benchmark::Counter(percentile(enter, 99), benchmark::Counter::kAvgThreads);
  state.counters["p99_find_us"] = benchmark::Counter(percentile(trace, 99), benchmark::Counter::kAvgThreads);
  state.counters["p99_erase_us"] = benchmark::Counter(percentile(leave, 99), benchmark::Counter::kAvgThreads);
}

// --- Where the time goes -------------------------------------------------------

void BM_part_traceFile(benchmark::State& state) {
  int n = 0;
  for (auto _ : state) {
    char id[16];
    std::snprintf(id, sizeof id, "C%010d", n++ % 100000);
    CTM_BIT_trace trace("TM32", "E3201", id, true);
    for (int kind : {CTM_BIT::ENTER, CTM_BIT::TRACE, CTM_BIT::EXIT}) trace.writeTraceRecord(0, kind, "TP=(E3201_0100-E0001)");
  }
}

class c_quietOwner : public CTM_transportOwner {
 public:
  const std::string& m_getSegmentId() const override { return id_; }
  bool m_reportRoutingEvent(CTM_BIT*, int, const std::string&) override { return true; }
  bool m_reportText(unsigned short, const std::string&) override { return true; }

 private:
  std::string id_ = "E3201";
};

void BM_part_routing(benchmark::State& state) {
  c_quietOwner owner;
  CTM_transport transport(owner);
  if (!transport.m_init()) state.SkipWithError("no default transport specifications");
  CTM_node* seenAt = plant->world.m_findNode(entries[0].entry);
  for (auto _ : state) {
    CTM_BIT item;
    item.m_setRequiredScreenLevel(0);
    item.traceBIT(seenAt, CTM_BIT::ENTER, "");
    benchmark::DoNotOptimize(transport.routeBIT(&item, false));
  }
}

// What an item's entry builds: MO10 (or MO08), MO11 twice, UD11, and a TMTC01.
void BM_part_telegrams(benchmark::State& state) {
  CTM_BIT item;
  item.m_setBIT_ID("W3212300001");
  for (auto _ : state) {
    auto record = std::make_unique<CTM_mo10_message>();
    record->m_setLS_ID("E3201");
    record->m_setBIT(item);
    for (const char* type : {"ENTER", "TRS  "}) {
      auto event = std::make_unique<CTM_mo11_message>();
      event->m_setLS_ID("E3201");
      event->m_setBIT_ID(item.m_getBIT_ID());
      event->m_setTrackingEvent(type, "E3201_0100-E0001");
      benchmark::DoNotOptimize(event.get());
    }
    auto announced = std::make_unique<CTM_ud11_message>();
    announced->m_setLogicalConnectID("E32013301");
    announced->m_setBIT(item);
    auto order = std::make_unique<CTM_tmtc01_message>();
    order->m_setBIT_ID(item.m_getBIT_ID());
    order->m_appendDestination("E3201_0200-P0002", 1);
    benchmark::DoNotOptimize(record.get());
  }
}

void BM_part_loggedEvent(benchmark::State& state) {
  for (auto _ : state) CTM_logging::m_log(2, ev::SEGMENT_PURGED, "iii", 0, 0, 1);
}

}  // namespace

BENCHMARK(BM_bareHashMap)->Name("baseline_bare_hash_map")->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_segmentEntryPoints)
    ->Name("segment_entry_points")
    ->Iterations(3)
    ->Threads(1)
    ->Threads(maximumThreads)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_part_traceFile)->Name("part_trace_file_of_an_item")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_part_routing)->Name("part_routing")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_part_telegrams)->Name("part_telegrams_of_an_entry")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_part_loggedEvent)->Name("part_logged_event");

int main(int argc, char** argv) {
  c_droppingSink sink;
  CTM_logging::m_init("");
  CTM_logging::m_setSink(&sink);
  auto built = std::make_unique<c_plant>();
  if (!built->m_build()) {
    std::fprintf(stderr, "bench_segment: the sample plant could not be started\n");
    return 1;
  }
  plant = built.get();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  plant->m_tearDown();
  const std::filesystem::path home = plant->home;
  built.reset();
  CTM_logging::m_setSink(nullptr);
  std::filesystem::remove_all(home);
  return 0;
}
