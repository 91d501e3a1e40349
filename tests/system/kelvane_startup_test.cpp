// kelvane as a program: its start-up on a temporary installation, checked by its
// standard output, standard error, exit status and the files it leaves.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/c_childprocess.h"
#include "tests/support/c_temphome.h"

namespace {

const std::string kelvane = std::string(TM_BIN_DIR) + "/kelvane";
const std::string inputErrorNotice =
    "An error has occurred while processing the input file.\nSee the event log for further details.\n\n";

class KelvaneStartupTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(workDir_); }

  c_childResult m_run(const std::vector<std::string>& arguments = {},
                      std::vector<std::pair<std::string, std::optional<std::string>>> environment = {}) {
    return c_runChild(kelvane, arguments, {.workDir = workDir_, .environment = std::move(environment)});
  }
  // Every file below a folder, as paths relative to it.
  static std::vector<std::string> m_filesBelow(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
      if (!entry.is_directory()) files.push_back(std::filesystem::relative(entry.path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
  }
  void m_installSampleConfiguration() {
    for (const char* file : {c_tempHome::configFileName, "run/cfg/tm_system_parameter-TM32.txt"})
      std::filesystem::copy_file(std::string(TM_SOURCE_DIR) + "/examples/plant/" + file, home_.m_pathOf(file));
  }

  c_tempHome home_;
  std::string workDir_ = home_.m_pathOf("work");
};

TEST_F(KelvaneStartupTest, MissingConfigurationPrintsOnlyTheConfigurationError) {
  c_childResult run = m_run();
  EXPECT_EQ(run.err, "Error : Configuration\n");
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.exitStatus, 255);
  EXPECT_TRUE(m_filesBelow(workDir_).empty());
  EXPECT_TRUE(m_filesBelow(home_.m_pathOf("run/cfg")).empty());
}

TEST_F(KelvaneStartupTest, UnsetOrEmptyHomeIsAConfigurationError) {
  m_installSampleConfiguration();
  for (std::optional<std::string> value : {std::optional<std::string>(), std::optional<std::string>("")}) {
    c_childResult run = m_run({}, {{"TM_HOME", value}});
    EXPECT_EQ(run.err, "Error : Configuration\n");
    EXPECT_EQ(run.exitStatus, 255);
  }
  EXPECT_TRUE(m_filesBelow(workDir_).empty());
}

TEST_F(KelvaneStartupTest, ConfigurationOfTM32IsReadAndItsBackupRestored) {
  m_installSampleConfiguration();
  std::filesystem::rename(home_.m_pathOf("run/cfg/tm_system_parameter-TM32.txt"),
                          home_.m_pathOf("run/cfg/tm_system_parameter-TM32.txt.bak"));
  c_childResult run = m_run({"ignored", "--arguments"});
  EXPECT_EQ(run.err, inputErrorNotice);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.exitStatus, 255);
  EXPECT_TRUE(home_.m_exists("run/cfg/tm_system_parameter-TM32.txt"));
  EXPECT_TRUE(m_filesBelow(workDir_).empty());
}

}  // namespace
