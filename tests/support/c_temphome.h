#pragma once
// c_tempHome: a temporary TM installation for one test. It creates a folder with
// run/cfg, run/log and run/bin, points TM_HOME at it and XDG_STATE_HOME at its
// "state" folder, and on destruction restores both variables and removes it all.
//
//   c_tempHome home;
//   home.m_writeConfig({c_parameterLine("P", "MT00_Interval", "", "I", "30")});
//   home.m_writeSystem("TM32", {c_parameterLine("P", "TM__Port", "100", "I", "4711")});

#include <optional>
#include <string>
#include <vector>

class c_tempHome {
 public:
  c_tempHome();
  ~c_tempHome();
  c_tempHome(const c_tempHome&) = delete;
  c_tempHome& operator=(const c_tempHome&) = delete;

  // The installation root (the value of TM_HOME).
  const std::string& m_path() const { return root_; }
  // A path below the root, e.g. m_pathOf("run/cfg/topology.xml").
  std::string m_pathOf(const std::string& relative) const { return root_ + "/" + relative; }

  // run/cfg/tm_config_parameter.txt: its two header lines, then the given lines, CR LF ended.
  void m_writeConfig(const std::vector<std::string>& lines) const;
  // run/cfg/tm_system_parameter-<tmName>.txt: the given lines, CR LF ended.
  void m_writeSystem(const std::string& tmName, const std::vector<std::string>& lines) const;
  // Any file below the root, byte for byte; missing folders are created.
  void m_writeFile(const std::string& relative, const std::string& content) const;
  // The whole content of a file below the root; nothing when it cannot be read.
  std::optional<std::string> m_readFile(const std::string& relative) const;
  bool m_exists(const std::string& relative) const;

  static std::string m_systemFileName(const std::string& tmName) {
    return "run/cfg/tm_system_parameter-" + tmName + ".txt";
  }
  static constexpr const char* configFileName = "run/cfg/tm_config_parameter.txt";
  static const char* const configHeader[2];

 private:
  std::string root_;
  std::optional<std::string> savedHome_;
  std::optional<std::string> savedState_;
};

// One parameter-file line of 13 columns; the columns not given are empty.
std::string c_parameterLine(const std::string& kind, const std::string& name, const std::string& index,
                            const std::string& type, const std::string& value, const std::string& minimum = "",
                            const std::string& maximum = "");
