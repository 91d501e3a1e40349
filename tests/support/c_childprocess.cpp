#include "tests/support/c_childprocess.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <sys/resource.h>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (std::string& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

}  // namespace

std::vector<std::string> c_childEnvironment(const c_environmentChanges& changes) {
  std::vector<std::string> result;
  for (char** variable = environ; *variable; ++variable) {
    std::string entry(*variable);
    std::string name = entry.substr(0, entry.find('='));
    bool overridden = false;
    for (const auto& [key, value] : changes) overridden = overridden || key == name;
    if (!overridden) result.push_back(entry);
  }
  for (const auto& [key, value] : changes)
    if (value) result.push_back(key + "=" + *value);
  return result;
}

c_environmentChanges c_localNamesEnvironment() {
  const char* sanitizerOptions = std::getenv("ASAN_OPTIONS");
  std::string options = sanitizerOptions ? std::string(sanitizerOptions) + ":" : std::string();
  return {{"LD_PRELOAD", std::string(TM_BIN_DIR) + "/libtm_localnames.so"},
          {"ASAN_OPTIONS", options + "verify_asan_link_order=0"}};
}

int c_startChild(const std::string& program, const std::vector<std::string>& arguments,
                 const c_startOptions& options) {
  std::vector<std::string> argumentTexts{program};
  argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
  std::vector<std::string> environmentTexts = c_childEnvironment(options.environment);
  std::vector<char*> argv = pointers(argumentTexts);
  std::vector<char*> envp = pointers(environmentTexts);
  rlimit limit{};
  ::getrlimit(RLIMIT_NOFILE, &limit);
  limit.rlim_cur = static_cast<rlim_t>(options.descriptorLimit);
  if (!options.softOnly) limit.rlim_max = limit.rlim_cur;
  // Between fork and exec the child only calls async-signal-safe functions.
  const pid_t pid = ::fork();
  if (pid == 0) {
    for (int stream = 0; stream < 3; ++stream) {
      if (options.streams[stream] == c_startOptions::closed) ::close(stream);
      if (options.streams[stream] >= 0 && ::dup2(options.streams[stream], stream) != stream) ::_exit(126);
    }
    if (options.descriptorLimit > 0 && ::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(126);
    if (!options.workDir.empty() && ::chdir(options.workDir.c_str()) != 0) ::_exit(126);
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  return pid;
}

c_childResult c_runChild(const std::string& program, const std::vector<std::string>& arguments,
                         const c_childOptions& options) {
  c_childResult result;
  std::vector<std::string> argumentTexts{program};
  argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
  std::vector<std::string> environmentTexts = c_childEnvironment(options.environment);
  std::vector<char*> argv = pointers(argumentTexts);
  std::vector<char*> envp = pointers(environmentTexts);

  int outPipe[2];
  int errPipe[2];
  if (::pipe2(outPipe, O_CLOEXEC) != 0) return result;
  if (::pipe2(errPipe, O_CLOEXEC) != 0) {
    ::close(outPipe[0]);
    ::close(outPipe[1]);
    return result;
  }
  int input = ::open("/dev/null", O_RDONLY | O_CLOEXEC);

  // Between fork and exec the child only calls async-signal-safe functions.
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(input, 0);
    ::dup2(outPipe[1], 1);
    ::dup2(errPipe[1], 2);
    if (!options.workDir.empty() && ::chdir(options.workDir.c_str()) != 0) ::_exit(126);
    ::execve(program.c_str(), argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(input);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  if (pid < 0) {
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    return result;
  }

  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.timeoutMs);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      result.timedOut = true;
      ::kill(pid, SIGKILL);
      break;
    }
    int ready = ::poll(fds, 2, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (pollfd& fd : fds)
    if (fd.fd >= 0) ::close(fd.fd);

  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}
