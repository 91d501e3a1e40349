#include "tm/ctm_ustmlistener.h"

#include "core/ctm_logging.h"
#include "links/ctm_server_lh.h"
#include "tm/ctm_runningtm.h"

CTM_ustmListener::CTM_ustmListener(CTM_runningTm* owner) : c_tcpListener("USTM"), owner_(owner) {}

CTM_ustmListener::~CTM_ustmListener() { m_endListening(); }

bool CTM_ustmListener::m_onAccept(c_socket& accepted, const c_peer& peer) {
  if (owner_ == nullptr) return false;
  for (std::size_t i = 0; i < owner_->m_getPredecessorCount(); ++i) {
    const auto* upstream = dynamic_cast<const CTM_tm*>(owner_->m_getPredecessor(i));
    if (upstream == nullptr || !m_peerMatches(peer, upstream->m_getAddress())) continue;
    // The snapshot keeps the handler alive through the hand-over; a handler
    // retired meanwhile refuses the socket and closes it.
    auto lineHandler = std::dynamic_pointer_cast<CTM_server_lh>(owner_->m_findUstmLh(upstream->m_getId()));
    if (!lineHandler) {
      CTM_logging::m_log(1, ev::LS_UPSTREAM_TM_NOT_STARTED, "ss", upstream->m_getId(), peer.dotted);
      return false;
    }
    lineHandler->m_acceptConnection(std::move(accepted));
    return true;
  }
  if (peer.name.empty())
    CTM_logging::m_log(1, ev::LS_NO_UPSTREAM_TM_ADDRESS, "iiii", (peer.address >> 24) & 255,
                       (peer.address >> 16) & 255, (peer.address >> 8) & 255, peer.address & 255);
  else
    CTM_logging::m_log(1, ev::LS_NO_UPSTREAM_TM_NAMED, "s", peer.name);
  return false;
}
