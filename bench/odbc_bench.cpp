// ExecuteQuery of a 200,000-row, 6-column table against a plain ODBC loop (SQLBindCol +
// SQLFetch of the same query) in the same run, on SQLite and PostgreSQL. Needs the test
// engines: started here through scripts/engines.sh when they are not running; without them
// the benchmark says so and ends.
#include <sql.h>
#include <sqlext.h>
#include <unistd.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <corbel/connpool.h>
#include <corbel/dbprovider.h>
#include <corbel/dictionary.h>
#include <corbel/log.h>
#include <corbel/resultset.h>

namespace {

constexpr int kRows = 200000;
constexpr int kRounds = 3;

// Loads the env file of the test engines into this process, starting them when needed.
bool LoadEngines() {
  if (const char *ready = std::getenv("CORBEL_ENGINES_READY"); ready && std::string(ready) == "1")
    return true;
  const std::string script = std::string(OVR_SOURCE_DIR) + "/scripts/engines.sh";
  if (std::system((script + " start >/dev/null 2>&1").c_str()) != 0) return false;
  FILE *p = popen((script + " env 2>/dev/null").c_str(), "r");
  if (p == nullptr) return false;
  char path[4096] = "";
  bool got = std::fgets(path, sizeof path, p) != nullptr;
  pclose(p);
  if (!got) return false;
  std::string file = path;
  while (!file.empty() && (file.back() == '\n' || file.back() == '\r')) file.pop_back();
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("export ", 0) != 0) continue;
    size_t eq = line.find('=');
    std::string name = line.substr(7, eq - 7), value = line.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '\'') value = value.substr(1, value.size() - 2);
    setenv(name.c_str(), value.c_str(), 1);
  }
  return std::getenv("CORBEL_ENGINES_READY") != nullptr;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The same query through a plain ODBC loop; returns a checksum.
long long PlainLoop(const std::string &connect, const std::string &query, double *seconds) {
  SQLHENV env;
  SQLHDBC dbc;
  SQLHSTMT stmt;
  SQLAllocEnv(&env);
  SQLAllocConnect(env, &dbc);
  SQLDriverConnect(dbc, nullptr, (SQLCHAR *)connect.c_str(), SQL_NTS, nullptr, 0, nullptr,
                   SQL_DRIVER_NOPROMPT);
  SQLAllocStmt(dbc, &stmt);
  auto start = std::chrono::steady_clock::now();
  SQLExecDirect(stmt, (SQLCHAR *)query.c_str(), SQL_NTS);
  SQLINTEGER id = 0, a = 0;
  SQLBIGINT b = 0;
  double c = 0;
  char d[161], e[161];
  SQLLEN ind[6];
  SQLBindCol(stmt, 1, SQL_C_SLONG, &id, 0, &ind[0]);
  SQLBindCol(stmt, 2, SQL_C_SLONG, &a, 0, &ind[1]);
  SQLBindCol(stmt, 3, SQL_C_SBIGINT, &b, 0, &ind[2]);
  SQLBindCol(stmt, 4, SQL_C_DOUBLE, &c, 0, &ind[3]);
  SQLBindCol(stmt, 5, SQL_C_CHAR, d, sizeof d, &ind[4]);
  SQLBindCol(stmt, 6, SQL_C_CHAR, e, sizeof e, &ind[5]);
  long long sum = 0;
  while (SQL_SUCCEEDED(SQLFetch(stmt))) sum += id + (d[0] != 0) + (e[0] != 0);
  *seconds = Seconds(start);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  SQLDisconnect(dbc);
  SQLFreeConnect(dbc);
  SQLFreeEnv(env);
  return sum;
}

const char *heapNote = "default heap";

