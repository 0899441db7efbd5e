// What the database-access tests need per engine beyond tests/engines/engine_context.h:
// data-source parameters from the engine's env file and the column types that differ.
#pragma once

#include <cstdlib>
#include <string>

#include <corbel/connpool.h>
#include <corbel/dbprovider.h>

#include "tests/engines/engine_context.h"

namespace corbel::testing {

// The engine of this test program (defined by its <engine>_db_test.cpp).
const EngineContext &TheEngine();

inline std::string Env(const char *name) {
  const char *v = std::getenv(name);
  return v != nullptr ? v : "";
}

// Parameters of a data source named `name` on the engine's DSN with its user and password.
inline ConnParamsEntry *DataSourceOf(const EngineContext &ctx, const char *name) {
  std::string dsn, user, password;
  const char *type = "SQLITE";
  switch (ctx.kind) {
    case EngineKind::kPostgresql:
      dsn = Env("CORBEL_PG_DSN"), user = Env("CORBEL_PG_USER"), type = "PGSQL";
      break;
    case EngineKind::kMariadb:
      dsn = Env("CORBEL_MARIADB_DSN"), user = Env("CORBEL_MARIADB_USER"),
      password = Env("CORBEL_MARIADB_PASSWORD"), type = "MYSQL";
      break;
    default:
      dsn = Env("CORBEL_SQLITE_DSN");
  }
  return CreateConnParamsEntry("lbl", 1, dsn.c_str(), user.empty() ? nullptr : user.c_str(),
                               password.empty() ? nullptr : password.c_str(), 0, name, 0,
                               nullptr, "ODBC", type);
}

inline std::string TimestampType(const EngineContext &ctx) {
  return ctx.kind == EngineKind::kMariadb ? "DATETIME" : "TIMESTAMP";
}

inline std::string BlobType(const EngineContext &ctx) {
  switch (ctx.kind) {
    case EngineKind::kPostgresql: return "BYTEA";
    case EngineKind::kMariadb: return "LONGBLOB";
    default: return "BLOB";
  }
}

// SeqGenState as an application schema declares it; shared by the test programs of an
// engine, so it is created when missing and never dropped.
inline void PrepareSequenceTable(ConnectionHandle *connection) {
  ExecuteUpdate(connection,
                "CREATE TABLE IF NOT EXISTS SeqGenState (SEQNAME VARCHAR(64) NOT NULL PRIMARY "
                "KEY, CURRENTBATCHEND INTEGER NOT NULL)");
}

}  // namespace corbel::testing
