// The telegram framing on any byte stream: it reads telegram after telegram until
// one is refused, never reads past the stream, and every telegram it gives holds
// exactly the header, the data part its header states and a line feed. The first
// byte chooses a link with or without terminator.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "links/ctm_telegramframing.h"
#include "telegrams/ctm_message.h"
#include "tests/support/c_buffersource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const bool noTerminator = (data[0] & 1) != 0;
  const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
  c_bufferSource source(stream);
  CTM_telegramFraming framing(noTerminator);
  std::unique_ptr<CTM_message> telegram;
  std::size_t consumed = 0;
  while (framing.m_read(source, telegram)) {
    if (!telegram) std::abort();
    const std::string& raw = telegram->m_getRawTelegram();
    if (raw.size() < CTM_telegramFraming::shortHeaderLength + 1 || raw.back() != '\n') std::abort();
    const std::size_t taken = source.m_position() - consumed;
    if (taken != raw.size() - (noTerminator ? 1 : 0)) std::abort();
    if (stream.substr(consumed, taken) != std::string_view(raw).substr(0, taken)) std::abort();
    consumed = source.m_position();
    telegram->m_asString();
  }
  if (telegram || source.m_position() > stream.size()) std::abort();
  return 0;
}
