// Custom views, sorting results, and the listings of tables, views and results.
#include <cstring>

#include "tests/store/store_fixture.h"

namespace corbel_test {
namespace {

using Texts = std::vector<std::optional<std::string>>;
constexpr auto null = std::nullopt;

class ViewsTest : public StoreTest {
 protected:
  // A view "OrderItems" over Orders and Items with the columns name (Orders) and label (Items).
  void MakeView() {
    Vector *columns = CreateVector();
    AddElementValue(columns, CreateViewColumnDefn("Name", 0, 0, GetColumnDefnEntry("Orders", "name")));
    AddElementValue(columns, CreateViewColumnDefn("Label", 0, 0, GetColumnDefnEntry("Items", "label")));
    AddElementValue(columns, CreateViewColumnDefn("Qty", 0, 0, GetColumnDefnEntry("Orders", "qty")));
    auto **names = static_cast<char **>(std::calloc(2, sizeof(char *)));
    names[0] = strdup("Orders");
    names[1] = strdup("Items");
    CustomViewDefn *defn = CreateCustomViewDefn(2, names, columns);
    ASSERT_NE(defn, nullptr);
    ASSERT_TRUE(CreateCustomViewData("OrderItems", defn));
  }
  static RowObject *ViewRow(const char *name, const char *label, int32_t qty) {
    auto **values = static_cast<void **>(std::calloc(3, sizeof(void *)));
    auto *lengths = static_cast<int32_t *>(std::calloc(3, sizeof(int32_t)));
    if (name != nullptr) values[0] = strdup(name), lengths[0] = static_cast<int32_t>(std::strlen(name));
    if (label != nullptr) values[1] = strdup(label), lengths[1] = static_cast<int32_t>(std::strlen(label));
    values[2] = std::calloc(1, 5);
    std::memcpy(values[2], &qty, 4);
    lengths[2] = 4;
    return CreateNewRowObject(values, lengths);
  }
  void AddOrders(std::vector<Texts> rows) {
    ASSERT_TRUE(CreateTable("Orders"));
    for (Texts &t : rows) ASSERT_TRUE(AddNewRow("Orders", Row("Orders", t)));
  }
};

TEST_F(ViewsTest, ViewsHoldRowsOfChosenColumns) {
  ASSERT_TRUE(CreateTable("Orders"));
  MakeView();
  TableData *view = GetTableDataByName("orderitems");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->kind, STORE_KIND_VIEW);
  EXPECT_EQ(view->columnCount, 3);
  EXPECT_FALSE(CreateCustomViewData("ORDERS", view->viewDefn));  // name taken
  EXPECT_STREQ(GetTableNameOfView("OrderItems"), "Orders");
  EXPECT_STREQ(GetTableNameOfView("Orders"), "Orders");
  EXPECT_STREQ(GetTableNameOfView("Elsewhere"), "Elsewhere");

