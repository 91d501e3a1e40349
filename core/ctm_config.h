#pragma once
// Interim stand-in until the configuration store lands on main: the by-name reads
// the tracking classes use, over an in-memory table, and the installation root.

#include <map>
#include <mutex>
#include <string>

class CTM_config {
 public:
  static bool m_getString(const std::string& name, std::string& out);
  static bool m_getInteger(const std::string& name, int& out);
  static bool m_setString(const std::string& name, const std::string& value);
  static void m_clearForTest();
  // TM_HOME, or "" when it is unset or empty.
  static std::string m_getHomePath();
};
