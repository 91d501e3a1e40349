// The telegram log renders real telegrams: the readable text of a valid one, the
// error text of one the factory could not make sense of.
#include <gtest/gtest.h>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "telegrams/ctm_message.h"
#include "tests/support/c_temphome.h"

namespace {

class TelegramLog : public ::testing::Test {
 protected:
  void SetUp() override {
    CTM_config::m_resetForTest();
    CTM_logging::m_resetForTest();
    ASSERT_TRUE(CTM_logging::m_init(""));
    CTM_logging::m_setSink(&recorder_);
    home_.m_writeConfig({c_parameterLine("P", "TCTM00_Logging", "160", "B", "1")});
    home_.m_writeSystem("TM32", {});
    ASSERT_TRUE(CTM_config::m_init("TM32"));
    ASSERT_TRUE(CTM_logging::m_registerThread("TC", "LH"));
    recorder_.m_clear();
  }
  void TearDown() override {
    CTM_logging::m_unregisterThread();
    CTM_logging::m_setSink(nullptr);
    CTM_logging::m_resetForTest();
    CTM_config::m_resetForTest();
  }
  std::vector<CTM_loggedEvent> telegramEvents() const { return recorder_.m_eventsWithId(ev::LOG_TELEGRAM_TEXT); }

  c_tempHome home_;
  CTM_eventRecorder recorder_;
};

TEST_F(TelegramLog, AValidTelegramIsWrittenWithItsReadableText) {
  auto telegram = CTM_message::m_new("TCTM00" "01" "00" "000" "01\n");
  ASSERT_TRUE(telegram->m_isValid()) << telegram->m_getErrorText();
  ASSERT_TRUE(CTM_logging::m_logTelegram(telegram.get()));
  const auto written = telegramEvents();
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].source, "LHTC");
  EXPECT_EQ(written[0].category, 2);
  EXPECT_EQ(written[0].strings, std::vector<std::string>{telegram->m_asString()});
  EXPECT_NE(written[0].strings[0].find("TCTM00"), std::string::npos);
}

TEST_F(TelegramLog, AnUnknownTextIsWrittenWithTheFactorysErrorText) {
  auto telegram = CTM_message::m_new("XXYY01" "01" "00" "000" "01\n");
  ASSERT_FALSE(telegram->m_isValid());
  ASSERT_FALSE(telegram->m_getErrorText().empty());
  ASSERT_TRUE(CTM_logging::m_logTelegram(telegram.get()));
  const auto written = telegramEvents();
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].strings, std::vector<std::string>{telegram->m_getErrorText()});
}

TEST_F(TelegramLog, ItsSwitchKeyTurnsTheTypeOff) {
  ASSERT_TRUE(CTM_config::m_setBool("TCTM00_Logging", false));
  auto telegram = CTM_message::m_new("TCTM00" "01" "00" "000" "01\n");
  ASSERT_TRUE(telegram->m_isValid());
  EXPECT_TRUE(CTM_logging::m_logTelegram(telegram.get()));
  EXPECT_TRUE(telegramEvents().empty());
}

}  // namespace