  ASSERT_TRUE(AddNewRow("OrderItems", ViewRow("n1", "l1", 3)));
  ASSERT_TRUE(AddNewRow("OrderItems", ViewRow("n2", nullptr, 1)));
  EXPECT_EQ(SelectRows("OrderItems", "Qty = 3"), nullptr);  // views take no criteria
  ResultData *all = SelectRows("OrderItems", nullptr);
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(Column(all, "label"), "l1 NULL");
  EXPECT_EQ(GetColumnTypeByName("QTY", all), ZEL_SQL_INT);
  EXPECT_STREQ(GetColumnNameByIndex(1, all), "Label");
  EXPECT_STREQ(GetTableNameFromResultData(all), "Orders");
  FreeResultData(all);
  EXPECT_FALSE(DeleteRowObjectByCriteria("OrderItems", "Qty = 3"));
  EXPECT_FALSE(DeleteAllTableRowObjects("OrderItems"));
  EXPECT_TRUE(RemoveTableData("OrderItems"));  // frees rows and definition
  EXPECT_EQ(GetTableDataByName("OrderItems"), nullptr);
}

TEST_F(ViewsTest, SortingIsStableInBothDirections) {
  AddOrders({{null, "a", "3"}, {null, "b", "1"}, {null, "c", "3"}, {null, "d", "2"},
             {null, "e", null}, {null, "f", "1"}});
  // e's qty is filled with the default 7.
  ResultData *result = SelectRows("Orders", nullptr);
  ASSERT_TRUE(SortResultSet(result, "QTY", 1));
  EXPECT_EQ(Column(result, "name"), "b f d a c e");
  ASSERT_TRUE(SortResultSet(result, "qty", 0));
  EXPECT_EQ(Column(result, "name"), "e a c d b f");
  ASSERT_TRUE(SortResultSet(result, "name", 1));
  EXPECT_EQ(Column(result, "name"), "a b c d e f");
  EXPECT_EQ(Select("Orders", nullptr), "a b c d e f");  // the table's order is untouched
  EXPECT_FALSE(SortResultSet(result, "nothing", 1));
  EXPECT_FALSE(SortResultSet(result, nullptr, 1));
  EXPECT_FALSE(SortResultSet(nullptr, "qty", 1));
  FreeResultData(result);

  ResultData *one = SelectRows("Orders", "name = 'a'");
  EXPECT_TRUE(SortResultSet(one, "qty", 1));
  EXPECT_NE(Log().find("Number of Rows is 1 for the Relvar to be Sorted \n"), std::string::npos);
  FreeResultData(one);
  ResultData *none = SelectRows("Orders", "name = 'zz'");
  EXPECT_TRUE(SortResultSet(none, "qty", 1));
  EXPECT_EQ(none->firstEntry, nullptr);
  FreeResultData(none);
}

TEST_F(ViewsTest, SortingPutsNullsFirstAndComparesByType) {
  AddOrders({{null, "x", "1", "2.5", "9000000000"}, {null, "y", "1", "-1", null},
             {null, "z", "1", "10", "-4"}});
  ResultData *result = SelectRows("Orders", nullptr);
  ASSERT_TRUE(SortResultSet(result, "big", 1));
  EXPECT_EQ(Column(result, "name"), "y z x");
  ASSERT_TRUE(SortResultSet(result, "price", 1));
  EXPECT_EQ(Column(result, "name"), "y x z");
  FreeResultData(result);
}

TEST_F(ViewsTest, ListingsShowEveryValueByType) {
  AddOrders({{"4", "abc", "10", "1.5", "-2", "true", "2026-01-02 03:04:05", "-5"},
             {"5", null, null, null, null, null, null, null}});
  char *text = ToStringTableData("ORDERS");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text,
               "ORDER_ID\tname\tqty\tprice\tbig\tflag\tcreated\ttiny\tcode\t\n"
               "4\tabc\t10\t1.500000\t-2\t1\t2026-01-02 03:04:05\t-5\t1\t\n"
               "5\tNULL\t7\tNULL\tNULL\tNULL\tNULL\tNULL\t2\t\n");
  std::free(text);
  EXPECT_NE(Log().find("String Value of Relvar Data\n ORDER_ID\tname"), std::string::npos);
  EXPECT_EQ(ToStringTableData("Nowhere"), nullptr);

  MakeView();
  ASSERT_TRUE(AddNewRow("OrderItems", ViewRow("n1", nullptr, 3)));
  text = ToStringTableData("OrderItems");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "Name\tLabel\tQty\t\nn1\tNULL\t3\t\n");
  std::free(text);
  text = ToStringCustomViewData("Orders");  // not a view
  EXPECT_EQ(text, nullptr);
}

TEST_F(ViewsTest, LongListingsComeBackWhole) {
  ASSERT_TRUE(CreateTable("Orders"));
  std::string expected = "ORDER_ID\tname\tqty\tprice\tbig\tflag\tcreated\ttiny\tcode\t\n";
  for (int i = 1; i <= 200; ++i) {
    std::string name = "row-" + std::to_string(i) + std::string(20, 'x');
    ASSERT_TRUE(AddNewRow("Orders", Row("Orders", {null, name, "1"})));
    expected += std::to_string(i) + "\t" + name + "\t1\tNULL\tNULL\tNULL\tNULL\tNULL\t" +
                std::to_string(i) + "\t\n";
  }
  char *text = ToStringTableData("Orders");
  ASSERT_NE(text, nullptr);
  EXPECT_GT(expected.size(), 1024u);
  EXPECT_EQ(std::string(text), expected);
  std::free(text);
}

TEST_F(ViewsTest, PrintersWriteTheListingAtDebug) {
  AddOrders({{null, "kept", "1"}, {null, "gone", "2"}});
  TableData *table = GetTableDataByName("Orders");
  table->firstRow->nextRow->state = ROW_STATE_STORED;
  EXPECT_EQ(DeleteRowObject("Orders", table->firstRow->nextRow), 1);  // marked, stays
  PrintTableData("Orders");
  std::string log = Log();
  EXPECT_NE(log.find("@@@ Inside PrintTableData @@@\n"), std::string::npos);
  EXPECT_NE(log.find("[DEBUG] 2\tgone\t2\t"), std::string::npos);

  ResultData *result = SelectRows("Orders", nullptr);
  PrintResultData(result);
  FreeResultData(result);
  log = Log();
  std::size_t printed = log.find("\t@@@@@ Inside PrintResultData() @@@@@\n");
  ASSERT_NE(printed, std::string::npos);
  EXPECT_NE(log.find("1\tkept\t1\t", printed), std::string::npos);
  EXPECT_EQ(log.find("gone", printed), std::string::npos);  // deleted rows are left out
}

}  // namespace
}  // namespace corbel_test
