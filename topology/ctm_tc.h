#pragma once
// CTM_tc: a transport controller (kind 2), child of a logical segment and parent of
// technical segments. Its address is where the TC connects from. Its TC line handler
// exists once the running TM has started it.
//
// Threads: the line handler is set, read and taken down by the thread that starts
// and stops the running TM; whatever hands connections to it (the TC listener)
// must not run while it is replaced.

#include <memory>
#include <string>

#include "topology/ctm_controllerlink.h"
#include "topology/ctm_node.h"

class CTM_ts;

class CTM_tc : public CTM_node {
 public:
  static constexpr int type = typeTc;

  explicit CTM_tc(std::string id, std::string address = {});
  // Takes a line handler that is still there down. A running controller whose line
  // handler uses its own members stops it in its own destructor, before this runs.
  ~CTM_tc() override;

  // The plain node has no TC link to start: init reports that. Stop takes down the
  // line handler that a running TM gave the node.
  bool m_init(const std::string& mask, bool flag) override;
  void m_stop() override;
  int m_getType() const final { return type; }

  const std::string& m_getAddress() const { return address_; }
  void m_setAddress(const std::string& address) { address_ = address; }
  // Null until the transport controller has been started.
  CTM_controllerLink* m_getLineHandler() const { return lineHandler_.get(); }

  // Technical segment i (null past the end or when child i is of another kind).
  CTM_ts* m_getChild(std::size_t i) const;

 protected:
  // The running TM's controller puts its new line handler in place; the present one
  // is taken down first.
  void m_setLineHandler(std::unique_ptr<CTM_controllerLink> lineHandler);

 private:
  std::string address_;
  std::unique_ptr<CTM_controllerLink> lineHandler_;
};
