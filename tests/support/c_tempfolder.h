#pragma once
// c_tempFolder: an empty folder of its own under the system's temporary folder,
// removed with everything in it when the object goes.

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

class c_tempFolder {
 public:
  explicit c_tempFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder " + pattern);
    path_ = pattern;
  }
  ~c_tempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  c_tempFolder(const c_tempFolder&) = delete;
  c_tempFolder& operator=(const c_tempFolder&) = delete;

  const std::filesystem::path& m_path() const { return path_; }

 private:
  std::filesystem::path path_;
};
