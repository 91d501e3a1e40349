#pragma once
// c_tmProcess: tmrun as a child process that runs until the test ends it with a
// stop signal (a TM of its own, beside the one in the test's process). It
// inherits the test's environment, TM_HOME included, and looks host names up as
// the test does (c_localNamesEnvironment).

#include <array>
#include <csignal>
#include <string>
#include <sys/types.h>

#include "tests/support/c_childprocess.h"

class c_tmProcess {
 public:
  // How one of the child's standard streams is set up.
  enum class c_stream {
    inherited,   // the test's own
    null,        // /dev/null
    closed,
    captured,    // a pipe that the test reads once the child has ended: m_captured
    readerGone,  // a pipe whose reading end is closed
    full,        // a pipe that is full and that nobody reads
  };
  struct c_options {
    std::string mask = "YYYYYYY";
    c_environmentChanges environment;  // besides the look-up of host names
    std::string workDir;               // empty: the test's
    // Above 0 the child's descriptor limit, soft and hard, as `ulimit -n` would
    // set it: the TM cannot raise it; softOnly keeps the hard limit.
    int descriptorLimit = 0;
    bool softOnly = false;
    std::array<c_stream, 3> streams{c_stream::inherited, c_stream::inherited, c_stream::inherited};
  };

  c_tmProcess() = default;
  // Kills a child that is still running.
  ~c_tmProcess();
  c_tmProcess(const c_tmProcess&) = delete;
  c_tmProcess& operator=(const c_tmProcess&) = delete;

  // Starts the TM with that id; false when no child starts.
  bool m_start(const std::string& tmId, const c_options& options);
  bool m_start(const std::string& tmId, const std::string& mask, int descriptorLimit = 0, bool softOnly = false);
  // The signal, then waits at most timeoutMs: the exit status, or -1 when the
  // child did not exit by itself in time (it is killed then) or a signal ended it.
  int m_stop(int signal, int timeoutMs = 10000);
  int m_terminate(int timeoutMs = 10000) { return m_stop(SIGTERM, timeoutMs); }
  bool m_isRunning() const { return pid_ > 0; }
  pid_t m_pid() const { return pid_; }
  // What the child wrote on a captured stream (1 or 2) until it ended.
  const std::string& m_captured(int stream) const { return captured_.at(stream); }

 private:
  void m_closeStreams();

  pid_t pid_ = -1;
  std::array<int, 3> testEnds_{-1, -1, -1};  // the test's ends of the child's captured and full streams
  std::array<bool, 3> capturing_{};
  std::array<std::string, 3> captured_;
};
