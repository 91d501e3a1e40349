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
#include "tracking/ctm_transspec.h"
#include "tracking/ctm_transspeclist.h"

namespace {

constexpr const char* fileBelowHome = "/run/cfg/tm_default_transspec.txt";
constexpr int headingLines = 2;

// Columns of a data line.
enum c_column {
  segmentColumn = 2, idColumn, priorityColumn, versionColumn,
  bitIdColumn, bitStatusColumn = 8, selectionColumn = 10, lpcColumn = 12, inboundFlightColumn = 14,
  outboundFlightColumn = 16, cabinClassColumn = 18, outboundDestinationColumn = 20, onwardColumn = 22,
  passengerColumn = 24, exceptionDataColumn = 26, tubbingColumn = 28, tubbedColumn = 30,
  requiredLevelColumn = 32, reachedLevelColumn = 34, sizeRelevantColumn = 36, lengthColumn, heightColumn,
  widthColumn, weightColumn, fscColumn = 42, destinationsColumn = 44, validityColumn,
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

 private:
  const std::vector<std::string_view>& columns_;
};

void setCriteria(const c_columns& column, CTM_transSpec& spec) {
  spec.m_setBIT_ID(column.m_string(bitIdColumn + 1), column.m_flag(bitIdColumn));
  spec.m_setBIT_status(column.m_string(bitStatusColumn + 1), column.m_flag(bitStatusColumn));
  spec.m_setSelectionID(column.m_number(selectionColumn + 1), column.m_flag(selectionColumn));
  spec.m_setLPC(column.m_string(lpcColumn + 1), column.m_flag(lpcColumn));
  spec.m_setInboundFlightID(column.m_string(inboundFlightColumn + 1), column.m_flag(inboundFlightColumn));
  spec.m_setOutboundFlightID(column.m_string(outboundFlightColumn + 1), column.m_flag(outboundFlightColumn));
  spec.m_setOutboundCabinClass(column.m_string(cabinClassColumn + 1), column.m_flag(cabinClassColumn));
  spec.m_setOutboundDestination(column.m_string(outboundDestinationColumn + 1),
                                column.m_flag(outboundDestinationColumn));
  spec.m_setOnwardConnection(column.m_flag(onwardColumn + 1), column.m_flag(onwardColumn));
  spec.m_setPassengerName(column.m_string(passengerColumn + 1), column.m_flag(passengerColumn));
  spec.m_setBaggageExceptionData(column.m_string(exceptionDataColumn + 1), column.m_flag(exceptionDataColumn));
  spec.m_setTubbingNecessity(column.m_flag(tubbingColumn + 1), column.m_flag(tubbingColumn));
  spec.m_setTubbedIndicator(column.m_flag(tubbedColumn + 1), column.m_flag(tubbedColumn));
  spec.m_setRequiredScreenLevel(column.m_number(requiredLevelColumn + 1), column.m_flag(requiredLevelColumn));
  spec.m_setReachedScreenLevel(column.m_number(reachedLevelColumn + 1), column.m_flag(reachedLevelColumn));
  const bool sizeRelevant = column.m_flag(sizeRelevantColumn);
  spec.m_setLength(column.m_number(lengthColumn), sizeRelevant);
  spec.m_setHeight(column.m_number(heightColumn), sizeRelevant);
  spec.m_setWidth(column.m_number(widthColumn), sizeRelevant);
  spec.m_setWeight(column.m_number(weightColumn + 1), column.m_flag(weightColumn));
  spec.m_setFSC(column.m_number(fscColumn + 1), column.m_flag(fscColumn));
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
