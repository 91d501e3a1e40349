#pragma once
// A fresh configuration store and an event recorder for each test, on a temporary
// installation.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "platform/c_clock.h"
#include "platform/c_fileops.h"
#include "tests/support/c_temphome.h"

class ConfigFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    CTM_config::m_resetForTest();
    CTM_logging::m_resetForTest();
    CTM_logging::m_init("");
    CTM_logging::m_setSink(&events_);
  }
  void TearDown() override {
    c_fileOps::m_setCurrent(nullptr);
    c_clock::m_useSystemClocks();
    CTM_logging::m_setSink(nullptr);
    CTM_config::m_resetForTest();
    CTM_logging::m_resetForTest();
  }

  // The event type the event log shows for a severity.
  static int typeOf(int severity) {
    static const int types[] = {0, 1, 2, 4, 8, 16};
    return types[severity];
  }
  // The insertion strings of every event with the id, in order.
  std::vector<std::vector<std::string>> m_argumentsOf(unsigned id) const {
    std::vector<std::vector<std::string>> result;
    for (const CTM_loggedEvent& event : events_.m_eventsWithId(id)) result.push_back(event.strings);
    return result;
  }
  // The ids of the events written, leaving out the warnings about the unregistered test thread.
  std::vector<unsigned> m_ids() const {
    std::vector<unsigned> ids;
    for (const CTM_loggedEvent& event : events_.m_events())
      if (event.id != ev::LOG_UNREGISTERED_THREAD) ids.push_back(event.id);
    return ids;
  }
  bool m_start(const std::string& tmName = "TM32") { return CTM_config::m_init(tmName); }

  c_tempHome home_;
  CTM_eventRecorder events_;
};
