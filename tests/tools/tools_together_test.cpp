// fennick, the TM's logging, kelvane and ostrel together: after the registration,
// the events a TM writes land in the stores below TM_HOME and ostrel lists them
// with the texts of the built message file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/ctm_logging.h"
#include "platform/c_eventlogreader.h"
#include "platform/c_messagecatalogue.h"
#include "tests/support/c_childprocess.h"
#include "tests/support/c_temphome.h"

namespace {

const std::string binDir = TM_BIN_DIR;

class ToolsTogether : public ::testing::Test {
 protected:
  void TearDown() override { CTM_logging::m_resetForTest(); }

  // The line ostrel prints with "-m s m" for an event of the built message file.
  static std::string expectedLine(const std::string& source, unsigned id, const std::vector<std::string>& strings) {
    c_messageCatalogue catalogue;
    std::string text;
    EXPECT_TRUE(catalogue.m_load(binDir + "/logging.dll"));
    EXPECT_TRUE(catalogue.m_messageText(id, text));
    std::string message = c_formatMessage(text, strings);
    message.replace(message.size() - 2, 2, " ");
    return std::string(source.size() < 6 ? 6 - source.size() : 0, ' ') + source + " " + message + "\n";
  }

  c_tempHome home_;
};

TEST_F(ToolsTogether, EventsOfARegisteredTmAreListedFromItsOwnLogs) {
  ASSERT_EQ(c_runChild(binDir + "/fennick", {}).exitStatus, 0);
  ASSERT_TRUE(CTM_logging::m_init(""));
  ASSERT_TRUE(CTM_logging::m_registerThread("UTIL", ""));
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_REINITIALISED, "ss", "first", "second"));
  ASSERT_TRUE(CTM_logging::m_init("TM32"));
  ASSERT_TRUE(std::filesystem::exists(home_.m_pathOf("run/log/TMBase.Evt")));
  ASSERT_TRUE(std::filesystem::exists(home_.m_pathOf("run/log/TM32_TMBase.Evt")));

  const c_childResult base = c_runChild(binDir + "/ostrel", {"-s", "UTIL", "-m", "s", "m"});
  // The re-initialisation is written under the thread's source of the old and the new name.
  EXPECT_EQ(base.out, expectedLine("UTIL", ev::LOG_REINITIALISED, {"first", "second"}) +
                          expectedLine("UTIL", ev::LOG_REINITIALISED, {"", "TM32"}));
  EXPECT_EQ(base.exitStatus, 0);
  const c_childResult instance = c_runChild(binDir + "/ostrel", {"-E", "32", "-n", "-1", "-m", "s", "m"});
  EXPECT_EQ(instance.out, expectedLine("TM32_UTIL", ev::LOG_REINITIALISED, {"", "TM32"}));
}

TEST_F(ToolsTogether, AKelvaneRunIsListedWithTheTextsOfItsEvents) {
  ASSERT_EQ(c_runChild(binDir + "/fennick", {}).exitStatus, 0);
  for (const char* file : {"run/cfg/tm_config_parameter.txt", "run/cfg/tm_system_parameter-TM32.txt"})
    std::filesystem::copy_file(std::string(TM_SOURCE_DIR) + "/examples/plant/" + file, home_.m_pathOf(file));
  std::filesystem::create_directories(home_.m_pathOf("views"));
  c_runChild(binDir + "/kelvane", {}, {.workDir = home_.m_pathOf("views"), .environment = {}});

  std::size_t written = 0;
  c_eventLogReader reader;
  ASSERT_TRUE(reader.m_openLog("TMBase"));
  for (c_eventRecord record; reader.m_next(record);) ++written;
  ASSERT_GT(written, 0u);

  const c_childResult listed = c_runChild(binDir + "/ostrel", {"-n", "1", "-m", "s", "m"});
  EXPECT_EQ(listed.exitStatus, 0);
  EXPECT_EQ(static_cast<std::size_t>(std::count(listed.out.begin(), listed.out.end(), '\n')), written);
  EXPECT_EQ(listed.out.find("[No text"), std::string::npos) << listed.out;
}

}  // namespace
