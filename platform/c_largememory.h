#pragma once
// Advice for large buffers that are about to be filled: back them with huge pages
// where the system offers them. The id index of a large plant is tens of megabytes
// touched at random; on huge pages its lookups miss the address cache far less, and
// on a virtual machine every first touch of a small page is a costly fault.

#include <cstddef>

// Advises the whole pages inside [data, data + size); nothing happens for a buffer
// smaller than a huge page, or where the system takes no such advice.
void c_adviseHugePages(void* data, std::size_t size);
