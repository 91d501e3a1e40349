#pragma once
// c_runChild: runs a program as a child process and collects what it printed and
// how it ended. Standard input is empty; the environment is the test's own, with
// the given variables set or (nullopt) removed.
//
//   c_childResult run = c_runChild(std::string(TM_BIN_DIR) + "/kelvane", {}, {.workDir = dir});
//   EXPECT_EQ(run.exitStatus, 255);

#include <optional>
#include <string>
#include <utility>
#include <vector>

struct c_childOptions {
  std::string workDir;  // empty: the test's working directory
  std::vector<std::pair<std::string, std::optional<std::string>>> environment;
  int timeoutMs = 60000;  // the child is killed after this
};

struct c_childResult {
  int exitStatus = -1;  // the status it exited with, or -1 when it did not exit
  int signal = 0;       // the signal that ended it, or 0
  bool timedOut = false;
  std::string out;
  std::string err;
};

c_childResult c_runChild(const std::string& program, const std::vector<std::string>& arguments,
                         const c_childOptions& options = {});
