#include "tools/ostrel/ctm_eventlister.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

#include "core/tmutil.h"

namespace {

constexpr const char* defaultColumns = "nTiYcsm";
// How long a following lister waits at the end of the log before it looks again.
constexpr std::chrono::milliseconds followInterval{1000};

// The TM's ids 0xC000xxxx show as their low part; the -i values are compared in
// the same form.
std::int32_t shownId(std::uint32_t eventId) { return static_cast<std::int32_t>(eventId + 0x40000000u); }

// The position 1..5 of an event type in the type columns and the -y flags; 0 for
// a type the event log does not name.
int typeIndex(int type) {
  switch (type) {
    case c_eventRecord::error: return 1;
    case c_eventRecord::warning: return 2;
    case c_eventRecord::information: return 3;
    case c_eventRecord::auditSuccess: return 4;
    case c_eventRecord::auditFailure: return 5;
    default: return 0;
  }
}

std::string timeText(std::int64_t seconds, const char* format) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  return timeToString(&time, format);
}

// Texts of the message file end in CR LF, which gives way to one blank in a line.
std::string withoutLineEnd(std::string text) {
  if (text.size() > 2) {
    text.resize(text.size() - 2);
    text += ' ';
  }
  return text;
}

void appendPrintf(std::string& line, const char* format, long long value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  line += text;
}

}  // namespace

CTM_eventLister::CTM_eventLister(const CTM_listerOptions& options, const c_messageCatalogue& catalogue, std::FILE* out)
    : options_(options), catalogue_(catalogue), out_(out), columns_(options.columns.empty() ? defaultColumns : options.columns) {}

bool CTM_eventLister::m_position(c_eventLogReader& reader) const {
  if (options_.start <= -1) return reader.m_seekNewest(static_cast<std::uint64_t>(-options_.start));
  std::uint32_t oldest = 0;
  std::uint32_t newest = 0;
  if (!reader.m_range(oldest, newest)) return reader.m_seekOldest();
  // Records are numbered consecutively, so a position from the oldest is a number.
  // On a damaged store whose numbers run backwards the newest one bounds nothing.
  const std::uint64_t count = newest >= oldest ? std::uint64_t{newest} - oldest + 1 : UINT32_MAX;
  const std::uint64_t skip = std::min<std::uint64_t>(static_cast<std::uint64_t>(options_.start), count) - 1;
  return reader.m_seekNumber(static_cast<std::uint32_t>(std::min<std::uint64_t>(oldest + skip, UINT32_MAX)));
}

bool CTM_eventLister::m_passes(const c_eventRecord& record, bool& stop) const {
  stop = false;
  if (!options_.sources.empty() && std::none_of(options_.sources.begin(), options_.sources.end(), [&](const std::string& source) {
        return record.source == source || record.source.ends_with("_" + source);
      }))
    return false;
  if (!options_.categories.empty() &&
      std::find(options_.categories.begin(), options_.categories.end(), record.category) == options_.categories.end())
    return false;
  if (!options_.eventIds.empty() &&
      std::find(options_.eventIds.begin(), options_.eventIds.end(), shownId(record.eventId)) == options_.eventIds.end())
    return false;
  if (!options_.allTypes) {
    const int index = typeIndex(record.type);
    if (index != 0 && !options_.typeShown[index]) return false;
  }
  if (!options_.timeFrom.empty() || !options_.timeTo.empty()) {
    const std::string generated = timeText(record.timeGenerated, "%Y%m%d%H%M%S");
    if (!options_.timeFrom.empty() && generated < options_.timeFrom) return false;
    if (!options_.timeTo.empty() && generated > options_.timeTo) {
      stop = true;
      return false;
    }
  }
  if (!options_.grepStrings.empty() && std::none_of(record.strings.begin(), record.strings.end(), [&](const std::string& text) {
        return std::any_of(options_.grepStrings.begin(), options_.grepStrings.end(),
                           [&](const std::string& wanted) { return text.find(wanted) != std::string::npos; });
      }))
    return false;
  return true;
}

std::string CTM_eventLister::m_messageText(const c_eventRecord& record) const {
  std::string text;
  if (!catalogue_.m_messageText(record.eventId, record.strings.size(), text)) {
    std::string missing = "[No text for message with ID ";
    appendPrintf(missing, "%lld.]", static_cast<std::int32_t>(record.eventId));
    return missing;
  }
  std::vector<std::string> strings;
  strings.reserve(record.strings.size());
  for (const std::string& string : record.strings) strings.push_back(escapeString(string));
  return withoutLineEnd(c_formatMessage(text, strings));
}

std::string CTM_eventLister::m_categoryText(int category) const {
  std::string text;
  if (!catalogue_.m_categoryText(category, text)) {
    std::string missing = "[No text for category with ID ";
    appendPrintf(missing, "%lld.]", category);
    return missing;
  }
  return withoutLineEnd(c_formatMessage(text, {}));
}

void CTM_eventLister::m_appendColumn(std::string& line, char column, const c_eventRecord& record) const {
  static const char* const typeNumbers[] = {"", "1 ", "2 ", "3 ", "4 ", "5 "};
  const int type = typeIndex(record.type);
  switch (column) {
    case 'n': appendPrintf(line, "%7lld ", record.number); break;
    case 't': line += timeText(record.timeGenerated, "%Y%m%d%H%M%S") + " "; break;
    case 'T': line += timeText(record.timeGenerated, "%Y.%m.%d %H:%M:%S") + " "; break;
    case 'i': appendPrintf(line, "%5lld ", shownId(record.eventId)); break;
    case 'y': line += typeNumbers[type]; break;
    case 'Y': {
      const std::string names[] = {"", "ERROR ", "WARN  ", "INFO  ", options_.typeFourLabel, options_.typeFiveLabel};
      line += names[type];
      break;
    }
    case 'c': appendPrintf(line, "%lld ", record.category); break;
    case 'C': line += m_categoryText(record.category); break;
    case 's': {
      const std::string source = escapeString(record.source);
      if (source.size() < 6) line.append(6 - source.size(), ' ');
      line += source + " ";
      break;
    }
    case 'm': line += m_messageText(record); break;
    default: break;
  }
}

std::string CTM_eventLister::m_line(const c_eventRecord& record) const {
  std::string line;
  for (const char column : columns_) m_appendColumn(line, column, record);
  return line + "\n";
}

bool CTM_eventLister::m_list(c_eventLogReader& reader) {
  c_eventRecord record;
  for (;;) {
    while (reader.m_next(record)) {
      bool stop = false;
      if (m_passes(record, stop)) {
        const std::string line = m_line(record);
        std::fwrite(line.data(), 1, line.size(), out_);
        ++printed_;
      }
      // What follows a stop would not be printed, so it is not read.
      if (stop || (options_.lineLimit > 0 && printed_ >= options_.lineLimit)) return m_flushed();
    }
    if (!m_flushed() || !reader.m_failure().empty()) return false;
    if (!options_.follow) return true;
    std::this_thread::sleep_for(followInterval);
  }
}

bool CTM_eventLister::m_flushed() { return std::fflush(out_) == 0 && !std::ferror(out_); }
