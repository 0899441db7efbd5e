// Statement writer shared by the four dialects.
//
// Values never enter a statement as raw text: texts, dates and binary values are quoted
// literals with doubled quotes (and doubled backslashes where the engine treats them as
// escapes), numbers are written from their binary value, and floating-point numbers in the
// shortest form that reads back to the same value.
#include "framework/sql/generator.h"

#include <corbel/dates.h>
#include <corbel/log.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "framework/foundation/text.h"
#include "framework/sql/value_text.h"

namespace corbel::sql {

const Dialect kMysql{Kind::Mysql, "Mysql"};
const Dialect kPgsql{Kind::Pgsql, "Pgsql"};
const Dialect kFirebird{Kind::Firebird, "Firebird"};
const Dialect kSqlite{Kind::Sqlite, "Sqlite"};

namespace {

using Text = std::optional<std::string>;

void TraceClause(const Dialect &d, const char *operation) {
  LogTrace("@@@@@@@@@@@ - INSIDE %s%s - @@@@@@@@@@@@@", d.prefix, operation);
}

// Entry line of the row operations; SQLite's write none.
void TraceRowOperation(const Dialect &d, const char *operation) {
  if (d.kind != Kind::Sqlite) LogTrace("@@@ Inside %s%s @@@\n", d.prefix, operation);
}

bool BackslashEscapes(const Dialect &d) { return d.kind == Kind::Mysql; }

std::string Quote(const Dialect &d, std::string_view text) {
  return QuoteText(text, BackslashEscapes(d));
}

template <typename F>
void ForEach(Vector *list, F &&visit) {
  if (list == nullptr) return;
  for (VectorNode *node = list->head; node != nullptr; node = node->next) visit(node->element);
}

size_t CountOf(const Vector *list) { return list == nullptr ? 0 : static_cast<size_t>(list->count); }

std::string Str(const char *text) { return text != nullptr ? text : ""; }

// "alias." or "table." or nothing.
std::string Qualifier(const QueryColumn *column) {
  if (column->tableAlias != nullptr) return std::string(column->tableAlias) + ".";
  if (column->tableName != nullptr) return std::string(column->tableName) + ".";
  return "";
}

std::string Qualified(const QueryColumn *column) {
  return Qualifier(column) + Str(column->columnName);
}

// Literal of a value that the statement writes where a number may stand bare: numbers bare,
// booleans in the dialect's form, everything else quoted. NULL for a null value.
Text BareLiteral(const Dialect &d, const void *value, int32_t length, uint8_t type,
                 const char *trueWord, const char *falseWord) {
  if (value == nullptr) return std::string("NULL");
  if (type == ZEL_SQL_BOOLEAN) {
    return std::string(*static_cast<const uint8_t *>(value) == 1 ? trueWord : falseWord);
  }
  Text text = PlainText(value, length, type);
  if (!text) {
    if (type >= ZEL_SQL_DATE && type <= ZEL_SQL_DATETIME) return std::nullopt;
    text = std::string(static_cast<const char *>(value),
                       length > 0 ? strnlen(static_cast<const char *>(value), length) : 0);
  }
  if (d.kind == Kind::Sqlite && (type == ZEL_SQL_DOUBLE || type == ZEL_SQL_FLOAT || type == ZEL_SQL_REAL) &&
      length == 8 && !std::isnan(corbel::foundation::LoadValue<double>(value))) {
    return SqliteDoubleLiteral(corbel::foundation::LoadValue<double>(value));
  }
  if (type >= ZEL_SQL_TINYINT && type <= ZEL_SQL_REAL) {
    // Not-a-number and the infinities have no bare literal.
    return IsNumericText(*text) ? *text : Quote(d, *text);
  }
  if ((type == ZEL_SQL_DECIMAL || type == ZEL_SQL_NUMERIC) && IsNumericText(*text)) return *text;
  return Quote(d, *text);
}

// Boolean words of a dialect in criteria, update and insert texts.
const char *TrueWord(const Dialect &d) { return d.kind == Kind::Pgsql ? "'t'" : "1"; }
const char *FalseWord(const Dialect &d) { return d.kind == Kind::Pgsql ? "'f'" : "0"; }

const char *OperatorWord(uint8_t op) { return GetQueryOperatorWord(op); }

// One bound of a BETWEEN text as a literal of the column's type. A bound may come in single
// quotes (with doubled quotes inside), as callers write dates and texts.
Text BoundLiteral(const Dialect &d, std::string bound, uint8_t type) {
  while (!bound.empty() && bound.front() == ' ') bound.erase(0, 1);
  while (!bound.empty() && bound.back() == ' ') bound.pop_back();
  if (bound.size() >= 2 && bound.front() == '\'' && bound.back() == '\'') {
    std::string inner;
    for (size_t i = 1; i + 1 < bound.size(); ++i) {
      inner += bound[i];
      if (bound[i] == '\'' && bound[i + 1] == '\'') ++i;
    }
    bound = inner;
  }
  if (bound.empty()) return std::nullopt;
  const bool numeric = (type >= ZEL_SQL_TINYINT && type <= ZEL_SQL_REAL) ||
                       type == ZEL_SQL_DECIMAL || type == ZEL_SQL_NUMERIC;
  if (numeric) return IsNumericText(bound) ? Text(bound) : std::nullopt;
  int32_t length = static_cast<int32_t>(bound.size());
  void *value = ConvertStringToValue(bound.c_str(), &length, type);
  if (value == nullptr) return std::nullopt;
  Text literal = BareLiteral(d, value, length, type, TrueWord(d), FalseWord(d));
  free(value);
  return literal;
}

// The caller gives both bounds of a BETWEEN with their AND ("1 AND 5"). Each bound is written
// as a literal of the column's type, so that no bound can change the statement.
Text BetweenBounds(const Dialect &d, const std::string &text, uint8_t type) {
  bool quoted = false;
  for (size_t i = 0; i + 5 <= text.size(); ++i) {
    if (text[i] == '\'') quoted = !quoted;
    if (!quoted && strncasecmp(text.c_str() + i, " AND ", 5) == 0) {
      Text lo = BoundLiteral(d, text.substr(0, i), type);
      Text hi = BoundLiteral(d, text.substr(i + 5), type);
      if (!lo || !hi) return std::nullopt;
      return *lo + " AND " + *hi;
    }
  }
  return std::nullopt;
}

Text LeafText(const Dialect &d, const QueryCriteria *node) {
  const QueryColumn *column = node->column;
  const char *word = OperatorWord(node->op);
  if (column == nullptr || word == nullptr) return std::nullopt;
  std::string out;
  if (column->tableAlias != nullptr) {
    out += " " + std::string(column->tableAlias) + ".";
  } else if (column->tableName != nullptr) {
    out += " " + std::string(column->tableName) + ".";
  }
  out += Str(column->columnName);
  out += " " + std::string(word) + " ";
  if (node->op == QUERY_OP_BETWEEN && column->dataType != ZEL_SQL_BOOLEAN) {
    const char *text = static_cast<const char *>(node->value);
    Text bounds = BetweenBounds(d, Str(text), column->dataType);
    if (!bounds) {
      LogError("BETWEEN value \"%s\" is not two bounds joined by AND: criteria not generated.\n",
               Str(text).c_str());
      return std::nullopt;
    }
    out += " " + *bounds + " ";
    return out;
  }
  if (column->columnName == nullptr) return out;
  Text literal = BareLiteral(d, node->value, node->valueLength, column->dataType, TrueWord(d),
                             FalseWord(d));
  if (!literal) return std::nullopt;
  out += " " + *literal + " ";
  return out;
}

Text TreeText(const Dialect &d, const QueryCriteria *node) {
  if (node == nullptr) return std::string();
  if (node->op == QUERY_OP_AND || node->op == QUERY_OP_OR) {
    Text left = TreeText(d, node->left);
    Text right = TreeText(d, node->right);
    if (!left || !right) return std::nullopt;
    return *left + " " + OperatorWord(node->op) + " " + *right;
  }
  return LeafText(d, node);
}

// The table's columns in definition order; empty when the table is unknown or has none.
std::vector<const ColumnDefn *> ColumnsOf(const TableDefn *table) {
  std::vector<const ColumnDefn *> out;
  if (table == nullptr || table->columns == nullptr) return out;
  ForEach(table->columns, [&](void *e) { out.push_back(static_cast<const ColumnDefn *>(e)); });
  return out;
}

char *Finish(const std::string &text) {
  char *copy = strdup(text.c_str());
  if (copy == nullptr) LogError("@@@ Query String Copy falied @@@\n");
  return copy;
}

// Literal of a key value in a where condition. MySQL quotes every key value.
Text KeyLiteral(const Dialect &d, const void *value, int32_t length, uint8_t type) {
  if (d.kind == Kind::Mysql && value != nullptr) {
    Text plain = type == ZEL_SQL_BOOLEAN ? Text(*static_cast<const uint8_t *>(value) == 1 ? "1" : "0")
                                         : PlainText(value, length, type);
    if (!plain) return std::nullopt;
    return Quote(d, *plain);
  }
  return BareLiteral(d, value, length, type, TrueWord(d), FalseWord(d));
}

}  // namespace

bool IsKeyColumn(const TableDefn *table, const char *name) {
  if (table->constraints == nullptr || name == nullptr) return false;
  for (int32_t k = 0; k < table->constraints->primaryKeyCount; ++k) {
    const char *key = table->constraints->primaryKeyColumns[k];
    if (key != nullptr && strcasecmp(key, name) == 0) return true;
  }
  return false;
}

char *ToPool(const std::optional<std::string> &text, MemPool *pool) {
  if (!text) return nullptr;
  return PoolStrDup(pool, text->c_str());
}

char *ToHeap(const std::optional<std::string> &text) {
  if (!text) return nullptr;
  return Finish(*text);
}

Text ColumnsText(const Dialect &d, Vector *columns) {
  TraceClause(d, "GenerateColumnsStr");
  std::string out;
  size_t index = 0;
  const size_t count = CountOf(columns);
  ForEach(columns, [&](void *e) {
    const auto *column = static_cast<const QueryColumn *>(e);
    if (column->function == QUERY_FN_NONE) {
      out += Qualified(column);
      if (column->columnAlias != nullptr) out += " as " + std::string(column->columnAlias) + " ";
    } else {
      const char *word = GetQueryFunctionWord(column->function);
      if (column->columnName != nullptr) {
        out += " " + Str(word) + "(" + Qualified(column) + ")";
      } else {
        out += " " + Str(word) + "(*)";
      }
    }
    out += ++index < count ? "," : " \n";
  });
  return out;
}

Text JoinsText(const Dialect &d, Vector *joins) {
  TraceClause(d, "GenerateJoinsStr");
  const bool withAs = d.kind != Kind::Firebird;
  auto alias = [&](const char *name) { return withAs ? "as " + Str(name) + " " : Str(name) + " "; };
  std::string out;
  bool first = true;
  bool valid = true;
  ForEach(joins, [&](void *e) {
    if (!valid) return;
    const auto *join = static_cast<const QueryJoin *>(e);
    if (first) {
      if (join->baseTableName != nullptr) out += " " + Str(join->baseTableName) + " ";
      if (join->baseTableAlias != nullptr) out += alias(join->baseTableAlias);
      first = false;
    }
    if (join->joinType == INNER_JOIN) {
      out += " inner join ";
    } else if (join->joinType == LEFT_JOIN) {
      out += " left join ";
    } else {
      LogError("Invalid Join Type\n");
      valid = false;
      return;
    }
    if (join->refTableName != nullptr) out += " " + Str(join->refTableName) + " ";
    if (join->refTableAlias != nullptr) out += alias(join->refTableAlias);
    if (join->baseColumns == nullptr || join->refColumns == nullptr) return;
    out += " on ";
    const size_t pairs = CountOf(join->baseColumns);
    if (CountOf(join->refColumns) < pairs) {
      LogError("Invalid Join Type\n");
      valid = false;
      return;
    }
    const char *baseFallback = join->baseTableAlias ? join->baseTableAlias : join->baseTableName;
    const char *refFallback = join->refTableAlias ? join->refTableAlias : join->refTableName;
    VectorNode *refNode = join->refColumns->head;
    size_t index = 0;
    ForEach(join->baseColumns, [&](void *be) {
      const auto *base = static_cast<const QueryColumn *>(be);
      const auto *ref = static_cast<const QueryColumn *>(refNode->element);
      refNode = refNode->next;
      auto side = [](const QueryColumn *c, const char *fallback) {
        std::string q = Qualifier(c);
        if (q.empty() && fallback != nullptr) q = std::string(fallback) + ".";
        return q + Str(c->columnName);
      };
      out += side(base, baseFallback) + " = " + side(ref, refFallback);
      out += ++index < pairs ? " and " : " ";
    });
  });
  if (!valid) return std::nullopt;
  return out;
}

Text TableListText(const Dialect &d, Vector *tables) {
  TraceClause(d, "GenerateTableListStr");
  std::string out;
  size_t index = 0;
  const size_t count = CountOf(tables);
  ForEach(tables, [&](void *e) {
    const auto *table = static_cast<const QueryTable *>(e);
    if (table->tableName != nullptr) out += table->tableName;
    if (table->tableAlias != nullptr) {
      out += (d.kind == Kind::Firebird ? " " : " as ") + std::string(table->tableAlias) + " ";
    }
    out += ++index < count ? ", " : "\n";
  });
  return out;
}

Text CriteriaTreeText(const Dialect &d, QueryCriteria *criteria) {
  TraceClause(d, "GenCriteriaString");
  return TreeText(d, criteria);
}

Text CriteriaText(const Dialect &d, QueryCriteria *criteria) {
  TraceClause(d, "GenerateCriteriaStr");
  Text tree = TreeText(d, criteria);
  if (!tree) return std::nullopt;
  return "where " + *tree;
}

Text GroupByText(const Dialect &d, GroupByClause *groupBy) {
  TraceClause(d, "GenerateGroupByStr");
  if (groupBy == nullptr) return std::nullopt;
  std::string out = "group by ";
  size_t index = 0;
  const size_t count = CountOf(groupBy->columns);
  ForEach(groupBy->columns, [&](void *e) {
    const auto *column = static_cast<const QueryColumn *>(e);
    if (column->columnAlias != nullptr) {
      out += column->columnAlias;
    } else if (column->tableName != nullptr) {
      out += std::string(column->tableName) + "." + Str(column->columnName);
    } else {
      out += Str(column->columnName);
    }
    out += ++index < count ? "," : "\n";
  });
  if (groupBy->having != nullptr) {
    const QueryCriteria *having = groupBy->having;
    const QueryColumn *column = having->column;
    const char *op = OperatorWord(having->op);
    if (column == nullptr || op == nullptr) return std::nullopt;
    Text literal = BareLiteral(d, having->value, having->valueLength, column->dataType,
                               TrueWord(d), FalseWord(d));
    if (!literal) return std::nullopt;
    out += "having ";
    out += " " + Str(GetQueryFunctionWord(column->function)) + "(";
    out += Qualified(column) + ") ";
    out += " " + std::string(op) + " ";
    out += " " + *literal + " ";
  }
  return out;
}

Text SortText(const Dialect &d, SortClause *sort) {
  TraceClause(d, "GenerateSortColumnStr");
  if (sort == nullptr) return std::nullopt;
  std::string out = "order by ";
  size_t index = 0;
  const size_t count = CountOf(sort->columns);
  ForEach(sort->columns, [&](void *e) {
    out += Qualified(static_cast<const QueryColumn *>(e));
    out += ++index < count ? "," : " ";
  });
  out += sort->ascending == 0 ? " desc " : " asc ";
  return out;
}

Text SelectText(const Dialect &d, SelectQuery *query) {
  TraceClause(d, "GenSelectQuery");
  if (query == nullptr) return std::nullopt;
  const bool hasColumns = query->columns.count > 0;
  const bool hasJoins = query->joins.count > 0;
  const bool hasTables = query->tables.count > 0;
  if (!hasJoins && !hasTables) {
    LogError("\nNo Tables To Be Selected\n");
    return std::nullopt;
  }
  std::string out;
  Text columns;
  if (hasColumns) {
    columns = ColumnsText(d, &query->columns);
    if (!columns) return std::nullopt;
  }
  if (d.kind == Kind::Firebird) {
    out += "select ";
    if (query->limit != 0) out += "first " + std::to_string(query->limit) + " ";
    if (query->offset != 0) out += "skip " + std::to_string(query->offset) + " ";
    out += hasColumns ? *columns + "from " : " * from ";
  } else {
    out += hasColumns ? "select " + *columns + "from " : "select * from ";
  }
  if (hasJoins) {
    Text joins = JoinsText(d, &query->joins);
    if (!joins) return std::nullopt;
    out += *joins;
  }
  if (hasTables) {
    Text tables = TableListText(d, &query->tables);
    if (!tables) return std::nullopt;
    if (hasJoins) out += ",";
    out += *tables;
  }
  if (query->criteria != nullptr) {
    Text criteria = CriteriaText(d, query->criteria);
    if (!criteria) return std::nullopt;
    out += *criteria;
  }
  if (query->groupBy != nullptr) {
    Text groupBy = GroupByText(d, query->groupBy);
    if (!groupBy) return std::nullopt;
    out += *groupBy;
  }
  if (query->sort != nullptr) {
    Text sort = SortText(d, query->sort);
    if (!sort) return std::nullopt;
    out += *sort;
  }
  if (query->limit != 0) {
    if (d.kind == Kind::Mysql) {
      out += "limit";
      if (query->offset != 0) out += " " + std::to_string(query->offset) + " ,";
      out += " " + std::to_string(query->limit);
    } else if (d.kind != Kind::Firebird) {
      out += "limit " + std::to_string(query->limit);
      if (query->offset != 0) out += " offset " + std::to_string(query->offset);
    }
  }
  LogTrace("\nSelect Query constructed is\n%s\n", out.c_str());
  return out;
}

char *UpdateStatement(const Dialect &d, const char *tableName, RowObject *row) {
  TraceRowOperation(d, "GenUpdateQuery");
  if (tableName == nullptr || row == nullptr) return nullptr;
  const TableDefn *table = GetTableDefn(tableName);
  const auto columns = ColumnsOf(table);
  if (columns.empty()) return nullptr;
  std::string set;
  std::string keys;
  for (size_t i = 0; i < columns.size(); ++i) {
    const ColumnDefn *column = columns[i];
    const bool isKey = IsKeyColumn(table, column->name);
    if (isKey) LogTrace("@@@ Update Query has Primary Key in Set clause @@@\n");
    const void *value = row->values[i];
    const int32_t length = row->lengths != nullptr ? row->lengths[i] : 0;
    if (value == nullptr) {
      if (!isKey) set += (set.empty() ? "" : ",") + std::string(column->name) + "=NULL";
      continue;
    }
    if (isKey) {
      Text literal = KeyLiteral(d, value, length, column->type);
      if (!literal) {
        LogError("Unsupported Datatype Used in Query generation.\n");
        return nullptr;
      }
      keys += (keys.empty() ? "" : " and ") + std::string(column->name) + "=" + *literal;
      continue;
    }
    Text literal = BareLiteral(d, value, length, column->type, TrueWord(d), FalseWord(d));
    if (!literal || column->type == ZEL_SQL_NOT_SUPPORTED_TYPE) {
      LogError("Unsupported Datatype Used in Query generation.\n");
      return nullptr;
    }
    set += (set.empty() ? "" : ",") + std::string(column->name) + "=" + *literal;
  }
  if (keys.empty()) {
    // Without a key condition the statement would change every row of the table.
    LogError("No primary key value for %s: update not generated.\n", tableName);
    return nullptr;
  }
  std::string text = "update " + std::string(tableName) + " set " + set + " where " + keys;
  LogTrace(d.kind == Kind::Mysql ? "Update query is @@@ %s\n" : "Update query is @@@%s\n",
           text.c_str());
  return Finish(text);
}

char *InsertStatement(const Dialect &d, const char *tableName, RowObject *row) {
  TraceRowOperation(d, "GenInsertQuery");
  if (tableName == nullptr || row == nullptr) return nullptr;
  const auto columns = ColumnsOf(GetTableDefn(tableName));
  if (columns.empty()) return nullptr;
  std::string text = "insert into  " + std::string(tableName) + " values(";
  for (size_t i = 0; i < columns.size(); ++i) {
    const ColumnDefn *column = columns[i];
    if (i > 0) text += ",";
    const void *value = row->values[i];
    const int32_t length = row->lengths != nullptr ? row->lengths[i] : 0;
    Text literal;
    if (value != nullptr && column->type != ZEL_SQL_NOT_SUPPORTED_TYPE) {
      literal = BareLiteral(d, value, length, column->type, TrueWord(d), FalseWord(d));
    }
    text += literal ? *literal : "NULL";
  }
  text += d.kind == Kind::Mysql ? ")" : ");";
  LogTrace("Insert query is @@@%s\n", text.c_str());
  return Finish(text);
}

char *DeleteStatement(const Dialect &d, const char *tableName, RowObject *row) {
  TraceRowOperation(d, d.kind == Kind::Mysql ? "GenDelteQuery" : "GenDeleteQuery");
  if (tableName == nullptr || row == nullptr) return nullptr;
  const TableDefn *table = GetTableDefn(tableName);
  const auto columns = ColumnsOf(table);
  if (columns.empty()) return nullptr;
  std::string keys;
  for (size_t i = 0; i < columns.size(); ++i) {
    const ColumnDefn *column = columns[i];
    if (!IsKeyColumn(table, column->name)) continue;
    const int32_t length = row->lengths != nullptr ? row->lengths[i] : 0;
    Text literal = BareLiteral(d, row->values[i], length, column->type, TrueWord(d),
                               FalseWord(d));
    if (!literal || column->type == ZEL_SQL_NOT_SUPPORTED_TYPE) return nullptr;
    keys += (keys.empty() ? "" : " and ") + std::string(column->name) + "=" + *literal;
  }
  if (keys.empty()) {
    // Without a key condition the statement would remove every row of the table.
    LogError("No primary key value for %s: delete not generated.\n", tableName);
    return nullptr;
  }
  std::string text = "delete from " + std::string(tableName) + "  where " + keys;
  LogTrace("Delete query is @@@%s\n", text.c_str());
  return Finish(text);
}

}  // namespace corbel::sql
