#pragma once
// CTM_logging: the TM's events and telegram texts, written per thread under the
// event source of the thread's category. All state is static and safe to call
// from any thread. The state is guarded by the configuration mutex
// (CTM_config::m_getMutex), which nests with configuration look-ups on the same
// thread. A registered thread keeps its own category and level, and uses them
// without the mutex until a record, the sources or (for a level from the
// configuration) the configuration change; events go to the event log outside the
// mutex, one whole record at a time.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/c_annotatedmutex.h"
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
  mutable c_annotatedMutex mutex_;
  std::vector<CTM_loggedEvent> events_ TM_GUARDED_BY(mutex_);
  bool failing_ TM_GUARDED_BY(mutex_) = false;
};

// One argument of a logging call, kept by reference until its insertion string is made.
class CTM_logArgument {
 public:
  enum class c_kind { none, integer, unsignedInteger, character, real, text };

  CTM_logArgument() = default;
  template <typename T>
    requires std::is_integral_v<T>
  CTM_logArgument(T value) {
    if constexpr (std::is_same_v<T, char>) {
      kind_ = c_kind::character;
      integer_ = static_cast<unsigned char>(value);
    } else if constexpr (std::is_unsigned_v<T> && sizeof(T) >= sizeof(std::int64_t)) {
      kind_ = c_kind::unsignedInteger;
      unsigned_ = value;
    } else {
      kind_ = c_kind::integer;
      integer_ = static_cast<std::int64_t>(value);
    }
  }
  template <typename T>
    requires std::is_enum_v<T>
  CTM_logArgument(T value) : kind_(c_kind::integer), integer_(static_cast<std::int64_t>(value)) {}
  template <typename T>
    requires std::is_floating_point_v<T>
  CTM_logArgument(T value) : kind_(c_kind::real), real_(static_cast<double>(value)) {}
  CTM_logArgument(const char* value) : kind_(c_kind::text), text_(value ? value : "") {}
  CTM_logArgument(const std::string& value) : kind_(c_kind::text), text_(value) {}
  CTM_logArgument(std::string_view value) : kind_(c_kind::text), text_(value) {}

  // The insertion string for the letter: "i" a decimal integer (all 64 bits), "c"
  // one character, "f" as "%f", "s" the text cut to 32,767 characters. An argument
  // that does not fit its letter (possible only with letters chosen at run time)
  // is written in its own form.
  std::string m_format(char letter) const;

 private:
  c_kind kind_ = c_kind::none;
  std::int64_t integer_ = 0;
  std::uint64_t unsigned_ = 0;
  double real_ = 0;
  std::string_view text_;
};

namespace ctm_logging_detail {

enum class c_argumentKind { integer, character, real, text, other };

template <typename T>
consteval c_argumentKind kindOf() {
  using U = std::remove_cvref_t<T>;
  if constexpr (std::is_same_v<U, char>) return c_argumentKind::character;
  else if constexpr (std::is_integral_v<U> || std::is_enum_v<U>) return c_argumentKind::integer;
  else if constexpr (std::is_floating_point_v<U>) return c_argumentKind::real;
  else if constexpr (std::is_same_v<U, std::nullptr_t>) return c_argumentKind::other;
  else if constexpr (std::is_convertible_v<const U&, std::string_view>) return c_argumentKind::text;
  else return c_argumentKind::other;
}

constexpr bool takesArgument(char letter) { return letter == 'i' || letter == 's' || letter == 'c' || letter == 'f'; }

constexpr bool letterTakes(char letter, c_argumentKind kind) {
  switch (letter) {
    case 'i':
    case 'c': return kind == c_argumentKind::integer || kind == c_argumentKind::character;
    case 'f': return kind == c_argumentKind::real;
    case 's': return kind == c_argumentKind::text;
    default: return false;
  }
}

inline constexpr std::size_t maximumLetters = 20;

// Not constexpr: reaching one of them while checking letters at compile time is
// the compile error that names the fault.
void argument_does_not_fit_its_letter();
void fewer_arguments_than_letters_i_s_c_f();
void more_arguments_than_letters_i_s_c_f();

}  // namespace ctm_logging_detail

// Argument letters chosen at run time; their arguments are checked as they are formatted.
struct CTM_runtimeLetters {
  const char* letters;
};

