#include "tests/support/c_temphome.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

const char* const c_tempHome::configHeader[2] = {
    "Transport Manager - shared configuration parameters (read only; one file for every TM instance)",
    "Kind\tName\tIndex\tType\tValue\tUnit\tGroup\tText3\tText4\tMinimum\tMaximum\tDefault\tDescription"};

namespace {

std::optional<std::string> environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

void restore(const char* name, const std::optional<std::string>& value) {
  if (value)
    ::setenv(name, value->c_str(), 1);
  else
    ::unsetenv(name);
}

std::string joinLines(const std::vector<std::string>& lines) {
  std::string content;
  for (const std::string& line : lines) content += line + "\r\n";
  return content;
}

}  // namespace

c_tempHome::c_tempHome() {
  std::filesystem::path base = std::filesystem::temp_directory_path();
  std::string pattern = (base / "tm-home-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed for " + pattern);
  root_ = pattern;
  for (const char* folder : {"run/cfg", "run/log", "run/bin", "state"})
    std::filesystem::create_directories(m_pathOf(folder));
  savedHome_ = environmentValue("TM_HOME");
  savedState_ = environmentValue("XDG_STATE_HOME");
  ::setenv("TM_HOME", root_.c_str(), 1);
  ::setenv("XDG_STATE_HOME", m_pathOf("state").c_str(), 1);
}

c_tempHome::~c_tempHome() {
  restore("TM_HOME", savedHome_);
  restore("XDG_STATE_HOME", savedState_);
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

void c_tempHome::m_writeConfig(const std::vector<std::string>& lines) const {
  m_writeFile(configFileName, std::string(configHeader[0]) + "\r\n" + configHeader[1] + "\r\n" + joinLines(lines));
}

void c_tempHome::m_writeSystem(const std::string& tmName, const std::vector<std::string>& lines) const {
  m_writeFile(m_systemFileName(tmName), joinLines(lines));
}

void c_tempHome::m_writeFile(const std::string& relative, const std::string& content) const {
  std::filesystem::path path = m_pathOf(relative);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::optional<std::string> c_tempHome::m_readFile(const std::string& relative) const {
  std::ifstream in(m_pathOf(relative), std::ios::binary);
  if (!in) return std::nullopt;
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool c_tempHome::m_exists(const std::string& relative) const {
  return std::filesystem::exists(m_pathOf(relative));
}

std::string c_parameterLine(const std::string& kind, const std::string& name, const std::string& index,
                            const std::string& type, const std::string& value, const std::string& minimum,
                            const std::string& maximum) {
  return kind + "\t" + name + "\t" + index + "\t" + type + "\t" + value + "\t\t\t\t\t" + minimum + "\t" + maximum +
         "\t\t";
}
