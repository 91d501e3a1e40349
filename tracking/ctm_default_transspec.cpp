#include "tracking/ctm_default_transspec.h"

#include <memory>
#include <mutex>
#include <vector>

#include "core/ctm_logging.h"
#include "core/tmutil.h"
#include "platform/c_environment.h"
#include "platform/c_filesystem.h"
#include "platform/c_linereader.h"
#include "platform/c_value.h"
#include "tracking/ctm_itemcriteria.h"
#include "tracking/ctm_itemdata.h"
#include "tracking/ctm_transspec.h"
#include "tracking/ctm_transspeclist.h"

namespace {

constexpr const char* fileBelowHome = "/run/cfg/tm_default_transspec.txt";
constexpr int headingLines = 2;

// Columns of a data line; the criteria stand in columns 6 to 43 (CTM_itemCriteria).
enum c_column {
  segmentColumn = 2, idColumn, priorityColumn, versionColumn,
  destinationsColumn = 44, validityColumn,
  columnCount
};
constexpr std::size_t fewestColumnsWithoutWarning = validityColumn;  // the validity may be left out
constexpr std::size_t validityLength = 28;
constexpr std::size_t timeLength = 14;
constexpr const char* defaultStart = "19700101000000";
constexpr const char* defaultEnd = "20380101000000";

struct c_processState {
  std::mutex mutex;
  std::string fileName;    // guarded by mutex
  bool initialised = false;  // guarded by mutex
};

c_processState& processState() {
  static c_processState state;
  return state;
}

// The columns of a line: TAB separates, two TABs in a row give an empty column.
std::vector<std::string_view> columnsOf(std::string_view line) {
  std::vector<std::string_view> columns;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1)
    columns.push_back(line.substr(start, tab - start));
  columns.push_back(line.substr(start));
  return columns;
}

// Reads the columns of one line by number; a column past the end reads as empty.
class c_columns {
 public:
  explicit c_columns(const std::vector<std::string_view>& columns) : columns_(columns) {}
  std::string_view m_text(std::size_t i) const { return i < columns_.size() ? columns_[i] : std::string_view(); }
  std::string m_string(std::size_t i) const { return std::string(m_text(i)); }
  // Only "1" counts as set.
  bool m_flag(std::size_t i) const { return m_text(i) == "1"; }
  int m_number(std::size_t i) const { return c_parseInt(m_text(i)); }
  // A criterion's value by its type; a flag as m_flag.
  void m_read(std::size_t i, std::string& value) const { value = m_string(i); }
  void m_read(std::size_t i, int& value) const { value = m_number(i); }
  void m_read(std::size_t i, bool& value) const { value = m_flag(i); }

 private:
  const std::vector<std::string_view>& columns_;
};

void setCriteria(const c_columns& column, CTM_transSpec& spec) {
  CTM_itemData values;
  CTM_itemCriteria::c_relevance relevant;
  for (std::size_t i = 0; i < CTM_itemCriteria::count; ++i) {
    const CTM_itemCriterion& criterion = CTM_itemCriteria::table[i];
    relevant[i] = column.m_flag(criterion.fileColumns.relevant);
    criterion.m_visit(values, [&](auto& value) { column.m_read(criterion.fileColumns.value, value); });
  }
  spec.m_setCriteria(values, relevant);
}

void addDestinations(std::string_view list, CTM_transSpec& spec) {
  std::size_t at = 0;
  while ((at = list.find_first_not_of(' ', at)) != std::string_view::npos) {
    std::size_t end = list.find(' ', at);
    if (end == std::string_view::npos) end = list.size();
    spec.m_addDestination(std::string(list.substr(at, end - at)));
    at = end;
  }
}

void setValidity(std::string_view validity, int lineNumber, CTM_transSpec& spec) {
  if (validity.size() == validityLength) {
    spec.m_setStartTime(string2Time(std::string(validity.substr(0, timeLength))));
    spec.m_setEndTime(string2Time(std::string(validity.substr(timeLength))));
    return;
  }
  CTM_logging::m_log(2, ev::DEFAULT_TS_BAD_VALIDITY, "i", lineNumber);
  spec.m_setStartTime(string2Time(defaultStart));
  spec.m_setEndTime(string2Time(defaultEnd));
}

}  // namespace

