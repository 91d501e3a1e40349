#include "core/ctm_config.h"

#include <cstdlib>

namespace {
std::recursive_mutex interimMutex;
std::map<std::string, std::string>& table() {
  static std::map<std::string, std::string> entries;
  return entries;
}
}  // namespace

bool CTM_config::m_getString(const std::string& name, std::string& out) {
  std::lock_guard lock(interimMutex);
  auto found = table().find(name);
  if (found == table().end()) return false;
  out = found->second;
  return true;
}

bool CTM_config::m_getInteger(const std::string& name, int& out) {
  std::string text;
  if (!m_getString(name, text)) return false;
  out = std::atoi(text.c_str());
  return true;
}

bool CTM_config::m_setString(const std::string& name, const std::string& value) {
  std::lock_guard lock(interimMutex);
  table()[name] = value;
  return true;
}

void CTM_config::m_clearForTest() {
  std::lock_guard lock(interimMutex);
  table().clear();
}

std::string CTM_config::m_getHomePath() {
  const char* home = std::getenv("TM_HOME");
  return home ? home : "";
}
