#include "telegrams/ctm_imbc_message.h"

namespace {

using T = CTM_telegramType;

constexpr T imbcTypes[] = {{"00", &T::m_make<CTM_imbc00_message>}, {"01", &T::m_make<CTM_imbc01_message>},
                           {"02", &T::m_make<CTM_imbc02_message>}, {"03", &T::m_make<CTM_imbc03_message>},
                           {"11", &T::m_make<CTM_imbc11_message>}, {"12", &T::m_make<CTM_imbc12_message>},
                           {"21", &T::m_make<CTM_imbc21_message>}};

}  // namespace

const CTM_telegramPair ctm_imbcPair{"IM", "BC", imbcTypes};

CTM_imbc00_message::CTM_imbc00_message() : CTM_imbc_message("00") {}
CTM_imbc01_message::CTM_imbc01_message() : CTM_flagParameterList("01", ctm_flagParameterListFields) {}
CTM_imbc02_message::CTM_imbc02_message() : CTM_indexParameterList("02", ctm_indexParameterListFields) {}
CTM_imbc03_message::CTM_imbc03_message() : CTM_typedParameterList("03", ctm_typedParameterListFields) {}
CTM_imbc11_message::CTM_imbc11_message() : CTM_imbc_message("11") {}
CTM_imbc12_message::CTM_imbc12_message() : CTM_indexParameterList("12", ctm_erasableIndexParameterListFields) {}
CTM_imbc21_message::CTM_imbc21_message() : CTM_imbc_message("21") {}
