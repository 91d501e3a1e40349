#include "platform/c_errortext.h"

#include <string.h>

namespace {

// strerror_r comes in two shapes: the GNU one returns the text, the POSIX one
// fills the buffer and returns a status.
[[maybe_unused]] const char* chosenText(const char* text, const char*) { return text; }
[[maybe_unused]] const char* chosenText(int status, const char* buffer) { return status == 0 ? buffer : ""; }

}  // namespace

std::string c_systemErrorText(int error) {
  char buffer[256] = "";
  return chosenText(strerror_r(error, buffer, sizeof buffer), buffer);
}
