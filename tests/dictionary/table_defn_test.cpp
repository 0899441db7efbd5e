// Table definitions built by program, and the dictionary's lookups.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <corbel/dictionary.h>

#include "tests/dictionary/dictionary_fixture.h"

namespace {

using corbel_test::DictionaryTest;

// Customer(id INT, name CHAR(300), code CHAR(255), flag BOOLEAN default TRUE) with the key id
// and a foreign key code -> Region.code.
TableDefn *MakeCustomer() {
  Vector *columns = CreateVector();
  AddElementValue(columns, CreateColumnDefn("id", ZEL_SQL_INT, nullptr, 0, 1, "customer_seq",
                                            "number", 0, 0, nullptr));
  AddElementValue(columns, CreateColumnDefn("name", ZEL_SQL_VARCHAR, nullptr, 0, 0, nullptr,
                                            nullptr, 300, 1, nullptr));
  const char *codes[] = {"A", "B"};
  AddElementValue(columns, CreateColumnDefn("code", ZEL_SQL_CHAR, "A", 1, 0, nullptr, nullptr, 255,
                                            1, CreateAllowedValues(codes, 2, 0)));
  AddElementValue(columns, CreateColumnDefn("flag", ZEL_SQL_BOOLEAN, "TRUE", 4, 0, nullptr, nullptr,
                                            0, 1, nullptr));
  const char *key[] = {"id"};
  ConstraintDefn *constraints = CreateConstraintDefn(key, 1);
  AddForeignKeyDefn(constraints, CreateForeignKeyDefn("code", "code", "Region", 1, 0, 1));
  return CreateTableDefn("Customer", "people", columns, constraints);
}

TEST_F(DictionaryTest, LookupsFollowTheCaseRules) {
  ASSERT_TRUE(AddTableDefn(MakeCustomer()));
  TableDefn *table = GetTableDefn("CUSTOMER");
  ASSERT_NE(table, nullptr);
  EXPECT_STREQ(table->name, "Customer");
  EXPECT_EQ(GetColumnDefnEntry("customer", "id"),
            static_cast<ColumnDefn *>(ElementAt(table->columns, 0)->element));
  EXPECT_EQ(GetColumnDefnEntry("Customer", "ID"), nullptr);
  EXPECT_EQ(GetColumnTypeFromDefn("Customer", "flag"), ZEL_SQL_BOOLEAN);
  EXPECT_EQ(GetColumnTypeFromDefn("Customer", "FLAG"), 0);
  ForeignKeyDefn *key = GetForeignKeyDefn(table, "CODE");
  ASSERT_NE(key, nullptr);
  EXPECT_STREQ(key->referenceTableName, "Region");
  EXPECT_EQ(key->onDeleteCascade, 1);
  EXPECT_EQ(key->isBidirectional, 1);
  EXPECT_EQ(GetForeignKeyDefn(table, "id"), nullptr);
  EXPECT_EQ(GetTableDefn("Region"), nullptr);
}

TEST_F(DictionaryTest, CharColumnsOfAtLeast256AreText) {
  ASSERT_TRUE(AddTableDefn(MakeCustomer()));
  EXPECT_EQ(GetColumnTypeFromDefn("Customer", "name"), ZEL_SQL_TEXT);  // VARCHAR 300
  EXPECT_EQ(GetColumnTypeFromDefn("Customer", "code"), ZEL_SQL_CHAR);  // CHAR 255
  ColumnDefn *text =
      CreateColumnDefn("t", ZEL_SQL_CHAR, nullptr, 0, 0, nullptr, nullptr, 256, 1, nullptr);
  EXPECT_EQ(text->type, ZEL_SQL_TEXT);
  FreeColumnDefn(text);
}

TEST_F(DictionaryTest, DefaultValuesAndTheFoundFlag) {
  ASSERT_TRUE(AddTableDefn(MakeCustomer()));
  uint8_t found = 0;
  EXPECT_EQ(GetDefaultValue("Customer", "id", &found), nullptr);  // no default
  EXPECT_EQ(found, 1);
  found = 0;
  auto *flag = static_cast<uint8_t *>(GetDefaultValue("Customer", "flag", &found));
  ASSERT_NE(flag, nullptr);
  EXPECT_EQ(*flag, 1);
  EXPECT_EQ(found, 1);
  ColumnDefn *code = GetColumnDefnEntry("Customer", "code");
  EXPECT_STREQ(static_cast<char *>(code->defaultValue), "A");
  EXPECT_EQ(code->defaultValueLength, 1);
  ASSERT_NE(code->allowedValues, nullptr);
  EXPECT_STREQ(code->allowedValues->values[1], "B");
  EXPECT_EQ(code->allowedValues->values[2], nullptr);
  found = 7;
  EXPECT_EQ(GetDefaultValue("Customer", "nope", &found), nullptr);
  EXPECT_EQ(found, 7);  // untouched
}

TEST_F(DictionaryTest, LookupFailuresAreLogged) {
  ASSERT_TRUE(AddTableDefn(MakeCustomer()));
  uint8_t found = 0;
  EXPECT_EQ(GetTableDefn(nullptr), nullptr);
  EXPECT_EQ(GetColumnDefnEntry(nullptr, "id"), nullptr);
  EXPECT_EQ(GetDefaultValue("Region", "id", &found), nullptr);
  EXPECT_EQ(found, 0);
  std::string log = Log();
  for (const char *line :
       {"[TRACE] @@@@ Inside GetColumnDefnEntry @@@@\n[ERROR] Cannot fetch default value;\n",
        "[TRACE] @@@@ Inside GetDefaultValue @@@@\n",
        "[ERROR] No definition found for table Region\n"})
    EXPECT_NE(log.find(line), std::string::npos) << line;
}

TEST_F(DictionaryTest, ForeignKeyLookupWithoutKeys) {
  TableDefn *bare = CreateTableDefn("Bare", nullptr, CreateVector(), nullptr);
  const char *key[] = {"id"};
  TableDefn *keyed =
      CreateTableDefn("Keyed", nullptr, CreateVector(), CreateConstraintDefn(key, 1));
  EXPECT_EQ(GetForeignKeyDefn(bare, "id"), nullptr);
  EXPECT_EQ(GetForeignKeyDefn(keyed, "id"), nullptr);
  std::string log = Log();
  EXPECT_NE(log.find("[ERROR] No constraint Definition \n"), std::string::npos);
  EXPECT_NE(log.find("[ERROR] No Foreignkey Entries in Definition \n"), std::string::npos);
  ReleaseTableDefn(bare);
  ReleaseTableDefn(keyed);
}

TEST_F(DictionaryTest, FreeTableDefnRemovesOnlyTheNamedTable) {
  for (const char *name : {"One", "Two", "Three"})
    ASSERT_TRUE(AddTableDefn(CreateTableDefn(name, nullptr, CreateVector(), nullptr)));
  EXPECT_TRUE(FreeTableDefn("two"));
  EXPECT_FALSE(FreeTableDefn("two"));
  EXPECT_EQ(TableNames(), "One Three");
  FreeAllTableDefns();
  EXPECT_EQ(GetTableDefnList()->count, 0);
  EXPECT_EQ(GetTableDefn("One"), nullptr);
  ASSERT_TRUE(AddTableDefn(CreateTableDefn("Again", nullptr, nullptr, nullptr)));
  EXPECT_EQ(TableNames(), "Again");
}

TEST_F(DictionaryTest, BuildersRejectMissingNames) {
  EXPECT_EQ(CreateColumnDefn(nullptr, ZEL_SQL_INT, nullptr, 0, 0, nullptr, nullptr, 0, 1, nullptr),
            nullptr);
  EXPECT_EQ(CreateTableDefn(nullptr, "d", CreateVector(), CreateConstraintDefn(nullptr, 0)),
            nullptr);
  const char *one[] = {"1"};
  EXPECT_EQ(CreateAllowedValues(one, 1, 1), nullptr);  // a range needs two bounds
  EXPECT_FALSE(AddTableDefn(nullptr));
  ForeignKeyDefn *key = CreateForeignKeyDefn(nullptr, nullptr, nullptr, 0, 1, 0);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->onUpdateCascade, 1);
  EXPECT_FALSE(AddForeignKeyDefn(nullptr, key));
  FreeForeignKeyDefn(key);
}