void RunEngine(const char *label, const char *connectVar, const char *dbType, const std::string &fill) {
  const char *connect = std::getenv(connectVar);
  if (connect == nullptr) {
    std::printf("%s: %s not set, skipped\n", label, connectVar);
    return;
  }
  ConnParamsEntry *params = CreateConnParamsEntry("b", 0, "x", nullptr, nullptr, 0, "bench", 1,
                                                  connect, "ODBC", dbType);
  ConnectionHandle *c = OpenDBConnection(params);
  if (c == nullptr) {
    std::printf("%s: cannot connect, skipped\n", label);
    FreeConnParamsEntry(params);
    return;
  }
  const std::string table = "bench_rows_" + std::to_string(getpid());
  ExecuteUpdate(c, ("DROP TABLE " + table).c_str());
  ExecuteUpdate(c, ("CREATE TABLE " + table +
                    " (id INTEGER, a INTEGER, b BIGINT, c DOUBLE PRECISION, d VARCHAR(40), e VARCHAR(40))")
                       .c_str());
  std::string insert = fill;
  for (size_t at; (at = insert.find("@T")) != std::string::npos;) insert.replace(at, 2, table);
  if (ExecuteUpdate(c, insert.c_str()) != 1) {
    std::printf("%s: cannot fill the table, skipped\n", label);
  } else {
    // The table is in the dictionary, as an application's would be.
    Vector *columns = CreateVector();
    const struct { const char *n; uint8_t t; } defs[] = {{"id", ZEL_SQL_INT}, {"a", ZEL_SQL_INT},
        {"b", ZEL_SQL_BIGINT}, {"c", ZEL_SQL_DOUBLE}, {"d", ZEL_SQL_VARCHAR}, {"e", ZEL_SQL_VARCHAR}};
    for (const auto &d : defs)
      AddElementValue(columns, CreateColumnDefn(d.n, d.t, nullptr, 0, 0, nullptr, nullptr, 40, 1, nullptr));
    AddTableDefn(CreateTableDefn(table.c_str(), nullptr, columns, nullptr));
    const std::string query = "SELECT id, a, b, c, d, e FROM " + table;
    double framework = 1e9, plain = 1e9;
    int rows = 0;
    for (int round = 0; round < kRounds; ++round) {
      auto start = std::chrono::steady_clock::now();
      ResultSet *set = ExecuteQuery(c, query.c_str());
      framework = std::min(framework, Seconds(start));
      rows = set != nullptr ? set->rowCount : -1;
      FreeResultSet(set);
      double s = 0;
      PlainLoop(connect, query, &s);
      plain = std::min(plain, s);
    }
    std::printf("%-10s %-12s rows %d  ExecuteQuery %.3f s  plain SQLBindCol+SQLFetch %.3f s  ratio %.2f\n",
                label, heapNote, rows, framework, plain, framework / plain);
    FreeTableDefn(table.c_str());
  }
  ExecuteUpdate(c, ("DROP TABLE " + table).c_str());
  CloseDBConnection(c);
  FreeConnParamsEntry(params);
}

}  // namespace

int main() {
  if (!LoadEngines()) {
    std::printf("bench_odbc: the test engines are not available (scripts/engines.sh start); skipped\n");
    return 0;
  }
  InitMutex();
  InitDBProvider();
  InitDataDictionary();
  // A result set of 200,000 x 6 cells is about 80 MB of small heap blocks: with the C
  // library's default trimming every round faults that memory in afresh. The second pass
  // keeps the freed heap, which shows the cost of the conversion work alone.
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) {
      mallopt(M_TRIM_THRESHOLD, 1 << 30);
      mallopt(M_TOP_PAD, 256 << 20);
      heapNote = "kept heap";
    }
  RunEngine("sqlite", "CORBEL_SQLITE_CONNECT", "SQLITE",
            "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < 200000) "
            "INSERT INTO @T SELECT i, i * 2, i * 1000000, i * 0.5, 'name ' || i, 'text of row ' || i FROM s");
  RunEngine("postgresql", "CORBEL_PG_CONNECT", "PGSQL",
            "INSERT INTO @T SELECT i, i * 2, i * 1000000::bigint, i * 0.5, 'name ' || i, "
            "'text of row ' || i FROM generate_series(1, 200000) i");
  }
  FreeAllTableDefns();
  DeInitDBProvider();
  return 0;
}
