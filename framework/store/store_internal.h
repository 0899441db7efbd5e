// What the store's modules share: the table list, column lookups over tables and views,
// value copies, and unlinking rows.
#pragma once

#include <cstdint>

#include <corbel/store.h>

namespace corbel::store {

// The columns of a table (ColumnDefn) or view (ViewColumnDefn); NULL when it has none.
Vector *ColumnList(const TableDefn *tableDefn, const CustomViewDefn *viewDefn);

// Position of the column named `name` (without regard to case), or -1.
int32_t FindColumn(const TableDefn *tableDefn, const CustomViewDefn *viewDefn, const char *name);

// The ColumnDefn at `position` (for a view, the one its column refers to), or NULL.
const ColumnDefn *ColumnAt(const TableDefn *tableDefn, const CustomViewDefn *viewDefn,
                           int32_t position);

// Type codes of the columns, one per column; false when memory runs out.
bool ColumnTypes(const TableData *table, uint8_t *types, int32_t count);

// A new copy of a typed value of `length` bytes (dates rebuilt), NUL-terminated; NULL for a
// NULL value or when memory runs out.
void *CopyValue(const void *value, int32_t length, uint8_t type);

// A copy of `row`: every value with its length and the same state, no next row. NULL when
// memory runs out.
RowObject *CopyRow(const RowObject *row, const TableData *table);

// Unlinks `row`, which follows `previous` (NULL: the first row), from the table's chain.
void UnlinkRow(TableData *table, RowObject *previous, RowObject *row);

}  // namespace corbel::store
