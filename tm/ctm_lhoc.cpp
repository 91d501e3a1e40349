#include "tm/ctm_lhoc.h"

#include <memory>

#include "core/ctm_logging.h"
#include "links/ctm_connection.h"
#include "telegrams/ctm_mo_message.h"
#include "telegrams/ctm_om_message.h"
#include "tm/ctm_runningls.h"
#include "tm/ctm_tmsegments.h"
#include "topology/ctm_tc.h"
#include "topology/ctm_tm.h"
#include "topology/ctm_tp.h"
#include "topology/ctm_ts.h"
#include "tracking/ctm_bit.h"
#include "tracking/ctm_transspec.h"

namespace {

// Characters 3 and 4 of the TM's id name both ends of the link.
std::string subIdOf(const std::string& tmId) { return tmId.size() > 2 ? tmId.substr(2, 2) : std::string(); }

}  // namespace

CTM_lhoc::CTM_lhoc(CTM_node* owner, const std::string& host1, int port1, const std::string& host2, int port2)
    : tm_(dynamic_cast<CTM_tm*>(owner)), tmId_(owner != nullptr ? owner->m_getId() : std::string()) {
  interfaceName_ = "OC";
  ownSubId_ = subIdOf(tmId_);
  expectedSubId_ = ownSubId_;
  keepAlive_ = std::make_unique<CTM_mo00_message>();
  expectedKeepAliveId_ = "OM00";
  ownTelegramIds_ = {"MO00", "MO01", "MO02", "MO03", "MO06", "MO07", "MO08", "MO10", "MO11"};
  const std::string localHost = tm_ != nullptr ? tm_->m_getAddress() : std::string();
  connection1_ = std::make_unique<CTM_connection>(this, localHost, host1, port1, false);
  connection2_ = std::make_unique<CTM_connection>(this, localHost, host2, port2, false);
  m_readKeepAliveInterval("MO00", 5);
}

// The thread's last pass has cleaned up before its connection closed; the handler
// keeps no state of its own to release.
CTM_lhoc::~CTM_lhoc() { m_shutdown(); }

bool CTM_lhoc::m_initInterface() {
  auto announcement = std::make_unique<CTM_mo01_message>();
  if (tm_ != nullptr)
    for (std::size_t i = 0; CTM_ls* segment = tm_->m_getChild(i); ++i) announcement->m_appendLS_ID(segment->m_getId());
  return m_send(std::move(announcement), false);
}

bool CTM_lhoc::m_cleanupInterface() { return true; }

bool CTM_lhoc::m_onTimer1() {
  if (!CTM_double_connection_lh::m_onTimer1()) return false;
  m_readKeepAliveInterval("MO00", 5);
  m_armKeepAliveTimer();
  return true;
}

bool CTM_lhoc::m_processTelegram(CTM_message* telegram) {
  if (telegram == nullptr) return CTM_lh::m_processTelegram(telegram);
  const std::string id = telegram->m_getId();
  if (id == "OM02") return m_onBeginDownload(*telegram);
  if (id == "OM03") return m_onTransSpec(*telegram);
  if (id == "OM04") return m_onEndDownload();
  if (id == "OM09") return m_onSelection(*telegram);
  if (id == "OM05") return m_onStatusRequest(*telegram);
  if (id == "OM08") return m_onItemRecord(*telegram);
  if (id == "MO11" || id == "MO10" || id == "MO08" || id == "MO01") return m_transmit(telegram, -1);
  return CTM_lh::m_processTelegram(telegram);
}

CTM_runningLs* CTM_lhoc::m_findSegment(const std::string& lsId, const CTM_message& request, const char* requestId) {
  auto* segment = tm_ != nullptr ? dynamic_cast<CTM_runningLs*>(tm_->m_findLS(lsId)) : nullptr;
  if (segment != nullptr) return segment;
  CTM_logging::m_log(1, ev::LH_UNKNOWN_KEY_FIELD, "ss", request.m_asString(), "Logical Segment");
  m_sendText(tmId_, 1, "Invalid logical segment in %s (%s).", requestId, lsId.c_str());
  return nullptr;
}

bool CTM_lhoc::m_onBeginDownload(CTM_message& request) {
  for (CTM_runningLs* segment : ctm_runningSegmentsOf(tm_)) segment->m_beginTransSpecDownload();
  CTM_mo02_message answer;
  return m_transmit(&answer, request.m_getSeqNo());
}

bool CTM_lhoc::m_onTransSpec(CTM_message& request) {
  auto* download = dynamic_cast<CTM_om03_message*>(&request);
  if (download == nullptr) return CTM_lh::m_processTelegram(&request);
  const std::string lsId = download->m_getLS_ID();
  if (CTM_runningLs* segment = m_findSegment(lsId, request, "OM03")) {
    std::unique_ptr<CTM_transSpec> spec = download->m_getTransSpec();
    if (spec) {
      spec->m_setKey(segment->m_getId());
      segment->m_stageTransSpec(download->m_getModIndicator(), std::move(spec));
    }
  }
  CTM_mo03_message answer;
  return m_transmit(&answer, request.m_getSeqNo());
}

bool CTM_lhoc::m_onEndDownload() {
  for (CTM_runningLs* segment : ctm_runningSegmentsOf(tm_)) segment->m_endTransSpecDownload();
  return true;
}

bool CTM_lhoc::m_onSelection(CTM_message& request) {
  auto* selection = dynamic_cast<CTM_om09_message*>(&request);
  if (selection == nullptr) return CTM_lh::m_processTelegram(&request);
  const int selectionId = selection->m_getSelectionID() & 0xFFFF;
  const std::vector<CTM_runningLs*> segments = ctm_runningSegmentsOf(tm_);
  std::string bitId;
  while (selection->m_getNextBIT_ID(bitId))
    for (CTM_runningLs* segment : segments) segment->m_selectBIT(selectionId, bitId);
  return true;
}

bool CTM_lhoc::m_onStatusRequest(CTM_message& request) {
  CTM_mo06_message entryPoints;
  CTM_mo07_message occupations;
  for (CTM_runningLs* segment : ctm_runningSegmentsOf(tm_)) {
    for (std::size_t i = 0; CTM_tc* controller = segment->m_getChild(i); ++i)
      for (std::size_t j = 0; CTM_ts* technical = controller->m_getChild(j); ++j)
        for (std::size_t k = 0; CTM_tp* point = technical->m_getChild(k); ++k) {
          std::string connectId;
          std::string upstreamTm;
          if (point->m_getLogicalConnectId(connectId, upstreamTm))
            entryPoints.m_appendEntryPoint(connectId, point->m_getState());
        }
    occupations.m_appendOccupation(segment->m_getId(), segment->m_getStatusText());
  }
  return m_transmit(&entryPoints, request.m_getSeqNo()) && m_transmit(&occupations, request.m_getSeqNo());
}

bool CTM_lhoc::m_onItemRecord(CTM_message& request) {
  auto* record = dynamic_cast<CTM_om08_message*>(&request);
  if (record == nullptr) return CTM_lh::m_processTelegram(&request);
  if (CTM_runningLs* segment = m_findSegment(record->m_getLS_ID(), request, "OM08"))
    segment->m_updateBITFromOC(std::make_unique<CTM_BIT>(record->m_getBIT()));
  return true;
}
