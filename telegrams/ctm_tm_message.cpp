#include "telegrams/ctm_tm_message.h"

#include "telegrams/ctm_fieldpatterns.h"

namespace {

using F = CTM_fieldDefinition;
using T = CTM_telegramType;

constexpr c_pattern labelPattern{"[L ]"};
constexpr c_pattern lpcMethodPattern{"[MS ]"};
constexpr c_pattern flightPattern{"[F ]"};
constexpr c_pattern unknownPattern{"[U ]"};
constexpr c_pattern fourBlanks{"    "};

constexpr F codingResultFields[] = {F::m_text("CodingMethodResultLabel", 1, &labelPattern),
                                    F::m_text("CodingMethodResultLPC", 1, &lpcMethodPattern),
                                    F::m_text("CodingMethodResultFlight", 1, &flightPattern),
                                    F::m_text("CodingMethodResultUnknown", 1, &unknownPattern),
                                    F::m_text("CodingMethodResultRest", 4, &fourBlanks),
                                    F::m_text("BIT_ID", 11, &ctm_bitIdPattern),
                                    F::m_text("LPC_entered", 1, &ctm_flagPattern),
                                    F::m_text("LPC", 10, &ctm_lpcOrBlankPattern),
                                    F::m_text("FlightID_entered", 1, &ctm_flagPattern),
                                    F::m_text("FlightID", 16, &ctm_flightOrBlankPattern),
                                    F::m_text("CabinClass_entered", 1, &ctm_flagPattern),
                                    F::m_text("CabinClass", 1, &ctm_cabinClassOrBlankPattern),
                                    F::m_text("Destination_entered", 1, &ctm_flagPattern),
                                    F::m_text("Destination", 3, &ctm_airportOrBlankPattern),
                                    F::m_text("OnwardConnection_entered", 1, &ctm_flagPattern),
                                    F::m_text("OnwardConnection", 1, &ctm_flagOrBlankPattern),
                                    F::m_text("baggageExcepData_entered", 1, &ctm_flagPattern),
                                    F::m_text("baggageExceptionData", 4, &ctm_exceptionDataOrBlankPattern),
                                    F::m_text("passengerName_entered", 1, &ctm_flagPattern),
                                    F::m_text("passengerName", 20)};

constexpr c_pattern operationalStatusPattern{"[UCO]"};
constexpr F operationalStatusFields[] = {F::m_text("OperationalStatusCode", 1, &operationalStatusPattern)};

constexpr c_pattern equipmentStatusPattern{"[AU]"};
constexpr F equipmentStatus[] = {F::m_text("equipmentCode", 16, &ctm_equipmentPattern),
                                 F::m_text("equipmentStatus", 1, &equipmentStatusPattern)};
constexpr F equipmentStatusFields[] = {F::m_count("fieldCount", 2, equipmentStatus, CTM_tm22_message::maxEquipment)};

constexpr T tmTypes[] = {{"00", &T::m_make<CTM_tm00_message>},
                         {"01", &T::m_make<CTM_tm01_message>},
                         {"21", &T::m_make<CTM_tm21_message>},
                         {"22", &T::m_make<CTM_tm22_message>}};

}  // namespace

const CTM_telegramPair ctm_tmPair{"T", "M", tmTypes};

CTM_tm00_message::CTM_tm00_message() : CTM_tm_message("00") {}
CTM_tm01_message::CTM_tm01_message() : CTM_tm_message("01", codingResultFields) {}
CTM_tm21_message::CTM_tm21_message() : CTM_tm_message("21", operationalStatusFields) {}
CTM_tm22_message::CTM_tm22_message() : CTM_tm_message("22", equipmentStatusFields) {}
