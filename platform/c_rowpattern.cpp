#include "platform/c_rowpattern.h"

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <numeric>

namespace {

// Sixteen bytes compared at once (GCC and clang vectors).
typedef unsigned char c_lanes __attribute__((vector_size(16)));

c_lanes loadLanes(const void* bytes) {
  c_lanes lanes;
  std::memcpy(&lanes, bytes, sizeof lanes);
  return lanes;
}

bool allLanesSet(c_lanes lanes) {
  std::uint64_t halves[2];
  std::memcpy(halves, &lanes, sizeof halves);
  return (halves[0] & halves[1]) == ~std::uint64_t{0};
}

struct c_byteRange {
  unsigned char lowest;
  unsigned char span;  // the range is lowest .. lowest + span
};

// The runs of accepted bytes of a set.
std::vector<c_byteRange> rangesOf(const c_rowPattern::c_byteSet& set) {
  std::vector<c_byteRange> ranges;
  for (int value = 0; value < 256; ++value) {
    if (!set[static_cast<std::size_t>(value)]) continue;
    if (value > 0 && set[static_cast<std::size_t>(value - 1)])
      ++ranges.back().span;
    else
      ranges.push_back({static_cast<unsigned char>(value), 0});
  }
  return ranges;
}

}  // namespace

c_rowPattern::c_rowPattern(std::vector<c_byteSet> positions) : positions_(std::move(positions)) {
  const std::size_t width = positions_.size();
  if (width == 0) return;
  std::vector<std::vector<c_byteRange>> ranges;
  std::size_t most = 1;
  for (const c_byteSet& set : positions_) {
    ranges.push_back(rangesOf(set));
    // A set that accepts nothing is left to the byte-by-byte check.
    if (ranges.back().empty()) return;
    most = std::max(most, ranges.back().size());
  }
  if (most > maximumRanges) return;
  ranges_ = most;
  blocks_.resize(std::lcm(width, lanes) / lanes);
  for (std::size_t block = 0; block < blocks_.size(); ++block)
    for (std::size_t lane = 0; lane < lanes; ++lane) {
      const std::vector<c_byteRange>& own = ranges[(block * lanes + lane) % width];
      for (std::size_t r = 0; r < maximumRanges; ++r) {
        const c_byteRange range = own[std::min(r, own.size() - 1)];
        blocks_[block].lowest[r][lane] = range.lowest;
        blocks_[block].span[r][lane] = range.span;
      }
    }
}

template <std::size_t Ranges>
bool c_rowPattern::m_matchesBlocks(const char* text, std::size_t blocks) const {
  c_lanes allAccepted = ~c_lanes{};
  std::size_t entry = 0;
  for (std::size_t block = 0; block < blocks; ++block) {
    const c_lanes bytes = loadLanes(text + block * lanes);
    const c_laneRanges& ranges = blocks_[entry];
    c_lanes accepted = {};
    // Unsigned: a byte below the range wraps round above its span.
    for (std::size_t r = 0; r < Ranges; ++r)
      accepted |= static_cast<c_lanes>(bytes - loadLanes(ranges.lowest[r])) <= loadLanes(ranges.span[r]);
    allAccepted &= accepted;
    if (++entry == blocks_.size()) entry = 0;
  }
  return allLanesSet(allAccepted);
}

bool c_rowPattern::m_matchesBytes(std::string_view text, std::size_t firstPosition) const {
  std::size_t position = firstPosition;
  for (char c : text) {
    if (!positions_[position][static_cast<unsigned char>(c)]) return false;
    if (++position == positions_.size()) position = 0;
  }
  return true;
}

bool c_rowPattern::m_matches(std::string_view text) const {
  const std::size_t width = positions_.size();
  if (width == 0 || text.size() % width != 0) return text.empty();
  const std::size_t blocks = ranges_ == 0 ? 0 : text.size() / lanes;
  bool matches = true;
  switch (ranges_) {
    case 1: matches = m_matchesBlocks<1>(text.data(), blocks); break;
    case 2: matches = m_matchesBlocks<2>(text.data(), blocks); break;
    case 3: matches = m_matchesBlocks<3>(text.data(), blocks); break;
    case 4: matches = m_matchesBlocks<4>(text.data(), blocks); break;
    default: break;
  }
  const std::size_t checked = blocks * lanes;
  return matches && m_matchesBytes(text.substr(checked), checked % width);
}
