// Rows as the framework passes them around.
//
// A row is either made of separate allocations (the record, the two arrays, one per value)
// or packed: the record, the value array, the length array and the values, all in one
// block of the row arena, which knows each block's size; a packed row on the heap (when the
// arena cannot serve it) holds one more length behind its lengths, the size of its block.
// Tables of a million rows need the packed form to stay small. A packed row is recognised by its
// arrays sitting right behind the record; values placed later (updates, generated keys) are
// separate allocations and are freed one by one as usual.
#include <corbel/rowobject.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>

#include <corbel/dictionary.h>
#include <corbel/log.h>

#include "row_arena.h"

namespace {

bool IsPacked(const RowObject *row, int32_t columnCount) {
  return columnCount > 0 && row->values == reinterpret_cast<void *const *>(row + 1) &&
         row->lengths == reinterpret_cast<const int32_t *>(row->values + columnCount);
}

// Size of the packed block of `row`; 0 for a row that is not packed.
std::size_t BlockSize(const RowObject *row, int32_t columnCount) {
  if (!IsPacked(row, columnCount)) return 0;
  std::size_t size = corbel::dictionary::RowBlockSize(row);
  return size != 0 ? size : static_cast<std::size_t>(row->lengths[columnCount]);
}

// True when `value` lies inside the first `blockSize` bytes from `row`.
bool InBlock(const RowObject *row, std::size_t blockSize, const void *value) {
  auto *begin = reinterpret_cast<const char *>(row);
  auto *p = static_cast<const char *>(value);
  return p >= begin && p < begin + blockSize;
}

constexpr std::size_t AlignUp(std::size_t n, std::size_t a) {
  return (n + a - 1) / a * a;
}

// Dates refer to themselves: they are copied on their own, never packed.
bool IsDateType(uint8_t type) {
  return type == ZEL_SQL_DATE || type == ZEL_SQL_TIME || type == ZEL_SQL_DATETIME;
}

// Where one value of a packed row goes.
struct Slot {
  std::size_t align;   // the value's alignment, or 0 when it is not packed
  std::size_t size;    // bytes it takes
  std::size_t offset;  // from the start of the row's block
};

// Fills the slots of the `n` values and lays them out from offset `start`, widest alignment
// first so that padding costs the fewest bytes; returns the end offset. Texts and other
// values of free length keep a terminating 0; a number of exactly its type's width is only
// ever read as that number and needs none. When the start is 4 bytes short of an 8-byte
// boundary and 8-byte values follow, one 4-byte value goes first to fill the gap.
std::size_t LayOut(std::size_t n, const void *const *values, const int32_t *lengths,
                   const uint8_t *types, std::size_t start, Slot *slots) {
  bool wide = false;
  for (std::size_t i = 0; i < n; ++i) {
    Slot &slot = slots[i];
    int32_t width = GetTypeValueWidth(types[i]);
    bool fixed = width == 1 || width == 2 || width == 4 || width == 8;
    slot.align = 0;
    if (values[i] != nullptr && lengths[i] >= 0 && !IsDateType(types[i]))
      slot.align = fixed && width != 1 ? static_cast<std::size_t>(width) : 1;
    bool number = fixed && width == lengths[i];
    slot.size = static_cast<std::size_t>(lengths[i]) + (number ? 0 : 1);
    wide = wide || slot.align == 8;
  }
  std::size_t filler = n;
  for (std::size_t i = 0; i < n && wide && start % 8 == 4 && filler == n; ++i)
    if (slots[i].align == 4 && slots[i].size == 4) filler = i;
  std::size_t at = start;
  if (filler < n) {
    slots[filler].offset = at;
    at += 4;
  }
  for (std::size_t align : {8, 4, 2, 1}) {
    for (std::size_t i = 0; i < n; ++i) {
      if (i == filler || slots[i].align != align) continue;
      at = AlignUp(at, align);
      slots[i].offset = at;
      at += slots[i].size;
    }
  }
  return at;
}

}  // namespace

