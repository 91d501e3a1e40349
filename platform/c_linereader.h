#pragma once
// c_lineReader: reads a text file line by line. A line ends with LF; a CR right
// before the LF (or at the very end of the file) belongs to the line end. Lines of
// any length are returned whole, bytes as they are (NUL included), so that no
// content of a file can split a line in two.

#include <cstddef>
#include <string>

class c_lineReader {
 public:
  c_lineReader() = default;
  ~c_lineReader();
  c_lineReader(const c_lineReader&) = delete;
  c_lineReader& operator=(const c_lineReader&) = delete;

  // Opens a file for reading; false when it cannot be opened.
  bool m_open(const std::string& path);
  // Reads from the given text instead of a file.
  void m_openText(std::string text);
  // The next line without its line end; false at the end of the input or after a read error.
  bool m_readLine(std::string& line);
  // True when reading stopped on an error rather than at the end of the input.
  bool m_failed() const { return failed_; }
  void m_close();

 private:
  bool m_fill();

  int fd_ = -1;
  std::string buffer_;
  std::size_t start_ = 0;    // first byte of the next line
  std::size_t scanned_ = 0;  // bytes from start_ known to hold no LF
  bool atEnd_ = true;
  bool failed_ = false;
};
