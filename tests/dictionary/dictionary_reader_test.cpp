// The dictionary list file and the dictionary XML files: the sample dictionary, the two
// places the list is looked for, and bad input of every kind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <corbel/dictionary.h>
#include <corbel/root.h>

#include "tests/dictionary/dictionary_fixture.h"

namespace {

namespace fs = std::filesystem;
using ovr::testing::WriteFile;

const std::string kSampleRoot = std::string(OVR_TEST_SOURCE_DIR) + "/../../examples/root";

std::string Dict(const std::string &body) {
  return "<?xml version=\"1.0\"?>\n<data-dictionary>\n" + body + "</data-dictionary>\n";
}

std::string Table(const std::string &name, const std::string &content) {
  return "<table name=\"" + name + "\">" + content + "</table>\n";
}

// A table with one integer column "id".
std::string GoodTable(const std::string &name) {
  return Table(
      name, "<columns><column name=\"id\"><data-type>ZEL_SQL_INT</data-type></column></columns>");
}

// A table "Bad" whose column "c" holds `column` and which has `keys` after its columns.
std::string BadTable(const std::string &column, const std::string &keys = "") {
  return Table("Bad", "<columns><column name=\"c\">" + column + "</column></columns>" + keys);
}

std::string ForeignKey(const std::string &attributes, const std::string &content) {
  return "<foreign-keys><foreign-key " + attributes + ">" + content +
         "</foreign-key></foreign-keys>";
}

// Working directory for one test, restored afterwards.
class CurrentDir {
 public:
  explicit CurrentDir(const fs::path &dir) : saved_(fs::current_path()) {
    fs::create_directories(dir);
    fs::current_path(dir);
  }
  ~CurrentDir() { fs::current_path(saved_); }

 private:
  fs::path saved_;
};

class ReaderTest : public corbel_test::DictionaryTest {
 protected:
  // Writes `xml` as a dictionary file and loads it.
  void Load(const std::string &xml) {
    std::string path = dir_ / "dict.xml";
    WriteFile(path, xml);
    EXPECT_TRUE(LoadDataDictFromXMLFile(path.c_str()));
  }
};

const ColumnDefn *Column(const TableDefn *table, int index) {
  VectorNode *node = ElementAt(table->columns, index);
  return node != nullptr ? static_cast<const ColumnDefn *>(node->element) : nullptr;
}

const ForeignKeyDefn *ForeignKeyAt(const TableDefn *table, int index) {
  VectorNode *node = ElementAt(table->constraints->foreignKeys, index);
  return node != nullptr ? static_cast<const ForeignKeyDefn *>(node->element) : nullptr;
}

TEST_F(ReaderTest, SampleDictionaryFromTheFrameworkRoot) {
  CurrentDir work(dir_ / "work");  // no ../data here
  SetCorbelRoot(kSampleRoot.c_str());
  ASSERT_TRUE(LoadAllDataDictFiles());
  EXPECT_EQ(TableNames(), "Customer CustomerOrder Product OrderLine");

  const TableDefn *customer = GetTableDefn("customer");
  ASSERT_NE(customer, nullptr);
  EXPECT_STREQ(customer->description, "People and companies that place orders");
  ASSERT_EQ(customer->columns->count, 6);
  struct Expected {
    const char *name;
    int type;
    int nullable, unique, maxSize;
    const char *generator;
    const char *defaultText;
  } columns[] = {
      {"id", ZEL_SQL_INT, 0, 1, 0, "customer_seq", "NULL"},
      {"name", ZEL_SQL_CHAR, 0, 0, 64, nullptr, "NULL"},
      {"email", ZEL_SQL_VARCHAR, 1, 1, 128, nullptr, "NULL"},
      {"status", ZEL_SQL_VARCHAR, 0, 0, 16, nullptr, "ACTIVE"},
      {"created_at", ZEL_SQL_DATETIME, 1, 0, 0, nullptr, "2026-01-01 00:00:00"},
      {"notes", ZEL_SQL_TEXT, 1, 0, 1000, nullptr, "NULL"},
  };
  for (int i = 0; i < 6; ++i) {
    const ColumnDefn *column = Column(customer, i);
    const Expected &e = columns[i];
    EXPECT_STREQ(column->name, e.name);
    EXPECT_EQ(column->type, e.type) << e.name;
    EXPECT_EQ(column->nullable, e.nullable) << e.name;
    EXPECT_EQ(column->unique, e.unique) << e.name;
    EXPECT_EQ(column->maxSize, e.maxSize) << e.name;
    EXPECT_STREQ(column->generatorName, e.generator) << e.name;
    char *text = ConvertValueToString(column->defaultValue, column->type);
    EXPECT_STREQ(text, e.defaultText) << e.name;
    free(text);
  }
  const AllowedValues *status = Column(customer, 3)->allowedValues;
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->isRange, 0);
  EXPECT_STREQ(status->values[0], "ACTIVE");
  EXPECT_STREQ(status->values[2], "CLOSED");
  EXPECT_EQ(status->values[3], nullptr);
  ASSERT_NE(customer->constraints, nullptr);
  EXPECT_EQ(customer->constraints->primaryKeyCount, 1);
  EXPECT_EQ(customer->constraints->foreignKeys, nullptr);

