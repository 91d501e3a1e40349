#pragma once
// A temporary installation for the tracking tests: TM_HOME and XDG_STATE_HOME in
// a fresh folder, the configuration of TM32 started on it, events captured, the
// clock fixed at 2024-05-02 12:03:07 UTC and the local zone two hours ahead of
// UTC, so that records show 14:03:07.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "tests/support/c_temphome.h"
#include "tests/support/fixed_clock.h"

class CTM_trackingTest : public ::testing::Test {
 protected:
  static constexpr std::time_t fixedNow = 1714651387;  // 2024-05-02 12:03:07 UTC
  static constexpr const char* localNowText = "2024-05-02 14:03:07";
  using c_parameters = std::vector<std::pair<std::string, std::string>>;

  void SetUp() override {
    installation_ = std::make_unique<c_tempHome>();
    home_ = installation_->m_path();
    const char* zone = std::getenv("TZ");
    if (zone) savedZone_ = zone;
    ::setenv("TZ", "XXX-2", 1);
    ::tzset();
    CTM_logging::m_resetForTest();
    CTM_logging::m_init("");
    CTM_logging::m_setSink(&recorder_);
    useParameters({});
  }

  void TearDown() override {
    CTM_config::m_resetForTest();
    CTM_logging::m_setSink(nullptr);
    CTM_logging::m_resetForTest();
    if (savedZone_) ::setenv("TZ", savedZone_->c_str(), 1); else ::unsetenv("TZ");
    ::tzset();
    installation_.reset();
  }

  // Starts the configuration anew with these string parameters.
  void useParameters(const c_parameters& parameters) {
    std::vector<std::string> lines;
    for (const auto& [name, value] : parameters) lines.push_back(c_parameterLine("P", name, "", "S", value));
    installation_->m_writeConfig(lines);
    installation_->m_writeSystem("TM32", {});
    CTM_config::m_resetForTest();
    ASSERT_TRUE(CTM_config::m_init("TM32"));
    recorder_.m_clear();
  }

  // Changes a parameter that useParameters declared.
  static void setParameter(const std::string& name, const std::string& value) {
    ASSERT_TRUE(CTM_config::m_setString(name, value));
  }

  std::filesystem::path segmentFolder(const std::string& tm = "TM32", const std::string& ls = "LS001") const {
    return home_ / "run" / "log" / tm / ls;
  }

  static std::string contentsOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  static std::vector<std::string> linesOf(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::istringstream in(contentsOf(file));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  static void writeFile(const std::filesystem::path& file, const std::string& contents) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << contents;
  }

  std::unique_ptr<c_tempHome> installation_;
  std::filesystem::path home_;
  c_fixedClock clock_{fixedNow};
  CTM_eventRecorder recorder_;

 private:
  std::optional<std::string> savedZone_;
};
