#include "topology/c_filesink.h"

#include <cerrno>
#include <filesystem>
#include <utility>

#include "platform/c_fileops.h"

namespace fs = std::filesystem;

c_fileSink::c_fileSink(std::string fileName) : fileName_(std::move(fileName)) {}

c_fileSink::~c_fileSink() {
  if (!finished_) m_abandon();
}

void c_fileSink::m_fail() {
  if (error_ == 0) error_ = errno != 0 ? errno : EIO;
}

bool c_fileSink::m_open() {
  std::error_code ignored;
  std::string target = fileName_;
  if (fs::is_symlink(fs::symlink_status(target, ignored))) {
    fs::path resolved = fs::canonical(target, ignored);
    if (!resolved.empty()) target = resolved.string();
  }
  fs::file_status status = fs::status(target, ignored);
  if (fs::is_directory(status)) {
    error_ = EISDIR;
    return false;
  }
  bool inPlace = fs::exists(status) && !fs::is_regular_file(status);
  errno = 0;
  fd_ = c_fileOps::m_current().m_openForWrite(inPlace ? target : target + ".new");
  if (fd_ < 0) {
    m_fail();
    return false;
  }
  if (!inPlace) temporary_ = target + ".new";
  target_ = std::move(target);
  return true;
}

void c_fileSink::m_take(std::string_view block) {
  if (finished_ || error_ != 0) return;
  if (fd_ < 0 && !m_open()) return;
  errno = 0;
  if (!c_fileOps::m_current().m_write(fd_, block)) m_fail();
}

void c_fileSink::m_close() {
  if (fd_ < 0) return;
  errno = 0;
  if (!c_fileOps::m_current().m_close(fd_)) m_fail();
  fd_ = -1;
}

bool c_fileSink::m_commit() {
  if (finished_) return error_ == 0;
  m_flush();
  if (error_ == 0 && fd_ < 0) m_open();
  m_close();
  if (error_ == 0 && !temporary_.empty()) m_replace();
  m_abandon();
  return error_ == 0;
}

// The new file swaps names with the older one, which then goes, rather than being
// renamed over it: the file system writes a file renamed over another out to the
// disk there and then, a large share of the time of a large plant's view, where
// otherwise it writes in the background. Where there is no older file, or the file
// system cannot swap, the new file is renamed.
void c_fileSink::m_replace() {
  c_fileOps& files = c_fileOps::m_current();
  errno = 0;
  if (files.m_exchange(temporary_, target_)) {
    files.m_remove(temporary_);
    temporary_.clear();
    return;
  }
  if (errno != ENOENT && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
    m_fail();
    return;
  }
  errno = 0;
  if (!files.m_rename(temporary_, target_)) {
    m_fail();
    return;
  }
  temporary_.clear();
}

void c_fileSink::m_abandon() {
  finished_ = true;
  int error = error_;
  m_close();
  error_ = error;  // a file given up may fail to close: that is no failure of the text
  if (!temporary_.empty()) c_fileOps::m_current().m_remove(temporary_);
  temporary_.clear();
}
