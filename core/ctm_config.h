#pragma once
// CTM_config: the typed parameters of the TM instance, read from the shared
// parameter file "tm_config_parameter.txt" and the instance's own
// "tm_system_parameter-<TM name>.txt" under $TM_HOME/run/cfg. There is one store
// per process; all state is static.
// Every operation is safe to call from any thread: each holds the process-wide
// recursive configuration mutex (shared with logging) for its whole run. An entry
// pointer handed out stays valid for the life of the process.

#include <cstdint>
#include <string>

#include "core/c_syncObject.h"
#include "core/ctm_config_entry.h"

class CTM_config {
 public:
  static constexpr int indexSlots = 10000;  // indexes below this are found through a table

  // Runs the start-up and ignores its result, as the store is static.
  explicit CTM_config(const std::string& tmName) { m_init(tmName); }

  // Start-up: true when the store is initialised (also when it already was).
  static bool m_init(const std::string& tmName);
  static bool m_readParameterFile();
  // Re-reads the shared file into the entries that came from it.
  static bool m_reloadConfigParameterFile();
  // Replaces the system file with the system entries; the previous file becomes ".bak".
  static bool m_writeSystemParameterFile();
  static bool m_isInitialised();
  static std::string m_getHomePath();
  // The one lock of the configuration and the logging.
  static c_mutex& m_getMutex();
  // Moves on with every write, add, reset, reading or reloading of a file and
  // reset of the store, once the change is made and before the mutex is given
  // back; a value read under the mutex stays current while this stays the same.
  // Writes made through an entry pointer outside these operations do not move it.
  // Safe to read from any thread without the mutex.
  static std::uint64_t m_changeCount();

  // By name: true when done.
  static bool m_getBool(const std::string& name, bool& out);
  static bool m_getInteger(const std::string& name, int& out);
  static bool m_getLong(const std::string& name, long& out);
  static bool m_getReal(const std::string& name, double& out);
  static bool m_getString(const std::string& name, std::string& out);
  static bool m_setBool(const std::string& name, bool value);
  static bool m_setInteger(const std::string& name, int value);
  static bool m_setLong(const std::string& name, long value);
  static bool m_setReal(const std::string& name, double value);
  static bool m_setString(const std::string& name, const std::string& value);
  static bool m_addToInteger(const std::string& name, int delta);
  static bool m_addToLong(const std::string& name, long delta);

  // By index: 1 done, 0 no entry with that index, -1 refused. kind 0 accepts any
  // kind, 1 to 4 require parameter, command, status or timing.
  static int m_getBoolByIndex(int index, bool& out, int kind);
  static int m_getIntegerByIndex(int index, int& out, int kind);
  static int m_getLongByIndex(int index, long& out, int kind);
  static int m_getRealByIndex(int index, double& out, int kind);
  static int m_getStringByIndex(int index, std::string& out, int kind);
  static int m_setBoolByIndex(int index, bool value, int kind);
  static int m_setIntegerByIndex(int index, int value, int kind);
  static int m_setLongByIndex(int index, long value, int kind);
  static int m_setRealByIndex(int index, double value, int kind);
  static int m_setStringByIndex(int index, const std::string& value, int kind);
  static int m_addToIntegerByIndex(int index, int delta);
  static int m_addToLongByIndex(int index, long delta);
  static int m_resetValue(int index, int kind);

  // Null when not initialised, when there is no such entry or when kind is not 0 and differs.
  static CTM_config_entry* m_getEntry(const std::string& name, int kind);
  static CTM_config_entry* m_getEntryByIndex(int index, int kind);

  // The next entry of the type after the cursor, in index order (indexes 0 to 9999).
  // Start with a negative cursor and call again with the same cursor until false.
  static bool m_getNextBool(int& cursor, int& foundIndex, bool& out, int kind);
  static bool m_getNextInteger(int& cursor, int& foundIndex, int& out, int kind);
  static bool m_getNextLong(int& cursor, int& foundIndex, long& out, int kind);
  static bool m_getNextReal(int& cursor, int& foundIndex, double& out, int kind);
  static bool m_getNextString(int& cursor, int& foundIndex, std::string& out, int kind);

  // Lookups for callers that hold the mutex; they report a missing entry.
  static CTM_config_entry* m_findEntry(const std::string& name);
  static CTM_config_entry* m_findEntryByIndex(int index);

  // Returns the store to its state at program load (tests only).
  static void m_resetForTest();
};
