#pragma once
// Generated plants for the benchmarks: topology files of a chosen size in the
// plant's conventions, each in a temporary installation of its own that holds the
// sample plant's parameter files, kept for the whole run.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "core/ctm_logging.h"

namespace bench_plant {

inline constexpr int controllersPerSegment = 5;
inline constexpr int technicalSegmentsPerController = 10;
inline constexpr int pointsPerTechnicalSegment = 20;
inline constexpr int nodesPerSegment =
    1 + controllersPerSegment * (1 + technicalSegmentsPerController * (1 + pointsPerTechnicalSegment));
inline constexpr long longChainLimit = 100000;

// Ids in the plant's conventions: segment "L0001", technical segment "L0001_0001",
// tracking point "L0001_0001-P0001" (the letter counts on past 9999).
inline std::string segmentId(char kind, int number) {
  char id[16];
  std::snprintf(id, sizeof id, "%c%04d", kind, number);
  return id;
}
inline std::string technicalSegmentId(const std::string& segment, int number) {
  char id[32];
  std::snprintf(id, sizeof id, "%s_%04d", segment.c_str(), number);
  return id;
}
inline std::string pointId(const std::string& technicalSegment, long number) {
  char id[48];
  std::snprintf(id, sizeof id, "%s-%c%04ld", technicalSegment.c_str(), static_cast<char>('P' + number / 10000 % 10),
                number % 10000);
  return id;
}

// One tracking point with its position and its edges.
inline void writePoint(std::ofstream& out, const std::string& id, long x, long y, const std::string& next,
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
inline long writePlant(const std::filesystem::path& file, long nodes) {
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
  out << "<logicalSegment id=\"" << chainSegment << "\"><position>0,0</position><transportController id=\"TC"
      << chainSegment << "\"><position>0,1</position><ts id=\"" << chainTs << "\">\n";
  for (long i = 1; i <= chain; ++i)
    writePoint(out, pointId(chainTs, i), i, 0, i < chain ? pointId(chainTs, i + 1) : firstPoint(1, 0, 0), "");
  out << "</ts></transportController></logicalSegment>\n";
  written += 3 + chain;

  for (int s = 1; s <= segments; ++s) {
    std::string segment = segmentId('L', s);
    out << "<logicalSegment id=\"" << segment << "\"><position>" << s << ",0</position><color>lightblue</color><offset>"
        << s << ",0</offset>\n";
    for (int c = 0; c < controllersPerSegment; ++c) {
      out << "<transportController id=\"TC" << segment << c << "\"><position>" << s << ',' << c + 1
          << "</position><address>10.0." << s % 250 << '.' << c << "</address>\n";
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

class DiscardingSink : public CTM_logSink {
 public:
  bool m_write(const CTM_loggedEvent&) override { return true; }
};

// The installations, one per size, under one temporary folder; this process's own
// events are discarded.
class Plants {
 public:
  explicit Plants(const std::string& name) {
    root_ = std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()));
    setenv("XDG_STATE_HOME", (root_ / "state").c_str(), 1);
    CTM_logging::m_init("");
    CTM_logging::m_setSink(&sink_);
  }
  ~Plants() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  Plants(const Plants&) = delete;
  Plants& operator=(const Plants&) = delete;

  // Points TM_HOME at the plant of that size, writing it first; returns its node count.
  long use(long size) {
    std::filesystem::path home = m_home(size);
    if (!nodeCounts_.contains(size)) {
      std::filesystem::create_directories(home / "run/cfg");
      for (const char* file : {"tm_config_parameter.txt", "tm_system_parameter-TM32.txt"})
        std::filesystem::copy_file(std::filesystem::path(TM_SOURCE_DIR) / "examples/plant/run/cfg" / file,
                                   home / "run/cfg" / file, std::filesystem::copy_options::overwrite_existing);
      nodeCounts_[size] = writePlant(home / "run/cfg/topology.xml", size);
    }
    setenv("TM_HOME", home.c_str(), 1);
    return nodeCounts_[size];
  }
  std::filesystem::path m_home(long size) const { return root_ / std::to_string(size); }

 private:
  std::filesystem::path root_;
  DiscardingSink sink_;
  std::map<long, long> nodeCounts_;
};

}  // namespace bench_plant
