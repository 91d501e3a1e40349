#pragma once
// CTM_runningTc: the transport controller of a running TM. Its init builds the TC
// line handler (not started: the TC listener starts it with the first connection
// of the TC), its stop takes it down.
//
// Publication: whoever uses the line handler (the TC listener handing a socket,
// the segment queueing routing orders) takes a snapshot with m_getTcLineHandler
// and calls it outside any lock. Init and stop unpublish the old handler under
// publishMutex_ and only then, holding no lock, shut it down; a snapshot still
// held meanwhile finds a shut-down handler that refuses connections and whose
// queued telegrams are never sent.
//
// Threads: m_init and m_stop come from the thread that starts and stops the TM (or
// an IM restart), never from this controller's own line-handler thread;
// m_getTcLineHandler from any thread.

#include <memory>
#include <string>

#include "platform/c_annotatedmutex.h"
#include "platform/c_threadsafety.h"
#include "topology/ctm_tc.h"

class CTM_lhtc;

class CTM_runningTc : public CTM_tc {
 public:
  explicit CTM_runningTc(std::string id, std::string address = {});
  // Takes the line handler down while this node's members still exist.
  ~CTM_runningTc() override;

  // Mask position 5 rebuilds the line handler; with the flag set and position 5
  // not "Y" nothing changes. True.
  bool m_init(const std::string& mask, bool flag) override;
  void m_stop() override;

  // Null when the controller has no line handler.
  std::shared_ptr<CTM_lhtc> m_getTcLineHandler() const;
  // Publishes that handler (null: none) and takes the one it replaces down, outside
  // the lock. Init uses it; tests place their own handlers with it.
  void m_placeTcLineHandler(std::shared_ptr<CTM_lhtc> lineHandler);
  // The logical segment remembered by the first init; null before.
  CTM_node* m_getOwnerSegment() const { return ownerSegment_; }

 private:
  CTM_node* ownerSegment_ = nullptr;  // set by the first init, by the init thread
  mutable c_annotatedMutex publishMutex_;
  std::shared_ptr<CTM_lhtc> published_ TM_GUARDED_BY(publishMutex_);
};
