#pragma once
// The environment as the TM's stand-ins for the machine state read it.

#include <string>
#include <string_view>

// A variable's value; false when it is unset or empty (an empty TM_HOME must never
// turn into paths under "/run").
bool c_getEnvironment(const char* name, std::string& value);

// Expands every %NAME% from the environment; false when a named variable is unset
// or empty, so that the caller never uses a path with a missing root. "%%" stays.
bool c_expandEnvironment(std::string_view text, std::string& out);

// Makes a relative value of the variable absolute against the working
// directory, so that every path made of it names one place: a store path
// expanded from it must be absolute, a trace path need not be. It changes the
// environment: before any thread starts. False when the working directory
// cannot be read; an unset or empty variable stays so.
bool c_makeVariableAbsolute(const char* name);

// The folder of the emulated machine state: ${XDG_STATE_HOME:-$HOME/.local/state}/tm
// (a relative XDG_STATE_HOME is ignored, as the base-directory rules ask). False
// when neither gives an absolute folder.
bool c_stateDirectory(std::string& folder);

// Creates the folder and its missing parents (mode 0755); true when it exists afterwards.
bool c_makeDirectories(const std::string& folder);
