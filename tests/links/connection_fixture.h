#pragma once
// A test owner for telegram connections and the fixture of the connection tests:
// a configuration, an event recorder, and (for threaded tests) the process's
// threads and descriptors checked back at their baseline at the end.

#include <string>

#include "core/c_syncObject.h"
#include "links/ctm_connection.h"
#include "links/ctm_connectionowner.h"
#include "tests/core/config_fixture.h"
#include "tests/support/c_resourcebaseline.h"

class c_testOwner : public CTM_connectionOwner {
 public:
  explicit c_testOwner(std::string name = "TC") : name_(std::move(name)) {}
  bool m_signal() override { return wakeUp_.m_unlock(); }
  const std::string& m_getInterfaceName() const override { return name_; }
  c_waitable* m_getStopEvent() override { return stop_.m_getHandle(); }

  // Whether the connection woke the owner within the time (the wake-up is taken).
  bool m_wasSignalled(int timeoutMs) {
    c_waitable* wakeUp = wakeUp_.m_getHandle();
    return c_waitForAny(&wakeUp, 1, timeoutMs) == 0;
  }
  void m_stop() { stop_.m_set(); }

 private:
  std::string name_;
  c_semaphore wakeUp_{0, 1};
  c_event stop_;
};

class ConnectionTest : public ConfigFixture {
 protected:
  void TearDown() override {
    EXPECT_TRUE(baseline_.m_isBack());
    ConfigFixture::TearDown();
  }

  c_resourceBaseline baseline_;
  c_testOwner owner_;
};
