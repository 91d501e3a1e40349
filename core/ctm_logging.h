#pragma once
// CTM_logging: the TM's events and telegram texts, written per thread under the
// event source of the thread's category. All state is static; every operation
// holds the configuration mutex (shared with CTM_config), so it is safe to call
// from any thread, and it nests with configuration look-ups on the same thread.

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "tm_events.h"

// What logging needs of a telegram; the telegram base implements it, so that
// logging does not depend on the telegram layer.
class CTM_loggableTelegram {
 public:
  virtual ~CTM_loggableTelegram() = default;
  virtual bool m_isValid() const = 0;
  virtual std::string m_getId() const = 0;         // source + destination + type, "TCTM01"
  virtual std::string m_asString() const = 0;      // the readable form
  virtual std::string m_getErrorText() const = 0;  // what is wrong with an invalid telegram
};

// One event as it is handed to the event log.
struct CTM_loggedEvent {
  std::string source;                // "TM32_CORE", "UTIL", ...
  int type = 0;                      // 1 error, 2 warning, 4 information, 8 audit success, 16 audit failure
  int category = 0;                  // 0 raw telegrams and statistics, 1 events, 2 readable telegrams
  unsigned id = 0;
  std::vector<std::string> strings;  // the insertion strings
};

// Where written events go. The default writes to the event log; tests put an
// in-memory recorder in its place.
class CTM_logSink {
 public:
  virtual ~CTM_logSink() = default;
  virtual bool m_write(const CTM_loggedEvent& event) = 0;
};

// In-memory sink that tests read to check ids, severities and arguments.
// Safe to use from several threads.
class CTM_eventRecorder : public CTM_logSink {
 public:
  bool m_write(const CTM_loggedEvent& event) override;
  std::vector<CTM_loggedEvent> m_events() const;
  std::vector<CTM_loggedEvent> m_eventsWithId(unsigned id) const;
  std::size_t m_count(unsigned id) const;
  void m_clear();
  // Makes every later write fail, for the paths where the event log refuses one.
  void m_setFailing(bool failing);

 private:
  mutable std::mutex mutex_;  // guards events_ and failing_
  std::vector<CTM_loggedEvent> events_;
  bool failing_ = false;
};

// One argument of a logging call, taken by the letter that describes it.
class CTM_logArgument {
 public:
  enum class c_kind { integer, real, text };
  template <typename T>
    requires std::is_integral_v<T>
  CTM_logArgument(T value) : kind_(c_kind::integer), integer_(static_cast<std::int64_t>(value)) {}
  template <typename T>
    requires std::is_floating_point_v<T>
  CTM_logArgument(T value) : kind_(c_kind::real), real_(static_cast<double>(value)) {}
  CTM_logArgument(const char* value) : kind_(c_kind::text), text_(value ? value : "") {}
  CTM_logArgument(const std::string& value) : kind_(c_kind::text), text_(value) {}
  CTM_logArgument(std::string_view value) : kind_(c_kind::text), text_(value) {}

  // The insertion string for the letter: "i" "%i", "c" "%c", "f" "%f", "s" "%s".
  std::string m_format(char letter) const;

 private:
  c_kind kind_;
  std::int64_t integer_ = 0;
  double real_ = 0;
  std::string_view text_;
};

class CTM_logging {
 public:
  static constexpr int categoryCount = 25;
  static const char* const categoryNames[categoryCount];

  static bool m_init(const std::string& tmName);
  static bool m_registerThread(const std::string& name, const std::string& categoryPrefix);
  static bool m_unregisterThread();

  // severity 1 error .. 5; argTypes one letter per argument ("i", "s", "c", "f").
  template <typename... Args>
  static bool m_log(int severity, unsigned eventId, const char* argTypes, const Args&... args) {
    const CTM_logArgument arguments[] = {CTM_logArgument(args)..., CTM_logArgument(0)};
    return m_logArguments(severity, eventId, argTypes, arguments, sizeof...(Args));
  }
  static bool m_logNoArgs(int severity, unsigned eventId) { return m_logArguments(severity, eventId, "", nullptr, 0); }

  static bool m_logTelegram(const CTM_loggableTelegram* telegram);
  static bool m_logTelegramText(bool received, const std::string& category, const std::string& text);
  static bool m_logStatistics(const std::string& name, long startValue, long newValue, long duration);

  // Replaces the event log as the destination of events (nullptr restores it).
  static void m_setSink(CTM_logSink* sink);
  // Forgets the initialisation, the TM name and every thread record (tests only).
  static void m_resetForTest();

 private:
  static bool m_logArguments(int severity, unsigned eventId, const char* argTypes,
                             const CTM_logArgument* arguments, std::size_t count);
};
