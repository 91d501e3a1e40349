#pragma once
// CTM_tm: the TM node (kind 0), parent of the logical segments. Its network address
// is where a neighbouring TM reaches it. The running TM (listeners, line handlers,
// reports to the other computers) hangs off this node once it has been started.

#include <atomic>
#include <string>

#include "topology/ctm_imreporter.h"
#include "topology/ctm_node.h"

class CTM_ls;

class CTM_tm : public CTM_node {
 public:
  static constexpr int type = typeTm;

  explicit CTM_tm(std::string id, std::string address = {});
  ~CTM_tm() override;

  // Nothing of the running TM can be started yet: both report that.
  bool m_init(const std::string& mask, bool flag) override;
  void m_stop() override;
  int m_getType() const final { return type; }

  const std::string& m_getAddress() const { return address_; }
  void m_setAddress(const std::string& address) { address_ = address; }

  // Where the texts of the nodes below go to IM; null (texts are refused) until the
  // running TM sets one. Any thread may read it while another sets it; a reporter
  // stays alive until no thread can report through it any more.
  CTM_imReporter* m_getImReporter() const override { return imReporter_.load(std::memory_order_acquire); }
  void m_setImReporter(CTM_imReporter* reporter) { imReporter_.store(reporter, std::memory_order_release); }

  // Logical segment i (null past the end or when child i is of another kind).
  CTM_ls* m_getChild(std::size_t i) const;
  // The child logical segment with that id, null when none.
  CTM_ls* m_findLS(const std::string& id) const;

 private:
  std::string address_;
  std::atomic<CTM_imReporter*> imReporter_{nullptr};
};
