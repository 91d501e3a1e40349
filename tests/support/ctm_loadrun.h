#pragma once
// c_loadRun: a TM32 of c_runningPlant under load, for the load benchmark and its
// short check. Each transport controller runs on a thread of its own and reports
// bag after bag as fast as the answers come: TCTM01 for a new bag at its entry
// (answered with the new id), TCTM04 and TCTM09 with the bag's own LPC there
// (both answered), TCTM05 at its exit (never answered). Fake OC, LPCS, IM and
// downstream-TM (TM33) computers take whatever the TM sends them and answer its
// keep-alives. The TM is stopped while the controllers still send.
//
// With bags in flight, the TM holds that many bags through the load in the first
// segment, and as many again that an upstream TM31 announced there: before the
// load, the first controller reports each of its bags (with an id of its own) new
// and once more at its entry (both answered) and never at the exit, and TM31
// (the caller's thread, from 127.0.0.31) announces its bags with UD11, each
// acknowledged with DU11.
//
// m_verify then holds the run against what the TM must have done: every report
// that is answered was answered in time by the right TMTC01; each bag's trace
// file holds its life as far as the controller knows the TM saw it; the event log
// holds one telegram-text record for every telegram that crossed a link, numbered
// without a gap, and no event failed to be written; no computer had to take a
// second link; threads and descriptors are back where they were before the run.
//
//   c_loadRun run(home, 10, 3);
//   if (!run.m_start(failure)) ...
//   run.m_load(std::chrono::seconds(3));
//   run.m_stop();
//   std::vector<std::string> faults = run.m_verify();
//
// Threads: the caller's thread starts, loads, stops and verifies; the controllers
// and the fake computers run on threads of their own from m_start to m_stop.
// CTM_logging must write to the event log (no sink) for the event check.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/c_syncObject.h"
#include "core/ctm_logging.h"
#include "tests/support/c_resourcebaseline.h"
#include "tests/support/ctm_runningplant.h"

class c_fakePeer;
class c_tempHome;

class c_loadRun {
 public:
  struct c_figures {
    std::uint64_t telegrams = 0;  // sent by the controllers until the stop began
    std::uint64_t answers = 0;
    std::uint64_t bags = 0;       // lives the controllers finished
    double seconds = 0;           // from the start of the load to the start of the stop
    std::vector<std::int64_t> answerNanoseconds;  // sorted
    std::int64_t stopMilliseconds = 0;            // of the TM's stop under load
    std::size_t largestOutQueue = 0;              // telegrams waiting for a computer's link, at most
    std::int64_t rssBeforeKb = 0;                 // before the TM started
    std::int64_t rssLoadedKb = 0;                 // halfway through the load
    std::int64_t rssAfterKb = 0;                  // after the stop, the world gone, freed pages returned
    // The process with every link up, before the bags in flight came; with them;
    // halfway through the load.
    std::uint64_t bagsInFlight = 0;  // reported and announced
    int threadsUp = 0, descriptorsUp = 0;
    std::int64_t rssUpKb = 0;
    int threadsHeld = 0, descriptorsHeld = 0;
    std::int64_t rssHeldKb = 0;
    int threadsLoaded = 0, descriptorsLoaded = 0;
  };

  c_loadRun(const c_tempHome& home, int controllers, int segments, int bagsInFlight = 0);
  ~c_loadRun();
  c_loadRun(const c_loadRun&) = delete;
  c_loadRun& operator=(const c_loadRun&) = delete;

  // Lets the event log grow to its largest size, so that a long run never rolls
  // records out of it; takes effect for the sources that CTM_logging opens next.
  static bool m_widenEventLog();

  // Writes the installation, starts the configuration, the fake computers and the
  // TM, and brings every controller's link up; false with the reason.
  bool m_start(std::string& failure);
  // The controllers send for that long (or until one of them fails).
  void m_load(std::chrono::milliseconds duration);
  // Stops the TM under load (timed), then ends the controllers and computers.
  void m_stop();

  const c_figures& m_figures() const { return figures_; }
  // What the run got wrong, one text per fault; empty when all held.
  std::vector<std::string> m_verify();

  class c_controller;
  class c_computer;

 private:
  std::vector<std::string> m_ocTransSpecs() const;
  bool m_linkUpstreamTm(std::string& failure);
  bool m_holdBags(std::string& failure);
  std::vector<std::string> m_verifyTraces() const;
  std::vector<std::string> m_verifyEventLog() const;

  const c_tempHome& home_;
  const int bagsInFlight_;  // of each kind
  std::optional<c_resourceBaseline> baseline_;  // taken once the event log is open
  std::unique_ptr<c_runningPlant> plant_;
  CTM_eventRecorder unwritten_;  // events the event log refused
  c_event stop_;
  std::atomic<bool> loading_{false};
  std::atomic<bool> stopping_{false};
  bool stopped_ = false;
  std::vector<std::unique_ptr<c_computer>> computers_;
  std::vector<std::unique_ptr<c_controller>> controllers_;
  std::unique_ptr<c_fakePeer> upstream_;  // TM31, when bags are held
  std::vector<std::string> heldBags_;     // reported by the first controller
  c_figures figures_;
};
