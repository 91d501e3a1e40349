#include "topology/ctm_tp.h"

namespace {

const std::string noId;

// Characters 1 to 4 of a tracking point's id: its segment's name on TM-to-TM links.
constexpr std::size_t segmentNameStart = 1;
constexpr std::size_t segmentNameLength = 4;
// Where a logical connect id carries the downstream segment's name.
constexpr std::size_t destinationNameStart = 5;

std::string_view prefixOf(std::string_view id) { return id.substr(0, CTM_tp::prefixLength); }

}  // namespace

const std::string& CTM_tp::m_ancestorId(int levels) const {
  const CTM_node* node = this;
  for (int i = 0; i < levels && node; ++i) node = node->m_getParent();
  return node ? node->m_getId() : noId;
}

const std::string& CTM_tp::m_getTmId() const { return m_ancestorId(4); }

const std::string& CTM_tp::m_getLsId() const { return m_ancestorId(3); }

bool CTM_tp::m_getLogicalConnectId(std::string& connectId, std::string& tmId) const {
  const std::string& id = m_getId();
  if (id.size() < segmentNameStart + segmentNameLength) return false;
  std::string_view prefix = prefixOf(id);
  for (std::size_t i = 0; i < m_getPredecessorCount(); ++i) {
    const CTM_node* predecessor = m_getPredecessor(i);
    std::string_view predecessorPrefix = prefixOf(predecessor->m_getId());
    if (predecessorPrefix.size() < prefixLength || predecessorPrefix == prefix) continue;
    connectId = std::string(predecessorPrefix) + id.substr(segmentNameStart, segmentNameLength);
    tmId = predecessor->m_getType() == type ? static_cast<const CTM_tp*>(predecessor)->m_getTmId() : noId;
    return true;
  }
  return false;
}

bool CTM_tp::m_matchesDestination(std::string_view destination) const {
  return m_idMatchesDestination(m_getId(), destination);
}

bool CTM_tp::m_idMatchesDestination(std::string_view id, std::string_view destination) {
  if (id.size() < segmentNameStart + segmentNameLength ||
      destination.size() < destinationNameStart + segmentNameLength)
    return false;
  return id.substr(segmentNameStart, segmentNameLength) ==
         destination.substr(destinationNameStart, segmentNameLength);
}

bool CTM_tp::m_prefixDiffers(std::string_view prefix) const { return m_idPrefixDiffers(m_getId(), prefix); }

bool CTM_tp::m_idPrefixDiffers(std::string_view id, std::string_view prefix) { return prefixOf(id) != prefix; }
