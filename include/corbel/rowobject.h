/* ---- include/corbel/rowobject.h --------------------------------------------------------
 * One row of a table as the framework passes it around: in in-memory tables, change
 * notifications, generated statements and database results. Its state tells the
 * persistence layer how the row relates to the database. */
#ifndef CORBEL_ROWOBJECT_H
#define CORBEL_ROWOBJECT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Flags of RowObject.state. */
#define ROW_STATE_STORED 1   /* read from the database */
#define ROW_STATE_NEW 2      /* made by CreateNewRowObject, not yet in the database */
#define ROW_STATE_MODIFIED 4 /* a value changed after the row was stored or created */
#define ROW_STATE_DELETED 8  /* stored, to be removed from the database */

/* A row. It does not know its column count: whoever walks the values is given it (the
 * table's or result's column count). */
typedef struct RowObject {
  void **values;             /* typed values in the table's column order (NULL: null
                                value); the array and every value are the row's */
  int32_t *lengths;          /* length of each value, owned by the row */
  uint8_t state;             /* ROW_STATE_... flags */
  struct RowObject *nextRow; /* next row of the table's chain, NULL at the end */
} RowObject;

/* New row that takes over `values` and `lengths` (both malloc'ed), in state ROW_STATE_NEW
 * with no next row. NULL when memory runs out; the arrays stay the caller's then. */
RowObject *CreateNewRowObject(void **values, int32_t *lengths);

/* New row holding copies of `columnCount` typed values (NULL entries stay null) with their
 * lengths, typed by `types`, in one allocation together with its value and length arrays;
 * state ROW_STATE_NEW. Such a row costs one allocation instead of two plus one per value.
 * Release it with FreeRowObject and replace its values only through ReleaseRowValue (its
 * values are not separate allocations). NULL when memory runs out or columnCount < 1. */
RowObject *CreatePackedRowObject(int32_t columnCount, const void *const *values,
                                 const int32_t *lengths, const uint8_t *types);

/* Frees the value of `column` (unless it lives inside a packed row's own allocation) and sets
 * it to NULL. */
void ReleaseRowValue(RowObject *row, int32_t columnCount, int32_t column);

/* Frees the first `columnCount` values (NULL entries are skipped), both arrays and the row.
 * NULL does nothing. */
void FreeRowObject(RowObject *row, int32_t columnCount);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_ROWOBJECT_H */
