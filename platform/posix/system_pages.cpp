// POSIX implementation of the page blocks: anonymous mmap, trimmed to the huge-page
// alignment where asked, with madvise(MADV_HUGEPAGE) where the system knows it.
#include <sys/mman.h>

#include <cstdint>

#include "platform/pages.h"

namespace ovr::sys {

void *AllocatePages(std::size_t size) {
  if (size == 0) return nullptr;
  bool huge = size % kHugePageSize == 0;
  // Over-allocate by the alignment and give back the ends, so the block starts on a huge
  // page boundary: only whole aligned huge pages can be backed by one.
  std::size_t mapped = huge ? size + kHugePageSize : size;
  void *p = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  if (!huge) return p;
  auto start = reinterpret_cast<std::uintptr_t>(p);
  std::uintptr_t aligned = (start + kHugePageSize - 1) & ~(std::uintptr_t{kHugePageSize} - 1);
  if (aligned > start) munmap(p, aligned - start);
  std::uintptr_t tail = start + mapped - (aligned + size);
  if (tail > 0) munmap(reinterpret_cast<void *>(aligned + size), tail);
#ifdef MADV_HUGEPAGE
  // Only advice: where huge pages are off the block works with ordinary pages.
  madvise(reinterpret_cast<void *>(aligned), size, MADV_HUGEPAGE);
#endif
  return reinterpret_cast<void *>(aligned);
}

void FreePages(void *block, std::size_t size) {
  if (block != nullptr) munmap(block, size);
}

}  // namespace ovr::sys
