#pragma once
// Advice to the system about large memory: a table that a large plant fills, a view
// file of hundreds of megabytes. On a virtual machine every first touch of a page
// that the system has to find afresh is a costly fault.

#include <cstddef>
#include <string>

// Advises the whole pages inside [data, data + size); nothing happens for a buffer
// smaller than a huge page, or where the system takes no such advice.
void c_adviseHugePages(void* data, std::size_t size);

// Lets the system drop what it caches of the file's content; the file stays as it
// is. A large file about to be replaced by a new one hands its memory over to the
// new one, which the system otherwise has to find afresh. Only advice: nothing
// happens where the file is missing or the system takes no such advice.
void c_releaseCachedFile(const std::string& path);