// The argument letters of a logging call, checked against the argument types at
// compile time: "i" takes integers and enumerators, "c" a char or an integer, "f"
// a floating-point number, "s" a text (const char*, std::string, std::string_view);
// any other letter takes no argument; letters after the 20th are ignored.
template <typename... Args>
class CTM_logLetters {
 public:
  template <typename T>
    requires std::is_convertible_v<const T&, std::string_view>
  consteval CTM_logLetters(const T& letters) : letters_(letters) {
    using namespace ctm_logging_detail;
    constexpr c_argumentKind kinds[] = {kindOf<Args>()..., c_argumentKind::other};
    std::size_t used = 0;
    for (std::size_t i = 0; i < letters_.size() && i < maximumLetters; ++i) {
      if (!takesArgument(letters_[i])) continue;
      if (used == sizeof...(Args)) fewer_arguments_than_letters_i_s_c_f();
      if (!letterTakes(letters_[i], kinds[used])) argument_does_not_fit_its_letter();
      ++used;
    }
    if (used != sizeof...(Args)) more_arguments_than_letters_i_s_c_f();
  }
  CTM_logLetters(CTM_runtimeLetters letters) : letters_(letters.letters ? letters.letters : "") {}

  std::string_view m_get() const { return letters_; }

 private:
  std::string_view letters_;
};

// Like std::format_string: the letters' type does not take part in deducing Args.
template <typename... Args>
using CTM_logFormat = CTM_logLetters<std::type_identity_t<Args>...>;

class CTM_logging {
 public:
  static constexpr int categoryCount = 25;
  static const char* const categoryNames[categoryCount];

  static bool m_init(const std::string& tmName);
  static bool m_registerThread(const std::string& name, const std::string& categoryPrefix);
  static bool m_unregisterThread();

  // severity 1 error, 2 warning, 3 information, 4 and 5 finer; written when
  // 1 <= severity <= the calling thread's level.
  template <typename... Args>
  static bool m_log(int severity, unsigned eventId, CTM_logFormat<Args...> argTypes, const Args&... args) {
    const CTM_logArgument arguments[] = {CTM_logArgument(args)..., CTM_logArgument()};
    return m_logArguments(severity, eventId, argTypes.m_get(), arguments, sizeof...(Args));
  }
  static bool m_logNoArgs(int severity, unsigned eventId) { return m_logArguments(severity, eventId, "", nullptr, 0); }

  static bool m_logTelegram(const CTM_loggableTelegram* telegram);
  static bool m_logTelegramText(bool received, const std::string& category, const std::string& text);
  static bool m_logStatistics(const std::string& name, long startValue, long newValue, long duration);

  // Receives every event that could not be written (nullptr: none does). A program
  // that reports its failures only as events sets one, so that the reason for a
  // failure is not lost with an unwritable event log.
  static void m_setFallback(CTM_logSink* sink);
  // Replaces the event log as the destination of events (nullptr restores it).
  static void m_setSink(CTM_logSink* sink);
  // An event's text from the event-message table, with its insertion strings
  // escaped (they may come from outside); "event 0x..." for an id it lacks.
  static std::string m_eventText(unsigned eventId, const std::vector<std::string>& strings);
  // Forgets the initialisation, the TM name and every thread record (tests only).
  static void m_resetForTest();

  // While one lives on a thread, that thread's events for the event log are held
  // back, and the outermost one writes them when it ends: in their order, with
  // one turn of the log's store instead of one per event. For a step that logs
  // several events in a row (a telegram sent) on a thread that must not queue at
  // the store for each. The level filter decides at once as always; a test sink
  // takes each event at once; one that cannot be written reaches the fallback.
  class c_writeTogether {
   public:
    c_writeTogether();
    ~c_writeTogether();
    c_writeTogether(const c_writeTogether&) = delete;
    c_writeTogether& operator=(const c_writeTogether&) = delete;
  };

  // While one lives on a thread, the error events that thread logs are kept in it
  // as well, whether the event log took them or not (the innermost one keeps
  // them): for a program that names the reason of a failed step on its standard
  // error too. Only its own thread uses it.
  class c_errorWatch {
   public:
    c_errorWatch();
    ~c_errorWatch();
    c_errorWatch(const c_errorWatch&) = delete;
    c_errorWatch& operator=(const c_errorWatch&) = delete;

    // In the order logged; the source is not kept.
    const std::vector<CTM_loggedEvent>& m_errors() const { return errors_; }
    void m_keep(CTM_loggedEvent event) { errors_.push_back(std::move(event)); }

   private:
    c_errorWatch* outer_;
    std::vector<CTM_loggedEvent> errors_;
  };

 private:
  static bool m_logArguments(int severity, unsigned eventId, std::string_view argTypes,
                             const CTM_logArgument* arguments, std::size_t count);
};
