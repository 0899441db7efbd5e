/* ---- include/corbel/query.h ------------------------------------------------------------
 * Query model: a select statement assembled from records (select list, from list, joins,
 * criteria tree, group by, order by, limit and offset) and rendered into the SQL of a
 * database dialect (corbel/dialect.h). Every record, copied text and list node of a model
 * lives in the model's own memory pool and is released with the model. */
#ifndef CORBEL_QUERY_H
#define CORBEL_QUERY_H

#include <stdint.h>

#include <corbel/mempool.h>
#include <corbel/vector.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Function codes of a column (index into the function words). */
enum {
  QUERY_FN_NONE = 0,     /* "INVALID TYPE": a plain column */
  QUERY_FN_DISTINCT = 1, /* "DISTINCT" */
  QUERY_FN_COUNT = 2,    /* "COUNT" */
  QUERY_FN_MIN = 3,      /* "MIN" */
  QUERY_FN_MAX = 4,      /* "MAX" */
  QUERY_FN_SUM = 5,      /* "SUM" */
  QUERY_FN_AVG = 6       /* "AVG" */
};

/* Operator codes of a criteria node (index into the operator words). */
enum {
  QUERY_OP_INVALID = 0, /* "INVALID OPERATOR" */
  QUERY_OP_LT = 1,      /* "<" */
  QUERY_OP_GT = 2,      /* ">" */
  QUERY_OP_LE = 3,      /* "<=" */
  QUERY_OP_GE = 4,      /* ">=" */
  QUERY_OP_EQ = 5,      /* "=" */
  QUERY_OP_NE = 6,      /* "!=" */
  QUERY_OP_AND = 7,     /* "AND" */
  QUERY_OP_OR = 8,      /* "OR" */
  QUERY_OP_LIKE = 9,    /* "LIKE" */
  QUERY_OP_BETWEEN = 10 /* "BETWEEN" */
};

/* Join types (index into the join words). */
enum { INNER_JOIN = 0, LEFT_JOIN = 1 };

/* A column reference: select list, join column lists, group-by and sort lists, criteria. */
typedef struct QueryColumn {
  char *tableName;   /* table the column belongs to, or NULL */
  char *tableAlias;  /* alias of that table, or NULL; preferred over tableName as qualifier */
  char *columnName;  /* column name; NULL only with a function (COUNT(*)) */
  char *columnAlias; /* alias written after a plain column in the select list, or NULL */
  uint32_t auxValue; /* the caller's number, kept and never interpreted */
  uint8_t dataType;  /* column type code, 0 to 21 */
  uint8_t function;  /* QUERY_FN_ code, 0 for a plain column */
} QueryColumn;

/* One entry of the from list. */
typedef struct QueryTable {
  char *tableName;  /* table name, or NULL */
  char *tableAlias; /* its alias, or NULL */
} QueryTable;

/* One join. */
typedef struct QueryJoin {
  char *baseTableName;  /* left-hand table of the join */
  char *baseTableAlias; /* its alias, or NULL */
  char *refTableName;   /* table being joined */
  char *refTableAlias;  /* its alias, or NULL */
  uint8_t joinType;     /* INNER_JOIN or LEFT_JOIN */
  Vector *baseColumns;  /* QueryColumn list of the left-hand side, or NULL */
  Vector *refColumns;   /* QueryColumn list of the joined table, paired by position, or NULL */
} QueryJoin;

/* A node of the criteria tree: a comparison leaf, or an AND/OR node over two nodes. */
typedef struct QueryCriteria {
  QueryColumn *column;           /* compared column; NULL in AND and OR nodes */
  void *value;                   /* comparison value in its type's in-memory form, plus one
                                    zero byte; for BETWEEN an SQL text such as "1 AND 5" */
  int32_t valueLength;           /* bytes in value */
  uint8_t op;                    /* QUERY_OP_ code */
  struct QueryCriteria *left;    /* left operand of AND/OR */
  struct QueryCriteria *right;   /* right operand of AND/OR */
  struct QueryCriteria *parent;  /* the AND/OR node over this one, or NULL */
} QueryCriteria;

/* Group-by clause. */
typedef struct GroupByClause {
  Vector *columns;        /* QueryColumn list */
  QueryCriteria *having;  /* one comparison whose column carries the function, or NULL */
} GroupByClause;

/* Order-by clause; one direction for the whole list. */
typedef struct SortClause {
  Vector *columns;   /* QueryColumn list */
  uint8_t ascending; /* 0 descending, any other value ascending */
} SortClause;