  const TableDefn *product = GetTableDefn("Product");
  const AllowedValues *stock = Column(product, 4)->allowedValues;
  ASSERT_NE(stock, nullptr);
  EXPECT_EQ(stock->isRange, 1);
  EXPECT_STREQ(stock->values[0], "0");
  EXPECT_STREQ(stock->values[1], "100000");

  const TableDefn *line = GetTableDefn("ORDERLINE");
  ASSERT_EQ(line->constraints->primaryKeyCount, 2);
  EXPECT_STREQ(line->constraints->primaryKeyColumns[0], "order_id");
  EXPECT_STREQ(line->constraints->primaryKeyColumns[1], "line_no");
  ASSERT_EQ(line->constraints->foreignKeys->count, 2);
  const ForeignKeyDefn *toOrder = GetForeignKeyDefn(line, "ORDER_ID");
  ASSERT_NE(toOrder, nullptr);
  EXPECT_STREQ(toOrder->referenceTableName, "CustomerOrder");
  EXPECT_STREQ(toOrder->fkReferenceColumn, "id");
  EXPECT_EQ(toOrder->onDeleteCascade, 1);
  EXPECT_EQ(toOrder->isBidirectional, 1);
  const ForeignKeyDefn *toProduct = ForeignKeyAt(line, 1);
  EXPECT_STREQ(toProduct->referenceTableName, "Product");
  EXPECT_EQ(toProduct->onDeleteCascade, 0);
  EXPECT_EQ(toProduct->isBidirectional, 0);

  PrintAllTableDefns();
  std::string log = Log();
  EXPECT_NE(log.find("[DEBUG] Opening " + kSampleRoot + "/data/datadictionary.txt\n"),
            std::string::npos);
  EXPECT_NE(log.find("[DEBUG] Opening " + kSampleRoot + "/data/catalog.xml\n"), std::string::npos);
  EXPECT_NE(log.find("[TRACE] @@@@Parsing Table Info : OrderLine @@@@\n"), std::string::npos);
  EXPECT_NE(log.find("[DEBUG] Table Name : OrderLine\n"), std::string::npos);
  EXPECT_EQ(log.find("[ERROR]"), std::string::npos) << log;
}

TEST_F(ReaderTest, WorkingDirectoryDataComesFirst) {
  fs::create_directories(dir_.path() / "data");
  WriteFile(dir_ / "data/datadictionary.txt", "local.xml\n");
  WriteFile(dir_ / "data/local.xml", Dict(GoodTable("Local")));
  CurrentDir work(dir_ / "work");
  SetCorbelRoot(kSampleRoot.c_str());
  ASSERT_TRUE(LoadAllDataDictFiles());
  EXPECT_EQ(TableNames(), "Local");
  EXPECT_NE(Log().find("[DEBUG] Opening ../data/local.xml\n"), std::string::npos);
}

TEST_F(ReaderTest, MissingOrEmptyListFile) {
  CurrentDir work(dir_ / "work");
  SetCorbelRoot((dir_ / "no-such-root").c_str());
  EXPECT_FALSE(LoadAllDataDictFiles());
  EXPECT_NE(Log().find("[ERROR] Cannot open DataDictionary File.\n"), std::string::npos);
  EXPECT_FALSE(LoadDataDictFiles((dir_ / "nowhere").c_str()));

  fs::create_directories(dir_.path() / "data");
  WriteFile(dir_ / "data/datadictionary.txt", "");
  EXPECT_TRUE(LoadAllDataDictFiles());
  EXPECT_EQ(GetTableDefnList()->count, 0);
}

