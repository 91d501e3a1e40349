#include "telegrams/ctm_sc_message.h"

#include <cctype>
#include <cstddef>

#include "core/tmutil.h"
#include "telegrams/ctm_fieldpatterns.h"

namespace {

using F = CTM_fieldDefinition;
using T = CTM_telegramType;
using O = CTM_fieldOption;

constexpr F lpc = F::m_text("LPC", 10, &ctm_lpcPattern);

// A flight: airline, number, and its day with a three-letter month.
constexpr c_pattern airlinePattern{"[0-9A-Z][0-9A-Z][ A-Z]"};
constexpr c_pattern flightNumberPattern{"[0-9][0-9][0-9][0-9][ A-Z]"};
constexpr c_pattern monthPattern{"[A-Z][A-Z][A-Z]"};
enum : std::size_t { airline, flightNumber, flightDay, flightMonth, airport, cabinClass };

constexpr F inboundFlight[] = {F::m_text("inboundAirline", 3, &airlinePattern),
                               F::m_text("inboundFlightNumber", 5, &flightNumberPattern),
                               F::m_int("inboundFlightDay", 2),
                               F::m_text("inboundFlightMonth", 3, &monthPattern),
                               F::m_text("inboundAirportID", 3, &ctm_airportPattern)};
constexpr F outboundFlight[] = {F::m_text("outboundAirline", 3, &airlinePattern),
                                F::m_text("outboundFlightNumber", 5, &flightNumberPattern),
                                F::m_int("outboundFlightDay", 2),
                                F::m_text("outboundFlightMonth", 3, &monthPattern),
                                F::m_text("outboundAirportID", 3, &ctm_airportPattern),
                                F::m_text("outboundCabinClass", 1, &ctm_cabinClassPattern)};

constexpr c_pattern sourcePattern{"[LTX]"};
constexpr c_pattern inboundStatusPattern{"[NP]"};
constexpr O inboundStatuses[] = {{"N", {}}, {"P", inboundFlight}};
enum : std::size_t { sourceIndicator, inboundStatus, outboundCount, passengerName, passengerID, exceptionData };
constexpr F lpcData[] = {
    F::m_text("baggageSrcIndicator", 1, &sourcePattern),
    F::m_selector("inboundStatus", 1, &inboundStatusPattern, inboundStatuses),
    F::m_count("outboundCount", 1, outboundFlight, CTM_scLpcDataMessage::maxOutboundFlights),
    F::m_text("passengerName", 20),
    F::m_text("passengerID", 6),
    F::m_text("baggageExceptionData", 4, &ctm_exceptionDataPattern)};
constexpr F fsc[] = {F::m_int("FSC", 4)};

constexpr c_pattern answerPattern{"[DNP]"};
constexpr c_pattern updatePattern{"[ADU]"};
constexpr O dataAnswers[] = {{"D", {}}, {"N", {}}, {"P", lpcData}};
constexpr O dataUpdates[] = {{"D", {}}, {"U", lpcData}, {"A", lpcData}};
constexpr O fscAnswers[] = {{"D", {}}, {"N", {}}, {"P", fsc}};
constexpr O fscUpdates[] = {{"D", {}}, {"U", fsc}, {"A", fsc}};
constexpr F dataAnswerFields[] = {lpc, F::m_selector("LPC_status", 1, &answerPattern, dataAnswers)};
constexpr F dataUpdateFields[] = {lpc, F::m_selector("updateStatus", 1, &updatePattern, dataUpdates)};
constexpr F fscAnswerFields[] = {lpc, F::m_selector("LPC_status", 1, &answerPattern, fscAnswers)};
constexpr F fscUpdateFields[] = {lpc, F::m_selector("updateStatus", 1, &updatePattern, fscUpdates)};

constexpr T scTypes[] = {{"00", &T::m_make<CTM_sc00_message>},
                         {"01", &T::m_make<CTM_sc01_message>},
                         {"02", &T::m_make<CTM_sc02_message>},
                         {"11", &T::m_make<CTM_sc11_message>},
                         {"12", &T::m_make<CTM_sc12_message>}};

// Airline, number and "YYYYMMDD", joined as the flight ids of the item records have them.
std::string flightId(std::span<const CTM_messageFieldValue> flight) {
  return flight[airline].m_asString() + flight[flightNumber].m_asString() +
         dayMonthToYYYYMMDD(flight[flightDay].m_asInt(), flight[flightMonth].m_asString());
}

// The reverse, into the group's first four fields.
bool splitFlightId(std::string_view id, std::span<CTM_messageFieldValue> flight) {
  int day = 0;
  std::string month = id.size() == 16 ? dayMonthFromYYYYMMDD(std::string(id.substr(8)), day) : std::string();
  if (month.empty()) return false;
  for (char& c : month) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return flight[airline].m_set(id.substr(0, 3)) && flight[flightNumber].m_set(id.substr(3, 5)) &&
         flight[flightDay].m_set(day) && flight[flightMonth].m_set(month);
}

constexpr const char* unknownAirport = "XXX";

}  // namespace

