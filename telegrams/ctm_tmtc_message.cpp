#include "telegrams/ctm_tmtc_message.h"

#include "telegrams/ctm_fieldpatterns.h"

namespace {

using F = CTM_fieldDefinition;
using T = CTM_telegramType;

constexpr F pic = F::m_int("PIC", 4);
constexpr F bitId = F::m_text("BIT_ID", 11, &ctm_bitIdPattern);

constexpr F destination[] = {F::m_text("equipmentCodeDestination", 16, &ctm_equipmentPattern),
                             F::m_int("routingPriority", 2)};
constexpr F destinationFields[] = {pic, bitId, F::m_text("equipmentCodeOrigin", 16, &ctm_equipmentPattern),
                                   F::m_count("fieldCount", 2, destination, CTM_tmtc01_message::maxDestinations)};

constexpr c_pattern screeningStatusPattern{"[SU]"};
constexpr F screeningFields[] = {pic, bitId, F::m_text("equipmentCode", 16, &ctm_equipmentPattern),
                                 F::m_text("screeningStatus", 1, &screeningStatusPattern)};

constexpr T tmtcTypes[] = {{"00", &T::m_make<CTM_tmtc00_message>},
                           {"01", &T::m_make<CTM_tmtc01_message>},
                           {"02", &T::m_make<CTM_tmtc02_message>},
                           {"21", &T::m_make<CTM_tmtc21_message>},
                           {"22", &T::m_make<CTM_tmtc22_message>}};

}  // namespace

const CTM_telegramPair ctm_tmtcPair{"TM", "TC", tmtcTypes};

CTM_tmtc00_message::CTM_tmtc00_message() : CTM_tmtc_message("00") {}
CTM_tmtc01_message::CTM_tmtc01_message() : CTM_itemFromEquipment("01", destinationFields) {}
CTM_tmtc02_message::CTM_tmtc02_message() : CTM_itemAtEquipment("02", screeningFields) {}
CTM_tmtc21_message::CTM_tmtc21_message() : CTM_tmtc_message("21") {}
CTM_tmtc22_message::CTM_tmtc22_message() : CTM_tmtc_message("22") {}
