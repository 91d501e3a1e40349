#pragma once
// The kernel's id of the calling thread, as the event records show it.

#include <cstdint>

std::int32_t c_currentThreadId();
