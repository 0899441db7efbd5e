/* ---- include/corbel/dictionary.h -------------------------------------------------------
 * The data dictionary: column types and their in-memory values, table definitions with
 * their keys, and the reader of the dictionary files.
 *
 * Every table the framework knows is described here: its columns with type, size, default,
 * uniqueness, value generator and allowed values, its primary key and its foreign keys. The
 * dictionary is one process-wide list filled at start-up and read by everyone afterwards.
 * Table names compare without regard to case, column names with regard to case. */
#ifndef CORBEL_DICTIONARY_H
#define CORBEL_DICTIONARY_H

#include <stdbool.h>
#include <stdint.h>

#include <corbel/dates.h>
#include <corbel/mempool.h>
#include <corbel/vector.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- column types and typed values ----------------------------------------------------
 *
 * A typed value is one malloc'ed buffer holding the in-memory form below, allocated one byte
 * longer than its width with that byte 0; a null value is a NULL reference. The length kept
 * beside a value (ColumnDefn.defaultValueLength, RowObject.lengths) is the width given here.
 * Every producer of values (text conversion, table data from XML, database results) and
 * every reader (printers, SQL generators, criteria) uses exactly these forms.
 *
 *  code  name                         type names accepted         in memory          width
 *   0    ZEL_SQL_NOT_SUPPORTED_TYPE   any other name              bytes as given     caller's
 *   1    ZEL_SQL_TINYINT                                          int8_t             1
 *   2    ZEL_SQL_UNSIGNED_TINYINT                                 uint8_t            1
 *   3    ZEL_SQL_SMALLINT                                         int16_t            2
 *   4    ZEL_SQL_UNSIGNED_SMALLINT                                uint16_t           2
 *   5    ZEL_SQL_INT                  INTEGER, LONG               int32_t            4
 *   6    ZEL_SQL_UNSIGNED_INT                                     uint32_t           4
 *   7    ZEL_SQL_BIGINT               BIGINT only                 int64_t            8
 *   8    ZEL_SQL_UNSIGNED_LONG_INT                                uint64_t           8
 *   9    ZEL_SQL_FLOAT                FLOAT                       float              4
 *  10    ZEL_SQL_DOUBLE                                           double             8
 *  11    ZEL_SQL_REAL                                             float              4
 *  12    ZEL_SQL_DECIMAL                                          bytes as given     caller's
 *  13    ZEL_SQL_NUMERIC                                          bytes as given     caller's
 *  14    ZEL_SQL_CHAR                                             NUL-terminated     text length
 *  15    ZEL_SQL_VARCHAR              CHAR, NCHAR only            NUL-terminated     text length
 *  16    ZEL_SQL_DATE                 DATE                        ZelDateTime block
 * ZEL_DATETIME_VALUE_WIDTH 17    ZEL_SQL_TIME                 TIME ZelDateTime block
 * ZEL_DATETIME_VALUE_WIDTH 18    ZEL_SQL_DATETIME             DATETIME, TIMESTAMP ZelDateTime block
 * ZEL_DATETIME_VALUE_WIDTH 19    ZEL_SQL_BOOLEAN              BOOLEAN only                uint8_t 1
 * or 0     1 20    ZEL_SQL_BLOB                 BLOB                        bytes as given caller's
 *  21    ZEL_SQL_CLOB                 CLOB                        bytes as given     caller's
 *  22    ZEL_SQL_TEXT                 TEXT                        NUL-terminated     text length
 *
 * "only" marks the types whose ZEL_SQL_ name is not accepted in a dictionary file. Type
 * names compare without regard to case. Integers are in the machine's own byte order.
 *
 * Date, time and date-time values (16-18) are all a ZelDateTime, stored as one
 * self-contained block: the record followed by its ZelDate and ZelTime, its `date` and `time`
 * references pointing into the same block (either may be NULL: a date alone, a time alone).
 * So free() releases any typed value, a row frees its values without knowing their types,
 * and a date value is read as ((const ZelDateTime *)value)->date. Because the block refers
 * to itself, copy typed values with CopyTypedValue, never byte by byte. */
