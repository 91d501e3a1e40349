#include "platform/c_linereader.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr std::size_t chunkSize = 64 * 1024;
}

c_lineReader::~c_lineReader() { m_close(); }

bool c_lineReader::m_open(const std::string& path) {
  m_close();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  fd_ = fd;
  atEnd_ = false;
  return true;
}

void c_lineReader::m_openText(std::string text) {
  m_close();
  buffer_ = std::move(text);
}

void c_lineReader::m_close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  buffer_.clear();
  start_ = scanned_ = 0;
  atEnd_ = true;
  failed_ = false;
}

// Appends the next chunk of the file; false at its end or on an error.
bool c_lineReader::m_fill() {
  if (atEnd_) return false;
  if (start_ > 0) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  std::size_t old = buffer_.size();
  buffer_.resize(old + chunkSize);
  ssize_t got;
  do {
    got = ::read(fd_, buffer_.data() + old, chunkSize);
  } while (got < 0 && errno == EINTR);
  buffer_.resize(old + (got > 0 ? static_cast<std::size_t>(got) : 0));
  if (got > 0) return true;
  atEnd_ = true;
  failed_ = got < 0;
  return false;
}

bool c_lineReader::m_readLine(std::string& line) {
  for (;;) {
    std::size_t lf = buffer_.find('\n', start_ + scanned_);
    if (lf != std::string::npos) {
      std::size_t end = lf > start_ && buffer_[lf - 1] == '\r' ? lf - 1 : lf;
      line.assign(buffer_, start_, end - start_);
      start_ = lf + 1;
      scanned_ = 0;
      return true;
    }
    scanned_ = buffer_.size() - start_;
    if (m_fill()) continue;
    if (failed_ || start_ >= buffer_.size()) return false;
    // The last line of a file may lack its line end.
    std::size_t end = buffer_.back() == '\r' ? buffer_.size() - 1 : buffer_.size();
    line.assign(buffer_, start_, end - start_);
    start_ = buffer_.size();
    scanned_ = 0;
    return true;
  }
}
