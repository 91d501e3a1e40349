// Reading a topology file into the model, against the XML parser reading the same
// file with a handler that does nothing, on generated plants of 10^3 to 10^6 nodes.
// Goal: populating stays within twice the bare parse ("x_bare") at every size, and
// grows linearly (compare the nodes per second across sizes).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "core/ctm_logging.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_world.h"

namespace {

class DiscardingSink : public CTM_logSink {
 public:
  bool m_write(const CTM_loggedEvent&) override { return true; }
};

constexpr int controllersPerSegment = 5;
constexpr int technicalSegmentsPerController = 10;
constexpr int pointsPerTechnicalSegment = 20;
constexpr int nodesPerSegment =
    1 + controllersPerSegment * (1 + technicalSegmentsPerController * (1 + pointsPerTechnicalSegment));
constexpr long longChainLimit = 100000;

// Ids in the plant's conventions: segment "L0001", technical segment "L0001_0001",
// tracking point "L0001_0001-P0001" (the letter counts on past 9999).
std::string segmentId(char kind, int number) {
  char id[16];
  std::snprintf(id, sizeof id, "%c%04d", kind, number);
  return id;
}
std::string technicalSegmentId(const std::string& segment, int number) {
  char id[32];
  std::snprintf(id, sizeof id, "%s_%04d", segment.c_str(), number);
  return id;
}
std::string pointId(const std::string& technicalSegment, long number) {
  char id[48];
  std::snprintf(id, sizeof id, "%s-%c%04ld", technicalSegment.c_str(), static_cast<char>('P' + number / 10000 % 10),
                number % 10000);
  return id;
}

// One tracking point with its position and its edges.
void writePoint(std::ofstream& out, const std::string& id, long x, long y, const std::string& next,
                const std::string& cross) {
  out << "<tp id=\"" << id << "\"><position>" << x << ',' << y << "</position>";
  if (!next.empty()) out << "<edge target=\"" << next << "\" weight=\"" << 2 + x % 5 << "\"/>";
  if (!cross.empty()) out << "<edge target=\"" << cross << "\" weight=\"15\"/>";
  out << "</tp>\n";
}

// A plant of about `nodes` nodes: one TM; a long chain of tracking points in a
// technical segment of its own; and segments of transport controllers whose
// technical segments hold chains, each chain flowing into the next, and every
// seventh one also crossing to a segment elsewhere in the plant.
long writePlant(const std::filesystem::path& file, long nodes) {
  long chain = std::min(longChainLimit, nodes / 2);
  int segments = std::max<long>(1, (nodes - chain) / nodesPerSegment);
  std::ofstream out(file);
  out << "<?xml version=\"1.0\"?>\n<topology><transportManager id=\"TM32\"><position>1,1</position>\n";
  long written = 1;

  auto firstPoint = [](int segment, int controller, int technical) {
    return pointId(technicalSegmentId(segmentId('L', segment), controller * technicalSegmentsPerController + technical + 1), 1);
  };
  std::string chainSegment = segmentId('C', 0);
  std::string chainTs = technicalSegmentId(chainSegment, 1);
  out << "<logicalSegment id=\"" << chainSegment << "\"><transportController id=\"TC" << chainSegment << "\"><ts id=\""
      << chainTs << "\">\n";
  for (long i = 1; i <= chain; ++i)
    writePoint(out, pointId(chainTs, i), i, 0, i < chain ? pointId(chainTs, i + 1) : firstPoint(1, 0, 0), "");
  out << "</ts></transportController></logicalSegment>\n";
  written += 3 + chain;

  for (int s = 1; s <= segments; ++s) {
    std::string segment = segmentId('L', s);
    out << "<logicalSegment id=\"" << segment << "\"><color>lightblue</color><offset>" << s << ",0</offset>\n";
    for (int c = 0; c < controllersPerSegment; ++c) {
      out << "<transportController id=\"TC" << segment << c << "\"><address>10.0." << s % 250 << '.' << c
          << "</address>\n";
      for (int t = 0; t < technicalSegmentsPerController; ++t) {
        int number = c * technicalSegmentsPerController + t + 1;
        std::string ts = technicalSegmentId(segment, number);
        out << "<ts id=\"" << ts << "\">\n";
        for (int p = 1; p <= pointsPerTechnicalSegment; ++p) {
          std::string next;
          if (p < pointsPerTechnicalSegment)
            next = pointId(ts, p + 1);
          else if (t + 1 < technicalSegmentsPerController)
            next = firstPoint(s, c, t + 1);
          else if (c + 1 < controllersPerSegment)
            next = firstPoint(s, c + 1, 0);
          else
            next = firstPoint(s % segments + 1, 0, 0);
          std::string cross = (number % 7 == 0 && p == 10) ? firstPoint((s * 7 + 3) % segments + 1, c, t) : "";
          writePoint(out, pointId(ts, p), s * 1000 + p, number, next, cross);
        }
        out << "</ts>\n";
      }
      out << "</transportController>\n";
    }
    out << "</logicalSegment>\n";
    written += nodesPerSegment;
  }
  out << "</transportManager></topology>\n";
  return written;
}

// The generated installations, one per size, kept for the whole run.
struct Plants {
  Plants() {
    root = std::filesystem::temp_directory_path() / ("bench_topology_" + std::to_string(::getpid()));
    setenv("XDG_STATE_HOME", (root / "state").c_str(), 1);
    CTM_logging::m_init("");
    CTM_logging::m_setSink(&sink);
  }
  ~Plants() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }

  // Points TM_HOME at the plant of that size, writing it first; returns its node count.
  long use(long size) {
    std::filesystem::path home = root / std::to_string(size);
    if (!nodeCounts.contains(size)) {
      std::filesystem::create_directories(home / "run/cfg");
      nodeCounts[size] = writePlant(home / "run/cfg/topology.xml", size);
    }
    setenv("TM_HOME", home.c_str(), 1);
    return nodeCounts[size];
  }

  std::filesystem::path root;
  DiscardingSink sink;
  std::map<long, long> nodeCounts;
};

Plants& plants() {
  static Plants instance;
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
  CTM_file_populator populator;
  if (!populator.m_init()) state.SkipWithError("no topology file");
  for (auto _ : state)
    if (!populator.m_parseWithoutModel()) state.SkipWithError("parse failed");
  setCounters(state, nodes);
}

void BM_populate(benchmark::State& state) {
  long nodes = plants().use(state.range(0));
  CTM_file_populator populator;
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
