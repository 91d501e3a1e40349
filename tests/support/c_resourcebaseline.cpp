#include "tests/support/c_resourcebaseline.h"

#include <dirent.h>
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
  // A joined thread stays in the task list a moment after its join returns (a
  // long moment on a loaded machine): the count waits until it has left, or it
  // would take that thread into the baseline.
  pid_t helper = 0;
  std::thread([&helper] { helper = ::gettid(); }).join();
  const std::string helperTask = "/proc/self/task/" + std::to_string(helper);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (::access(helperTask.c_str(), F_OK) == 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
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
