#pragma once
// CTM_tc: a transport controller (kind 2), child of a logical segment and parent of
// technical segments. Its address is where the TC connects from. Its TC line handler
// exists once the running TM has started it.

#include <string>

#include "topology/ctm_node.h"

class CTM_ts;
class CTM_lhtc;

class CTM_tc : public CTM_node {
 public:
  static constexpr int type = typeTc;

  explicit CTM_tc(std::string id, std::string address = {});
  ~CTM_tc() override;

  // The TC link cannot be started yet: init reports that.
  bool m_init(const std::string& mask, bool flag) override;
  void m_stop() override;
  int m_getType() const override { return type; }

  const std::string& m_getAddress() const { return address_; }
  void m_setAddress(const std::string& address) { address_ = address; }
  // Null until the transport controller has been started.
  CTM_lhtc* m_getLineHandler() const { return nullptr; }

  // Technical segment i (null past the end or when child i is of another kind).
  CTM_ts* m_getChild(std::size_t i) const;

 private:
  std::string address_;
};
