#pragma once
// A whole TM32 running in the test's process (c_runningPlant), driven over
// loopback by fake transport controllers that connect from their configured
// 127.0.0.x addresses. Events go to a recorder; at the end the TM is stopped,
// its world destroyed, and the process's threads and descriptors must be back
// where they were before the test.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "telegrams/ctm_message.h"
#include "telegrams/ctm_tctm_message.h"
#include "telegrams/ctm_tmtc_message.h"
#include "tests/support/c_fakepeer.h"
#include "tests/support/c_resourcebaseline.h"
#include "tests/support/c_temphome.h"
#include "tests/support/ctm_runningplant.h"
#include "tm/ctm_runningtm.h"
#include "topology/ctm_world.h"
#include "tracking/ctm_default_transspec.h"

// A transport controller of the plant, played over loopback.
class c_fakeController {
 public:
  explicit c_fakeController(const c_runningPlant& plant, std::size_t i)
      : spec_(plant.m_controller(i)), port_(plant.m_tcPort()) {}

  const c_runningPlant::c_controller& m_spec() const { return spec_; }
  c_fakePeer& m_peer() { return peer_; }

  ::testing::AssertionResult m_connect() {
    return peer_.m_connect(c_runningPlant::tmAddress, port_, spec_.address);
  }
  // Connects and exchanges the keep-alive: the link is up.
  ::testing::AssertionResult m_bringUp() {
    ::testing::AssertionResult result = m_connect();
    if (result) result = peer_.m_send(m_wire(CTM_tctm00_message(), 0));
    if (result) result = peer_.m_expect(m_wire(CTM_tmtc00_message(), 0));
    return result;
  }
  ::testing::AssertionResult m_send(CTM_message&& telegram, int sequence) {
    return peer_.m_send(m_wire(std::move(telegram), sequence));
  }
  // The next telegram the TM sends, parsed; null when none arrives in time.
  std::unique_ptr<CTM_message> m_receive(int timeoutMs = c_fakePeer::defaultTimeoutMs) {
    const std::string line = peer_.m_receiveLine(timeoutMs);
    if (line.empty() || line.back() != '\n') return nullptr;
    return CTM_message::m_new(line);
  }

  // The telegram as a controller of TM32 sends it, or the TM answers it: sub id "32".
  static std::string m_wire(CTM_message&& telegram, int sequence) {
    telegram.m_setSeqNo(sequence);
    telegram.m_setSubId("32");
    std::string text;
    telegram.m_serialize(text);
    return text;
  }
  // An item report (TCTM01, 04, 05 ...) from a tracking point.
  template <class Report>
  ::testing::AssertionResult m_sendReport(int pic, const std::string& bitId, const std::string& equipmentCode,
                                          int sequence) {
    Report report;
    report.m_setPIC(pic);
    report.m_setBIT_ID(bitId);
    report.m_setEquipmentCode(equipmentCode);
    return m_send(std::move(report), sequence);
  }

 private:
  c_runningPlant::c_controller spec_;
  int port_;
  c_fakePeer peer_;
};

class TmSystemTest : public ::testing::Test {
 protected:
  static constexpr int controllersPerSegment = 2;
  static inline const std::string blankId = std::string(11, ' ');

  void SetUp() override {
    CTM_config::m_resetForTest();
    CTM_logging::m_resetForTest();
    CTM_logging::m_init("");
    CTM_logging::m_setSink(&events_);
    CTM_default_transSpec::m_resetForTest();
    plant_ = std::make_unique<c_runningPlant>(home_, controllersPerSegment);
    plant_->m_writeInstallation();
    ASSERT_TRUE(CTM_config::m_init(c_runningPlant::tmId));
    ASSERT_TRUE(plant_->m_read());
  }
  void TearDown() override {
    plant_.reset();
    EXPECT_TRUE(baseline_.m_isBack());
    CTM_default_transSpec::m_resetForTest();
    CTM_logging::m_setSink(nullptr);
    CTM_config::m_resetForTest();
    CTM_logging::m_resetForTest();
  }

  CTM_runningTm* m_tm() const { return plant_->m_tm(); }
  CTM_node* m_node(const std::string& id) const { return plant_->m_world().m_findNode(id); }
  c_fakeController m_controller(std::size_t i) const { return c_fakeController(*plant_, i); }

  // Whether the condition held within the time (real time, polled).
  static bool m_eventually(const std::function<bool()>& condition, int timeoutMs = 5000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  std::vector<std::vector<std::string>> m_argumentsOf(unsigned id) const {
    std::vector<std::vector<std::string>> result;
    for (const CTM_loggedEvent& event : events_.m_eventsWithId(id)) result.push_back(event.strings);
    return result;
  }

  // The baseline is taken before anything of the test exists.
  c_resourceBaseline baseline_;
  c_tempHome home_;
  CTM_eventRecorder events_;
  std::unique_ptr<c_runningPlant> plant_;
};
