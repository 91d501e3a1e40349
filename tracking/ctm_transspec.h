#pragma once
// CTM_transSpec: where baggage items of a kind go. Twenty optional criteria on
// the item's data (a record of the wanted values and whether each takes part in
// the match, CTM_itemCriteria), a priority, a validity period and the logical
// exit points in order of preference.
// Plain data: it belongs to the list that holds it, whose owner serialises access.

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "tracking/ctm_itemcriteria.h"
#include "tracking/ctm_itemdata.h"

class CTM_transSpec {
 public:
  // How an arrival time relates to the validity period.
  enum class c_validity { notYet, valid, expired };

  CTM_transSpec();
  virtual ~CTM_transSpec() = default;

  // The logical segment's id: the prefix of the status destination keys.
  bool m_setKey(const std::string& key) { key_ = key; return true; }
  const std::string& m_getKey() const { return key_; }

  bool m_setTransportSpecID(const std::string& id) { transportSpecID_ = id; return true; }
  const std::string& m_getTransportSpecID() const { return transportSpecID_; }
  bool m_setRoutingPriority(int priority) { routingPriority_ = priority; return true; }
  int m_getRoutingPriority() const { return routingPriority_; }
  bool m_setStructVersionID(int version) { structVersionID_ = version; return true; }
  int m_getStructVersionID() const { return structVersionID_; }

  // The criteria as one record, and which of them take part in the match.
  const CTM_itemData& m_getCriteria() const { return criteria_; }
  const CTM_itemCriteria::c_relevance& m_getRelevance() const { return relevant_; }
  bool m_setCriteria(const CTM_itemData& criteria, const CTM_itemCriteria::c_relevance& relevant) {
    criteria_ = criteria;
    relevant_ = relevant;
    return true;
  }

  // Each criterion: the setter takes value and relevant flag; the getter writes
  // the value and returns the flag.
  bool m_setBIT_ID(const std::string& value, bool relevant) { return set<K::BIT_ID>(value, relevant); }
  bool m_getBIT_ID(std::string& value) const { return get<K::BIT_ID>(value); }
  bool m_setBIT_status(const std::string& value, bool relevant) { return set<K::BIT_status>(value, relevant); }
  bool m_getBIT_status(std::string& value) const { return get<K::BIT_status>(value); }
  bool m_setSelectionID(int value, bool relevant) { return set<K::selectionID>(value, relevant); }
  bool m_getSelectionID(int& value) const { return get<K::selectionID>(value); }
  bool m_setLPC(const std::string& value, bool relevant) { return set<K::LPC>(value, relevant); }
  bool m_getLPC(std::string& value) const { return get<K::LPC>(value); }
  bool m_setInboundFlightID(const std::string& value, bool relevant) {
    return set<K::inboundFlightID>(value, relevant);
  }
  bool m_getInboundFlightID(std::string& value) const { return get<K::inboundFlightID>(value); }
  bool m_setOutboundFlightID(const std::string& value, bool relevant) {
    return set<K::outboundFlightID>(value, relevant);
  }
  bool m_getOutboundFlightID(std::string& value) const { return get<K::outboundFlightID>(value); }
  bool m_setOutboundCabinClass(const std::string& value, bool relevant) {
    return set<K::outboundCabinClass>(value, relevant);
  }
  bool m_getOutboundCabinClass(std::string& value) const { return get<K::outboundCabinClass>(value); }
  bool m_setOutboundDestination(const std::string& value, bool relevant) {
    return set<K::outboundDestination>(value, relevant);
  }
  bool m_getOutboundDestination(std::string& value) const { return get<K::outboundDestination>(value); }
  bool m_setOnwardConnection(bool value, bool relevant) { return set<K::onwardConnection>(value, relevant); }
  bool m_getOnwardConnection(bool& value) const { return get<K::onwardConnection>(value); }
  bool m_setPassengerName(const std::string& value, bool relevant) { return set<K::passengerName>(value, relevant); }
  bool m_getPassengerName(std::string& value) const { return get<K::passengerName>(value); }
  bool m_setBaggageExceptionData(const std::string& value, bool relevant) {
    return set<K::baggageExceptionData>(value, relevant);
  }
  bool m_getBaggageExceptionData(std::string& value) const { return get<K::baggageExceptionData>(value); }
  bool m_setTubbingNecessity(bool value, bool relevant) { return set<K::tubbingNecessity>(value, relevant); }
  bool m_getTubbingNecessity(bool& value) const { return get<K::tubbingNecessity>(value); }
  bool m_setTubbedIndicator(bool value, bool relevant) { return set<K::tubbedIndicator>(value, relevant); }
  bool m_getTubbedIndicator(bool& value) const { return get<K::tubbedIndicator>(value); }
  bool m_setRequiredScreenLevel(int value, bool relevant) { return set<K::requiredScreenLevel>(value, relevant); }
  bool m_getRequiredScreenLevel(int& value) const { return get<K::requiredScreenLevel>(value); }
  bool m_setReachedScreenLevel(int value, bool relevant) { return set<K::reachedScreenLevel>(value, relevant); }
  bool m_getReachedScreenLevel(int& value) const { return get<K::reachedScreenLevel>(value); }
  bool m_setLength(int value, bool relevant) { return set<K::length>(value, relevant); }
  bool m_getLength(int& value) const { return get<K::length>(value); }
  bool m_setHeight(int value, bool relevant) { return set<K::height>(value, relevant); }
  bool m_getHeight(int& value) const { return get<K::height>(value); }
  bool m_setWidth(int value, bool relevant) { return set<K::width>(value, relevant); }
  bool m_getWidth(int& value) const { return get<K::width>(value); }
  bool m_setWeight(int value, bool relevant) { return set<K::weight>(value, relevant); }
  bool m_getWeight(int& value) const { return get<K::weight>(value); }
  bool m_setFSC(int value, bool relevant) { return set<K::FSC>(value, relevant); }
  bool m_getFSC(int& value) const { return get<K::FSC>(value); }

