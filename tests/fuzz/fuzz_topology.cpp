// Any bytes as an installation's topology file, read into a fresh model, which is
// then viewed as kelvane views it: whatever nesting a file makes, the views must
// cope. A grammar named "topology.dtd" lies beside it, so that validated documents
// are reached too.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/ctm_logging.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_nodefactory.h"
#include "topology/ctm_world.h"

namespace {

class DiscardingSink : public CTM_logSink {
 public:
  bool m_write(const CTM_loggedEvent&) override { return true; }
};

const char* const grammar = R"(<!ELEMENT topology (transportManager+)>
<!ELEMENT transportManager (desc|address|position|edge|logicalSegment)*>
<!ELEMENT logicalSegment (desc|position|offset|color|edge|transportController)*>
<!ELEMENT transportController (desc|address|position|edge|ts)*>
<!ELEMENT ts (desc|position|edge|tp)*>
<!ELEMENT tp (desc|position|edge)*>
<!ATTLIST transportManager id CDATA #REQUIRED>
<!ATTLIST logicalSegment id CDATA #REQUIRED>
<!ATTLIST transportController id CDATA #REQUIRED>
<!ATTLIST ts id CDATA #REQUIRED>
<!ATTLIST tp id CDATA #REQUIRED>
<!ELEMENT edge EMPTY>
<!ATTLIST edge target CDATA #REQUIRED weight CDATA #IMPLIED>
<!ELEMENT desc (#PCDATA)>
<!ELEMENT address (#PCDATA)>
<!ELEMENT position (#PCDATA)>
<!ELEMENT offset (#PCDATA)>
<!ELEMENT color (#PCDATA)>
)";

struct Installation {
  Installation() {
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzz_topology_XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    home = pattern;
    std::filesystem::create_directories(home / "run/cfg");
    std::ofstream(home / "run/cfg/topology.dtd") << grammar;
    setenv("TM_HOME", home.c_str(), 1);
    setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
    CTM_logging::m_init("");
    CTM_logging::m_setSink(&sink);
    std::ofstream(home / "run/cfg/topology.xml").put('\n');
    if (!populator.m_init()) std::abort();
  }
  ~Installation() {
    CTM_logging::m_setSink(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
  }

  std::filesystem::path home;
  DiscardingSink sink;
  CTM_plainNodeFactory factory;
  CTM_file_populator populator{factory};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Installation installation;
  std::ofstream(installation.home / "run/cfg/topology.xml", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  CTM_world world;
  world.m_populate(installation.populator);
  world.m_dumpTopology();
  world.m_physicalViewGdl();
  world.m_brindleViewGdl();
  world.m_logicalViewGdl();
  return 0;
}
