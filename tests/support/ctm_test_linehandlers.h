#pragma once
// Small line handlers on the three connection roles, for the tests and the
// benchmark of the line-handler framework. Each stands in for a real interface
// as far as the framework needs: a server answers the keep-alive of a
// transport controller ("TC"), the clients send the keep-alive of the TM to IM
// ("IM"). Telegrams of the ids that the TM sends on the link are transmitted when
// taken from the out-queue; a test can make the next ones fail to send.
//
// Threads: the counters are atomics, read by the test while the handler runs.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "links/ctm_connection.h"
#include "links/ctm_double_connection_lh.h"
#include "links/ctm_server_lh.h"
#include "links/ctm_single_connection_lh.h"
#include "telegrams/ctm_bcim_message.h"
#include "telegrams/ctm_tmtc_message.h"

// Each most-derived handler ends its thread first thing in its destructor, as an
// owner does before deleting a handler: the thread calls into every layer.
template <class Role>
class CTM_testLh : public Role {
 public:

  std::atomic<int> inits{0};
  std::atomic<int> cleanups{0};
  // Telegrams of the TM's own ids whose send is made to fail, one each.
  std::atomic<int> sendFailures{0};
  // Called with every telegram the processor gets, before it acts (the handler's thread).
  std::function<void(CTM_message&)> onProcess;

  using Role::m_sendQueued;
  using Role::m_setInterfaceStatus;
  using Role::m_transmit;
  using Role::m_waitForEvent;
  CTM_queue& m_queue() { return this->queue_; }
  c_waitableTimer& m_timer(int i) { return this->timers_[i]; }
  void m_setKeepAliveInterval(int seconds) { this->keepAliveInterval_ = seconds; }

 protected:
  bool m_initInterface() override {
    ++inits;
    return true;
  }
  bool m_cleanupInterface() override {
    ++cleanups;
    return true;
  }
  bool m_processTelegram(CTM_message* telegram) override {
    if (onProcess) onProcess(*telegram);
    if (!this->m_isOwnTelegramId(telegram->m_getId())) return Role::m_processTelegram(telegram);
    if (sendFailures > 0) {
      --sendFailures;
      return false;
    }
    return this->m_transmit(telegram, -1);
  }
  // As the interfaces do: timer 1 is armed again after each keep-alive sent.
  bool m_onTimer1() override {
    if (!Role::m_onTimer1()) return false;
    this->timers_[0].m_set(this->keepAliveInterval_, 0);
    return true;
  }

  // The TC link: the peer's keep-alive TCTM00 is answered with TMTC00.
  void m_setUpAsTc() {
    this->interfaceName_ = "TC";
    this->ownName_ = "TC3201";
    this->expectedKeepAliveId_ = "TCTM00";
    this->keepAlive_ = std::make_unique<CTM_tmtc00_message>();
    this->ownSubId_ = "01";
    this->expectedSubId_ = "01";
    this->ownTelegramIds_ = {"TMTC00", "TMTC01", "TMTC02"};
  }
  // The IM link: the TM's keep-alive BCIM00 is answered with IMBC00.
  void m_setUpAsIm() {
    this->interfaceName_ = "IM";
    this->expectedKeepAliveId_ = "IMBC00";
    this->keepAlive_ = std::make_unique<CTM_bcim00_message>();
    this->ownSubId_ = "01";
    this->expectedSubId_ = "01";
    this->ownTelegramIds_ = {"BCIM00", "BCIM01", "BCIM02", "BCIM11", "BCIM12", "BCIM21"};
  }
};

class CTM_testServerLh : public CTM_testLh<CTM_server_lh> {
 public:
  CTM_testServerLh() { m_setUpAsTc(); }
  ~CTM_testServerLh() override { m_shutdown(); }
};

class CTM_testClientLh : public CTM_testLh<CTM_single_connection_lh> {
 public:
  CTM_testClientLh(const std::string& host, int port, bool sleepBeforeConnect = false, bool noTerminator = false) {
    m_setUpAsIm();
    sleepBeforeConnect_ = sleepBeforeConnect;
    ownedConnection_ = std::make_unique<CTM_connection>(this, "", host, port, noTerminator);
  }
  ~CTM_testClientLh() override { m_shutdown(); }
};

// Its wake-ups can be held back, so that a test decides when the handler looks
// at its two connections.
class CTM_testDoubleClientLh : public CTM_testLh<CTM_double_connection_lh> {
 public:
  CTM_testDoubleClientLh(const std::string& host1, int port1, const std::string& host2, int port2) {
    m_setUpAsIm();
    connection1_ = std::make_unique<CTM_connection>(this, "", host1, port1, false);
    connection2_ = std::make_unique<CTM_connection>(this, "", host2, port2, false);
  }
  ~CTM_testDoubleClientLh() override { m_shutdown(); }

  bool m_signal() override { return wakeUpsHeld_ ? true : CTM_double_connection_lh::m_signal(); }
  void m_holdWakeUps(bool hold) { wakeUpsHeld_ = hold; }
  // Wakes the handler once, as a receiver would.
  void m_wakeUp() { CTM_double_connection_lh::m_signal(); }
  int m_statusOf(int connection) const {
    return (connection == 1 ? connection1_ : connection2_)->m_getStatus();
  }

 private:
  std::atomic<bool> wakeUpsHeld_{false};
};
