// Blocks for packed rows, carved out of large page blocks instead of one heap allocation
// each: a million rows then cost a few dozen page faults (huge pages where the system has
// them) instead of tens of thousands, and no heap header or rounding per row.
#pragma once

#include <cstddef>

namespace corbel::dictionary {

// A block of at least `size` bytes, 8-byte aligned, or NULL when `size` is beyond the
// arena's largest block or memory runs out (the caller then uses the heap).
void *AllocateRowBlock(std::size_t size);

// Size of the arena block that holds `block` (at least what was asked for); 0 when
// `block` is not in the arena.
std::size_t RowBlockSize(const void *block);

// Gives `block` back to the arena when it came from AllocateRowBlock and returns true;
// false (and nothing done) for any other address.
bool ReleaseRowBlock(void *block);

}  // namespace corbel::dictionary
