// The table list and the operations on tables and rows: creating tables, adding, selecting,
// updating and deleting rows, and the store lock that serialises criteria work.
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include <corbel/log.h>
#include <corbel/sequence.h>
#include <corbel/store.h>
#include <corbel/strings.h>

#include "criteria_eval.h"
#include "store_internal.h"
#include "support/object_lock.h"

namespace {

Vector g_tableList = {nullptr, 0, nullptr, nullptr};
// The store lock's key: its address is what the object lock serialises on.
const char g_storeLockKey = 0;

using corbel::store::ColumnList;
using corbel::store::PreparedCriteria;

// The parsed criteria text with a line feed appended, or NULL (also for a NULL text).
CriteriaNode *ParseCriteria(const char *criteria) {
  if (criteria == nullptr) return nullptr;
  std::size_t len = std::strlen(criteria);
  char *text = static_cast<char *>(std::malloc(len + 2));
  if (text == nullptr) return nullptr;
  std::memcpy(text, criteria, len);
  text[len] = '\n';
  text[len + 1] = '\0';
  CriteriaNode *tree = RunCriteriaParser(text);
  std::free(text);
  return tree;
}

// Calls `each(row, previous)` for every row of a table that matches `criteria`, under the
// store lock; `each` may unlink the row (the next row is taken before). False when the text
// does not parse or memory runs out.
template <typename Each>
bool ForEachMatch(TableData *table, const char *criteria, Each each) {
  ovr::ObjectLockGuard lock(&g_storeLockKey);
  CriteriaNode *tree = ParseCriteria(criteria);
  if (tree == nullptr) return false;
  bool ok = true;
  Vector *columns = ColumnList(table->tableDefn, nullptr);
  if (table->kind == STORE_KIND_TABLE && columns != nullptr && columns->count > 0) {
    ResolveCriteriaColumns(columns, tree);
    try {
      PreparedCriteria prepared(tree);
      RowObject *previous = nullptr;
      for (RowObject *row = table->firstRow; row != nullptr && ok;) {
        RowObject *next = row->nextRow;
        if (prepared.Matches(row)) {
          if (!each(row, previous)) ok = false;
        }
        // A row that was unlinked is no longer the predecessor of the next one.
        if (previous == nullptr ? table->firstRow == row : previous->nextRow == row) previous = row;
        row = next;
      }
    } catch (const std::bad_alloc &) {
      ok = false;
    }
  }
  FreeCriteriaTree(tree);
  return ok;
}

// Removes or marks `row` (which follows `previous`); see DeleteRowObject.
void DeleteLinkedRow(TableData *table, RowObject *previous, RowObject *row) {
  if (row->state & ROW_STATE_STORED) {
    row->state |= ROW_STATE_DELETED;
    return;
  }
  corbel::store::UnlinkRow(table, previous, row);
  SendNotification(row, table->name);
  FreeRowObject(row, table->columnCount);
}

}  // namespace

namespace corbel::store {

Vector *ColumnList(const TableDefn *tableDefn, const CustomViewDefn *viewDefn) {
  if (tableDefn != nullptr) return tableDefn->columns;
  if (viewDefn != nullptr) return viewDefn->viewColumns;
  return nullptr;
}

int32_t FindColumn(const TableDefn *tableDefn, const CustomViewDefn *viewDefn, const char *name) {
  Vector *columns = ColumnList(tableDefn, viewDefn);
  if (columns == nullptr || name == nullptr) return -1;
  int32_t position = 0;
  for (VectorNode *n = ElementAt(columns, 0); n != nullptr; n = n->next, ++position) {
    const char *columnName =
        tableDefn != nullptr ? static_cast<const ColumnDefn *>(n->element)->name
                             : static_cast<const ViewColumnDefn *>(n->element)->columnLabel;
    if (CompareStringNoCase(columnName, name) == 0) return position;
  }
  return -1;
}

const ColumnDefn *ColumnAt(const TableDefn *tableDefn, const CustomViewDefn *viewDefn,
                           int32_t position) {
  VectorNode *n = ElementAt(ColumnList(tableDefn, viewDefn), position);
  if (n == nullptr) return nullptr;
  if (tableDefn != nullptr) return static_cast<const ColumnDefn *>(n->element);
  return static_cast<const ViewColumnDefn *>(n->element)->columnDefn;
}

bool ColumnTypes(const TableData *table, uint8_t *types, int32_t count) {
  Vector *columns = ColumnList(table->tableDefn, table->viewDefn);
  // Column lists are complete before any table is used and are read without the lock.
  VectorNode *n = columns != nullptr ? columns->head : nullptr;
  for (int32_t i = 0; i < count; ++i) {
    const ColumnDefn *column = nullptr;
    if (n != nullptr) {
      column = table->tableDefn != nullptr ? static_cast<const ColumnDefn *>(n->element)
                                           : static_cast<const ViewColumnDefn *>(n->element)->columnDefn;
      n = n->next;
    }
    types[i] = column != nullptr ? column->type : uint8_t{ZEL_SQL_NOT_SUPPORTED_TYPE};
  }
  return true;
}

void *CopyValue(const void *value, int32_t length, uint8_t type) {
  if (value == nullptr) return nullptr;
  if (type == ZEL_SQL_DATE || type == ZEL_SQL_TIME || type == ZEL_SQL_DATETIME)
    return CopyTypedValue(value, length, type);
  if (length < 0) length = 0;
  auto *copy = static_cast<char *>(std::malloc(static_cast<std::size_t>(length) + 1));
  if (copy == nullptr) return nullptr;
  std::memcpy(copy, value, static_cast<std::size_t>(length));
  copy[length] = '\0';
  return copy;
}

void UnlinkRow(TableData *table, RowObject *previous, RowObject *row) {
  if (previous == nullptr)
    table->firstRow = row->nextRow;
  else
    previous->nextRow = row->nextRow;
  if (table->lastRow == row) table->lastRow = previous;
  row->nextRow = nullptr;
  --table->rowCount;
}

}  // namespace corbel::store

