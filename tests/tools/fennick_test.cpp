// fennick as a program: the registry entries it writes and deletes, its failure
// lines and its usage lines, on a temporary registry.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/c_eventlog.h"
#include "platform/c_registry.h"
#include "tests/support/c_childprocess.h"
#include "tests/support/c_temphome.h"

namespace {

const std::string fennick = std::string(TM_BIN_DIR) + "/fennick";
const std::string root = c_eventLog::registryRoot;

const std::string usageLines =
    "Use fennick [-c TM|-d TM] (create TM / delete TM) from registry.\n"
    "    fennick (create from TM31_ to TM45_).\n";

const std::vector<std::string> baseSources = {"CORE", "LHDSTM", "LHIM", "LHLPCS", "LHMC", "LHOC",
                                              "LHTC", "LHUSTM", "LSTC", "LSUSTM", "UTIL"};
const std::vector<std::string> telegramSources = {"BCIM", "IMBC", "CS", "SC", "DU", "UD", "MO",
                                                  "OM", "MT", "TM", "TCTM", "TMTC", "UNK"};

std::string repeated(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += line;
  return text;
}

class Fennick : public ::testing::Test {
 protected:
  // The number of log keys and, summed over them, of their source keys.
  static void expectKeyCounts(std::size_t logs, std::size_t sources) {
    std::vector<std::string> logNames;
    c_registry::m_subKeys(root, logNames);
    EXPECT_EQ(logNames.size(), logs);
    std::size_t found = 0;
    for (const std::string& log : logNames) {
      std::vector<std::string> sourceNames;
      EXPECT_TRUE(c_registry::m_subKeys(root + "\\" + log, sourceNames));
      found += sourceNames.size();
    }
    EXPECT_EQ(found, sources);
  }
  std::vector<std::pair<std::string, c_registryValue>> valuesOf(const std::string& key) const {
    std::vector<std::pair<std::string, c_registryValue>> values;
    EXPECT_TRUE(c_registry::m_values(root + "\\" + key, values)) << key;
    return values;
  }
  // Every source of one instance with its values, as the logging and the event
  // log read them.
  void expectInstance(const std::string& prefix) const {
    const auto messageFile = c_registryValue::m_expandString("%TM_HOME%\\run\\bin\\logging.dll");
    const struct {
      std::string log;
      const std::vector<std::string>& sources;
      bool categories;
    } logs[] = {{"TMBase", baseSources, true},
                {"TMTele", telegramSources, false},
                {"TMStatistical", {"STATISTICAL"}, false}};
    for (const auto& entry : logs) {
      const std::string log = prefix + entry.log;
      EXPECT_EQ(valuesOf(log), (std::vector<std::pair<std::string, c_registryValue>>{
                                   {"File", c_registryValue::m_expandString("%TM_HOME%\\run\\log\\" + log + ".Evt")},
                                   {"MaxSize", c_registryValue::m_dword(0x20000000)},
                                   {"Retention", c_registryValue::m_dword(0)}}));
      std::vector<std::string> registered;
      ASSERT_TRUE(c_registry::m_subKeys(root + "\\" + log, registered));
      EXPECT_EQ(registered.size(), entry.sources.size()) << log;
      for (const std::string& source : entry.sources) {
        auto expected = std::vector<std::pair<std::string, c_registryValue>>{{"EventMessageFile", messageFile}};
        if (entry.categories) {
          expected.emplace_back("CategoryMessageFile", messageFile);
          expected.emplace_back("CategoryCount", c_registryValue::m_dword(2));
        }
        EXPECT_EQ(valuesOf(log + "\\" + prefix + source), expected) << prefix << source;
      }
    }
  }

  c_tempHome home_;
};

TEST_F(Fennick, WithoutArgumentsRegistersTheUnprefixedSetAndTm31ToTm45AndAgainTheSame) {
  for (int run = 0; run < 2; ++run) {
    const c_childResult result = c_runChild(fennick, {});
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.exitStatus, 0);
    expectKeyCounts(48, 400);
    expectInstance("");
    expectInstance("TM31_");
    expectInstance("TM45_");
  }
  EXPECT_FALSE(c_registry::m_keyExists(root + "\\TM30_TMBase"));
  EXPECT_FALSE(c_registry::m_keyExists(root + "\\TM46_TMBase"));
}

