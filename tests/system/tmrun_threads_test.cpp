// tmrun on a loopback plant: a controller's bag is tracked by the TM in its own
// process, and a stop signal ends that TM with status 0 and its links closed,
// also when a second one comes during the stop, and whatever its standard
// streams and its installation are like.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <utility>

#include "tests/support/c_temphome.h"
#include "tests/support/c_tmprocess.h"
#include "tests/system/tm_fixture.h"

namespace {

class TmrunRunning : public TmSystemTest {};

TEST_F(TmrunRunning, AControllerGetsTheGeneratedIdAndDestinationUntilAStopSignalEndsTheTm) {
  c_tmProcess tm32;
  ASSERT_TRUE(tm32.m_start(c_runningPlant::tmId, "YYYYYYY"));
  c_fakeController controller = m_controller(0);
  ASSERT_TRUE(m_connectWhenListening(controller.m_peer(), plant_->m_tcPort(), controller.m_spec().address));
  ASSERT_TRUE(controller.m_send(CTM_tctm00_message(), 0));
  ASSERT_TRUE(controller.m_peer().m_expect(c_fakeController::m_wire(CTM_tmtc00_message(), 0)));

  ASSERT_TRUE(controller.m_sendReport<CTM_tctm01_message>(1, blankId, controller.m_spec().entry, 5));
  std::unique_ptr<CTM_message> answer = controller.m_receiveAnswer();
  auto* routing = dynamic_cast<CTM_tmtc01_message*>(answer.get());
  ASSERT_NE(routing, nullptr) << (answer ? answer->m_asString() : "nothing");
  EXPECT_EQ(routing->m_getSeqNo(), 5);
  EXPECT_EQ(routing->m_getBIT_ID().substr(0, 3), "W32");
  std::string destination;
  int priority = 0;
  ASSERT_TRUE(routing->m_getNextDestination(destination, priority));
  EXPECT_EQ(destination, controller.m_spec().exit);

  // SIGINT starts the stop; the SIGTERM that follows does not cut it short.
  ASSERT_EQ(::kill(tm32.m_pid(), SIGINT), 0);
  EXPECT_EQ(tm32.m_terminate(), 0);
  EXPECT_TRUE(controller.m_peer().m_expectClosed());
}

// The soft descriptor limit common on a workstation, far too low for a plant, is
// raised to the hard one as tmrun starts: the TM runs and serves its controllers.
TEST_F(TmrunRunning, ALowSoftDescriptorLimitIsRaisedAndTheControllersAreServed) {
  c_tmProcess tm32;
  ASSERT_TRUE(tm32.m_start(c_runningPlant::tmId, "YYYYYYY", 8, true));
  c_fakeController controller = m_controller(0);
  ASSERT_TRUE(m_connectWhenListening(controller.m_peer(), plant_->m_tcPort(), controller.m_spec().address));
  ASSERT_TRUE(controller.m_send(CTM_tctm00_message(), 0));
  EXPECT_TRUE(controller.m_peer().m_expect(c_fakeController::m_wire(CTM_tmtc00_message(), 0)));
  EXPECT_EQ(tm32.m_terminate(), 0);
}

// An installation of its own for each case, and how tmrun is started there.
struct Surroundings {
  c_tempHome home;
  c_runningPlant plant{home, 1};
  c_tmProcess::c_options options;

