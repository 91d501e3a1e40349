#pragma once
// c_peerNames: the host names of the peers that connect to the TM's listeners,
// kept for a while. A definite answer (a name, or none) is kept for the time to
// live, so that a controller coming back after a restart is named at once, with
// no look-up; a look-up that failed is made again the next time. The listeners
// make their look-ups on a thread of their own (c_peerNameResolver) and read
// this memory on their accept threads, so that a name service that is slow to
// answer holds up no connection.
//
// Threads: any; the mutex guards the entries, and no look-up runs under it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "platform/c_annotatedmutex.h"
#include "platform/c_socket.h"

class c_peerNames {
 public:
  using c_lookUp = std::function<c_nameLookup(std::uint32_t address, std::string& name)>;
  static constexpr std::int64_t defaultTimeToLiveMs = 10 * 60 * 1000;
  // Peers from many addresses (a scan, a misconfigured network) must not grow
  // the store without end: past this many entries the stale ones go, and if
  // none is stale, all of them.
  static constexpr std::size_t maximumEntries = 4096;

  // The system's look-up waits briefly for a name server that does not answer.
  explicit c_peerNames(c_lookUp lookUp = m_lookUpBriefly, std::int64_t timeToLiveMs = defaultTimeToLiveMs);

  // True with the peer's name when it has one; looks it up unless it is remembered.
  bool m_find(std::uint32_t address, std::string& name);
  // Without a look-up: true when a definite answer is remembered, with `named`
  // telling whether it is a name (then in `name`).
  bool m_recall(std::uint32_t address, bool& named, std::string& name);
  // The names the listeners of the process share.
  static c_peerNames& m_process();

 private:
  struct c_entry {
    bool named = false;
    std::string name;
    std::int64_t untilMs = 0;
  };

  static c_nameLookup m_lookUpBriefly(std::uint32_t address, std::string& name);

  c_lookUp lookUp_;
  std::int64_t timeToLiveMs_;
  c_annotatedMutex mutex_;
  std::unordered_map<std::uint32_t, c_entry> entries_ TM_GUARDED_BY(mutex_);
};
