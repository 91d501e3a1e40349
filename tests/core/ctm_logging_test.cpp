#include "core/ctm_logging.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/ctm_config.h"
#include "platform/c_eventlog.h"
#include "platform/c_eventlogreader.h"
#include "platform/c_registry.h"
#include "platform/c_threadid.h"
#include "tests/support/c_temphome.h"

namespace {

using Strings = std::vector<std::string>;

const std::string threadId() { return std::to_string(c_currentThreadId()); }

class fakeTelegram : public CTM_loggableTelegram {
 public:
  fakeTelegram(bool valid, std::string id) : valid_(valid), id_(std::move(id)) {}
  bool m_isValid() const override { return valid_; }
  std::string m_getId() const override { return id_; }
  std::string m_asString() const override { return "readable " + id_; }
  std::string m_getErrorText() const override { return "error text of " + id_; }

 private:
  bool valid_;
  std::string id_;
};

class CTMLogging : public ::testing::Test {
 protected:
  void SetUp() override {
    CTM_config::m_resetForTest();
    CTM_logging::m_resetForTest();
    ASSERT_TRUE(CTM_logging::m_init(""));
    CTM_logging::m_setSink(&recorder_);
    home_.m_writeConfig({c_parameterLine("P", "InterfaceTC_LogLevel", "120", "I", "3"),
                         c_parameterLine("P", "InterfaceUTIL_LogLevel", "127", "I", "3"),
                         c_parameterLine("P", "TCTM01_Logging", "160", "B", "1"),
                         c_parameterLine("P", "TCTM02_Logging", "161", "B", "1"),
                         c_parameterLine("P", "TCTM03_Logging", "162", "I", "1"),
                         c_parameterLine("P", "UnrecognizedMessage_Logging", "170", "B", "1")});
    home_.m_writeSystem("TM32", {});
    ASSERT_TRUE(CTM_config::m_init("TM32"));
    recorder_.m_clear();
  }
  void TearDown() override {
    CTM_logging::m_unregisterThread();
    CTM_logging::m_setSink(nullptr);
    CTM_logging::m_resetForTest();
    CTM_config::m_resetForTest();
  }
  // The events other than the configuration's reports of missing keys.
  std::vector<CTM_loggedEvent> events() const {
    std::vector<CTM_loggedEvent> out;
    for (auto& event : recorder_.m_events())
      if (event.id != ev::CFG_UNKNOWN_NAME) out.push_back(event);
    return out;
  }
  void registerAs(const std::string& name, const std::string& prefix) {
    ASSERT_TRUE(CTM_logging::m_registerThread(name, prefix));
    recorder_.m_clear();
  }

  c_tempHome home_;
  CTM_eventRecorder recorder_;
};

TEST_F(CTMLogging, EveryOperationFailsBeforeInitialisation) {
  CTM_logging::m_resetForTest();
  fakeTelegram telegram(true, "TCTM01");
  EXPECT_FALSE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "s", "x"));
  EXPECT_FALSE(CTM_logging::m_logNoArgs(1, ev::LOG_STATISTICS));
  EXPECT_FALSE(CTM_logging::m_registerThread("TC", "LH"));
  EXPECT_FALSE(CTM_logging::m_unregisterThread());
  EXPECT_FALSE(CTM_logging::m_logTelegram(&telegram));
  EXPECT_FALSE(CTM_logging::m_logTelegramText(true, "TCTM", "x"));
  EXPECT_FALSE(CTM_logging::m_logStatistics("x", 1, 2, 3));
  EXPECT_TRUE(recorder_.m_events().empty());
}

