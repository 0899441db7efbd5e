// Draws ids from one sequence on a real database and writes them to a file, one per line:
//   seq_worker <connection string> <dbtype> <sequence> <threads> <ids per thread> <out file>
// Exit code 0 when every draw gave an id.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

#include <corbel/connpool.h>
#include <corbel/dbprovider.h>
#include <corbel/dictionary.h>
#include <corbel/log.h>
#include <corbel/sequence.h>

int main(int argc, char **argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: seq_worker connect dbtype sequence threads count outfile\n");
    return 2;
  }
  const int threads = std::atoi(argv[4]);
  const int count = std::atoi(argv[5]);
  InitMutex();
  InitDBProvider();
  InitDataSourceMap();
  InitDataDictionary();
  InitSequenceTable();
  StoreConnParamsEntry(CreateConnParamsEntry("w", 0, "x", nullptr, nullptr, 0, "db", 1, argv[1],
                                             "ODBC", argv[2]));
  if (!EstablishDBConnectionPool(threads)) return 3;
  Vector *columns = CreateVector();
  AddElementValue(columns, CreateColumnDefn("id", ZEL_SQL_INT, nullptr, 0, 1, argv[3], nullptr, 0,
                                            0, nullptr));
  AddTableDefn(CreateTableDefn("Item", nullptr, columns, nullptr));
  SequenceGenerator();
  const ColumnDefn *column = GetColumnDefnEntry("Item", "id");
  std::vector<std::vector<int32_t>> drawn(static_cast<size_t>(threads));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&, t] {
      for (int i = 0; i < count; ++i) drawn[static_cast<size_t>(t)].push_back(GenerateID("Item", column));
    });
  }
  for (auto &w : workers) w.join();
  std::ofstream out(argv[6]);
  int failed = 0;
  for (const auto &ids : drawn) {
    for (int32_t id : ids) {
      if (id < 0) ++failed;
      out << id << '\n';
    }
  }
  FreeSequenceTable();
  FreeConnectionPool();
  FreeAllConnParamsEntries();
  FreeAllTableDefns();
  return failed == 0 ? 0 : 1;
}
