// Query model builders. Everything a builder makes comes zero-filled from the model's pool;
// list nodes too, which is why the model's lists are never emptied with FreeVector.
#include <corbel/query.h>

#include <corbel/log.h>

#include <cstdlib>
#include <iterator>
#include <strings.h>

namespace {

constexpr const char *kFunctionWords[] = {"INVALID TYPE", "DISTINCT", "COUNT", "MIN",
                                          "MAX",          "SUM",      "AVG"};
constexpr const char *kOperatorWords[] = {"INVALID OPERATOR", "<", ">", "<=", ">=", "=",
                                          "!=", "AND", "OR", "LIKE", "BETWEEN"};
constexpr const char *kJoinWords[] = {"INNER_JOIN", "LEFT_JOIN"};
constexpr uint8_t kHighestColumnType = 21;

template <typename T>
T *PoolNew(MemPool *pool) {
  return static_cast<T *>(PoolAlloc(pool, sizeof(T)));
}

QueryColumn *MakeColumn(const char *tableName, const char *tableAlias, const char *columnName,
                        const char *columnAlias, uint32_t auxValue, uint8_t dataType,
                        uint8_t function, MemPool *pool) {
  if (dataType > kHighestColumnType) {
    LogError("\nInvalid Data Type\n");
    return nullptr;
  }
  auto *column = PoolNew<QueryColumn>(pool);
  if (column == nullptr) return nullptr;
  column->tableName = PoolStrDup(pool, tableName);
  column->tableAlias = PoolStrDup(pool, tableAlias);
  column->columnName = PoolStrDup(pool, columnName);
  column->columnAlias = PoolStrDup(pool, columnAlias);
  column->auxValue = auxValue;
  column->dataType = dataType;
  column->function = function;
  return column;
}

QueryCriteria *MakeLogicalNode(QueryCriteria *left, QueryCriteria *right, uint8_t op,
                               MemPool *pool) {
  auto *node = PoolNew<QueryCriteria>(pool);
  if (node == nullptr) return nullptr;
  node->op = op;
  node->left = left;
  node->right = right;
  if (left != nullptr) left->parent = node;
  if (right != nullptr) right->parent = node;
  return node;
}

}  // namespace

