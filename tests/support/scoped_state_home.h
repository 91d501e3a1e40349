#pragma once
// A fresh temporary folder for one test, named by XDG_STATE_HOME (the registry
// and the Application log) and TM_HOME; these and HOME are given back as they
// were and the folder removed when the test ends.

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

class scoped_state_home {
 public:
  scoped_state_home() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tm-state-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
    remember("XDG_STATE_HOME", savedState_);
    remember("TM_HOME", savedHome_);
    remember("HOME", savedUserHome_);
    ::setenv("XDG_STATE_HOME", (root_ / "state").c_str(), 1);
    ::setenv("TM_HOME", (root_ / "home").c_str(), 1);
  }
  ~scoped_state_home() {
    restore("XDG_STATE_HOME", savedState_);
    restore("TM_HOME", savedHome_);
    restore("HOME", savedUserHome_);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  scoped_state_home(const scoped_state_home&) = delete;
  scoped_state_home& operator=(const scoped_state_home&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path state() const { return root_ / "state" / "tm"; }
  std::filesystem::path home() const { return root_ / "home"; }

 private:
  static void remember(const char* name, std::optional<std::string>& saved) {
    if (const char* value = std::getenv(name)) saved = value;
  }
  static void restore(const char* name, const std::optional<std::string>& saved) {
    if (saved) ::setenv(name, saved->c_str(), 1);
    else ::unsetenv(name);
  }

  std::filesystem::path root_;
  std::optional<std::string> savedState_;
  std::optional<std::string> savedHome_;
  std::optional<std::string> savedUserHome_;
};