TEST_F(ReaderTest, ListedFilesThatCannotBeReadAreSkipped) {
  std::string dir = dir_ / "dicts";
  fs::create_directories(dir);
  std::string longName(200, 'n');
  WriteFile(dir + "/datadictionary.txt", "a.xml\nmissing.xml " + longName + ".xml\n\n  b.xml\n");
  WriteFile(dir + "/a.xml", Dict(GoodTable("A")));
  WriteFile(dir + "/b.xml", Dict(GoodTable("B")));
  ASSERT_TRUE(LoadDataDictFiles(dir.c_str()));
  EXPECT_EQ(TableNames(), "A B");
  std::string log = Log();
  EXPECT_NE(log.find("[ERROR] Unable to open " + dir + "/missing.xml\n"), std::string::npos);
  EXPECT_NE(log.find("is longer than 135 characters; skipped.\n"), std::string::npos);
  EXPECT_EQ(LoadDataDictFromXMLFile(nullptr), false);
}

TEST_F(ReaderTest, OverlongPathIsSkipped) {
  std::string dir = dir_ / std::string(250, 'd');
  fs::create_directories(dir);
  WriteFile(dir + "/datadictionary.txt", "a.xml\n");
  WriteFile(dir + "/a.xml", Dict(GoodTable("A")));
  ASSERT_TRUE(LoadDataDictFiles(dir.c_str()));
  EXPECT_EQ(GetTableDefnList()->count, 0);
  EXPECT_NE(Log().find("is longer than 255 characters; skipped.\n"), std::string::npos);
}

TEST_F(ReaderTest, ColumnPropertiesAndTheirDefaults) {
  Load(Dict(Table("T",
                  "<columns>"
                  "<column name=\"plain\"/>"
                  "<column name=\"upper\"><nullable>TRUE</nullable><max-size>12</max-size>"
                  "<unique>TRUE</unique></column>"
                  "<column name=\"yes\"><nullable>yes</nullable><unique>true</unique></column>"
                  "<column name=\"spaced\"><data-type>\n  ZEL_SQL_TINYINT\n</data-type>"
                  "<default-value>300</default-value><max-size>+7</max-size></column>"
                  "<column name=\"odd\" label=\"x\"><max-size>7x</max-size>"
                  "<description>d &amp; e</description></column>"
                  "</columns>")));
  const TableDefn *table = GetTableDefn("t");
  ASSERT_NE(table, nullptr);
  struct Expected {
    const char *name;
    int type, nullable, unique, maxSize;
  } expected[] = {
      {"plain", 0, 1, 0, 0},  {"upper", 0, 1, 0, 12}, {"yes", 0, 0, 1, 0},
      {"spaced", 1, 1, 0, 7}, {"odd", 0, 1, 0, -1},
  };
  ASSERT_EQ(table->columns->count, 5);
  for (int i = 0; i < 5; ++i) {
    const ColumnDefn *column = Column(table, i);
    EXPECT_STREQ(column->name, expected[i].name);
    EXPECT_EQ(column->type, expected[i].type) << column->name;
    EXPECT_EQ(column->nullable, expected[i].nullable) << column->name;
    EXPECT_EQ(column->unique, expected[i].unique) << column->name;
    EXPECT_EQ(column->maxSize, expected[i].maxSize) << column->name;
  }
  EXPECT_EQ(*static_cast<int8_t *>(Column(table, 3)->defaultValue), 44);
  EXPECT_STREQ(Column(table, 4)->description, "d & e");
  EXPECT_EQ(table->constraints, nullptr);
  EXPECT_NE(Log().find("[ERROR] \n Not all Attributes were read\n"), std::string::npos);
}

