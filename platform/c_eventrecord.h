#pragma once
// One event of an event log, and its line in a store file:
//   number TAB generated TAB written TAB id TAB type TAB category TAB source [TAB string]...
// Times are seconds since the epoch (UTC), the id eight hex digits, the other
// numbers decimal; source and insertion strings are escaped (platform/c_escape.h),
// so every record is exactly one line. A record without insertion strings ends
// after its source; one with a single empty string ends in a TAB.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct c_eventRecord {
  // The event types as the event log knows them.
  enum : int { error = 1, warning = 2, information = 4, auditSuccess = 8, auditFailure = 16 };

  std::uint32_t number = 0;
  std::int64_t timeGenerated = 0;
  std::int64_t timeWritten = 0;
  std::uint32_t eventId = 0;
  int type = 0;
  int category = 0;
  std::string source;
  std::vector<std::string> strings;

  friend bool operator==(const c_eventRecord&, const c_eventRecord&) = default;
};

// The record's line, with its final line feed.
std::string c_encodeEventRecord(const c_eventRecord& record);
// Reads one line (without its line feed); false for anything that is not a record
// as c_encodeEventRecord writes it.
bool c_decodeEventRecord(std::string_view line, c_eventRecord& record);
// Only the record number of a line, for searching a store without decoding it.
bool c_decodeEventRecordNumber(std::string_view line, std::uint32_t& number);
