// ostrel: lists, filters and follows the events of one event log of a TM
// instance (see the usage text). The texts of event ids and categories come from
// logging.dll beside this program, else from $TM_HOME/run/bin.
// Exit status: 0 when the log was listed, 1 when it could not be read or the
// listing could not be written, 2 after the usage text.
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/c_environment.h"
#include "platform/c_eventlogreader.h"
#include "platform/c_messagecatalogue.h"
#include "tools/ostrel/ctm_eventlister.h"
#include "tools/ostrel/ctm_listeroptions.h"

namespace {

// A missing message file is no error: the texts then show their no-text forms.
void loadMessageFile(c_messageCatalogue& catalogue) {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error && catalogue.m_load((self.parent_path() / "logging.dll").string())) return;
  std::string home;
  if (c_getEnvironment("TM_HOME", home) && !home.empty()) catalogue.m_load(home + "/run/bin/logging.dll");
}

// A store that exists but cannot be read is named with the reason, so that an
// empty listing is never mistaken for an empty log.
void reportUnreadable(const std::string& logName, const c_eventLogReader& reader) {
  if (reader.m_failure().empty()) return;
  std::fflush(stdout);
  std::fprintf(stderr, "ostrel: the event log %s cannot be read: %s\n", logName.c_str(), reader.m_failure().c_str());
}

}  // namespace

int main(int argc, char** argv) {
  CTM_listerOptions options;
  if (!CTM_parseListerOptions(argc - 1, argv + 1, options, stdout)) {
    CTM_printListerUsage(stdout, argv[0]);
    return 2;
  }
  c_messageCatalogue catalogue;
  loadMessageFile(catalogue);

  c_eventLogReader reader;
  CTM_eventLister lister(options, catalogue, stdout);
  if (!reader.m_openLog(options.logName) || !lister.m_position(reader)) {
    std::printf("ERROR: Could not open the Application event log %s.\n", options.logName.c_str());
    reportUnreadable(options.logName, reader);
    return 1;
  }
  if (lister.m_list(reader)) return 0;
  reportUnreadable(options.logName, reader);
  return 1;
}
