// fennick, the TM's logging and ostrel together: after the registration, the
// events a TM writes land in the stores below TM_HOME and ostrel lists them with
// the texts of the built message file.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/ctm_logging.h"
#include "platform/c_messagecatalogue.h"
#include "tests/support/scoped_state_home.h"
#include "tests/tools/tool_process.h"

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

  scoped_state_home home_;
};

TEST_F(ToolsTogether, EventsOfARegisteredTmAreListedFromItsOwnLogs) {
  ASSERT_EQ(c_runTool(binDir + "/fennick", {}).exitStatus, 0);
  ASSERT_TRUE(CTM_logging::m_init(""));
  ASSERT_TRUE(CTM_logging::m_registerThread("UTIL", ""));
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_REINITIALISED, "ss", "first", "second"));
  ASSERT_TRUE(CTM_logging::m_init("TM32"));
  ASSERT_TRUE(std::filesystem::exists(home_.home() / "run/log/TMBase.Evt"));
  ASSERT_TRUE(std::filesystem::exists(home_.home() / "run/log/TM32_TMBase.Evt"));

  const c_toolRun base = c_runTool(binDir + "/ostrel", {"-s", "UTIL", "-m", "s", "m"});
  // The re-initialisation is written under the thread's source of the old and the new name.
  EXPECT_EQ(base.out, expectedLine("UTIL", ev::LOG_REINITIALISED, {"first", "second"}) +
                          expectedLine("UTIL", ev::LOG_REINITIALISED, {"", "TM32"}));
  EXPECT_EQ(base.exitStatus, 0);
  const c_toolRun instance = c_runTool(binDir + "/ostrel", {"-E", "32", "-n", "-1", "-m", "s", "m"});
  EXPECT_EQ(instance.out, expectedLine("TM32_UTIL", ev::LOG_REINITIALISED, {"", "TM32"}));
}

}  // namespace
