/* ---- include/corbel/dialect.h ----------------------------------------------------------
 * SQL dialects: for MySQL/MariaDB ("MYSQL"), PostgreSQL ("PGSQL"), Firebird ("FIREBIRD")
 * and SQLite ("SQLITE") a constant record of operations that write select, update, insert,
 * delete and create-table statements and turn a result row back into a row object; the
 * registry that finds them by name.
 *
 * Every text value is written as a quoted literal with its quotes doubled (on MySQL also its
 * backslashes), so values are stored as written whatever they hold. */
#ifndef CORBEL_DIALECT_H
#define CORBEL_DIALECT_H

#include <stdint.h>

#include <corbel/dictionary.h>
#include <corbel/query.h>
#include <corbel/resultset.h>
#include <corbel/rowobject.h>
#include <corbel/textbuffer.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The operations of one dialect. Texts returned are new allocations the caller frees with
 * free(); NULL means the statement could not be written (the reason is in the log). */
typedef struct DialectOps {
  const char *name; /* "MYSQL", "PGSQL", "FIREBIRD" or "SQLITE" */
  char *(*GenSelectQuery)(SelectQuery *query);
  char *(*GenUpdateQuery)(const char *tableName, RowObject *row);
  char *(*GenInsertQuery)(const char *tableName, RowObject *row);
  char *(*GenDeleteQuery)(const char *tableName, RowObject *row);
  char *(*GenCreateQuery)(const char *tableName);
  /* New row object (state 1, stored) holding a copy of the set's current row; the caller
   * frees it with FreeRowObject and the set's column count. */
  RowObject *(*ConvResultsetToRowobject)(ResultSet *set, const char *tableName);
} DialectOps;

extern const DialectOps gv_mysqlDialect;
extern const DialectOps gv_pgsqlDialect;
extern const DialectOps gv_firebirdDialect;
extern const DialectOps gv_sqliteDialect;

/* Registry: initialises it and registers the four dialects (PGSQL, MYSQL, SQLITE,
 * FIREBIRD). */
void InitDialects(void);
/* Appends a dialect; 0 when the list node cannot be made. */
int RegisterDialect(const DialectOps *dialect);
/* The first registered dialect of that name (without regard to case), or NULL. */
const DialectOps *FindDialect(const char *name);
/* Empties the registry. */
void FreeDialects(void);

/* The operations of each dialect, by name. */
char *MysqlGenSelectQuery(SelectQuery *query);
char *MysqlGenUpdateQuery(const char *tableName, RowObject *row);
char *MysqlGenInsertQuery(const char *tableName, RowObject *row);
char *MysqlGenDelteQuery(const char *tableName, RowObject *row);
char *MysqlGenCreateQuery(const char *tableName);
RowObject *MysqlConvResultsetToRowobject(ResultSet *set, const char *tableName);

char *PgsqlGenSelectQuery(SelectQuery *query);
char *PgsqlGenUpdateQuery(const char *tableName, RowObject *row);
char *PgsqlGenInsertQuery(const char *tableName, RowObject *row);
char *PgsqlGenDeleteQuery(const char *tableName, RowObject *row);
char *PgsqlGenCreateQuery(const char *tableName);
RowObject *PgsqlConvResultsetToRowobject(ResultSet *set, const char *tableName);

char *FirebirdGenSelectQuery(SelectQuery *query);
char *FirebirdGenUpdateQuery(const char *tableName, RowObject *row);
char *FirebirdGenInsertQuery(const char *tableName, RowObject *row);
char *FirebirdGenDeleteQuery(const char *tableName, RowObject *row);
char *FirebirdGenCreateQuery(const char *tableName);
RowObject *FirebirdConvResultsetToRowobject(ResultSet *set, const char *tableName);

char *SqliteGenSelectQuery(SelectQuery *query);
char *SqliteGenUpdateQuery(const char *tableName, RowObject *row);
char *SqliteGenInsertQuery(const char *tableName, RowObject *row);
char *SqliteGenDeleteQuery(const char *tableName, RowObject *row);
char *SqliteGenCreateQuery(const char *tableName);
RowObject *SqliteConvResultsetToRowobject(ResultSet *set, const char *tableName);

/* Clause texts of a select statement, each a copy in the pool given (NULL on failure):
 * <Dialect>GenerateColumnsStr (select list), ...JoinsStr, ...TableListStr,
 * ...CriteriaStr ("where " and the tree), ...GroupByStr, ...SortColumnStr, and
 * ...GenCriteriaString (the tree alone). */
#define CORBEL_DECLARE_CLAUSES(Prefix)                                                  \
  char *Prefix##GenerateColumnsStr(Vector *columns, MemPool *pool);                      \
  char *Prefix##GenerateJoinsStr(Vector *joins, MemPool *pool);                          \
  char *Prefix##GenerateTableListStr(Vector *tables, MemPool *pool);                     \
  char *Prefix##GenerateCriteriaStr(QueryCriteria *criteria, MemPool *pool);             \
  char *Prefix##GenCriteriaString(QueryCriteria *criteria, MemPool *pool);               \
  char *Prefix##GenerateGroupByStr(GroupByClause *groupBy, MemPool *pool);               \
  char *Prefix##GenerateSortColumnStr(SortClause *sort, MemPool *pool);
CORBEL_DECLARE_CLAUSES(Mysql)
CORBEL_DECLARE_CLAUSES(Pgsql)
CORBEL_DECLARE_CLAUSES(Firebird)
CORBEL_DECLARE_CLAUSES(Sqlite)
#undef CORBEL_DECLARE_CLAUSES

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_DIALECT_H */
