#pragma once
// c_inodePool: a few anonymous inodes allocated ahead in the folder files are
// being created in, so that a new file costs a link instead of an allocation.
// Allocating an inode is the slow part of a create on a busy disk; linking one
// in under a name is not. One thread refills the pool, off the path of whoever
// creates files, and only while the pool is started; it runs as a batch thread,
// so that it takes the processor from no one when woken.
//
// The pool keeps no inode that its owner does not admit: the owner counts the
// pool's descriptors in its own budget (c_appendFileSet). A pool that is not
// started, or whose folder cannot hold anonymous inodes, is empty, and files
// are then created as usual.
//
// Safe to call from any thread. Its mutex is taken after its owner's; the
// owner's admission and room are asked without it.

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/c_eventwaitable.h"

class c_inodePool {
 public:
  // Asked for each new inode: true when the owner keeps it (by m_keep), false
  // when it has no room, and the inode is closed again.
  using c_admit = std::function<bool(int descriptor)>;
  // How many spares the owner has room for now; no inode is allocated beyond it.
  using c_room = std::function<std::size_t()>;
  static constexpr std::size_t defaultSize = 8;

  c_inodePool(c_admit admit, c_room room, std::size_t size = defaultSize);
  ~c_inodePool();
  c_inodePool(const c_inodePool&) = delete;
  c_inodePool& operator=(const c_inodePool&) = delete;

  // Each start is matched by a stop; the refill thread runs while any start is
  // not, and the last stop joins it and closes every spare inode.
  void m_start();
  void m_stop();

  // A spare inode's descriptor, or -1 when there is none; the pool is refilled
  // in folder, where the next files are expected.
  int m_take(const std::string& folder);
  // An inode taken but not linked in comes back (or is closed when the pool is
  // full or stopped).
  void m_keep(int descriptor);
  // Closes one spare inode; false when there was none.
  bool m_closeOne();
  void m_closeAll();
  std::size_t m_spareCount() const;

  // Links the anonymous inode in under path. error is the system error number:
  // EEXIST when a file of that name is there already.
  static bool m_linkIn(int descriptor, const std::string& path, int& error);

 private:
  void m_refill();

  const c_admit admit_;
  const c_room room_;
  const std::size_t size_;
  mutable std::mutex mutex_;
  std::vector<int> spares_;      // guarded by mutex_
  std::string folder_;           // guarded by mutex_
  std::string unsupported_;      // a folder that cannot hold anonymous inodes; guarded by mutex_
  std::size_t starts_ = 0;       // guarded by mutex_
  std::mutex startStopMutex_;    // taken before mutex_, by m_start and m_stop only
  std::thread refiller_;         // guarded by startStopMutex_
  c_eventWaitable stop_;
  c_eventWaitable wanted_;
};
