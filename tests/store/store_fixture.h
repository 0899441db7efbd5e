// A store test fixture: its own log (level 4) in a private directory, a small dictionary
// (Orders with a generated key and defaults, Items referring to Orders), an empty table list
// and listener list, and helpers that build rows from value texts.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <corbel/dictionary.h>
#include <corbel/log.h>
#include <corbel/store.h>

#include "tests/common/temp_dir.h"
#include "tests/store/sequence_source.h"

namespace corbel_test {

struct ColumnSpec {
  const char *name;
  uint8_t type;
  const char *defaultText = nullptr;
  const char *generator = nullptr;
};

// Adds a table to the dictionary: columns, primary key, foreign keys (local, table, column).
inline void DefineTable(const char *name, std::vector<ColumnSpec> columns,
                        std::vector<const char *> primaryKey = {},
                        std::vector<std::vector<const char *>> foreignKeys = {}) {
  Vector *list = CreateVector();
  for (const ColumnSpec &c : columns) {
    int32_t length = c.defaultText != nullptr ? static_cast<int32_t>(std::strlen(c.defaultText)) : 0;
    ColumnDefn *column = CreateColumnDefn(c.name, c.type, c.defaultText, length, 0, c.generator,
                                          nullptr, 50, 1, nullptr);
    ASSERT_NE(column, nullptr);
    AddElementValue(list, column);
  }
  ConstraintDefn *keys = nullptr;
  if (!primaryKey.empty() || !foreignKeys.empty()) {
    keys = CreateConstraintDefn(primaryKey.data(), static_cast<int32_t>(primaryKey.size()));
    for (auto &fk : foreignKeys)
      AddForeignKeyDefn(keys, CreateForeignKeyDefn(fk[0], fk[2], fk[1], 0, 0, 0));
  }
  TableDefn *table = CreateTableDefn(name, nullptr, list, keys);
  ASSERT_NE(table, nullptr);
  ASSERT_TRUE(AddTableDefn(table));
}

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitMutex();
    ASSERT_TRUE(InitLog());
    ASSERT_TRUE(SetLogConfig("store.log", (dir_ / "logs").c_str(), 0, nullptr, 4));
    ASSERT_TRUE(OpenLogFile());
    InitDataDictionary();
    InitTableList();
    InitNotification();
    ResetSequences();
    DefineTable("Orders",
                {{"ORDER_ID", ZEL_SQL_INT, nullptr, "ORDER_SEQ"},
                 {"name", ZEL_SQL_VARCHAR},
                 {"qty", ZEL_SQL_INT, "7"},
                 {"price", ZEL_SQL_FLOAT},
                 {"big", ZEL_SQL_BIGINT},
                 {"flag", ZEL_SQL_BOOLEAN},
                 {"created", ZEL_SQL_DATETIME},
                 {"tiny", ZEL_SQL_TINYINT},
                 {"code", ZEL_SQL_INT, "5", "CODE_SEQ"}},
                {"ORDER_ID"});
    DefineTable("Items",
                {{"ITEM_ID", ZEL_SQL_INT, nullptr, "ITEM_SEQ"},
                 {"ORDER_ID", ZEL_SQL_INT},
                 {"label", ZEL_SQL_VARCHAR}},
                {"ITEM_ID"}, {{"ORDER_ID", "Orders", "ORDER_ID"}});
  }

  void TearDown() override {
    DeInitNotification();
    FreeAllTableData();
    DeInitDataDictionary();
    CloseLogFile();
    ReleaseLogSettings();
  }

  std::string Log() const {
    return ovr::testing::StripLogPrefixes(ovr::testing::ReadFile(dir_ / "logs/store.log"));
  }

  // A new row of `table` from value texts (nullopt: null), converted under the column types.
  static RowObject *Row(const char *table, std::vector<std::optional<std::string>> texts) {
    TableDefn *defn = GetTableDefn(table);
    auto n = static_cast<std::size_t>(defn->columns->count);
    auto **values = static_cast<void **>(std::calloc(n, sizeof(void *)));
    auto *lengths = static_cast<int32_t *>(std::calloc(n, sizeof(int32_t)));
    std::size_t i = 0;
    for (VectorNode *node = ElementAt(defn->columns, 0); node != nullptr && i < texts.size();
         node = node->next, ++i) {
      if (!texts[i]) continue;
      lengths[i] = static_cast<int32_t>(texts[i]->size());
      values[i] = ConvertStringToValue(texts[i]->c_str(), &lengths[i],
                                       static_cast<ColumnDefn *>(node->element)->type);
    }
    return CreateNewRowObject(values, lengths);
  }

  // The values of a column over a result, as texts ("NULL" for null), joined by blanks.
  static std::string Column(ResultData *result, const char *column) {
    std::string out;
    ResetResultDataCursor(result);
    uint8_t type = GetColumnTypeByName(column, result);
    while (GotoNextRowObject(result) != nullptr) {
      int32_t length = 0;
      void *value = GetColumnValueByName(column, &length, result);
      char *text = ConvertValueToString(value, type);
      if (!out.empty()) out += ' ';
      out += text != nullptr ? text : "?";
      std::free(text);
    }
    ResetResultDataCursor(result);
    return out;
  }

  // The named column of every row matching `criteria` (NULL: all); "null" for no result.
  static std::string Select(const char *table, const char *criteria, const char *column = "name") {
    ResultData *result = SelectRows(table, criteria);
    if (result == nullptr) return "null";
    std::string out = Column(result, column);
    FreeResultData(result);
    return out;
  }

  ovr::testing::TempDir dir_;
};

}  // namespace corbel_test
