#pragma once
// c_eventStore: the writing end of one event-log store file. Records are numbered
// consecutively per log, across rollovers; each is appended with one write while
// the file is locked (fcntl), so writers in several processes never interleave
// two records or give one number twice. A torn last line, left by a writer that
// died in its write, is cut off by the next writer. When a record would take the
// file past half the log's maximum size, the file is renamed to "<file>.old"
// (replacing the previous one) and a new file continues the numbering.
// Safe to call from any thread: one mutex serialises this process's writers,
// which the fcntl lock does not. Writers that queue for it meanwhile are served
// together: the one that gets the mutex writes every record waiting then, in the
// order they came, with one lock of the file and one write, and the others find
// theirs written when they get it. So many threads logging at once cost the file
// one turn for all instead of one each.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/c_annotatedmutex.h"
#include "platform/c_eventrecord.h"

class c_eventStore {
 public:
  c_eventStore(std::string path, std::uint64_t maxSize);
  ~c_eventStore();
  c_eventStore(const c_eventStore&) = delete;
  c_eventStore& operator=(const c_eventStore&) = delete;

  // Gives the record the log's next number and the time written, and appends it.
  bool m_append(c_eventRecord& record) { return m_append(std::span<c_eventRecord>(&record, 1)); }
  // The same for several records, numbered in their order and appended together
  // with one write: all of them or, false, none.
  bool m_append(std::span<c_eventRecord> records);
  const std::string& m_path() const { return path_; }
  // Whether a store at the path could take a record now: the file opens as a
  // writer opens it, or it is missing and can be made (its missing folders with
  // it). Writes nothing and leaves nothing behind.
  static bool m_isWritable(const std::string& path, int& error);

 private:
  // Records handed in by one call, waiting to be written by whoever holds mutex_.
  struct c_waiting {
    std::span<c_eventRecord> records;
    bool done = false;  // these two under mutex_
    bool written = false;
  };

  // Writes all the records as one group: all or none.
  bool m_appendGroup(std::span<c_waiting* const> calls) TM_REQUIRES(mutex_);
  bool m_openLocked(std::uint64_t& size) TM_REQUIRES(mutex_);
  void m_closeFile() TM_REQUIRES(mutex_);
  bool m_lastNumber(std::uint64_t& size, std::uint32_t& last) TM_REQUIRES(mutex_);

  c_annotatedMutex mutex_;
  // Calls waiting for mutex_, in the order they came; taken whole by the next holder.
  c_annotatedMutex waitingMutex_ TM_ACQUIRED_AFTER(mutex_);
  std::vector<c_waiting*> waiting_ TM_GUARDED_BY(waitingMutex_);
  std::vector<c_waiting*> serving_ TM_GUARDED_BY(mutex_);  // kept for its capacity
  std::string lines_ TM_GUARDED_BY(mutex_);                // likewise
  const std::string path_;
  const std::uint64_t maxSize_;
  int fd_ TM_GUARDED_BY(mutex_) = -1;
  // What this process wrote last, so that the next record need not read the
  // file's end while no other process has written in between.
  bool knownEnd_ TM_GUARDED_BY(mutex_) = false;
  std::uint64_t knownSize_ TM_GUARDED_BY(mutex_) = 0;
  std::uint32_t knownLast_ TM_GUARDED_BY(mutex_) = 0;
};
