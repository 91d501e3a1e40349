#include "tracking/ctm_generatedids.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "core/ctm_logging.h"
#include "platform/c_datetime.h"

namespace {

constexpr int sequenceAfterFailedScan = 50000;
constexpr int numberCount = CTM_BIT_trace::traceNumberCount;
// Characters of the TM id that generated ids carry, and where they carry them.
constexpr std::size_t tmIdSliceStart = 2;
constexpr std::size_t generatedSliceStart = 1;
constexpr std::size_t sliceLength = 2;
constexpr std::size_t prefixLength = 6;
constexpr std::size_t idLength = 11;

std::string_view slice(std::string_view text, std::size_t start, std::size_t length) {
  return start < text.size() ? text.substr(start, length) : std::string_view();
}

int dayOfYear(std::int64_t utcSeconds) {
  const c_dateTime now = c_dateTime::m_fromSeconds(utcSeconds);
  int day = now.m_day();
  for (int month = 1; month < now.m_month(); ++month) day += c_dateTime::m_daysInMonth(now.m_year(), month);
  return day;
}

// The sequence number of an id of the prefix, or -1.
int numberOf(std::string_view id, std::string_view prefix) {
  if (id.size() != idLength || id.substr(0, prefixLength) != prefix) return -1;
  int number = 0;
  for (char c : id.substr(prefixLength)) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

}  // namespace

CTM_generatedIds::CTM_generatedIds(std::string tmId, c_segmentIds segmentIds)
    : tmId_(std::move(tmId)),
      tmIdSlice_(slice(tmId_, tmIdSliceStart, sliceLength)),
      segmentIds_(std::move(segmentIds)),
      taken_(std::make_unique<CTM_BIT_trace::c_traceNumbers>()) {}

std::string CTM_generatedIds::m_prefixOf(int day) const {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%03d", day);
  return "W" + tmIdSlice_ + digits;
}

bool CTM_generatedIds::m_isGeneratedHere(const std::string& id) const {
  return tmIdSlice_.size() == sliceLength && slice(id, generatedSliceStart, sliceLength) == tmIdSlice_;
}

bool CTM_generatedIds::m_scan(const std::string& prefix, int& highest) {
  taken_->reset();
  highest = -1;
  bool scanned = true;
  for (const std::string& lsId : segmentIds_ ? segmentIds_() : std::vector<std::string>()) {
    int last = -1;
    if (!CTM_BIT_trace::findLastTraceNumber(tmId_, lsId, prefix, last, taken_.get())) scanned = false;
    if (last > highest) highest = last;
  }
  return scanned;
}

bool CTM_generatedIds::m_generate(std::int64_t utcSeconds, const std::string& lsId, const c_isHeld& isHeld,
                                  std::string& id) {
  const int today = dayOfYear(utcSeconds);
  const std::string prefix = m_prefixOf(today);
  c_mutexGuard guard(mutex_);
  int next = sequence_ + 1;
  if (day_ != today) {
    int highest = -1;
    const bool scanned = m_scan(prefix, highest);
    // After a start the day's numbering goes on; a new day starts again at 00000.
    if (sequence_ < 0) next = scanned ? highest + 1 : sequenceAfterFailedScan;
    else next = 0;
    day_ = today;
  }
  bool wrapped = false;
  for (int tried = 0; tried < numberCount; ++tried, ++next) {
    // Five digits: a longer id would break every peer's pattern.
    if (next >= numberCount) {
      next = 0;
      wrapped = true;
    }
    if (taken_->test(static_cast<std::size_t>(next))) continue;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%05d", next);
    std::string candidate = prefix + digits;
    if (isHeld && isHeld(candidate)) continue;
    if (wrapped) CTM_logging::m_log(2, ev::GENERATED_ID_WRAPPED, "si", lsId, today);
    taken_->set(static_cast<std::size_t>(next));
    sequence_ = next;
    id = std::move(candidate);
    return true;
  }
  CTM_logging::m_log(1, ev::GENERATED_IDS_EXHAUSTED, "si", lsId, today);
  sequence_ = next - 1;
  return false;
}

void CTM_generatedIds::m_noteTaken(const std::string& id) {
  if (id.empty() || id[0] != 'W' || !m_isGeneratedHere(id)) return;
  c_mutexGuard guard(mutex_);
  // A bag of a day not yet begun here is found by that day's scan, by its trace file.
  if (day_ < 0) return;
  const int number = numberOf(id, m_prefixOf(day_));
  if (number >= 0) taken_->set(static_cast<std::size_t>(number));
}
