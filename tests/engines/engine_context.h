// Per-engine context for tests that run on the real database engines started by
// scripts/engines.sh (source its env file before ctest). Shared test bodies take an
// EngineContext as their parameter; each engine gets its own program and CTest label.
//
// When an engine cannot be reached the test is skipped with a message, or fails when
// CORBEL_REQUIRE_ENGINES=1 (as in `make check`): use CORBEL_REQUIRE_ENGINE(ctx) at the top of
// a test body.
#pragma once

#include <sql.h>
#include <sqlext.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace corbel::testing {

enum class EngineKind { kSqlite, kPostgresql, kMariadb, kFirebird };

// What a test needs to know about one engine: how to reach it and where it differs.
struct EngineContext {
  EngineKind kind;
  const char *name;         // CTest label and test-name suffix: "sqlite", "postgresql", ...
  const char *connect_env;  // variable holding the ODBC connection string (empty: no ODBC)
  // Quirks.
  const char *int_type;           // a 32-bit integer column
  const char *text_type;          // a bounded UTF-8 text column
  bool boolean_is_integer;        // the engine takes 1/0 for booleans, not 't'/'f'
  bool backslash_escapes;         // backslashes in literals must be doubled
  bool ddl_needs_commit;          // tables are usable only after the DDL is committed
  const char *create_table_suffix;  // written after the column list of CREATE TABLE

  // The ODBC connection string from the environment, empty when not set.
  std::string ConnectionString() const {
    const char *v = connect_env[0] != '\0' ? std::getenv(connect_env) : nullptr;
    return v != nullptr ? v : "";
  }
};

inline const EngineContext kSqlite{EngineKind::kSqlite, "sqlite", "CORBEL_SQLITE_CONNECT",
                                   "INTEGER", "VARCHAR(200)", true, false, false, ""};
inline const EngineContext kPostgresql{EngineKind::kPostgresql, "postgresql",
                                       "CORBEL_PG_CONNECT", "INTEGER", "VARCHAR(200)", false,
                                       false, false, ""};
inline const EngineContext kMariadb{EngineKind::kMariadb, "mariadb", "CORBEL_MARIADB_CONNECT",
                                    "INT", "VARCHAR(200)", true, true, false,
                                    " ENGINE = InnoDB DEFAULT CHARSET=utf8mb4"};
inline const EngineContext kFirebird{EngineKind::kFirebird, "firebird", "", "INTEGER",
                                     "VARCHAR(200)", true, false, true, ""};

inline std::ostream &operator<<(std::ostream &os, const EngineContext &ctx) {
  return os << ctx.name;
}

// For INSTANTIATE_TEST_SUITE_P: names the instance after its engine.
inline std::string EngineName(const ::testing::TestParamInfo<EngineContext> &info) {
  return info.param.name;
}

inline bool EnginesRequired() {
  const char *v = std::getenv("CORBEL_REQUIRE_ENGINES");
  return v != nullptr && std::string(v) == "1";
}

inline bool EnginesStarted() {
  const char *v = std::getenv("CORBEL_ENGINES_READY");
  return v != nullptr && std::string(v) == "1";
}

// A name unique to this process, for tables that parallel test programs create in one database.
inline std::string UniqueName(const std::string &stem) {
  return stem + "_" + std::to_string(::getpid());
}

// Text as an SQL literal on `ctx`'s engine.
inline std::string Quote(const EngineContext &ctx, const std::string &text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') out += '\'';
    if (c == '\\' && ctx.backslash_escapes) out += '\\';
    out += c;
  }
  return out + "'";
}

// Fixture of the shared test bodies: the parameter is the engine's context.
class EngineTest : public ::testing::TestWithParam<EngineContext> {};

// ---- ODBC ------------------------------------------------------------------------------

// All diagnostic records of a handle, one "SQLSTATE: message" per line.
inline std::string OdbcDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::string out;
  SQLCHAR state[6];
  SQLCHAR message[1024];
  SQLINTEGER native = 0;
  SQLSMALLINT len = 0;
  for (SQLSMALLINT i = 1; SQLGetDiagRec(type, handle, i, state, &native, message,
                                        sizeof message, &len) == SQL_SUCCESS;
       ++i) {
    out += std::string(reinterpret_cast<char *>(state)) + ": " +
           reinterpret_cast<char *>(message) + "\n";
  }
  return out;
}

// One connection through the driver manager; statements run directly. Errors are returned
// as text (empty on success) so that tests can print them.
class OdbcSession {
 public:
  OdbcSession() = default;
  OdbcSession(const OdbcSession &) = delete;
  OdbcSession &operator=(const OdbcSession &) = delete;
  ~OdbcSession() {
    if (dbc_ != SQL_NULL_HDBC) {
      if (connected_) SQLDisconnect(dbc_);
      SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    }
    if (env_ != SQL_NULL_HENV) SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }

