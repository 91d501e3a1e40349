#include "telegrams/ctm_tctm_message.h"

#include "telegrams/ctm_fieldpatterns.h"

namespace {

using F = CTM_fieldDefinition;
using T = CTM_telegramType;

constexpr F pic = F::m_int("PIC", 4);
// A transport controller may report an item it could not identify with a blank id.
constexpr F blankableBitId = F::m_text("BIT_ID", 11, &ctm_bitIdOrBlankPattern);
constexpr F equipmentCode = F::m_text("equipmentCode", 16, &ctm_equipmentPattern);
constexpr F equipmentCodeOrigin = F::m_text("equipmentCodeOrigin", 16, &ctm_equipmentPattern);
constexpr F equipmentCodeDestination = F::m_text("equipmentCodeDestination", 16, &ctm_equipmentPattern);

constexpr F reportFields[] = {pic, blankableBitId, equipmentCode};
constexpr F identifiedReportFields[] = {pic, F::m_text("BIT_ID", 11, &ctm_bitIdPattern), equipmentCode};

constexpr c_pattern divReasonPattern{"[RN]"};
constexpr F divertedFields[] = {pic, blankableBitId, equipmentCodeOrigin, equipmentCodeDestination,
                                F::m_text("divReason", 1, &divReasonPattern)};

constexpr CTM_fieldOption notDivReasons[] = {{"BLOCK", {}}, {"DFULL", {}}, {"NOTAV", {}}, {"ODDSZ", {}}, {"ODDWT", {}},
                                             {"ODDSW", {}}, {"FIXUP", {}}, {"FIXDN", {}}, {"TFAIL", {}}, {"TLATE", {}}};
constexpr F refusedDestination[] = {equipmentCodeDestination, F::m_selector("NotDivReason", 5, nullptr, notDivReasons)};
constexpr F notDivertedFields[] = {pic, blankableBitId, equipmentCodeOrigin,
                                   F::m_count("fieldCount", 2, refusedDestination, CTM_tctm03_message::maxDestinations,
                                              CTM_tctm03_message::maxAppendedDestinations)};

constexpr c_pattern screeningResultPattern{"[ACR]"};
constexpr F screeningFields[] = {pic, blankableBitId, equipmentCode, F::m_int("screeningLevel", 1),
                                 F::m_text("screeningResult", 1, &screeningResultPattern)};

constexpr F lpcFields[] = {pic, blankableBitId, equipmentCode, F::m_text("LPC", 10, &ctm_lpcPattern)};

constexpr F sizeFields[] = {pic,
                            blankableBitId,
                            equipmentCode,
                            F::m_int("length", 5),
                            F::m_int("height", 5),
                            F::m_int("width", 5),
                            F::m_int("weight", 4)};

constexpr F technSegmentID = F::m_text("technSegmentID", 10, &ctm_segmentPattern);
constexpr F availabilityFields[] = {technSegmentID, F::m_text("availability", 1, &ctm_availabilityPattern)};
constexpr F occupationFields[] = {technSegmentID, F::m_text("occupationStatus", 1, &ctm_occupationPattern)};

constexpr F eventFields[] = {F::m_int("eventNumber", 4), F::m_restText("messageText")};

constexpr T tctmTypes[] = {{"00", &T::m_make<CTM_tctm00_message>}, {"01", &T::m_make<CTM_tctm01_message>},
                           {"02", &T::m_make<CTM_tctm02_message>}, {"03", &T::m_make<CTM_tctm03_message>},
                           {"04", &T::m_make<CTM_tctm04_message>}, {"05", &T::m_make<CTM_tctm05_message>},
                           {"06", &T::m_make<CTM_tctm06_message>}, {"07", &T::m_make<CTM_tctm07_message>},
                           {"08", &T::m_make<CTM_tctm08_message>}, {"09", &T::m_make<CTM_tctm09_message>},
                           {"10", &T::m_make<CTM_tctm10_message>}, {"11", &T::m_make<CTM_tctm11_message>},
                           {"21", &T::m_make<CTM_tctm21_message>}, {"22", &T::m_make<CTM_tctm22_message>},
                           {"23", &T::m_make<CTM_tctm23_message>}, {"24", &T::m_make<CTM_tctm24_message>}};

}  // namespace

const CTM_telegramPair ctm_tctmPair{"TC", "TM", tctmTypes};

CTM_tctm00_message::CTM_tctm00_message() : CTM_tctm_message("00") {}
CTM_tctm01_message::CTM_tctm01_message() : CTM_itemAtEquipment("01", reportFields) {}
CTM_tctm02_message::CTM_tctm02_message() : CTM_itemFromEquipment("02", divertedFields) {}
CTM_tctm03_message::CTM_tctm03_message() : CTM_itemFromEquipment("03", notDivertedFields) {}
CTM_tctm04_message::CTM_tctm04_message() : CTM_itemAtEquipment("04", reportFields) {}
CTM_tctm05_message::CTM_tctm05_message() : CTM_itemAtEquipment("05", reportFields) {}
CTM_tctm06_message::CTM_tctm06_message() : CTM_itemAtEquipment("06", reportFields) {}
CTM_tctm07_message::CTM_tctm07_message() : CTM_itemAtEquipment("07", reportFields) {}
CTM_tctm08_message::CTM_tctm08_message() : CTM_itemAtEquipment("08", screeningFields) {}
CTM_tctm09_message::CTM_tctm09_message() : CTM_itemAtEquipment("09", lpcFields) {}
CTM_tctm10_message::CTM_tctm10_message() : CTM_itemAtEquipment("10", sizeFields) {}
CTM_tctm11_message::CTM_tctm11_message() : CTM_itemAtEquipment("11", identifiedReportFields) {}
CTM_tctm21_message::CTM_tctm21_message() : CTM_tctm_message("21", availabilityFields) {}
CTM_tctm22_message::CTM_tctm22_message() : CTM_tctm_message("22", occupationFields) {}
CTM_tctm23_message::CTM_tctm23_message() : CTM_typedParameterList("23", ctm_typedDigitParameterListFields) {}
CTM_tctm24_message::CTM_tctm24_message() : CTM_tctm_message("24", eventFields) {}
