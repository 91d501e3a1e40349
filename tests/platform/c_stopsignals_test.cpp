// The stop signals as a program started under nohup sees them: the SIGHUP its
// starter ignores stays ignored, while SIGTERM still stops it.
#include "platform/c_stopsignals.h"

#include <pthread.h>
#include <signal.h>

#include <gtest/gtest.h>

namespace {

TEST(StopSignals, AHangUpThatTheStarterIgnoresIsNoStop) {
  ASSERT_NE(::signal(SIGHUP, SIG_IGN), SIG_ERR);
  ASSERT_TRUE(c_stopSignals::m_block());
  ::raise(SIGHUP);
  ::raise(SIGTERM);
  EXPECT_EQ(c_stopSignals::m_wait(), SIGTERM);
  sigset_t pending;
  ASSERT_EQ(::sigpending(&pending), 0);
  EXPECT_EQ(sigismember(&pending, SIGHUP), 0);

  sigset_t blocked;
  sigemptyset(&blocked);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&blocked, signal);
  ::pthread_sigmask(SIG_UNBLOCK, &blocked, nullptr);
  ::signal(SIGHUP, SIG_DFL);
}

}  // namespace
