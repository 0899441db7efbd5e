// Rows as the framework passes them around.
#include <corbel/rowobject.h>

#include <cstdlib>

#include <corbel/log.h>

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

void FreeRowObject(RowObject *row, int32_t columnCount) {
  LogTrace("@@@ Inside FreeRowObject @@@\n");
  if (row == nullptr) return;
  // Typed values are single allocations (dates included), so free() releases each.
  for (int32_t i = 0; row->values != nullptr && i < columnCount; ++i) std::free(row->values[i]);
  std::free(row->values);
  std::free(row->lengths);
  std::free(row);
}

}  // extern "C"
