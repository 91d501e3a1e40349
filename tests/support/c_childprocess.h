#pragma once
// c_runChild: runs a program as a child process and collects what it printed and
// how it ended. Standard input is empty; the environment is the test's own, with
// the given variables set or (nullopt) removed.
//
//   c_childResult run = c_runChild(std::string(TM_BIN_DIR) + "/kelvane", {}, {.workDir = dir});
//   EXPECT_EQ(run.exitStatus, 255);

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Variables to set (or, nullopt, to remove) in a child's environment.
using c_environmentChanges = std::vector<std::pair<std::string, std::optional<std::string>>>;

struct c_childOptions {
  std::string workDir;  // empty: the test's working directory
  c_environmentChanges environment;
  int timeoutMs = 60000;  // the child is killed after this
};

struct c_childResult {
  int exitStatus = -1;  // the status it exited with, or -1 when it did not exit
  int signal = 0;       // the signal that ended it, or 0
  bool timedOut = false;
  std::string out;
  std::string err;
};

// The test's environment with the changes made, as "NAME=value" texts.
std::vector<std::string> c_childEnvironment(const c_environmentChanges& changes);
// The changes that make a child program look host names up in the hosts file
// only, as the test programs do themselves (c_localnames.h): the preload library
// libtm_localnames.so, which AddressSanitizer accepts before its own runtime only
// when told so.
c_environmentChanges c_localNamesEnvironment();

// How c_startChild sets a child up.
struct c_startOptions {
  static constexpr int inherited = -1;  // a standard stream: the test's own
  static constexpr int closed = -2;     // a standard stream: none

  c_environmentChanges environment;
  std::string workDir;  // empty: the test's working directory
  // Above 0 the child's descriptor limit, soft and hard, as `ulimit -n` sets it:
  // the child cannot raise it; softOnly keeps the hard limit, to which it may.
  int descriptorLimit = 0;
  bool softOnly = false;
  // The child's descriptors 0, 1 and 2: inherited, closed, or that descriptor.
  std::array<int, 3> streams{inherited, inherited, inherited};
};

// Starts the program; its process id, or -1 when none starts.
int c_startChild(const std::string& program, const std::vector<std::string>& arguments,
                 const c_startOptions& options);

c_childResult c_runChild(const std::string& program, const std::vector<std::string>& arguments,
                         const c_childOptions& options = {});
