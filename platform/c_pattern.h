#pragma once
// c_pattern: a whole-field pattern made of literal characters and bracket
// classes, such as "[A-Z][0-9A-Z][_/-][0-9]" or ";". A class holds characters and
// ranges ("[ 0-9A-Z]"); a "-" first or last in a class stands for itself. The
// pattern matches a text only when the text has exactly one character per
// position and each character is in its position's set.
//
// It is compiled once, by the constructor (at compile time for the static
// telegram tables), and is immutable afterwards, so one pattern can be matched
// from any number of threads. Only printable ASCII can be named in a pattern;
// any other byte of a text (NUL, control bytes, bytes above 127) is an ordinary
// character that no position accepts. Anything else a regular expression might
// offer (".", "*", "^", escapes, ...) makes the pattern invalid.

#include <array>
#include <cstdint>
#include <string_view>

class c_pattern {
 public:
  static constexpr int maxPositions = 32;

  constexpr explicit c_pattern(std::string_view source) : source_(source) { valid_ = m_compile(); }

  constexpr bool m_isValid() const { return valid_; }
  constexpr std::string_view m_source() const { return source_; }
  // Number of characters a matching text has.
  constexpr int m_length() const { return length_; }

  // Whether a matching text may hold the byte at the position (0 <= position < m_length()).
  constexpr bool m_acceptsAt(int position, unsigned char c) const {
    return valid_ && position >= 0 && position < length_ && m_accepts(positions_[static_cast<std::size_t>(position)], c);
  }

  constexpr bool m_matches(std::string_view text) const {
    if (!valid_ || text.size() != static_cast<std::size_t>(length_)) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
      if (!m_accepts(positions_[i], static_cast<unsigned char>(text[i]))) return false;
    return true;
  }

 private:
  // One bit per byte value; only ASCII is ever set, so a byte above 127 fails
  // without a test of its own.
  using Set = std::array<std::uint64_t, 4>;

  static constexpr bool m_nameable(char c) { return c >= ' ' && c <= '~'; }
  static constexpr bool m_accepts(const Set& set, unsigned char c) { return ((set[c >> 6] >> (c & 63)) & 1u) != 0; }
  static constexpr void m_add(Set& set, unsigned char c) { set[c >> 6] |= std::uint64_t{1} << (c & 63); }
  static constexpr bool m_special(char c) {
    return c == '.' || c == '*' || c == '+' || c == '?' || c == '^' || c == '$' || c == '\\' || c == '(' ||
           c == ')' || c == '{' || c == '}' || c == '|' || c == ']';
  }

  constexpr bool m_compile() {
    std::size_t i = 0;
    while (i < source_.size()) {
      if (length_ == maxPositions) return false;
      Set& set = positions_[static_cast<std::size_t>(length_++)];
      char c = source_[i];
      if (!m_nameable(c)) return false;
      if (c != '[') {
        if (m_special(c)) return false;
        m_add(set, static_cast<unsigned char>(c));
        ++i;
        continue;
      }
      std::size_t end = source_.find(']', i + 1);
      if (end == std::string_view::npos || end == i + 1) return false;
      if (!m_compileClass(set, source_.substr(i + 1, end - i - 1))) return false;
      i = end + 1;
    }
    return true;
  }

  static constexpr bool m_compileClass(Set& set, std::string_view members) {
    if (members.front() == '^') return false;
    for (std::size_t k = 0; k < members.size(); ++k) {
      char first = members[k];
      if (!m_nameable(first) || first == '[' || first == '\\') return false;
      bool range = first != '-' && k + 2 < members.size() && members[k + 1] == '-';
      char last = range ? members[k + 2] : first;
      if (!m_nameable(last) || last == '[' || last == '\\' || last < first) return false;
      for (int code = first; code <= last; ++code) m_add(set, static_cast<unsigned char>(code));
      if (range) k += 2;
    }
    return true;
  }

  std::string_view source_;
  int length_ = 0;
  bool valid_ = false;
  std::array<Set, maxPositions> positions_{};
};