  bool m_setStartTime(std::time_t when) { startTime_ = when; return true; }
  std::time_t m_getStartTime() const { return startTime_; }
  bool m_setEndTime(std::time_t when) { endTime_ = when; return true; }
  std::time_t m_getEndTime() const { return endTime_; }
  // An item arriving at this time: before the start, inside the period (both
  // ends included), or after its end.
  c_validity m_validityAt(std::time_t arrival) const;

  bool m_addDestination(const std::string& logicalExitPoint);
  // Destination j. The TransSpec's own status may name a configured list
  // ("<key>__NoreadDestination" and its three siblings); it is read afresh when
  // an enumeration starts (j = 0) and then stands in for the own list for that
  // enumeration, without replacing it.
  bool m_getDestination(unsigned j, std::string& out);
  // The TransSpec's own list, as it was downloaded or read.
  const std::vector<std::string>& m_getDestinations() const { return destinations_; }

 private:
  using K = CTM_itemCriteria;

  // The member of the record that criterion Id names; a value of another type does not compile.
  template <K::c_id Id, typename T>
  static consteval auto memberOf() {
    return std::get<T CTM_itemData::*>(K::table[Id].member);
  }
  template <K::c_id Id, typename T>
  bool set(const T& value, bool relevant) {
    criteria_.*memberOf<Id, T>() = value;
    relevant_[Id] = relevant;
    return true;
  }
  template <K::c_id Id, typename T>
  bool get(T& value) const {
    value = criteria_.*memberOf<Id, T>();
    return relevant_[Id];
  }

  std::string key_;
  std::string transportSpecID_;
  int routingPriority_ = 0;
  int structVersionID_ = 0;
  // The status is any text here: a file or OC may pad it or write "GARBAGE".
  CTM_itemData criteria_;
  CTM_itemCriteria::c_relevance relevant_;
  std::time_t startTime_ = 0;
  std::time_t endTime_ = 0;
  std::vector<std::string> destinations_;
  // The configured list found when the current enumeration started.
  std::optional<std::vector<std::string>> statusDestinations_;
};
