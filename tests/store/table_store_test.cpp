// Tables and rows of the in-memory store: creation, completion of added rows, selection by
// criteria, updates, deletions and the result cursor.
#include <cmath>
#include <cstring>

#include "tests/store/store_fixture.h"

namespace corbel_test {
namespace {

using Texts = std::vector<std::optional<std::string>>;
constexpr auto null = std::nullopt;

class TableStoreTest : public StoreTest {
 protected:
  // Five orders with varied values (ORDER_ID and code come from the sequences).
  void LoadOrders() {
    ASSERT_TRUE(CreateTable("Orders"));
    const Texts rows[] = {
        {null, "abc", "10", "1.5", "-1", "true", "2026-01-02 03:04:05", "-5"},
        {null, "a b", "500", "2.25", "0", "false", null, "100"},
        {null, "xyz", "999", "1.5", "9000000000", "true", null, null},
        {null, null, null, null, null, null, null, null},
        {null, "it's", "500", "-3", "5", "false", null, "127"},
    };
    for (const Texts &t : rows) ASSERT_TRUE(AddNewRow("Orders", Row("Orders", t)));
  }
};

TEST_F(TableStoreTest, CreateTableNeedsAnUnusedDefinedName) {
  EXPECT_FALSE(CreateTable("Nowhere"));
  EXPECT_FALSE(CreateTable(nullptr));
  EXPECT_TRUE(CreateTable("Orders"));
  EXPECT_FALSE(CreateTable("ORDERS"));
  TableData *table = GetTableDataByName("oRdErS");
  ASSERT_NE(table, nullptr);
  EXPECT_STREQ(table->name, "Orders");
  EXPECT_EQ(table->kind, STORE_KIND_TABLE);
  EXPECT_EQ(table->columnCount, 9);
  EXPECT_EQ(table->rowCount, 0);
  EXPECT_EQ(GetTableDataByName(nullptr), nullptr);
  EXPECT_EQ(GetTableList()->count, 1);
  EXPECT_NE(Log().find("@@@ Inside CreateTable @@@\n"), std::string::npos);
}

TEST_F(TableStoreTest, AddedRowsGetGeneratedKeysAndDefaults) {
  LoadOrders();
  // ORDER_ID from its sequence; qty's default where it was null; code has a generator and
  // a default: the generated number wins.
  EXPECT_EQ(Select("Orders", nullptr, "ORDER_ID"), "1 2 3 4 5");
  EXPECT_EQ(Select("Orders", nullptr, "qty"), "10 500 999 7 500");
  EXPECT_EQ(Select("Orders", nullptr, "code"), "1 2 3 4 5");
  EXPECT_EQ(GetTableDataByName("Orders")->rowCount, 5);

  // A sequence without values leaves the default in place.
  BlockedSequences().insert("CODE_SEQ");
  ASSERT_TRUE(AddNewRow("Orders", Row("Orders", {"77"})));
  EXPECT_EQ(Select("Orders", "ORDER_ID = 77", "code"), "5");
  EXPECT_EQ(Select("Orders", "ORDER_ID = 77", "qty"), "7");

  RowObject *row = Row("Orders", {});
  EXPECT_FALSE(AddNewRow("Items", row));  // Items is not in the store
  EXPECT_FALSE(AddNewRow("Nowhere", row));
  FreeRowObject(row, 9);
  EXPECT_FALSE(AddNewRow("Orders", nullptr));
}

struct Selection {
  const char *criteria;
  const char *names;  // names of the matching rows in chain order, or "null"
};

TEST_F(TableStoreTest, SelectRowsByCriteria) {
  LoadOrders();
  const Selection cases[] = {
      {"name = 'abc'", "abc"},
      {"name = 'a b'", "a b"},
      {"'abc' = name", "abc"},
      {"name != 'abc'", "a b xyz it's"},  // the null name matches nothing, not even !=
      {"name < 'b'", "abc a b"},
      {"name >= 'x'", "xyz"},
      {"qty >= 500 and name = 'xyz'", "xyz"},
      {"qty = 500 or qty = 10", "abc a b it's"},
      {"qty = 500 or qty = 10 and name = 'abc'", "abc a b it's"},
      {"(qty = 500 or qty = 10) and name = 'abc'", "abc"},
      {"500 <= qty", "a b xyz it's"},
      {"QTY > 998", "xyz"},
      {"price = 1.5", "abc xyz"},
      {"price < 0", "it's"},
      {"big < 0", "abc"},
      {"big > 4294967296", "xyz"},
      {"big >= 0", "a b xyz it's"},
      {"tiny = 127", "it's"},
      {"tiny < 0", "abc"},
      {"tiny < 500", "abc a b it's"},  // compared as a number, not cut to a byte
      {"missing = 1", ""},
      {"missing != 1", ""},
      {"name = 'nobody'", ""},
      {"qty = 'abc'", ""},
      {"name = b", "null"},
      {"name = 'abc'\r", "null"},
      {"", "null"},
      {"qty = 1e3", "null"},
  };
  for (const Selection &c : cases) EXPECT_EQ(Select("Orders", c.criteria), c.names) << c.criteria;
  EXPECT_EQ(Select("Orders", nullptr), "abc a b xyz NULL it's");
  EXPECT_EQ(Select("Nowhere", nullptr), "null");
}

TEST_F(TableStoreTest, CriteriaTextsOfAnySize) {
  LoadOrders();
  // A NUL ends the text; what follows is never read.
  const char withNul[] = "name = 'abc'\0 or junk";
  EXPECT_EQ(Select("Orders", withNul), "abc");
  // Too deep for the parser stack: no result, and the store keeps working.
  std::string deep = std::string(10000, '(') + "qty = 10" + std::string(10000, ')');
  EXPECT_EQ(Select("Orders", deep.c_str()), "null");
  std::string megabyte = "name = '" + std::string(1 << 20, 'x') + "' or qty = 10";
  EXPECT_EQ(Select("Orders", megabyte.c_str()), "abc");
  EXPECT_EQ(Select("Orders", "qty = 10"), "abc");
}

TEST_F(TableStoreTest, SelectRowByPosition) {
  ASSERT_TRUE(CreateTable("Orders"));
  ResultData *empty = SelectRowByRowIdx("Orders", 1);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->rowCount, 0);
  FreeResultData(empty);
  for (const char *name : {"abc", "a b", "xyz", "q", "it's"})
    ASSERT_TRUE(AddNewRow("Orders", Row("Orders", {null, name})));
  struct {
    int32_t index;
    const char *name;
  } cases[] = {{0, "abc"}, {1, "abc"}, {2, "a b"}, {5, "it's"}, {6, "null"}, {-1, "null"}};
  for (auto &c : cases) {
    ResultData *result = SelectRowByRowIdx("Orders", c.index);
    std::string got = result != nullptr ? Column(result, "name") : "null";
    FreeResultData(result);
    EXPECT_EQ(got, c.name) << c.index;
  }
}

TEST_F(TableStoreTest, UpdateReplacesOneValue) {
  LoadOrders();
  RowObject *row = GetTableDataByName("Orders")->firstRow;
  const char *text = "renamed";
  ASSERT_TRUE(UpdateRowObject("Orders", row, "NAME", text, 7));
  EXPECT_EQ(row->state, ROW_STATE_NEW | ROW_STATE_MODIFIED);
  EXPECT_EQ(row->lengths[1], 7);
  EXPECT_EQ(Select("Orders", "name = 'renamed'"), "renamed");

  int32_t qty = 42;
  ASSERT_TRUE(UpdateRowObject("Orders", row, "qty", &qty, 4));
  EXPECT_EQ(Select("Orders", "qty = 42", "ORDER_ID"), "1");
  ASSERT_TRUE(UpdateRowObject("Orders", row, "qty", nullptr, 0));
  EXPECT_EQ(row->values[2], nullptr);

  // The primary key never changes in place.
  int32_t id = 99;
  EXPECT_FALSE(UpdateRowObject("Orders", row, "order_id", &id, 4));
  EXPECT_NE(Log().find("@@@ UpdateRowObject Failed as PrimaryKey is being updated @@@\n"),
            std::string::npos);
  EXPECT_EQ(Select("Orders", "ORDER_ID = 1", "ORDER_ID"), "1");

  EXPECT_FALSE(UpdateRowObject("Orders", row, "nothing", &id, 4));
  EXPECT_FALSE(UpdateRowObject("Nowhere", row, "qty", &id, 4));
  EXPECT_FALSE(UpdateRowObject("Orders", nullptr, "qty", &id, 4));
  EXPECT_NE(Log().find("\t@@@@@ rowPtr passed as parameter in NULL @@@@@ \n"), std::string::npos);
}

TEST_F(TableStoreTest, DeletingStoredRowsMarksThemAndNewRowsGo) {
  LoadOrders();
  TableData *table = GetTableDataByName("Orders");
  RowObject *first = table->firstRow;
  first->state = ROW_STATE_STORED;
  EXPECT_EQ(DeleteRowObject("Orders", first), 1);
  EXPECT_EQ(first->state, ROW_STATE_STORED | ROW_STATE_DELETED);
  EXPECT_EQ(table->rowCount, 5);

  RowObject *second = first->nextRow;
  EXPECT_EQ(DeleteRowObject("Orders", second), 1);
  EXPECT_EQ(table->rowCount, 4);
  EXPECT_EQ(Select("Orders", nullptr), "abc xyz NULL it's");

  RowObject *stranger = Row("Orders", {"1"});
  EXPECT_EQ(DeleteRowObject("Orders", stranger), 0);
  EXPECT_EQ(DeleteRowObject("Nowhere", first), 0);
  FreeRowObject(stranger, 9);

  // The last row goes, and rows appended afterwards still land at the end.
  EXPECT_EQ(DeleteRowObject("Orders", table->lastRow), 1);
  ASSERT_TRUE(AddNewRow("Orders", Row("Orders", {null, "tail"})));
  EXPECT_EQ(Select("Orders", nullptr), "abc xyz NULL tail");
}

TEST_F(TableStoreTest, DeleteByCriteriaAndAll) {
  LoadOrders();
  EXPECT_TRUE(DeleteRowObjectByCriteria("Orders", "qty = 500 or name = 'abc'"));
  EXPECT_EQ(Select("Orders", nullptr), "xyz NULL");
  EXPECT_EQ(GetTableDataByName("Orders")->rowCount, 2);
  EXPECT_FALSE(DeleteRowObjectByCriteria("Orders", nullptr));
  EXPECT_FALSE(DeleteRowObjectByCriteria("Orders", "qty ="));
  EXPECT_FALSE(DeleteRowObjectByCriteria("Nowhere", "qty = 1"));
  EXPECT_EQ(GetTableDataByName("Orders")->rowCount, 2);

  EXPECT_TRUE(DeleteAllTableRowObjects("Orders"));
  EXPECT_EQ(GetTableDataByName("Orders")->rowCount, 0);
  EXPECT_EQ(GetTableDataByName("Orders")->firstRow, nullptr);
  EXPECT_FALSE(DeleteAllTableRowObjects(nullptr));
  EXPECT_FALSE(DeleteAllTableRowObjects("Nowhere"));
  std::string log = Log();
  EXPECT_NE(log.find("\t tableName NULL \n"), std::string::npos);
  EXPECT_NE(log.find("\t GetTableDataByName returned NULL \n"), std::string::npos);
}

TEST_F(TableStoreTest, CursorWalksTheResult) {
  LoadOrders();
  ResultData *result = SelectRows("Orders", "qty = 500");
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->rowCount, 2);
  EXPECT_EQ(result->cursor, nullptr);
  int32_t length = -1;
  EXPECT_EQ(GetColumnValueByName("name", &length, result), nullptr);  // before the first row
  RowObject *first = GotoNextRowObject(result);
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(static_cast<char *>(GetColumnValueByName("NAME", &length, result)), "a b");
  EXPECT_EQ(length, 3);
  EXPECT_EQ(GetColumnValueByName("nothing", &length, result), nullptr);
  EXPECT_NE(GotoNextRowObject(result), nullptr);
  EXPECT_EQ(GotoNextRowObject(result), nullptr);
  EXPECT_EQ(GotoNextRowObject(result), nullptr);
  ResetResultDataCursor(result);
  EXPECT_EQ(GotoNextRowObject(result), first);
  EXPECT_EQ(GetColumnTypeByName("price", result), ZEL_SQL_FLOAT);
  EXPECT_EQ(GetColumnTypeByName("nothing", result), 0);
  EXPECT_STREQ(GetColumnNameByIndex(1, result), "name");
  EXPECT_EQ(GetColumnNameByIndex(9, result), nullptr);
  EXPECT_STREQ(GetTableNameFromResultData(result), "Orders");
  // A row appended after reading started still goes to the end.
  ASSERT_TRUE(AddRowToResultData(first, result));
  EXPECT_EQ(result->rowCount, 3);
  EXPECT_EQ(Column(result, "name"), "a b it's a b");
  FreeResultData(result);
}

