#include "telegrams/ctm_ud_message.h"

#include "telegrams/ctm_fieldpatterns.h"

namespace {

using F = CTM_fieldDefinition;
using T = CTM_telegramType;

constexpr F logicalConnectID = F::m_text("logical_connect_ID", 9, &ctm_logicalPointPattern);

constexpr F countFields[] = {F::m_text("LS_ID", 5, &ctm_logicalSegmentPattern), F::m_int("baggageCount", 4)};

// An upstream TM hands over what it knows; an item without LPC data goes with blanks.
constexpr CTM_itemDataPatterns knownItemData{&ctm_lpcOrBlankPattern,        &ctm_flightOrBlankPattern,
                                             &ctm_cabinClassOrBlankPattern, &ctm_airportOrBlankPattern,
                                             &ctm_flagOrBlankPattern,       &ctm_exceptionDataOrBlankPattern};
constexpr auto announcedFields = ctm_withItemRecord<1>({logicalConnectID}, CTM_itemRecord::m_fields(knownItemData));
constexpr auto updatedFields = ctm_withItemRecord<1>(
    {F::m_text("logicalConnectID", 9, &ctm_logicalPointPattern)}, CTM_itemRecord::m_fields(knownItemData));

constexpr F withdrawnFields[] = {logicalConnectID, F::m_text("BIT_ID", 11, &ctm_bitIdPattern)};

constexpr T udTypes[] = {{"00", &T::m_make<CTM_ud00_message>}, {"01", &T::m_make<CTM_ud01_message>},
                         {"02", &T::m_make<CTM_ud02_message>}, {"11", &T::m_make<CTM_ud11_message>},
                         {"12", &T::m_make<CTM_ud12_message>}, {"13", &T::m_make<CTM_ud13_message>}};

}  // namespace

const CTM_telegramPair ctm_udPair{"U", "D", udTypes};

CTM_ud00_message::CTM_ud00_message() : CTM_ud_message("00") {}
CTM_ud01_message::CTM_ud01_message() : CTM_ud_message("01", countFields) {}
CTM_ud02_message::CTM_ud02_message() : CTM_ud_message("02") {}
CTM_ud11_message::CTM_ud11_message() : CTM_itemRecordTelegram("11", announcedFields) {}
CTM_ud12_message::CTM_ud12_message() : CTM_itemRecordTelegram("12", updatedFields) {}
CTM_ud13_message::CTM_ud13_message() : CTM_logicalConnection("13", withdrawnFields) {}
