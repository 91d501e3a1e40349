#include "tools/ostrel/ctm_listeroptions.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

constexpr std::string_view optionNames[] = {"-n", "-l", "-f", "-m", "-s", "-i", "-y", "-c", "-e", "-t", "-g", "-E"};
constexpr std::string_view columnLetters = "ntiyYcCsmT";

// The number at the start of a value, as atoi reads it, kept within int's range.
int leadingNumber(const std::string& value) {
  const long long number = std::strtoll(value.c_str(), nullptr, 10);
  return static_cast<int>(std::clamp<long long>(number, INT32_MIN, INT32_MAX));
}

bool isOption(std::string_view argument) {
  return std::find(std::begin(optionNames), std::end(optionNames), argument) != std::end(optionNames);
}

template <typename T>
void appendDistinct(std::vector<T>& list, const T& value) {
  if (list.size() < CTM_listerOptions::maximumListEntries && std::find(list.begin(), list.end(), value) == list.end())
    list.push_back(value);
}

void setTypeLabels(CTM_listerOptions& options) {
  const bool telegramLog = options.logName.find("TMTele") != std::string::npos;
  options.typeFourLabel = telegramLog ? "IN    " : "DIAG  ";
  options.typeFiveLabel = telegramLog ? "OUT   " : "DEBUG ";
}

}  // namespace

void CTM_expandShortLogName(const std::string& value, std::string& logName) {
  const auto logOfLetter = [](char letter) {
    return letter == 'T' ? std::string("Tele") : letter == 'S' ? std::string("Statistical") : std::string("Base");
  };
  if (value.size() == 1) logName = "TM" + logOfLetter(value[0]);
  else if (value.size() == 2) logName = "TM" + value + "_TMBase";
  else if (value.size() == 3) logName = "TM" + value.substr(1) + "_TM" + logOfLetter(value[0]);
}

bool CTM_parseListerOptions(int argc, const char* const* argv, CTM_listerOptions& options, std::FILE* out) {
  std::string_view option;
  int timeValues = 0;
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i];
    if (isOption(argument)) {
      option = argv[i];
      if (option == "-f") options.follow = true;
      else if (option == "-y") options.allTypes = false;
      else if (option == "-t") options.start = 1;
      continue;
    }
    if (option.empty()) return false;
    if (option == "-n") {
      if (const int number = leadingNumber(argument); number != 0) options.start = number;
    } else if (option == "-l") {
      if (const int number = leadingNumber(argument); number >= 0) options.lineLimit = number;
    } else if (option == "-m") {
      if (options.columns.size() >= CTM_listerOptions::maximumListEntries)
        std::fprintf(out, "  To much MsgList arguments.\n");
      else if (argument.size() == 1 && columnLetters.find(argument[0]) != std::string_view::npos)
        options.columns += argument[0];
    } else if (option == "-s") {
      appendDistinct(options.sources, argument);
    } else if (option == "-i") {
      appendDistinct(options.eventIds, static_cast<std::int32_t>(leadingNumber(argument)));
    } else if (option == "-y") {
      if (const int type = leadingNumber(argument); type >= 1 && type <= 5) options.typeShown[type] = true;
    } else if (option == "-c") {
      appendDistinct(options.categories, leadingNumber(argument));
    } else if (option == "-e") {
      options.logName = argument;
      setTypeLabels(options);
    } else if (option == "-E") {
      CTM_expandShortLogName(argument, options.logName);
      setTypeLabels(options);
    } else if (option == "-t") {
      if (timeValues == 0) options.timeFrom = argument;
      else if (timeValues == 1) options.timeTo = argument;
      ++timeValues;
    } else if (option == "-g") {
      appendDistinct(options.grepStrings, argument);
    }
  }
  return true;
}

void CTM_printListerUsage(std::FILE* out, const char* program) {
  static const char* const lines[] = {
      "      [ -f ]",
      "            Follow",
      "      [ -n number ]",
      "            Default: -10",
      "            +1 represents the first -1 the last",
      "      [ -l number ]",
      "            Units of lines",
      "      [ -e [[TMName_]TM|TMTele|TMStatistics]]",
      "            Event log file",
      "            Default: TM",
      "      [ -E [[T|S][TMNumber]]",
      "            Event log file",
      "            Example: -E T        -> -e TMTele",
      "            Example: -E 31       -> -e TM31_TMBase",
      "            Example: -E S32      -> -e TM32_TMStatistical",
      "      [ -y [1] [2] [3] [4] [5] ]",
      "            Default: 1 2 3 4 5",
      "            1: ERROR",
      "            2: WARNING",
      "            3: INFORMATION",
      "            4: DIAGNOSTIC  (TMTele: IN )",
      "            5: DEBUG       (TMTele: OUT)",
      "      [ -m [n] [t] [T] [i] [y] [Y] [c] [C] [s] [m] ]",
      "            Default: n T i Y c s m",
      "            n: number of event",
      "            t: timestamp",
      "            T: timestamp  YYYY.MM.DD HH:MM:SS",
      "            i: event ID",
      "            y: event type (1 (ERROR) - 5 (DEBUG))",
      "            Y: event type name",
      "            c: event category",
      "            C: event category name",
      "            s: source",
      "            m: message",
      "      [ -s source1 [source2] [...] ]",
      "      [ -i eventID1 [eventID2] [...] ]",
      "      [ -c eventCategory1 [eventCategory2] [...] ]",
      "      [ -t YYYYMMDDHHMiSS [YYYYMMDDHHMiSS] ]",
      "      [ -g grepDataString1 [grepDataString2] [...] ]",
  };
  std::fprintf(out, "Use %s\n", program);
  for (const char* line : lines) std::fprintf(out, "%s\n", line);
}
