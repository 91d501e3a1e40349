#pragma once
// c_registry: the machine's registry as a directory tree under the state folder
// (registry/ there), one directory per key and one small text file per key for its
// values, replaced whole through a temporary file and rename, so a reader never
// sees half a value file. Key paths are given as the system writes them, names
// joined by '\' below the machine root ("SYSTEM\CurrentControlSet\Services\...").
// Key and value names compare case-insensitively; a key name with '/', "." or ".."
// is refused. Safe to call from any thread and process: value writes of one key
// are serialised by a lock on the key's directory.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct c_registryValue {
  enum class c_type { string, expandString, dword, multiString };

  static c_registryValue m_string(std::string text) { return {c_type::string, std::move(text), 0, {}}; }
  static c_registryValue m_expandString(std::string text) { return {c_type::expandString, std::move(text), 0, {}}; }
  static c_registryValue m_dword(std::uint32_t number) { return {c_type::dword, {}, number, {}}; }
  static c_registryValue m_multiString(std::vector<std::string> texts) { return {c_type::multiString, {}, 0, std::move(texts)}; }

  c_type type = c_type::string;
  std::string text;                  // string and expandString
  std::uint32_t number = 0;          // dword
  std::vector<std::string> strings;  // multiString

  friend bool operator==(const c_registryValue&, const c_registryValue&) = default;
};

class c_registry {
 public:
  // Creates the key and its missing parents; opening an existing key succeeds.
  static bool m_createKey(std::string_view keyPath);
  static bool m_keyExists(std::string_view keyPath);
  // Fails when the key is missing or still has sub-keys.
  static bool m_deleteKey(std::string_view keyPath);

  // The key must exist; a value of the same name (in any case) is replaced.
  static bool m_setValue(std::string_view keyPath, std::string_view valueName, const c_registryValue& value);
  static bool m_getValue(std::string_view keyPath, std::string_view valueName, c_registryValue& value);
  static bool m_deleteValue(std::string_view keyPath, std::string_view valueName);

  static bool m_subKeys(std::string_view keyPath, std::vector<std::string>& names);
  static bool m_values(std::string_view keyPath, std::vector<std::pair<std::string, c_registryValue>>& values);

  // Where the tree lives: <state folder>/registry; false without a state folder.
  static bool m_rootDirectory(std::string& folder);
};

// Case-insensitive comparison of ASCII names, as the registry and the event log compare them.
bool c_equalsIgnoringCase(std::string_view left, std::string_view right);