TEST_F(TableStoreTest, GetColumnValueReadsTheFirstMatch) {
  LoadOrders();
  int32_t length = 0;
  void *value = GetColumnValue("Orders", "big", "name = 'xyz'", &length);
  ASSERT_NE(value, nullptr);
  int64_t big;
  std::memcpy(&big, value, 8);
  EXPECT_EQ(big, 9000000000);
  EXPECT_EQ(length, 8);
  EXPECT_EQ(GetColumnValue("Orders", "name", "qty = 12345", &length), nullptr);
  EXPECT_EQ(GetColumnValue("Orders", "created", "name = 'xyz'", &length), nullptr);
  EXPECT_EQ(GetColumnValue("Orders", "name", "qty = ", &length), nullptr);
  std::string log = Log();
  EXPECT_NE(log.find("No such row available in the Orders for qty = 12345"), std::string::npos);
  EXPECT_NE(log.find("columnValue is NULL for :created\n"), std::string::npos);
  EXPECT_NE(log.find("Error in executing SelectRows(Orders,qty = )\n"), std::string::npos);
}

TEST_F(TableStoreTest, PackedRowsLiveInOneBlock) {
  ASSERT_TRUE(CreateTable("Orders"));
  int32_t id = 9, qty = 3;
  float price = 2.5f;
  int64_t big = -7;
  uint8_t flag = 1;
  ZelDateTime *when = CreateZelDateTime(2026, 12, 11, 8, 0, 0);
  int32_t whenLength = 0;
  void *whenValue = CreateDateTimeValue(when, &whenLength);
  FreeZelDateTime(when);
  const void *values[9] = {&id, "packed", &qty, &price, &big, &flag, whenValue, nullptr, nullptr};
  const int32_t lengths[9] = {4, 6, 4, 4, 8, 1, whenLength, 0, 0};
  RowObject *row = CreateTableRowObject("Orders", values, lengths);
  std::free(whenValue);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->state, ROW_STATE_NEW);
  ASSERT_TRUE(AddNewRow("Orders", row));  // code gets its generated number
  EXPECT_EQ(Select("Orders", "price = 2.5 and big < 0 and qty = 3 and ORDER_ID = 9"), "packed");
  EXPECT_EQ(Select("Orders", nullptr, "created"), "2026-12-11 08:00:00");
  EXPECT_EQ(Select("Orders", nullptr, "code"), "1");
  // Values replaced in a packed row are freed on their own; the block goes with the row.
  ASSERT_TRUE(UpdateRowObject("Orders", row, "name", "second", 6));
  ASSERT_TRUE(UpdateRowObject("Orders", row, "name", "third", 5));
  EXPECT_EQ(Select("Orders", nullptr), "third");
  EXPECT_EQ(DeleteRowObject("Orders", row), 1);
  EXPECT_EQ(CreateTableRowObject("Nowhere", values, lengths), nullptr);
}

}  // namespace
}  // namespace corbel_test
