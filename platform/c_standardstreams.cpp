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

bool c_standardStreams::m_write(c_stream stream, std::string_view text) {
  while (!text.empty()) {
    if (!c_stopSignals::m_waitWritable(stream)) return false;
    // A pipe that takes a write has room for PIPE_BUF bytes: no piece blocks.
    const ssize_t written = ::write(stream, text.data(), std::min<std::size_t>(text.size(), PIPE_BUF));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool c_standardStreams::m_writeNow(c_stream stream, std::string_view text) {
  // One writer at a time: a pipe with room for one piece takes only one of two
  // threads that both found it ready.
  static std::mutex writing;
  std::lock_guard<std::mutex> lock(writing);
  while (!text.empty()) {
    pollfd ready{stream, POLLOUT, 0};
    if (::poll(&ready, 1, 0) != 1 || (ready.revents & POLLOUT) == 0) return false;
    const ssize_t written = ::write(stream, text.data(), std::min<std::size_t>(text.size(), PIPE_BUF));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}
