#pragma once
// c_tmProcess: tmrun as a child process that runs until the test ends it with
// SIGTERM (a TM of its own, beside the one in the test's process). It inherits
// the test's environment, TM_HOME included, and looks host names up as the test
// does (c_localNamesEnvironment).

#include <string>
#include <sys/types.h>

class c_tmProcess {
 public:
  c_tmProcess() = default;
  // Kills a child that is still running.
  ~c_tmProcess();
  c_tmProcess(const c_tmProcess&) = delete;
  c_tmProcess& operator=(const c_tmProcess&) = delete;

  // Starts the TM with that id and interface mask; false when no child starts.
  // A descriptor limit above 0 is the child's, soft and hard, as `ulimit -n`
  // would set it: the TM cannot raise it; softOnly keeps the hard limit.
  bool m_start(const std::string& tmId, const std::string& mask, int descriptorLimit = 0, bool softOnly = false);
  // SIGTERM, then waits at most timeoutMs: the exit status, or -1 when the child
  // did not exit by itself in time (it is killed then).
  int m_terminate(int timeoutMs = 10000);
  bool m_isRunning() const { return pid_ > 0; }
  pid_t m_pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};
