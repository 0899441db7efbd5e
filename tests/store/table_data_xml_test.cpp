// Table data from XML documents: rows from elements, containers, key inheritance from the
// enclosing elements, renumbered references, and documents that fail.
#include <cstring>
#include <fstream>

#include <libxml/parser.h>

#include <corbel/tabledata.h>

#include "tests/store/store_fixture.h"

namespace corbel_test {
namespace {

class TableDataXmlTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    DefineTable("Notes", {{"NOTE_ID", ZEL_SQL_INT}, {"ITEM_ORDER", ZEL_SQL_INT}, {"text", ZEL_SQL_VARCHAR}});
    DefineTable("Plain", {{"NUM", ZEL_SQL_INT}, {"ok", ZEL_SQL_BOOLEAN}, {"ref", ZEL_SQL_VARCHAR},
                          {"when", ZEL_SQL_DATE}, {"big", ZEL_SQL_BIGINT}, {"price", ZEL_SQL_FLOAT}});
    DefineTable("Workflow_Statements",
                {{"STATEMENT_ID", ZEL_SQL_INT}, {"NEXT_STATEMENT_ID", ZEL_SQL_INT}});
    DefineTable("Lines", {{"LINE_ID", ZEL_SQL_INT}, {"ORDER_ID", ZEL_SQL_INT}, {"ITEM_ID", ZEL_SQL_INT}},
                {"LINE_ID", "ORDER_ID"}, {{"ITEM_ID", "Items", "ITEM_ID"}});
  }
  bool Load(const std::string &xml) {
    return ConstructTableDataFromXMLBuffer(xml.c_str(), static_cast<int32_t>(xml.size()));
  }
};

