#pragma once
// CTM_transportOwner: what a transport object needs of its logical segment. The
// segment implements it: routing events go to its routing-event report (which
// traces the item and tells the other computers), texts go to IM through the TM
// node with the segment's id as their source.
// Called only from inside the segment's entry points, under the segment lock.

#include <string>

class CTM_BIT;

class CTM_transportOwner {
 public:
  virtual ~CTM_transportOwner() = default;

  virtual const std::string& m_getSegmentId() const = 0;
  // A routing event of the item: 2 TRS, 5 TLATE (text: the expired
  // transport specification's id), 9 UNAVAILABLE_OUTPUT, 11 UNKNOWN_DESTINATION.
  virtual bool m_reportRoutingEvent(CTM_BIT* item, int kind, const std::string& text) = 0;
  // An exception report to IM at the level (1 the most urgent).
  virtual bool m_reportText(unsigned short level, const std::string& text) = 0;
};
