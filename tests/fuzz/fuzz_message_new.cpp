// The telegram factory on any bytes: it always gives a telegram, never reads
// outside its input, renders every result, and a valid telegram writes a text
// that, read again, writes itself unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "telegrams/ctm_message.h"
#include "tests/support/ctm_test_telegrams.h"

namespace {

void check(std::unique_ptr<CTM_message> telegram) {
  if (!telegram) std::abort();
  const std::string readable = telegram->m_asString();
  if (readable.empty() || !telegram->m_isValid()) return;
  std::string once;
  if (telegram->m_serialize(once) != static_cast<int>(once.size())) std::abort();
  if (once.empty()) return;
  std::unique_ptr<CTM_message> again = ctm_test::newTelegram(once);
  if (!again->m_isValid()) return;
  std::string twice;
  again->m_serialize(twice);
  if (twice != once || again->m_getId() != telegram->m_getId()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view raw(reinterpret_cast<const char*>(data), size);
  check(CTM_message::m_new(raw));
  check(ctm_test::newTelegram(raw));
  return 0;
}
