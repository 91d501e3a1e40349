#pragma once
// CTM_controllerLink: what a transport controller node needs of the line handler
// that serves its TC. The running TM builds the line handler and gives it to the
// node, which owns it from then on and takes it down before deleting it. Telegrams
// and accepted connections reach the line handler through the running TM, which
// knows its full type.

class CTM_controllerLink {
 public:
  virtual ~CTM_controllerLink() = default;

  // Ends the link and waits for the line handler's threads; the node calls it once,
  // before it deletes the line handler.
  virtual void m_shutdown() = 0;
};
