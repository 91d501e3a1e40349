#include "platform/c_registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/c_environment.h"
#include "platform/c_escape.h"
#include "platform/c_value.h"

namespace {

constexpr const char* valueFileName = ".values";

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool validKeyName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos && !c_equalsIgnoringCase(name, valueFileName);
}

bool splitKeyPath(std::string_view keyPath, std::vector<std::string>& names) {
  names.clear();
  if (keyPath.empty()) return true;
  std::size_t start = 0;
  for (;;) {
    const std::size_t separator = keyPath.find('\\', start);
    const std::string_view name = keyPath.substr(start, separator == std::string_view::npos ? std::string_view::npos : separator - start);
    if (!validKeyName(name)) return false;
    names.emplace_back(name);
    if (separator == std::string_view::npos) return true;
    start = separator + 1;
  }
}

bool isDirectory(const std::string& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The directory entry of `folder` that names the key `name` in any case.
bool findEntry(const std::string& folder, const std::string& name, std::string& found) {
  if (isDirectory(folder + "/" + name)) {
    found = name;
    return true;
  }
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) return false;
  bool matched = false;
  while (const dirent* entry = ::readdir(directory)) {
    if (c_equalsIgnoringCase(entry->d_name, name) && validKeyName(entry->d_name) && isDirectory(folder + "/" + entry->d_name)) {
      found = entry->d_name;
      matched = true;
      break;
    }
  }
  ::closedir(directory);
  return matched;
}

// The directory of an existing key; with `create`, missing keys are made on the way.
bool keyDirectory(std::string_view keyPath, bool create, std::string& folder) {
  std::vector<std::string> names;
  if (!splitKeyPath(keyPath, names) || !c_registry::m_rootDirectory(folder)) return false;
  if (!isDirectory(folder) && !(create && c_makeDirectories(folder))) return false;
  for (const std::string& name : names) {
    std::string existing;
    if (findEntry(folder, name, existing)) {
      folder += "/" + existing;
      continue;
    }
    if (!create) return false;
    folder += "/" + name;
    if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return true;
}

const char* typeWord(c_registryValue::c_type type) {
  switch (type) {
    case c_registryValue::c_type::string: return "SZ";
    case c_registryValue::c_type::expandString: return "EXPAND_SZ";
    case c_registryValue::c_type::dword: return "DWORD";
    case c_registryValue::c_type::multiString: return "MULTI_SZ";
  }
  return "SZ";
}

std::vector<std::string_view> splitTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    if (tab == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
}

// A value line: name TAB type TAB data (a multi-string has one field per string).
bool parseValueLine(std::string_view line, std::string& name, c_registryValue& value) {
  const auto fields = splitTabs(line);
  if (fields.size() < 2 || !c_unescapeField(fields[0], name)) return false;
  const std::string_view type = fields[1];
  if (type == "MULTI_SZ") {
    value = c_registryValue::m_multiString({});
    for (std::size_t i = 2; i < fields.size(); ++i) {
      std::string text;
      if (!c_unescapeField(fields[i], text)) return false;
      value.strings.push_back(std::move(text));
    }
    return true;
  }
  if (fields.size() != 3) return false;
  if (type == "DWORD") {
    std::int64_t number = 0;
    if (!c_parseWholeLong(fields[2], number) || number < 0 || number > 0xFFFFFFFFLL) return false;
    value = c_registryValue::m_dword(static_cast<std::uint32_t>(number));
    return true;
  }
  std::string text;
  if (!c_unescapeField(fields[2], text)) return false;
  if (type == "SZ") value = c_registryValue::m_string(std::move(text));
  else if (type == "EXPAND_SZ") value = c_registryValue::m_expandString(std::move(text));
  else return false;
  return true;
}

std::string valueLine(const std::string& name, const c_registryValue& value) {
  std::string line = c_escapeField(name) + "\t" + typeWord(value.type);
  switch (value.type) {
    case c_registryValue::c_type::dword: line += "\t" + std::to_string(value.number); break;
    case c_registryValue::c_type::multiString:
      for (const std::string& text : value.strings) line += "\t" + c_escapeField(text);
      break;
    default: line += "\t" + c_escapeField(value.text);
  }
  return line + "\n";
}

using ValueList = std::vector<std::pair<std::string, c_registryValue>>;

// Lines that do not read are skipped: a hand-edited file loses only what is broken.
void readValueFile(const std::string& folder, ValueList& values) {
  values.clear();
  std::ifstream in(folder + "/" + valueFileName, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    std::string name;
    c_registryValue value;
    if (parseValueLine(line, name, value)) values.emplace_back(std::move(name), std::move(value));
  }
}

bool writeValueFile(const std::string& folder, const ValueList& values) {
  std::string content;
  for (const auto& [name, value] : values) content += valueLine(name, value);
  std::string temporary = folder + "/" + valueFileName + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return false;
  bool written = ::fchmod(fd, 0644) == 0;
  std::size_t done = 0;
  while (written && done < content.size()) {
    const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) written = false;
    else done += static_cast<std::size_t>(n);
  }
  written = ::close(fd) == 0 && written;
  if (written && ::rename(temporary.c_str(), (folder + "/" + valueFileName).c_str()) == 0) return true;
  ::unlink(temporary.c_str());
  return false;
}

