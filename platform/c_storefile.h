#pragma once
// Reading helpers for the event-log store files, shared by the writer (which
// numbers after the last record and heals a torn end) and the readers. They read
// through a file descriptor with pread and take no lock.

#include <cstdint>
#include <string>
#include <string_view>

// The longest line a reader accepts; longer ones are skipped as damage.
inline constexpr std::uint64_t c_storeLineLimit = 16u << 20;

// Whole lines backwards from `end` (an offset just after a line feed, or 0).
class c_backwardLineReader {
 public:
  c_backwardLineReader(int fd, std::uint64_t end) : fd_(fd), end_(end), bufferStart_(end) {}
  // The line before the current position, without its line feed, and where it
  // starts; false at the start of the file or on a read error. Lines beyond the
  // limit are skipped.
  bool m_previous(std::string& line, std::uint64_t& start);

 private:
  int fd_;
  std::uint64_t end_;          // the current position: the line wanted ends just before it
  std::uint64_t bufferStart_;  // file offset of buffer_[0]; buffer_ covers [bufferStart_, end_)
  std::string buffer_;
};

// Whole lines forwards from a line start. At the end of the file an incomplete
// line is forgotten, so that a later call reads it again from its start once it is
// complete (or once a writer has cut it off and written another in its place);
// this is what lets a reader follow a growing file.
class c_forwardLineReader {
 public:
  c_forwardLineReader() = default;
  c_forwardLineReader(int fd, std::uint64_t offset) : fd_(fd), bufferStart_(offset) {}
  // The next line without its line feed (valid until the next call) and where it
  // starts; false when no complete line follows yet. Lines beyond the limit are skipped.
  bool m_next(std::string_view& line, std::uint64_t& start);
  // Where the next line starts.
  std::uint64_t m_offset() const { return bufferStart_ + position_; }
  // Whether the last m_next stopped on a read error rather than at the end, and its errno.
  bool m_failed() const { return error_ != 0; }
  int m_error() const { return error_; }

 private:
  bool m_fill();

  int fd_ = -1;
  std::string buffer_;  // bytes from file offset bufferStart_ on
  std::size_t position_ = 0;
  std::size_t scanned_ = 0;  // bytes from position_ known to hold no line feed
  std::uint64_t bufferStart_ = 0;
  bool skipping_ = false;  // inside a line beyond the limit
  int error_ = 0;
};

// The first line start at or after `offset`; false when no line starts there.
bool c_lineStartAtOrAfter(int fd, std::uint64_t offset, std::uint64_t& start);

// Where the complete part of a file of `size` bytes ends: just after its last
// line feed, 0 when it has none. False on a read error.
bool c_completeEnd(int fd, std::uint64_t size, std::uint64_t& end);

// The same for an open file at its size now.
bool c_completeEndNow(int fd, std::uint64_t& end);

// The number of the last line before `end` (a line start) that reads as a whole
// record; false, with `number` unchanged, when none does. A line of damage that
// merely begins like a record does not count.
bool c_lastRecordNumber(int fd, std::uint64_t end, std::uint32_t& number);

// Reads up to `length` bytes at `offset`, retrying interrupted and short reads; -1 on error.
long long c_readAt(int fd, char* buffer, std::uint64_t length, std::uint64_t offset);
