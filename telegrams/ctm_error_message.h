#pragma once
// CTM_error_message: what the factory returns for a text it cannot turn into a
// telegram: the text itself and the reason. It is never valid and never sent.

#include <string>
#include <string_view>

#include "telegrams/ctm_message.h"

class CTM_error_message : public CTM_message {
 public:
  CTM_error_message(std::string_view raw, std::string errorText);

  // Writes nothing and returns 0 (with a notice on standard error).
  int m_serialize(std::string& out) const override;
};
