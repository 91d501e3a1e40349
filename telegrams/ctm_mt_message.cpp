#include "telegrams/ctm_mt_message.h"

#include "telegrams/ctm_fieldpatterns.h"

namespace {

using F = CTM_fieldDefinition;
using T = CTM_telegramType;

constexpr F itemFields[] = {F::m_text("BIT_ID", 11, &ctm_bitIdPattern),
                            F::m_text("LPC", 10, &ctm_lpcPattern),
                            F::m_text("FlightID", 16, &ctm_flightPattern),
                            F::m_text("CabinClass", 1, &ctm_cabinClassPattern),
                            F::m_text("Destination", 3, &ctm_airportPattern),
                            F::m_text("OnwardConnection", 1, &ctm_flagPattern),
                            F::m_text("baggageExceptionData", 4, &ctm_exceptionDataPattern),
                            F::m_text("passengerName", 20)};

constexpr F codingServicesFields[] = {F::m_text("codingServicesRequired", 1, &ctm_flagPattern)};

constexpr T mtTypes[] = {{"00", &T::m_make<CTM_mt00_message>},
                         {"01", &T::m_make<CTM_mt01_message>},
                         {"11", &T::m_make<CTM_mt11_message>},
                         {"21", &T::m_make<CTM_mt21_message>},
                         {"22", &T::m_make<CTM_mt22_message>}};

}  // namespace

const CTM_telegramPair ctm_mtPair{"M", "T", mtTypes};

CTM_mt00_message::CTM_mt00_message() : CTM_mt_message("00") {}
CTM_mt01_message::CTM_mt01_message() : CTM_mt_message("01", itemFields) {}
CTM_mt11_message::CTM_mt11_message() : CTM_mt_message("11", codingServicesFields) {}
CTM_mt21_message::CTM_mt21_message() : CTM_mt_message("21") {}
CTM_mt22_message::CTM_mt22_message() : CTM_mt_message("22") {}
