#include "tests/support/c_resourcebaseline.h"

#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

// Entries of a /proc folder, less "." and ".." (and the descriptor of the listing itself).
int entriesOf(const char* folder, int own) {
  DIR* directory = ::opendir(folder);
  if (directory == nullptr) return -1;
  int count = 0;
  while (const dirent* entry = ::readdir(directory))
    if (entry->d_name[0] != '.') ++count;
  ::closedir(directory);
  return count - own;
}

}  // namespace

c_resourceBaseline::c_resourceBaseline() {
  // ThreadSanitizer starts a thread of its own with the first thread a program
  // creates; one thread started and joined here makes it part of the baseline.
  long helper = 0;
  std::thread([&helper] { helper = ::syscall(SYS_gettid); }).join();
  // It leaves the task list a moment after the join returns: counted before that,
  // it would stand in the baseline as a thread that the test let go.
  const std::string task = "/proc/self/task/" + std::to_string(helper);
  for (int waits = 0; waits < 400 && ::access(task.c_str(), F_OK) == 0; ++waits)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  threads_ = m_threadCount();
  descriptors_ = m_descriptorCount();
}

int c_resourceBaseline::m_threadCount() { return entriesOf("/proc/self/task", 0); }

int c_resourceBaseline::m_descriptorCount() { return entriesOf("/proc/self/fd", 1); }

::testing::AssertionResult c_resourceBaseline::m_isBack(int timeoutMs) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int threads = m_threadCount(), descriptors = m_descriptorCount();
  while ((threads != threads_ || descriptors != descriptors_) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    threads = m_threadCount();
    descriptors = m_descriptorCount();
  }
  if (threads == threads_ && descriptors == descriptors_) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "threads " << threads << " (baseline " << threads_ << "), descriptors "
                                       << descriptors << " (baseline " << descriptors_ << ")";
}