bool CTM_default_transSpec::m_init() {
  c_processState& state = processState();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.initialised) return true;
  std::string home;
  if (!c_getEnvironment("TM_HOME", home)) {
    CTM_logging::m_logNoArgs(1, ev::CFG_TM_HOME_NOT_SET);
    return false;
  }
  state.fileName = home + fileBelowHome;
  c_lineReader reader;
  if (c_fileSystem::m_kindOf(state.fileName) == c_fileSystem::c_pathKind::other && reader.m_open(state.fileName)) {
    CTM_logging::m_log(3, ev::DEFAULT_TS_FILE_FOUND, "s", state.fileName);
    CTM_logging::m_log(5, ev::DEFAULT_TS_INIT_TRACE, "si", "CTM_default_transSpec::m_init", 2);
    state.initialised = true;
  } else {
    CTM_logging::m_log(1, ev::DEFAULT_TS_FILE_MISSING, "s", state.fileName);
  }
  return state.initialised;
}

bool CTM_default_transSpec::m_isInitialised() {
  c_processState& state = processState();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.initialised;
}

std::string CTM_default_transSpec::m_getFileName() {
  c_processState& state = processState();
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.fileName;
}

void CTM_default_transSpec::m_resetForTest() {
  c_processState& state = processState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.fileName.clear();
  state.initialised = false;
}

bool CTM_default_transSpec::readDefaultTransSpecs(const std::string& segmentId, CTM_transSpecList& list) const {
  if (!m_isInitialised()) return false;
  const std::string fileName = m_getFileName();
  c_lineReader reader;
  if (!reader.m_open(fileName)) {
    CTM_logging::m_log(1, ev::DEFAULT_TS_STREAM_FAILED, "s", fileName);
    return false;
  }
  std::string line;
  for (int lineNumber = 1; reader.m_readLine(line); ++lineNumber) {
    if (lineNumber <= headingLines) continue;
    auto spec = std::make_unique<CTM_transSpec>();
    if (parseTransSpecLine(line, segmentId, lineNumber, *spec)) list.m_insert(std::move(spec));
  }
  if (reader.m_failed()) {
    CTM_logging::m_log(1, ev::DEFAULT_TS_STREAM_FAILED, "s", fileName);
    return false;
  }
  return true;
}

bool CTM_default_transSpec::parseTransSpecLine(std::string_view line, const std::string& segmentId, int lineNumber,
                                               CTM_transSpec& spec) const {
  if (line.find_first_not_of('\t') == std::string_view::npos) {
    CTM_logging::m_log(4, ev::DEFAULT_TS_EMPTY_LINE, "i", lineNumber);
    return false;
  }
  const std::vector<std::string_view> columns = columnsOf(line);
  const c_columns column(columns);
  // Lines of other segments are none of this segment's business: no event.
  if (column.m_text(segmentColumn).empty() || column.m_text(segmentColumn) != segmentId) return false;
  if (line.size() > maximumLineLength) {
    CTM_logging::m_log(2, ev::DEFAULT_TS_LINE_TOO_LONG, "ii", lineNumber, line.size());
    return false;
  }
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (columns[i].size() <= maximumColumnLength) continue;
    CTM_logging::m_log(2, ev::DEFAULT_TS_COLUMN_TOO_LONG, "iii", lineNumber, i, columns[i].size());
    return false;
  }

  spec.m_setKey(segmentId);
  spec.m_setTransportSpecID(column.m_string(idColumn));
  spec.m_setRoutingPriority(column.m_number(priorityColumn));
  spec.m_setStructVersionID(column.m_number(versionColumn));
  setCriteria(column, spec);
  addDestinations(column.m_text(destinationsColumn), spec);
  if (columns.size() > validityColumn) setValidity(columns[validityColumn], lineNumber, spec);

  if (columns.size() > columnCount)
    CTM_logging::m_log(2, ev::DEFAULT_TS_TOO_MANY_COLUMNS, "ii", columns.size(), lineNumber);
  else if (columns.size() < fewestColumnsWithoutWarning)
    CTM_logging::m_log(2, ev::DEFAULT_TS_TOO_FEW_COLUMNS, "ii", columns.size(), lineNumber);
  CTM_logging::m_log(4, ev::DEFAULT_TS_ACCEPTED, "ss", spec.m_getTransportSpecID(), segmentId);
  return true;
}