enum {
  ZEL_SQL_NOT_SUPPORTED_TYPE = 0,
  ZEL_SQL_TINYINT = 1,
  ZEL_SQL_UNSIGNED_TINYINT = 2,
  ZEL_SQL_SMALLINT = 3,
  ZEL_SQL_UNSIGNED_SMALLINT = 4,
  ZEL_SQL_INT = 5,
  ZEL_SQL_UNSIGNED_INT = 6,
  ZEL_SQL_BIGINT = 7,
  ZEL_SQL_UNSIGNED_LONG_INT = 8,
  ZEL_SQL_FLOAT = 9,
  ZEL_SQL_DOUBLE = 10,
  ZEL_SQL_REAL = 11,
  ZEL_SQL_DECIMAL = 12,
  ZEL_SQL_NUMERIC = 13,
  ZEL_SQL_CHAR = 14,
  ZEL_SQL_VARCHAR = 15,
  ZEL_SQL_DATE = 16,
  ZEL_SQL_TIME = 17,
  ZEL_SQL_DATETIME = 18,
  ZEL_SQL_BOOLEAN = 19,
  ZEL_SQL_BLOB = 20,
  ZEL_SQL_CLOB = 21,
  ZEL_SQL_TEXT = 22
};

/* The highest valid type code. */
#define ZEL_SQL_MAX_TYPE_CODE 22

/* A CHAR or VARCHAR column of at least this maximum size is stored as ZEL_SQL_TEXT. */
#define ZEL_SQL_TEXT_MIN_SIZE 256

/* The width of a date, time or date-time value: the ZelDateTime record and its two parts. */
#define ZEL_DATETIME_VALUE_WIDTH \
  ((int32_t)(sizeof(ZelDateTime) + sizeof(ZelDate) + sizeof(ZelTime)))

/* The fixed width of a value of `type` from the table above; -1 for the types whose width
 * is the caller's length or the text length (0, 12-15, 20-22) and for codes above 22. */
int32_t GetTypeValueWidth(uint8_t type);

/* ---- definitions ---------------------------------------------------------------------- */

/* The values a column may take: a list, or a range of two bounds. */
typedef struct AllowedValues {
  char **values;   /* list: every allowed value then NULL; range: lower and upper bound */
  uint8_t isRange; /* 1 for a from/to range, 0 for a list */
} AllowedValues;

/* One column of a table. */
typedef struct ColumnDefn {
  char *name;                   /* column name, owned */
  uint8_t type;                 /* column type code (ZEL_SQL_...) */
  void *defaultValue;           /* typed default value, owned, or NULL */
  int32_t defaultValueLength;   /* length of defaultValue */
  uint8_t unique;               /* 1 when values must be unique */
  char *generatorName;          /* sequence that generates the values, owned, or NULL */
  char *description;            /* owned, or NULL */
  int32_t maxSize;              /* maximum size, 0 when not given */
  uint8_t nullable;             /* 1 when the column may hold null values */
  AllowedValues *allowedValues; /* owned, or NULL when any value is allowed */
} ColumnDefn;

/* One column pair of a foreign key. */
typedef struct ForeignKeyDefn {
  char *fkLocalColumn;      /* column of this table, owned */
  char *fkReferenceColumn;  /* column of the referenced table, owned */
  char *referenceTableName; /* the referenced table, owned */
  uint8_t onDeleteCascade;  /* 1: deleting the referenced row deletes this one */
  uint8_t onUpdateCascade;  /* 1: key changes of the referenced row are carried here; only
                               programs set it, the dictionary files have no word for it */
  uint8_t isBidirectional;  /* 1: the relation is also followed from the referenced side */
} ForeignKeyDefn;

