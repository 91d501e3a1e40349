#pragma once
// c_peerNameResolver: the name look-ups of one listener's peers, made one at a
// time on a thread of its own, so that a name service that is slow to answer,
// or silent, holds up no accept. The accept thread asks for an address's name,
// is woken by m_answered and takes the answers; each look-up also goes into the
// shared c_peerNames, so that a peer whose answer came too late for its
// connection is named at once the next time.
//
// Threads: the owner starts and stops it while no accept thread runs; the accept
// thread requests, withdraws and takes answers. mutex_ guards the requests and
// the answers. m_stop waits for the look-up under way, which the system's brief
// look-up bounds (c_lookUpName).

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/c_syncObject.h"
#include "links/c_peernames.h"
#include "platform/c_annotatedmutex.h"

class c_peerNameResolver {
 public:
  struct c_answer {
    std::uint32_t address = 0;
    bool named = false;
    std::string name;  // empty: no name, or no answer
  };

  explicit c_peerNameResolver(c_peerNames& names) : names_(names) {}
  ~c_peerNameResolver() { m_stop(); }
  c_peerNameResolver(const c_peerNameResolver&) = delete;
  c_peerNameResolver& operator=(const c_peerNameResolver&) = delete;

  // Starts the thread; false when it could not be made.
  bool m_start();
  // Ends the thread once its look-up under way is over; requests and answers not
  // taken are dropped.
  void m_stop();

  // Asks for the name of the address, unless it is asked for already.
  void m_request(std::uint32_t address);
  // Forgets the request for the address if its look-up has not begun.
  void m_withdraw(std::uint32_t address);
  // Ready (and taken by the wait) when answers have come since the last wait.
  c_waitable* m_answered() const { return answered_.m_getHandle(); }
  // The answers that have come, in order.
  std::vector<c_answer> m_takeAnswers();

 private:
  void m_run();

  c_peerNames& names_;
  std::thread thread_;
  c_event stop_;
  c_semaphore requested_{0, 1};
  c_semaphore answered_{0, 1};
  c_annotatedMutex mutex_;
  std::deque<std::uint32_t> requests_ TM_GUARDED_BY(mutex_);
  std::optional<std::uint32_t> lookingUp_ TM_GUARDED_BY(mutex_);
  std::vector<c_answer> answers_ TM_GUARDED_BY(mutex_);
};
