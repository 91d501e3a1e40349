#pragma once
// CTM_lhmc: the MC line handler, the link between one logical segment and its
// manual coding terminal. The segment queues the items to be coded (MT01) while
// the terminal is open; the handler opens and closes the terminal's coding
// service (MT11), applies the coding results (TM01) through the segment, reports
// the terminal's state (TM21) and its equipment (TM22) to IM, and writes its
// coding statistics to the configuration every 300 seconds.
//
// The clean-up telegram (MT11 "0") goes out from the handler's own thread after
// it has left its event loop and before the connection is closed, also when the
// handler is stopped: the stop does not shut the socket down under the thread
// (every wait of the thread watches the stop event, so it still leaves at once).
//
// Threads: m_isCodingTerminalOpen and m_send from any thread (the segment, under
// its lock); everything else in the handler's thread. The segment and the TM node
// outlive it (the segment shuts it down before it goes).

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "links/ctm_single_connection_lh.h"

class CTM_ls;
class CTM_message;
class CTM_node;
class CTM_runningLs;

class CTM_lhmc : public CTM_single_connection_lh {
 public:
  static constexpr const char* keepAliveId = "MT00";
  static constexpr int firstStatisticsDelay = 1;
  static constexpr int statisticsPeriod = 300;

  // owner: the TM node (its id gives the sub id and the equipment code of the
  // reports, its address the local host); segment: the logical segment served.
  CTM_lhmc(CTM_node* owner, CTM_ls* segment, const std::string& host, int port);
  ~CTM_lhmc() override;

  bool m_isCodingTerminalOpen() const { return terminalState_.load() == 'O'; }

 protected:
  bool m_initInterface() override;
  // MT11 "0", the service no longer required; the terminal counts as unknown.
  bool m_cleanupInterface() override;
  bool m_onTimer1() override;
  // The statistics, then again after the period.
  bool m_onTimer2() override;
  bool m_processTelegram(CTM_message* telegram) override;
  // The clean-up telegram still has to go out: the thread leaves on the stop event alone.
  void m_shutdownSockets() override {}

 private:
  bool m_onCodingResult(CTM_message& telegram);
  bool m_onTerminalState(CTM_message& telegram);
  bool m_onEquipmentState(CTM_message& telegram);
  bool m_sendCodingRequest(CTM_message& telegram);

  std::string tmId_;
  CTM_runningLs* segment_;  // null when the segment is not a running one
  std::atomic<char> terminalState_{'U'};

  // The handler's thread only. The counters are 32-bit so that a long-lived link
  // does not wrap its LONG statistics after 65,535 results.
  std::optional<std::int64_t> lastSendTime_;  // UTC seconds of the last MT01 on this link
  std::int64_t averageProcessingTime_ = 0;    // seconds, over the timed results
  std::uint32_t timedResults_ = 0;            // TM01 that followed an MT01 of this link
  std::uint32_t resultsCounted_ = 0;
  std::uint32_t manualScans_ = 0;
  std::uint32_t typedLpcs_ = 0;
  std::uint32_t typedOther_ = 0;
  std::uint32_t unknownBags_ = 0;
};
