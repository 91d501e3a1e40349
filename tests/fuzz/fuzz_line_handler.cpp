// A server line handler's receive path on any byte stream from its peer, fed
// through a socket pair: whatever arrives, the handler neither crashes nor hangs,
// ends the link when the stream ends, and its threads are joined before the next
// input. What the handler answers is drained so that it never waits on a full
// buffer.
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "tests/support/ctm_test_linehandlers.h"

namespace {

// Reads and drops what the handler sends until it closes its side; false when it
// has not closed within the time.
bool drainUntilClosed(int descriptor, int timeoutMs) {
  char buffer[4096];
  for (int waited = 0; waited < timeoutMs; waited += 10) {
    pollfd ready{descriptor, POLLIN, 0};
    if (::poll(&ready, 1, 10) <= 0) continue;
    const ssize_t n = ::recv(descriptor, buffer, sizeof buffer, 0);
    if (n <= 0) return true;
    waited -= 10;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static CTM_eventRecorder* const events = [] {
    CTM_config::m_resetForTest();
    CTM_logging::m_resetForTest();
    CTM_logging::m_init("");
    auto* recorder = new CTM_eventRecorder;
    CTM_logging::m_setSink(recorder);
    return recorder;
  }();
  events->m_clear();

  int pair[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) std::abort();
  {
    CTM_testServerLh handler;
    if (!handler.m_acceptConnection(c_socket(pair[0]))) std::abort();
    // The peer writes the whole stream and reads the answers meanwhile, so that
    // neither side waits on a full buffer.
    std::size_t sent = 0;
    while (sent < size) {
      pollfd writable{pair[1], POLLOUT | POLLIN, 0};
      if (::poll(&writable, 1, 100) <= 0) continue;
      if ((writable.revents & POLLIN) != 0) {
        char answer[4096];
        if (::recv(pair[1], answer, sizeof answer, MSG_DONTWAIT) == 0) break;
      }
      if ((writable.revents & POLLOUT) == 0) continue;
      const ssize_t n = ::send(pair[1], data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n < 0) break;  // the handler has ended the link
      sent += static_cast<std::size_t>(n);
    }
    ::shutdown(pair[1], SHUT_WR);
    if (!drainUntilClosed(pair[1], 10'000)) std::abort();
  }
  ::close(pair[1]);
  return 0;
}
