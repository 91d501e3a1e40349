#include "telegrams/ctm_error_message.h"

#include "platform/c_standardstreams.h"

CTM_error_message::CTM_error_message(std::string_view raw, std::string errorText) {
  m_initHeader("ERROR", "", 1, 16);
  m_setRawTelegram(std::string(raw));
  m_setErrorText(std::move(errorText));
}

int CTM_error_message::m_serialize(std::string& out) const {
  c_standardStreams::m_writeNow(c_standardStreams::error, "CTM_error_message::m_serialize(): Function must not be used!");
  out.clear();
  return 0;
}
