#pragma once
// c_textSink: text made piece by piece and handed on in blocks as it is made. A view
// of a plant of a million nodes is hundreds of megabytes: made whole, it would cost
// that much memory and a first touch of every page of it; one block stays in the
// cache while it fills and goes on when it is full.
//
// c_stringSink gathers the blocks into one string, for callers that want a text as
// one value.

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

class c_textSink {
 public:
  static constexpr std::size_t defaultBlockSize = 256 * 1024;

  explicit c_textSink(std::size_t blockSize = defaultBlockSize);
  virtual ~c_textSink();
  c_textSink(const c_textSink&) = delete;
  c_textSink& operator=(const c_textSink&) = delete;

  c_textSink& operator+=(std::string_view text) {
    if (text.size() <= static_cast<std::size_t>(end_ - next_)) {
      if (!text.empty()) std::memcpy(next_, text.data(), text.size());
      next_ += text.size();
    } else {
      m_appendAcrossBlocks(text);
    }
    return *this;
  }
  c_textSink& operator+=(char c) {
    if (next_ == end_) m_flush();
    *next_++ = c;
    return *this;
  }
  // In decimal, with a "-" when negative, without fill.
  c_textSink& m_appendInt(long long value);

  // Hands on what the block holds.
  void m_flush();

 protected:
  // Takes the next block of the text.
  virtual void m_take(std::string_view block) = 0;

 private:
  void m_appendAcrossBlocks(std::string_view text);

  std::unique_ptr<char[]> block_;
  char* next_;
  char* end_;
};

class c_stringSink : public c_textSink {
 public:
  c_stringSink();
  // The whole text so far; the sink starts again empty.
  std::string m_release();

 protected:
  void m_take(std::string_view block) override { text_ += block; }

 private:
  std::string text_;
};
