#include "platform/c_descriptorlimit.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Gives the process its descriptor limit back at the end of a test that moves it.
class DescriptorLimit : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved_), 0); }
  void TearDown() override { ::setrlimit(RLIMIT_NOFILE, &saved_); }
  void m_setSoft(rlim_t soft) {
    rlimit lowered = saved_;
    lowered.rlim_cur = soft;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
  }
  rlimit saved_{};
};

TEST_F(DescriptorLimit, TheSoftLimitIsRaisedToTheHardOne) {
  if (saved_.rlim_max == RLIM_INFINITY) GTEST_SKIP() << "no hard limit";
  m_setSoft(64);
  EXPECT_EQ(c_descriptorLimit::m_raise(), static_cast<std::int64_t>(saved_.rlim_max));
  EXPECT_EQ(c_descriptorLimit::m_soft(), static_cast<std::int64_t>(saved_.rlim_max));
}

// What is left follows what is open, and comes to 0 when the limit is reached.
TEST_F(DescriptorLimit, WhatIsLeftIsTheLimitLessTheOpenDescriptors) {
  const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(lowestFree, 0);
  ::close(lowestFree);
  m_setSoft(static_cast<rlim_t>(lowestFree + 3));
  const std::int64_t before = c_descriptorLimit::m_left();
  EXPECT_GE(before, 1);
  const int opened = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  EXPECT_EQ(c_descriptorLimit::m_left(), before - 1);
  ::close(opened);
  m_setSoft(static_cast<rlim_t>(lowestFree));
  EXPECT_EQ(c_descriptorLimit::m_left(), 0);
}

}  // namespace
