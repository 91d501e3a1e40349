#pragma once
// CTM_telegramFraming: reads one telegram from a byte source. A telegram on the
// wire is a header of 13 bytes (one-letter codes: "MT", type digits, version,
// sequence, three length digits at 8-10, sub id) or of 15 bytes (two-letter codes
// "TCTM": length digits at 10-12), a data part of the length that the header
// states, and a line feed (none on a link without terminator).
//
// One deadline per telegram: the header must arrive within 1 s of the start, the
// rest within 5 s of the header in all, so that a peer trickling bytes cannot
// hold the reading thread longer. The text read goes to the telegram factory,
// the telegram log and the event log. One thread at a time.

#include <cstdint>
#include <memory>
#include <string>

class c_byteSource;
class CTM_message;

class CTM_telegramFraming {
 public:
  static constexpr std::size_t shortHeaderLength = 13;
  static constexpr std::size_t longHeaderLength = 15;
  static constexpr std::int64_t headerTimeoutMs = 1000;
  static constexpr std::int64_t telegramTimeoutMs = 5000;

  explicit CTM_telegramFraming(bool noTerminator);

  // Reads one telegram: true with out set to a telegram (an error telegram when
  // the text does not parse; the caller owns it); false with out null when the
  // header, body or trailer did not arrive in time, the header is of neither form
  // or the trailer is no line feed (each with its event).
  bool m_read(c_byteSource& source, std::unique_ptr<CTM_message>& out);

  bool m_hasNoTerminator() const { return noTerminator_; }

 private:
  const bool noTerminator_;
  // Kept across telegrams so that their capacity is reused.
  std::string header_;
  std::string body_;
  std::string trailer_;
  std::string text_;
};
