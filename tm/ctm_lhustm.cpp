#include "tm/ctm_lhustm.h"

#include <memory>

#include "core/ctm_logging.h"
#include "links/ctm_connection.h"
#include "telegrams/ctm_du_message.h"
#include "telegrams/ctm_ud_message.h"
#include "tm/ctm_neighbourlink.h"
#include "tm/ctm_runningls.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_tc.h"
#include "topology/ctm_tm.h"
#include "topology/ctm_tp.h"
#include "topology/ctm_ts.h"
#include "tracking/ctm_bit.h"

CTM_lhustm::CTM_lhustm(CTM_node* owner, const std::string& upstreamTmId)
    : owner_(dynamic_cast<CTM_tm*>(owner)), tmId_(owner != nullptr ? owner->m_getId() : std::string()) {
  interfaceName_ = "USTM";
  ownName_ = upstreamTmId;
  ownSubId_ = CTM_neighbourLink::m_subIdOf(tmId_);
  expectedSubId_ = CTM_neighbourLink::m_subIdOf(upstreamTmId);
  keepAlive_ = std::make_unique<CTM_du00_message>();
  expectedKeepAliveId_ = "UD00";
  ownTelegramIds_ = {"DU00", "DU01", "DU11"};
}

// The thread sends the not-available report as it ends (m_shutdown ends it).
CTM_lhustm::~CTM_lhustm() { m_shutdown(); }

bool CTM_lhustm::m_initInterface() { return true; }

// A new connection of the upstream TM replaces this one: the old link is stopped
// and hears nothing more.
bool CTM_lhustm::m_cleanupInterface() {
  if (m_isHandingOver() && connection_ != nullptr) connection_->m_stop();
  return m_sendConnectionStates(nullptr);
}

void CTM_lhustm::m_shutdownSockets() {
  if (m_isHandingOver()) CTM_server_lh::m_shutdownSockets();
}

bool CTM_lhustm::m_processTelegram(CTM_message* telegram) {
  if (telegram == nullptr) return CTM_lh::m_processTelegram(telegram);
  const std::string id = telegram->m_getId();
  if (id == "UD01") return true;
  if (id == "UD02") return m_sendConnectionStates(telegram);
  if (id == "UD11" || id == "UD12") return m_onItem(*telegram);
  if (id == "UD13") return m_onWithdrawal(*telegram);
  // Queued by the TC line handler when a technical segment changes (received, it is dropped as an own id).
  if (id == "DU01") return m_transmit(telegram, -1);
  return CTM_lh::m_processTelegram(telegram);
}

bool CTM_lhustm::m_onItem(CTM_message& telegram) {
  std::unique_ptr<CTM_BIT> item;
  std::string connectId;
  if (auto* announced = dynamic_cast<CTM_ud11_message*>(&telegram)) {
    item = std::make_unique<CTM_BIT>(announced->m_getBIT());
    connectId = announced->m_getLogicalConnectID();
  } else if (auto* updated = dynamic_cast<CTM_ud12_message*>(&telegram)) {
    item = std::make_unique<CTM_BIT>(updated->m_getBIT());
    connectId = updated->m_getLogicalConnectID();
  } else {
    return CTM_lh::m_processTelegram(&telegram);
  }
  CTM_runningLs* segment = CTM_neighbourLink::m_downstreamSegment(owner_, connectId);
  if (segment == nullptr) {
    m_reportUnknownConnection(telegram, connectId);
    return true;
  }
  // The answer is built before the segment takes the item over.
  CTM_du11_message answer;
  answer.m_setLogicalConnectID(connectId);
  answer.m_setBIT_ID(item->m_getBIT_ID());
  answer.m_setConnectionID(0);
  segment->m_receiveBIT(std::move(item));
  return m_transmit(&answer, telegram.m_getSeqNo());
}

bool CTM_lhustm::m_onWithdrawal(CTM_message& telegram) {
  auto* withdrawn = dynamic_cast<CTM_ud13_message*>(&telegram);
  if (withdrawn == nullptr) return CTM_lh::m_processTelegram(&telegram);
  const std::string connectId = withdrawn->m_getLogicalConnectID();
  if (CTM_runningLs* segment = CTM_neighbourLink::m_downstreamSegment(owner_, connectId))
    segment->m_withdrawBIT(withdrawn->m_getBIT_ID());
  else
    m_reportUnknownConnection(telegram, connectId);
  return true;
}

void CTM_lhustm::m_reportUnknownConnection(const CTM_message& telegram, const std::string& connectId) {
  CTM_logging::m_log(1, ev::LH_UNKNOWN_KEY_FIELD, "ss", telegram.m_asString(), "logical connection ID");
  m_sendText(tmId_, 1, "Unknown connection (%s) from (%s).", connectId.c_str(), ownName_.c_str());
}

bool CTM_lhustm::m_sendConnectionStates(CTM_message* request) {
  if (owner_ == nullptr) return true;
  // A report on a link that is already down ends at once, without using a number.
  if (request == nullptr && !m_isConnected()) return false;
  for (std::size_t s = 0; CTM_ls* segment = owner_->m_getChild(s); ++s)
    for (std::size_t c = 0; CTM_tc* controller = segment->m_getChild(c); ++c)
      for (std::size_t t = 0; CTM_ts* technical = controller->m_getChild(t); ++t)
        for (std::size_t p = 0; CTM_tp* point = technical->m_getChild(p); ++p) {
          std::string connectId;
          std::string upstreamTm;
          if (!point->m_getLogicalConnectId(connectId, upstreamTm) || upstreamTm != ownName_) continue;
          CTM_du01_message state;
          state.m_setLogicalConnectID(connectId);
          state.m_appendConnection(0, request != nullptr && point->m_isAvailable());
          if (!m_transmit(&state, request != nullptr ? request->m_getSeqNo() : -1)) return false;
        }
  return true;
}
