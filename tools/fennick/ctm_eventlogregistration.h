#pragma once
// CTM_eventLogRegistration: creates and deletes the registry entries of the three
// event logs of a TM instance and of every event source that the TM's logging
// writes under, so that its events go to their own stores below
// %TM_HOME%\run\log and find their texts in %TM_HOME%\run\bin\logging.dll.
// A prefix is the TM name followed by "_" ("TM32_"), or empty. Each failing
// registry call prints its line on the given stream and the work goes on.
// One object belongs to one thread.

#include <cstdio>
#include <string>
#include <string_view>

class CTM_eventLogRegistration {
 public:
  explicit CTM_eventLogRegistration(std::FILE* out) : out_(out) {}

  void m_create(const std::string& prefix);
  void m_delete(const std::string& prefix);
  // Whether every registry call so far succeeded.
  bool m_allDone() const { return failures_ == 0; }

 private:
  void m_createLog(const std::string& log, const std::string& file);
  void m_createSource(const std::string& logAndSource, bool withCategories);
  void m_deleteKey(const std::string& parent, const std::string& subKey);
  void m_fail(const char* line);

  std::FILE* out_;
  int failures_ = 0;
};
