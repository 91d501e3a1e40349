// tmrun: runs one TM of the installation that TM_HOME names until SIGTERM,
// SIGINT or SIGHUP, then stops it and ends with 0.
//
//   tmrun [-m MASK] TMID
//
// MASK: seven letters Y or N, one per part of the TM (IM, OC, LPCS, the
// downstream TMs, the upstream TMs with the TM listener, the controllers with the
// TC listener, MC); all Y by default. A start that fails prints one line on
// standard error and ends with the status of its step (see Status).
#include <string>
#include <utility>
#include <vector>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "links/c_tcplistener.h"
#include "platform/c_descriptorlimit.h"
#include "platform/c_environment.h"
#include "platform/c_errortext.h"
#include "platform/c_eventlog.h"
#include "platform/c_eventstore.h"
#include "platform/c_filelock.h"
#include "platform/c_filesystem.h"
#include "platform/c_standardstreams.h"
#include "platform/c_stopsignals.h"
#include "tm/ctm_runningnodefactory.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_file_populator.h"
#include "topology/ctm_world.h"

namespace {

// The exit statuses, one per step that can refuse the start.
enum Status : int {
  stopped = 0,
  usage = 2,
  configuration = 3,
  topology = 4,
  notATm = 5,
  initFailed = 6,
  installationInUse = 7,
};

constexpr const char* usageText = "usage: tmrun [-m MASK] TMID, MASK seven letters Y or N";
constexpr std::size_t maskLength = 7;

// One line of tmrun's own. A stop signal that comes while nobody takes the
// line drops it: the TM stops all the same.
void say(c_standardStreams::c_stream stream, const std::string& line) {
  c_standardStreams::m_write(stream, "tmrun: " + line + "\n");
}

int fail(Status status, const std::string& line) {
  say(c_standardStreams::error, line);
  return status;
}

int failUsage(const std::string& reason) { return fail(usage, reason + " (" + usageText + ")"); }

struct Arguments {
  std::string tmId;
  std::string mask = std::string(maskLength, 'Y');
};

bool isMask(const std::string& mask) {
  return mask.size() == maskLength && mask.find_first_not_of("YN") == std::string::npos;
}

// Empty when the arguments are sound, else why not.
std::string parseArguments(int argc, char** argv, Arguments& arguments) {
  std::vector<std::string> operands;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (options && argument == "--") {
      options = false;
    } else if (options && argument == "-m") {
      if (++i == argc) return "the option -m needs a mask";
      arguments.mask = argv[i];
    } else if (options && argument.size() > 1 && argument[0] == '-') {
      return "unknown option " + argument;
    } else {
      operands.push_back(argument);
    }
  }
  if (!isMask(arguments.mask)) return "the mask \"" + arguments.mask + "\" is not seven letters Y or N";
  if (operands.empty()) return "no TM id given";
  if (operands.size() > 1) return "one TM id only, not also " + operands[1];
  // The id names the installation's lock file and the TM's files.
  if (operands[0].find('/') != std::string::npos) return "the TM id " + operands[0] + " holds a '/'";
  arguments.tmId = operands[0];
  return {};
}

// The first error the step logged, as the event log holds it; a pointer there
// when it logged none that this thread saw.
std::string firstError(const CTM_logging::c_errorWatch& watch) {
  if (watch.m_errors().empty()) return "see the event log";
  const CTM_loggedEvent& event = watch.m_errors().front();
  return CTM_logging::m_eventText(event.id, event.strings);
}

// Why the configuration did not start. A TM id that is not an instance of the
// installation (mistyped, or a node of another kind) has no parameter file of its
// own, which the event log reports only as a missing backup.
std::string configurationFailure(const std::string& home, const std::string& tmId,
                                 const CTM_logging::c_errorWatch& watch) {
  const auto missing = [](const std::string& path) {
    return c_fileSystem::m_kindOf(path) == c_fileSystem::c_pathKind::missing;
  };
  const std::string instanceFile = home + "/run/cfg/tm_system_parameter-" + tmId + ".txt";
  if (!missing(home + "/run/cfg/tm_config_parameter.txt") && missing(instanceFile) && missing(instanceFile + ".bak"))
    return "there is no parameter file " + instanceFile + " (nor its backup), so " + tmId +
           " is no TM of this installation";
  return firstError(watch);
}

const char* kindName(int type) {
  switch (type) {
    case CTM_node::typeLs: return "a logical segment";
    case CTM_node::typeTc: return "a transport controller";
    case CTM_node::typeTs: return "a technical segment";
    case CTM_node::typeTp: return "a tracking point";
    default: return "no TM";
  }
}

