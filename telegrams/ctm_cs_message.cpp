#include "telegrams/ctm_cs_message.h"

#include "telegrams/ctm_fieldpatterns.h"

namespace {

using F = CTM_fieldDefinition;
using T = CTM_telegramType;

constexpr F lpcFields[] = {F::m_text("LPC", 10, &ctm_lpcPattern)};

constexpr T csTypes[] = {{"00", &T::m_make<CTM_cs00_message>}, {"01", &T::m_make<CTM_cs01_message>},
                         {"02", &T::m_make<CTM_cs02_message>}, {"03", &T::m_make<CTM_cs03_message>},
                         {"11", &T::m_make<CTM_cs11_message>}, {"12", &T::m_make<CTM_cs12_message>},
                         {"13", &T::m_make<CTM_cs13_message>}};

}  // namespace

const CTM_telegramPair ctm_csPair{"C", "S", csTypes};

CTM_csLpcMessage::CTM_csLpcMessage(const char* typeId) : CTM_cs_message(typeId, lpcFields) {}

CTM_cs00_message::CTM_cs00_message() : CTM_cs_message("00") {}
CTM_cs01_message::CTM_cs01_message() : CTM_csLpcMessage("01") {}
CTM_cs02_message::CTM_cs02_message() : CTM_csLpcMessage("02") {}
CTM_cs03_message::CTM_cs03_message() : CTM_csLpcMessage("03") {}
CTM_cs11_message::CTM_cs11_message() : CTM_csLpcMessage("11") {}
CTM_cs12_message::CTM_cs12_message() : CTM_csLpcMessage("12") {}
CTM_cs13_message::CTM_cs13_message() : CTM_csLpcMessage("13") {}
