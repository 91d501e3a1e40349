#pragma once

#include <string>

// The system's text for an errno value ("No such file or directory"); thread-safe.
std::string c_systemErrorText(int error);
