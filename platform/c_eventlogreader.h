#pragma once
// c_eventLogReader: reads one event log: its ".old" file, then its current file,
// whole lines only and without any lock, so it never waits for writers and never
// sees a record half-written; lines that are no record are skipped. Positioning
// from the end reads backwards only as far as needed. A following reader calls
// m_next again after it returned false and gets every record that is on disk
// when it looks, once and in order: what was appended since; after the store
// was replaced (rollovers, noticed by the inode) the rest of the file read so
// far, then a ".old" file not read yet (left by a second rollover), then the new
// file; after the current file was cut back in place, what follows the last
// record still there as it was read.
// A store file that exists but cannot be read (no permission, a directory, a
// FIFO, a device) is a failure, never an empty log or a wait: m_failure says why.
// One reader belongs to one thread.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/c_eventrecord.h"
#include "platform/c_storefile.h"

class c_eventLogReader {
 public:
  c_eventLogReader() = default;
  ~c_eventLogReader();
  c_eventLogReader(const c_eventLogReader&) = delete;
  c_eventLogReader& operator=(const c_eventLogReader&) = delete;

  // Opens a log by name (through the registry); false when there is no such log
  // or its store cannot be read. The reader is positioned at the oldest record.
  bool m_openLog(const std::string& logName);
  // Opens a store by its path; a missing file is an empty log.
  bool m_openStore(const std::string& path);

  // The numbers of the first and the last record in file order; false when the
  // log holds none.
  bool m_range(std::uint32_t& oldest, std::uint32_t& newest);

  bool m_seekOldest();
  // Positions so that the next reads give the newest `count` records (all of them
  // when there are fewer).
  bool m_seekNewest(std::uint64_t count);
  // Positions at the first record, in file order, numbered `number` or more;
  // after the newest record when there is none.
  bool m_seekNumber(std::uint32_t number);
  // Positions after the newest record, to follow only what comes.
  bool m_seekEnd();

  // The next complete record; false when there is none (yet) or the log can no
  // longer be read.
  bool m_next(c_eventRecord& record);

  // Why the log cannot be read ("<file>: <reason>"); empty while it can.
  const std::string& m_failure() const { return failure_; }

 private:
  struct c_file {
    int fd = -1;
    std::uint64_t inode = 0;
    std::uint64_t device = 0;
  };
  // The files in reading order: the ".old" file, a ".old" file found unread after
  // two rollovers, the current file.
  enum class c_part { old, unread, current };

  bool m_openFile(const std::string& path, c_file& file);
  static void m_closeFile(c_file& file);
  static bool m_sameFile(const c_file& left, const c_file& right);
  bool m_fail(const std::string& path, const std::string& reason);
  bool m_openFiles();
  c_file& m_file(c_part part);
  void m_position(c_part part, std::uint64_t offset);
  bool m_afterCurrentEnd();
  bool m_takeReplacement();
  bool m_wasCutBack();
  void m_positionAfterCut();
  static bool m_seekNumberIn(const c_file& file, std::uint32_t number, std::uint64_t& offset);
  static bool m_firstNumber(const c_file& file, std::uint32_t& number);
  static bool m_lastNumber(const c_file& file, std::uint32_t& number);
  static bool m_countBackwards(const c_file& file, std::uint64_t& count, std::uint64_t& offset);

  std::string path_;
  c_file old_;     // the ".old" file as it was when positioned; fd -1 when none
  c_file unread_;  // a ".old" file that came with a replacement and is not read yet
  c_file current_;  // the file at the path; fd -1 while there is none
  c_part part_ = c_part::current;
  c_forwardLineReader lines_;  // of the file being read
  // The records read from the current file since its reading began at
  // readStart_, as hashes of their lines, so that a file cut back in place is
  // taken up after the last of them still there as it was.
  std::uint64_t readStart_ = 0;
  std::vector<std::uint64_t> readHashes_;
  std::uint64_t lastRecordStart_ = 0;
  std::uint64_t lastRecordLength_ = 0;
  bool atEnd_ = false;  // the last m_next found nothing more in the current file
  std::string failure_;
};