TEST_F(CTMLogging, SourcesAreTheCategoriesPrefixedWithTheTmName) {
  for (const char* category : CTM_logging::categoryNames) ASSERT_TRUE(CTM_logging::m_logTelegramText(true, category, "t"));
  CTM_logging::m_resetForTest();
  ASSERT_TRUE(CTM_logging::m_init("TM32"));
  for (const char* category : CTM_logging::categoryNames) ASSERT_TRUE(CTM_logging::m_logTelegramText(true, category, "t"));
  const auto written = recorder_.m_events();
  ASSERT_EQ(written.size(), 2u * CTM_logging::categoryCount);
  for (int i = 0; i < CTM_logging::categoryCount; ++i) {
    EXPECT_EQ(written[i].source, CTM_logging::categoryNames[i]);
    EXPECT_EQ(written[CTM_logging::categoryCount + i].source, std::string("TM32_") + CTM_logging::categoryNames[i]);
  }
}

TEST_F(CTMLogging, AnUnregisteredThreadIsWarnedAboutBeforeEachEventAndNotFiltered) {
  ASSERT_TRUE(CTM_logging::m_log(5, ev::LOG_STATISTICS, "s", "fine"));
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "s", "error"));
  const auto written = events();
  ASSERT_EQ(written.size(), 4u);
  for (std::size_t i : {0u, 2u}) {
    EXPECT_EQ(written[i].id, ev::LOG_UNREGISTERED_THREAD);
    EXPECT_EQ(written[i].type, 2);
    EXPECT_EQ(written[i].category, 1);
    EXPECT_EQ(written[i].source, "CORE");
    EXPECT_EQ(written[i].strings, Strings{threadId()});
  }
  EXPECT_EQ(written[1].type, 16);
  EXPECT_EQ(written[1].source, "CORE");
  EXPECT_EQ(written[3].type, 1);
}

TEST_F(CTMLogging, SeveritiesOutsideOneToFiveAreNeverWritten) {
  CTM_config::m_setInteger("InterfaceUTIL_LogLevel", 9);
  registerAs("UTIL", "");
  EXPECT_TRUE(CTM_logging::m_logNoArgs(0, ev::LOG_STATISTICS));
  EXPECT_TRUE(CTM_logging::m_logNoArgs(6, ev::LOG_STATISTICS));
  EXPECT_TRUE(CTM_logging::m_logNoArgs(-1, ev::LOG_STATISTICS));
  EXPECT_TRUE(events().empty());
  CTM_logging::m_unregisterThread();
  recorder_.m_clear();
  EXPECT_TRUE(CTM_logging::m_logNoArgs(6, ev::LOG_STATISTICS));
  ASSERT_EQ(events().size(), 1u);
  EXPECT_EQ(events()[0].id, ev::LOG_UNREGISTERED_THREAD);
}

TEST_F(CTMLogging, SeveritiesMapToTheEventTypes) {
  CTM_config::m_setInteger("InterfaceUTIL_LogLevel", 5);
  registerAs("UTIL", "");
  for (int severity = 1; severity <= 5; ++severity) ASSERT_TRUE(CTM_logging::m_logNoArgs(severity, ev::LOG_STATISTICS));
  std::vector<int> types;
  for (const auto& event : events()) types.push_back(event.type);
  EXPECT_EQ(types, (std::vector<int>{1, 2, 4, 8, 16}));
}

TEST_F(CTMLogging, AThreadLogsUnderTheSourceOfItsCategory) {
  registerAs("TC", "LH");
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "s", "x"));
  ASSERT_EQ(events().size(), 1u);
  EXPECT_EQ(events()[0].source, "LHTC");
  EXPECT_EQ(events()[0].category, 1);
}

TEST_F(CTMLogging, AThreadWithoutACategoryLogsUnderCoreAfterAWarning) {
  ASSERT_TRUE(CTM_logging::m_registerThread("XY", "LH"));
  const auto written = recorder_.m_eventsWithId(ev::LOG_THREAD_WITHOUT_CATEGORY);
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].source, "CORE");
  EXPECT_EQ(written[0].strings, (Strings{threadId(), "XY", "CORE"}));
}