// Holds an exclusive lock on a key's directory, so that read-modify-write of its
// value file does not lose another writer's value.
class KeyLock {
 public:
  explicit KeyLock(const std::string& folder) : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ >= 0)
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  ~KeyLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  KeyLock(const KeyLock&) = delete;
  KeyLock& operator=(const KeyLock&) = delete;
  bool m_held() const { return fd_ >= 0; }

 private:
  int fd_;
};

// Reads a key's values under its lock and writes back what `change` made of them;
// `change` says false when there is nothing to write.
template <typename Change>
bool changeValues(std::string_view keyPath, Change change) {
  std::string folder;
  if (!keyDirectory(keyPath, false, folder)) return false;
  KeyLock lock(folder);
  if (!lock.m_held()) return false;
  ValueList values;
  readValueFile(folder, values);
  return change(values) && writeValueFile(folder, values);
}

}  // namespace

bool c_equalsIgnoringCase(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i)
    if (lowerAscii(left[i]) != lowerAscii(right[i])) return false;
  return true;
}

bool c_registry::m_rootDirectory(std::string& folder) {
  if (!c_stateDirectory(folder)) return false;
  folder += "/registry";
  return true;
}

bool c_registry::m_createKey(std::string_view keyPath) {
  std::string folder;
  return !keyPath.empty() && keyDirectory(keyPath, true, folder);
}

bool c_registry::m_keyExists(std::string_view keyPath) {
  std::string folder;
  return keyDirectory(keyPath, false, folder);
}

bool c_registry::m_deleteKey(std::string_view keyPath) {
  std::string folder;
  if (keyPath.empty() || !keyDirectory(keyPath, false, folder)) return false;
  std::vector<std::string> children;
  if (!m_subKeys(keyPath, children) || !children.empty()) return false;
  // The value file and any temporary left by a writer that died go with the key.
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) return false;
  std::vector<std::string> files;
  while (const dirent* entry = ::readdir(directory))
    if (std::strncmp(entry->d_name, valueFileName, std::strlen(valueFileName)) == 0) files.emplace_back(entry->d_name);
  ::closedir(directory);
  for (const std::string& file : files) ::unlink((folder + "/" + file).c_str());
  return ::rmdir(folder.c_str()) == 0;
}

bool c_registry::m_setValue(std::string_view keyPath, std::string_view valueName, const c_registryValue& value) {
  return changeValues(keyPath, [&](ValueList& values) {
    bool replaced = false;
    for (auto& [name, old] : values)
      if (c_equalsIgnoringCase(name, valueName)) {
        old = value;
        replaced = true;
      }
    if (!replaced) values.emplace_back(std::string(valueName), value);
    return true;
  });
}

bool c_registry::m_getValue(std::string_view keyPath, std::string_view valueName, c_registryValue& value) {
  std::string folder;
  if (!keyDirectory(keyPath, false, folder)) return false;
  ValueList values;
  readValueFile(folder, values);
  for (auto& [name, found] : values)
    if (c_equalsIgnoringCase(name, valueName)) {
      value = std::move(found);
      return true;
    }
  return false;
}

bool c_registry::m_deleteValue(std::string_view keyPath, std::string_view valueName) {
  return changeValues(keyPath, [&](ValueList& values) {
    return std::erase_if(values, [&](const auto& entry) { return c_equalsIgnoringCase(entry.first, valueName); }) > 0;
  });
}

bool c_registry::m_subKeys(std::string_view keyPath, std::vector<std::string>& names) {
  names.clear();
  std::string folder;
  if (!keyDirectory(keyPath, false, folder)) return false;
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) return false;
  while (const dirent* entry = ::readdir(directory))
    if (validKeyName(entry->d_name) && isDirectory(folder + "/" + entry->d_name)) names.emplace_back(entry->d_name);
  ::closedir(directory);
  return true;
}

bool c_registry::m_values(std::string_view keyPath, std::vector<std::pair<std::string, c_registryValue>>& values) {
  std::string folder;
  if (!keyDirectory(keyPath, false, folder)) return false;
  readValueFile(folder, values);
  return true;
}
