#pragma once
// CTM_default_transSpec: the default transport specifications of the logical
// segments, read from $TM_HOME/run/cfg/tm_default_transspec.txt. One file serves
// every segment; each data line names the segment it belongs to in its third
// column. The file is found once per process and read again whenever a transport
// object is (re)initialised, so that an edited file takes effect at the next
// restart of a segment.
//
// The file: two heading lines, then one line per transport specification of 46
// TAB-separated columns (see parseTransSpecLine); a line ends with LF or CR LF.
//
// Threads: the process-wide file name and flag are guarded by a mutex of their
// own; reading may run for several segments at the same time.

#include <cstddef>
#include <string>
#include <string_view>

class CTM_transSpec;
class CTM_transSpecList;

class CTM_default_transSpec {
 public:
  // Limits of the format; a longer line or column is refused with an event.
  static constexpr std::size_t maximumLineLength = 1023;
  static constexpr std::size_t maximumColumnLength = 255;

  CTM_default_transSpec() = default;
  virtual ~CTM_default_transSpec() = default;

  // Finds the file (once per process): true when it was found, now or before.
  static bool m_init();
  static bool m_isInitialised();
  static std::string m_getFileName();
  // Forgets the file found (tests only).
  static void m_resetForTest();

  // Appends the transport specifications of the segment to the list; false when the file
  // was never found or cannot be read. A refused line costs only itself.
  bool readDefaultTransSpecs(const std::string& segmentId, CTM_transSpecList& list) const;
  // Fills the transport specification from one data line of the segment; false when the
  // line is empty, belongs to another segment or is refused.
  bool parseTransSpecLine(std::string_view line, const std::string& segmentId, int lineNumber,
                          CTM_transSpec& spec) const;
};