TEST_F(CTMLogging, ASecondRegistrationIsRefusedAndKeepsTheFirst) {
  registerAs("TC", "LH");
  EXPECT_FALSE(CTM_logging::m_registerThread("OC", "LH"));
  ASSERT_EQ(events().size(), 1u);
  EXPECT_EQ(events()[0].id, ev::LOG_THREAD_ALREADY_REGISTERED);
  EXPECT_EQ(events()[0].source, "LHTC");
  EXPECT_EQ(events()[0].strings, (Strings{threadId(), "OC"}));
}

TEST_F(CTMLogging, RegistrationAndUnregistrationAreReportedAtSeverityFive) {
  CTM_config::m_setInteger("InterfaceTC_LogLevel", 5);
  ASSERT_TRUE(CTM_logging::m_registerThread("TC", "LH"));
  ASSERT_TRUE(CTM_logging::m_unregisterThread());
  EXPECT_FALSE(CTM_logging::m_unregisterThread());
  const auto written = events();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].id, ev::LOG_THREAD_REGISTERED);
  EXPECT_EQ(written[1].id, ev::LOG_THREAD_UNREGISTERED);
  EXPECT_EQ(written[1].source, "LHTC");
  EXPECT_EQ(written[1].strings, (Strings{threadId(), "TC"}));
}

TEST_F(CTMLogging, TheLevelKeyIsReadAgainOnEveryCall) {
  CTM_config::m_setInteger("InterfaceTC_LogLevel", 2);
  registerAs("TC", "LH");
  EXPECT_TRUE(CTM_logging::m_log(3, ev::LOG_STATISTICS, "s", "dropped"));
  EXPECT_TRUE(events().empty());
  CTM_config::m_setInteger("InterfaceTC_LogLevel", 4);
  EXPECT_TRUE(CTM_logging::m_log(3, ev::LOG_STATISTICS, "s", "written"));
  ASSERT_EQ(events().size(), 1u);
  EXPECT_EQ(events()[0].strings, Strings{"written"});
}

TEST_F(CTMLogging, WithoutALevelKeyTheLevelIsThree) {
  registerAs("OC", "LH");
  EXPECT_TRUE(CTM_logging::m_logNoArgs(4, ev::LOG_STATISTICS));
  EXPECT_TRUE(CTM_logging::m_logNoArgs(3, ev::LOG_STATISTICS));
  ASSERT_EQ(events().size(), 1u);
  EXPECT_EQ(events()[0].type, 4);
}

TEST_F(CTMLogging, ArgumentLettersMakeTheInsertionStrings) {
  registerAs("UTIL", "");
  const std::string text = "abc";
  const long large = 9000000000L;
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "is", 7, text));
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "icfs", large, 'A', 2.5, std::string_view("view")));
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "ic", LONG_MIN, 66));
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "x"));
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "sxi", "a", 3));
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "ii", 18446744073709551615UL, true));
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "s", static_cast<const char*>(nullptr)));
  enum class c_state { idle, busy };
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "i", c_state::busy));
  const auto written = events();
  ASSERT_EQ(written.size(), 8u);
  EXPECT_EQ(written[0].strings, (Strings{"7", "abc"}));
  EXPECT_EQ(written[1].strings, (Strings{"9000000000", "A", "2.500000", "view"}));
  EXPECT_EQ(written[2].strings, (Strings{"-9223372036854775808", "B"}));
  EXPECT_EQ(written[3].strings, (Strings{""}));
  EXPECT_EQ(written[4].strings, (Strings{"a", "", "3"}));
  EXPECT_EQ(written[5].strings, (Strings{"18446744073709551615", "1"}));
  EXPECT_EQ(written[6].strings, (Strings{""}));
  EXPECT_EQ(written[7].strings, (Strings{"1"}));
}

