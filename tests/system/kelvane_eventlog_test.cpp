// kelvane's start-up events as they land in the event log: in the Application log
// of the machine state without a registration, in the TM's own log file under
// TM_HOME once its logs and sources are registered.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/c_eventlog.h"
#include "platform/c_eventlogreader.h"
#include "platform/c_registry.h"
#include "tests/support/c_childprocess.h"
#include "tests/support/c_temphome.h"
#include "tm_events.h"

namespace {

const std::string kelvane = std::string(TM_BIN_DIR) + "/kelvane";

class KelvaneEventLogTest : public ::testing::Test {
 protected:
  std::vector<c_eventRecord> m_runAndRead(const std::string& log) {
    std::filesystem::create_directories(home_.m_pathOf("work"));
    c_childResult run = c_runChild(kelvane, {}, {.workDir = home_.m_pathOf("work"), .environment = {}});
    EXPECT_EQ(run.exitStatus, 255);
    std::vector<c_eventRecord> records;
    c_eventLogReader reader;
    if (!reader.m_openLog(log)) return records;
    c_eventRecord record;
    while (reader.m_next(record)) records.push_back(record);
    return records;
  }

  c_tempHome home_;
};

TEST_F(KelvaneEventLogTest, WithoutRegistrationTheStartUpGoesToTheApplicationLog) {
  const auto records = m_runAndRead("Application");
  ASSERT_FALSE(records.empty());
  // The configuration starts before the main thread registers: each of its
  // events comes under CORE after the unregistered-thread warning.
  EXPECT_EQ(records.front().eventId, ev::LOG_UNREGISTERED_THREAD);
  for (const c_eventRecord& record : records) EXPECT_EQ(record.source, "CORE");
  EXPECT_TRUE(std::filesystem::exists(home_.m_pathOf("state/tm/eventlog/Application.Evt")));
  EXPECT_FALSE(std::filesystem::exists(home_.m_pathOf("run/log/TMBase.Evt")));
}

TEST_F(KelvaneEventLogTest, AfterRegistrationTheStartUpGoesToTheTmLogUnderTmHome) {
  const std::string key = std::string(c_eventLog::registryRoot) + "\\TMBase";
  ASSERT_TRUE(c_registry::m_createKey(key));
  ASSERT_TRUE(c_registry::m_setValue(key, "File", c_registryValue::m_expandString("%TM_HOME%\\run\\log\\TMBase.Evt")));
  for (const char* source : {"CORE", "UTIL"}) ASSERT_TRUE(c_registry::m_createKey(key + "\\" + source));
  const auto records = m_runAndRead("TMBase");
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.front().number, 1u);
  EXPECT_EQ(records.back().number, records.size());
  EXPECT_TRUE(std::filesystem::exists(home_.m_pathOf("run/log/TMBase.Evt")));
  EXPECT_FALSE(std::filesystem::exists(home_.m_pathOf("state/tm/eventlog/Application.Evt")));
}

}  // namespace
