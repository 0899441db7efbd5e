// The one statement writer behind the four dialects. The dialects share every rule except a
// handful of words (paging, aliases, boolean literals, key quoting, column types), which the
// Dialect record names; the exported per-dialect operations only pick their record.
#ifndef CORBEL_SQL_GENERATOR_H
#define CORBEL_SQL_GENERATOR_H

#include <corbel/dialect.h>

#include <optional>
#include <string>

namespace corbel::sql {

enum class Kind { Mysql, Pgsql, Firebird, Sqlite };

struct Dialect {
  Kind kind;
  const char *prefix;  // operation-name prefix: "Mysql", "Pgsql", "Firebird", "Sqlite"
};

extern const Dialect kMysql;
extern const Dialect kPgsql;
extern const Dialect kFirebird;
extern const Dialect kSqlite;

std::optional<std::string> SelectText(const Dialect &d, SelectQuery *query);
std::optional<std::string> ColumnsText(const Dialect &d, Vector *columns);
std::optional<std::string> JoinsText(const Dialect &d, Vector *joins);
std::optional<std::string> TableListText(const Dialect &d, Vector *tables);
std::optional<std::string> CriteriaText(const Dialect &d, QueryCriteria *criteria);
std::optional<std::string> CriteriaTreeText(const Dialect &d, QueryCriteria *criteria);
std::optional<std::string> GroupByText(const Dialect &d, GroupByClause *groupBy);
std::optional<std::string> SortText(const Dialect &d, SortClause *sort);

char *UpdateStatement(const Dialect &d, const char *tableName, RowObject *row);
char *InsertStatement(const Dialect &d, const char *tableName, RowObject *row);
char *DeleteStatement(const Dialect &d, const char *tableName, RowObject *row);
char *CreateStatement(const Dialect &d, const char *tableName);
RowObject *ConvertCurrentRow(const Dialect &d, ResultSet *set, const char *tableName);

// True when `name` is one of the table's primary-key columns (without regard to case).
bool IsKeyColumn(const TableDefn *table, const char *name);

// A clause text copied into the pool, or NULL.
char *ToPool(const std::optional<std::string> &text, MemPool *pool);
// A statement copied to the heap for the caller, or NULL.
char *ToHeap(const std::optional<std::string> &text);

}  // namespace corbel::sql

// Defines the exported operations of one dialect over its Dialect record.
#define CORBEL_DEFINE_DIALECT(Prefix, Record, DeleteName)                                        \
  extern "C" {                                                                                   \
  char *Prefix##GenSelectQuery(SelectQuery *query) {                                             \
    return corbel::sql::ToHeap(corbel::sql::SelectText(Record, query));                          \
  }                                                                                              \
  char *Prefix##GenUpdateQuery(const char *t, RowObject *r) {                                    \
    return corbel::sql::UpdateStatement(Record, t, r);                                           \
  }                                                                                              \
  char *Prefix##GenInsertQuery(const char *t, RowObject *r) {                                    \
    return corbel::sql::InsertStatement(Record, t, r);                                           \
  }                                                                                              \
  char *DeleteName(const char *t, RowObject *r) { return corbel::sql::DeleteStatement(Record, t, r); } \
  char *Prefix##GenCreateQuery(const char *t) { return corbel::sql::CreateStatement(Record, t); } \
  RowObject *Prefix##ConvResultsetToRowobject(ResultSet *s, const char *t) {                     \
    return corbel::sql::ConvertCurrentRow(Record, s, t);                                         \
  }                                                                                              \
  char *Prefix##GenerateColumnsStr(Vector *c, MemPool *p) {                                      \
    return corbel::sql::ToPool(corbel::sql::ColumnsText(Record, c), p);                          \
  }                                                                                              \
  char *Prefix##GenerateJoinsStr(Vector *j, MemPool *p) {                                        \
    return corbel::sql::ToPool(corbel::sql::JoinsText(Record, j), p);                            \
  }                                                                                              \
  char *Prefix##GenerateTableListStr(Vector *t, MemPool *p) {                                    \
    return corbel::sql::ToPool(corbel::sql::TableListText(Record, t), p);                        \
  }                                                                                              \
  char *Prefix##GenerateCriteriaStr(QueryCriteria *c, MemPool *p) {                              \
    return corbel::sql::ToPool(corbel::sql::CriteriaText(Record, c), p);                         \
  }                                                                                              \
  char *Prefix##GenCriteriaString(QueryCriteria *c, MemPool *p) {                                \
    return corbel::sql::ToPool(corbel::sql::CriteriaTreeText(Record, c), p);                     \
  }                                                                                              \
  char *Prefix##GenerateGroupByStr(GroupByClause *g, MemPool *p) {                               \
    return corbel::sql::ToPool(corbel::sql::GroupByText(Record, g), p);                          \
  }                                                                                              \
  char *Prefix##GenerateSortColumnStr(SortClause *s, MemPool *p) {                               \
    return corbel::sql::ToPool(corbel::sql::SortText(Record, s), p);                             \
  }                                                                                              \
  }

#endif