TEST_F(CTMLogging, LettersAfterTheTwentiethAndLongTextsAreCut) {
  registerAs("UTIL", "");
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "xxxxxxxxxxxxxxxxxxxxs"));
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "s", std::string(40000, 'y')));
  const auto written = events();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].strings.size(), 20u);
  EXPECT_EQ(written[1].strings[0].size(), 32767u);
}

TEST_F(CTMLogging, LettersChosenAtRunTimeNeverMisreadAnArgument) {
  registerAs("UTIL", "");
  const char* letters = "isfcs";
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, CTM_runtimeLetters{letters}, std::string("text"), 5L, "x", 1.5));
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, CTM_runtimeLetters{nullptr}, 1));
  const auto written = events();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].strings, (Strings{"text", "5", "x", "1.500000", ""}));
  EXPECT_TRUE(written[1].strings.empty());
}

TEST_F(CTMLogging, AFailingWriteIsReportedAsFailure) {
  recorder_.m_setFailing(true);
  EXPECT_FALSE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "s", "x"));
  recorder_.m_setFailing(false);
  registerAs("UTIL", "");
  recorder_.m_setFailing(true);
  EXPECT_FALSE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "s", "x"));
  EXPECT_TRUE(CTM_logging::m_log(4, ev::LOG_STATISTICS, "s", "filtered"));
  EXPECT_FALSE(CTM_logging::m_logStatistics("x", 1, 2, 3));
}

TEST_F(CTMLogging, ReinitialisationKeepsTheThreadsRegistered) {
  CTM_config::m_setInteger("InterfaceTC_LogLevel", 3);
  registerAs("TC", "LH");
  ASSERT_TRUE(CTM_logging::m_init("TM32"));
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "s", "after"));
  const auto written = events();
  ASSERT_EQ(written.size(), 3u);
  EXPECT_EQ(written[0].id, ev::LOG_REINITIALISED);
  EXPECT_EQ(written[0].source, "LHTC");
  EXPECT_EQ(written[0].strings, (Strings{"", "TM32"}));
  EXPECT_EQ(written[1].id, ev::LOG_REINITIALISED);
  EXPECT_EQ(written[1].source, "TM32_LHTC");
  EXPECT_EQ(written[2].source, "TM32_LHTC");
}

class CTMLoggingTelegram : public CTMLogging {};

TEST_F(CTMLoggingTelegram, AValidTelegramIsWrittenWithItsReadableText) {
  registerAs("TC", "LH");
  fakeTelegram telegram(true, "TCTM01");
  ASSERT_TRUE(CTM_logging::m_logTelegram(&telegram));
  const auto written = events();
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].id, ev::LOG_TELEGRAM_TEXT);
  EXPECT_EQ(written[0].source, "LHTC");
  EXPECT_EQ(written[0].type, 4);
  EXPECT_EQ(written[0].category, 2);
  EXPECT_EQ(written[0].strings, Strings{"readable TCTM01"});
}

TEST_F(CTMLoggingTelegram, ItsSwitchKeyTurnsItOff) {
  registerAs("TC", "LH");
  CTM_config::m_setBool("TCTM01_Logging", false);
  CTM_config::m_setBool("TCTM02_Logging", true);
  fakeTelegram off(true, "TCTM01");
  fakeTelegram on(true, "TCTM02");
  EXPECT_TRUE(CTM_logging::m_logTelegram(&off));
  EXPECT_TRUE(CTM_logging::m_logTelegram(&on));
  ASSERT_EQ(events().size(), 1u);
  EXPECT_EQ(events()[0].strings, Strings{"readable TCTM02"});
}

TEST_F(CTMLoggingTelegram, AnInvalidTelegramIsWrittenWithItsErrorTextUnlessSwitchedOff) {
  registerAs("TC", "LH");
  fakeTelegram invalid(false, "TCTM01");
  ASSERT_TRUE(CTM_logging::m_logTelegram(&invalid));
  ASSERT_EQ(events().size(), 1u);
  EXPECT_EQ(events()[0].strings, Strings{"error text of TCTM01"});
  CTM_config::m_setBool("UnrecognizedMessage_Logging", false);
  recorder_.m_clear();
  EXPECT_TRUE(CTM_logging::m_logTelegram(&invalid));
  EXPECT_TRUE(events().empty());
}

