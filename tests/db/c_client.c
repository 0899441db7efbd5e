/* A C program on the framework's database interface, as an application writes it: one data
 * source on the SQLite test DSN, a pooled connection, a table, a sequence and a query.
 * Exit 0 on success, 77 when the engines are not set up, 1 on a failure (printed). */
#include <corbel/corbel.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static int fail(const char *what) {
  fprintf(stderr, "c_client: %s\n", what);
  return 1;
}

int main(void) {
  const char *dsn = getenv("CORBEL_SQLITE_DSN");
  if (dsn == NULL) {
    const char *required = getenv("CORBEL_REQUIRE_ENGINES");
    if (required != NULL && strcmp(required, "1") == 0) return fail("CORBEL_SQLITE_DSN not set");
    return 77;
  }
  char table[64], sequence[64], sql[256];
  snprintf(table, sizeof table, "c_client_%ld", (long)getpid());
  snprintf(sequence, sizeof sequence, "C_CLIENT_%ld", (long)getpid());

  InitMutex();
  if (!InitDBProvider()) return fail("InitDBProvider");
  InitDataSourceMap();
  InitDataDictionary();
  InitSequenceTable();
  ConnParamsEntry *params =
      CreateConnParamsEntry("c", 1, dsn, NULL, "NULL", 0, "main", 0, NULL, "ODBC", "SQLITE");
  if (params == NULL || !StoreConnParamsEntry(params)) return fail("parameters");
  SetDSNMapValid(0, CORBEL_DBTYPE_SQLITE);
  if (!EstablishDBConnections()) return fail("EstablishDBConnections");

  ConnectionHandle *c = GetConnectionHandle(NULL);
  if (c == NULL) return fail("GetConnectionHandle");
  ExecuteUpdate(c, "CREATE TABLE IF NOT EXISTS SeqGenState (SEQNAME VARCHAR(64) NOT NULL PRIMARY KEY, "
                   "CURRENTBATCHEND INTEGER NOT NULL)");
  snprintf(sql, sizeof sql, "CREATE TABLE %s (id INTEGER, label VARCHAR(20))", table);
  if (ExecuteUpdate(c, sql) != 1) return fail("create table");
  ReleaseConnectionHandle(NULL);

  Vector *columns = CreateVector();
  AddElementValue(columns, CreateColumnDefn("id", ZEL_SQL_INT, NULL, 0, 1, sequence, NULL, 0, 0, NULL));
  AddElementValue(columns, CreateColumnDefn("label", ZEL_SQL_VARCHAR, NULL, 0, 0, NULL, NULL, 20, 1, NULL));
  AddTableDefn(CreateTableDefn(table, NULL, columns, NULL));
  if (!SequenceGenerator()) return fail("SequenceGenerator");
  const ColumnDefn *id = GetColumnDefnEntry(table, "id");

  c = GetConnectionHandle(NULL);
  for (int i = 0; i < 3; ++i) {
    snprintf(sql, sizeof sql, "INSERT INTO %s VALUES (%d, 'row')", table, (int)GenerateID(table, id));
    if (ExecuteUpdate(c, sql) != 1) return fail("insert");
  }
  snprintf(sql, sizeof sql, "SELECT id, label FROM %s ORDER BY id", table);
  ResultSet *set = ExecuteQuery(c, sql);
  if (set == NULL || set->rowCount != 3) return fail("select");
  int32_t expected = 1, length = 0;
  while (GotoNextResultRow(set) != NULL) {
    const int32_t *value = (const int32_t *)GetResultColumnValue("id", &length, set);
    if (value == NULL || *value != expected++ || length != 4) return fail("generated ids");
  }
  FreeResultSet(set);
  snprintf(sql, sizeof sql, "DROP TABLE %s", table);
  ExecuteUpdate(c, sql);
  snprintf(sql, sizeof sql, "DELETE FROM SeqGenState WHERE SEQNAME = '%s'", sequence);
  ExecuteUpdate(c, sql);
  ReleaseConnectionHandle(NULL);

  FreeSequenceTable();
  FreeConnectionPool();
  FreeAllConnParamsEntries();
  FreeAllDataSourceMapEntries();
  FreeAllTableDefns();
  DeInitDBProvider();
  puts("c_client: ok");
  return 0;
}
