// Connection parameters and the data-source map from their files, the mode switch, the
// provider registry and the refusals of the statement operations.
#include <gtest/gtest.h>

#include <corbel/connpool.h>
#include <corbel/dbprovider.h>
#include <corbel/odbc.h>
#include <corbel/dialect.h>
#include <corbel/mempool.h>
#include <corbel/query.h>
#include <corbel/root.h>

#include "tests/db/db_fixture.h"

namespace corbel::testing {
namespace {

using ovr::testing::TempDir;
using ovr::testing::WriteFile;

class DataSourcesTest : public ::testing::Test {
 protected:
  CapturedLog log_;
  DbState state_;
  TempDir dir_;
};

std::string Str(const char *s) { return s != nullptr ? s : "<null>"; }

TEST_F(DataSourcesTest, ReadsConnectionParameterRecords) {
  WriteFile(dir_ / "connparams.txt",
            "lbl1 1 invdsn app NULL x inv ODBC MYSQL NO\n"
            "lbl2 0 none u null x rep ODBC PGSQL yes DSN=repdsn;UID=u\r\n"
            "lbl3 7\tdsn3 u3 pw3 x\n three ODBC SQLITE NO ignored rest of line\n"
            "lbl4 4 cut short\n");
  ASSERT_TRUE(LoadConnParamsEntryFromFile((dir_ / "connparams.txt").c_str()));
  ASSERT_EQ(GetConnParamsList()->count, 3);
  struct Case {
    const char *name, *label, *dsn, *user, *password, *provider, *type, *connection;
    int number;
    uint8_t flag;
  };
  const Case cases[] = {
      {"inv", "lbl1", "invdsn", "app", nullptr, "ODBC", "MYSQL", nullptr, 1, 0},
      {"rep", "lbl2", "none", "u", "null", "ODBC", "PGSQL", "DSN=repdsn;UID=u", 0, 1},
      {"three", "lbl3", "dsn3", "u3", "pw3", "ODBC", "SQLITE", nullptr, 7, 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ConnParamsEntry *e = GetConnParamsEntry(c.name);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Str(e->entryLabel), c.label);
    EXPECT_EQ(e->entryNumber, c.number);
    EXPECT_EQ(Str(e->dsn), c.dsn);
    EXPECT_EQ(Str(e->userId), c.user);
    EXPECT_EQ(Str(e->password), Str(c.password));
    EXPECT_EQ(Str(e->providerName), c.provider);
    EXPECT_EQ(Str(e->dbType), c.type);
    EXPECT_EQ(e->useConnectionString, c.flag);
    EXPECT_EQ(Str(e->connectionString), Str(c.connection));
    EXPECT_EQ(e->option, 0);
  }
  EXPECT_EQ(GetConnParamsEntry("INV"), nullptr) << "connection names compare with case";
  EXPECT_EQ(Str(GetDefaultConnectionName()), "inv");
  EXPECT_TRUE(DeleteConnParamsEntry("inv"));
  EXPECT_FALSE(DeleteConnParamsEntry("inv"));
  EXPECT_EQ(Str(GetDefaultConnectionName()), "rep");
}

TEST_F(DataSourcesTest, FilesAreFoundUnderTheFrameworkRootWhenThePathFails) {
  std::filesystem::create_directories(dir_.path() / "data");
  WriteFile(dir_ / "data/connparams.txt", "l 1 d u p x only ODBC SQLITE NO\n");
  WriteFile(dir_ / "data/dsn_table_map.txt", "Customer inv\nInvoice rep\nOrphan");
  SetCorbelRoot(dir_.path().c_str());
  EXPECT_TRUE(LoadConnParamsEntryFromFile("../data/no-such-connparams.txt"));
  EXPECT_TRUE(LoadDataSourceMapEntryFromFile(nullptr));
  SetCorbelRoot((dir_ / "nowhere").c_str());
  EXPECT_FALSE(LoadConnParamsEntryFromFile("../data/no-such-connparams.txt"));
  EXPECT_FALSE(LoadDataSourceMapEntryFromFile("../data/no-such-map.txt"));
  EXPECT_TRUE(log_.Contains("Cannot open Connection Parameters File.\n"));
  EXPECT_TRUE(log_.Contains("Cannot open DataSourceMap Entry File.\n"));
  EXPECT_TRUE(log_.Contains("Opening " + (dir_ / "data/connparams.txt")));

  ASSERT_NE(GetConnParamsEntry("only"), nullptr);
  ASSERT_NE(GetDataSourceMapEntry("CUSTOMER"), nullptr) << "table names compare without case";
  EXPECT_STREQ(GetConnectionNameForTable("customer"), "inv");
  EXPECT_STREQ(GetConnectionNameForTable("Invoice"), "rep");
  EXPECT_EQ(GetDataSourceMapEntry("Orphan"), nullptr) << "a last table without data source is dropped";
  EXPECT_EQ(GetConnectionNameForTable("Nothing"), nullptr);
  EXPECT_TRUE(log_.Contains("No DataSourceMap Entry for Table name Nothing \n"));
  EXPECT_TRUE(DeleteDataSourceMapEntry("INVOICE"));
  EXPECT_EQ(GetDataSourceMapEntry("Invoice"), nullptr);
  SetCorbelRoot("");
}

TEST_F(DataSourcesTest, ModeSwitchKeepsItsStateOnAnInvalidStatus) {
  SetDSNMapValid(0, CORBEL_DBTYPE_PGSQL);
  EXPECT_EQ(IsDSNMapValid(), 0);
  EXPECT_STREQ(GetFrameworkDBType(), "PGSQL");
  SetDSNMapValid(2, CORBEL_DBTYPE_SQLITE);
  EXPECT_TRUE(log_.Contains("\nInvalid Status\n"));
  EXPECT_EQ(IsDSNMapValid(), 0);
  EXPECT_STREQ(GetFrameworkDBType(), "PGSQL");
  SetDSNMapValid(1, 0);
  EXPECT_EQ(IsDSNMapValid(), 1);
}

TEST_F(DataSourcesTest, ProviderRegistryAndSlots) {
  EXPECT_FALSE(InitDBProvider());
  EXPECT_TRUE(log_.Contains("InitDBProvider Failed as already initialized\n"));
  ASSERT_NE(GetProviderAt(0), nullptr);
  EXPECT_STREQ(GetProviderAt(0)->name, "ODBC");
  EXPECT_EQ(GetProviderAt(1), nullptr) << "no provider named SQLITE is registered";
  EXPECT_EQ(FindProvider("odbc"), nullptr) << "provider names compare with case";
  LoadFakeProvider();
  EXPECT_STREQ(GetProviderAt(1)->name, "FAKE");
  EXPECT_FALSE(LoadProvider("ODBC")) << "both slots are taken";
  EXPECT_TRUE(UnloadProvider("FAKE"));
  EXPECT_FALSE(UnloadProvider("FAKE"));
}

TEST_F(DataSourcesTest, StatementOperationsRefuseMissingConnectionsAndTexts) {
  EXPECT_EQ(ExecuteQuery(nullptr, "select 1"), nullptr);
  EXPECT_EQ(ExecuteUpdate(nullptr, "delete from t"), 0);
  EXPECT_TRUE(log_.Contains("ConnectionHandle NULL in ExecuteQuery for Query select 1 \n"));
  EXPECT_TRUE(log_.Contains("ConnectionHandle NULL in ExecuteUpdate for Query delete from t \n"));

  LoadFakeProvider();
  AddFakeDataSource("one");
  ASSERT_TRUE(EstablishDBConnections());
  ConnectionHandle *c = GetConnectionHandle(nullptr);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(ExecuteQuery(c, nullptr), nullptr);
  EXPECT_TRUE(log_.Contains(" No Query To be Executed \n"));
  EXPECT_EQ(ExecuteUpdate(c, nullptr), 0);
  EXPECT_TRUE(log_.Contains(" No Query To be Updated \n"));
  const int before = Fake().statements;
  EXPECT_EQ(CommitTransaction(c), 0) << "no transaction was begun";
  EXPECT_EQ(RollbackTransaction(c), 0);
  EXPECT_EQ(BeginTransaction(c), 1);
  EXPECT_EQ(c->inTransaction, 1);
  EXPECT_EQ(CommitTransaction(c), 1);
  EXPECT_EQ(c->inTransaction, 0);
  EXPECT_EQ(Fake().statements, before);
  EXPECT_FALSE(CreateDB("x; drop table y")) << "only a plain name is written into the statement";
}

TEST_F(DataSourcesTest, SelectTextTakesTheDialectOfTheFirstTableOrJoin) {
  ASSERT_NE(InitializeMemPool(), 0);
  InitDialects();
  SetDSNMapValid(1, 0);
  StoreConnParamsEntry(CreateConnParamsEntry("l", 0, "d", nullptr, nullptr, 0, "pg", 0, nullptr, "ODBC", "PGSQL"));
  StoreConnParamsEntry(CreateConnParamsEntry("l", 0, "d", nullptr, nullptr, 0, "odd", 0, nullptr, "ODBC", "NO_SUCH_DIALECT"));
  AddDataSourceMapEntry(CreateDataSourceMapEntry("Customer", "pg"));
  AddDataSourceMapEntry(CreateDataSourceMapEntry("Invoice", "odd"));

  SelectQuery *empty = CreateSelectQuery();
  EXPECT_EQ(GenerateSelectQuery(empty), nullptr);
  EXPECT_TRUE(log_.Contains("No Tables selected in select query.\n"));
  FreeSelectQuery(empty);

  for (const char *base : {"Customer", "Invoice"}) {
    SCOPED_TRACE(base);
    SelectQuery *q = CreateSelectQuery();
    Vector *left = CreateVector(), *right = CreateVector();
    AddElementValue(left, CreateJoinColumn(base, nullptr, "id", nullptr, 0, ZEL_SQL_INT, 0, q->pool));
    AddElementValue(right, CreateJoinColumn("Other", nullptr, "ref", nullptr, 0, ZEL_SQL_INT, 0, q->pool));
    AppendQueryJoin(q, CreateQueryJoin(base, nullptr, "Other", nullptr, INNER_JOIN, left, right, q->pool));
    char *text = GenerateSelectQuery(q);
    if (std::string(base) == "Customer") {
      ASSERT_NE(text, nullptr) << "the first join's base table is on a PGSQL data source";
      EXPECT_NE(std::string(text).find("Other"), std::string::npos) << text;
    } else {
      EXPECT_EQ(text, nullptr) << "its data source names no known dialect";
    }
    std::free(text);
    FreeSelectQuery(q);
    FreeVector(left);
    FreeVector(right);
    std::free(left);
    std::free(right);
  }
  FreeDialects();
  ShutdownMemPool();
}

TEST(ConnectionStringTest, BuildsStringsEveryDriverAccepts) {
  struct Case {
    const char *dsn, *user, *password, *provider;
    uint8_t flag;
    const char *full, *expected;
  };
  const Case cases[] = {
      {"inv", nullptr, nullptr, "ODBC", 0, nullptr, "DSN=inv;"},
      {"inv", "app", "secret", "ODBC", 0, nullptr, "DSN=inv;UID=app;PWD=secret;"},
      {"inv", "app", "", "ODBC", 0, nullptr, "DSN=inv;UID=app;PWD=;"},
      {"inv", "app", "a;b}c", "ODBC", 0, nullptr, "DSN=inv;UID=app;PWD={a;b}}c};"},
      {"none", "u", nullptr, "ODBC", 1, "DSN=repdsn;UID=u", "DSN=repdsn;UID=u"},
  };
  for (const Case &c : cases) {
    ConnParamsEntry *e = CreateConnParamsEntry("l", 0, c.dsn, c.user, c.password, 0, "n", c.flag,
                                               c.full, c.provider, "PGSQL");
    char *text = BuildODBCConnectionString(e);
    EXPECT_STREQ(text, c.expected);
    std::free(text);
    FreeConnParamsEntry(e);
  }
}

}  // namespace
}  // namespace corbel::testing