/* Keys of a table. */
typedef struct ConstraintDefn {
  char **primaryKeyColumns; /* primary-key column names in key order, owned */
  int32_t primaryKeyCount;  /* number of entries in primaryKeyColumns */
  Vector *foreignKeys;      /* ForeignKeyDefn records, owned; NULL until the first one */
} ConstraintDefn;

/* One table. */
typedef struct TableDefn {
  char *name;                  /* table name, owned */
  char *description;           /* owned, or NULL */
  Vector *columns;             /* ColumnDefn records in column order, owned */
  ConstraintDefn *constraints; /* owned, or NULL when the table has no keys */
} TableDefn;

/* ---- the process-wide dictionary -------------------------------------------------------- */

/* Makes the dictionary an empty list. */
void InitDataDictionary(void);

/* Frees every definition (FreeAllTableDefns). */
void DeInitDataDictionary(void);

/* The dictionary: a Vector of TableDefn in load order. Owned by the dictionary. */
Vector *GetTableDefnList(void);

/* Appends `table`; the dictionary owns it afterwards. False when memory runs out (the table
 * stays the caller's) or `table` is NULL. */
bool AddTableDefn(TableDefn *table);

/* The first definition whose name equals `tableName` without regard to case; NULL when
 * there is none. Owned by the dictionary. */
TableDefn *GetTableDefn(const char *tableName);

/* The definition of column `columnName` (compared with regard to case) of table
 * `tableName`, or NULL. Owned by the dictionary. */
ColumnDefn *GetColumnDefnEntry(const char *tableName, const char *columnName);

/* The type code of the column; 0 when the table or column is unknown. */
uint8_t GetColumnTypeFromDefn(const char *tableName, const char *columnName);

/* The column's default value (NULL when it has none) with *found set to 1; NULL with *found
 * untouched when the column is unknown. The value stays the dictionary's. */
void *GetDefaultValue(const char *tableName, const char *columnName, uint8_t *found);

/* The first foreign-key pair of `table` whose local column equals `localColumn` without
 * regard to case; NULL when there is none. Owned by the definition. */
ForeignKeyDefn *GetForeignKeyDefn(const TableDefn *table, const char *localColumn);

/* The type code of a type name (see the table above); 0 for any other name. */
uint8_t GetColumnTypeCode(const char *typeName);

/* ---- building definitions --------------------------------------------------------------- */

/* New column with copies of the texts; takes ownership of `allowedValues`. A CHAR or
 * VARCHAR of ZEL_SQL_TEXT_MIN_SIZE or more becomes ZEL_SQL_TEXT. `defaultText` (may be
 * NULL) is converted with ConvertStringToValue under the column's type. NULL when memory runs
 * out or `name` is NULL; `allowedValues` is freed then. */
ColumnDefn *CreateColumnDefn(const char *name, uint8_t type, const char *defaultText,
                             int32_t defaultLength, uint8_t unique, const char *generatorName,
                             const char *description, int32_t maxSize, uint8_t nullable,
                             AllowedValues *allowedValues);

/* New allowed values with copies of `count` texts: a list, or (isRange 1, count 2) a range.
 * NULL when memory runs out, for a range of another count, or for a NULL text. */
AllowedValues *CreateAllowedValues(const char *const *values, int32_t count, uint8_t isRange);

/* New keys with copies of `count` primary-key column names and no foreign keys. NULL when
 * memory runs out. */
ConstraintDefn *CreateConstraintDefn(const char *const *primaryKeyColumns, int32_t count);

/* New table with copies of the two texts; takes ownership of `columns` (a Vector made with
 * CreateVector) and `constraints`, and frees them itself when it returns NULL (memory ran
 * out or `name` is NULL). */
TableDefn *CreateTableDefn(const char *name, const char *description, Vector *columns,
                           ConstraintDefn *constraints);

/* New foreign-key pair with copies of the texts (each may be NULL); NULL when memory runs
 * out. */
ForeignKeyDefn *CreateForeignKeyDefn(const char *localColumn, const char *referenceColumn,
                                     const char *referenceTable, uint8_t onDeleteCascade,
                                     uint8_t onUpdateCascade, uint8_t isBidirectional);

