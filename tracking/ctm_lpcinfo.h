#pragma once
// CTM_lpcInfo: the passenger and flight data that belong to a licence plate code,
// as LPCS delivers them, the coding terminal completes them and the item records
// carry them. An empty text means not known. Plain data: no locking of its own.

#include <string>

class CTM_lpcInfo {
 public:
  CTM_lpcInfo() = default;
  CTM_lpcInfo(const CTM_lpcInfo&) = default;
  CTM_lpcInfo& operator=(const CTM_lpcInfo&) = default;
  virtual ~CTM_lpcInfo() = default;

  const std::string& m_getInboundFlightID() const { return inboundFlightID_; }
  bool m_setInboundFlightID(const std::string& value) { inboundFlightID_ = value; return true; }
  const std::string& m_getOutboundFlightID() const { return outboundFlightID_; }
  bool m_setOutboundFlightID(const std::string& value) { outboundFlightID_ = value; return true; }
  const std::string& m_getOutboundCabinClass() const { return outboundCabinClass_; }
  bool m_setOutboundCabinClass(const std::string& value) { outboundCabinClass_ = value; return true; }
  const std::string& m_getOutboundDestination() const { return outboundDestination_; }
  bool m_setOutboundDestination(const std::string& value) { outboundDestination_ = value; return true; }
  bool m_getOnwardConnection() const { return onwardConnection_; }
  bool m_setOnwardConnection(bool value) { onwardConnection_ = value; return true; }
  const std::string& m_getPassengerName() const { return passengerName_; }
  bool m_setPassengerName(const std::string& value) { passengerName_ = value; return true; }
  const std::string& m_getBaggageExceptionData() const { return baggageExceptionData_; }
  bool m_setBaggageExceptionData(const std::string& value) { baggageExceptionData_ = value; return true; }

 protected:
  // The seven members taken from another record, or all cleared.
  void m_copyLpcData(const CTM_lpcInfo& other) { CTM_lpcInfo::operator=(other); }
  void m_clearLpcData() { CTM_lpcInfo::operator=(CTM_lpcInfo()); }

 private:
  friend class CTM_itemCriteria;  // its table reaches every member

  std::string inboundFlightID_;
  std::string outboundFlightID_;
  std::string outboundCabinClass_;
  std::string outboundDestination_;
  bool onwardConnection_ = false;
  std::string passengerName_;
  std::string baggageExceptionData_;
};
