#include "telegrams/ctm_mo_message.h"

#include "telegrams/ctm_fieldpatterns.h"

namespace {

using F = CTM_fieldDefinition;
using T = CTM_telegramType;

constexpr F lsId = F::m_text("LS_ID", 5, &ctm_logicalSegmentPattern);
constexpr F bitId = F::m_text("BIT_ID", 11, &ctm_bitIdPattern);
constexpr F timeStamp = F::m_dateTime("timeStamp");

constexpr F segment[] = {lsId};
constexpr F segmentFields[] = {F::m_count("fieldCount", 3, segment, CTM_mo01_message::maxSegments)};

constexpr F entryPoint[] = {F::m_text("logicalEntryPoint", 9, &ctm_logicalPointPattern),
                            F::m_text("availability", 1, &ctm_availabilityPattern)};
constexpr F entryPointFields[] = {F::m_count("fieldCount", 3, entryPoint, CTM_mo06_message::maxEntryPoints)};

constexpr F occupation[] = {lsId, F::m_text("occupation", 1, &ctm_occupationPattern)};
constexpr F occupationFields[] = {F::m_count("fieldCount", 3, occupation, CTM_mo07_message::maxSegments)};

constexpr F itemFields[] = {lsId, bitId};

// OC wants every item datum filled in, and the third character of a flight's
// airline a letter.
constexpr c_pattern ocFlightPattern{
    "[0-9A-Z][0-9A-Z][A-Z][0-9][0-9][0-9][0-9][ A-Z][0-9][0-9][0-9][0-9][0-9][0-9][0-9][0-9]"};
constexpr CTM_itemDataPatterns completeItemData{&ctm_lpcPattern,     &ocFlightPattern, &ctm_cabinClassPattern,
                                                &ctm_airportPattern, &ctm_flagPattern, &ctm_exceptionDataPattern};
constexpr auto itemRecordFields =
    ctm_withItemRecord<2>({lsId, timeStamp}, CTM_itemRecord::m_fields(completeItemData));

constexpr CTM_fieldOption trackingEvents[] = {{"ENTER", {}}, {"EXIT ", {}}, {"TRS  ", {}},
                                              {"OSIZE", {}}, {"GARB ", {}}, {"TLATE", {}}};
constexpr F trackingEventFields[] = {lsId, bitId, F::m_selector("trackingEventType", 5, nullptr, trackingEvents),
                                     F::m_text("trackingPoint", 16), timeStamp};

constexpr T moTypes[] = {{"00", &T::m_make<CTM_mo00_message>}, {"01", &T::m_make<CTM_mo01_message>},
                         {"02", &T::m_make<CTM_mo02_message>}, {"03", &T::m_make<CTM_mo03_message>},
                         {"06", &T::m_make<CTM_mo06_message>}, {"07", &T::m_make<CTM_mo07_message>},
                         {"08", &T::m_make<CTM_mo08_message>}, {"10", &T::m_make<CTM_mo10_message>},
                         {"11", &T::m_make<CTM_mo11_message>}};

}  // namespace

const CTM_telegramPair ctm_moPair{"M", "O", moTypes};

CTM_mo00_message::CTM_mo00_message() : CTM_mo_message("00") {}
CTM_mo01_message::CTM_mo01_message() : CTM_mo_message("01", segmentFields) {}
CTM_mo02_message::CTM_mo02_message() : CTM_mo_message("02") {}
CTM_mo03_message::CTM_mo03_message() : CTM_mo_message("03") {}
CTM_mo06_message::CTM_mo06_message() : CTM_mo_message("06", entryPointFields) {}
CTM_mo07_message::CTM_mo07_message() : CTM_mo_message("07", occupationFields) {}
CTM_mo08_message::CTM_mo08_message() : CTM_mo_message("08", itemFields) {}
CTM_mo10_message::CTM_mo10_message() : CTM_itemRecordTelegram("10", itemRecordFields) {}
CTM_mo11_message::CTM_mo11_message() : CTM_mo_message("11", trackingEventFields) {}
