// kelvane as a program: its start-up on a temporary installation, checked by its
// standard output, standard error, exit status and the files it leaves.
#include <filesystem>

#include "tests/system/kelvane_fixture.h"

namespace {

class KelvaneStartupTest : public KelvaneFixture {};

}  // namespace

TEST_F(KelvaneStartupTest, MissingConfigurationPrintsOnlyTheConfigurationError) {
  c_childResult run = m_run();
  EXPECT_EQ(run.err, "Error : Configuration\n");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.exitStatus, 255);
  EXPECT_TRUE(m_filesBelow(workDir_).empty());
  EXPECT_TRUE(m_filesBelow(home_.m_pathOf("run/cfg")).empty());
}

// The configuration starts first, so an installation that cannot be found is a
// configuration error even where a topology would be there to read.
TEST_F(KelvaneStartupTest, UnsetOrEmptyHomeIsAConfigurationError) {
  m_installSampleConfiguration();
  m_installTopology(m_smallPlant("topology.xml"));
  for (std::optional<std::string> value : {std::optional<std::string>(), std::optional<std::string>("")}) {
    c_childResult run = m_run({}, {{"TM_HOME", value}});
    EXPECT_EQ(run.err, "Error : Configuration\n");
    EXPECT_EQ(run.exitStatus, 255);
  }
  EXPECT_TRUE(m_filesBelow(workDir_).empty());
}

TEST_F(KelvaneStartupTest, ConfigurationOfTM32IsReadAndItsBackupRestored) {
  m_installSampleConfiguration();
  m_installTopology(m_smallPlant("topology.xml"));
  std::filesystem::rename(home_.m_pathOf("run/cfg/tm_system_parameter-TM32.txt"),
                          home_.m_pathOf("run/cfg/tm_system_parameter-TM32.txt.bak"));
  c_childResult run = m_run();
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_TRUE(home_.m_exists("run/cfg/tm_system_parameter-TM32.txt"));
  EXPECT_EQ(m_filesBelow(workDir_), (std::vector<std::string>{"tm_brindle.gdl", "tm_physical.gdl", "tm_topology.txt"}));
}

TEST_F(KelvaneStartupTest, MissingTopologyFileEndsAfterTheConfigurationWithTheNotice) {
  m_installSampleConfiguration();
  c_childResult run = m_run();
  EXPECT_EQ(run.err, inputErrorNotice);
  EXPECT_EQ(run.exitStatus, 255);
  EXPECT_TRUE(m_filesBelow(workDir_).empty());
}

// The notice sends the user to the event log; when that cannot be written (here
// its state folder is a file), the errors it was given go to standard error.
TEST_F(KelvaneStartupTest, WithTheEventLogUnwritableTheReasonGoesToStandardError) {
  home_.m_writeFile("not-a-folder", "");
  const c_environment unwritableLog = {{"XDG_STATE_HOME", home_.m_pathOf("not-a-folder")}};
  c_childResult configuration = m_run({}, unwritableLog);
  EXPECT_EQ(configuration.err, "Error : Configuration\n"
                               "Not written to the event log: Config parameter file missing: " +
                                   home_.m_pathOf(c_tempHome::configFileName) + "\n"
                               "Not written to the event log: System parameter file missing: " +
                                   home_.m_pathOf("run/cfg/tm_system_parameter-TM32.txt.bak") + "\n");
  EXPECT_EQ(configuration.exitStatus, 255);

  m_installSampleConfiguration();
  m_installTopology("<topology><transportManager id=\"TM\"><tp id=\"P\"><address/></tp></transportManager></topology>");
  c_childResult topology = m_run({}, unwritableLog);
  EXPECT_EQ(topology.err, inputErrorNotice + "Not written to the event log: Topology file " +
                              home_.m_pathOf("run/cfg/topology.xml") +
                              " refused: misplaced <address> tag.\n");
  EXPECT_EQ(topology.exitStatus, 255);
}
