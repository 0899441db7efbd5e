/* ---- include/corbel/resultset.h --------------------------------------------------------
 * Query result sets: what a database query returns to the framework. Column names and type
 * codes, and rows of typed cells in the in-memory value form of the column types, read
 * through a cursor. */
#ifndef CORBEL_RESULTSET_H
#define CORBEL_RESULTSET_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One column of a result. */
typedef struct ResultColumn {
  char *columnName;   /* owned text */
  uint8_t columnType; /* column type code */
} ResultColumn;

/* One cell; the cells of a row follow the column order. */
typedef struct ResultCell {
  int32_t cellLength;           /* bytes in cellValue (0 for a database NULL) */
  void *cellValue;              /* owned copy plus one zero byte; NULL for a database NULL */
  struct ResultCell *nextCell;  /* next cell of the row, NULL at the end */
} ResultCell;

/* One row. */
typedef struct ResultRow {
  ResultCell *firstCell;            /* first cell, NULL for a row without cells */
  struct ResultRow *nextResultRow;  /* next row, NULL at the end */
} ResultRow;

/* A whole result. */
typedef struct ResultSet {
  int32_t columnCount;          /* number of result columns */
  int32_t rowCount;             /* number of rows, counted when the set was created */
  ResultColumn *resultColumns;  /* array of columnCount columns, owned */
  ResultRow *firstResultRow;    /* first row, NULL for an empty result */
  ResultRow *currentResultRow;  /* the cursor; NULL means before the first row */
} ResultSet;

/* Appends a cell holding a copy of length bytes of value (NULL value: a cell of length 0
 * without value) to the list starting at firstCell (may be NULL). Returns the first cell of
 * the list; NULL when memory runs out (the list is then unchanged). */
ResultCell *AppendResultCell(ResultCell *firstCell, int32_t length, const void *value);

/* Appends a row with the given cells to the list starting at firstRow (may be NULL); the
 * row takes over the cells. Returns the first row; NULL when memory runs out (the cells stay
 * the caller's). */
ResultRow *AppendResultRow(ResultRow *firstRow, ResultCell *firstCell);

/* New set that takes over the rows and the column array; rowCount is the number of rows,
 * the cursor is before the first row. NULL when memory runs out (nothing is taken over). */
ResultSet *CreateResultSet(ResultRow *firstRow, ResultColumn *columns, int32_t columnCount);

/* Moves the cursor to the first or the next row and returns it; NULL at the end or for a
 * NULL set. The row belongs to the set. */
ResultRow *GotoNextResultRow(ResultSet *set);

/* Moves the cursor back to before the first row; a NULL set is allowed. */
void ResetResultSetCursor(ResultSet *set);

/* In the cursor's row: the value of the first column whose name equals columnName without
 * regard to case, and its length in *length (when length is not NULL). The value belongs to
 * the set. NULL when there is no such column, no current row, or the value is a database
 * NULL (then *length is 0). */
const void *GetResultColumnValue(const char *columnName, int32_t *length, const ResultSet *set);

/* Type code of the named column (without regard to case); 0 when absent. */
uint8_t GetResultColumnType(const char *columnName, const ResultSet *set);

/* Name of the column at index; NULL when index is negative or not below columnCount. The
 * text belongs to the set. */
const char *GetResultColumnName(int32_t index, const ResultSet *set);

/* Writes the set at DEBUG level: the column names, then each row. NULL: nothing. */
void PrintResultSet(const ResultSet *set);

/* Frees the set with its columns, rows, cells and values; NULL is allowed. */
void FreeResultSet(ResultSet *set);

/* Frees a row list with all cells and values; NULL is allowed. */
void FreeResultRows(ResultRow *firstRow);

/* Frees a cell list with its values; NULL is allowed. */
void FreeResultCells(ResultCell *firstCell);

/* Frees the column names and the array; NULL is allowed. */
void FreeResultColumns(ResultColumn *columns, int32_t columnCount);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_RESULTSET_H */
