// Fuzzes the parameter-file line parser with whole files: every line is parsed as
// the store parses it, and every accepted line must survive the rewrite: the line
// written for an entry reads back to an entry that writes the same line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/ctm_config_entry.h"
#include "platform/c_linereader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  c_lineReader reader;
  reader.m_openText(std::string(reinterpret_cast<const char*>(data), size));
  std::string line;
  for (int number = 1; reader.m_readLine(line); ++number) {
    CTM_config_entry entry;
    if (!entry.m_parse(line, number)) continue;
    std::string written;
    entry.m_asLine(written);
    if (written.size() < 2 || written.compare(written.size() - 2, 2, "\r\n") != 0) std::abort();
    std::string inner = written.substr(0, written.size() - 2);
    if (inner.find_first_of("\r\n") != std::string::npos) std::abort();

    CTM_config_entry reread;
    if (!reread.m_parse(inner, number)) std::abort();
    std::string rewritten;
    reread.m_asLine(rewritten);
    if (rewritten != written) {
      std::fprintf(stderr, "line %d does not read back:\n%s\n%s\n", number, written.c_str(), rewritten.c_str());
      std::abort();
    }
  }
  return 0;
}
