// Memory taken straight from the system in large blocks, for allocators that carve many
// small records out of them. Every backend implements these for real.
#pragma once

#include <cstddef>

namespace ovr::sys {

// The block size from which the system may back memory with huge pages (2 MiB).
constexpr std::size_t kHugePageSize = std::size_t{2} << 20;

// A new block of `size` bytes (a multiple of 64 KiB), zero-filled, readable and writable,
// aligned to at least 64 KiB. Where the system gives ordinary processes huge pages, a block
// of a multiple of kHugePageSize is aligned to them and offered them, so that filling it
// costs a few page faults instead of one per page. NULL when the system refuses.
void *AllocatePages(std::size_t size);

// Gives back a block of AllocatePages; `size` is the size it was allocated with.
void FreePages(void *block, std::size_t size);

}  // namespace ovr::sys
