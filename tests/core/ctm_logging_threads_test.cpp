#include <gtest/gtest.h>

#include <atomic>
#include <barrier>
#include <filesystem>
#include <map>
#include <thread>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "tests/support/c_temphome.h"

namespace {

constexpr int threadCount = 8;
constexpr int eventsPerThread = 200;

const char* const threadNames[threadCount] = {"TC", "MC", "IM", "OC", "LPCS", "USTM", "DSTM", "XX"};

// Eight registered threads log while the main thread initialises logging again
// and again: every event is written once, in order per thread, under its
// thread's category with the TM name of the moment.
TEST(CTMLoggingThreads, EveryEventOfEveryThreadIsWrittenWhileLoggingIsReinitialised) {
  c_tempHome home;
  CTM_eventRecorder recorder;
  CTM_logging::m_resetForTest();
  ASSERT_TRUE(CTM_logging::m_init(""));
  CTM_logging::m_setSink(&recorder);

  std::atomic<bool> allWritten{true};
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t)
    threads.emplace_back([t, &allWritten] {
      CTM_logging::m_registerThread(threadNames[t], "LH");
      for (int i = 0; i < eventsPerThread; ++i)
        if (!CTM_logging::m_log(1, ev::LOG_STATISTICS, "si", threadNames[t], i)) allWritten = false;
      CTM_logging::m_unregisterThread();
    });
  for (int round = 0; round < 20; ++round) CTM_logging::m_init(round % 2 ? "TM32" : "TM33");
  for (auto& thread : threads) thread.join();
  EXPECT_TRUE(allWritten);

  std::map<std::string, int> nextOf;
  for (const CTM_loggedEvent& event : recorder.m_eventsWithId(ev::LOG_STATISTICS)) {
    ASSERT_EQ(event.strings.size(), 2u);
    const std::string& name = event.strings[0];
    EXPECT_EQ(std::stoi(event.strings[1]), nextOf[name]++) << name;
    const std::string category = name == "XX" ? "CORE" : "LH" + name;
    EXPECT_TRUE(event.source == category || event.source == "TM32_" + category || event.source == "TM33_" + category)
        << event.source;
  }
  EXPECT_EQ(nextOf.size(), static_cast<std::size_t>(threadCount));
  for (const auto& [name, next] : nextOf) EXPECT_EQ(next, eventsPerThread) << name;

  CTM_logging::m_setSink(nullptr);
  CTM_logging::m_resetForTest();
}

std::size_t entriesIn(const char* folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

// Threads that share one level key keep their level between calls; each round one
// of them sets the key, between a severity-2 and a severity-4 threshold, and the
// next severity-3 call of every thread follows the new level.
TEST(CTMLoggingThreads, EveryThreadTakesAChangedLevelKeyOnItsNextCall) {
  c_tempHome home;
  home.m_writeConfig({c_parameterLine("P", "InterfaceTC_LogLevel", "120", "I", "2")});
  home.m_writeSystem("TM32", {});
  CTM_eventRecorder recorder;
  CTM_config::m_resetForTest();
  CTM_logging::m_resetForTest();
  ASSERT_TRUE(CTM_logging::m_init(""));
  ASSERT_TRUE(CTM_config::m_init("TM32"));
  CTM_logging::m_setSink(&recorder);
  std::thread([] {}).join();  // a sanitizer starts a helper thread of its own with the first thread
  const std::size_t threadsBefore = entriesIn("/proc/self/task");
  const std::size_t descriptorsBefore = entriesIn("/proc/self/fd");

  constexpr int rounds = 40;
  std::barrier step(threadCount);
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t)
    threads.emplace_back([t, &step] {
      CTM_logging::m_registerThread("TC", "LH");
      for (int round = 0; round < rounds; ++round) {
        if (round % threadCount == t) CTM_config::m_setInteger("InterfaceTC_LogLevel", round % 2 ? 4 : 2);
        step.arrive_and_wait();
        CTM_logging::m_log(3, ev::LOG_STATISTICS, "ii", t, round);
        step.arrive_and_wait();
      }
      CTM_logging::m_unregisterThread();
    });
  for (auto& thread : threads) thread.join();

  std::map<int, int> writtenIn;
  for (const CTM_loggedEvent& event : recorder.m_eventsWithId(ev::LOG_STATISTICS)) ++writtenIn[std::stoi(event.strings[1])];
  for (int round = 0; round < rounds; ++round) EXPECT_EQ(writtenIn[round], round % 2 ? threadCount : 0) << round;
  EXPECT_EQ(entriesIn("/proc/self/task"), threadsBefore);
  EXPECT_EQ(entriesIn("/proc/self/fd"), descriptorsBefore);

  CTM_logging::m_setSink(nullptr);
  CTM_logging::m_resetForTest();
  CTM_config::m_resetForTest();
}

}  // namespace
