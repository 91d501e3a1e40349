#pragma once
// CTM_tp: a tracking point (kind 4), where a transport controller reports a passing
// item. Its id is the sixteen-character equipment code of the telegrams; the first
// five characters are the id of its logical segment, and characters 1 to 4 name that
// segment on the links between neighbouring TMs. Ids too short for a slice match
// nothing.

#include <string>
#include <string_view>

#include "topology/ctm_node.h"

class CTM_tp : public CTM_node {
 public:
  static constexpr int type = typeTp;
  // Characters of an id that name its logical segment.
  static constexpr std::size_t prefixLength = 5;

  explicit CTM_tp(std::string id) : CTM_node(std::move(id)) {}

  int m_getType() const final { return type; }

  // Ids of the TM (four parents up) and the logical segment (three up); empty when
  // the tracking point lacks that ancestor.
  const std::string& m_getTmId() const;
  const std::string& m_getLsId() const;

  // The logical connect id of the link from the first predecessor in another
  // logical segment: its five-character prefix and characters 1 to 4 of this id;
  // tmId names that predecessor's TM. False (outputs untouched) when every
  // predecessor shares this prefix.
  bool m_getLogicalConnectId(std::string& connectId, std::string& tmId) const;

  // Whether characters 1-4 of this id equal characters 5-8 of the destination (a
  // logical connect id names its downstream segment there).
  bool m_matchesDestination(std::string_view destination) const;
  // Whether the first five characters of this id differ from the prefix.
  bool m_prefixDiffers(std::string_view prefix) const;
  // The same two tests on any id: route search applies them to every node it walks.
  static bool m_idMatchesDestination(std::string_view id, std::string_view destination);
  static bool m_idPrefixDiffers(std::string_view id, std::string_view prefix);

 private:
  const std::string& m_ancestorId(int levels) const;
};