TEST_F(DictionaryTest, UnconvertibleDefaultIsLoggedAndLeftOut) {
  ColumnDefn *column =
      CreateColumnDefn("b", ZEL_SQL_BOOLEAN, "yes", 3, 0, nullptr, nullptr, 0, 1, nullptr);
  ASSERT_NE(column, nullptr);
  EXPECT_EQ(column->defaultValue, nullptr);
  EXPECT_EQ(column->defaultValueLength, 0);
  EXPECT_NE(Log().find("[ERROR] Default value \"yes\" of column b is not a value of type 19"),
            std::string::npos);
  FreeColumnDefn(column);
}

TEST_F(DictionaryTest, PrintTableDefnListsColumnsAndKeys) {
  ASSERT_TRUE(AddTableDefn(MakeCustomer()));
  ASSERT_TRUE(AddTableDefn(CreateTableDefn("Empty", nullptr, CreateVector(), nullptr)));
  SetLogLevel(3);  // the listing alone, without the entry lines of the lists it walks
  PrintAllTableDefns();
  std::string log = Log();
  const std::string rule = "[DEBUG] ---------------------------------------\n\n";
  std::string expected =
      "[DEBUG] Table Name : Customer\n[DEBUG] Description: people\n" + rule +
      "[DEBUG] Column Name : id\n[DEBUG] Column Type : 5\n[DEBUG] Unique Flag : TRUE\n"
      "[DEBUG] Description : number\n" +
      rule +
      "[DEBUG] Column Name : name\n[DEBUG] Column Type : 22\n[DEBUG] Unique Flag : FALSE\n"
      "[DEBUG] Description : \n" +
      rule;
  EXPECT_NE(log.find(expected), std::string::npos) << log;
  EXPECT_NE(log.find("[DEBUG] Primary key : id\n\n[DEBUG] Foreign key Constraints\n"
                     "[DEBUG] ********************************\n[DEBUG] Column Name : code\n"
                     "[DEBUG] Ref Column  : code\n[DEBUG] Tablename : Region\n"
                     "[DEBUG] ********************************\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("Table Name : Empty"), std::string::npos);  // no columns: not printed
}

}  // namespace
