#pragma once
// CTM_BIT_trace: the trace file of one baggage item,
// $TM_HOME/run/log/<TM>/<LS>/<dd>/<BIT_ID>.trc with dd = characters 6 and 7 of
// the id, one line appended per traced event. Used under the segment lock of the
// item's segment; the directory checks never touch the working directory, so
// segments may open trace files from several threads. The file is held open only
// while it is among the most recently written of the process (c_appendFileSet),
// so that descriptors do not grow with the bags in flight.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/c_appendfileset.h"

class CTM_BIT_trace {
 public:
  static constexpr int markInternal = 0;  // "I"
  static constexpr int markExternal = 1;  // "E"
  // A record line, without its line feed, is never longer than this.
  static constexpr std::size_t maxRecordLength = 999;

  CTM_BIT_trace(std::string tmId, std::string lsId, std::string bitId, bool eraseOnClose);
  virtual ~CTM_BIT_trace();
  CTM_BIT_trace(const CTM_BIT_trace&) = delete;
  CTM_BIT_trace& operator=(const CTM_BIT_trace&) = delete;

  bool m_init();
  bool m_isOpen() const { return open_; }
  const std::string& m_getDescription() const { return description_; }
  const std::string& m_getFileName() const { return fileName_; }
  void m_setEraseOnClose(bool erase) { erase_ = erase; }

  // Appends "<local time> TAB <mark> TAB <kind name> TAB <text> LF"; false when the
  // file is not open or the write failed (reported once per file).
  bool writeTraceRecord(int mark, int kind, const std::string& text);

  // The highest five-digit number of the files "<prefix>nnnnn.trc" of a segment,
  // looking into the folders 99 down to 00; last = -1 when there is none.
  static bool findLastTraceNumber(const std::string& tmId, const std::string& lsId, const std::string& prefix,
                                  int& last);
  // Where the trace file of an item of the segment lies below the installation
  // home; empty for ids that name no trace file.
  static std::string m_pathOf(const std::string& home, const std::string& tmId, const std::string& lsId,
                              const std::string& bitId);

  static const char* kindName(int kind);
  static const char* markName(int mark);

  // Text from outside made fit for one record: backslash, TAB, CR, LF and other
  // control bytes become backslash escapes.
  static std::string m_escape(std::string_view text);

 private:
  // Opens the item's file in the folder; a failure is reported only when asked.
  bool m_openFile(const std::string& directory, bool reportFailure);
  void m_closeFile();
  void m_buildDescription();

  bool open_ = false;
  c_appendFileSet::c_member member_ = c_appendFileSet::noMember;
  // What the first open found: an erased trace takes back exactly what it wrote.
  bool createdByOpen_ = false;
  std::int64_t sizeAtOpen_ = 0;
  std::string fileName_;
  bool erase_ = false;
  std::string tmId_;
  std::string lsId_;
  std::string bitId_;
  std::string description_;
  bool writeFailureReported_ = false;
};
