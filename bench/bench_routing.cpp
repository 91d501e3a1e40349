// Route search on a generated plant of 10^4 tracking points, against a plain
// Dijkstra (Boost.Graph) over the same graph in the same run.
//
// The plant: 100 sorter loops of 80 tracking points, each closed by a
// recirculation edge; every loop diverts at ten points into ten exits (areas of
// two tracking points) and at ten others into other loops, whose merges take
// them in. 10^4 random (start, exit) pairs, each searched once per iteration.
// Reported: searches per second, the 99th percentile in microseconds, the nodes
// a search expands, and "p99_x_dijkstra", the route search's 99th percentile over
// the plain Dijkstra's. Goal: p99_x_dijkstra at most 3.
#include <benchmark/benchmark.h>

#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/dijkstra_shortest_paths_no_color_map.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "topology/ctm_tp.h"
#include "topology/ctm_world.h"
#include "tracking/ctm_route.h"

namespace {

constexpr int sorterLoops = 100;
constexpr int pointsPerLoop = 80;
constexpr int exitsPerLoop = 10;
constexpr int pointsPerExit = 2;
constexpr int pairs = 10000;
constexpr int recirculationWeight = 30;
const int mergeOffsets[exitsPerLoop] = {1, 3, 7, 11, 19, 29, 41, 53, 67, 83};

std::string loopArea(int loop) {
  char id[8];
  std::snprintf(id, sizeof id, "S%04d", loop % 10000);
  return id;
}
std::string exitArea(int loop, int exit) {
  char id[8];
  std::snprintf(id, sizeof id, "X%04d", (101 + loop * exitsPerLoop + exit) % 10000);
  return id;
}
std::string pointOf(const std::string& area, int point) {
  char id[24];
  std::snprintf(id, sizeof id, "%.5s_0001-P%04d", area.c_str(), point % 10000);
  return id;
}

struct c_pair {
  CTM_node* start;
  std::string destination;
};

struct Plant {
  Plant() {
    auto add = [this](const std::string& id) {
      auto node = std::make_unique<CTM_tp>(id);
      CTM_node* raw = node.get();
      world.m_insertNode(std::move(node));
      index[raw] = static_cast<int>(nodes.size());
      nodes.push_back(raw);
      return raw;
    };
    std::vector<std::vector<CTM_node*>> loops(sorterLoops);
    for (int loop = 0; loop < sorterLoops; ++loop)
      for (int point = 1; point <= pointsPerLoop; ++point) loops[loop].push_back(add(pointOf(loopArea(loop), point)));
    for (int loop = 0; loop < sorterLoops; ++loop) {
      std::vector<CTM_node*>& ring = loops[loop];
      for (int point = 0; point + 1 < pointsPerLoop; ++point) link(ring[point], ring[point + 1], 2 + point * 7 % 5);
      link(ring.back(), ring.front(), recirculationWeight);
      for (int exit = 0; exit < exitsPerLoop; ++exit) {
        CTM_node* previous = ring[8 * exit + 3];
        int weight = 8;
        for (int point = 1; point <= pointsPerExit; ++point) {
          CTM_node* next = add(pointOf(exitArea(loop, exit), point));
          link(previous, next, weight);
          previous = next;
          weight = 5;
        }
        const int target = (loop + mergeOffsets[exit]) % sorterLoops;
        link(ring[8 * exit + 7], loops[target][(8 * exit) % pointsPerLoop], 12 + exit);
      }
    }
    std::mt19937 random(20240502);
    for (int i = 0; i < pairs; ++i) {
      const int startLoop = static_cast<int>(random() % sorterLoops);
      const int exitLoop = static_cast<int>(random() % sorterLoops);
      const int exit = static_cast<int>(random() % exitsPerLoop);
      CTM_node* start = loops[startLoop][random() % pointsPerLoop];
      questions.push_back({start, loopArea(exitLoop) + exitArea(exitLoop, exit).substr(1, 4)});
    }
    graph = Graph(nodes.size());
    for (CTM_node* node : nodes) {
      CTM_node* target = nullptr;
      int weight = 0;
      for (std::size_t i = 0; node->m_getSuccessorAndWeight(i, target, weight); ++i)
        boost::add_edge(index[node], index[target], weight, graph);
    }
  }

  void link(CTM_node* from, CTM_node* to, int weight) { world.m_insertEdge(from, to, weight); }

  using Graph = boost::adjacency_list<boost::vecS, boost::vecS, boost::directedS, boost::no_property,
                                      boost::property<boost::edge_weight_t, int>>;
  CTM_world world;
  std::vector<CTM_node*> nodes;
  std::unordered_map<const CTM_node*, int> index;
  std::vector<c_pair> questions;
  Graph graph;
};

Plant& plant() {
  static Plant instance;
  return instance;
}

double microsecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

double percentile99(std::vector<double> samples) {
  if (samples.empty()) return 0;
  const std::size_t at = samples.size() * 99 / 100;
  std::nth_element(samples.begin(), samples.begin() + static_cast<std::ptrdiff_t>(at), samples.end());
  return samples[at];
}

struct c_latencies {
  std::vector<double> samples;
  double expanded = 0;

  void m_report(benchmark::State& state, const std::string& prefix) const {
    double total = 0;
    for (double sample : samples) total += sample;
    state.counters[prefix + "searches_per_s"] = static_cast<double>(samples.size()) / (total / 1e6);
    state.counters[prefix + "p99_us"] = percentile99(samples);
    state.counters[prefix + "nodes_expanded"] = expanded / static_cast<double>(samples.size());
  }
};

// Each pair is searched by the route search and then by the plain Dijkstra, so
// that both meet the same load of the machine.
void BM_routeSearchBesideDijkstra(benchmark::State& state) {
  Plant& p = plant();
  c_latencies route;
  c_latencies dijkstra;
  std::vector<int> distance(p.nodes.size());
  long found = 0;
  long reached = 0;
  for (auto _ : state) {
    for (const c_pair& question : p.questions) {
      auto start = std::chrono::steady_clock::now();
      CTM_route search(question.start);
      found += search.m_find(question.destination);
      route.samples.push_back(microsecondsSince(start));
      route.expanded += static_cast<double>(search.m_getNodesExpanded());

      start = std::chrono::steady_clock::now();
      boost::dijkstra_shortest_paths_no_color_map(p.graph, static_cast<std::size_t>(p.index[question.start]),
                                                  boost::distance_map(distance.data()));
      dijkstra.samples.push_back(microsecondsSince(start));
      dijkstra.expanded += static_cast<double>(p.nodes.size());
      reached += distance[0] < std::numeric_limits<int>::max();
    }
  }
  route.m_report(state, "");
  dijkstra.m_report(state, "dijkstra_");
  state.counters["nodes"] = static_cast<double>(p.nodes.size());
  state.counters["found_share"] = static_cast<double>(found) / static_cast<double>(route.samples.size());
  state.counters["p99_x_dijkstra"] = percentile99(route.samples) / percentile99(dijkstra.samples);
  benchmark::DoNotOptimize(reached);
}

}  // namespace

BENCHMARK(BM_routeSearchBesideDijkstra)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
