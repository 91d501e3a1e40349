#pragma once
// c_readRegularFile: reads a whole file named from outside (by a document, by an
// installation) only when it is a regular file of at most `limit` bytes. A
// directory, FIFO, device or socket is refused without being opened, and the
// open itself never waits for a FIFO's writer, so no name can make the caller
// block or read without end. Safe to call from any thread.

#include <cstdint>
#include <string>

// False (content left empty) when the file is missing, not a regular file, larger
// than `limit` or cannot be read. With `followLink` false a link as the last
// component of the path is refused too.
bool c_readRegularFile(const std::string& path, std::uint64_t limit, std::string& content, bool followLink = true);
