#pragma once
// c_failingFileOps: file operations that fail on purpose, installed for the life
// of the object. Either one chosen call fails (the caller sees the failure and
// may clean up), or a "crash" stops every call from a chosen one on, as if the
// process had died there.
//
//   c_failingFileOps files;
//   files.m_failNth(c_failingFileOps::c_step::rename, 2);

#include "platform/c_fileops.h"

class c_failingFileOps : public c_fileOps {
 public:
  enum class c_step { open, write, sync, close, rename };

  c_failingFileOps() { c_fileOps::m_setCurrent(this); }
  ~c_failingFileOps() override { c_fileOps::m_setCurrent(nullptr); }
  c_failingFileOps(const c_failingFileOps&) = delete;
  c_failingFileOps& operator=(const c_failingFileOps&) = delete;

  // The n-th call (from 1) of the step fails; every other call works.
  void m_failNth(c_step step, int n) {
    failStep_ = static_cast<int>(step);
    failAt_ = n;
  }
  // Every call from the n-th (from 1, counting all operations) on does nothing and
  // fails; a write cut there stores half of its bytes.
  void m_crashAt(int n) { crashAt_ = n; }
  // The operations called so far.
  int m_calls() const { return calls_; }

  int m_openForWrite(const std::string& path) override;
  bool m_write(int fd, std::string_view bytes) override;
  bool m_sync(int fd) override;
  bool m_close(int fd) override;
  // A swap of two names counts as a rename.
  bool m_rename(const std::string& from, const std::string& to) override;
  bool m_exchange(const std::string& first, const std::string& second) override;
  bool m_remove(const std::string& path) override;
  bool m_exists(const std::string& path) override;
  bool m_syncFolderOf(const std::string& path) override;

 private:
  // Counts the call; false when it is to fail.
  bool m_proceed(int step);

  static constexpr int noStep = -1;
  int failStep_ = noStep;
  int failAt_ = 0;
  int crashAt_ = 0;
  int calls_ = 0;
  int stepCalls_[5] = {};
};