TEST_F(CTMLoggingTelegram, ASwitchKeyOfAnotherTypeIsReportedFromInsideTheCallAndTheTelegramWritten) {
  registerAs("TC", "LH");
  fakeTelegram telegram(true, "TCTM03");
  ASSERT_TRUE(CTM_logging::m_logTelegram(&telegram));
  const auto written = events();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].id, ev::CFG_READ_TYPE_MISMATCH);
  EXPECT_EQ(written[0].source, "LHTC");
  EXPECT_EQ(written[1].id, ev::LOG_TELEGRAM_TEXT);
  EXPECT_EQ(written[1].strings, Strings{"readable TCTM03"});
}

TEST_F(CTMLoggingTelegram, LevelZeroWritesNoTelegram) {
  CTM_config::m_setInteger("InterfaceTC_LogLevel", 0);
  registerAs("TC", "LH");
  fakeTelegram telegram(true, "TCTM01");
  EXPECT_TRUE(CTM_logging::m_logTelegram(&telegram));
  EXPECT_TRUE(events().empty());
}

TEST_F(CTMLoggingTelegram, AnUnregisteredThreadIsWarnedWithTheTelegramCategory) {
  fakeTelegram telegram(true, "TCTM01");
  ASSERT_TRUE(CTM_logging::m_logTelegram(&telegram));
  // The look-up of the missing switch key reports from the same thread on the way.
  const auto written = events();
  ASSERT_GE(written.size(), 2u);
  EXPECT_EQ(written.front().id, ev::LOG_UNREGISTERED_THREAD);
  EXPECT_EQ(written.front().category, 2);
  EXPECT_EQ(written.back().id, ev::LOG_TELEGRAM_TEXT);
  EXPECT_EQ(written.back().source, "CORE");
  EXPECT_FALSE(CTM_logging::m_logTelegram(nullptr));
}

TEST_F(CTMLoggingTelegram, RawTextsAreAuditEventsOfTheirTelegramCategory) {
  ASSERT_TRUE(CTM_logging::m_logTelegramText(true, "TCTM", "TCTM01 received\n"));
  ASSERT_TRUE(CTM_logging::m_logTelegramText(false, "TMTC", "TMTC01 sent\n"));
  ASSERT_TRUE(CTM_logging::m_logTelegramText(true, "XXXX", "half a telegram"));
  const auto written = recorder_.m_events();
  ASSERT_EQ(written.size(), 3u);
  EXPECT_EQ(written[0].source, "TCTM");
  EXPECT_EQ(written[0].type, 8);
  EXPECT_EQ(written[0].category, 0);
  EXPECT_EQ(written[0].id, ev::LOG_TELEGRAM_TEXT);
  EXPECT_EQ(written[0].strings, Strings{"TCTM01 received\n"});
  EXPECT_EQ(written[1].source, "TMTC");
  EXPECT_EQ(written[1].type, 16);
  EXPECT_EQ(written[2].source, "UNK");
}

TEST_F(CTMLogging, StatisticsCarryTheirNumbersWhole) {
  ASSERT_TRUE(CTM_logging::m_logStatistics("AvgProcTime", 1, 9000000000L, -4));
  const auto written = recorder_.m_events();
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0].source, "STATISTICAL");
  EXPECT_EQ(written[0].type, 4);
  EXPECT_EQ(written[0].category, 0);
  EXPECT_EQ(written[0].id, ev::LOG_STATISTICS);
  EXPECT_EQ(written[0].strings, (Strings{"AvgProcTime", "1", "9000000000", "-4"}));
}

