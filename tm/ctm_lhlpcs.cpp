#include "tm/ctm_lhlpcs.h"

#include <chrono>
#include <memory>
#include <thread>

#include "links/ctm_connection.h"
#include "telegrams/ctm_cs_message.h"
#include "telegrams/ctm_sc_message.h"
#include "tm/ctm_runningls.h"
#include "tm/ctm_tmsegments.h"
#include "topology/ctm_tm.h"
#include "tracking/ctm_lpcinfo.h"

CTM_lhlpcs::CTM_lhlpcs(CTM_node* owner, const std::string& host, int port) : tm_(dynamic_cast<CTM_tm*>(owner)) {
  const std::string tmId = owner != nullptr ? owner->m_getId() : std::string();
  interfaceName_ = "LPCS";
  // Characters 3 and 4 of the TM's id name both ends of the link.
  ownSubId_ = tmId.size() > 2 ? tmId.substr(2, 2) : std::string();
  expectedSubId_ = ownSubId_;
  keepAlive_ = std::make_unique<CTM_cs00_message>();
  expectedKeepAliveId_ = "SC00";
  ownTelegramIds_ = {"CS00", "CS01", "CS02", "CS03", "CS11", "CS12", "CS13"};
  ownedConnection_ = std::make_unique<CTM_connection>(this, tm_ != nullptr ? tm_->m_getAddress() : std::string(),
                                                      host, port, true);
  m_readKeepAliveInterval("CS00", 5);
}

// The thread's last pass runs the CS03 walk before its connection closes (see
// m_shutdownSockets); afterwards no link is left to carry one.
CTM_lhlpcs::~CTM_lhlpcs() { m_shutdown(); }

void CTM_lhlpcs::m_shutdownSockets() {
  constexpr int stepMs = 5;
  for (int waited = 0; m_isRunning() && waited < shutdownGraceMs; waited += stepMs)
    std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
  if (m_isRunning()) CTM_single_connection_lh::m_shutdownSockets();
}

template <class Request>
bool CTM_lhlpcs::m_requestEach(c_collect collect) {
  for (CTM_runningLs* segment : ctm_runningSegmentsOf(tm_)) {
    std::vector<std::string> lpcs;
    (segment->*collect)(lpcs);
    for (const std::string& lpc : lpcs) {
      Request request;
      request.m_setLPC(lpc);
      if (!m_transmit(&request, -1)) return false;
    }
  }
  return true;
}

bool CTM_lhlpcs::m_initInterface() { return m_requestEach<CTM_cs02_message>(&CTM_runningLs::m_collectOpenLpcRequests); }

bool CTM_lhlpcs::m_cleanupInterface() {
  return m_requestEach<CTM_cs03_message>(&CTM_runningLs::m_collectAnsweredLpcRequests);
}

bool CTM_lhlpcs::m_onTimer1() {
  if (!CTM_single_connection_lh::m_onTimer1()) return false;
  m_readKeepAliveInterval("CS00", 5);
  m_armKeepAliveTimer();
  return true;
}

namespace {

// SC01 and SC11 answer with the LPC status, SC02 and SC12 update with the update status.
std::string statusOf(const CTM_sc01_message& answer) { return answer.m_getLPC_status(); }
std::string statusOf(const CTM_sc02_message& update) { return update.m_getUpdateStatus(); }
std::string statusOf(const CTM_sc11_message& answer) { return answer.m_getLPC_status(); }
std::string statusOf(const CTM_sc12_message& update) { return update.m_getUpdateStatus(); }

}  // namespace

// Each segment gets a record of its own, which it releases after copying.
template <class Data>
bool CTM_lhlpcs::m_onLpcData(CTM_message& telegram) {
  auto* data = dynamic_cast<Data*>(&telegram);
  if (data == nullptr) return CTM_lh::m_processTelegram(&telegram);
  const std::string lpc = data->m_getLPC();
  const std::string status = statusOf(*data);
  for (CTM_runningLs* segment : ctm_runningSegmentsOf(tm_)) segment->m_applyLpcData(lpc, status, data->m_getLpcInfo());
  return true;
}

template <class Fsc>
bool CTM_lhlpcs::m_onFsc(CTM_message& telegram) {
  auto* fsc = dynamic_cast<Fsc*>(&telegram);
  if (fsc == nullptr) return CTM_lh::m_processTelegram(&telegram);
  const std::string lpc = fsc->m_getLPC();
  const std::string status = statusOf(*fsc);
  const int value = fsc->m_getFSC();
  for (CTM_runningLs* segment : ctm_runningSegmentsOf(tm_)) segment->m_applyFSC(lpc, status, value);
  return true;
}

bool CTM_lhlpcs::m_processTelegram(CTM_message* telegram) {
  if (telegram == nullptr) return CTM_lh::m_processTelegram(telegram);
  const std::string id = telegram->m_getId();
  if (id == "SC01") return m_onLpcData<CTM_sc01_message>(*telegram);
  if (id == "SC02") return m_onLpcData<CTM_sc02_message>(*telegram);
  if (id == "SC11") return m_onFsc<CTM_sc11_message>(*telegram);
  if (id == "SC12") return m_onFsc<CTM_sc12_message>(*telegram);
  if (id == "CS01" || id == "CS02" || id == "CS03" || id == "CS11" || id == "CS12" || id == "CS13")
    return m_transmit(telegram, -1);
  return CTM_lh::m_processTelegram(telegram);
}
