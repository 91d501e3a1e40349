#pragma once
// Free space of the file system that holds a path.

#include <string>

// Free blocks (those an unprivileged writer may use) divided by all blocks, times
// 100, truncated; false when the file system cannot be queried.
bool c_diskFreePercent(const std::string& path, int& percent);
