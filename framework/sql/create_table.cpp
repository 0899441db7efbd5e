// Create-table statements and the conversion of a result row into a row object.
#include <corbel/dates.h>
#include <corbel/log.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

#include "framework/sql/generator.h"
#include "framework/sql/value_text.h"

namespace corbel::sql {
namespace {

using Text = std::optional<std::string>;

std::string Str(const char *text) { return text != nullptr ? text : ""; }

// "DEFAULT n" of an integer default.
std::string IntegerDefault(const ColumnDefn *c) {
  auto text = NumberText(c->defaultValue, c->defaultValueLength, c->type);
  return "DEFAULT " + text.value_or("0");
}

// "DEFAULT 'text'" with the text as a literal of the dialect.
std::string TextDefault(const Dialect &d, const ColumnDefn *c) {
  auto text = PlainText(c->defaultValue, c->defaultValueLength, c->type);
  return "DEFAULT " + QuoteText(text.value_or(""), d.kind == Kind::Mysql);
}

// "DEFAULT n" of a floating-point or decimal default; quoted when it is not a plain number.
std::string NumberDefault(const Dialect &d, const ColumnDefn *c) {
  auto text = PlainText(c->defaultValue, c->defaultValueLength, c->type);
  std::string value = text.value_or("0");
  return "DEFAULT " + (IsNumericText(value) ? value : QuoteText(value, d.kind == Kind::Mysql));
}

std::string BooleanDefault(const Dialect &d, const ColumnDefn *c) {
  const bool on = *static_cast<const uint8_t *>(c->defaultValue) == 1;
  if (d.kind == Kind::Pgsql) return on ? "DEFAULT 't'" : "DEFAULT 'f'";
  return on ? "DEFAULT 1" : "DEFAULT 0";
}

// "\tname <type> <default>" with the default clause " " when there is none.
std::string Line(const ColumnDefn *c, const std::string &type, const std::string &dflt,
                 bool trailingBlank = false) {
  std::string out = "\t" + Str(c->name) + " " + type + " ";
  out += c->defaultValue != nullptr ? dflt : " ";
  if (trailingBlank) out += " ";
  return out;
}

// The type line of a column; empty for the codes that have none.
std::string TypeLine(const Dialect &d, const ColumnDefn *c) {
  const Kind k = d.kind;
  const std::string name = Str(c->name);
  switch (c->type) {
    case ZEL_SQL_TINYINT: case ZEL_SQL_SMALLINT: case ZEL_SQL_INT:
      return Line(c, "int", IntegerDefault(c));
    case ZEL_SQL_UNSIGNED_TINYINT: case ZEL_SQL_UNSIGNED_SMALLINT:
      return Line(c, k == Kind::Mysql ? "int unsigned" : "int", IntegerDefault(c));
    case ZEL_SQL_UNSIGNED_INT:
      if (k == Kind::Mysql) return Line(c, "int unsigned", IntegerDefault(c));
      return Line(c, k == Kind::Sqlite ? "int" : "bigint", IntegerDefault(c));
    case ZEL_SQL_BIGINT:
      return Line(c, k == Kind::Sqlite ? "int" : "bigint", IntegerDefault(c));
    case ZEL_SQL_UNSIGNED_LONG_INT:
      if (k == Kind::Mysql) return Line(c, "bigint unsigned", IntegerDefault(c));
      return Line(c, k == Kind::Sqlite ? "int" : "bigint", IntegerDefault(c));
    case ZEL_SQL_FLOAT: case ZEL_SQL_REAL:
      return Line(c, k == Kind::Mysql || k == Kind::Firebird ? "float" : "real",
                  NumberDefault(d, c));
    case ZEL_SQL_DOUBLE:
      return Line(c, k == Kind::Mysql ? "double" : k == Kind::Sqlite ? "real" : "double precision",
                  NumberDefault(d, c));
    case ZEL_SQL_DECIMAL: case ZEL_SQL_NUMERIC:
      return Line(c, k == Kind::Mysql ? "decimal(65,30)" : k == Kind::Firebird ? "numeric(18,4)" : "numeric",
                  NumberDefault(d, c));
    case ZEL_SQL_CHAR: case ZEL_SQL_VARCHAR: {
      const int32_t size = k == Kind::Pgsql ? c->maxSize + 1 : c->maxSize;
      return Line(c, "varchar(" + std::to_string(size) + ")", TextDefault(d, c));
    }
    case ZEL_SQL_TEXT:
      return "\t" + name + (k == Kind::Firebird ? " BLOB SUB_TYPE TEXT " : " text ");
    case ZEL_SQL_BLOB: case ZEL_SQL_CLOB:
      if (k == Kind::Mysql) return Line(c, "blob", TextDefault(d, c));
      if (k == Kind::Firebird) {
        return Line(c, c->type == ZEL_SQL_BLOB ? "BLOB" : "BLOB SUB_TYPE TEXT", TextDefault(d, c));
      }
      if (k == Kind::Pgsql) return Line(c, c->type == ZEL_SQL_BLOB ? "bytea" : "text", TextDefault(d, c));
      return Line(c, c->type == ZEL_SQL_BLOB ? "blob" : "text", TextDefault(d, c));
    case ZEL_SQL_DATE:
      return "\t" + name + (k == Kind::Sqlite ? " varchar(30)" : " date");
    case ZEL_SQL_TIME:
      return "\t" + name + (k == Kind::Sqlite ? " varchar(30)" : " time");
    case ZEL_SQL_DATETIME:
      return "\t" + name + (k == Kind::Mysql ? " datetime" : k == Kind::Sqlite ? " varchar(30)" : " timestamp");
    case ZEL_SQL_BOOLEAN: {
      const char *type = k == Kind::Mysql ? "tinyint" : k == Kind::Firebird ? "SMALLINT" : "boolean";
      return Line(c, type, c->defaultValue != nullptr ? BooleanDefault(d, c) : "", true);
    }
    default:
      return "";
  }
}

void TraceColumn(const ColumnDefn *c) {
  LogTrace("Column Name : %s\n", Str(c->name).c_str());
  LogTrace("Column Type : %d\n", c->type);
  LogTrace("Unique Flag : %s\n", c->unique ? "TRUE" : "FALSE");
  LogTrace("Description : %s\n", c->description != nullptr ? c->description : "(null)");
  LogTrace("---------------------------------------\n\n");
}

// Foreign keys grouped into constraints: consecutive entries to the same table with
// reference columns other than the group's first form one constraint.
std::vector<std::vector<const ForeignKeyDefn *>> GroupForeignKeys(Vector *list) {
  std::vector<const ForeignKeyDefn *> all;
  for (VectorNode *n = list->head; n != nullptr; n = n->next) {
    all.push_back(static_cast<const ForeignKeyDefn *>(n->element));
  }
  std::vector<std::vector<const ForeignKeyDefn *>> groups;
  for (size_t i = 0; i < all.size();) {
    std::vector<const ForeignKeyDefn *> group{all[i]};
    size_t j = i + 1;
    while (j < all.size() &&
           strcasecmp(Str(all[j]->referenceTableName).c_str(), Str(all[i]->referenceTableName).c_str()) == 0 &&
           strcasecmp(Str(all[j]->fkReferenceColumn).c_str(), Str(all[i]->fkReferenceColumn).c_str()) != 0) {
      group.push_back(all[j++]);
    }
    groups.push_back(std::move(group));
    i = j;
  }
  return groups;
}

}  // namespace

char *CreateStatement(const Dialect &d, const char *tableName) {
  if (d.kind != Kind::Sqlite) LogTrace("@@@ Inside %sGenCreateQuery @@@\n", d.prefix);
  if (tableName == nullptr) return nullptr;
  const TableDefn *table = GetTableDefn(tableName);
  if (table == nullptr || table->columns == nullptr || table->columns->count == 0) return nullptr;
  std::vector<const ColumnDefn *> columns;
  for (VectorNode *n = table->columns->head; n != nullptr; n = n->next) {
    columns.push_back(static_cast<const ColumnDefn *>(n->element));
  }
  const ConstraintDefn *constraints = table->constraints;
  const bool hasKeys = constraints != nullptr && constraints->primaryKeyCount > 0;

  LogTrace("Table Name : %s\n", Str(table->name).c_str());
  LogTrace("Description: %s\n", table->description != nullptr ? table->description : "(null)");
  LogTrace("---------------------------------------\n\n");
  std::string text = "CREATE TABLE " + std::string(tableName) + "(\n";
  for (size_t i = 0; i < columns.size(); ++i) {
    const ColumnDefn *c = columns[i];
    TraceColumn(c);
    text += TypeLine(d, c);
    if (!c->nullable) text += " NOT NULL";
    if (c->unique && !(d.kind == Kind::Firebird && IsKeyColumn(table, c->name))) text += " UNIQUE";
    text += (i + 1 < columns.size() || hasKeys) ? ",\n" : "\n";
  }
  if (hasKeys) {
    text += "\tPRIMARY KEY(";
    for (int32_t k = 0; k < constraints->primaryKeyCount; ++k) {
      LogTrace("Primary key : %s\n\n", Str(constraints->primaryKeyColumns[k]).c_str());
      if (k > 0) text += ", ";
      text += Str(constraints->primaryKeyColumns[k]);
    }
    text += ")";
  }
  if (constraints != nullptr && constraints->foreignKeys != nullptr) {
    LogTrace("Foreign key Constraints\n");
    LogTrace("********************************\n");
    text += ",\n";
    int counter = 0;
    bool first = true;
    for (const auto &group : GroupForeignKeys(constraints->foreignKeys)) {
      std::string locals;
      std::string refs;
      for (const ForeignKeyDefn *fk : group) {
        locals += (locals.empty() ? "" : ",") + Str(fk->fkLocalColumn);
        refs += (refs.empty() ? "" : ",") + Str(fk->fkReferenceColumn);
      }
      const std::string refTable = Str(group.front()->referenceTableName);
      if (d.kind != Kind::Mysql) {
        LogTrace("Column Name : %s\n", locals.c_str());
        LogTrace("Ref Column  : %s\n", refs.c_str());
        LogTrace("Tablename : %s\n", refTable.c_str());
      }
      if (!first) text += ",\n";
      first = false;
      text += "\tFOREIGN KEY(" + locals + ") REFERENCES " + refTable + " (" + refs +
              ") ON DELETE CASCADE";
      if (d.kind == Kind::Mysql) {
        text += ",\n\tINDEX " + std::string(tableName) + "_IDX" + std::to_string(counter++) + " (" +
                locals + ")";
      }
    }
    LogTrace("********************************\n");
  }
  text += d.kind == Kind::Mysql ? "\n) ENGINE = InnoDB;\n\n" : "\n);\n\n";
  LogTrace("Create query is\n%s\n", text.c_str());
  return ToHeap(text);
}

namespace {

// Date value (the typed form) from a text of the form "y-m-d h:m:s", "y-m-d" or "h:m:s", as
// the column's type has it; NULL for any other text.
void *DateFromText(const char *text, uint8_t type, int32_t *length) {
  int f[6] = {0, 0, 0, 0, 0, 0};
  bool ok = false;
  if (type == ZEL_SQL_TIME) {
    ok = std::sscanf(text, "%d:%d:%d", &f[3], &f[4], &f[5]) == 3;
  } else if (type == ZEL_SQL_DATE) {
    ok = std::sscanf(text, "%d-%d-%d", &f[0], &f[1], &f[2]) == 3;
  } else {
    const int read = std::sscanf(text, "%d-%d-%d %d:%d:%d", &f[0], &f[1], &f[2], &f[3], &f[4], &f[5]);
    ok = read == 6 || read == 3;
  }
  if (!ok) return nullptr;
  ZelDate date{};
  ZelTime time{};
  date.year = static_cast<decltype(date.year)>(f[0]);
  date.month = static_cast<decltype(date.month)>(f[1]);
  date.day = static_cast<decltype(date.day)>(f[2]);
  time.hour = static_cast<decltype(time.hour)>(f[3]);
  time.minute = static_cast<decltype(time.minute)>(f[4]);
  time.second = static_cast<decltype(time.second)>(f[5]);
  ZelDateTime value{};
  value.date = &date;
  value.time = &time;
  return CreateDateTimeValue(&value, length);
}

}  // namespace

RowObject *ConvertCurrentRow(const Dialect &d, ResultSet *set, const char *tableName) {
  if (d.kind != Kind::Sqlite) LogTrace("@@@ Inside %sConvResultsetToRowobject @@@\n", d.prefix);
  if (set == nullptr || set->currentResultRow == nullptr || set->columnCount <= 0) return nullptr;
  std::vector<uint8_t> tableTypes;
  if (d.kind == Kind::Sqlite) {
    const TableDefn *table = tableName != nullptr ? GetTableDefn(tableName) : nullptr;
    if (table == nullptr || table->columns == nullptr || table->columns->count == 0) return nullptr;
    for (VectorNode *n = table->columns->head; n != nullptr; n = n->next) {
      tableTypes.push_back(static_cast<const ColumnDefn *>(n->element)->type);
    }
  }
  const size_t count = static_cast<size_t>(set->columnCount);
  auto **values = static_cast<void **>(std::calloc(count, sizeof(void *)));
  auto *lengths = static_cast<int32_t *>(std::calloc(count, sizeof(int32_t)));
  RowObject *row = nullptr;
  bool failed = values == nullptr || lengths == nullptr;
  const ResultCell *cell = set->currentResultRow->firstCell;
  for (size_t i = 0; !failed && i < count && cell != nullptr; ++i, cell = cell->nextCell) {
    lengths[i] = cell->cellLength;
    if (cell->cellValue == nullptr) continue;
    const uint8_t resultType = set->resultColumns[i].columnType;
    const bool fromText = d.kind == Kind::Sqlite && i < tableTypes.size() &&
                          tableTypes[i] >= ZEL_SQL_DATE && tableTypes[i] <= ZEL_SQL_DATETIME &&
                          !(resultType >= ZEL_SQL_DATE && resultType <= ZEL_SQL_DATETIME);
    if (fromText) {
      values[i] = DateFromText(static_cast<const char *>(cell->cellValue), tableTypes[i], &lengths[i]);
      failed = values[i] == nullptr;
      continue;
    }
    // Date values refer into themselves and are copied by their type.
    values[i] = CopyTypedValue(cell->cellValue, cell->cellLength, resultType);
    failed = values[i] == nullptr;
  }
  if (!failed) row = CreateNewRowObject(values, lengths);
  if (row == nullptr) {
    if (values != nullptr) {
      for (size_t i = 0; i < count; ++i) std::free(values[i]);
    }
    std::free(values);
    std::free(lengths);
    return nullptr;
  }
  row->state = 1;
  row->nextRow = nullptr;
  return row;
}

}  // namespace corbel::sql
