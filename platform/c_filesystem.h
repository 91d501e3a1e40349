#pragma once
// c_fileSystem: the directory operations of the trace-file tree. Every call is
// safe from any thread and never depends on the working directory (paths are
// absolute). Failures give the system error number.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

class c_fileSystem {
 public:
  enum class c_pathKind { missing, directory, other };

  static c_pathKind m_kindOf(const std::string& path);
  // Creates one directory level; an existing directory counts as success.
  static bool m_makeDirectory(const std::string& path, int& error);
  // The names in a directory, without "." and "..", in no particular order.
  static bool m_listDirectory(const std::string& path, std::vector<std::string>& names, int& error);
  static bool m_removeFile(const std::string& path, int& error);
  // Cuts the file back to size bytes; needs no descriptor.
  static bool m_truncateFile(const std::string& path, std::int64_t size, int& error);
  // Whether a file can be created in the folder now or, when it is missing, in
  // the nearest folder above it, where it would be made. Leaves nothing behind.
  static bool m_canCreateIn(const std::string& folder, int& error);
  // A local date and time with strftime's format; empty when it cannot be rendered.
  static std::string m_localTimeText(std::time_t when, const char* format);
};
