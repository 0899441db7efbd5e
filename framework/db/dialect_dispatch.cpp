// The dialect that writes the statements of a table: the database type of the table's data
// source when the data-source map is in use, otherwise the framework-wide one.
#include <corbel/dbprovider.h>

#include <cstdlib>

#include <corbel/connpool.h>
#include <corbel/dialect.h>
#include <corbel/dictionary.h>
#include <corbel/log.h>

namespace {

const DialectOps *DialectOfConnection(const char *connectionName) {
  if (!IsDSNMapValid()) return FindDialect(GetFrameworkDBType());
  const char *type = GetDBTypeForConnection(connectionName);
  return type != nullptr ? FindDialect(type) : nullptr;
}

const DialectOps *DialectOfTable(const char *tableName) {
  if (!IsDSNMapValid()) return FindDialect(GetFrameworkDBType());
  const char *connection = GetConnectionNameForTable(tableName);
  return connection != nullptr ? DialectOfConnection(connection) : nullptr;
}

template <typename Gen>
char *RowStatement(const char *tableName, RowObject *row, Gen gen, const char *what) {
  const DialectOps *dialect = DialectOfTable(tableName);
  char *text = dialect != nullptr ? (dialect->*gen)(tableName, row) : nullptr;
  LogDebug("Generated %s Query: %s\n", what, text != nullptr ? text : "(null)");
  return text;
}

// Runs a generated statement on a connection of the data source and gives it back.
bool RunOn(const char *connectionName, char *text) {
  if (text == nullptr) return false;
  ConnectionHandle *connection = GetConnectionHandle(connectionName);
  bool ok = ExecuteUpdate(connection, text) == 1;
  if (connection != nullptr) ReleaseConnectionHandle(connectionName);
  std::free(text);
  return ok;
}

}  // namespace

extern "C" {

char *GenerateSelectQuery(SelectQuery *query) {
  if (query == nullptr) return nullptr;
  const DialectOps *dialect = nullptr;
  if (IsDSNMapValid()) {
    const char *table = nullptr;
    if (VectorNode *n = ElementAt(&query->tables, 0)) {
      table = static_cast<QueryTable *>(n->element)->tableName;
    } else if (VectorNode *j = ElementAt(&query->joins, 0)) {
      table = static_cast<QueryJoin *>(j->element)->baseTableName;
    } else {
      LogError("No Tables selected in select query.\n");
      return nullptr;
    }
    dialect = DialectOfTable(table);
  } else {
    dialect = FindDialect(GetFrameworkDBType());
  }
  char *text = dialect != nullptr ? dialect->GenSelectQuery(query) : nullptr;
  LogDebug("Generated Select Query: %s\n", text != nullptr ? text : "(null)");
  return text;
}

char *GenerateUpdateQuery(const char *tableName, RowObject *row) {
  return RowStatement(tableName, row, &DialectOps::GenUpdateQuery, "Update");
}

char *GenerateInsertQuery(const char *tableName, RowObject *row) {
  return RowStatement(tableName, row, &DialectOps::GenInsertQuery, "Insert");
}

char *GenerateDeleteQuery(const char *tableName, RowObject *row) {
  return RowStatement(tableName, row, &DialectOps::GenDeleteQuery, "Delete");
}

char *GenerateCreateTableQuery(const char *tableName) {
  const DialectOps *dialect = DialectOfTable(tableName);
  char *text = dialect != nullptr ? dialect->GenCreateQuery(tableName) : nullptr;
  LogDebug("Generated Create Table Query: %s\n", text != nullptr ? text : "(null)");
  return text;
}

bool CreateTableInDB(const char *tableName, const char *connectionName) {
  const DialectOps *dialect = DialectOfConnection(connectionName);
  return dialect != nullptr && RunOn(connectionName, dialect->GenCreateQuery(tableName));
}

bool CreateAllTables(void) {
  for (VectorNode *n = ElementAt(GetTableDefnList(), 0); n != nullptr; n = n->next) {
    const char *name = static_cast<const TableDefn *>(n->element)->name;
    char *text = GenerateCreateTableQuery(name);
    const char *connection = IsDSNMapValid() ? GetConnectionNameForTable(name) : nullptr;
    if (!RunOn(connection, text)) return false;
  }
  return true;
}

RowObject *ConvertResultRow(ResultSet *set, const char *dialectName, const char *tableName) {
  const DialectOps *dialect = FindDialect(dialectName);
  return dialect != nullptr ? dialect->ConvResultsetToRowobject(set, tableName) : nullptr;
}

}  // extern "C"
