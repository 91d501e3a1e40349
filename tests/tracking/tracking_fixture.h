#pragma once
// A temporary installation for the tracking tests: TM_HOME and XDG_STATE_HOME in
// a fresh folder, events captured, the clock fixed at 2024-05-02 12:03:07 UTC
// and the local zone two hours ahead of UTC, so that records show 14:03:07.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/ctm_config.h"
#include "core/ctm_logging.h"
#include "platform/c_clock.h"

class CTM_trackingTest : public ::testing::Test {
 protected:
  static constexpr std::time_t fixedNow = 1714651387;  // 2024-05-02 12:03:07 UTC
  static constexpr const char* localNowText = "2024-05-02 14:03:07";

  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "tm_tracking_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    home_ = root_ / "home";
    std::filesystem::create_directories(home_);
    std::filesystem::create_directories(root_ / "state");
    ::setenv("TM_HOME", home_.c_str(), 1);
    ::setenv("XDG_STATE_HOME", (root_ / "state").c_str(), 1);
    const char* zone = std::getenv("TZ");
    savedZone_ = zone ? std::optional<std::string>(zone) : std::nullopt;
    ::setenv("TZ", "XXX-2", 1);
    ::tzset();
    CTM_logging::m_init("");
    CTM_logging::m_setSink(&recorder_);
    CTM_config::m_clearForTest();
    c_clock::m_fixUtc(fixedNow);
  }

  void TearDown() override {
    c_clock::m_useSystemClocks();
    CTM_config::m_clearForTest();
    CTM_logging::m_setSink(nullptr);
    CTM_logging::m_resetForTest();
    if (savedZone_) ::setenv("TZ", savedZone_->c_str(), 1); else ::unsetenv("TZ");
    ::tzset();
    ::unsetenv("TM_HOME");
    ::unsetenv("XDG_STATE_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }

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

  std::filesystem::path root_;
  std::filesystem::path home_;
  CTM_eventRecorder recorder_;

 private:
  std::optional<std::string> savedZone_;
};
