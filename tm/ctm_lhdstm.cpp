#include "tm/ctm_lhdstm.h"

#include <memory>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "links/ctm_connection.h"
#include "telegrams/ctm_du_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tm/ctm_neighbourlink.h"
#include "tm/ctm_runningls.h"
#include "topology/ctm_tm.h"

CTM_lhdstm::CTM_lhdstm(CTM_node* owner, const std::string& downstreamTmId, const std::string& remoteHost, int port)
    : owner_(dynamic_cast<CTM_tm*>(owner)), tmId_(owner != nullptr ? owner->m_getId() : std::string()) {
  interfaceName_ = "DSTM";
  ownName_ = downstreamTmId;
  ownSubId_ = CTM_neighbourLink::m_subIdOf(tmId_);
  expectedSubId_ = CTM_neighbourLink::m_subIdOf(downstreamTmId);
  keepAlive_ = std::make_unique<CTM_ud00_message>();
  expectedKeepAliveId_ = "DU00";
  ownTelegramIds_ = {"UD00", "UD01", "UD02", "UD11", "UD12", "UD13"};
  m_readKeepAliveInterval(5);
  ownedConnection_ = std::make_unique<CTM_connection>(this, owner_ != nullptr ? owner_->m_getAddress() : std::string(),
                                                      remoteHost, port, false);
  connection_ = ownedConnection_.get();
}

CTM_lhdstm::~CTM_lhdstm() {
  m_shutdown();
  m_cleanupInterface();
}

void CTM_lhdstm::m_readKeepAliveInterval(int severity) { CTM_client_lh::m_readKeepAliveInterval("UD00", severity); }

bool CTM_lhdstm::m_initInterface() { return m_send(std::make_unique<CTM_ud02_message>(), true); }

bool CTM_lhdstm::m_cleanupInterface() { return true; }

bool CTM_lhdstm::m_onTimer1() {
  if (!CTM_single_connection_lh::m_onTimer1()) return false;
  m_readKeepAliveInterval(3);
  CTM_neighbourLink::m_armOnce(timers_[0], keepAliveInterval_);
  return true;
}

bool CTM_lhdstm::m_processTelegram(CTM_message* telegram) {
  if (telegram == nullptr) return CTM_lh::m_processTelegram(telegram);
  const std::string id = telegram->m_getId();
  if (id == "DU01") return m_onConnectionState(*telegram);
  // The acknowledgement of an announced or updated item asks for nothing.
  if (id == "DU11") return true;
  if (id == "UD01" || id == "UD02" || id == "UD11" || id == "UD12" || id == "UD13") return m_transmit(telegram, -1);
  return CTM_lh::m_processTelegram(telegram);
}

bool CTM_lhdstm::m_onConnectionState(CTM_message& telegram) {
  auto* report = dynamic_cast<CTM_du01_message*>(&telegram);
  if (report == nullptr) return CTM_lh::m_processTelegram(&telegram);
  bool available = false;
  int connectionId = 0;
  bool operational = false;
  while (report->m_getNextConnection(connectionId, operational)) available = available || operational;
  const std::string connectId = report->m_getLogicalConnectID();
  CTM_runningLs* segment = CTM_neighbourLink::m_upstreamSegment(owner_, connectId);
  if (segment != nullptr && segment->m_setLogicalConnectionState(connectId, available)) return true;
  CTM_logging::m_log(1, ev::LH_UNKNOWN_KEY_FIELD, "ss", telegram.m_asString(), "logical connection ID");
  m_sendText(tmId_, 1, "Unknown connection (%s) from TM (%s).", connectId.c_str(), ownName_.c_str());
  return true;
}
