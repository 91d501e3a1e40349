#pragma once
// Whether the program checks dynamic types as it runs (the undefined-behaviour
// sanitizer's check of virtual calls and downcasts). That checker opens
// descriptors of its own while it checks, so a test that leaves the process
// without descriptors on purpose cannot run under it.

extern "C" void __ubsan_handle_dynamic_type_cache_miss_abort() __attribute__((weak));

inline bool c_checksDynamicTypes() { return &__ubsan_handle_dynamic_type_cache_miss_abort != nullptr; }
