#include "tests/db/db_engines.h"

namespace corbel::testing {
const EngineContext &TheEngine() { return kSqlite; }
}  // namespace corbel::testing

// ---- data source names made by the framework (SQLite: no server needed) --------------------

#include <filesystem>

#include <corbel/odbc.h>
#include <corbel/resultset.h>

#include "tests/db/db_fixture.h"

namespace corbel::testing {
namespace {

// Points ODBCINI at a private copy of the engines' data source file for the test's lifetime.
class PrivateOdbcIni {
 public:
  PrivateOdbcIni() {
    old_ = Env("ODBCINI");
    std::filesystem::copy_file(old_, dir_ / "odbc.ini");
    setenv("ODBCINI", (dir_ / "odbc.ini").c_str(), 1);
  }
  ~PrivateOdbcIni() { setenv("ODBCINI", old_.c_str(), 1); }
  std::string Ini() const { return ovr::testing::ReadFile(dir_ / "odbc.ini"); }
  const ovr::testing::TempDir &dir() const { return dir_; }

 private:
  ovr::testing::TempDir dir_;
  std::string old_;
};

bool Reachable(const char *dsn) {
  ConnParamsEntry *e = CreateConnParamsEntry("l", 0, dsn, nullptr, nullptr, 0, "made", 0, nullptr,
                                             "ODBC", "SQLITE");
  ConnectionHandle *c = OpenDBConnection(e);
  FreeConnParamsEntry(e);
  if (c == nullptr) return false;
  ResultSet *set = ExecuteQuery(c, "SELECT 1");
  bool ok = set != nullptr && set->rowCount == 1;
  FreeResultSet(set);
  CloseDBConnection(c);
  return ok;
}

TEST(CreateDsnTest, MadeDataSourcesConnect) {
  CORBEL_REQUIRE_ENGINE(kSqlite);
  CapturedLog log;
  DbState state;
  PrivateOdbcIni ini;
  const std::string db = ini.dir() / "made.db";
  ASSERT_TRUE(CreateDSN("corbel_made", "made by a test", "NULL", nullptr, "null", db.c_str(), "SQLite3"))
      << log.Text();
  EXPECT_NE(ini.Ini().find("[corbel_made]"), std::string::npos);
  EXPECT_EQ(ini.Ini().find("PWD"), std::string::npos) << "a NULL password is left out";
  EXPECT_TRUE(Reachable("corbel_made"));

  ovr::testing::WriteFile(ini.dir() / "dsns.txt",
                          "corbel_one First NULL NULL NULL " + (ini.dir() / "one.db") + "   SQLite3\n" +
                          "corbel_bad Broken NULL NULL NULL x No Such Driver\n" +
                          "corbel_two Second NULL NULL NULL " + (ini.dir() / "two.db") + " SQLite3\n" +
                          "corbel_cut short\n");
  EXPECT_TRUE(CreateDSNsFromFile((ini.dir() / "dsns.txt").c_str()));
  EXPECT_TRUE(log.Contains("Creating DSN corbel_bad Failed\n"));
  EXPECT_TRUE(Reachable("corbel_one"));
  EXPECT_TRUE(Reachable("corbel_two"));
  EXPECT_EQ(ini.Ini().find("corbel_cut"), std::string::npos);

  EXPECT_FALSE(CreateDSN(nullptr, "d", nullptr, nullptr, nullptr, nullptr, "SQLite3"));
  EXPECT_TRUE(log.Contains("DriverName or DSN name is NULL \n"));
  EXPECT_FALSE(CreateDSNsFromFile((ini.dir() / "none.txt").c_str()));
  EXPECT_TRUE(log.Contains("Error opening File " + (ini.dir() / "none.txt") + " \n"));
}

}  // namespace
}  // namespace corbel::testing
