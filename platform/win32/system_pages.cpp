// Windows implementation of the page blocks: VirtualAlloc reserves and commits whole
// allocation-granularity (64 KiB) regions. Large pages need a privilege that ordinary
// processes lack, so they are not asked for.
#include "platform/pages.h"
#include "platform/win32/win32.h"

namespace ovr::sys {

void *AllocatePages(std::size_t size) {
  if (size == 0) return nullptr;
  return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreePages(void *block, std::size_t /*size*/) {
  if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace ovr::sys