const CTM_telegramPair ctm_scPair{"S", "C", scTypes};

CTM_sc00_message::CTM_sc00_message() : CTM_sc_message("00") {}
CTM_sc01_message::CTM_sc01_message() : CTM_scLpcDataMessage("01", dataAnswerFields, "P") {}
CTM_sc02_message::CTM_sc02_message() : CTM_scLpcDataMessage("02", dataUpdateFields, "U") {}
CTM_sc11_message::CTM_sc11_message() : CTM_scFscMessage("11", fscAnswerFields) {}
CTM_sc12_message::CTM_sc12_message() : CTM_scFscMessage("12", fscUpdateFields) {}

std::unique_ptr<CTM_lpcInfo> CTM_scLpcDataMessage::m_getLpcInfo() const {
  auto record = std::make_unique<CTM_lpcInfo>();
  const CTM_messageFieldValue* status = m_field(1);
  if (m_layoutField(status, 0) == nullptr) return record;
  const CTM_messageFieldValue* inbound = m_layoutField(status, inboundStatus);
  if (m_layoutField(inbound, 0) != nullptr) record->m_setInboundFlightID(flightId(inbound->m_groupAt(0)));
  const CTM_messageFieldValue* outbound = m_layoutField(status, outboundCount);
  const std::size_t outboundFlights = outbound != nullptr ? outbound->m_groupCount() : 0;
  if (outboundFlights >= 1) {
    std::span<const CTM_messageFieldValue> first = outbound->m_groupAt(0);
    record->m_setOutboundFlightID(flightId(first));
    record->m_setOutboundCabinClass(first[cabinClass].m_enteredText());
    record->m_setOutboundDestination(first[airport].m_enteredText());
  }
  record->m_setOnwardConnection(outboundFlights > 1);
  record->m_setPassengerName(m_enteredTextOf(m_layoutField(status, passengerName)));
  record->m_setBaggageExceptionData(m_enteredTextOf(m_layoutField(status, exceptionData)));
  return record;
}

bool CTM_scLpcDataMessage::m_setLpcInfo(const CTM_lpcInfo& record) {
  CTM_messageFieldValue* status = m_field(1);
  // Through "D" and back, so that the data start afresh.
  const std::string dataStatus = m_layoutField(status, 0) != nullptr ? m_getStatus() : std::string(dataStatus_);
  if (!m_setStatus("D") || !m_setStatus(dataStatus)) return false;
  bool all = true;
  auto done = [&all](bool result) { all = result && all; };
  done(m_setText(m_layoutField(status, sourceIndicator), "X"));
  CTM_messageFieldValue* inbound = m_layoutField(status, inboundStatus);
  const bool hasInbound = !record.m_getInboundFlightID().empty();
  done(m_setText(inbound, hasInbound ? "P" : "N"));
  if (hasInbound && m_layoutField(inbound, 0) != nullptr) {
    std::span<CTM_messageFieldValue> flight = inbound->m_groupAt(0);
    done(splitFlightId(record.m_getInboundFlightID(), flight));
    done(flight[airport].m_set(unknownAirport));
  }
  CTM_messageFieldValue* outbound = m_layoutField(status, outboundCount);
  if (!record.m_getOutboundFlightID().empty() && outbound != nullptr && outbound->m_appendValues({})) {
    std::span<CTM_messageFieldValue> flight = outbound->m_groupAt(0);
    done(splitFlightId(record.m_getOutboundFlightID(), flight));
    done(flight[airport].m_set(record.m_getOutboundDestination()));
    done(flight[cabinClass].m_set(record.m_getOutboundCabinClass()));
  }
  done(m_setText(m_layoutField(status, passengerName), record.m_getPassengerName()));
  done(m_setText(m_layoutField(status, passengerID), "XXXXXX"));
  done(m_setText(m_layoutField(status, exceptionData), record.m_getBaggageExceptionData()));
  return all;
}
