// kelvane: reads the configuration and the topology of TM32 and writes its views
// into the working directory. Command-line arguments are ignored.
#include <cstdio>
#include <string>
#include <vector>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "platform/c_errortext.h"
#include "topology/c_filesink.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_nodefactory.h"
#include "topology/ctm_world.h"

namespace {

constexpr int failureStatus = -1;

bool inputErrorReported = false;

// The notice for a topology that could not be read or viewed; once per run.
void reportInputError() {
  if (inputErrorReported) return;
  std::fputs("An error has occurred while processing the input file.\n", stderr);
  std::fputs("See the event log for further details.\n\n", stderr);
  std::fflush(stderr);
  inputErrorReported = true;
}

// The errors that the event log could not take. The notice sends the user to the
// event log, so a run that printed it (or failed) names them on standard error.
class c_unloggedErrors : public CTM_logSink {
 public:
  bool m_write(const CTM_loggedEvent& event) override {
    constexpr int errorType = 1;
    if (event.type == errorType) lines_.push_back(CTM_logging::m_eventText(event.id, event.strings));
    return true;
  }

  void m_print() {
    for (const std::string& line : lines_) std::fprintf(stderr, "Not written to the event log: %s\n", line.c_str());
    std::fflush(stderr);
    lines_.clear();
  }

 private:
  std::vector<std::string> lines_;
};

// Replaces the file with the view, written as it is made. A view that turns out
// empty is not written (its event is logged): the notice stands for it and an older
// file stays. A file that cannot be written is named with the reason on standard
// error and in the event log, and an older file stays.
template <typename Render>
bool writeView(const std::string& fileName, Render render) {
  c_fileSink file(fileName);
  if (!render(file)) {
    file.m_abandon();
    reportInputError();
    return true;
  }
  if (file.m_commit()) return true;
  const std::string reason = c_systemErrorText(file.m_getError());
  std::fprintf(stderr, "The view file %s cannot be written: %s\n", fileName.c_str(), reason.c_str());
  std::fflush(stderr);
  CTM_logging::m_log(1, ev::TOPO_VIEW_FILE_FAILED, "ss", fileName, reason);
  return false;
}

// Reads the topology and writes the three views, in this order. The model is
// never taken apart: a large plant is millions of small allocations, whose freeing
// one by one costs a tenth of a second that the end of the process saves. It stays
// reachable from here, so that a leak check finds nothing amiss.
CTM_world* keptWorld = nullptr;

int writeViews() {
  keptWorld = new CTM_world;
  CTM_world& world = *keptWorld;
  CTM_plainNodeFactory factory;
  CTM_file_populator populator(factory);
  if (!populator.m_init() || !world.m_populate(populator)) {
    reportInputError();
    return failureStatus;
  }
  bool written = writeView("tm_topology.txt", [&](c_textSink& text) { return world.m_writeTopology(text); });
  written = writeView("tm_physical.gdl", [&](c_textSink& text) { return world.m_writePhysicalViewGdl(text); }) &&
            written;
  written =
      writeView("tm_brindle.gdl", [&](c_textSink& text) { return world.m_writeBrindleViewGdl(text); }) && written;
  return written ? 0 : failureStatus;
}

int run() {
  const std::string tmName = "TM32";
  // The views are written under the bare category names, so logging has no TM name.
  CTM_logging::m_init("");
  if (!CTM_config::m_init(tmName)) {
    std::fputs("Error : Configuration\n", stderr);
    std::fflush(stderr);
    return failureStatus;
  }
  CTM_logging::m_registerThread("UTIL", "");
  return writeViews();
}

}  // namespace

int main() {
  c_unloggedErrors unlogged;
  CTM_logging::m_setFallback(&unlogged);
  const int status = run();
  if (status != 0 || inputErrorReported) unlogged.m_print();
  CTM_logging::m_setFallback(nullptr);
  return status;
}
