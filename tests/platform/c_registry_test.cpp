#include "platform/c_registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "tests/support/c_temphome.h"

namespace {

const std::string logKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\TM32_TMBase";

class CRegistry : public ::testing::Test {
 protected:
  c_tempHome home_;
};

TEST_F(CRegistry, CreatingAKeyMakesItsParentsAndOpensAnExistingOne) {
  EXPECT_FALSE(c_registry::m_keyExists(logKey));
  ASSERT_TRUE(c_registry::m_createKey(logKey + "\\TM32_CORE"));
  EXPECT_TRUE(c_registry::m_keyExists(logKey));
  EXPECT_TRUE(c_registry::m_createKey(logKey));
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(home_.m_pathOf("state/tm")) / "registry/SYSTEM/CurrentControlSet/Services/EventLog/TM32_TMBase/TM32_CORE"));
}

TEST_F(CRegistry, KeyAndValueNamesCompareWithoutCase) {
  ASSERT_TRUE(c_registry::m_createKey(logKey));
  EXPECT_TRUE(c_registry::m_keyExists("system\\currentcontrolset\\SERVICES\\eventlog\\tm32_tmbase"));
  ASSERT_TRUE(c_registry::m_createKey("SYSTEM\\CURRENTCONTROLSET\\Services\\EventLog\\TM32_TMBASE\\Core"));
  std::vector<std::string> children;
  ASSERT_TRUE(c_registry::m_subKeys(logKey, children));
  EXPECT_EQ(children, std::vector<std::string>{"Core"});

  ASSERT_TRUE(c_registry::m_setValue(logKey, "MaxSize", c_registryValue::m_dword(10)));
  ASSERT_TRUE(c_registry::m_setValue(logKey, "MAXSIZE", c_registryValue::m_dword(20)));
  std::vector<std::pair<std::string, c_registryValue>> values;
  ASSERT_TRUE(c_registry::m_values(logKey, values));
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].first, "MaxSize");
  EXPECT_EQ(values[0].second, c_registryValue::m_dword(20));
}

TEST_F(CRegistry, EveryValueTypeReadsBackAsWritten) {
  ASSERT_TRUE(c_registry::m_createKey(logKey));
  const std::vector<std::pair<std::string, c_registryValue>> written = {
      {"File", c_registryValue::m_expandString("%TM_HOME%\\run\\log\\TM32_TMBase.Evt")},
      {"Plain", c_registryValue::m_string("tab\there\nand a line\\ and \x01 bytes \xC3\xA9")},
      {"Empty", c_registryValue::m_string("")},
      {"MaxSize", c_registryValue::m_dword(0x20000000)},
      {"Largest", c_registryValue::m_dword(0xFFFFFFFF)},
      {"Sources", c_registryValue::m_multiString({"CORE", "", "LH\tTC"})},
      {"NoSources", c_registryValue::m_multiString({})},
      {"", c_registryValue::m_string("the default value")},
  };
  for (const auto& [name, value] : written) ASSERT_TRUE(c_registry::m_setValue(logKey, name, value)) << name;
  for (const auto& [name, value] : written) {
    c_registryValue read;
    ASSERT_TRUE(c_registry::m_getValue(logKey, name, read)) << name;
    EXPECT_EQ(read, value) << name;
  }
  c_registryValue missing;
  EXPECT_FALSE(c_registry::m_getValue(logKey, "Retention", missing));
}

TEST_F(CRegistry, ValuesNeedAnExistingKey) {
  EXPECT_FALSE(c_registry::m_setValue(logKey, "MaxSize", c_registryValue::m_dword(1)));
  EXPECT_FALSE(c_registry::m_keyExists(logKey));
}

