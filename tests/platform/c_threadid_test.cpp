#include "platform/c_threadid.h"

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(CThreadId, IsTheKernelIdOfTheCallingThreadAlsoAfterAFork) {
  // The main thread's id is the process id, in the parent and in a child.
  ASSERT_EQ(c_currentThreadId(), ::getpid());
  std::int32_t other = 0;
  std::thread([&other] { other = c_currentThreadId(); }).join();
  EXPECT_NE(other, c_currentThreadId());
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) ::_exit(c_currentThreadId() == ::getpid() ? 0 : 1);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