TEST_F(ReaderTest, ForeignKeyWithTwoColumnPairs) {
  Load(Dict(Table(
      "Line",
      "<description>lines</description><columns><column name=\"a\"/><column name=\"b\"/></columns>"
      "<primary-key><primary-key-column>a</primary-key-column></primary-key>"
      "<foreign-keys><foreign-key reference-table-name=\"Head\" isbidirectional=\"true\">"
      "<fk-columns>"
      "<fk-column><fk-local-column>a</fk-local-column><fk-reference-column>x</"
      "fk-reference-column></fk-column>"
      "<fk-column><fk-local-column>b</fk-local-column><fk-reference-column>y</"
      "fk-reference-column></fk-column>"
      "</fk-columns><fk-constraints>ON-DELETE-CASCADE</fk-constraints></foreign-key>"
      "<foreign-key reference-table-name=\"Other\" isbidirectional=\"TRUE\"><fk-columns>"
      "<fk-column><fk-local-column>b</fk-local-column><fk-reference-column>z</"
      "fk-reference-column></fk-column>"
      "</fk-columns><fk-constraints>on-delete-cascade</fk-constraints></foreign-key>"
      "</foreign-keys>")));
  const TableDefn *table = GetTableDefn("Line");
  ASSERT_NE(table, nullptr);
  EXPECT_STREQ(table->description, "lines");
  ASSERT_EQ(table->constraints->foreignKeys->count, 3);
  struct Expected {
    const char *local, *reference, *table;
    int cascade, bidirectional;
  } expected[] = {{"a", "x", "Head", 1, 1}, {"b", "y", "Head", 1, 0}, {"b", "z", "Other", 0, 0}};
  for (int i = 0; i < 3; ++i) {
    const ForeignKeyDefn *key = ForeignKeyAt(table, i);
    EXPECT_STREQ(key->fkLocalColumn, expected[i].local);
    EXPECT_STREQ(key->fkReferenceColumn, expected[i].reference);
    EXPECT_STREQ(key->referenceTableName, expected[i].table);
    EXPECT_EQ(key->onDeleteCascade, expected[i].cascade) << i;
    EXPECT_EQ(key->isBidirectional, expected[i].bidirectional) << i;
  }
}

TEST_F(ReaderTest, TableDefinedTwiceIsAddedTwice) {
  Load(Dict(GoodTable("Twice") +
            Table("TWICE", "<columns><column name=\"a\"/><column name=\"b\"/></columns>")));
  EXPECT_EQ(TableNames(), "Twice TWICE");
  EXPECT_EQ(GetTableDefn("twice")->columns->count, 1);
}

TEST_F(ReaderTest, ExternalEntitiesAreNotRead) {
  std::string secret = dir_ / "secret.txt";
  WriteFile(secret, "SECRET-TEXT");
  Load("<?xml version=\"1.0\"?>\n<!DOCTYPE data-dictionary [<!ENTITY x SYSTEM \"file://" + secret +
       "\">]>\n<data-dictionary>" +
       Table("T", "<description>&x;</description><columns><column name=\"a\"/></columns>") +
       "</data-dictionary>");
  const TableDefn *table = GetTableDefn("T");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(std::string(table->description).find("SECRET"), std::string::npos);
}

TEST_F(ReaderTest, DocumentElementMustBeTheDictionary) {
  Load("<?xml version=\"1.0\"?>\n<tables>" + GoodTable("T") + "</tables>");
  EXPECT_EQ(GetTableDefnList()->count, 0);
  EXPECT_NE(Log().find("the document element is <tables>, not <data-dictionary>.\n"),
            std::string::npos);
}

// Bad input between two good tables: what still loads and what the log says.
struct BadCase {
  const char *name;
  std::string bad;     // placed between the tables Before and After
  const char *loaded;  // the tables that load
  std::string logged;  // expected in the log
};

class BadInputTest : public ReaderTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(BadInputTest, AffectedTableOrFileIsSkipped) {
  const BadCase &c = GetParam();
  Load(Dict(GoodTable("Before") + c.bad + GoodTable("After")));
  EXPECT_EQ(TableNames(), c.loaded);
  std::string log = Log();
  EXPECT_NE(log.find(c.logged), std::string::npos) << log.substr(0, 4000);
  EXPECT_EQ(GetTableDefn("Bad"), nullptr);
}

// `depth` elements inside each other.
std::string Nested(int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<n>";
  for (int i = 0; i < depth; ++i) text += "</n>";
  return text;
}

const std::string kPair =
    "<fk-column><fk-local-column>c</fk-local-column><fk-reference-column>id</fk-reference-column></"
    "fk-column>";

