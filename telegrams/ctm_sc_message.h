#pragma once
// SC telegrams: what the LPC server sends to the TM ("S" -> "C", version 1,
// header 13): the keep-alive, the LPC data of a licence plate code as an answer
// (SC01) or an update (SC02), and its FSC likewise (SC11, SC12). The status
// letter after the LPC decides whether the data follow.

#include <memory>
#include <string>
#include <string_view>

#include "telegrams/ctm_message.h"
#include "telegrams/ctm_pairmessage.h"
#include "tracking/ctm_lpcinfo.h"

extern const CTM_telegramPair ctm_scPair;

class CTM_sc_message : public CTM_pairMessage<ctm_scPair, 1> {
 protected:
  using CTM_pairMessage::CTM_pairMessage;
};

// Keep-alive.
class CTM_sc00_message : public CTM_sc_message {
 public:
  CTM_sc00_message();
};

// An LPC and its status letter, which selects what follows.
class CTM_scLpcStatusMessage : public CTM_sc_message {
 public:
  std::string m_getLPC() const { return m_textOf(m_field(0)); }
  bool m_setLPC(std::string_view lpc) { return m_setText(m_field(0), lpc); }

 protected:
  using CTM_sc_message::CTM_sc_message;
  std::string m_getStatus() const { return m_textOf(m_field(1)); }
  bool m_setStatus(std::string_view status) { return m_setText(m_field(1), status); }
};

// The LPC data of an LPC: an inbound flight, up to nine outbound flights, the
// passenger and the bag's exception data.
class CTM_scLpcDataMessage : public CTM_scLpcStatusMessage {
 public:
  static constexpr int maxOutboundFlights = 9;

  // A new record, owned by the caller; empty when the status brings no data. A
  // flight id is airline, number and the date that puts the flight's day and
  // month nearest to today (airline and number alone when they make no date);
  // the first outbound flight gives the outbound data, a second one the onward
  // connection. Blank texts are empty.
  std::unique_ptr<CTM_lpcInfo> m_getLpcInfo() const;
  // The reverse: the status becomes the one that brings data (unless it already
  // does), fields the record does not hold get fillers, and the outbound flight
  // goes as the only one. False when a flight id is not airline, number and date.
  bool m_setLpcInfo(const CTM_lpcInfo& record);

 protected:
  CTM_scLpcDataMessage(const char* typeId, std::span<const CTM_fieldDefinition> table, const char* dataStatus)
      : CTM_scLpcStatusMessage(typeId, table), dataStatus_(dataStatus) {}

 private:
  const char* dataStatus_;
};

// The FSC of an LPC.
class CTM_scFscMessage : public CTM_scLpcStatusMessage {
 public:
  // 0 when the status brings no FSC.
  int m_getFSC() const { return m_intOf(m_layoutField(m_field(1), 0)); }
  // Only once the status brings an FSC.
  bool m_setFSC(int fsc) { return m_setInt(m_layoutField(m_field(1), 0), fsc); }

 protected:
  using CTM_scLpcStatusMessage::CTM_scLpcStatusMessage;
};

// The answer to a request: "P" with the data, "D" or "N" without.
class CTM_sc01_message : public CTM_scLpcDataMessage {
 public:
  CTM_sc01_message();
  std::string m_getLPC_status() const { return m_getStatus(); }
  bool m_setLPC_status(std::string_view status) { return m_setStatus(status); }
};

// An update: "U" or "A" with the data, "D" without.
class CTM_sc02_message : public CTM_scLpcDataMessage {
 public:
  CTM_sc02_message();
  std::string m_getUpdateStatus() const { return m_getStatus(); }
  bool m_setUpdateStatus(std::string_view status) { return m_setStatus(status); }
};

// The FSC as an answer: "P" with it, "D" or "N" without.
class CTM_sc11_message : public CTM_scFscMessage {
 public:
  CTM_sc11_message();
  std::string m_getLPC_status() const { return m_getStatus(); }
  bool m_setLPC_status(std::string_view status) { return m_setStatus(status); }
};

// The FSC as an update: "U" or "A" with it, "D" without.
class CTM_sc12_message : public CTM_scFscMessage {
 public:
  CTM_sc12_message();
  std::string m_getUpdateStatus() const { return m_getStatus(); }
  bool m_setUpdateStatus(std::string_view status) { return m_setStatus(status); }
};
