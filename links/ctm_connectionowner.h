#pragma once
// CTM_connectionOwner: what a telegram connection needs of the line handler that
// owns it. The line handler implements it, so that the links layer does not
// depend on the line-handler framework.

#include <string>

class c_waitable;

class CTM_connectionOwner {
 public:
  // Called from the connection's receiver thread each time data has arrived:
  // wakes the owner's thread once (several arrivals before it wakes count as one).
  virtual bool m_signal() = 0;
  // Takes back the wake-up of an arrival that the owner reads without waiting for
  // it (CTM_connection::m_claimArrival), so that no wake-up is left without data.
  virtual void m_takeSignal() {}
  // "TC", "MC", ...: names the connection's two configuration keys.
  virtual const std::string& m_getInterfaceName() const = 0;
  // The owner's stop event, or null: every blocking wait of the connection in the
  // owner's thread (connect, send, receive, the sleep between connect tries)
  // returns when it is set. The owner keeps it alive as long as the connection.
  virtual c_waitable* m_getStopEvent() { return nullptr; }

 protected:
  ~CTM_connectionOwner() = default;
};
