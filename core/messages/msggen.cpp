// Build-time generator: reads the event-message tables (*.msg) and writes
//   tm_events.h  - the event-id constants the code uses, with their argument letters
//   logging.dll  - the text catalogue that the event-log tools read.
// A malformed table row, a duplicate id or name, or a text asking for more insertion
// strings than its event carries fails the build.
//
// Table row:     <0xC000xxxx> TAB <NAME> TAB <argument letters or -> TAB <text>
//                A further row of the same id and name with fewer letters gives the
//                text for the event raised with only that many strings; the
//                catalogue holds it as "M" TAB <id>/<number of strings> TAB <text>.
// Category row:  category TAB <number> TAB <text>
// Lines that are empty or start with '#' are comments.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Row {
  unsigned long id = 0;
  std::string name;
  std::string letters;
  std::string text;
  std::string where;
};

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> out;
  std::string::size_type start = 0;
  for (;;) {
    auto tab = line.find('\t', start);
    if (tab == std::string::npos) {
      out.push_back(line.substr(start));
      return out;
    }
    out.push_back(line.substr(start, tab - start));
    start = line.find_first_not_of('\t', tab);
    if (start == std::string::npos) {
      out.emplace_back();
      return out;
    }
  }
}

// Highest %k the text refers to (%% and %n are no insertions).
int highestInsertion(const std::string& text) {
  int highest = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '%') continue;
    char next = text[i + 1];
    if (next == '%' || next == 'n') {
      ++i;
      continue;
    }
    int value = 0;
    std::size_t j = i + 1;
    while (j < text.size() && j < i + 3 && text[j] >= '0' && text[j] <= '9') value = value * 10 + (text[j++] - '0');
    highest = std::max(highest, value);
    i = j - 1;
  }
  return highest;
}

std::string escapeCatalogue(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

std::string cppString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

bool fail(const std::string& where, const std::string& what) {
  std::cerr << where << ": " << what << "\n";
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::cerr << "usage: msggen <header> <catalogue> <table>...\n";
    return 2;
  }
  std::vector<Row> rows;
  std::map<int, std::string> categories;
  bool ok = true;
  for (int a = 3; a < argc; ++a) {
    std::ifstream in(argv[a]);
    if (!in) {
      std::cerr << argv[a] << ": cannot be read\n";
      return 1;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty() || line[0] == '#') continue;
      std::string where = std::string(argv[a]) + ":" + std::to_string(number);
      auto cols = splitTabs(line);
      if (cols.size() == 3 && cols[0] == "category") {
        categories[std::stoi(cols[1])] = cols[2];
        continue;
      }
      if (cols.size() != 4) {
        ok = fail(where, "expected id, name, letters and text separated by TABs");
        continue;
      }
      Row row;
      char* end = nullptr;
      row.id = std::strtoul(cols[0].c_str(), &end, 16);
      if (cols[0].rfind("0xC000", 0) != 0 || cols[0].size() != 10 || *end != '\0') {
        ok = fail(where, "bad event id " + cols[0]);
        continue;
      }
      row.name = cols[1];
      row.letters = cols[2] == "-" ? "" : cols[2];
      row.text = cols[3];
      row.where = where;
      if (row.letters.find_first_not_of("iscf") != std::string::npos)
        ok = fail(where, "argument letters must be i, s, c or f");
      if (highestInsertion(row.text) > static_cast<int>(row.letters.size()))
        ok = fail(where, "text asks for more insertion strings than the event has");
      rows.push_back(row);
    }
  }
  // A second row of an event with fewer letters is the text for the event raised
  // with that many insertion strings; the row with the most letters is the event's own.
  std::map<unsigned long, std::map<std::size_t, std::string>> variants;
  {
    std::map<unsigned long, Row*> main;
    std::vector<Row> kept;
    std::stable_sort(rows.begin(), rows.end(), [](const Row& l, const Row& r) { return l.letters.size() > r.letters.size(); });
    for (Row& row : rows) {
      auto found = main.find(row.id);
      if (found == main.end()) {
        main[row.id] = &row;
        continue;
      }
      const Row& own = *found->second;
      if (own.name != row.name || own.letters.size() == row.letters.size() ||
          !variants[row.id].emplace(row.letters.size(), row.text).second)
        ok = fail(row.where, "duplicate event id");
      row.id = 0;  // taken as a variant
    }
    for (const Row& row : rows)
      if (row.id != 0) kept.push_back(row);
    rows = std::move(kept);
  }
  std::set<unsigned long> ids;
  std::set<std::string> names;
  for (const Row& row : rows) {
    if (!ids.insert(row.id).second) ok = fail(row.where, "duplicate event id");
    if (!names.insert(row.name).second) ok = fail(row.where, "duplicate event name " + row.name);
  }
  if (!ok) return 1;
  std::sort(rows.begin(), rows.end(), [](const Row& l, const Row& r) { return l.id < r.id; });

  std::ostringstream header;
  header << "// Generated from core/messages/*.msg: do not edit.\n#pragma once\n\n"
            "namespace ev {\n\n";
  for (const Row& row : rows) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lXu", row.id);
    header << "inline constexpr unsigned " << row.name << " = " << hex << ";\n";
  }
  header << "\nstruct c_eventInfo {\n  unsigned id;\n  const char* name;\n  const char* argTypes;\n"
            "  const char* text;\n};\n\ninline constexpr c_eventInfo allEvents[] = {\n";
  for (const Row& row : rows)
    header << "    {" << row.name << ", " << cppString(row.name) << ", " << cppString(row.letters) << ", "
           << cppString(row.text) << "},\n";
  header << "};\n\n}  // namespace ev\n";

  std::ostringstream catalogue;
  catalogue << "# Event message catalogue of the Transport Manager. Generated: do not edit.\n"
               "# M <TAB> event id (hex)[/number of strings] <TAB> text;  C <TAB> category number <TAB> text\n";
  for (const auto& [number, text] : categories) catalogue << "C\t" << number << "\t" << escapeCatalogue(text + "\r\n") << "\n";
  for (const Row& row : rows) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08lX", row.id);
    catalogue << "M\t" << hex << "\t" << escapeCatalogue(row.text + "\r\n") << "\n";
    for (const auto& [count, text] : variants[row.id])
      catalogue << "M\t" << hex << "/" << count << "\t" << escapeCatalogue(text + "\r\n") << "\n";
  }

  // Rewrite only on change, so that a table edit rebuilds only what it must.
  auto writeIfChanged = [](const char* path, const std::string& content) {
    std::ifstream old(path, std::ios::binary);
    std::string previous((std::istreambuf_iterator<char>(old)), std::istreambuf_iterator<char>());
    if (old && previous == content) return true;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    return static_cast<bool>(out);
  };
  if (!writeIfChanged(argv[1], header.str()) || !writeIfChanged(argv[2], catalogue.str())) {
    std::cerr << "msggen: cannot write the outputs\n";
    return 1;
  }
  return 0;
}
