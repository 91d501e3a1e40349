#pragma once
// CTM_transSpec: where baggage items of a kind go. Twenty optional criteria on
// the item's data (a value each and whether it takes part in the match), a
// priority, a validity period and the logical exit points in order of preference.
// Plain data: it belongs to the list that holds it, whose owner serialises access.

#include <ctime>
#include <optional>
#include <string>
#include <vector>

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

  // Each criterion: the setter takes value and relevant flag; the getter writes
  // the value and returns the flag.
  bool m_setBIT_ID(const std::string& value, bool relevant) { return set(BIT_ID_, value, relevant); }
  bool m_getBIT_ID(std::string& value) const { return get(BIT_ID_, value); }
  bool m_setBIT_status(const std::string& value, bool relevant) { return set(BIT_status_, value, relevant); }
  bool m_getBIT_status(std::string& value) const { return get(BIT_status_, value); }
  bool m_setSelectionID(int value, bool relevant) { return set(selectionID_, value, relevant); }
  bool m_getSelectionID(int& value) const { return get(selectionID_, value); }
  bool m_setLPC(const std::string& value, bool relevant) { return set(LPC_, value, relevant); }
  bool m_getLPC(std::string& value) const { return get(LPC_, value); }
  bool m_setInboundFlightID(const std::string& value, bool relevant) { return set(inboundFlightID_, value, relevant); }
  bool m_getInboundFlightID(std::string& value) const { return get(inboundFlightID_, value); }
  bool m_setOutboundFlightID(const std::string& value, bool relevant) {
    return set(outboundFlightID_, value, relevant);
  }
  bool m_getOutboundFlightID(std::string& value) const { return get(outboundFlightID_, value); }
  bool m_setOutboundCabinClass(const std::string& value, bool relevant) {
    return set(outboundCabinClass_, value, relevant);
  }
  bool m_getOutboundCabinClass(std::string& value) const { return get(outboundCabinClass_, value); }
  bool m_setOutboundDestination(const std::string& value, bool relevant) {
    return set(outboundDestination_, value, relevant);
  }
  bool m_getOutboundDestination(std::string& value) const { return get(outboundDestination_, value); }
  bool m_setOnwardConnection(bool value, bool relevant) { return set(onwardConnection_, value, relevant); }
  bool m_getOnwardConnection(bool& value) const { return get(onwardConnection_, value); }
  bool m_setPassengerName(const std::string& value, bool relevant) { return set(passengerName_, value, relevant); }
  bool m_getPassengerName(std::string& value) const { return get(passengerName_, value); }
  bool m_setBaggageExceptionData(const std::string& value, bool relevant) {
    return set(baggageExceptionData_, value, relevant);
  }
  bool m_getBaggageExceptionData(std::string& value) const { return get(baggageExceptionData_, value); }
  bool m_setTubbingNecessity(bool value, bool relevant) { return set(tubbingNecessity_, value, relevant); }
  bool m_getTubbingNecessity(bool& value) const { return get(tubbingNecessity_, value); }
  bool m_setTubbedIndicator(bool value, bool relevant) { return set(tubbedIndicator_, value, relevant); }
  bool m_getTubbedIndicator(bool& value) const { return get(tubbedIndicator_, value); }
  bool m_setRequiredScreenLevel(int value, bool relevant) { return set(requiredScreenLevel_, value, relevant); }
  bool m_getRequiredScreenLevel(int& value) const { return get(requiredScreenLevel_, value); }
  bool m_setReachedScreenLevel(int value, bool relevant) { return set(reachedScreenLevel_, value, relevant); }
  bool m_getReachedScreenLevel(int& value) const { return get(reachedScreenLevel_, value); }
  bool m_setLength(int value, bool relevant) { return set(length_, value, relevant); }
  bool m_getLength(int& value) const { return get(length_, value); }
  bool m_setHeight(int value, bool relevant) { return set(height_, value, relevant); }
  bool m_getHeight(int& value) const { return get(height_, value); }
  bool m_setWidth(int value, bool relevant) { return set(width_, value, relevant); }
  bool m_getWidth(int& value) const { return get(width_, value); }
  bool m_setWeight(int value, bool relevant) { return set(weight_, value, relevant); }
  bool m_getWeight(int& value) const { return get(weight_, value); }
  bool m_setFSC(int value, bool relevant) { return set(FSC_, value, relevant); }
  bool m_getFSC(int& value) const { return get(FSC_, value); }

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
  template <typename T>
  struct c_criterion {
    T value{};
    bool relevant = false;
  };
  template <typename T, typename V>
  static bool set(c_criterion<T>& criterion, const V& value, bool relevant) {
    criterion.value = value;
    criterion.relevant = relevant;
    return true;
  }
  template <typename T>
  static bool get(const c_criterion<T>& criterion, T& value) {
    value = criterion.value;
    return criterion.relevant;
  }

  std::string key_;
  std::string transportSpecID_;
  int routingPriority_ = 0;
  int structVersionID_ = 0;
  c_criterion<std::string> BIT_ID_;
  c_criterion<std::string> BIT_status_;
  c_criterion<int> selectionID_;
  c_criterion<std::string> LPC_;
  c_criterion<std::string> inboundFlightID_;
  c_criterion<std::string> outboundFlightID_;
  c_criterion<std::string> outboundCabinClass_;
  c_criterion<std::string> outboundDestination_;
  c_criterion<bool> onwardConnection_;
  c_criterion<std::string> passengerName_;
  c_criterion<std::string> baggageExceptionData_;
  c_criterion<bool> tubbingNecessity_;
  c_criterion<bool> tubbedIndicator_;
  c_criterion<int> requiredScreenLevel_{-1, false};
  c_criterion<int> reachedScreenLevel_;
  c_criterion<int> length_;
  c_criterion<int> height_;
  c_criterion<int> width_;
  c_criterion<int> weight_;
  c_criterion<int> FSC_;
  std::time_t startTime_ = 0;
  std::time_t endTime_ = 0;
  std::vector<std::string> destinations_;
  // The configured list found when the current enumeration started.
  std::optional<std::vector<std::string>> statusDestinations_;
};
