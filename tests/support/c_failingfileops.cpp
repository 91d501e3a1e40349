#include "tests/support/c_failingfileops.h"

bool c_failingFileOps::m_proceed(int step) {
  ++calls_;
  if (crashAt_ > 0 && calls_ >= crashAt_) return false;
  if (step == noStep) return true;
  return !(step == failStep_ && ++stepCalls_[step] == failAt_);
}

int c_failingFileOps::m_openForWrite(const std::string& path) {
  return m_proceed(static_cast<int>(c_step::open)) ? c_fileOps::m_openForWrite(path) : -1;
}

bool c_failingFileOps::m_write(int fd, std::string_view bytes) {
  bool crashedHere = crashAt_ > 0 && calls_ + 1 == crashAt_;
  if (m_proceed(static_cast<int>(c_step::write))) return c_fileOps::m_write(fd, bytes);
  if (crashedHere) c_fileOps::m_write(fd, bytes.substr(0, bytes.size() / 2));
  return false;
}

bool c_failingFileOps::m_sync(int fd) {
  return m_proceed(static_cast<int>(c_step::sync)) && c_fileOps::m_sync(fd);
}

bool c_failingFileOps::m_close(int fd) {
  // The descriptor is released either way: a dead process holds none.
  bool proceed = m_proceed(static_cast<int>(c_step::close));
  return c_fileOps::m_close(fd) && proceed;
}

bool c_failingFileOps::m_rename(const std::string& from, const std::string& to) {
  return m_proceed(static_cast<int>(c_step::rename)) && c_fileOps::m_rename(from, to);
}

bool c_failingFileOps::m_exchange(const std::string& first, const std::string& second) {
  return m_proceed(static_cast<int>(c_step::rename)) && c_fileOps::m_exchange(first, second);
}

bool c_failingFileOps::m_remove(const std::string& path) { return m_proceed(noStep) && c_fileOps::m_remove(path); }
bool c_failingFileOps::m_exists(const std::string& path) { return m_proceed(noStep) && c_fileOps::m_exists(path); }
bool c_failingFileOps::m_syncFolderOf(const std::string& path) {
  return m_proceed(noStep) && c_fileOps::m_syncFolderOf(path);
}
