#pragma once
// CTM_tm: the TM node (kind 0), parent of the logical segments. Its network address
// is where a neighbouring TM reaches it. The running TM (listeners, line handlers,
// reports to the other computers) hangs off this node once it has been started.

#include <string>

#include "topology/ctm_node.h"

class CTM_ls;
class CTM_lhim;

class CTM_tm : public CTM_node {
 public:
  static constexpr int type = typeTm;

  explicit CTM_tm(std::string id, std::string address = {});
  ~CTM_tm() override;

  // Nothing of the running TM can be started yet: both report that.
  bool m_init(const std::string& mask, bool flag) override;
  void m_stop() override;
  int m_getType() const override { return type; }

  const std::string& m_getAddress() const { return address_; }
  void m_setAddress(const std::string& address) { address_ = address; }

  // The IM line handler; null until the TM has been started.
  CTM_lhim* m_getImLineHandler() const { return nullptr; }
  // Queues a text report for IM; false while there is no IM line handler.
  bool m_sendImText(const std::string& source, unsigned short level, const std::string& text);

  // Logical segment i (null past the end or when child i is of another kind).
  CTM_ls* m_getChild(std::size_t i) const;
  // The child logical segment with that id, null when none.
  CTM_ls* m_findLS(const std::string& id) const;

 private:
  std::string address_;
};