TEST_F(TableDataXmlTest, ElementsBecomeRowsAndListsOnlyGroup) {
  ASSERT_TRUE(Load(R"(<Data>
  <OrderList>
    <Orders ORDER_ID="5" NAME="first" qty="3" price="1.5" flag="FALSE" created="2026-03-04 05:06:07"/>
    <Orders ORDER_ID="6" name="second"/>
  </OrderList>
  <Plain NUM="1" ok="no" when="2026-12-11" big="-9000000000" price="0.25"/>
</Data>)"));
  EXPECT_EQ(Select("Orders", nullptr), "first second");
  EXPECT_EQ(Select("Orders", nullptr, "qty"), "3 7");  // the default where no attribute
  EXPECT_EQ(Select("Orders", nullptr, "flag"), "'f' NULL");
  EXPECT_EQ(Select("Orders", nullptr, "created"), "2026-03-04 05:06:07 NULL");
  EXPECT_EQ(Select("Orders", "price = 1.5", "ORDER_ID"), "5");
  EXPECT_EQ(Select("Plain", nullptr, "ok"), "'t'");  // any text but false is true
  EXPECT_EQ(Select("Plain", nullptr, "when"), "2026-12-11 00:00:00");
  EXPECT_EQ(Select("Plain", "big < 0 and price = 0.25", "NUM"), "1");
  EXPECT_EQ(GetTableDataByName("Items"), nullptr);  // no element, no table
}

TEST_F(TableDataXmlTest, NestedRowsInheritKeys) {
  ASSERT_TRUE(Load(R"(<Data>
  <Orders ORDER_ID="40" name="outer">
    <ItemList>
      <Items ITEM_ID="1" label="a"/>
      <Items ITEM_ID="2" ORDER_ID="41" label="b">
        <Lines LINE_ID="9"/>
      </Items>
    </ItemList>
  </Orders>
  <Lines LINE_ID="10" ORDER_ID="3">
    <Items ITEM_ID="77" label="below"/>
  </Lines>
</Data>)"));
  // The last Items takes ORDER_ID from the enclosing Lines, which has an attribute of that name.
  EXPECT_EQ(Select("Items", nullptr, "ORDER_ID"), "40 41 3");
  // Lines 9: ITEM_ID from the enclosing Items, ORDER_ID (primary key) from the nearest
  // enclosing element that has it.
  EXPECT_EQ(Select("Lines", nullptr, "ITEM_ID"), "2 77");
  EXPECT_EQ(Select("Lines", nullptr, "ORDER_ID"), "41 3");
}

TEST_F(TableDataXmlTest, ReferencesAreRenumberedConsistently) {
  ASSERT_TRUE(Load(R"(<Data>
  <Orders ORDER_ID="Orders:ORDER_ID:100" name="a"/>
  <Orders ORDER_ID="Orders:ORDER_ID:200" name="b"/>
  <Items ITEM_ID="Items:ITEM_ID:1" ORDER_ID="Orders:ORDER_ID:100" label="x"/>
  <Items ITEM_ID="Items:ITEM_ID:2" ORDER_ID="Orders:ORDER_ID:200" label="y"/>
  <Notes NOTE_ID="1" ITEM_ORDER="Items:ORDER_ID:100" text="Plain:ref:x:y"/>
  <Plain NUM="Plain:NUM:42" ref="A:B:x:y"/>
  <Workflow_Statements STATEMENT_ID="1" NEXT_STATEMENT_ID="Workflow_Statements:STATEMENT_ID:0"/>
  <Notes NOTE_ID="2" ITEM_ORDER="Items:ORDER_ID:300"/>
</Data>)"));
  // Orders keys come from ORDER_SEQ; the Items rows refer to the same new keys.
  EXPECT_EQ(Select("Orders", nullptr, "ORDER_ID"), "1 2");
  EXPECT_EQ(Select("Items", nullptr, "ITEM_ID"), "1 2");
  EXPECT_EQ(Select("Items", nullptr, "ORDER_ID"), "1 2");
  // Items:ORDER_ID:100 was entered when the first Items row was read: same key. 300 was
  // never seen: Items.ORDER_ID has no generator, its foreign key leads to ORDER_SEQ.
  EXPECT_EQ(Select("Notes", nullptr, "ITEM_ORDER"), "1 3");
  EXPECT_EQ(Select("Notes", nullptr, "text"), "x:y NULL");
  // No generator and no foreign key: the old number stays. Text references keep "x:y".
  EXPECT_EQ(Select("Plain", nullptr, "NUM"), "42");
  EXPECT_EQ(Select("Plain", nullptr, "ref"), "x:y");
  EXPECT_EQ(Select("Workflow_Statements", nullptr, "NEXT_STATEMENT_ID"), "0");
}

TEST_F(TableDataXmlTest, RemapTableOfOneDocument) {
  std::string xml = R"(<Data><Orders ORDER_ID="Orders:ORDER_ID:7" name="a"/>
    <Notes NOTE_ID="1" ITEM_ORDER="Items:ORDER_ID:9"/></Data>)";
  xmlDoc *doc = xmlReadMemory(xml.c_str(), static_cast<int>(xml.size()), "t.xml", nullptr, 0);
  ASSERT_NE(doc, nullptr);
  HashTable *remap = ConstructTableDataFromXMLNode(doc, xmlDocGetRootElement(doc));
  ASSERT_NE(remap, nullptr);
  int32_t key = 0;
  EXPECT_TRUE(GetRemappedKey(remap, "Orders:ORDER_ID:7", &key));
  EXPECT_EQ(key, 1);
  // Renumbered through the chain Items.ORDER_ID -> Orders.ORDER_ID: every step is entered.
  EXPECT_TRUE(GetRemappedKey(remap, "Items:ORDER_ID:9", &key));
  EXPECT_EQ(key, 2);
  EXPECT_TRUE(GetRemappedKey(remap, "Orders:ORDER_ID:9", &key));
  EXPECT_EQ(key, 2);
  EXPECT_TRUE(GetRemappedKey(remap, "Notes:ITEM_ORDER:9", &key));
  EXPECT_FALSE(GetRemappedKey(remap, "Orders:ORDER_ID:8", &key));
  FreeKeyRemapTable(remap);
  xmlFreeDoc(doc);
}

TEST_F(TableDataXmlTest, FailuresAreReported) {
  EXPECT_FALSE(Load("<Data><Orders name='a'></Data>"));
  EXPECT_NE(Log().find("error: could not parse file file.xml\n"), std::string::npos);
  EXPECT_FALSE(ConstructTableDataFromXMLBuffer(nullptr, 0));

  // An element that is neither a table nor a list: rows read before it stay.
  EXPECT_FALSE(Load("<Data><Orders ORDER_ID='1' name='kept'/><Bogus/><Orders name='never'/></Data>"));
  std::string log = Log();
  EXPECT_NE(log.find("Cannot create and add a new row while constructing tabledata from XML file.\n"),
            std::string::npos);
  EXPECT_NE(log.find("Cannot construct table data from XML buffer.\n"), std::string::npos);
  EXPECT_EQ(Select("Orders", nullptr), "kept");

  // A reference without table and column cannot be renumbered: the default applies.
  ASSERT_TRUE(Load("<Data><Orders ORDER_ID='::5' name='odd' qty='::6'/></Data>"));
  EXPECT_NE(Log().find("Unable to get Column details for AutoID generation \n"), std::string::npos);
  EXPECT_EQ(Select("Orders", "name = 'odd'", "qty"), "7");

  void *value = nullptr;
  int32_t length = 0;
  EXPECT_EQ(AllocateAndCopyColumnValue(&value, &length, ZEL_SQL_INT, nullptr), 0);
  EXPECT_NE(Log().find("value parameter in AllocateAndCopyColumnValue is NULL \n"), std::string::npos);
}

TEST_F(TableDataXmlTest, ReadsFiles) {
  std::string path = dir_ / "seed.xml";
  std::ofstream(path) << "<Data><Orders ORDER_ID='3' name='from file'/></Data>";
  EXPECT_TRUE(ConstructTableDataFromXMLFile(path.c_str()));
  EXPECT_EQ(Select("Orders", nullptr), "from file");
  EXPECT_FALSE(ConstructTableDataFromXMLFile((dir_ / "missing.xml").c_str()));
  EXPECT_NE(Log().find("error: could not parse file file.xml\n"), std::string::npos);
}

}  // namespace
}  // namespace corbel_test
