#include "platform/c_environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

bool c_getEnvironment(const char* name, std::string& value) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return false;
  value = text;
  return true;
}

bool c_expandEnvironment(std::string_view text, std::string& out) {
  out.clear();
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t open = text.find('%', i);
    if (open == std::string_view::npos) break;
    const std::size_t close = text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    out.append(text.substr(i, open - i));
    if (close == open + 1) {
      out += "%%";
    } else {
      std::string value;
      if (!c_getEnvironment(std::string(text.substr(open + 1, close - open - 1)).c_str(), value)) return false;
      out += value;
    }
    i = close + 1;
  }
  out.append(text.substr(i));
  return true;
}

bool c_makeVariableAbsolute(const char* name) {
  std::string value;
  if (!c_getEnvironment(name, value) || value[0] == '/') return true;
  std::vector<char> folder(4096);
  while (::getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) return false;
    folder.resize(folder.size() * 2);
  }
  // "." and empty steps go; ".." stays, as a step back over a symbolic link is
  // not the folder that holds the link.
  std::string path = folder.data();
  std::size_t begin = 0;
  while (begin <= value.size()) {
    const std::size_t end = std::min(value.find('/', begin), value.size());
    const std::string_view step = std::string_view(value).substr(begin, end - begin);
    if (!step.empty() && step != ".") {
      if (path.back() != '/') path += '/';
      path += step;
    }
    begin = end + 1;
  }
  return ::setenv(name, path.c_str(), 1) == 0;
}

bool c_stateDirectory(std::string& folder) {
  std::string base;
  if (c_getEnvironment("XDG_STATE_HOME", base) && base[0] == '/') {
    folder = base + "/tm";
    return true;
  }
  if (c_getEnvironment("HOME", base) && base[0] == '/') {
    folder = base + "/.local/state/tm";
    return true;
  }
  return false;
}

bool c_makeDirectories(const std::string& folder) {
  if (folder.empty()) return false;
  struct stat status {};
  if (::stat(folder.c_str(), &status) == 0) return S_ISDIR(status.st_mode);
  const std::size_t slash = folder.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !c_makeDirectories(folder.substr(0, slash))) return false;
  if (::mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST) return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
  return false;
}