// One line on standard error when the instance's logs are not registered: its
// events then go to the machine's default log, where its own tools do not look.
void noticeUnregisteredLogs(const std::string& tmId) {
  const std::string prefix = tmId + "_";
  if (c_eventLog::m_logOfSource(prefix + "CORE") != c_eventLog::defaultLog) return;
  say(c_standardStreams::error, "the event logs of " + tmId + " are not registered, its events go to the log " +
                                    c_eventLog::defaultLog + "; register them with: fennick -c " + prefix);
}

// The kinds of records of an instance, each in the log of one of its sources.
struct RecordKind {
  const char* name;
  const char* source;
};
constexpr RecordKind recordKinds[] = {{"events", "CORE"}, {"telegrams", "TCTM"}, {"statistics", "STATISTICAL"}};
constexpr std::size_t namedInRunsLine = 2;  // events and telegrams

// The store of each kind of record, in the order of recordKinds; empty where
// the store cannot take them.
using Stores = std::vector<std::string>;

// Places, each with the kinds of records that go there, in the order they came.
using KindsByPlace = std::vector<std::pair<std::string, std::vector<std::string>>>;

void addKind(KindsByPlace& places, const std::string& place, const char* kind) {
  for (auto& [known, kinds] : places)
    if (known == place) {
      kinds.push_back(kind);
      return;
    }
  places.push_back({place, {kind}});
}

// "events", "events and telegrams", "events, telegrams and statistics".
std::string joinKinds(const std::vector<std::string>& kinds) {
  std::string text;
  for (std::size_t i = 0; i < kinds.size(); ++i)
    text += (i == 0 ? "" : i + 1 == kinds.size() ? " and " : ", ") + kinds[i];
  return text;
}

// Whether the instance's stores and trace folder take what it writes: the event
// log and the trace files drop a record that cannot be written without a word,
// so each one that cannot is said once here, with the reason. The TM runs on.
Stores checkRecordPlaces(const std::string& home, const std::string& tmId) {
  Stores stores;
  KindsByPlace failed;  // "<store>: <reason>"
  for (const RecordKind& kind : recordKinds) {
    const std::string log = c_eventLog::m_logOfSource(tmId + "_" + kind.source);
    std::string path;
    std::string reason;
    int error = 0;
    if (!c_eventLog::m_storePath(log, path)) {
      path = "the log " + log;
      reason = "it has no store, as neither XDG_STATE_HOME nor HOME names a folder";
    } else if (!c_eventStore::m_isWritable(path, error)) {
      reason = c_systemErrorText(error);
    }
    stores.push_back(reason.empty() ? path : std::string());
    if (!reason.empty()) addKind(failed, path + ": " + reason, kind.name);
  }
  for (const auto& [place, kinds] : failed)
    say(c_standardStreams::error, "the " + joinKinds(kinds) + " of " + tmId + " cannot be written to " + place);
  const std::string traceFolder = home + "/run/log/" + tmId;
  int error = 0;
  if (!c_fileSystem::m_canCreateIn(traceFolder, error))
    say(c_standardStreams::error, "the trace files of " + tmId + " cannot be made in " + traceFolder + ": " +
                                      c_systemErrorText(error));
  return stores;
}

// A listener that the mask enabled accepts from the start on.
std::string listenerText(const char* name, const c_tcpListener* listener, bool enabled, const std::string& address) {
  if (!enabled || listener == nullptr || !listener->m_isOpen()) return {};
  return std::string(name) + " listener " + (address.empty() ? "*" : address) + ":" +
         std::to_string(listener->m_getPort());
}

void printRunning(const Arguments& arguments, const CTM_runningTm& tm, const Stores& stores) {
  const std::string& tmId = arguments.tmId;
  const std::string& mask = arguments.mask;
  std::vector<std::string> listeners;
  for (const std::string& text :
       {listenerText("TC", tm.m_getTcListener(), CTM_runningTm::m_isEnabled(mask, CTM_runningTm::maskTc),
                     tm.m_getAddress()),
        listenerText("TM", tm.m_getTmListener(), CTM_runningTm::m_isEnabled(mask, CTM_runningTm::maskUstm),
                     tm.m_getAddress())})
    if (!text.empty()) listeners.push_back(text);
  std::string line = tmId + " runs";
  for (std::size_t i = 0; i < listeners.size(); ++i) line += (i == 0 ? ", " : " and ") + listeners[i];
  if (listeners.empty()) line += " with no listener";
  KindsByPlace working;
  for (std::size_t i = 0; i < namedInRunsLine; ++i)
    if (!stores[i].empty()) addKind(working, stores[i], recordKinds[i].name);
  for (std::size_t i = 0; i < working.size(); ++i)
    line += (i == 0 ? "; " : ", ") + joinKinds(working[i].second) + " in " + working[i].first;
  // Without a reader it waits, but never past a stop signal.
  say(c_standardStreams::output, line);
}

