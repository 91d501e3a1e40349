#include <gtest/gtest.h>

#include <atomic>
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

}  // namespace
