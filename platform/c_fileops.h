#pragma once
// c_fileOps: the file operations that a careful rewrite of a file is made of.
// Code that must leave a file whole through any failure goes through
// c_fileOps::m_current(), so that a test can put an implementation in its place
// that fails (or stops at) any one step.
// m_setCurrent is meant for tests: it is not synchronised with users on other threads.

#include <string>
#include <string_view>

class c_fileOps {
 public:
  virtual ~c_fileOps() = default;

  // Opens for writing, creating the file or emptying it; -1 on failure.
  virtual int m_openForWrite(const std::string& path);
  // Writes all bytes (retrying partial writes); false on failure.
  virtual bool m_write(int fd, std::string_view bytes);
  // Forces the file's content to the disk.
  virtual bool m_sync(int fd);
  virtual bool m_close(int fd);
  // Replaces `to` atomically.
  virtual bool m_rename(const std::string& from, const std::string& to);
  // Swaps the two names atomically; both must exist. False where the file system
  // cannot swap.
  virtual bool m_exchange(const std::string& first, const std::string& second);
  // True also when there was nothing to remove.
  virtual bool m_remove(const std::string& path);
  virtual bool m_exists(const std::string& path);
  // Makes the renames inside the folder of `path` durable.
  virtual bool m_syncFolderOf(const std::string& path);

  static c_fileOps& m_current();
  // nullptr restores the system's operations.
  static void m_setCurrent(c_fileOps* ops);
};