// Without a sink, events go to the event log of their source.
class CTMLoggingEventLog : public ::testing::Test {
 protected:
  void SetUp() override {
    CTM_logging::m_resetForTest();
    CTM_logging::m_setSink(nullptr);
  }
  void TearDown() override {
    CTM_logging::m_unregisterThread();
    CTM_logging::m_resetForTest();
  }
  static std::vector<c_eventRecord> readLog(const std::string& log) {
    std::vector<c_eventRecord> records;
    c_eventLogReader reader;
    if (!reader.m_openLog(log)) return records;
    c_eventRecord record;
    while (reader.m_next(record)) records.push_back(record);
    return records;
  }
  void registerLog(const std::string& log, const std::vector<std::string>& sources) {
    const std::string key = std::string(c_eventLog::registryRoot) + "\\" + log;
    ASSERT_TRUE(c_registry::m_createKey(key));
    ASSERT_TRUE(c_registry::m_setValue(key, "File", c_registryValue::m_expandString("%TM_HOME%\\run\\log\\" + log + ".Evt")));
    for (const std::string& source : sources) ASSERT_TRUE(c_registry::m_createKey(key + "\\" + source));
  }

  c_tempHome home_;
};

TEST_F(CTMLoggingEventLog, WithoutRegistrationEventsGoToTheApplicationLog) {
  ASSERT_TRUE(CTM_logging::m_init(""));
  ASSERT_TRUE(CTM_logging::m_log(1, ev::LOG_STATISTICS, "s", "unregistered"));
  const auto records = readLog("Application");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].eventId, ev::LOG_UNREGISTERED_THREAD);
  EXPECT_EQ(records[1].number, 2u);
  EXPECT_EQ(records[1].source, "CORE");
  EXPECT_EQ(records[1].strings, Strings{"unregistered"});
}

