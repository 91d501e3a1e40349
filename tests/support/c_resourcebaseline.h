#pragma once
// c_resourceBaseline: the process's threads (/proc/self/task) and open
// descriptors (/proc/self/fd) when it was made, so that a threaded test can
// check at its end that everything it started has ended and been closed.
//
//   c_resourceBaseline baseline;
//   ... start and stop threads, open and close links ...
//   EXPECT_TRUE(baseline.m_isBack());

#include <gtest/gtest.h>

class c_resourceBaseline {
 public:
  c_resourceBaseline();

  // Waits up to timeoutMs for both counts to come back (a joined thread leaves
  // the task list a moment after its join returns).
  ::testing::AssertionResult m_isBack(int timeoutMs = 2000) const;

  static int m_threadCount();
  static int m_descriptorCount();

 private:
  int threads_;
  int descriptors_;
};
