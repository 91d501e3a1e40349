#include "tests/support/c_tmprocess.h"

#include <chrono>
#include <csignal>
#include <thread>
#include <unistd.h>
#include <sys/resource.h>
#include <sys/wait.h>

c_tmProcess::~c_tmProcess() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

bool c_tmProcess::m_start(const std::string& tmId, const std::string& mask, int descriptorLimit) {
  const std::string program = std::string(TM_BIN_DIR) + "/tm_testprocess";
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) {
    if (descriptorLimit > 0) {
      const rlimit limit{static_cast<rlim_t>(descriptorLimit), static_cast<rlim_t>(descriptorLimit)};
      if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(126);
    }
    ::execl(program.c_str(), program.c_str(), tmId.c_str(), mask.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
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
