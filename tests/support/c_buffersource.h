#pragma once
// c_bufferSource: a byte source over a buffer, for the telegram framing without
// a socket. Each byte may carry the time (monotonic milliseconds) at which it
// arrives; a read then moves a fixed test clock to the arrival of its last byte,
// or to the deadline when that byte comes later (the read times out, as a socket
// read would, and the bytes asked for are dropped). Without times every byte is
// there at once. Running out of bytes reads as the peer having closed.
// Header only, so that the fuzz target can use it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "links/c_bytesource.h"
#include "platform/c_clock.h"

class c_bufferSource : public c_byteSource {
 public:
  explicit c_bufferSource(std::string_view bytes) : bytes_(bytes) {}
  // arrivalMs[i]: when byte i arrives; the clock must be fixed (c_clock::m_fixMonotonic).
  c_bufferSource(std::string_view bytes, std::vector<std::int64_t> arrivalMs)
      : bytes_(bytes), arrivalMs_(std::move(arrivalMs)) {}

  int m_readExact(std::string& out, std::size_t count, std::int64_t deadlineMs) override {
    if (count > bytes_.size() - position_) {
      position_ = bytes_.size();
      return -1;
    }
    if (!arrivalMs_.empty() && count > 0) {
      const std::int64_t arrival = arrivalMs_[std::min(position_ + count, arrivalMs_.size()) - 1];
      if (deadlineMs >= 0 && arrival > deadlineMs) {
        c_clock::m_fixMonotonic(deadlineMs);
        position_ += count;
        return 0;
      }
      if (arrival > c_clock::m_monotonicMilliseconds()) c_clock::m_fixMonotonic(arrival);
    }
    out.assign(bytes_.substr(position_, count));
    position_ += count;
    return static_cast<int>(count);
  }

  std::size_t m_position() const { return position_; }

 private:
  std::string_view bytes_;
  std::vector<std::int64_t> arrivalMs_;
  std::size_t position_ = 0;
};
