#include "tests/support/c_tmprocess.h"

#include <chrono>
#include <csignal>
#include <thread>
#include <unistd.h>
#include <sys/wait.h>

#include "tests/support/c_childprocess.h"

c_tmProcess::~c_tmProcess() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

bool c_tmProcess::m_start(const std::string& tmId, const std::string& mask, int descriptorLimit, bool softOnly) {
  const pid_t pid = c_startChild(std::string(TM_BIN_DIR) + "/tmrun", {"-m", mask, tmId}, c_localNamesEnvironment(),
                                 descriptorLimit, softOnly);
  if (pid < 0) return false;
  pid_ = pid;
  return true;
}

int c_tmProcess::m_terminate(int timeoutMs) {
  if (pid_ <= 0) return -1;
  ::kill(pid_, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
      pid_ = -1;
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