/* A select statement. */
typedef struct SelectQuery {
  MemPool *pool;           /* the model's own pool; everything below lives in it */
  Vector columns;          /* QueryColumn select list; empty means every column */
  Vector joins;            /* QueryJoin list */
  QueryCriteria *criteria; /* root of the where condition, or NULL */
  GroupByClause *groupBy;  /* or NULL */
  SortClause *sort;        /* or NULL */
  Vector tables;           /* QueryTable from list */
  uint32_t limit;          /* maximum number of rows, 0 for no limit */
  uint32_t offset;         /* rows to skip, 0 for none */
} SelectQuery;

/* Words of the codes: function ("INVALID TYPE", "DISTINCT", ...), operator
 * ("INVALID OPERATOR", "<", ...) and join type ("INNER_JOIN", "LEFT_JOIN"). Constant texts;
 * NULL for a code outside the table. */
const char *GetQueryFunctionWord(uint8_t function);
const char *GetQueryOperatorWord(uint8_t op);
const char *GetQueryJoinTypeWord(uint8_t joinType);

/* New model with empty lists and its own pool (the pool system must be running, see
 * InitializeMemPool). NULL when memory runs out or no pool can be made. The caller frees it
 * with FreeSelectQuery. */
SelectQuery *CreateSelectQuery(void);

/* Releases the model's pool with everything built in it, and the model. NULL is allowed. */
void FreeSelectQuery(SelectQuery *query);

/* New column in pool with copies of the texts. NULL (and an ERROR line) for a NULL column
 * name with function 0, or a data type above 21; NULL for a NULL pool. */
QueryColumn *CreateQueryColumn(const char *tableName, const char *tableAlias,
                               const char *columnName, const char *columnAlias, uint32_t auxValue,
                               uint8_t dataType, uint8_t function, MemPool *pool);

/* As CreateQueryColumn, but the column name is required whatever the function. */
QueryColumn *CreateJoinColumn(const char *tableName, const char *tableAlias,
                              const char *columnName, const char *columnAlias, uint32_t auxValue,
                              uint8_t dataType, uint8_t function, MemPool *pool);

/* Appends a column to the select list; 0 when the list node cannot be made. */
int AppendQueryColumn(SelectQuery *query, QueryColumn *column);

/* Removes the first select-list column named columnName (without regard to case) that is
 * either of table tableName or of no table; 0 (and "Invalid Column Name") when none is. */
int RemoveQueryColumn(SelectQuery *query, const char *columnName, const char *tableName);

/* New comparison with a copy of valueLength bytes of value. NULL (and an ERROR line) for a
 * NULL column. */
QueryCriteria *CreateCriteria(QueryColumn *column, const void *value, int32_t valueLength,
                              uint8_t op, MemPool *pool);

/* New AND (OR) node over two nodes; sets both operands' parent to it. */
QueryCriteria *CreateCriteriaAnd(QueryCriteria *left, QueryCriteria *right, MemPool *pool);
QueryCriteria *CreateCriteriaOr(QueryCriteria *left, QueryCriteria *right, MemPool *pool);

/* Sets the criteria root (replacing any earlier one); returns the query. */
SelectQuery *SetQueryCriteria(SelectQuery *query, QueryCriteria *criteria);

/* New join with copies of the texts; the two column lists are referenced, not copied. */
QueryJoin *CreateQueryJoin(const char *baseTableName, const char *baseTableAlias,
                           const char *refTableName, const char *refTableAlias, uint8_t joinType,
                           Vector *baseColumns, Vector *refColumns, MemPool *pool);

/* Appends a join; 0 when the list node cannot be made. */
int AppendQueryJoin(SelectQuery *query, QueryJoin *join);

/* New group-by clause over a column list with an optional having comparison. */
GroupByClause *CreateGroupBy(Vector *columns, QueryCriteria *having, MemPool *pool);
int SetQueryGroupBy(SelectQuery *query, GroupByClause *groupBy);

/* New order-by clause; ascending 0 means descending. */
SortClause *CreateSort(Vector *columns, uint8_t ascending, MemPool *pool);
int SetQuerySort(SelectQuery *query, SortClause *sort);

/* New from-list entry with copies of the texts. */
QueryTable *CreateQueryTable(const char *tableName, const char *tableAlias, MemPool *pool);

/* Appends a from-list entry; 0 when the list node cannot be made. */
int AppendQueryTable(SelectQuery *query, QueryTable *table);

/* New empty list in the pool, for join, group-by and sort column lists. */
Vector *CreatePoolVector(MemPool *pool);

/* Appends a column (any element) to a pool list with a node from the pool; 0 when the node
 * cannot be made. */
int AddVectorColumn(MemPool *pool, QueryColumn *column, Vector *list);
int AddVectorElement(MemPool *pool, void *element, Vector *list);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_QUERY_H */
