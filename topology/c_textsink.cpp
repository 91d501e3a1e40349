#include "topology/c_textsink.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>

namespace {
// Text for callers that want it whole is small (tests, a fuzzed topology).
constexpr std::size_t stringBlockSize = 4096;
}  // namespace

c_textSink::c_textSink(std::size_t blockSize)
    : block_(std::make_unique_for_overwrite<char[]>(blockSize)), next_(block_.get()), end_(next_ + blockSize) {}

c_textSink::~c_textSink() = default;

c_textSink& c_textSink::m_appendInt(long long value) {
  char digits[std::numeric_limits<long long>::digits10 + 3];
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
  (void)error;  // the buffer holds every value
  return *this += std::string_view(digits, static_cast<std::size_t>(end - digits));
}

void c_textSink::m_flush() {
  if (next_ == block_.get()) return;
  m_take(std::string_view(block_.get(), static_cast<std::size_t>(next_ - block_.get())));
  next_ = block_.get();
}

void c_textSink::m_appendAcrossBlocks(std::string_view text) {
  while (!text.empty()) {
    if (next_ == end_) m_flush();
    std::size_t part = std::min(text.size(), static_cast<std::size_t>(end_ - next_));
    std::memcpy(next_, text.data(), part);
    next_ += part;
    text.remove_prefix(part);
  }
}

c_stringSink::c_stringSink() : c_textSink(stringBlockSize) {}

std::string c_stringSink::m_release() {
  m_flush();
  return std::exchange(text_, std::string());
}
