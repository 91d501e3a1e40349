#include "tm/ctm_tclistener.h"

#include "core/ctm_logging.h"
#include "tm/ctm_lhtc.h"
#include "tm/ctm_runningtc.h"
#include "topology/ctm_ls.h"
#include "topology/ctm_tm.h"

CTM_tcListener::CTM_tcListener(CTM_tm* owner) : c_tcpListener("TC"), owner_(owner) {}

CTM_tcListener::~CTM_tcListener() { m_endListening(); }

bool CTM_tcListener::m_onAccept(c_socket& accepted, const c_peer& peer) {
  if (owner_ == nullptr) return false;
  for (std::size_t s = 0; s < owner_->m_getChildCount(); ++s) {
    const CTM_ls* segment = owner_->m_getChild(s);
    if (segment == nullptr) continue;
    for (std::size_t c = 0; c < segment->m_getChildCount(); ++c) {
      CTM_tc* controller = segment->m_getChild(c);
      if (controller == nullptr || !m_peerMatches(peer, controller->m_getAddress())) continue;
      auto* running = dynamic_cast<CTM_runningTc*>(controller);
      // The snapshot keeps the handler alive through the hand-over; a handler
      // retired meanwhile refuses the socket and closes it.
      std::shared_ptr<CTM_lhtc> lineHandler = running ? running->m_getTcLineHandler() : nullptr;
      if (!lineHandler) {
        CTM_logging::m_log(1, ev::LS_CONTROLLER_NOT_STARTED, "ss", controller->m_getId(), peer.dotted);
        return false;
      }
      lineHandler->m_acceptConnection(std::move(accepted));
      return true;
    }
  }
  if (peer.name.empty())
    CTM_logging::m_log(1, ev::LS_NO_CONTROLLER_ADDRESS, "iiii", (peer.address >> 24) & 255, (peer.address >> 16) & 255,
                       (peer.address >> 8) & 255, peer.address & 255);
  else
    CTM_logging::m_log(1, ev::LS_NO_CONTROLLER_NAMED, "s", peer.name);
  return false;
}
