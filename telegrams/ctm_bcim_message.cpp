#include "telegrams/ctm_bcim_message.h"

#include "telegrams/ctm_fieldpatterns.h"

namespace {

using F = CTM_fieldDefinition;
using T = CTM_telegramType;

constexpr F exceptionFields[] = {F::m_dateTime("timeStamp"), F::m_text("equipmentCode", 16, &ctm_equipmentPattern),
                                 F::m_int("exceptionLevel", 1), F::m_text("exceptionDesc", 50)};

constexpr T bcimTypes[] = {{"00", &T::m_make<CTM_bcim00_message>}, {"01", &T::m_make<CTM_bcim01_message>},
                           {"02", &T::m_make<CTM_bcim02_message>}, {"11", &T::m_make<CTM_bcim11_message>},
                           {"12", &T::m_make<CTM_bcim12_message>}, {"21", &T::m_make<CTM_bcim21_message>}};

}  // namespace

const CTM_telegramPair ctm_bcimPair{"BC", "IM", bcimTypes};

CTM_bcim00_message::CTM_bcim00_message() : CTM_bcim_message("00") {}
CTM_bcim01_message::CTM_bcim01_message() : CTM_bcim_message("01") {}
CTM_bcim02_message::CTM_bcim02_message() : CTM_typedParameterList("02", ctm_typedParameterListFields) {}
CTM_bcim11_message::CTM_bcim11_message() : CTM_flagParameterList("11", ctm_flagParameterListFields) {}
CTM_bcim12_message::CTM_bcim12_message() : CTM_typedParameterList("12", ctm_typedParameterListFields) {}
CTM_bcim21_message::CTM_bcim21_message() : CTM_bcim_message("21", exceptionFields) {}
