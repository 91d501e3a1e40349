#include "platform/c_standardstreams.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "platform/c_stopsignals.h"

bool c_standardStreams::m_secure() {
  bool secured = true;
  // In order: the lower ones are open, so /dev/null takes the number that is closed.
  for (int descriptor = 0; descriptor <= 2; ++descriptor) {
    if (::fcntl(descriptor, F_GETFD) != -1 || errno != EBADF) continue;
    const int null = ::open("/dev/null", descriptor == 0 ? O_RDONLY : O_WRONLY);
    if (null == descriptor) continue;
    if (null >= 0) ::close(null);
    secured = false;
  }
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  return ::sigaction(SIGPIPE, &ignore, nullptr) == 0 && secured;
}

namespace {

// One writer at a time, within the process: a pipe with room for one piece takes
// only one of two threads that both found it ready, and the other would block.
std::mutex& writing() {
  static std::mutex mutex;
  return mutex;
}

// Writes a piece when the stream takes one now: its length, 0 when the stream
// takes nothing now, -1 when the write failed.
ssize_t writePieceNow(int stream, std::string_view text) {
  std::lock_guard<std::mutex> lock(writing());
  pollfd ready{stream, POLLOUT, 0};
  if (::poll(&ready, 1, 0) != 1) return 0;
  if ((ready.revents & POLLOUT) == 0) return -1;
  ssize_t written = 0;
  do {
    // A pipe that takes a write has room for PIPE_BUF bytes: no piece blocks.
    written = ::write(stream, text.data(), std::min<std::size_t>(text.size(), PIPE_BUF));
  } while (written < 0 && errno == EINTR);
  return written > 0 ? written : -1;
}

}  // namespace

bool c_standardStreams::m_write(c_stream stream, std::string_view text) {
  while (!text.empty()) {
    if (!c_stopSignals::m_waitWritable(stream)) return false;
    const ssize_t written = writePieceNow(stream, text);
    if (written < 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool c_standardStreams::m_writeNow(c_stream stream, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = writePieceNow(stream, text);
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}
