#pragma once
// A whole TM32 running in the test's process (c_runningPlant), driven over
// loopback by fake transport controllers that connect from their configured
// 127.0.0.x addresses. Events go to a recorder; at the end the TM is stopped,
// its world destroyed, and the process's threads and descriptors must be back
// where they were before the test (the threaded line-handler fixture).

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "telegrams/ctm_message.h"
#include "telegrams/ctm_tctm_message.h"
#include "telegrams/ctm_tmtc_message.h"
#include "tests/links/linehandler_fixture.h"
#include "tests/support/c_fakepeer.h"
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

  ::testing::AssertionResult m_connect() { return peer_.m_connect(c_runningPlant::tmAddress, port_, spec_.address); }
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

  // The next telegram other than the periodic status request TMTC22.
  std::unique_ptr<CTM_message> m_receiveAnswer() {
    for (;;) {
      std::unique_ptr<CTM_message> telegram = m_receive();
      if (!telegram || telegram->m_getId() != "TMTC22") return telegram;
    }
  }

  static std::string m_wire(CTM_message&& telegram, int sequence) {
    return c_runningPlant::m_wire(std::move(telegram), sequence);
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

class TmSystemTest : public LineHandlerThreadsTest {
 protected:
  static constexpr int controllersPerSegment = 2;
  static inline const std::string blankId = std::string(11, ' ');

  void SetUp() override {
    LineHandlerThreadsTest::SetUp();
    CTM_default_transSpec::m_resetForTest();
    plant_ = std::make_unique<c_runningPlant>(home_, controllersPerSegment);
    plant_->m_writeInstallation();
    ASSERT_TRUE(m_start(c_runningPlant::tmId));
    ASSERT_TRUE(plant_->m_read());
  }
  // The TM stops and its world goes before the threads and descriptors are counted.
  void TearDown() override {
    plant_.reset();
    CTM_default_transSpec::m_resetForTest();
    LineHandlerThreadsTest::TearDown();
  }

  // TM31 feeds the first entry of E3201: TM32 has an upstream TM once the
  // topology is read again.
  void m_addUpstreamTm() const { plant_->m_addUpstreamTm(); }

  // Connects from that address once a TM in a process of its own (c_tmProcess)
  // listens on the port: it does once it has read the installation.
  static ::testing::AssertionResult m_connectWhenListening(c_fakePeer& peer, int port, const std::string& from) {
    for (int attempt = 0; attempt < 200; ++attempt) {
      if (peer.m_connect(c_runningPlant::tmAddress, port, from)) return ::testing::AssertionSuccess();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ::testing::AssertionFailure() << "nothing listens on port " << port;
  }

  CTM_runningTm* m_tm() const { return plant_->m_tm(); }
  CTM_node* m_node(const std::string& id) const { return plant_->m_world().m_findNode(id); }
  c_fakeController m_controller(std::size_t i) const { return c_fakeController(*plant_, i); }

  std::unique_ptr<c_runningPlant> plant_;
};
