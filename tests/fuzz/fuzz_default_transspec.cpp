// Any bytes as a file of default transport specifications: every data line is parsed
// for the segment its own third column names (so that most lines are taken) and
// for a fixed one. A taken line belongs to its segment, stays within the format's
// limits and gives destinations that are single words.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/ctm_logging.h"
#include "platform/c_linereader.h"
#include "tracking/ctm_default_transspec.h"
#include "tracking/ctm_transspec.h"

namespace {

class DiscardingSink : public CTM_logSink {
 public:
  bool m_write(const CTM_loggedEvent&) override { return true; }
};

std::string thirdColumnOf(std::string_view line) {
  std::size_t first = line.find('\t');
  if (first == std::string_view::npos) return {};
  std::size_t second = line.find('\t', first + 1);
  if (second == std::string_view::npos) return {};
  std::size_t end = line.find('\t', second + 1);
  return std::string(line.substr(second + 1, end == std::string_view::npos ? end : end - second - 1));
}

void check(const std::string& line, const std::string& segment, int number) {
  CTM_transSpec spec;
  if (!CTM_default_transSpec().parseTransSpecLine(line, segment, number, spec)) return;
  if (segment.empty() || spec.m_getKey() != segment) std::abort();
  if (line.size() > CTM_default_transSpec::maximumLineLength) std::abort();
  if (spec.m_getTransportSpecID().size() > CTM_default_transSpec::maximumColumnLength) std::abort();
  for (const std::string& destination : spec.m_getDestinations())
    if (destination.empty() || destination.find(' ') != std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static DiscardingSink sink;
  static bool ready = [] {
    CTM_logging::m_init("");
    CTM_logging::m_setSink(&sink);
    return true;
  }();
  (void)ready;
  c_lineReader reader;
  reader.m_openText(std::string(reinterpret_cast<const char*>(data), size));
  std::string line;
  for (int number = 1; reader.m_readLine(line); ++number) {
    if (number <= 2) continue;
    check(line, thirdColumnOf(line), number);
    check(line, "E3201", number);
  }
  return 0;
}
