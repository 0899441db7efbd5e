// Rows as the framework passes them around.
//
// A row is either made of separate allocations (the record, the two arrays, one per value)
// or packed: the record, the value array, the length array, one more length holding the
// size of the whole block, and the values, all in one allocation. Tables of a million rows
// need the packed form to stay small. A packed row is recognised by its arrays sitting right
// behind the record; values placed later (updates, generated keys) are separate allocations
// and are freed one by one as usual.
#include <corbel/rowobject.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include <corbel/dictionary.h>
#include <corbel/log.h>

namespace {

bool IsPacked(const RowObject *row, int32_t columnCount) {
  return columnCount > 0 && row->values == reinterpret_cast<void *const *>(row + 1) &&
         row->lengths == reinterpret_cast<const int32_t *>(row->values + columnCount);
}

// True when `value` lies inside the packed block of `row`.
bool InBlock(const RowObject *row, int32_t columnCount, const void *value) {
  if (!IsPacked(row, columnCount)) return false;
  auto *begin = reinterpret_cast<const char *>(row);
  auto *p = static_cast<const char *>(value);
  return p >= begin && p < begin + row->lengths[columnCount];
}

constexpr std::size_t AlignUp(std::size_t n, std::size_t a) { return (n + a - 1) / a * a; }

// Alignment of a packed value of `type`; 0 for values that are not packed (dates refer to
// themselves and are copied on their own).
std::size_t PackAlignment(uint8_t type) {
  if (type == ZEL_SQL_DATE || type == ZEL_SQL_TIME || type == ZEL_SQL_DATETIME) return 0;
  int32_t width = GetTypeValueWidth(type);
  return width == 2 || width == 4 || width == 8 ? static_cast<std::size_t>(width) : 1;
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
  // Widest values first, so that alignment costs the fewest padding bytes.
  uint8_t fixedAlign[64];
  for (std::size_t i = 0; i < n && i < 64; ++i) fixedAlign[i] = static_cast<uint8_t>(PackAlignment(types[i]));
  auto alignOf = [&](std::size_t i) { return i < 64 ? std::size_t{fixedAlign[i]} : PackAlignment(types[i]); };
  std::size_t size = AlignUp(sizeof(RowObject) + n * sizeof(void *) + (n + 1) * sizeof(int32_t), 8);
  for (std::size_t align : {8, 4, 2, 1})
    for (std::size_t i = 0; i < n; ++i)
      if (values[i] != nullptr && alignOf(i) == align && lengths[i] >= 0)
        size = AlignUp(size, align) + static_cast<std::size_t>(lengths[i]) + 1;
  if (size > INT32_MAX) return nullptr;
  auto *block = static_cast<char *>(std::malloc(size));
  if (block == nullptr) return nullptr;
  auto *row = reinterpret_cast<RowObject *>(block);
  row->values = reinterpret_cast<void **>(row + 1);
  row->lengths = reinterpret_cast<int32_t *>(row->values + n);
  row->state = ROW_STATE_NEW;
  row->nextRow = nullptr;
  row->lengths[n] = static_cast<int32_t>(size);
  std::size_t at = AlignUp(sizeof(RowObject) + n * sizeof(void *) + (n + 1) * sizeof(int32_t), 8);
  for (std::size_t i = 0; i < n; ++i) {
    row->values[i] = nullptr;
    row->lengths[i] = lengths[i];
  }
  bool ok = true;
  for (std::size_t align : {8, 4, 2, 1}) {
    for (std::size_t i = 0; i < n; ++i) {
      if (values[i] == nullptr || alignOf(i) != align || lengths[i] < 0) continue;
      at = AlignUp(at, align);
      std::memcpy(block + at, values[i], static_cast<std::size_t>(lengths[i]));
      block[at + static_cast<std::size_t>(lengths[i])] = '\0';
      row->values[i] = block + at;
      at += static_cast<std::size_t>(lengths[i]) + 1;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (values[i] == nullptr || alignOf(i) != 0) continue;
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
  if (!InBlock(row, columnCount, value)) std::free(value);
  row->values[column] = nullptr;
}

void FreeRowObject(RowObject *row, int32_t columnCount) {
  LogTrace("@@@ Inside FreeRowObject @@@\n");
  if (row == nullptr) return;
  // Typed values are single allocations (dates included), so free() releases each.
  bool packed = IsPacked(row, columnCount);
  for (int32_t i = 0; row->values != nullptr && i < columnCount; ++i)
    if (!InBlock(row, columnCount, row->values[i])) std::free(row->values[i]);
  if (!packed) {
    std::free(row->values);
    std::free(row->lengths);
  }
  std::free(row);
}

}  // extern "C"