TEST_F(Fennick, CreateOneInstanceTakesTheNameAsItsPrefix) {
  const c_childResult result = c_runChild(fennick, {"-c", "TM32_"});
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.exitStatus, 0);
  expectKeyCounts(3, 25);
  expectInstance("TM32_");
  // The event log places a registered source in its log and its store below TM_HOME.
  EXPECT_EQ(c_eventLog::m_logOfSource("TM32_LHTC"), "TM32_TMBase");
  EXPECT_EQ(c_eventLog::m_logOfSource("TM32_TCTM"), "TM32_TMTele");
  std::string path;
  ASSERT_TRUE(c_eventLog::m_storePath("TM32_TMStatistical", path));
  EXPECT_EQ(path, home_.m_pathOf("run/log/TM32_TMStatistical.Evt"));
  EXPECT_EQ(c_eventLog::m_maxSize("TM32_TMBase"), 0x20000000u);
}

TEST_F(Fennick, DeleteOnAnEmptyRegistryReportsEachSourceAndLeavesNothing) {
  const c_childResult result = c_runChild(fennick, {"-d", "TM32_"});
  EXPECT_EQ(result.out, repeated("Could not delete key.\n", 25));
  EXPECT_EQ(result.exitStatus, 1);
  expectKeyCounts(0, 0);
}

TEST_F(Fennick, DeleteRemovesOnlyThatInstance) {
  ASSERT_EQ(c_runChild(fennick, {}).exitStatus, 0);
  const c_childResult result = c_runChild(fennick, {"-d", "TM32_"});
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.exitStatus, 0);
  expectKeyCounts(45, 375);
  EXPECT_FALSE(c_registry::m_keyExists(root + "\\TM32_TMTele"));
  expectInstance("TM33_");
}

TEST_F(Fennick, KeysThatCannotBeMadeAreReportedOnePerLogAndSource) {
  // A plain file where the registry's folder belongs: no key can be created.
  home_.m_writeFile("state/tm/registry", "");
  const c_childResult created = c_runChild(fennick, {"-c", "TM32_"});
  EXPECT_EQ(created.out, repeated("Could not create the registry key.\n", 28));
  EXPECT_EQ(created.exitStatus, 1);
  const c_childResult deleted = c_runChild(fennick, {"-d", "TM32_"});
  EXPECT_EQ(deleted.out, repeated("Could not create the registry key.\n", 28));
  EXPECT_EQ(deleted.exitStatus, 1);
}

TEST_F(Fennick, ValuesThatCannotBeWrittenAreReportedEachWithItsLine) {
  // A folder where a key's value file belongs makes every value write of that key fail.
  const std::filesystem::path registry = home_.m_pathOf("state/tm/registry/SYSTEM/CurrentControlSet/Services/EventLog");
  std::filesystem::create_directories(registry / "TM32_TMBase/.values");
  std::filesystem::create_directories(registry / "TM32_TMBase/TM32_LHTC/.values");
  std::filesystem::create_directories(registry / "TM32_TMTele/TM32_UNK/.values");
  const c_childResult result = c_runChild(fennick, {"-c", "TM32_"});
  EXPECT_EQ(result.out,
            "Could not set the event message file.\n"
            "Could not set the retention.\n"
            "Could not set the retention.\n"
            "Could not set the event message file.\n"
            "Could not set the event message file.\n"
            "Could not set the category count.\n"
            "Could not set the event message file.\n");
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(valuesOf("TM32_TMBase\\TM32_LHUSTM").size(), 3u);
}

class FennickUsage : public ::testing::TestWithParam<std::vector<std::string>> {
 protected:
  c_tempHome home_;
};

TEST_P(FennickUsage, PrintsTheUsageLinesAndChangesNothing) {
  const c_childResult result = c_runChild(fennick, GetParam());
  EXPECT_EQ(result.out, usageLines);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_FALSE(std::filesystem::exists(home_.m_pathOf("state/tm/registry")));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, FennickUsage,
    ::testing::Values(std::vector<std::string>{"-c"}, std::vector<std::string>{"-d"},
                      std::vector<std::string>{"-c", ""}, std::vector<std::string>{"-x", "TM32_"},
                      std::vector<std::string>{"TM32_"}, std::vector<std::string>{"-c", "TM32_", "TM33_"},
                      std::vector<std::string>{"-C", "TM32_"},
                      // The name becomes part of key paths: it must stay one key name.
                      std::vector<std::string>{"-c", "TM/32_"}, std::vector<std::string>{"-c", "TM\\32_"},
                      std::vector<std::string>{"-d", "..\\TM32_"}, std::vector<std::string>{"-c", "."},
                      std::vector<std::string>{"-d", ".."}));

}  // namespace