extern "C" {

const char *GetQueryFunctionWord(uint8_t function) {
  return function < std::size(kFunctionWords) ? kFunctionWords[function] : nullptr;
}

const char *GetQueryOperatorWord(uint8_t op) {
  return op < std::size(kOperatorWords) ? kOperatorWords[op] : nullptr;
}

const char *GetQueryJoinTypeWord(uint8_t joinType) {
  return joinType < std::size(kJoinWords) ? kJoinWords[joinType] : nullptr;
}

SelectQuery *CreateSelectQuery(void) {
  auto *query = static_cast<SelectQuery *>(std::calloc(1, sizeof(SelectQuery)));
  if (query == nullptr) return nullptr;
  query->pool = CreateSubPool();
  if (query->pool == nullptr) {
    LogError("\nMEMORY ALLOCATION FOR SELECTQUERYPTR FAILED\n");
    std::free(query);
    return nullptr;
  }
  InitVector(&query->columns, nullptr);
  InitVector(&query->joins, nullptr);
  InitVector(&query->tables, nullptr);
  return query;
}

void FreeSelectQuery(SelectQuery *query) {
  if (query == nullptr) return;
  // The pool goes as a whole: a cleared pool left registered would keep its memory until
  // the pool system stops, which in a long-running program is never.
  DestroySubPool(query->pool);
  std::free(query);
}

QueryColumn *CreateQueryColumn(const char *tableName, const char *tableAlias,
                               const char *columnName, const char *columnAlias, uint32_t auxValue,
                               uint8_t dataType, uint8_t function, MemPool *pool) {
  if (columnName == nullptr && function == QUERY_FN_NONE) {
    LogError("\nColumn Name is NULL\n");
    return nullptr;
  }
  return MakeColumn(tableName, tableAlias, columnName, columnAlias, auxValue, dataType, function,
                    pool);
}

QueryColumn *CreateJoinColumn(const char *tableName, const char *tableAlias,
                              const char *columnName, const char *columnAlias, uint32_t auxValue,
                              uint8_t dataType, uint8_t function, MemPool *pool) {
  if (columnName == nullptr) {
    LogError("\nColumn Name is NULL\n");
    return nullptr;
  }
  return MakeColumn(tableName, tableAlias, columnName, columnAlias, auxValue, dataType, function,
                    pool);
}

int AppendQueryColumn(SelectQuery *query, QueryColumn *column) {
  if (query == nullptr) return 0;
  return AddVectorElement(query->pool, column, &query->columns);
}

int RemoveQueryColumn(SelectQuery *query, const char *columnName, const char *tableName) {
  if (query != nullptr && columnName != nullptr) {
    Vector *list = &query->columns;
    // The nodes belong to the pool, so the node is unlinked here instead of through the
    // list operations, which would free it.
    LockObject(list);
    VectorNode *previous = nullptr;
    for (VectorNode *node = list->head; node != nullptr; previous = node, node = node->next) {
      const auto *column = static_cast<const QueryColumn *>(node->element);
      if (column == nullptr || column->columnName == nullptr) continue;
      if (strcasecmp(column->columnName, columnName) != 0) continue;
      if (column->tableName != nullptr &&
          (tableName == nullptr || strcasecmp(column->tableName, tableName) != 0)) {
        continue;
      }
      if (previous == nullptr) {
        list->head = node->next;
      } else {
        previous->next = node->next;
      }
      if (list->tail == node) list->tail = previous;
      --list->count;
      UnlockObject(list);
      return 1;
    }
    UnlockObject(list);
  }
  LogError("Invalid Column Name");
  return 0;
}

QueryCriteria *CreateCriteria(QueryColumn *column, const void *value, int32_t valueLength,
                              uint8_t op, MemPool *pool) {
  if (column == nullptr) {
    LogError("\nEmpty Column Assigned\n");
    return nullptr;
  }
  auto *node = PoolNew<QueryCriteria>(pool);
  if (node == nullptr) return nullptr;
  node->column = column;
  if (value != nullptr) {
    if (valueLength < 0) valueLength = 0;
    node->value = PoolMemDup(pool, value, static_cast<size_t>(valueLength));
    node->valueLength = valueLength;
  }
  node->op = op;
  return node;
}

QueryCriteria *CreateCriteriaAnd(QueryCriteria *left, QueryCriteria *right, MemPool *pool) {
  return MakeLogicalNode(left, right, QUERY_OP_AND, pool);
}

QueryCriteria *CreateCriteriaOr(QueryCriteria *left, QueryCriteria *right, MemPool *pool) {
  return MakeLogicalNode(left, right, QUERY_OP_OR, pool);
}

SelectQuery *SetQueryCriteria(SelectQuery *query, QueryCriteria *criteria) {
  if (query != nullptr) query->criteria = criteria;
  return query;
}

QueryJoin *CreateQueryJoin(const char *baseTableName, const char *baseTableAlias,
                           const char *refTableName, const char *refTableAlias, uint8_t joinType,
                           Vector *baseColumns, Vector *refColumns, MemPool *pool) {
  auto *join = PoolNew<QueryJoin>(pool);
  if (join == nullptr) return nullptr;
  join->baseTableName = PoolStrDup(pool, baseTableName);
  join->baseTableAlias = PoolStrDup(pool, baseTableAlias);
  join->refTableName = PoolStrDup(pool, refTableName);
  join->refTableAlias = PoolStrDup(pool, refTableAlias);
  join->joinType = joinType;
  join->baseColumns = baseColumns;
  join->refColumns = refColumns;
  return join;
}

int AppendQueryJoin(SelectQuery *query, QueryJoin *join) {
  if (query == nullptr) return 0;
  return AddVectorElement(query->pool, join, &query->joins);
}

GroupByClause *CreateGroupBy(Vector *columns, QueryCriteria *having, MemPool *pool) {
  auto *groupBy = PoolNew<GroupByClause>(pool);
  if (groupBy == nullptr) return nullptr;
  groupBy->columns = columns;
  groupBy->having = having;
  return groupBy;
}

int SetQueryGroupBy(SelectQuery *query, GroupByClause *groupBy) {
  if (query == nullptr) return 0;
  query->groupBy = groupBy;
  return 1;
}

SortClause *CreateSort(Vector *columns, uint8_t ascending, MemPool *pool) {
  auto *sort = PoolNew<SortClause>(pool);
  if (sort == nullptr) return nullptr;
  sort->columns = columns;
  sort->ascending = ascending;
  return sort;
}

int SetQuerySort(SelectQuery *query, SortClause *sort) {
  if (query == nullptr) return 0;
  query->sort = sort;
  return 1;
}

QueryTable *CreateQueryTable(const char *tableName, const char *tableAlias, MemPool *pool) {
  auto *table = PoolNew<QueryTable>(pool);
  if (table == nullptr) return nullptr;
  table->tableName = PoolStrDup(pool, tableName);
  table->tableAlias = PoolStrDup(pool, tableAlias);
  return table;
}

int AppendQueryTable(SelectQuery *query, QueryTable *table) {
  if (query == nullptr) return 0;
  return AddVectorElement(query->pool, table, &query->tables);
}

Vector *CreatePoolVector(MemPool *pool) {
  auto *list = PoolNew<Vector>(pool);
  if (list != nullptr) InitVector(list, nullptr);
  return list;
}

int AddVectorColumn(MemPool *pool, QueryColumn *column, Vector *list) {
  return AddVectorElement(pool, column, list);
}

int AddVectorElement(MemPool *pool, void *element, Vector *list) {
  if (list == nullptr) return 0;
  auto *node = PoolNew<VectorNode>(pool);
  if (node == nullptr) return 0;
  node->element = element;
  return AddElement(list, node) ? 1 : 0;
}

}  // extern "C"
