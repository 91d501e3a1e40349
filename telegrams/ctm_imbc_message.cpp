#include "telegrams/ctm_imbc_message.h"

namespace {

using T = CTM_telegramType;

constexpr T imbcTypes[] = {{"00", &T::m_make<CTM_imbc00_message>}, {"01", &T::m_make<CTM_imbc01_message>},
                           {"02", &T::m_make<CTM_imbc02_message>}, {"03", &T::m_make<CTM_imbc03_message>},
                           {"11", &T::m_make<CTM_imbc11_message>}, {"12", &T::m_make<CTM_imbc12_message>},
                           {"21", &T::m_make<CTM_imbc21_message>}};

}  // namespace

const CTM_telegramPair ctm_imbcPair{"IM", "BC", imbcTypes};

CTM_imbc00_message::CTM_imbc00_message() {
  m_setTypeId("00");
  m_setSeqNo(0);
}
CTM_imbc01_message::CTM_imbc01_message() : CTM_flagParameterList(ctm_flagParameterListFields) { m_setTypeId("01"); }
CTM_imbc02_message::CTM_imbc02_message() : CTM_indexParameterList(ctm_indexParameterListFields) { m_setTypeId("02"); }
CTM_imbc03_message::CTM_imbc03_message() : CTM_typedParameterList(ctm_typedParameterListFields) { m_setTypeId("03"); }
CTM_imbc11_message::CTM_imbc11_message() { m_setTypeId("11"); }
CTM_imbc12_message::CTM_imbc12_message() : CTM_indexParameterList(ctm_erasableIndexParameterListFields) {
  m_setTypeId("12");
}
CTM_imbc21_message::CTM_imbc21_message() { m_setTypeId("21"); }