  Surroundings() { plant.m_writeInstallation(); }
  std::string m_path(const std::string& relative) const { return home.m_pathOf(relative); }
  std::string m_runsLine(const std::string& stores) const {
    return "tmrun: TM32 runs, TC listener 127.0.0.1:" + std::to_string(plant.m_tcPort()) +
           " and TM listener 127.0.0.1:" + std::to_string(plant.m_tmPort()) + stores + "\n";
  }
  static void m_registerLogs() {
    EXPECT_EQ(c_runChild(std::string(TM_BIN_DIR) + "/fennick", {"-c", "TM32_"}).exitStatus, 0);
  }
};

struct SurroundingsCase {
  const char* name;
  std::array<c_tmProcess::c_stream, 3> streams;
  int stopSignal;
  // Prepares the surroundings; what the captured standard output and error must hold.
  std::function<std::pair<std::string, std::string>(Surroundings&)> prepare;
  std::function<void(const Surroundings&, pid_t)> check;  // after the stop
};

using enum c_tmProcess::c_stream;
const auto untouched = [](Surroundings&) { return std::pair<std::string, std::string>(); };

const SurroundingsCase surroundingsCases[] = {
    {"standard output a pipe whose reader has gone", {inherited, readerGone, inherited}, SIGTERM, untouched, {}},
    {"standard error a pipe whose reader has gone", {inherited, inherited, readerGone}, SIGTERM, untouched, {}},
    {"standard output a full pipe that nobody reads", {inherited, full, inherited}, SIGTERM, untouched, {}},
    {"standard output and error closed", {null, closed, closed}, SIGTERM, untouched,
     [](const Surroundings& s, pid_t pid) {
       EXPECT_EQ(s.home.m_readFile("run/tmrun-TM32.lock"), std::to_string(pid) + "\n");
     }},
    {"its terminal gone", {inherited, inherited, inherited}, SIGHUP, untouched, {}},
    {"the events' store a folder", {inherited, captured, captured}, SIGTERM,
     [](Surroundings& s) {
       s.m_registerLogs();
       s.home.m_writeFile("run/log/TM32_TMBase.Evt/.keep", "");
       return std::pair(s.m_runsLine("; telegrams in " + s.m_path("run/log/TM32_TMTele.Evt")),
                        "tmrun: the events of TM32 cannot be written to " + s.m_path("run/log/TM32_TMBase.Evt") +
                            ": Is a directory\n");
     },
     {}},
    {"run/log a plain file", {inherited, captured, captured}, SIGTERM,
     [](Surroundings& s) {
       s.m_registerLogs();
       std::filesystem::remove(s.m_path("run/log"));
       s.home.m_writeFile("run/log", "");
       std::string errors;
       for (const auto& [kind, log] : {std::pair("events", "TMBase"), {"telegrams", "TMTele"},
                                       {"statistics", "TMStatistical"}})
         errors += std::string("tmrun: the ") + kind + " of TM32 cannot be written to " +
                   s.m_path("run/log/TM32_") + log + ".Evt: Not a directory\n";
       return std::pair(s.m_runsLine(""), errors + "tmrun: the trace files of TM32 cannot be made in " +
                                              s.m_path("run/log/TM32") + ": Not a directory\n");
     },
     {}},
    {"a relative TM_HOME", {inherited, captured, captured}, SIGTERM,
     [](Surroundings& s) {
       s.m_registerLogs();
       const std::filesystem::path home = s.home.m_path();
       s.options.workDir = home.parent_path();
       s.options.environment.emplace_back("TM_HOME", home.filename());
       return std::pair(s.m_runsLine("; events in " + s.m_path("run/log/TM32_TMBase.Evt") + ", telegrams in " +
                                     s.m_path("run/log/TM32_TMTele.Evt")),
                        std::string());
     },
     [](const Surroundings& s, pid_t) { EXPECT_TRUE(s.home.m_exists("run/log/TM32_TMBase.Evt")); }},
};

// Whatever its standard streams, a stop signal of its terminal and an
// installation it cannot wholly write, the TM runs, serves its controllers and
// stops in order; what it cannot write to it says once on standard error.
TEST_F(TmrunRunning, WhateverItsSurroundingsTheTmServesAndStopsInOrder) {
  for (const SurroundingsCase& test : surroundingsCases) {
    SCOPED_TRACE(test.name);
    Surroundings s;
    s.options.streams = test.streams;
    // The sanitizers' summaries are no part of what tmrun prints.
    s.options.environment.emplace_back("LSAN_OPTIONS", "print_suppressions=0");
    const auto [out, errors] = test.prepare(s);
    c_tmProcess tm32;
    ASSERT_TRUE(tm32.m_start(c_runningPlant::tmId, s.options));
    const pid_t pid = tm32.m_pid();
    c_fakeController controller(s.plant, 0);
    EXPECT_TRUE(m_connectWhenListening(controller.m_peer(), s.plant.m_tcPort(), controller.m_spec().address));
    EXPECT_TRUE(controller.m_send(CTM_tctm00_message(), 0));
    EXPECT_TRUE(controller.m_peer().m_expect(c_fakeController::m_wire(CTM_tmtc00_message(), 0)));
    EXPECT_EQ(tm32.m_stop(test.stopSignal), 0);
    EXPECT_TRUE(controller.m_peer().m_expectClosed());
    EXPECT_EQ(tm32.m_captured(1), out);
    EXPECT_EQ(tm32.m_captured(2), errors);
    if (test.check) test.check(s, pid);
  }
}

}  // namespace