  std::string Connect(const std::string &connection_string) {
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)))
      return "SQLAllocHandle(ENV) failed";
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_)))
      return "SQLAllocHandle(DBC) failed";
    SQLCHAR out[1024];
    SQLSMALLINT out_len = 0;
    std::string in = connection_string;
    SQLRETURN rc = SQLDriverConnect(dbc_, nullptr, reinterpret_cast<SQLCHAR *>(in.data()),
                                    SQL_NTS, out, sizeof out, &out_len, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) return "SQLDriverConnect: " + OdbcDiagnostics(SQL_HANDLE_DBC, dbc_);
    connected_ = true;
    return "";
  }

  // Runs a statement that returns no rows.
  std::string Execute(const std::string &sql) {
    return Run(sql, nullptr);
  }

  // Runs a query; every column is fetched as text, NULL as nullopt.
  std::string Query(const std::string &sql,
                    std::vector<std::vector<std::optional<std::string>>> *rows) {
    rows->clear();
    return Run(sql, rows);
  }

 private:
  std::string Run(const std::string &sql,
                  std::vector<std::vector<std::optional<std::string>>> *rows) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt)))
      return "SQLAllocHandle(STMT): " + OdbcDiagnostics(SQL_HANDLE_DBC, dbc_);
    std::string error;
    std::string text = sql;
    SQLRETURN rc = SQLExecDirect(stmt, reinterpret_cast<SQLCHAR *>(text.data()), SQL_NTS);
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
      error = sql + "\n" + OdbcDiagnostics(SQL_HANDLE_STMT, stmt);
    } else if (rows != nullptr) {
      SQLSMALLINT columns = 0;
      SQLNumResultCols(stmt, &columns);
      while (error.empty() && SQL_SUCCEEDED(rc = SQLFetch(stmt))) {
        auto &row = rows->emplace_back();
        for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
          std::string value;
          char buf[256];
          SQLLEN ind = 0;
          bool is_null = false;
          // Long values arrive in pieces; each piece but the last fills the buffer.
          while (true) {
            SQLRETURN g = SQLGetData(stmt, c, SQL_C_CHAR, buf, sizeof buf, &ind);
            if (g == SQL_NO_DATA) break;
            if (!SQL_SUCCEEDED(g)) {
              error = "SQLGetData: " + OdbcDiagnostics(SQL_HANDLE_STMT, stmt);
              break;
            }
            if (ind == SQL_NULL_DATA) {
              is_null = true;
              break;
            }
            bool more = g == SQL_SUCCESS_WITH_INFO &&
                        (ind == SQL_NO_TOTAL || ind >= static_cast<SQLLEN>(sizeof buf));
            value += more ? std::string(buf, sizeof buf - 1) : std::string(buf);
            if (!more) break;
          }
          row.push_back(is_null ? std::nullopt : std::optional<std::string>(value));
        }
      }
      if (error.empty() && rc != SQL_NO_DATA)
        error = "SQLFetch: " + OdbcDiagnostics(SQL_HANDLE_STMT, stmt);
    }
    SQLFreeHandle(SQL_HANDLE_STMT, stmt);
    return error;
  }

  SQLHENV env_ = SQL_NULL_HENV;
  SQLHDBC dbc_ = SQL_NULL_HDBC;
  bool connected_ = false;
};

// ---- Firebird (embedded, through isql-fb) ---------------------------------------------------

struct IsqlResult {
  int exit_code = -1;
  std::string output;  // standard output and error together
};

// Runs `script` with isql-fb on the test database; stops at the first failing statement.
// An embedded engine holds the database file exclusively while it has it open, so runs from
// parallel test programs take turns on a lock file beside the database.
inline IsqlResult RunIsql(const std::string &script) {
  IsqlResult result;
  const char *isql = std::getenv("CORBEL_FIREBIRD_ISQL");
  const char *db = std::getenv("CORBEL_FIREBIRD_DB");
  const char *user = std::getenv("CORBEL_FIREBIRD_USER");
  if (isql == nullptr || db == nullptr) {
    result.output = "CORBEL_FIREBIRD_ISQL or CORBEL_FIREBIRD_DB not set";
    return result;
  }
  char path[] = "/tmp/corbel-isql-XXXXXX";
  int fd = ::mkstemp(path);
  if (fd < 0) {
    result.output = "mkstemp failed";
    return result;
  }
  ::close(fd);
  {
    std::ofstream(path) << script;
  }
  int lock = ::open((std::string(db) + ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
  if (lock >= 0) ::flock(lock, LOCK_EX);
  std::string command = std::string("'") + isql + "' -q -b -user '" +
                        (user != nullptr ? user : "SYSDBA") + "' -i '" + path + "' '" + db +
                        "' 2>&1";
  if (FILE *p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) result.output.append(buf, n);
    int status = ::pclose(p);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  if (lock >= 0) ::close(lock);
  ::unlink(path);
  return result;
}

// Whether the engine answers; `why` receives the reason when it does not.
inline bool EngineReachable(const EngineContext &ctx, std::string *why) {
  if (!EnginesStarted()) {
    *why = "CORBEL_ENGINES_READY is not set";
    return false;
  }
  if (ctx.kind == EngineKind::kFirebird) {
    IsqlResult r = RunIsql("SELECT 1 FROM RDB$DATABASE;\n");
    if (r.exit_code == 0) return true;
    *why = "isql-fb: " + r.output;
    return false;
  }
  std::string connection = ctx.ConnectionString();
  if (connection.empty()) {
    *why = std::string(ctx.connect_env) + " is not set";
    return false;
  }
  OdbcSession session;
  *why = session.Connect(connection);
  return why->empty();
}

}  // namespace corbel::testing

// Skips the test when the engine cannot be reached, or fails it under CORBEL_REQUIRE_ENGINES=1.
#define CORBEL_REQUIRE_ENGINE(ctx)                                                        \
  do {                                                                                    \
    std::string corbel_why_;                                                              \
    if (!::corbel::testing::EngineReachable((ctx), &corbel_why_)) {                       \
      std::string corbel_msg_ = std::string("engine ") + (ctx).name +                     \
                                " not reachable (run scripts/engines.sh start and source " \
                                "its env file): " +                                       \
                                corbel_why_;                                              \
      if (::corbel::testing::EnginesRequired()) {                                         \
        FAIL() << corbel_msg_;                                                            \
      } else {                                                                            \
        GTEST_SKIP() << corbel_msg_;                                                      \
      }                                                                                   \
    }                                                                                     \
  } while (0)
