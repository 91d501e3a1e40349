#pragma once
// c_appendFile: a file that records are appended to, one whole record per call.
// It remembers whether this open created the file and how long the file was then,
// so that its owner can take back exactly what it wrote. Not shared between
// threads: its owner serialises every call.

#include <cstdint>
#include <string>
#include <string_view>

class c_appendFile {
 public:
  c_appendFile() = default;
  ~c_appendFile();
  c_appendFile(const c_appendFile&) = delete;
  c_appendFile& operator=(const c_appendFile&) = delete;

  // Opens the file for appending and creates it when it is missing; error is the
  // system error number on failure.
  bool m_open(const std::string& path, int& error);
  // As m_open, but a missing file is made by linking in the anonymous inode
  // spare (c_inodePool) instead of allocating one. spareTaken tells whether the
  // file now owns spare; when not, the caller still does (the link failed, the
  // file was there already, or it was opened as usual).
  bool m_openLinking(const std::string& path, int spare, bool& spareTaken, int& error);
  bool m_isOpen() const { return descriptor_ >= 0; }
  int m_descriptor() const { return descriptor_; }
  bool m_createdByOpen() const { return created_; }
  std::int64_t m_sizeAtOpen() const { return sizeAtOpen_; }

  // Writes all of data at the end of the file, or nothing: a write cut short (a
  // full disk) is taken back, so the file never ends in half a record.
  bool m_append(std::string_view data, int& error);
  bool m_truncate(std::int64_t size, int& error);
  bool m_close(int& error);

 private:
  int descriptor_ = -1;
  bool created_ = false;
  std::int64_t sizeAtOpen_ = 0;
};
