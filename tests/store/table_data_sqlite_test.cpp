// Table data from XML with keys renumbered by the real sequence generator: batches reserved
// in SeqGenState on the SQLite engine, references pointing at the new keys.
#include <string>

#include <corbel/connpool.h>
#include <corbel/dbprovider.h>
#include <corbel/resultset.h>
#include <corbel/sequence.h>
#include <corbel/store.h>
#include <corbel/tabledata.h>

#include "tests/db/db_engines.h"
#include "tests/db/db_fixture.h"
#include "tests/store/store_fixture.h"

namespace corbel::testing {
const EngineContext &TheEngine() { return kSqlite; }
}  // namespace corbel::testing

namespace corbel_test {
namespace {

using namespace corbel::testing;

class TableDataSqliteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CORBEL_REQUIRE_ENGINE(kSqlite);
    InitDataDictionary();
    InitTableList();
    InitNotification();
    StoreConnParamsEntry(DataSourceOf(kSqlite, "db"));
    ASSERT_TRUE(EstablishDBConnectionPool(2));
    ConnectionHandle *c = GetConnectionHandle("db");
    ASSERT_NE(c, nullptr) << log_.Text();
    PrepareSequenceTable(c);
    orderSeq_ = UniqueName("ORDSEQ");
    itemSeq_ = UniqueName("ITMSEQ");
    for (const std::string &s : {orderSeq_, itemSeq_})
      ExecuteUpdate(c, ("DELETE FROM SeqGenState WHERE SEQNAME = '" + s + "'").c_str());
    ASSERT_EQ(ExecuteUpdate(c, ("INSERT INTO SeqGenState VALUES ('" + orderSeq_ + "', 900)").c_str()), 1);
    ReleaseConnectionHandle("db");
    DefineTable("Orders", {{"ORDER_ID", ZEL_SQL_INT, nullptr, orderSeq_.c_str()}, {"name", ZEL_SQL_VARCHAR}},
                {"ORDER_ID"});
    DefineTable("Items",
                {{"ITEM_ID", ZEL_SQL_INT, nullptr, itemSeq_.c_str()}, {"ORDER_ID", ZEL_SQL_INT},
                 {"label", ZEL_SQL_VARCHAR}},
                {"ITEM_ID"}, {{"ORDER_ID", "Orders", "ORDER_ID"}});
    ASSERT_TRUE(SequenceGenerator()) << log_.Text();
  }
  void TearDown() override {
    FreeAllTableData();
    DeInitNotification();
  }
  static std::string Column(const char *table, const char *column) {
    ResultData *result = SelectRows(table, nullptr);
    std::string out;
    while (GotoNextRowObject(result) != nullptr) {
      int32_t length = 0;
      char *text = ConvertValueToString(GetColumnValueByName(column, &length, result), ZEL_SQL_INT);
      out += (out.empty() ? "" : " ") + std::string(text);
      std::free(text);
    }
    FreeResultData(result);
    return out;
  }
  CapturedLog log_;
  DbState state_;
  std::string orderSeq_, itemSeq_;
};

TEST_F(TableDataSqliteTest, ReferencesFollowKeysDrawnFromSeqGenState) {
  std::string xml = R"(<Data>
  <Orders ORDER_ID="Orders:ORDER_ID:1" name="a">
    <Items ITEM_ID="Items:ITEM_ID:1" label="nested"/>
  </Orders>
  <Orders ORDER_ID="Orders:ORDER_ID:2" name="b"/>
  <Items ITEM_ID="Items:ITEM_ID:2" ORDER_ID="Orders:ORDER_ID:2" label="by reference"/>
  <Items ORDER_ID="Orders:ORDER_ID:1" label="generated"/>
</Data>)";
  ASSERT_TRUE(ConstructTableDataFromXMLBuffer(xml.c_str(), static_cast<int32_t>(xml.size()))) << log_.Text();
  // The orders' sequence continues after its row's 900; the items' sequence was new.
  EXPECT_EQ(Column("Orders", "ORDER_ID"), "901 902");
  EXPECT_EQ(Column("Items", "ITEM_ID"), "1 2 3");
  EXPECT_EQ(Column("Items", "ORDER_ID"), "901 902 901");

  ConnectionHandle *c = GetConnectionHandle("db");
  ResultSet *set = ExecuteQuery(
      c, ("SELECT CURRENTBATCHEND FROM SeqGenState WHERE SEQNAME = '" + orderSeq_ + "'").c_str());
  ASSERT_NE(set, nullptr);
  ASSERT_NE(GotoNextResultRow(set), nullptr);
  int32_t length = 0;
  EXPECT_EQ(*static_cast<const int32_t *>(GetResultColumnValue("CURRENTBATCHEND", &length, set)), 1200);
  FreeResultSet(set);
  ReleaseConnectionHandle("db");
}

}  // namespace
}  // namespace corbel_test