TEST_F(CTMLoggingEventLog, RegisteredSourcesWriteUnderTmHome) {
  registerLog("TM32_TMBase", {"TM32_CORE", "TM32_LHTC"});
  registerLog("TM32_TMTele", {"TM32_TCTM"});
  ASSERT_TRUE(CTM_logging::m_init("TM32"));
  ASSERT_TRUE(CTM_logging::m_registerThread("TC", "LH"));
  ASSERT_TRUE(CTM_logging::m_log(2, ev::LOG_STATISTICS, "s", std::string("control\x01\tbytes\n")));
  ASSERT_TRUE(CTM_logging::m_logTelegramText(true, "TCTM", "TCTM01 text\n"));
  // Before it: the registration's report of the missing level key, from a thread not yet registered.
  const auto base = readLog("TM32_TMBase");
  ASSERT_FALSE(base.empty());
  EXPECT_EQ(base.back().number, base.size());
  EXPECT_EQ(base.back().source, "TM32_LHTC");
  EXPECT_EQ(base.back().strings, Strings{"control\x01\tbytes\n"});
  const auto tele = readLog("TM32_TMTele");
  ASSERT_EQ(tele.size(), 1u);
  EXPECT_EQ(tele[0].type, 8);

  std::ifstream in(std::filesystem::path(home_.m_path()) / "run/log/TM32_TMTele.Evt", std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(content.ends_with("\tTM32_TCTM\tTCTM01 text\\n\n")) << content;
  std::ifstream baseIn(std::filesystem::path(home_.m_path()) / "run/log/TM32_TMBase.Evt", std::ios::binary);
  const std::string baseContent((std::istreambuf_iterator<char>(baseIn)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(baseContent.ends_with("\tcontrol\\x01\\tbytes\\n\n")) << baseContent;
}

// Events held back on a thread are written when the outermost hold ends, in
// the order logged, numbered on from what each log held before.
TEST_F(CTMLoggingEventLog, HeldEventsAreWrittenInTheirOrderWhenTheOutermostHoldEnds) {
  registerLog("TM32_TMBase", {"TM32_CORE", "TM32_LHTC"});
  registerLog("TM32_TMTele", {"TM32_TCTM"});
  ASSERT_TRUE(CTM_logging::m_init("TM32"));
  ASSERT_TRUE(CTM_logging::m_registerThread("TC", "LH"));
  const std::size_t before = readLog("TM32_TMBase").size();
  {
    CTM_logging::c_writeTogether outer;
    {
      CTM_logging::c_writeTogether inner;
      ASSERT_TRUE(CTM_logging::m_log(2, ev::LOG_STATISTICS, "s", "first"));
    }
    ASSERT_TRUE(CTM_logging::m_logTelegramText(false, "TCTM", "TCTM01 text"));
    ASSERT_TRUE(CTM_logging::m_log(2, ev::LOG_STATISTICS, "s", "second"));
    EXPECT_EQ(readLog("TM32_TMBase").size(), before);
    EXPECT_TRUE(readLog("TM32_TMTele").empty());
  }
  const auto base = readLog("TM32_TMBase");
  ASSERT_EQ(base.size(), before + 2);
  EXPECT_EQ(base[before].strings, Strings{"first"});
  EXPECT_EQ(base[before + 1].strings, Strings{"second"});
  EXPECT_EQ(base.back().number, base.size());
  const auto tele = readLog("TM32_TMTele");
  ASSERT_EQ(tele.size(), 1u);
  EXPECT_EQ(tele[0].strings, Strings{"TCTM01 text"});
}

TEST_F(CTMLoggingEventLog, HeldEventsThatCannotBeWrittenReachTheFallback) {
  std::ofstream(std::filesystem::path(home_.m_path()) / "blocker") << "a file where a folder should be";
  const std::string key = std::string(c_eventLog::registryRoot) + "\\TM32_TMBase";
  ASSERT_TRUE(c_registry::m_createKey(key));
  ASSERT_TRUE(c_registry::m_setValue(key, "File", c_registryValue::m_expandString("%TM_HOME%\\blocker\\TMBase.Evt")));
  ASSERT_TRUE(c_registry::m_createKey(key + "\\TM32_LHTC"));
  CTM_eventRecorder fallback;
  CTM_logging::m_setFallback(&fallback);
  ASSERT_TRUE(CTM_logging::m_init("TM32"));
  ASSERT_TRUE(CTM_logging::m_registerThread("TC", "LH"));
  fallback.m_clear();
  {
    CTM_logging::c_writeTogether together;
    CTM_logging::m_log(2, ev::LOG_STATISTICS, "s", "lost");
    EXPECT_TRUE(fallback.m_events().empty());
  }
  CTM_logging::m_setFallback(nullptr);
  const auto events = fallback.m_eventsWithId(ev::LOG_STATISTICS);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].source, "TM32_LHTC");
  EXPECT_EQ(events[0].strings, Strings{"lost"});
}

// A step that logs without end holds a bounded number of events: those beyond
// the bound are written while the hold lasts, all in the order logged.
TEST_F(CTMLoggingEventLog, AHoldWritesWhatItHoldsOnceItHoldsItsBound) {
  ASSERT_TRUE(CTM_logging::m_init(""));
  ASSERT_TRUE(CTM_logging::m_registerThread("TC", "LH"));
  const std::size_t before = readLog("Application").size();
  constexpr int logged = 3000;
  {
    CTM_logging::c_writeTogether together;
    for (int i = 0; i < logged; ++i) ASSERT_TRUE(CTM_logging::m_log(2, ev::LOG_STATISTICS, "i", i));
    const std::size_t written = readLog("Application").size() - before;
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, static_cast<std::size_t>(logged));
  }
  const auto records = readLog("Application");
  ASSERT_EQ(records.size(), before + logged);
  for (int i = 0; i < logged; ++i) EXPECT_EQ(records[before + i].strings, Strings{std::to_string(i)});
}

}  // namespace
