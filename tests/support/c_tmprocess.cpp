#include "tests/support/c_tmprocess.h"

#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <sys/wait.h>

namespace {

// Fills the pipe up; its writer is left blocking, as the child gets it.
void fill(int writer) {
  const int flags = ::fcntl(writer, F_GETFL);
  ::fcntl(writer, F_SETFL, flags | O_NONBLOCK);
  const std::string block(4096, 'x');
  while (::write(writer, block.data(), block.size()) > 0) {
  }
  ::fcntl(writer, F_SETFL, flags);
}

}  // namespace

c_tmProcess::~c_tmProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  m_closeStreams();
}

bool c_tmProcess::m_start(const std::string& tmId, const std::string& mask, int descriptorLimit, bool softOnly) {
  c_options options;
  options.mask = mask;
  options.descriptorLimit = descriptorLimit;
  options.softOnly = softOnly;
  return m_start(tmId, options);
}

bool c_tmProcess::m_start(const std::string& tmId, const c_options& options) {
  c_startOptions start;
  start.environment = c_localNamesEnvironment();
  start.workDir = options.workDir;
  start.descriptorLimit = options.descriptorLimit;
  start.softOnly = options.softOnly;
  start.environment.insert(start.environment.end(), options.environment.begin(), options.environment.end());
  std::array<int, 3> childEnds{-1, -1, -1};
  const auto closeChildEnds = [&childEnds] {
    for (const int end : childEnds)
      if (end >= 0) ::close(end);
  };
  for (int stream = 0; stream < 3; ++stream) {
    const c_stream kind = options.streams[stream];
    if (kind == c_stream::inherited) continue;
    if (kind == c_stream::closed) {
      start.streams[stream] = c_startOptions::closed;
      continue;
    }
    int ends[2] = {-1, -1};
    if (kind == c_stream::null) {
      ends[1] = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    } else if (::pipe2(ends, O_CLOEXEC) == 0) {
      if (kind == c_stream::readerGone) ::close(ends[0]);
      if (kind == c_stream::full) fill(ends[1]);
      if (kind != c_stream::readerGone) testEnds_[stream] = ends[0];
      capturing_[stream] = kind == c_stream::captured;
    }
    if (ends[1] < 0) {
      closeChildEnds();
      return false;
    }
    childEnds[stream] = start.streams[stream] = ends[1];
  }
  const pid_t pid = c_startChild(std::string(TM_BIN_DIR) + "/tmrun", {"-m", options.mask, tmId}, start);
  closeChildEnds();
  if (pid < 0) return false;
  pid_ = pid;
  return true;
}

// Once the child has ended: what it wrote on its captured streams is all there is.
void c_tmProcess::m_closeStreams() {
  for (int stream = 0; stream < 3; ++stream) {
    char buffer[4096];
    ssize_t got = 0;
    while (capturing_[stream] && (got = ::read(testEnds_[stream], buffer, sizeof buffer)) > 0)
      captured_[stream].append(buffer, static_cast<std::size_t>(got));
    if (testEnds_[stream] >= 0) ::close(testEnds_[stream]);
  }
  testEnds_ = {-1, -1, -1};
  capturing_ = {};
}

int c_tmProcess::m_stop(int signal, int timeoutMs) {
  if (pid_ <= 0) return -1;
  ::kill(pid_, signal);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      pid_ = -1;
      m_closeStreams();
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  m_closeStreams();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