INSTANTIATE_TEST_SUITE_P(
    Cases, BadInputTest,
    ::testing::Values(
        BadCase{"FromWithoutTo", BadTable("<allowed-values><from>1</from></allowed-values>"),
                "Before After", "[ERROR] In the allowed values attribute, 'to' tag is missing.\n"},
        BadCase{
            "ToBeforeFrom", BadTable("<allowed-values><to>9</to><from>1</from></allowed-values>"),
            "Before After", "[ERROR] In the allowed values attribute, 'from' tag is missing.\n"},
        BadCase{
            "ValuesMixedWithRange",
            BadTable("<allowed-values><value>1</value><from>1</from><to>2</to></allowed-values>"),
            "Before After", "mix <value> with <from>/<to>"},
        BadCase{"ForeignKeyWithoutReferenceTable",
                BadTable("", ForeignKey("isbidirectional=\"true\"",
                                        "<fk-columns>" + kPair + "</fk-columns>")),
                "Before After",
                "[ERROR] A foreign key of table Bad has no reference-table-name.\n"},
        BadCase{"ForeignKeyWithoutColumns",
                BadTable("", ForeignKey("reference-table-name=\"Before\"",
                                        "<fk-constraints>ON-DELETE-CASCADE</fk-constraints>")),
                "Before After", "[DEBUG] fk-columns tag not found \n"},
        BadCase{
            "ForeignKeyPairWithoutReference",
            BadTable("", ForeignKey("reference-table-name=\"Before\"",
                                    "<fk-columns><fk-column><fk-local-column>c</fk-local-column>"
                                    "</fk-column></fk-columns>")),
            "Before After", "needs fk-local-column followed by fk-reference-column"},
        BadCase{"TableWithoutName",
                "<table system=\"x\"><columns><column name=\"c\"/></columns></table>",
                "Before After", "has no name.\n"},
        BadCase{"ColumnWithoutName",
                Table("Bad", "<columns><column><data-type>TEXT</data-type></column></columns>"),
                "Before After", "[ERROR] A column of table Bad has no name.\n"},
        BadCase{"SelfClosingText", BadTable("<data-type/>"), "Before After",
                "[ERROR] Element <data-type> in table Bad is empty; a text is expected.\n"},
        BadCase{"EmptyTable", "<table name=\"Bad\"/>", "Before After",
                "[ERROR] Table Bad has no columns.\n"},
        BadCase{"TableWithoutColumns", Table("Bad", "<description>d</description>"), "Before After",
                "[ERROR] Table Bad has no columns.\n"},
        BadCase{"EmptyColumns", Table("Bad", "<columns></columns>"), "Before After",
                "[ERROR] Table Bad has no columns.\n"},
        BadCase{
            "PrimaryKeyColumnNotClosed",
            BadTable("",
                     "<primary-key><primary-key-column>c<x/></primary-key-column></primary-key>"),
            "Before After", "[ERROR] \nMissing primary-key-column end tag\n"},
        BadCase{"ValueNotClosed", BadTable("<allowed-values><value>a<b/></value></allowed-values>"),
                "Before After", "[ERROR] \n No ending Value tag\n"},
        BadCase{"FromNotClosed",
                BadTable("<allowed-values><from>1<b/></from><to>2</to></allowed-values>"),
                "Before After", "[ERROR] \nNo Ending FROM tag \n"},
        BadCase{"ToNotClosed",
                BadTable("<allowed-values><from>1</from><to>2<b/></to></allowed-values>"),
                "Before After", "[ERROR] \nNo ending TO tag \n"},
        BadCase{
            "LocalColumnNotClosed",
            BadTable("",
                     ForeignKey("reference-table-name=\"Before\"",
                                "<fk-columns><fk-column><fk-local-column>c<b/></fk-local-column>"
                                "</fk-column></fk-columns>")),
            "Before After", "[ERROR] \n Missing endof FK-LOCAL-COLUMN tag\n"},
        BadCase{
            "ReferenceColumnNotClosed",
            BadTable(
                "",
                ForeignKey(
                    "reference-table-name=\"Before\"",
                    "<fk-columns><fk-column><fk-local-column>c</fk-local-column>"
                    "<fk-reference-column>id<b/></fk-reference-column></fk-column></fk-columns>")),
            "Before After", "[ERROR] \nMissing endof FK-REFERENCE-COLUMN\n"},
        BadCase{"ForeignKeyColumnsNotClosed",
                BadTable("", ForeignKey("reference-table-name=\"Before\"",
                                        "<fk-columns>" + kPair +
                                            "<fk-constraints>x</fk-constraints></fk-columns>")),
                "Before After", "[ERROR] \nMissing end FK-COLUMNS\n"},
        BadCase{"ForeignKeyConstraintsNotClosed",
                BadTable("", ForeignKey("reference-table-name=\"Before\"",
                                        "<fk-columns>" + kPair +
                                            "</fk-columns><fk-constraints>x<y/></fk-constraints>")),
                "Before After", "[ERROR] \nMissing endof FK-CONSTRAINTS tag\n"},
        BadCase{"UnknownElementInTable", BadTable("", "<indexes><index/></indexes>"),
                "Before After", "[ERROR] Unexpected element <indexes> in table Bad.\n"},
        BadCase{"UnknownColumnProperty", BadTable("<colour>red</colour>"), "Before After",
                "[ERROR] Unexpected element <colour> in table Bad.\n"},
        BadCase{"RepeatedProperty",
                BadTable("<data-type>TEXT</data-type><data-type>BLOB</data-type>"), "Before After",
                "[ERROR] Element <data-type> appears twice in table Bad.\n"},
        BadCase{
            "RepeatedColumns",
            Table("Bad",
                  "<columns><column name=\"a\"/></columns><columns><column name=\"b\"/></columns>"),
            "Before After", "[ERROR] Element <columns> appears twice in table Bad.\n"},
        BadCase{"LateDescription",
                Table("Bad", "<columns><column name=\"a\"/></columns><description>d</description>"),
                "Before After", "[ERROR] \nDescription tag ambiguity \n"},
        BadCase{"GeneratorWithoutName",
                BadTable("<uniquevalue-generation></uniquevalue-generation>"), "Before After",
                "names no generator-name"},
        BadCase{"NestingWithinTheParserLimit", BadTable(Nested(150)), "Before After",
                "[ERROR] Unexpected element <n> in table Bad.\n"},
        // The parser reports the error before it hands out what precedes it in the same
        // block of input, so a small malformed file loads nothing.
        BadCase{"MismatchedTags", Table("Bad", "<columns><column name=\"a\"></columns>"), "",
                " : failed to parse\n"},
        BadCase{"UnknownDictionaryElement", "<views><view name=\"v\"/></views>", "Before After",
                "unexpected element <views> of the data dictionary skipped.\n"},
        BadCase{"DictionaryDescriptionNotClosed", "<description>x<y/></description>", "Before",
                "[ERROR] \nNo Description end tag\n"}),
    [](const ::testing::TestParamInfo<BadCase> &info) { return std::string(info.param.name); });

