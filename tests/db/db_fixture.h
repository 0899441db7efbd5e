// Shared helpers of the database-access tests: a log captured in a temporary directory, the
// framework's database state set up and torn down per test, and an in-memory provider that
// keeps a SeqGenState table (registered through the provider interface like any other).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <regex>
#include <string>

#include <corbel/connpool.h>
#include <corbel/dbprovider.h>
#include <corbel/dictionary.h>
#include <corbel/log.h>
#include <corbel/resultset.h>
#include <corbel/sequence.h>

#include "tests/common/temp_dir.h"

namespace corbel::testing {

// Log lines of the test, captured at TRACE level.
class CapturedLog {
 public:
  CapturedLog() {
    InitMutex();
    InitLog();
    SetLogConfig("db_test.log", dir_.path().c_str(), 0, nullptr, 4);
    OpenLogFile();
  }
  ~CapturedLog() {
    CloseLogFile();
    ReleaseLogSettings();
  }
  std::string Text() const { return ovr::testing::ReadFile(dir_ / "db_test.log"); }
  bool Contains(const std::string &s) const { return Text().find(s) != std::string::npos; }
  const ovr::testing::TempDir &dir() const { return dir_; }

 private:
  ovr::testing::TempDir dir_;
};

// Database state of the framework for one test: providers, parameter list, pool, map and
// sequences, all released afterwards.
class DbState {
 public:
  DbState() {
    InitDBProvider();
    InitDataSourceMap();
    InitSequenceTable();
  }
  ~DbState() {
    FreeSequenceTable();
    FreeConnectionPool();
    FreeAllConnParamsEntries();
    FreeAllDataSourceMapEntries();
    FreeAllTableDefns();
    DeInitDBProvider();
  }
};

// ---- in-memory provider ----------------------------------------------------------------------

// What the in-memory provider holds and how it misbehaves; one per process.
struct FakeDatabase {
  std::mutex mutex;
  std::map<std::string, long long> sequences;  // SeqGenState rows
  bool tableMissing = false;                   // queries fail as on a missing table
  bool refuseConnect = false;                  // connect fails
  int staleSelects = 0;                        // selects that still see the row as it was
                                               // before another process moved it by 300
  int connects = 0;                            // connections opened so far
  int statements = 0;                          // statements run so far
};

inline FakeDatabase &Fake() {
  static FakeDatabase db;
  return db;
}

inline ConnectionHandle *FakeConnect(const ConnParamsEntry *params) {
  std::lock_guard<std::mutex> lock(Fake().mutex);
  if (Fake().refuseConnect) return nullptr;
  auto *c = static_cast<ConnectionHandle *>(std::calloc(1, sizeof(ConnectionHandle)));
  c->handle = reinterpret_cast<void *>(static_cast<intptr_t>(++Fake().connects));
  c->connectionName = params->connectionName ? strdup(params->connectionName) : nullptr;
  return c;
}

inline bool FakeDisconnect(ConnectionHandle *) { return true; }

inline ResultSet *SequenceRow(const std::string &name, long long end, bool present) {
  auto *columns = static_cast<ResultColumn *>(std::calloc(2, sizeof(ResultColumn)));
  columns[0] = {strdup("SEQNAME"), ZEL_SQL_VARCHAR};
  columns[1] = {strdup("CURRENTBATCHEND"), ZEL_SQL_INT};
  ResultRow *rows = nullptr;
  if (present) {
    int32_t e = static_cast<int32_t>(end);
    ResultCell *cells = AppendResultCell(nullptr, static_cast<int32_t>(name.size()), name.c_str());
    AppendResultCell(cells, 4, &e);
    rows = AppendResultRow(nullptr, cells);
  }
  return CreateResultSet(rows, columns, 2);
}

inline ResultSet *FakeQuery(ConnectionHandle *, const char *statement) {
  std::lock_guard<std::mutex> lock(Fake().mutex);
  ++Fake().statements;
  if (Fake().tableMissing) return nullptr;
  static const std::regex select(R"(select \* from SeqGenState where SEQNAME = '(.*)';)");
  std::cmatch m;
  if (!std::regex_match(statement, m, select)) return nullptr;
  auto it = Fake().sequences.find(m[1]);
  long long end = it != Fake().sequences.end() ? it->second : 0;
  if (Fake().staleSelects > 0) {
    --Fake().staleSelects;
    end -= 300;
  }
  return SequenceRow(m[1], end, it != Fake().sequences.end());
}

inline int FakeUpdateCount(ConnectionHandle *, const char *statement, int64_t *rows) {
  std::lock_guard<std::mutex> lock(Fake().mutex);
  ++Fake().statements;
  static const std::regex update(
      R"(update SeqGenState set CURRENTBATCHEND = (\d+) where SEQNAME = '(.*)' and CURRENTBATCHEND = (\d+);)");
  static const std::regex insert(R"(insert into SeqGenState values \('(.*)',300\);)");
  std::cmatch m;
  *rows = 0;
  if (std::regex_match(statement, m, update)) {
    auto it = Fake().sequences.find(m[2]);
    if (it != Fake().sequences.end() && it->second == std::stoll(m[3])) {
      it->second = std::stoll(m[1]);
      *rows = 1;
    }
    return 1;
  }
  if (std::regex_match(statement, m, insert)) {
    if (!Fake().sequences.emplace(m[1], 300).second) return 0;  // duplicate key
    *rows = 1;
    return 1;
  }
  return 0;
}

inline int FakeUpdate(ConnectionHandle *c, const char *statement) {
  int64_t rows = 0;
  return FakeUpdateCount(c, statement, &rows);
}

inline int FakeTransaction(ConnectionHandle *) { return 1; }

inline const DBProvider kFakeProvider = {
    "FAKE", FakeConnect, FakeUpdate, FakeQuery, FakeDisconnect, FakeTransaction,
    FakeTransaction, FakeTransaction, nullptr, nullptr, FakeUpdateCount};

// Registers the in-memory provider into the free slot (after InitDBProvider).
inline void LoadFakeProvider() {
  if (FindProvider("FAKE") == nullptr) RegisterProvider(&kFakeProvider);
  LoadProvider("FAKE");
}

// A data source on the in-memory provider.
inline void AddFakeDataSource(const char *name) {
  StoreConnParamsEntry(
      CreateConnParamsEntry("lbl", 1, "fake", nullptr, nullptr, 0, name, 0, nullptr, "FAKE", "SQLITE"));
}

// A dictionary table with one generated key column and one plain column.
inline void AddGeneratedTable(const char *table, const char *generator) {
  Vector *columns = CreateVector();
  AddElementValue(columns, CreateColumnDefn("id", ZEL_SQL_INT, nullptr, 0, 1, generator, nullptr, 0, 0, nullptr));
  AddElementValue(columns, CreateColumnDefn("name", ZEL_SQL_VARCHAR, nullptr, 0, 0, nullptr, nullptr, 40, 1, nullptr));
  AddTableDefn(CreateTableDefn(table, nullptr, columns, nullptr));
}

}  // namespace corbel::testing
