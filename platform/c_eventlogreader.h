#pragma once
// c_eventLogReader: reads one event log: its ".old" file, then its current file,
// whole lines only and without any lock, so it never waits for writers and never
// sees a record half-written; lines that are no record are skipped. Positioning
// from the end reads backwards only as far as needed. A following reader calls
// m_next again after it returned false: it picks up what was appended since, and
// when the file at the store's path has been replaced (a rollover, noticed by its
// inode) it reads the old file to its end and goes on with the new one.
// One reader belongs to one thread.

#include <cstdint>
#include <string>

#include "platform/c_eventrecord.h"
#include "platform/c_storefile.h"

class c_eventLogReader {
 public:
  c_eventLogReader() = default;
  ~c_eventLogReader();
  c_eventLogReader(const c_eventLogReader&) = delete;
  c_eventLogReader& operator=(const c_eventLogReader&) = delete;

  // Opens a log by name (through the registry); false when there is no such log.
  // The reader is positioned at the oldest record.
  bool m_openLog(const std::string& logName);
  // Opens a store by its path; a missing file is an empty log.
  bool m_openStore(const std::string& path);

  // The numbers of the oldest and the newest record; false when the log is empty.
  bool m_range(std::uint32_t& oldest, std::uint32_t& newest);

  bool m_seekOldest();
  // Positions so that the next reads give the newest `count` records (all of them
  // when there are fewer).
  bool m_seekNewest(std::uint64_t count);
  // Positions at the first record numbered `number` or later.
  bool m_seekNumber(std::uint32_t number);
  // Positions after the newest record, to follow only what comes.
  bool m_seekEnd();

  // The next complete record; false when there is none (yet).
  bool m_next(c_eventRecord& record);

 private:
  struct c_file {
    int fd = -1;
    std::uint64_t inode = 0;
    std::uint64_t device = 0;
  };
  static bool m_openFile(const std::string& path, c_file& file);
  static void m_closeFile(c_file& file);
  static bool m_sameFile(const c_file& left, const c_file& right);
  bool m_openFiles();
  void m_position(bool inOld, std::uint64_t offset);
  bool m_followNewFile();
  bool m_seekNumberIn(const c_file& file, std::uint32_t number, std::uint64_t& offset);
  static bool m_firstNumber(const c_file& file, std::uint32_t& number);
  static bool m_lastNumber(const c_file& file, std::uint32_t& number);
  static bool m_countBackwards(const c_file& file, std::uint64_t& count, std::uint64_t& offset);

  std::string path_;
  c_file old_;      // the ".old" file as it was when positioned; fd -1 when none
  c_file current_;  // the file at the path; fd -1 while there is none
  bool inOld_ = false;
  c_forwardLineReader lines_;  // of the file being read
};