// Inputs too big for the table of cases (each case is built in every test process).
TEST_F(ReaderTest, HugeInputsStopTheFile) {
  struct Case {
    const char *name;
    std::string bad;
  } cases[] = {
      {"nesting beyond the parser's limit", BadTable(Nested(100000))},
      {"10 MB attribute", "<table name=\"" + std::string(10 * 1024 * 1024, 'a') +
                              "\"><columns><column name=\"c\"/></columns></table>"},
  };
  for (const Case &c : cases) {
    Load(Dict(GoodTable("Before") + c.bad + GoodTable("After")));
    EXPECT_EQ(TableNames(), "Before") << c.name;
    EXPECT_NE(Log().find(" : failed to parse\n"), std::string::npos) << c.name;
    FreeAllTableDefns();
  }
}

TEST_F(ReaderTest, FileEndingInsideATable) {
  Load("<?xml version=\"1.0\"?>\n<data-dictionary>" + GoodTable("Before") +
       "<table name=\"Cut\"><columns><column name=\"a\"><data-type>TEXT");
  EXPECT_EQ(TableNames(), "Before");
  EXPECT_NE(Log().find(" : failed to parse\n"), std::string::npos);
}

TEST_F(ReaderTest, NotXmlAtAll) {
  for (const std::string &content :
       {std::string(""), std::string("\x01\x02\xff garbage"), std::string(3000, '<')}) {
    Load(content);
    EXPECT_EQ(GetTableDefnList()->count, 0);
  }
}

}  // namespace