extern "C" {

RowObject *CreateNewRowObject(void **values, int32_t *lengths) {
  LogTrace("@@@ Inside CreateNewRowObject @@@\n");
  auto *row = static_cast<RowObject *>(std::calloc(1, sizeof(RowObject)));
  if (row == nullptr) return nullptr;
  row->values = values;
  row->lengths = lengths;
  row->state = ROW_STATE_NEW;
  return row;
}

RowObject *CreatePackedRowObject(int32_t columnCount, const void *const *values,
                                 const int32_t *lengths, const uint8_t *types) {
  if (columnCount < 1 || values == nullptr || lengths == nullptr || types == nullptr)
    return nullptr;
  const auto n = static_cast<std::size_t>(columnCount);
  const std::size_t arrays = sizeof(RowObject) + n * (sizeof(void *) + sizeof(int32_t));
  Slot small[64];
  std::unique_ptr<Slot[]> many;
  Slot *slots = small;
  if (n > 64) {
    many.reset(new (std::nothrow) Slot[n]);
    if (many == nullptr) return nullptr;
    slots = many.get();
  }
  std::size_t size = LayOut(n, values, lengths, types, arrays, slots);
  void *memory = corbel::dictionary::AllocateRowBlock(size);
  bool onHeap = memory == nullptr;
  if (onHeap) {
    // On the heap the block records its size behind the lengths.
    size = LayOut(n, values, lengths, types, arrays + sizeof(int32_t), slots);
    if (size > INT32_MAX) return nullptr;
    memory = std::malloc(size);
    if (memory == nullptr) return nullptr;
  }
  auto *block = static_cast<char *>(memory);
  auto *row = reinterpret_cast<RowObject *>(block);
  row->values = reinterpret_cast<void **>(row + 1);
  row->lengths = reinterpret_cast<int32_t *>(row->values + n);
  row->state = ROW_STATE_NEW;
  row->nextRow = nullptr;
  if (onHeap) row->lengths[n] = static_cast<int32_t>(size);
  for (std::size_t i = 0; i < n; ++i) {
    row->lengths[i] = lengths[i];
    row->values[i] = nullptr;
    const Slot &slot = slots[i];
    if (slot.align == 0) continue;
    auto length = static_cast<std::size_t>(lengths[i]);
    // Fixed-size copies of the common widths compile to plain moves.
    if (length == 4)
      std::memcpy(block + slot.offset, values[i], 4);
    else if (length == 8)
      std::memcpy(block + slot.offset, values[i], 8);
    else
      std::memcpy(block + slot.offset, values[i], length);
    if (slot.size > length) block[slot.offset + length] = '\0';
    row->values[i] = block + slot.offset;
  }
  bool ok = true;
  for (std::size_t i = 0; i < n; ++i) {
    if (values[i] == nullptr || !IsDateType(types[i])) continue;
    row->values[i] = CopyTypedValue(values[i], lengths[i], types[i]);
    if (row->values[i] == nullptr) ok = false;
  }
  if (!ok) {
    FreeRowObject(row, columnCount);
    return nullptr;
  }
  return row;
}

void ReleaseRowValue(RowObject *row, int32_t columnCount, int32_t column) {
  if (row == nullptr || row->values == nullptr || column < 0 || column >= columnCount) return;
  void *value = row->values[column];
  if (!InBlock(row, BlockSize(row, columnCount), value)) std::free(value);
  row->values[column] = nullptr;
}

void FreeRowObject(RowObject *row, int32_t columnCount) {
  LogTrace("@@@ Inside FreeRowObject @@@\n");
  if (row == nullptr) return;
  // Typed values are single allocations (dates included), so free() releases each.
  std::size_t blockSize = BlockSize(row, columnCount);
  for (int32_t i = 0; row->values != nullptr && i < columnCount; ++i)
    if (!InBlock(row, blockSize, row->values[i])) std::free(row->values[i]);
  if (blockSize == 0) {
    std::free(row->values);
    std::free(row->lengths);
  }
  // Asked for every row, not only packed ones: the arena knows its blocks by address.
  if (!corbel::dictionary::ReleaseRowBlock(row)) std::free(row);
}

}  // extern "C"
