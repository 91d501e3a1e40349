#include "tracking/ctm_generatedids.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "platform/c_datetime.h"
#include "platform/c_filesystem.h"
#include "tracking/ctm_bit_trace.h"

namespace {

constexpr int sequenceAfterFailedScan = 50000;
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
      taken_(std::make_unique<c_numbers>()) {}

std::string CTM_generatedIds::m_prefixOf(int day) const {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%03d", day);
  return "W" + tmIdSlice_ + digits;
}

bool CTM_generatedIds::m_isGeneratedHere(const std::string& id) const {
  return tmIdSlice_.size() == sliceLength && slice(id, generatedSliceStart, sliceLength) == tmIdSlice_;
}

void CTM_generatedIds::m_beginDay(int day) {
  int highest = -1;
  bool scanned = true;
  for (const std::string& lsId : segmentIds_()) {
    int last = -1;
    if (!CTM_BIT_trace::findLastTraceNumber(tmId_, lsId, m_prefixOf(day), last)) scanned = false;
    if (last > highest) highest = last;
  }
  // The scan found the highest number of the day's files: above it lie only the
  // files of the ids this process hands out, which taken_ holds.
  filesBelow_ = scanned ? highest + 1 : numberCount;
  if (day_ < 0) next_ = scanned ? highest + 1 : sequenceAfterFailedScan;
  else next_ = 0;
  day_ = day;
  taken_->reset();
}

// A file of the day from before the start, or of a year before.
bool CTM_generatedIds::m_hasTraceFile(const std::string& id) const {
  const std::string home = CTM_config::m_getHomePath();
  for (const std::string& lsId : segmentIds_()) {
    const std::string path = CTM_BIT_trace::m_pathOf(home, tmId_, lsId, id);
    if (!path.empty() && c_fileSystem::m_kindOf(path) != c_fileSystem::c_pathKind::missing) return true;
  }
  return false;
}

bool CTM_generatedIds::m_generate(std::int64_t utcSeconds, const std::string& lsId, const c_isHeld& isHeld,
                                  std::string& id) {
  const int today = dayOfYear(utcSeconds);
  const std::string prefix = m_prefixOf(today);
  c_mutexGuard guard(mutex_);
  if (day_ != today) m_beginDay(today);
  int next = next_;
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
    if ((isHeld && isHeld(candidate)) || (next < filesBelow_ && m_hasTraceFile(candidate))) continue;
    if (wrapped) CTM_logging::m_log(2, ev::GENERATED_ID_WRAPPED, "si", lsId, today);
    taken_->set(static_cast<std::size_t>(next));
    next_ = next + 1;
    id = std::move(candidate);
    return true;
  }
  CTM_logging::m_log(1, ev::GENERATED_IDS_EXHAUSTED, "si", lsId, today);
  next_ = next;
  return false;
}

void CTM_generatedIds::m_noteTaken(std::int64_t utcSeconds, const std::string& id) {
  if (id.empty() || id[0] != 'W' || !m_isGeneratedHere(id)) return;
  const int today = dayOfYear(utcSeconds);
  const int number = numberOf(id, m_prefixOf(today));
  if (number < 0) return;
  c_mutexGuard guard(mutex_);
  if (day_ != today) m_beginDay(today);
  taken_->set(static_cast<std::size_t>(number));
}