extern "C" {

const void *GetStoreLockKey(void) { return &g_storeLockKey; }

void InitTableList(void) {
  LogTrace("@@@ Inside InitTableList @@@\n");
  InitVector(&g_tableList, nullptr);
}

Vector *GetTableList(void) { return &g_tableList; }

void FreeAllTableData(void) {
  LogTrace("@@@ Inside FreeAllTableData @@@\n");
  for (VectorNode *n = ElementAt(&g_tableList, 0); n != nullptr; n = n->next) {
    auto *table = static_cast<TableData *>(n->element);
    FreeTableData(table);
    std::free(table);
  }
  FreeVector(&g_tableList);
}

TableData *GetTableDataByName(const char *tableName) {
  LogTrace("@@@ Inside GetTableDataByName @@@\n");
  if (tableName == nullptr) return nullptr;
  for (VectorNode *n = ElementAt(&g_tableList, 0); n != nullptr; n = n->next) {
    auto *table = static_cast<TableData *>(n->element);
    if (CompareStringNoCase(table->name, tableName) == 0) return table;
  }
  return nullptr;
}

bool CreateTable(const char *tableName) {
  LogTrace("@@@ Inside CreateTable @@@\n");
  TableDefn *defn = GetTableDefn(tableName);
  if (defn == nullptr || GetTableDataByName(tableName) != nullptr) return false;
  auto *table = static_cast<TableData *>(std::calloc(1, sizeof(TableData)));
  if (table == nullptr) return false;
  table->name = strdup(tableName);
  table->kind = STORE_KIND_TABLE;
  table->tableDefn = defn;
  table->columnCount = defn->columns != nullptr ? defn->columns->count : 0;
  if (table->name == nullptr || !AddElementValue(&g_tableList, table)) {
    std::free(table->name);
    std::free(table);
    return false;
  }
  return true;
}

bool AddNewRow(const char *tableName, RowObject *row) {
  LogTrace("@@@ Inside AddNewRow @@@\n");
  TableData *table = GetTableDataByName(tableName);
  if (table == nullptr || row == nullptr) return false;
  Vector *columns = ColumnList(table->tableDefn, table->viewDefn);
  if (columns == nullptr || columns->count == 0) return false;
  if (table->kind == STORE_KIND_TABLE && row->values != nullptr) {
    int32_t i = 0;
    // Column lists are complete before any table is used and are read without the lock.
    for (VectorNode *n = columns->head; n != nullptr && i < table->columnCount;
         n = n->next, ++i) {
      const auto *column = static_cast<const ColumnDefn *>(n->element);
      if (row->values[i] != nullptr) continue;
      if (column->generatorName != nullptr) {
        int32_t id = GenerateID(table->name, column);
        // -1: the sequence has no value to give; the default (if any) applies.
        if (id != -1) {
          auto *value = static_cast<int32_t *>(std::calloc(1, sizeof(int32_t) + 1));
          if (value != nullptr) {
            *value = id;
            row->values[i] = value;
            row->lengths[i] = 4;
          }
        }
      }
      if (row->values[i] == nullptr && column->defaultValue != nullptr) {
        row->values[i] = corbel::store::CopyValue(column->defaultValue, column->defaultValueLength,
                                                  column->type);
        if (row->values[i] != nullptr) row->lengths[i] = column->defaultValueLength;
      }
    }
  }
  row->nextRow = nullptr;
  if (table->lastRow == nullptr)
    table->firstRow = row;
  else
    table->lastRow->nextRow = row;
  table->lastRow = row;
  ++table->rowCount;
  SendNotification(row, table->name);
  return true;
}

ResultData *SelectRows(const char *tableName, const char *criteria) {
  LogTrace("@@@ Inside SelectRows @@@\n");
  TableData *table = GetTableDataByName(tableName);
  if (table == nullptr) return nullptr;
  if (criteria != nullptr && table->kind != STORE_KIND_TABLE) return nullptr;
  ResultData *result = CreateResultData(0, table->columnCount, table);
  if (result == nullptr) return nullptr;
  bool ok = true;
  auto add = [result](RowObject *row, RowObject *) {
    if (AddRowToResultData(row, result)) return true;
    LogError("not able to Add row \n");
    return false;
  };
  if (criteria == nullptr) {
    for (RowObject *row = table->firstRow; row != nullptr && ok; row = row->nextRow)
      ok = add(row, nullptr);
  } else {
    ok = ForEachMatch(table, criteria, add);
  }
  if (!ok) {
    FreeResultData(result);
    return nullptr;
  }
  result->cursor = nullptr;
  return result;
}

ResultData *SelectRowByRowIdx(const char *tableName, int32_t rowIndex) {
  LogTrace("@@@ Inside SelectRowByRowIdx @@@\n");
  TableData *table = GetTableDataByName(tableName);
  if (table == nullptr || rowIndex < 0) return nullptr;
  if (table->rowCount > 0 && rowIndex > table->rowCount) return nullptr;
  ResultData *result = CreateResultData(0, table->columnCount, table);
  if (result == nullptr) return nullptr;
  RowObject *row = table->firstRow;
  for (int32_t i = 1; row != nullptr && i < rowIndex; ++i) row = row->nextRow;
  if (row != nullptr && !AddRowToResultData(row, result)) {
    FreeResultData(result);
    return nullptr;
  }
  result->cursor = nullptr;
  return result;
}

bool UpdateRowObject(const char *tableName, RowObject *row, const char *columnName,
                     const void *value, int32_t length) {
  LogTrace("@@@ Inside UpdateRowObject @@@\n");
  TableData *table = GetTableDataByName(tableName);
  if (table == nullptr) return false;
  if (row == nullptr) {
    LogError("\t@@@@@ rowPtr passed as parameter in NULL @@@@@ \n");
    return false;
  }
  const ConstraintDefn *keys = table->tableDefn != nullptr ? table->tableDefn->constraints : nullptr;
  for (int32_t k = 0; keys != nullptr && k < keys->primaryKeyCount; ++k) {
    if (CompareStringNoCase(keys->primaryKeyColumns[k], columnName) == 0) {
      LogError("@@@ UpdateRowObject Failed as PrimaryKey is being updated @@@\n");
      return false;
    }
  }
  int32_t position = corbel::store::FindColumn(table->tableDefn, table->viewDefn, columnName);
  if (position < 0 || position >= table->columnCount || row->values == nullptr) return false;
  const ColumnDefn *column = corbel::store::ColumnAt(table->tableDefn, table->viewDefn, position);
  void *copy = nullptr;
  if (value != nullptr) {
    copy = corbel::store::CopyValue(value, length,
                                    column != nullptr ? column->type : uint8_t{ZEL_SQL_NOT_SUPPORTED_TYPE});
    if (copy == nullptr) return false;
  }
  // The old value goes only after the listeners have seen the new one.
  void *old = row->values[position];
  row->values[position] = copy;
  row->lengths[position] = value != nullptr ? length : 0;
  row->state |= ROW_STATE_MODIFIED;
  SendNotification(row, table->name);
  if (old != nullptr) {
    // Released through the row, so that a value inside a packed row is not freed alone.
    row->values[position] = old;
    ReleaseRowValue(row, table->columnCount, position);
    row->values[position] = copy;
  }
  return true;
}

int DeleteRowObject(const char *tableName, RowObject *row) {
  LogTrace("@@@ Inside DeleteRowObject @@@\n");
  TableData *table = GetTableDataByName(tableName);
  if (table == nullptr || row == nullptr) return 0;
  RowObject *previous = nullptr;
  RowObject *at = table->firstRow;
  while (at != nullptr && at != row) {
    previous = at;
    at = at->nextRow;
  }
  if (at == nullptr) return 0;
  DeleteLinkedRow(table, previous, row);
  return 1;
}

bool DeleteRowObjectByCriteria(const char *tableName, const char *criteria) {
  LogTrace("@@@ Inside DeleteRowObjectByCriteria @@@\n");
  if (criteria == nullptr) return false;
  TableData *table = GetTableDataByName(tableName);
  if (table == nullptr || table->kind != STORE_KIND_TABLE) return false;
  Vector *columns = ColumnList(table->tableDefn, nullptr);
  if (columns == nullptr || columns->count == 0) return false;
  // The matches are gathered under the store lock and deleted after it is released, so that
  // listeners, which hear of each deletion, may select from the store themselves.
  std::vector<RowObject *> matches;
  bool ok = ForEachMatch(table, criteria, [&matches](RowObject *row, RowObject *) {
    try {
      matches.push_back(row);
      return true;
    } catch (const std::bad_alloc &) {
      return false;
    }
  });
  if (!ok) return false;
  std::size_t k = 0;
  RowObject *previous = nullptr;
  for (RowObject *row = table->firstRow; row != nullptr && k < matches.size();) {
    RowObject *next = row->nextRow;
    if (row == matches[k]) {
      ++k;
      DeleteLinkedRow(table, previous, row);
    }
    if (previous == nullptr ? table->firstRow == row : previous->nextRow == row) previous = row;
    row = next;
  }
  return true;
}

bool DeleteAllTableRowObjects(const char *tableName) {
  LogTrace("@@@ Inside DeleteAllTableRowObjects @@@\n");
  if (tableName == nullptr) {
    LogError("\t tableName NULL \n");
    return false;
  }
  TableData *table = GetTableDataByName(tableName);
  if (table == nullptr) {
    LogError("\t GetTableDataByName returned NULL \n");
    return false;
  }
  Vector *columns = ColumnList(table->tableDefn, nullptr);
  if (table->kind != STORE_KIND_TABLE || columns == nullptr || columns->count == 0) return false;
  RowObject *previous = nullptr;
  for (RowObject *row = table->firstRow; row != nullptr;) {
    RowObject *next = row->nextRow;
    DeleteLinkedRow(table, previous, row);
    if (previous == nullptr ? table->firstRow == row : previous->nextRow == row) previous = row;
    row = next;
  }
  return true;
}

void FreeTableData(TableData *table) {
  LogTrace("\t@@@@@ Inside FreeTableData() @@@@@\n");
  if (table == nullptr) return;
  LogTrace("\t %s is being freed\n", table->name != nullptr ? table->name : "");
  for (RowObject *row = table->firstRow; row != nullptr;) {
    RowObject *next = row->nextRow;
    FreeRowObject(row, table->columnCount);
    row = next;
  }
  table->firstRow = nullptr;
  table->lastRow = nullptr;
  table->rowCount = 0;
  if (table->viewDefn != nullptr) {
    FreeCustomViewDefn(table->viewDefn);
    std::free(table->viewDefn);
    table->viewDefn = nullptr;
  }
  std::free(table->name);
  table->name = nullptr;
}

bool RemoveTableData(const char *tableName) {
  LogTrace("@@@ Inside RemoveTableData @@@\n");
  TableData *table = GetTableDataByName(tableName);
  if (table == nullptr) return false;
  DeleteLCDVector(&g_tableList, table);
  FreeTableData(table);
  std::free(table);
  return true;
}

RowObject *CreateTableRowObject(const char *tableName, const void *const *values,
                                const int32_t *lengths) {
  TableData *table = GetTableDataByName(tableName);
  if (table == nullptr || table->columnCount < 1) return nullptr;
  uint8_t small[64];
  uint8_t *types = table->columnCount <= 64
                       ? small
                       : static_cast<uint8_t *>(std::malloc(static_cast<std::size_t>(table->columnCount)));
  if (types == nullptr) return nullptr;
  corbel::store::ColumnTypes(table, types, table->columnCount);
  RowObject *row = CreatePackedRowObject(table->columnCount, values, lengths, types);
  if (types != small) std::free(types);
  return row;
}

void *GetColumnValue(const char *tableName, const char *columnName, const char *criteria,
                     int32_t *length) {
  LogTrace("@@@ Inside GetColumnValue @@@\n");
  ResultData *result = SelectRows(tableName, criteria);
  if (result == nullptr) {
    LogError("Error in executing SelectRows(%s,%s)\n", tableName != nullptr ? tableName : "(null)",
             criteria != nullptr ? criteria : "(null)");
    return nullptr;
  }
  void *value = nullptr;
  if (GotoNextRowObject(result) == nullptr) {
    LogTrace("No such row available in the %s for %s", tableName,
             criteria != nullptr ? criteria : "(null)");
  } else {
    value = GetColumnValueByName(columnName, length, result);
    if (value == nullptr) LogError("columnValue is NULL for :%s\n", columnName != nullptr ? columnName : "(null)");
  }
  FreeResultData(result);
  return value;
}

}  // extern "C"