int run(const Arguments& arguments) {
  const std::string& tmId = arguments.tmId;
  // Before anything reads it: a relative one would put the trace files below the
  // working directory but the events elsewhere, as a store's path must be absolute.
  if (!c_makeVariableAbsolute("TM_HOME"))
    return fail(configuration, "the configuration cannot start: TM_HOME is relative and the working directory "
                               "cannot be read");
  std::string home;
  if (!c_getEnvironment("TM_HOME", home))
    return fail(configuration, "the configuration cannot start: TM_HOME is not set");

  // Before anything of the installation is touched: two TMs of one id never share
  // its trace files, event logs and parameter file.
  c_fileLock lock;
  const std::string lockPath = home + "/run/tmrun-" + tmId + ".lock";
  std::string holder;
  int error = 0;
  switch (lock.m_take(lockPath, holder, error)) {
    case c_fileLock::c_result::taken: break;
    case c_fileLock::c_result::held:
      return fail(installationInUse, tmId + " runs already on this installation (" + lockPath + " is held" +
                                         (holder.empty() ? std::string() : " by process " + holder) + ")");
    case c_fileLock::c_result::failed:
      if (c_fileSystem::m_kindOf(home + "/run") != c_fileSystem::c_pathKind::directory)
        return fail(configuration, "the configuration cannot start: TM_HOME " + home +
                                       " holds no installation (no folder " + home + "/run)");
      return fail(configuration,
                  "the configuration cannot start: " + lockPath + " cannot be locked: " + c_systemErrorText(error));
  }

  CTM_logging::c_errorWatch configurationErrors;
  CTM_logging::m_init(tmId);
  if (!CTM_config::m_init(tmId))
    return fail(configuration, "the configuration of " + tmId +
                                   " cannot start: " + configurationFailure(home, tmId, configurationErrors));
  CTM_logging::m_registerThread("UTIL", "");

  CTM_logging::c_errorWatch topologyErrors;
  CTM_world world;
  CTM_runningNodeFactory factory;
  CTM_file_populator populator(factory);
  if (!populator.m_init() || !world.m_populate(populator))
    return fail(topology, "the topology is refused: " + firstError(topologyErrors));
  CTM_node* node = world.m_findNode(tmId);
  if (node == nullptr) return fail(notATm, tmId + " is no node of the topology " + populator.m_getFileName());
  auto* tm = dynamic_cast<CTM_runningTm*>(node);
  if (tm == nullptr)
    return fail(notATm, tmId + " is " + kindName(node->m_getType()) + ", not a TM, in the topology " +
                            populator.m_getFileName());

  noticeUnregisteredLogs(tmId);
  const Stores stores = checkRecordPlaces(home, tmId);
  CTM_logging::c_errorWatch initErrors;
  if (!world.m_initTm(tmId, arguments.mask)) {
    std::string failure = tm->m_getInitFailure();
    if (failure.empty()) failure = firstError(initErrors);
    // What did start goes again: a TM never runs with only some of its parts.
    world.m_stopTm(tmId);
    return fail(initFailed, tmId + " cannot start: " + failure);
  }
  printRunning(arguments, *tm, stores);
  c_stopSignals::m_wait();
  world.m_stopTm(tmId);
  CTM_logging::m_unregisterThread();
  return stopped;
}

}  // namespace

int main(int argc, char** argv) {
  // Before anything is opened, so that no file takes the number of a closed stream.
  if (!c_standardStreams::m_secure()) return fail(initFailed, "the standard streams cannot be secured");
  // Before any thread starts, so that only the wait below takes the stop signals.
  if (!c_stopSignals::m_block()) return fail(initFailed, "SIGTERM, SIGINT and SIGHUP cannot be blocked");
  // A TM holds a descriptor for each of its links and listeners and for the files it writes.
  c_descriptorLimit::m_raise();
  Arguments arguments;
  const std::string refusal = parseArguments(argc, argv, arguments);
  if (!refusal.empty()) return failUsage(refusal);
  return run(arguments);
}
