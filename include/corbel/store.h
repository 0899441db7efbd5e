/* ---- include/corbel/store.h ------------------------------------------------------------
 * The in-memory data store: whole tables held in memory as chains of rows, selected and
 * deleted by criteria texts, read through results with a cursor, and announced to change
 * listeners. Custom views over several tables live in the same table list.
 *
 * Table and column names compare without regard to case. Rows added to a table belong to
 * it; results only refer to rows. Criteria parsing and evaluation are serialised by the
 * store lock; the rows of one table are not locked: callers serialise changes to a table. */
#ifndef CORBEL_STORE_H
#define CORBEL_STORE_H

#include <stdbool.h>
#include <stdint.h>

#include <corbel/criteria.h>
#include <corbel/dates.h>
#include <corbel/dictionary.h>
#include <corbel/rowobject.h>
#include <corbel/vector.h>

#ifdef __cplusplus
extern "C" {
#endif

/* TableData.kind and ResultData.kind. */
#define STORE_KIND_TABLE 1 /* a table of the dictionary */
#define STORE_KIND_VIEW 2  /* a custom view */

/* One column of a custom view. */
typedef struct ViewColumnDefn {
  const char *columnLabel; /* name shown in listings (the caller's text, not copied) */
  int32_t number;          /* the caller's number, not read by the store */
  uint8_t smallNumber;     /* the caller's small number, not read by the store */
  ColumnDefn *columnDefn;  /* the column whose type the view column has (the dictionary's) */
} ViewColumnDefn;

/* The columns of a custom view and the tables they come from. */
typedef struct CustomViewDefn {
  uint8_t tableCount;     /* number of base tables */
  char **baseTableNames;  /* tableCount owned names (malloc'ed array); the first names the view */
  Vector *viewColumns;    /* ViewColumnDefn records in column order, owned (CreateVector) */
} CustomViewDefn;

/* One in-memory table or view. */
typedef struct TableData {
  char *name;                /* owned copy of the name */
  uint8_t kind;              /* STORE_KIND_TABLE or STORE_KIND_VIEW */
  TableDefn *tableDefn;      /* the dictionary's definition (tables), else NULL */
  CustomViewDefn *viewDefn;  /* the view's definition, owned (views), else NULL */
  int32_t columnCount;       /* columns of the definition or the view at creation */
  int32_t rowCount;          /* rows in the chain */
  RowObject *firstRow;       /* first row of the chain, NULL when empty */
  RowObject *lastRow;        /* last row of the chain (where rows are appended), NULL when empty */
} TableData;

/* One entry of a result. */
typedef struct ResultEntry {
  RowObject *row;           /* the row (the table's) */
  struct ResultEntry *next; /* next entry, NULL at the end */
} ResultEntry;

/* A selection of rows; it refers to rows and never owns them. */
typedef struct ResultData {
  ResultEntry *firstEntry;  /* first entry, NULL when empty */
  uint8_t kind;             /* copied from the table */
  TableDefn *tableDefn;     /* the table's definition (tables), else NULL */
  CustomViewDefn *viewDefn; /* the view's definition (views), else NULL */
  int32_t rowCount;         /* number of entries */
  int32_t columnCount;      /* copied from the table */
  ResultEntry *cursor;      /* current entry; NULL before the first row. While the result is
                               being filled: the last entry */
} ResultData;

/* ---- tables and rows ---------------------------------------------------------------------- */

/* The key of the store lock (the object lock of <corbel/log.h>), which serialises criteria
 * parsing and evaluation; whole-table saves take it too. */
const void *GetStoreLockKey(void);

/* Makes the table list empty (tables already in it are forgotten, not freed). */
void InitTableList(void);

/* Frees every table and view of the list (FreeTableData, then the record) and empties it. */
void FreeAllTableData(void);

/* The table list: a Vector of TableData in creation order. Owned by the store. */
Vector *GetTableList(void);

/* Adds an empty table for the dictionary definition `tableName`. False when the dictionary
 * lacks it, the store already holds that name, or memory runs out. */
bool CreateTable(const char *tableName);

/* The table or view of that name; NULL for a NULL name or one not in the store. */
TableData *GetTableDataByName(const char *tableName);

/* Completes `row` (null columns with a generator get GenerateID's value, then null columns
 * with a default a copy of it), appends it to the table, which owns it afterwards, and
 * announces it to the listeners. False when the table is not in the store, has no columns,
 * or `row` is NULL (the row stays the caller's then). */
bool AddNewRow(const char *tableName, RowObject *row);

/* New result with every row (NULL criteria) or the rows matching `criteria`, in chain order,
 * cursor before the first row. The caller frees it with FreeResultData. NULL when the table
 * is not in the store, the criteria does not parse, a criteria is given for a view, or memory
 * runs out. */
ResultData *SelectRows(const char *tableName, const char *criteria);

/* New result holding the row at 1-based position `rowIndex` (0 also means the first); an
 * empty result for an empty table; NULL when the position exceeds the row count. */
ResultData *SelectRowByRowIdx(const char *tableName, int32_t rowIndex);

/* Replaces the value of one column of `row` with a copy of `length` bytes of `value` (NULL
 * makes it null), adds ROW_STATE_MODIFIED and announces the row. False for a table not in the
 * store, a NULL row, a primary-key column, an unknown column or no memory (the old value
 * stays then). */
bool UpdateRowObject(const char *tableName, RowObject *row, const char *columnName,
                     const void *value, int32_t length);

/* A stored row is marked ROW_STATE_DELETED and stays; any other row is unlinked, announced
 * and freed. 1 when done; 0 when the table is not in the store or the row is not in it. */
int DeleteRowObject(const char *tableName, RowObject *row);

/* DeleteRowObject on every row matching `criteria`. False for a NULL criteria, a table not in
 * the store, a view, a table without columns or a criteria that does not parse. */
bool DeleteRowObjectByCriteria(const char *tableName, const char *criteria);

/* DeleteRowObject on every row. False for a NULL name, one not in the store, a view or a
 * table without columns. */
bool DeleteAllTableRowObjects(const char *tableName);

/* Frees the table's name and rows (a view also its CustomViewDefn). The record and its place
 * in the table list stay the caller's. */
void FreeTableData(TableData *table);

/* Removes the table from the list, frees it (FreeTableData) and its record; false when it
 * is not in the store. */
bool RemoveTableData(const char *tableName);

/* New packed row (CreatePackedRowObject) for the columns of a table or view of the store,
 * typed by its definition; NULL when the table is not in the store or memory runs out. */
RowObject *CreateTableRowObject(const char *tableName, const void *const *values,
                                const int32_t *lengths);

/* ---- results -------------------------------------------------------------------------------- */

/* New empty result for `table` (rowCount is ignored and starts at 0); NULL when memory runs
 * out or table is NULL. */
ResultData *CreateResultData(int32_t rowCount, int32_t columnCount, TableData *table);

/* Appends an entry for `row`; false when it cannot be allocated. */
bool AddRowToResultData(RowObject *row, ResultData *result);

/* Frees the entries and the record, never the rows. NULL does nothing. */
void FreeResultData(ResultData *result);

/* Moves the cursor to the first (from before the first) or next entry and returns its row;
 * NULL at the end. */
RowObject *GotoNextRowObject(ResultData *result);

/* The cursor goes back to before the first row. */
void ResetResultDataCursor(ResultData *result);

/* The value of `columnName` in the cursor's row (a reference into the row) and its length in
 * *length; NULL when there is no current row or no such column. */
void *GetColumnValueByName(const char *columnName, int32_t *length, ResultData *result);

/* The column's type code (for a view: of the column the view column refers to); 0 when not
 * found. */
uint8_t GetColumnTypeByName(const char *columnName, ResultData *result);

/* The name of the column at `index`, or NULL. Owned by the definition. */
const char *GetColumnNameByIndex(int32_t index, ResultData *result);

/* The table's name; for a view, its first base table name. Owned by the definition. */
const char *GetTableNameFromResultData(ResultData *result);

/* The value of `columnName` in the first row matching `criteria` (a reference into the stored
 * row) and its length; NULL when nothing matches or the value is null. */
void *GetColumnValue(const char *tableName, const char *columnName, const char *criteria,
                     int32_t *length);

/* ---- custom views, sorting and listings ------------------------------------------------------ */

/* New view definition taking over `baseTableNames` (malloc'ed array of malloc'ed names) and
 * `viewColumns` (a Vector of ViewColumnDefn made with CreateVector). NULL when memory runs
 * out (both stay the caller's then). */
CustomViewDefn *CreateCustomViewDefn(uint8_t tableCount, char **baseTableNames,
                                     Vector *viewColumns);

/* New view column; `label` is kept, not copied. NULL when memory runs out. */
ViewColumnDefn *CreateViewColumnDefn(const char *label, int32_t number, uint8_t smallNumber,
                                     ColumnDefn *columnDefn);

/* Adds an empty view named `viewName` over `viewDefn`, which it owns afterwards. False when
 * the name is in the store already or memory runs out (the definition stays the caller's). */
bool CreateCustomViewData(const char *viewName, CustomViewDefn *viewDefn);

/* Frees the view columns (not their labels), their Vector, the names and the name array; the
 * record itself is freed with its view (FreeTableData) or by the caller. */
void FreeCustomViewDefn(CustomViewDefn *viewDefn);

/* The first base table of a view; for a table or a name not in the store the name itself. */
const char *GetTableNameOfView(const char *name);

/* Three-way comparison of two tables' names with regard to case (for qsort of TableData *). */
int SortTableByName(const void *a, const void *b);

/* Reorders the result's entries by the values of `columnName` (ascending when `ascending` is
 * 1, else descending), keeping the order of equal values; null values come first in
 * ascending order. The rows stay where they are in their table. False for a NULL result or
 * name, a result without definition or columns, or an unknown column. */
bool SortResultSet(ResultData *result, const char *columnName, uint8_t ascending);

/* DEBUG listings: a header line of the column names, then one line per row, every field
 * followed by a tab. PrintResultData leaves out rows marked deleted. */
void PrintTableData(const char *name);
void PrintCustomViewData(const char *viewName);
void PrintResultData(ResultData *result);

/* The listing of PrintTableData as a new text (the caller frees it), of any length; NULL for a
 * name not in the store, a table without columns or no memory. */
char *ToStringTableData(const char *name);
char *ToStringCustomViewData(const char *viewName);

/* ---- change notifications --------------------------------------------------------------------- */

/* One change as the listeners see it; valid only during the callback. */
typedef struct IMDSNotification {
  char *tableName;       /* copy of the table name */
  RowObject *row;        /* copy of the changed row (values, lengths and state), no next row */
  ZelDateTime *timeStamp; /* local time of the change (the notification's) */
} IMDSNotification;

/* A listener's callback: the change and the listener's name. */
typedef void (*NotificationCallback)(IMDSNotification *notification, const char *listenerName);

/* A registered listener. */
typedef struct NotificationListener {
  char *listenerName;            /* the caller's malloc'ed text, freed with the listener */
  char **tableNames;             /* the caller's NULL-terminated array, sorted at registration */
  uint8_t enabled;               /* 1 while the listener is called */
  uint8_t eventType;             /* ROW_STATE_... the listener waits for; 0 for every change */
  NotificationCallback callback; /* called for each matching change */
} NotificationListener;

/* Makes the listener list empty. */
void InitNotification(void);

/* Registers a listener for changes to the named tables (`tableNames`: the caller's
 * NULL-terminated array with at least one name, sorted in place without regard to case and
 * kept by the listener; `listenerName`: a malloc'ed text the listener takes over, unless
 * false is returned or a listener of that name exists, when it stays the caller's). True when
 * registered or when the name exists already (logged, nothing added); false when memory runs
 * out or an argument is NULL. */
bool AddNotificationListener(char *listenerName, uint8_t eventType, NotificationCallback callback,
                             uint8_t enabled, char **tableNames);

/* Stops calling the named listener; false when there is none. */
bool DisableNotification(const char *listenerName);

/* Removes the named listener and frees its name and record (the table names stay the
 * caller's); false when there is none. */
bool RemoveNotification(const char *listenerName);

/* Calls every enabled listener of `tableName` whose event type fits the row's state. */
void SendNotification(RowObject *row, const char *tableName);

/* New notification for a change of `row` in `tableName`; NULL when the table is not in the
 * store or memory runs out. Free it with FreeIMDSNotification. */
IMDSNotification *CreateIMDSNotification(RowObject *row, const char *tableName);
void FreeIMDSNotification(IMDSNotification *notification, int32_t columnCount);

/* Binary search of `name` (without regard to case) in a sorted NULL-terminated array. */
bool IsListContains(char **sortedNames, const char *name);

/* Removes every listener. */
void DeInitNotification(void);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_STORE_H */
