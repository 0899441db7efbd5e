// The in-memory store against SQLite's in-memory database on the same million rows of a
// five-column table (int, varchar, int, float, bigint): adding rows from typed values
// (against prepared INSERTs in one transaction), selecting by «qty >= 500 and name = 'n842'»
// (against the same SELECT, no index), and memory per row after loading: the process's
// resident memory that the loading took (the store's rows do not all come from the heap), beside
// the memory SQLite counts for itself.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <corbel/dictionary.h>
#include <corbel/log.h>
#include <corbel/store.h>

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRows = 1000000;
constexpr int kSelectRuns = 5;
const char *const kCriteria = "qty >= 500 and name = 'n842'";

struct Source {
  int32_t id, qty;
  std::string name;
  float price;
  int64_t big;
};

Source Data(int i) {
  return {i, static_cast<int32_t>((i * 7919LL) % 1000), "n" + std::to_string(i % 1000),
          static_cast<float>(i) * 0.5f, i * 1000003LL};
}

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

void Line(const char *what, double figure, double peer, const char *unit) {
  std::printf("%-34s corbel %10.3f %s   sqlite %10.3f %s   ratio %.2f\n", what, figure, unit, peer,
              unit, figure / peer);
}

// Resident memory of the process in bytes (Linux: the second figure of /proc/self/statm).
double ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  double size = 0, resident = 0;
  statm >> size >> resident;
  return resident * static_cast<double>(sysconf(_SC_PAGESIZE));
}

void Check(int rc, sqlite3 *db, const char *what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite %s: %s\n", what, sqlite3_errmsg(db));
    std::exit(1);
  }
}

}  // namespace

int main() {
  // ---- the store ----
  InitMutex();
  InitDataDictionary();
  InitTableList();
  InitNotification();
  Vector *columns = CreateVector();
  AddElementValue(columns, CreateColumnDefn("id", ZEL_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0, 1, nullptr));
  AddElementValue(columns, CreateColumnDefn("name", ZEL_SQL_VARCHAR, nullptr, 0, 0, nullptr, nullptr, 20, 1, nullptr));
  AddElementValue(columns, CreateColumnDefn("qty", ZEL_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0, 1, nullptr));
  AddElementValue(columns, CreateColumnDefn("price", ZEL_SQL_FLOAT, nullptr, 0, 0, nullptr, nullptr, 0, 1, nullptr));
  AddElementValue(columns, CreateColumnDefn("big", ZEL_SQL_BIGINT, nullptr, 0, 0, nullptr, nullptr, 0, 1, nullptr));
  AddTableDefn(CreateTableDefn("Bench", nullptr, columns, nullptr));
  CreateTable("Bench");

  std::vector<Source> data;
  data.reserve(kRows);
  for (int i = 0; i < kRows; ++i) data.push_back(Data(i));

  double before = ResidentBytes();
  auto start = Clock::now();
  for (const Source &s : data) {
    const void *values[5] = {&s.id, s.name.c_str(), &s.qty, &s.price, &s.big};
    const int32_t lengths[5] = {4, static_cast<int32_t>(s.name.size()), 4, 4, 8};
    AddNewRow("Bench", CreateTableRowObject("Bench", values, lengths));
  }
  double addSeconds = Seconds(start);
  double bytesPerRow = (ResidentBytes() - before) / kRows;

  double selectSeconds = 1e9;
  int matches = 0;
  for (int run = 0; run < kSelectRuns; ++run) {
    start = Clock::now();
    ResultData *result = SelectRows("Bench", kCriteria);
    selectSeconds = std::min(selectSeconds, Seconds(start));
    matches = result != nullptr ? result->rowCount : -1;
    FreeResultData(result);
  }

  // ---- SQLite ----
  sqlite3 *db = nullptr;
  sqlite3_int64 sqliteBefore = sqlite3_memory_used();
  Check(sqlite3_open(":memory:", &db), db, "open");
  Check(sqlite3_exec(db, "CREATE TABLE Bench(id INTEGER, name TEXT, qty INTEGER, price REAL, big INTEGER)",
                     nullptr, nullptr, nullptr), db, "create");
  sqlite3_int64 sqliteEmpty = sqlite3_memory_used();
  sqlite3_stmt *insert = nullptr;
  Check(sqlite3_prepare_v2(db, "INSERT INTO Bench VALUES (?, ?, ?, ?, ?)", -1, &insert, nullptr), db, "prepare");
  start = Clock::now();
  Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
  for (const Source &s : data) {
    sqlite3_bind_int(insert, 1, s.id);
    sqlite3_bind_text(insert, 2, s.name.c_str(), static_cast<int>(s.name.size()), SQLITE_STATIC);
    sqlite3_bind_int(insert, 3, s.qty);
    sqlite3_bind_double(insert, 4, s.price);
    sqlite3_bind_int64(insert, 5, s.big);
    Check(sqlite3_step(insert), db, "insert");
    sqlite3_reset(insert);
  }
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
  double sqliteAdd = Seconds(start);
  double sqliteBytes = static_cast<double>(sqlite3_memory_used() - sqliteEmpty) / kRows;
  (void)sqliteBefore;

  sqlite3_stmt *select = nullptr;
  Check(sqlite3_prepare_v2(db, "SELECT id FROM Bench WHERE qty >= 500 AND name = 'n842'", -1, &select, nullptr),
        db, "prepare");
  double sqliteSelect = 1e9;
  int sqliteMatches = 0;
  for (int run = 0; run < kSelectRuns; ++run) {
    start = Clock::now();
    int n = 0;
    while (sqlite3_step(select) == SQLITE_ROW) ++n;
    sqlite3_reset(select);
    sqliteSelect = std::min(sqliteSelect, Seconds(start));
    sqliteMatches = n;
  }
  sqlite3_finalize(insert);
  sqlite3_finalize(select);
  sqlite3_close(db);

  std::printf("store: %d rows, selection \"%s\": %d matches (sqlite %d)\n", kRows, kCriteria, matches,
              sqliteMatches);
  Line("SelectRows (best of 5)", selectSeconds * 1e3, sqliteSelect * 1e3, "ms");
  Line("AddNewRow x 1,000,000", addSeconds, sqliteAdd, "s ");
  Line("memory per row", bytesPerRow, sqliteBytes, "B ");
  FreeAllTableData();
  DeInitNotification();
  DeInitDataDictionary();
  return matches == sqliteMatches ? 0 : 1;
}
