#pragma once
// c_toolProcess: one of the built programs running as a child process while the
// test goes on, for programs that do not end by themselves (c_runChild runs one to
// its end). Its standard output and error are captured as they come (standard
// input is empty, the environment is the test's own). A test can wait until the
// output satisfies a condition, interrupt the program as a user would, and
// collect how it ended. The destructor kills a child that is still running.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

extern char** environ;

class c_toolProcess {
 public:
  using c_clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds defaultLimit{60000};

  c_toolProcess(const std::string& program, const std::vector<std::string>& arguments) {
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    ::posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    outFd_ = outPipe[0];
    errFd_ = errPipe[0];
  }
  ~c_toolProcess() {
    if (pid_ > 0 && !ended_) {
      ::kill(pid_, SIGKILL);
      m_waitForEnd(defaultLimit);
    }
    if (outFd_ >= 0) ::close(outFd_);
    if (errFd_ >= 0) ::close(errFd_);
  }
  c_toolProcess(const c_toolProcess&) = delete;
  c_toolProcess& operator=(const c_toolProcess&) = delete;

  bool m_started() const { return pid_ > 0; }

  // Reads until the standard output satisfies the condition; false when the
  // limit passed or the output ended first.
  bool m_readUntil(const std::function<bool(const std::string&)>& done, std::chrono::milliseconds limit = defaultLimit) {
    const auto deadline = c_clock::now() + limit;
    while (!done(out_)) {
      if (!m_readSome(deadline)) return done(out_);
    }
    return true;
  }
  bool m_readUntilLines(std::size_t lines, std::chrono::milliseconds limit = defaultLimit) {
    return m_readUntil([lines](const std::string& out) { return static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n')) >= lines; },
                       limit);
  }

  void m_interrupt() const {
    if (pid_ > 0 && !ended_) ::kill(pid_, SIGINT);
  }

  // Reads all output and waits for the end; false when the limit passed first.
  bool m_waitForEnd(std::chrono::milliseconds limit = defaultLimit) {
    const auto deadline = c_clock::now() + limit;
    while (m_readSome(deadline)) {
    }
    while (pid_ > 0 && !ended_) {
      int status = 0;
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        ended_ = true;
        if (WIFEXITED(status)) exitStatus_ = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) signal_ = WTERMSIG(status);
        break;
      }
      if (done < 0 && errno != EINTR) return false;
      if (c_clock::now() >= deadline) return false;
      ::poll(nullptr, 0, 5);
    }
    return ended_;
  }

  const std::string& m_out() const { return out_; }
  const std::string& m_err() const { return err_; }
  int m_exitStatus() const { return exitStatus_; }  // -1 unless it exited
  int m_signal() const { return signal_; }          // 0 unless a signal ended it

 private:
  // Reads what one of the pipes has; false when both are closed or the deadline passed.
  bool m_readSome(c_clock::time_point deadline) {
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    if (outFd_ < 0 && errFd_ < 0) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - c_clock::now()).count();
    if (left <= 0) return false;
    const int ready = ::poll(fds, 2, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) return true;
    if (ready <= 0) return false;
    m_drain(fds[0], outFd_, out_);
    m_drain(fds[1], errFd_, err_);
    return true;
  }
  static void m_drain(const pollfd& polled, int& fd, std::string& into) {
    if (fd < 0 || polled.revents == 0) return;
    char buffer[65536];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      into.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      ::close(fd);
      fd = -1;
    }
  }

  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  bool ended_ = false;
  int exitStatus_ = -1;
  int signal_ = 0;
  std::string out_;
  std::string err_;
};
