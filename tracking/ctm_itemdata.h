#pragma once
// CTM_itemData: the record of one baggage item: its identity, its status and the
// data that OC, LPCS and the transport controllers deliver about it, with the
// LPC data first. The item holds it, a transport specification holds its
// criteria in one, and the item-record telegrams carry it, in this member order.
// CTM_itemCriteria says how each member is matched, traced, read and written.
// Plain data: no locking of its own.

#include <string>

#include "tracking/ctm_lpcinfo.h"

class CTM_itemData : public CTM_lpcInfo {
 public:
  int m_getStructVersionID() const { return structVersionID_; }
  bool m_setStructVersionID(int version) { structVersionID_ = version; return true; }
  const std::string& m_getBIT_ID() const { return BIT_ID_; }
  bool m_setBIT_ID(const std::string& id) { BIT_ID_ = id; return true; }
  const std::string& m_getStatus() const { return status_; }
  // Only the eight status words; anything else (the empty text too) is refused.
  bool m_setStatus(const std::string& word);
  // The segment's good LPC read leaves the item without status.
  void m_clearStatus() { status_.clear(); }
  int m_getSelectionID() const { return selectionID_; }
  bool m_setSelectionID(int id) { selectionID_ = id; return true; }
  const std::string& m_getLPC() const { return LPC_; }
  bool m_setLPC(const std::string& lpc) { LPC_ = lpc; return true; }
  bool m_getTubbingNecessity() const { return tubbingNecessity_; }
  bool m_setTubbingNecessity(bool value) { tubbingNecessity_ = value; return true; }
  bool m_getTubbedIndicator() const { return tubbedIndicator_; }
  bool m_setTubbedIndicator(bool value) { tubbedIndicator_ = value; return true; }
  int m_getRequiredScreenLevel() const { return requiredScreenLevel_; }
  bool m_setRequiredScreenLevel(int level) { requiredScreenLevel_ = level; return true; }
  int m_getReachedScreenLevel() const { return reachedScreenLevel_; }
  bool m_setReachedScreenLevel(int level) { reachedScreenLevel_ = level; return true; }
  int m_getLength() const { return length_; }
  bool m_setLength(int value) { length_ = value; return true; }
  int m_getHeight() const { return height_; }
  bool m_setHeight(int value) { height_ = value; return true; }
  int m_getWidth() const { return width_; }
  bool m_setWidth(int value) { width_ = value; return true; }
  int m_getWeight() const { return weight_; }
  bool m_setWeight(int value) { weight_ = value; return true; }
  int m_getFSC() const { return FSC_; }
  bool m_setFSC(int value) { FSC_ = value; return true; }

 private:
  // Its table reaches every member; a transport specification's status criterion
  // is any text, where an item's is a status word.
  friend class CTM_itemCriteria;

  int structVersionID_ = 0;
  std::string BIT_ID_;
  std::string status_;
  int selectionID_ = 0;
  std::string LPC_;
  bool tubbingNecessity_ = false;
  bool tubbedIndicator_ = false;
  int requiredScreenLevel_ = -1;  // not set
  int reachedScreenLevel_ = 0;
  int length_ = 0;
  int height_ = 0;
  int width_ = 0;
  int weight_ = 0;
  int FSC_ = 0;
};
