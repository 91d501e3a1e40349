#pragma once
// c_foreignZone: runs a test in a time zone far from UTC, with summer time, and
// restores the zone afterwards, so that a local-time conversion where UTC is
// meant shows up as a shifted value.

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

class c_foreignZone {
 public:
  explicit c_foreignZone(const char* zone = "EST5EDT,M3.2.0,M11.1.0") {
    if (const char* saved = std::getenv("TZ")) saved_ = saved;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~c_foreignZone() {
    if (saved_)
      setenv("TZ", saved_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  c_foreignZone(const c_foreignZone&) = delete;
  c_foreignZone& operator=(const c_foreignZone&) = delete;

 private:
  std::optional<std::string> saved_;
};
