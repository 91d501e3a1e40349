#pragma once
// CTM_listerOptions: what ostrel's command line asks for. Every option is one
// argument matched exactly; every later argument that is no option name is a
// value of the last option.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct CTM_listerOptions {
  // The lists hold at most this many entries; further distinct values are ignored.
  static constexpr std::size_t maximumListEntries = 128;

  std::int64_t start = -10;  // >= 1: position from the oldest record; <= -1: count from the newest
  int lineLimit = 0;         // 0: none
  bool follow = false;
  std::string columns;       // column letters in order; empty: "nTiYcsm"
  std::vector<std::string> sources;
  std::vector<std::int32_t> eventIds;  // as column i shows them
  bool allTypes = true;
  bool typeShown[6] = {};              // [1..5] after -y
  std::vector<int> categories;
  std::string logName = "TMBase";
  std::string timeFrom;  // "YYYYMMDDhhmmss", compared as text; empty: no bound
  std::string timeTo;
  std::vector<std::string> grepStrings;
  std::string typeFourLabel = "DIAG  ";
  std::string typeFiveLabel = "DEBUG ";
};

// Fills the options from the arguments after the program name; false when a
// value comes before any option (the caller prints the usage text). Messages
// about dropped values go to `out`.
bool CTM_parseListerOptions(int argc, const char* const* argv, CTM_listerOptions& options, std::FILE* out);

// The log name that a short -E value stands for: "T", "S" or any other single
// character; a TM number ("31"); or a type letter and TM number ("S32").
// Any other length leaves `logName` as it is.
void CTM_expandShortLogName(const std::string& value, std::string& logName);

// The usage text, headed by the program's path as it was typed.
void CTM_printListerUsage(std::FILE* out, const char* program);
