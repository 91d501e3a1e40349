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
  const auto fill = [&](c_laneRanges& block, std::size_t firstPosition) {
    for (std::size_t lane = 0; lane < lanes; ++lane) {
      const std::vector<c_byteRange>& own = ranges[(firstPosition + lane) % width];
      for (std::size_t r = 0; r < maximumRanges; ++r) {
        const c_byteRange range = own[std::min(r, own.size() - 1)];
        block.lowest[r][lane] = range.lowest;
        block.span[r][lane] = range.span;
      }
    }
  };
  blocks_.resize(std::lcm(width, lanes) / lanes);
  for (std::size_t block = 0; block < blocks_.size(); ++block) fill(blocks_[block], block * lanes);
  // The last sixteen bytes of whole rows start sixteen positions before a row's end.
  fill(lastBlock_, width * lanes - lanes);
}

template <std::size_t Ranges>
bool c_rowPattern::m_matchesBlocks(std::string_view text) const {
  const auto accepts = [](const c_laneRanges& ranges, const char* sixteen) {
    const c_lanes bytes = loadLanes(sixteen);
    c_lanes accepted = {};
    // Unsigned: a byte below the range wraps round above its span.
    for (std::size_t r = 0; r < Ranges; ++r)
      accepted |= static_cast<c_lanes>(bytes - loadLanes(ranges.lowest[r])) <= loadLanes(ranges.span[r]);
    return accepted;
  };
  // Whole blocks, then the last sixteen bytes again, so that no byte is left over.
  c_lanes allAccepted = accepts(lastBlock_, text.data() + text.size() - lanes);
  std::size_t entry = 0;
  for (std::size_t start = 0; start + lanes <= text.size(); start += lanes) {
    allAccepted &= accepts(blocks_[entry], text.data() + start);
    if (++entry == blocks_.size()) entry = 0;
  }
  return allLanesSet(allAccepted);
}

bool c_rowPattern::m_matchesBytes(std::string_view text) const {
  std::size_t position = 0;
  for (char c : text) {
    if (!positions_[position][static_cast<unsigned char>(c)]) return false;
    if (++position == positions_.size()) position = 0;
  }
  return true;
}

bool c_rowPattern::m_matches(std::string_view text) const {
  const std::size_t width = positions_.size();
  if (width == 0 || text.size() % width != 0) return text.empty();
  if (text.size() < lanes) return m_matchesBytes(text);
  switch (ranges_) {
    case 1: return m_matchesBlocks<1>(text);
    case 2: return m_matchesBlocks<2>(text);
    case 3: return m_matchesBlocks<3>(text);
    case 4: return m_matchesBlocks<4>(text);
    default: return m_matchesBytes(text);
  }
}
