// The four dialect records and their registry.
#include <corbel/dialect.h>
#include <corbel/log.h>

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "framework/sql/generator.h"

CORBEL_DEFINE_DIALECT(Mysql, corbel::sql::kMysql, MysqlGenDelteQuery)
CORBEL_DEFINE_DIALECT(Pgsql, corbel::sql::kPgsql, PgsqlGenDeleteQuery)
CORBEL_DEFINE_DIALECT(Firebird, corbel::sql::kFirebird, FirebirdGenDeleteQuery)
CORBEL_DEFINE_DIALECT(Sqlite, corbel::sql::kSqlite, SqliteGenDeleteQuery)

namespace {
Vector gv_dialectVect;  // registered DialectOps, in registration order
bool gv_dialectVectReady = false;
}  // namespace

extern "C" {

const DialectOps gv_mysqlDialect = {"MYSQL",           MysqlGenSelectQuery, MysqlGenUpdateQuery,
                                    MysqlGenInsertQuery, MysqlGenDelteQuery,  MysqlGenCreateQuery,
                                    MysqlConvResultsetToRowobject};
const DialectOps gv_pgsqlDialect = {"PGSQL",           PgsqlGenSelectQuery, PgsqlGenUpdateQuery,
                                    PgsqlGenInsertQuery, PgsqlGenDeleteQuery, PgsqlGenCreateQuery,
                                    PgsqlConvResultsetToRowobject};
const DialectOps gv_firebirdDialect = {
    "FIREBIRD",           FirebirdGenSelectQuery, FirebirdGenUpdateQuery,
    FirebirdGenInsertQuery, FirebirdGenDeleteQuery, FirebirdGenCreateQuery,
    FirebirdConvResultsetToRowobject};
const DialectOps gv_sqliteDialect = {"SQLITE",           SqliteGenSelectQuery, SqliteGenUpdateQuery,
                                     SqliteGenInsertQuery, SqliteGenDeleteQuery, SqliteGenCreateQuery,
                                     SqliteConvResultsetToRowobject};

void InitDialects(void) {
  if (gv_dialectVectReady) FreeVector(&gv_dialectVect);
  InitVector(&gv_dialectVect, nullptr);
  gv_dialectVectReady = true;
  RegisterDialect(&gv_pgsqlDialect);
  RegisterDialect(&gv_mysqlDialect);
  RegisterDialect(&gv_sqliteDialect);
  RegisterDialect(&gv_firebirdDialect);
}

int RegisterDialect(const DialectOps *dialect) {
  if (dialect == nullptr) return 0;
  if (!gv_dialectVectReady) {
    InitVector(&gv_dialectVect, nullptr);
    gv_dialectVectReady = true;
  }
  return AddElementValue(&gv_dialectVect, const_cast<DialectOps *>(dialect)) ? 1 : 0;
}

const DialectOps *FindDialect(const char *name) {
  if (name == nullptr || !gv_dialectVectReady) return nullptr;
  for (VectorNode *node = gv_dialectVect.head; node != nullptr; node = node->next) {
    const auto *dialect = static_cast<const DialectOps *>(node->element);
    if (strcasecmp(dialect->name, name) == 0) return dialect;
  }
  return nullptr;
}

void FreeDialects(void) {
  if (gv_dialectVectReady) FreeVector(&gv_dialectVect);
}

}  // extern "C"
