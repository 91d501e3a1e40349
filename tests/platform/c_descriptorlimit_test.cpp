#include "platform/c_descriptorlimit.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// What is left is the soft limit less what is open below it, 0 at the limit; the
// soft limit is raised to the hard one. The process's limit is given back at the end.
TEST(DescriptorLimit, WhatIsLeftFollowsWhatIsOpenAndTheSoftLimitIsRaisedToTheHardOne) {
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(lowestFree, 0);
  const rlimit lowered{static_cast<rlim_t>(lowestFree) + 1, saved.rlim_max};
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
  EXPECT_EQ(c_descriptorLimit::m_left(), 0);
  ::close(lowestFree);
  EXPECT_EQ(c_descriptorLimit::m_left(), 1);
  if (saved.rlim_max != RLIM_INFINITY) {
    EXPECT_EQ(c_descriptorLimit::m_raise(), static_cast<std::int64_t>(saved.rlim_max));
    EXPECT_EQ(c_descriptorLimit::m_soft(), static_cast<std::int64_t>(saved.rlim_max));
  }
  ::setrlimit(RLIMIT_NOFILE, &saved);
}

}  // namespace
