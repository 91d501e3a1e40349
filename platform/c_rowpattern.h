#pragma once
// c_rowPattern: for each position of a fixed-width row, the set of bytes it
// accepts, checked over a text made of whole rows (the repeated groups of a
// telegram). The sets are turned into byte ranges when it is made, so that a long
// text is checked sixteen bytes at a time; sets of many ranges are checked byte
// by byte. Immutable once made: one row pattern may be checked from any number of
// threads.

#include <bitset>
#include <cstddef>
#include <string_view>
#include <vector>

class c_rowPattern {
 public:
  using c_byteSet = std::bitset<256>;

  // One set per position; a row of no positions matches only the empty text.
  explicit c_rowPattern(std::vector<c_byteSet> positions);

  std::size_t m_width() const { return positions_.size(); }
  // True when the text is whole rows and each byte lies in the set of its position.
  bool m_matches(std::string_view text) const;

 private:
  static constexpr std::size_t lanes = 16;
  // A position set of more ranges than this is checked byte by byte.
  static constexpr std::size_t maximumRanges = 4;

  // Range r of every lane: its lowest byte and how many bytes follow it. A lane of
  // fewer ranges repeats its last one.
  struct c_laneRanges {
    alignas(lanes) unsigned char lowest[maximumRanges][lanes];
    alignas(lanes) unsigned char span[maximumRanges][lanes];
  };

  template <std::size_t Ranges>
  bool m_matchesBlocks(std::string_view text) const;
  bool m_matchesBytes(std::string_view text) const;

  std::vector<c_byteSet> positions_;
  std::size_t ranges_ = 0;  // ranges per lane; 0 when the text is checked byte by byte
  // One entry per block of sixteen bytes until the rows line up with the blocks
  // again, and one for the last sixteen bytes of a text (which ends with a row).
  std::vector<c_laneRanges> blocks_;
  c_laneRanges lastBlock_{};
};
