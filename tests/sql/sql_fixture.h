// Shared set-up of the SQL tests: the dialect registry and dictionary tables built in code,
// over the log and pools of pool_fixture.h.
#pragma once

#include <corbel/dialect.h>
#include <corbel/dictionary.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "tests/sql/pool_fixture.h"

namespace corbel::testing {

// One column of a table built for a test.
struct Col {
  const char *name;
  uint8_t type;
  int32_t maxSize = 0;
  const char *defaultText = nullptr;
  uint8_t nullable = 1;
  uint8_t unique = 0;
};

// One foreign-key pair.
struct Fk {
  const char *local;
  const char *refColumn;
  const char *refTable;
};

// Adds a table to the dictionary.
inline void DefineTable(const char *name, std::initializer_list<Col> columns,
                        std::initializer_list<const char *> keys = {},
                        std::initializer_list<Fk> foreignKeys = {}) {
  Vector *list = CreateVector();
  for (const Col &c : columns) {
    const int32_t len = c.defaultText ? static_cast<int32_t>(std::strlen(c.defaultText)) : 0;
    ColumnDefn *column = CreateColumnDefn(c.name, c.type, c.defaultText, len, c.unique, nullptr,
                                          nullptr, c.maxSize, c.nullable, nullptr);
    ASSERT_NE(column, nullptr);
    AddElementValue(list, column);
  }
  std::vector<const char *> keyNames(keys);
  ConstraintDefn *constraints = nullptr;
  if (!keyNames.empty() || foreignKeys.size() > 0) {
    constraints = CreateConstraintDefn(keyNames.data(), static_cast<int32_t>(keyNames.size()));
    for (const Fk &fk : foreignKeys) {
      AddForeignKeyDefn(constraints, CreateForeignKeyDefn(fk.local, fk.refColumn, fk.refTable, 1, 0, 0));
    }
  }
  TableDefn *table = CreateTableDefn(name, nullptr, list, constraints);
  ASSERT_NE(table, nullptr);
  ASSERT_TRUE(AddTableDefn(table));
}

// A row of typed values, built from texts with the dictionary's conversion (nullptr: NULL).
struct RowDeleter {
  int32_t count;
  void operator()(RowObject *row) const { FreeRowObject(row, count); }
};
using RowPtr = std::unique_ptr<RowObject, RowDeleter>;

inline RowPtr MakeRow(const char *table, std::initializer_list<const char *> texts) {
  TableDefn *defn = GetTableDefn(table);
  const int32_t count = defn->columns->count;
  auto **values = static_cast<void **>(std::calloc(count, sizeof(void *)));
  auto *lengths = static_cast<int32_t *>(std::calloc(count, sizeof(int32_t)));
  int32_t i = 0;
  for (const char *text : texts) {
    const auto *column = static_cast<const ColumnDefn *>(ElementAt(defn->columns, i)->element);
    if (text != nullptr) {
      lengths[i] = static_cast<int32_t>(std::strlen(text));
      values[i] = ConvertStringToValue(text, &lengths[i], column->type);
    }
    ++i;
  }
  return RowPtr(CreateNewRowObject(values, lengths), RowDeleter{count});
}

// Replaces one value of a row with raw bytes of a given type width.
template <typename T>
void SetValue(RowObject *row, int index, T value) {
  std::free(row->values[index]);
  row->values[index] = std::calloc(sizeof(T) + 1, 1);
  std::memcpy(row->values[index], &value, sizeof(T));
  row->lengths[index] = sizeof(T);
}

struct FreeText {
  void operator()(char *text) const { std::free(text); }
};
using TextPtr = std::unique_ptr<char, FreeText>;

inline std::string OrNull(const TextPtr &text) { return text ? text.get() : "<null>"; }

// Dialects and dictionary up for one test, on top of the log and the pools.
class SqlTest : public PoolTest {
 protected:
  void SetUp() override {
    PoolTest::SetUp();
    InitDialects();
    InitDataDictionary();
  }

  void TearDown() override {
    FreeAllTableDefns();
    FreeDialects();
    PoolTest::TearDown();
  }
};

}  // namespace corbel::testing
