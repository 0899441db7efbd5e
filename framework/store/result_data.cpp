// Results: selections of rows with a cursor, and reading columns of the current row.
#include <cstdlib>

#include <corbel/log.h>
#include <corbel/store.h>

#include "store_internal.h"

extern "C" {

ResultData *CreateResultData(int32_t /*rowCount*/, int32_t columnCount, TableData *table) {
  LogTrace("@@@ Inside CreateResultData @@@\n");
  if (table == nullptr) return nullptr;
  auto *result = static_cast<ResultData *>(std::calloc(1, sizeof(ResultData)));
  if (result == nullptr) return nullptr;
  result->kind = table->kind;
  result->tableDefn = table->tableDefn;
  result->viewDefn = table->viewDefn;
  result->columnCount = columnCount;
  return result;
}

bool AddRowToResultData(RowObject *row, ResultData *result) {
  if (result == nullptr) return false;
  auto *entry = static_cast<ResultEntry *>(std::malloc(sizeof(ResultEntry)));
  if (entry == nullptr) return false;
  entry->row = row;
  entry->next = nullptr;
  // While the result is filled its cursor is the append position; from anywhere else the
  // entry still goes to the end, so that no entry is lost.
  ResultEntry *last = result->cursor != nullptr ? result->cursor : result->firstEntry;
  while (last != nullptr && last->next != nullptr) last = last->next;
  if (last == nullptr)
    result->firstEntry = entry;
  else
    last->next = entry;
  result->cursor = entry;
  ++result->rowCount;
  return true;
}

void FreeResultData(ResultData *result) {
  if (result == nullptr) return;
  for (ResultEntry *e = result->firstEntry; e != nullptr;) {
    ResultEntry *next = e->next;
    std::free(e);
    e = next;
  }
  std::free(result);
}

RowObject *GotoNextRowObject(ResultData *result) {
  LogTrace("@@@ Inside GotoNextRowObject @@@\n");
  if (result == nullptr) return nullptr;
  ResultEntry *next = result->cursor == nullptr ? result->firstEntry : result->cursor->next;
  // At the end the cursor stays on the last entry: asking again still gives NULL.
  if (next == nullptr) return nullptr;
  result->cursor = next;
  return next->row;
}

void ResetResultDataCursor(ResultData *result) {
  LogTrace("@@@ Inside ResetResultDataCursor @@@\n");
  if (result != nullptr) result->cursor = nullptr;
}

void *GetColumnValueByName(const char *columnName, int32_t *length, ResultData *result) {
  LogTrace("\t@@@@@ GetColumnValueByName() @@@@@\n");
  if (result == nullptr || result->cursor == nullptr || result->cursor->row == nullptr)
    return nullptr;
  int32_t position = corbel::store::FindColumn(result->tableDefn, result->viewDefn, columnName);
  RowObject *row = result->cursor->row;
  if (position < 0 || position >= result->columnCount || row->values == nullptr) return nullptr;
  if (length != nullptr) *length = row->lengths != nullptr ? row->lengths[position] : 0;
  return row->values[position];
}

uint8_t GetColumnTypeByName(const char *columnName, ResultData *result) {
  LogTrace("@@@ Inside GetColumnTypeByName @@@\n");
  if (result == nullptr) return 0;
  int32_t position = corbel::store::FindColumn(result->tableDefn, result->viewDefn, columnName);
  const ColumnDefn *column = corbel::store::ColumnAt(result->tableDefn, result->viewDefn, position);
  return column != nullptr ? column->type : 0;
}

const char *GetColumnNameByIndex(int32_t index, ResultData *result) {
  LogTrace("@@@ Inside GetColumnNameByIndex @@@\n");
  if (result == nullptr) return nullptr;
  VectorNode *n = ElementAt(corbel::store::ColumnList(result->tableDefn, result->viewDefn), index);
  if (n == nullptr) return nullptr;
  if (result->tableDefn != nullptr) return static_cast<const ColumnDefn *>(n->element)->name;
  return static_cast<const ViewColumnDefn *>(n->element)->columnLabel;
}

const char *GetTableNameFromResultData(ResultData *result) {
  LogTrace("@@@ Inside GetTableNameFromResultData @@@\n");
  if (result == nullptr) return nullptr;
  if (result->tableDefn != nullptr) return result->tableDefn->name;
  if (result->viewDefn != nullptr && result->viewDefn->tableCount > 0 &&
      result->viewDefn->baseTableNames != nullptr)
    return result->viewDefn->baseTableNames[0];
  return nullptr;
}

}  // extern "C"