TEST_F(CRegistry, DeletingFailsForAMissingKeyOrOneWithSubKeys) {
  EXPECT_FALSE(c_registry::m_deleteKey(logKey));
  ASSERT_TRUE(c_registry::m_createKey(logKey + "\\TM32_CORE"));
  ASSERT_TRUE(c_registry::m_setValue(logKey, "File", c_registryValue::m_string("x")));
  EXPECT_FALSE(c_registry::m_deleteKey(logKey));
  EXPECT_TRUE(c_registry::m_keyExists(logKey + "\\TM32_CORE"));
  EXPECT_TRUE(c_registry::m_deleteKey(logKey + "\\tm32_core"));
  EXPECT_TRUE(c_registry::m_deleteKey(logKey));
  EXPECT_FALSE(c_registry::m_keyExists(logKey));
  EXPECT_FALSE(c_registry::m_deleteKey(logKey));
}

TEST_F(CRegistry, DeletingAValueKeepsTheOthers) {
  ASSERT_TRUE(c_registry::m_createKey(logKey));
  ASSERT_TRUE(c_registry::m_setValue(logKey, "MaxSize", c_registryValue::m_dword(1)));
  ASSERT_TRUE(c_registry::m_setValue(logKey, "Retention", c_registryValue::m_dword(0)));
  EXPECT_TRUE(c_registry::m_deleteValue(logKey, "maxsize"));
  EXPECT_FALSE(c_registry::m_deleteValue(logKey, "maxsize"));
  c_registryValue value;
  EXPECT_FALSE(c_registry::m_getValue(logKey, "MaxSize", value));
  EXPECT_TRUE(c_registry::m_getValue(logKey, "Retention", value));
}

class CRegistryRefusedName : public CRegistry, public ::testing::WithParamInterface<const char*> {};

TEST_P(CRegistryRefusedName, IsRefusedEverywhere) {
  const std::string path = std::string("SYSTEM\\") + GetParam();
  EXPECT_FALSE(c_registry::m_createKey(path));
  EXPECT_FALSE(c_registry::m_keyExists(path));
  EXPECT_FALSE(c_registry::m_deleteKey(path));
  EXPECT_FALSE(c_registry::m_setValue(path, "x", c_registryValue::m_dword(1)));
  // Nothing escaped the registry folder.
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(home_.m_pathOf("state/tm")) / "x"));
}

INSTANTIATE_TEST_SUITE_P(Names, CRegistryRefusedName,
                         ::testing::Values("..", ".", "a/b", "", "a\\\\b", "a\\", ".values", "a\\..\\..\\x"));

TEST_F(CRegistry, ADamagedValueLineLosesOnlyItself) {
  ASSERT_TRUE(c_registry::m_createKey(logKey));
  ASSERT_TRUE(c_registry::m_setValue(logKey, "MaxSize", c_registryValue::m_dword(7)));
  const auto file = std::filesystem::path(home_.m_pathOf("state/tm")) / "registry/SYSTEM/CurrentControlSet/Services/EventLog/TM32_TMBase/.values";
  {
    std::ofstream out(file, std::ios::app);
    out << "Broken\tDWORD\t-1\nAlso\tNO_TYPE\tx\nBad\tSZ\tends in \\\n";
  }
  std::vector<std::pair<std::string, c_registryValue>> values;
  ASSERT_TRUE(c_registry::m_values(logKey, values));
  ASSERT_EQ(values.size(), 1u);
  EXPECT_EQ(values[0].second, c_registryValue::m_dword(7));
}

TEST_F(CRegistry, LivesUnderTheStateFolderOrHome) {
  std::string folder;
  ASSERT_TRUE(c_registry::m_rootDirectory(folder));
  EXPECT_EQ(folder, (std::filesystem::path(home_.m_pathOf("state/tm")) / "registry").string());
  const char* userHome = std::getenv("HOME");
  const std::string savedHome = userHome ? userHome : "";
  ::setenv("XDG_STATE_HOME", "relative/path", 1);
  ::setenv("HOME", home_.m_path().c_str(), 1);
  const bool found = c_registry::m_rootDirectory(folder);
  if (userHome) ::setenv("HOME", savedHome.c_str(), 1);
  else ::unsetenv("HOME");
  ASSERT_TRUE(found);
  EXPECT_EQ(folder, home_.m_path() + "/.local/state/tm/registry");
}

}  // namespace
