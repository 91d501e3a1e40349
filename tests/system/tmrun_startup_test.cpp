// tmrun as a program: each start that cannot go on ends with its own status and
// one line on standard error naming the cause, and leaves the parameter files
// as they were.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/c_filelock.h"
#include "platform/c_socket.h"
#include "tests/support/c_childprocess.h"
#include "tests/support/c_temphome.h"
#include "tests/support/ctm_runningplant.h"

namespace {

const std::string usageText = " (usage: tmrun [-m MASK] TMID, MASK seven letters Y or N)";

// What a case sets up on the installation and what it holds while tmrun starts.
struct StartContext {
  c_tempHome home;
  c_runningPlant plant{home, 1};
  c_socket listening;
  c_fileLock lock;
  c_environmentChanges environment = c_localNamesEnvironment();

  std::string topologyPath() const { return home.m_pathOf("run/cfg/topology.xml"); }
  // Every file of the configuration folder with its content.
  std::map<std::string, std::string> configurationFiles() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(home.m_pathOf("run/cfg")))
      files[entry.path().filename()] = home.m_readFile("run/cfg/" + entry.path().filename().string()).value_or("");
    return files;
  }
  std::string unregisteredNotice(const std::string& tmId) const {
    return "tmrun: the event logs of " + tmId + " are not registered, its events go to the log Application; " +
           "register them with: fennick -c " + tmId + "_\n";
  }
};

struct StartCase {
  const char* name;
  std::vector<std::string> arguments;
  int status;
  // Prepares the installation; the standard error expected.
  std::function<std::string(StartContext&)> prepare;
};

const StartCase startCases[] = {
    {"unknown option", {"-x", "TM32"}, 2,
     [](StartContext&) { return "tmrun: unknown option -x" + usageText + "\n"; }},
    {"mask too short", {"-m", "YYYYYY", "TM32"}, 2,
     [](StartContext&) { return "tmrun: the mask \"YYYYYY\" is not seven letters Y or N" + usageText + "\n"; }},
    {"mask of other letters", {"-m", "YYYYYYy", "TM32"}, 2,
     [](StartContext&) { return "tmrun: the mask \"YYYYYYy\" is not seven letters Y or N" + usageText + "\n"; }},
    {"TM_HOME unset", {"TM32"}, 3,
     [](StartContext& context) {
       context.environment.emplace_back("TM_HOME", std::nullopt);
       return std::string("tmrun: the configuration cannot start: TM_HOME is not set\n");
     }},
    {"TM_HOME an empty folder", {"TM32"}, 3,
     [](StartContext& context) {
       const std::string empty = context.home.m_pathOf("empty");
       context.home.m_writeFile("empty/.keep", "");
       context.environment.emplace_back("TM_HOME", empty);
       return "tmrun: the configuration cannot start: TM_HOME " + empty + " holds no installation (no folder " +
              empty + "/run)\n";
     }},
    {"TM id without parameter file", {"TM33"}, 3,
     [](StartContext& context) {
       return "tmrun: the configuration of TM33 cannot start: there is no parameter file " +
              context.home.m_pathOf(c_tempHome::m_systemFileName("TM33")) + " (nor its backup), so TM33 is no TM " +
              "of this installation\n";
     }},
    {"topology that does not parse", {"TM32"}, 4,
     [](StartContext& context) {
       context.home.m_writeFile("run/cfg/topology.xml", "<topology>\n  <transportManager id=\"TM32\">\n</topology>\n");
       return "tmrun: the topology is refused: Topology file " + context.topologyPath() +
              ", line 3, column 3: expected end of tag 'transportManager'\n";
     }},
    {"TM id a logical segment", {"E3201"}, 5,
     [](StartContext& context) {
       context.home.m_writeSystem("E3201", {});
       return "tmrun: E3201 is a logical segment, not a TM, in the topology " + context.topologyPath() + "\n";
     }},
    {"TC port taken", {"-m", "NNNNNYN", "TM32"}, 6,
     [](StartContext& context) {
       std::uint32_t loopback = 0;
       c_socketFailure failure;
       c_parseDottedAddress(c_runningPlant::tmAddress, loopback);
       EXPECT_TRUE(c_socket::m_listen(loopback, context.plant.m_tcPort(), 1, context.listening, failure));
       return context.unregisteredNotice("TM32") + "tmrun: TM32 cannot start: the TC listener cannot bind " +
              c_runningPlant::tmAddress + ":" + std::to_string(context.plant.m_tcPort()) +
              ": Address already in use\n";
     }},
    {"TM address that does not resolve", {"-m", "NNNNNYN", "TM32"}, 6,
     [](StartContext& context) {
       std::string xml = context.home.m_readFile("run/cfg/topology.xml").value_or("");
       const std::string address = std::string("<address>") + c_runningPlant::tmAddress + "</address>";
       xml.replace(xml.find(address), address.size(), "<address>tm32.invalid</address>");
       context.home.m_writeFile("run/cfg/topology.xml", xml);
       return context.unregisteredNotice("TM32") + "tmrun: TM32 cannot start: the TC listener cannot bind " +
              "tm32.invalid:" + std::to_string(context.plant.m_tcPort()) + ": the name does not resolve\n";
     }},
    {"second tmrun of the TM", {"TM32"}, 7,
     [](StartContext& context) {
       const std::string lockPath = context.home.m_pathOf("run/tmrun-TM32.lock");
       std::string holder;
       int error = 0;
       EXPECT_EQ(context.lock.m_take(lockPath, holder, error), c_fileLock::c_result::taken);
       // A start of the configuration would put the backup in its place.
       const std::string system = context.home.m_pathOf(c_tempHome::m_systemFileName("TM32"));
       std::filesystem::rename(system, system + ".bak");
       return "tmrun: TM32 runs already on this installation (" + lockPath + " is held by process " +
              std::to_string(::getpid()) + ")\n";
     }},
};

TEST(TmrunStartup, EachRefusedStartNamesItsCauseWithItsOwnStatus) {
  for (const StartCase& start : startCases) {
    SCOPED_TRACE(start.name);
    StartContext context;
    context.plant.m_writeInstallation();
    const std::string expected = start.prepare(context);
    const auto configuration = context.configurationFiles();
    // The sanitizers' summaries are no part of what tmrun prints.
    context.environment.emplace_back("LSAN_OPTIONS", "print_suppressions=0");
    const c_childResult run =
        c_runChild(std::string(TM_BIN_DIR) + "/tmrun", start.arguments,
                   {.workDir = {}, .environment = context.environment});
    EXPECT_EQ(run.exitStatus, start.status);
    EXPECT_EQ(run.err, expected);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(context.configurationFiles(), configuration);
  }
}

}  // namespace
