#include "platform/c_largememory.h"

#include <sys/mman.h>

#include <cstdint>

namespace {
constexpr std::uintptr_t hugePageSize = std::uintptr_t(2) << 20;
}  // namespace

void c_adviseHugePages(void* data, std::size_t size) {
#ifdef MADV_HUGEPAGE
  auto begin = reinterpret_cast<std::uintptr_t>(data);
  std::uintptr_t first = (begin + hugePageSize - 1) & ~(hugePageSize - 1);
  std::uintptr_t last = (begin + size) & ~(hugePageSize - 1);
  if (last <= first) return;
  // Only advice: a refusal leaves the buffer as it was.
  ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}