/* Appends `foreignKey` to the keys, creating the list on first use; the keys own it
 * afterwards. False when memory runs out (it stays the caller's) or an argument is NULL. */
bool AddForeignKeyDefn(ConstraintDefn *constraints, ForeignKeyDefn *foreignKey);

/* Free a record and everything it owns; NULL does nothing. */
void FreeAllowedValues(AllowedValues *allowedValues);
void FreeColumnDefn(ColumnDefn *column);
void FreeForeignKeyDefn(ForeignKeyDefn *foreignKey);
void FreeConstraintDefn(ConstraintDefn *constraints);
/* Frees a definition that is not in the dictionary (for one that is, use FreeTableDefn). */
void ReleaseTableDefn(TableDefn *table);

/* Removes the first definition named `tableName` (without regard to case) from the
 * dictionary and frees it; false when there is none. */
bool FreeTableDefn(const char *tableName);

/* Frees every definition and empties the dictionary. */
void FreeAllTableDefns(void);

/* Write the definitions to the log at DEBUG. */
void PrintAllTableDefns(void);
void PrintTableDefn(const TableDefn *table);

/* ---- conversions ------------------------------------------------------------------------ */

/* New typed value of `type` read from `text`. *length gives the byte count for the types
 * copied as bytes (0, 12, 13, 20, 21) and receives the width of the value. NULL for a NULL
 * text, a code above 22, a boolean other than true/false (any case), a date text without
 * '-' or ':', or when memory runs out. The caller frees the value with free(). */
void *ConvertStringToValue(const char *text, int32_t *length, uint8_t type);

/* New text of a typed value for SQL text: "NULL" for a NULL value, numbers in decimal,
 * texts and bytes as they are, dates as "YYYY-MM-DD hh:mm:ss" (or the part present),
 * booleans as 't' or 'f' in quotes. NULL for type 0 and codes above 22. The caller frees it. */
char *ConvertValueToString(const void *value, uint8_t type);

/* The same text placed in `pool` (it goes with the pool): types 1-15, 19 and 22; NULL for
 * type 0, dates and times, types 20 and 21, codes above 22, and a NULL pool. */
char *ConvertValueToSqlLiteral(const void *value, uint8_t type, MemPool *pool);

/* One row of a table that pairs type codes with numbers of another system. */
typedef struct CodeValuePair {
  uint8_t code;  /* column type code */
  int32_t value; /* the other system's number */
} CodeValuePair;

/* The code paired with `value` in the first `count` entries of `pairs`; 0 when absent. */
uint8_t GetCodeForValue(const CodeValuePair *pairs, int32_t count, int32_t value);

/* The value paired with `code`; 0 when absent. */
int32_t GetValueForCode(const CodeValuePair *pairs, int32_t count, uint8_t code);

/* New copy of a typed value of `type` and `length` (dates rebuilt to refer to the copy);
 * NULL for a NULL value or when memory runs out. */
void *CopyTypedValue(const void *value, int32_t length, uint8_t type);

/* New date/time typed value from `source` (its date and time parts copied, either may be
 * NULL); *length (may be NULL) receives ZEL_DATETIME_VALUE_WIDTH. NULL for a NULL source,
 * a source without both parts, or when memory runs out. */
void *CreateDateTimeValue(const ZelDateTime *source, int32_t *length);

/* ---- dictionary files -------------------------------------------------------------------- */

/* Reads the list file "datadictionary.txt" from "../data/" under the working directory, or
 * else from the framework root's "data" directory, and loads every dictionary file it
 * names. A file or table that cannot be read is logged and skipped. False only when no list
 * file can be opened. */
bool LoadAllDataDictFiles(void);

/* The same with the list file and the dictionary files in `directory`. */
bool LoadDataDictFiles(const char *directory);

/* Loads every table of one dictionary file; false only for a NULL path. */
bool LoadDataDictFromXMLFile(const char *path);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_DICTIONARY_H */
