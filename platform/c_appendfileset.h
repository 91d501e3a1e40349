#pragma once
// c_appendFileSet: append files that are held open only in a bounded set, the
// most recently used ones. A member whose descriptor was closed to make room is
// reopened for append at its next record, so a member costs no descriptor while
// it waits, and a process with a hundred thousand members holds a few dozen.
//
// The set never takes a descriptor that the rest of the process (its links and
// listeners) needs: it holds at most a small share of the descriptor limit, and
// opens nothing while the free descriptors are down to a reserve, handing back
// what it holds then.
//
// Safe to call from any thread; one mutex guards the set. It is taken after any
// lock of the caller, and nothing is called under it that takes another lock.
// Files are opened and written outside it, so that threads appending to
// different members do not wait for each other's disk: a member being opened
// or written is not closed to make room meanwhile. One member is used by one
// thread at a time (its owner's).

#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/c_appendfile.h"
#include "platform/c_inodepool.h"

class c_appendFileSet {
 public:
  using c_member = std::uint64_t;
  static constexpr c_member noMember = 0;
  static constexpr std::size_t largestSet = 32;

  struct c_opened {
    c_member member = noMember;
    bool created = false;       // this open created the file
    std::int64_t sizeAtOpen = 0;
  };

  // The set the trace files share.
  static c_appendFileSet& m_shared();

  explicit c_appendFileSet(std::size_t largest = largestSet);
  ~c_appendFileSet();
  c_appendFileSet(const c_appendFileSet&) = delete;
  c_appendFileSet& operator=(const c_appendFileSet&) = delete;

  // Opens the file for appending, creating it when missing, as a new member.
  // error is EMFILE when the process has no descriptor to spare for it.
  bool m_open(const std::string& path, c_opened& opened, int& error);
  // Appends all of data to the member's file or nothing (c_appendFile), opening
  // the file at path again when its descriptor was closed meanwhile.
  bool m_append(c_member member, const std::string& path, std::string_view data, int& error);
  // The member leaves the set and its descriptor, if it holds one, is closed.
  void m_close(c_member member);

  // Descriptors the set holds now, spare inodes included.
  std::size_t m_heldCount() const;

  // While started (the running TM, from its start to its stop), new files are
  // made from a few inodes allocated ahead (c_inodePool); their descriptors
  // count in the set's share, and they are the first to go when descriptors
  // run short.
  void m_startSpareInodes();
  void m_stopSpareInodes();

 private:
  struct c_held {
    c_member member = noMember;
    c_appendFile file;
    bool inUse = false;  // being opened or written by its owner: it stays open; guarded by mutex_
  };
  using c_heldList = std::list<c_held>;

  // A new most recently used entry of member, in use, after room was made for it
  // (closing the least recently used that are not in use). Called with mutex_ held.
  c_held& m_addInUse(c_member member, std::size_t share);
  // Opens path into the entry m_addInUse gave, without mutex_; on failure the
  // entry goes again, and all that is held when the process is short of descriptors.
  // spare: an anonymous inode to create the file with, or -1.
  bool m_openInUse(c_held& entry, const std::string& path, int spare, long limit, int& error);
  // Keeps a new spare inode when the share has room for it (an idle member
  // gives way: its reopen costs far less than a create).
  bool m_admitSpare(int descriptor);
  // The entry goes again (and all that is held, when short of descriptors); false.
  bool m_dropInUse(c_held& entry, bool shortOfDescriptors);
  void m_release(c_held& entry);
  bool m_closeLeastRecent();
  void m_giveWay();

  const std::size_t largest_;
  mutable std::mutex mutex_;
  c_heldList held_;  // most recently used first; guarded by mutex_
  std::unordered_map<c_member, c_heldList::iterator> byMember_;  // guarded by mutex_
  c_member lastMember_ = noMember;                               // guarded by mutex_
  c_inodePool spares_;  // its mutex is taken after mutex_
};
