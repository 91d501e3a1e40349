#pragma once
// The machine's event logs: which log holds a source, where a log's store lives,
// and the writing handle of a source. A source belongs to the log whose registry
// key (below c_eventLog::registryRoot) holds a sub-key of its name, else to
// "Application". A log's store is named by its "File" value (%VAR% expanded from
// the environment, '\' as '/'); a log without a usable one keeps its store in the
// state folder as eventlog/<log>.Evt. Its "MaxSize" value bounds the store and
// its ".old" file together. c_eventLog only reads the registry and keeps no state:
// safe to call from any thread.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/c_eventrecord.h"

class c_eventStore;

class c_eventLog {
 public:
  static constexpr const char* registryRoot = "SYSTEM\\CurrentControlSet\\Services\\EventLog";
  static constexpr const char* defaultLog = "Application";
  static constexpr std::uint64_t defaultMaxSize = 16u << 20;

  static std::string m_logOfSource(std::string_view source);
  // False for a log name that cannot name a store (empty, with '/', "." or "..")
  // or when there is no state folder for the default place.
  static bool m_storePath(std::string_view logName, std::string& path);
  static std::uint64_t m_maxSize(std::string_view logName);
  // A log exists when the registry holds its key; "Application" always does.
  static bool m_exists(std::string_view logName);
};

// The writing handle of one event source: its log and store are found once, when
// it is made, as a registered source keeps its log. Safe to call from any thread.
class c_eventSource {
 public:
  explicit c_eventSource(std::string name);
  ~c_eventSource();
  c_eventSource(const c_eventSource&) = delete;
  c_eventSource& operator=(const c_eventSource&) = delete;

  // Writes one event generated now; false when the store cannot be written.
  bool m_report(int type, int category, std::uint32_t eventId, std::vector<std::string> strings);
  const std::string& m_name() const { return name_; }
  const std::string& m_logName() const { return logName_; }

 private:
  friend class c_eventBatch;

  std::string name_;
  std::string logName_;
  std::shared_ptr<c_eventStore> store_;  // null when the log has no store
};

// Events of any sources, collected and then written together: the consecutive
// ones of one store with one append (one lock of the file, one write), all in
// the order they were added. For a writer whose step makes several events, so
// that the step costs the shared store one turn instead of one per event. One
// thread at a time.
class c_eventBatch {
 public:
  // Keeps the source's store until the batch is written.
  void m_add(const c_eventSource& source, int type, int category, std::uint32_t eventId,
             std::vector<std::string> strings);
  bool m_isEmpty() const { return entries_.empty(); }
  std::size_t m_size() const { return entries_.size(); }
  // Writes and empties the batch. Those that could not be written are left in
  // `failed` (moved out, in their order); true when none failed.
  bool m_write(std::vector<c_eventRecord>& failed);

 private:
  struct c_entry {
    std::shared_ptr<c_eventStore> store;
    c_eventRecord record;
  };
  std::vector<c_entry> entries_;
  std::vector<c_eventRecord> group_;  // the records of one append, kept for their capacity
};
