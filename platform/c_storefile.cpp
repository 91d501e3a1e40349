#include "platform/c_storefile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/c_eventrecord.h"

namespace {
constexpr std::uint64_t chunkSize = 64 * 1024;
}

long long c_readAt(int fd, char* buffer, std::uint64_t length, std::uint64_t offset) {
  std::uint64_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd, buffer + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<std::uint64_t>(n);
  }
  return static_cast<long long>(done);
}

bool c_backwardLineReader::m_previous(std::string& line, std::uint64_t& start) {
  // The line wanted is [its start, end_ - 1); its line feed sits at end_ - 1.
  // The last `searched` bytes before that line feed are known to hold no other.
  std::uint64_t searched = 0;
  for (;;) {
    if (end_ == 0) return false;
    if (bufferStart_ < end_) {
      const std::uint64_t feedAtEnd = end_ - 1 - bufferStart_;
      const std::size_t feed = std::string_view(buffer_.data(), feedAtEnd - searched).rfind('\n');
      searched = feedAtEnd;
      if (feed != std::string::npos || bufferStart_ == 0) {
        const std::uint64_t lineStart = feed == std::string::npos ? 0 : bufferStart_ + feed + 1;
        const std::uint64_t length = end_ - 1 - lineStart;
        const bool damaged = length > c_storeLineLimit;
        if (!damaged) line.assign(buffer_, lineStart - bufferStart_, length);
        end_ = lineStart;
        buffer_.resize(end_ - bufferStart_);
        searched = 0;
        if (damaged) continue;
        start = lineStart;
        return true;
      }
    }
    if (end_ - bufferStart_ > c_storeLineLimit + 1) {
      // Damage: the line is passed over without reading the rest of it.
      std::uint64_t lineStart = 0;
      if (!c_completeEnd(fd_, bufferStart_, lineStart)) return false;
      end_ = bufferStart_ = lineStart;
      buffer_.clear();
      searched = 0;
      continue;
    }
    // As much again as is held, so that a long line takes few reads and copies.
    const std::uint64_t wanted = std::max<std::uint64_t>(chunkSize, buffer_.size());
    const std::uint64_t length = std::min(bufferStart_, wanted);
    buffer_.insert(0, length, '\0');
    if (c_readAt(fd_, buffer_.data(), length, bufferStart_ - length) != static_cast<long long>(length)) {
      buffer_.erase(0, length);
      return false;
    }
    bufferStart_ -= length;
  }
}

bool c_completeEnd(int fd, std::uint64_t size, std::uint64_t& end) {
  char buffer[4096];
  std::uint64_t position = size;
  while (position > 0) {
    const std::uint64_t length = position < sizeof buffer ? position : sizeof buffer;
    if (c_readAt(fd, buffer, length, position - length) != static_cast<long long>(length)) return false;
    for (std::uint64_t i = length; i > 0; --i)
      if (buffer[i - 1] == '\n') {
        end = position - length + i;
        return true;
      }
    position -= length;
  }
  end = 0;
  return true;
}

bool c_completeEndNow(int fd, std::uint64_t& end) {
  struct stat status {};
  return ::fstat(fd, &status) == 0 && c_completeEnd(fd, static_cast<std::uint64_t>(status.st_size), end);
}

bool c_lastRecordNumber(int fd, std::uint64_t end, std::uint32_t& number) {
  c_backwardLineReader reader(fd, end);
  std::string line;
  std::uint64_t start = 0;
  c_eventRecord record;
  while (reader.m_previous(line, start))
    if (c_decodeEventRecord(line, record)) {
      number = record.number;
      return true;
    }
  return false;
}

bool c_forwardLineReader::m_fill() {
  if (fd_ < 0) return false;
  const std::size_t kept = buffer_.size();
  buffer_.resize(kept + chunkSize);
  const long long n = c_readAt(fd_, buffer_.data() + kept, chunkSize, bufferStart_ + kept);
  error_ = n < 0 ? (errno != 0 ? errno : EIO) : 0;
  buffer_.resize(kept + (n > 0 ? static_cast<std::size_t>(n) : 0));
  return n > 0;
}

bool c_forwardLineReader::m_next(std::string_view& line, std::uint64_t& start) {
  for (;;) {
    const std::size_t feed = buffer_.find('\n', position_ + scanned_);
    if (feed != std::string::npos) {
      const bool skipped = skipping_ || feed - position_ > c_storeLineLimit;
      skipping_ = false;
      scanned_ = 0;
      start = bufferStart_ + position_;
      line = std::string_view(buffer_).substr(position_, feed - position_);
      position_ = feed + 1;
      if (skipped) continue;
      return true;
    }
    buffer_.erase(0, position_);
    bufferStart_ += position_;
    position_ = 0;
    scanned_ = buffer_.size();
    if (buffer_.size() > c_storeLineLimit) {
      skipping_ = true;
      bufferStart_ += buffer_.size();
      buffer_.clear();
      scanned_ = 0;
    }
    if (!m_fill()) {
      buffer_.clear();
      scanned_ = 0;
      return false;
    }
  }
}

bool c_lineStartAtOrAfter(int fd, std::uint64_t offset, std::uint64_t& start) {
  if (offset == 0) {
    start = 0;
    return true;
  }
  char buffer[4096];
  std::uint64_t position = offset - 1;
  for (;;) {
    const long long n = c_readAt(fd, buffer, sizeof buffer, position);
    if (n <= 0) return false;
    for (long long i = 0; i < n; ++i)
      if (buffer[i] == '\n') {
        start = position + static_cast<std::uint64_t>(i) + 1;
        return true;
      }
    position += static_cast<std::uint64_t>(n);
  }
}
