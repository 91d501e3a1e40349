#pragma once
// c_peerNames: the host names of the peers that connect to the TM's listeners,
// kept for a while. A listener names every peer it accepts, on its one accept
// thread: a name service that is slow to answer would hold up every connection
// behind that peer, and a restart's close of the listener with them, since the
// close waits for the accept thread. A definite answer (a name, or none) is kept
// for the time to live, so that a controller coming back after a restart is
// handed on at once; a lookup that failed is made again the next time.
//
// Threads: any; the mutex guards the entries, and no lookup runs under it.

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

  explicit c_peerNames(c_lookUp lookUp = c_lookUpName, std::int64_t timeToLiveMs = defaultTimeToLiveMs);

  // True with the peer's name when it has one.
  bool m_find(std::uint32_t address, std::string& name);
  // The names the listeners of the process share.
  static c_peerNames& m_process();

 private:
  struct c_entry {
    bool named = false;
    std::string name;
    std::int64_t untilMs = 0;
  };

  c_lookUp lookUp_;
  std::int64_t timeToLiveMs_;
  c_annotatedMutex mutex_;
  std::unordered_map<std::uint32_t, c_entry> entries_ TM_GUARDED_BY(mutex_);
};
