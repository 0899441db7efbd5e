// Query result sets: building, the cursor, lookups by column, the listing and the row
// conversion of the dialects.
#include <corbel/dialect.h>
#include <corbel/resultset.h>

#include <cstring>
#include <string>

#include "tests/sql/sql_fixture.h"

namespace corbel::testing {
namespace {

ResultColumn *Columns(std::initializer_list<std::pair<const char *, uint8_t>> list) {
  auto *columns = static_cast<ResultColumn *>(std::calloc(list.size(), sizeof(ResultColumn)));
  int i = 0;
  for (const auto &[name, type] : list) {
    columns[i].columnName = strdup(name);
    columns[i].columnType = type;
    ++i;
  }
  return columns;
}

// Two rows (1, "one") and (NULL, "two") of columns ID and CURRENTBATCHEND.
ResultSet *TwoRows() {
  int32_t one = 1;
  ResultCell *cells = AppendResultCell(nullptr, 4, &one);
  cells = AppendResultCell(cells, 3, "one");
  ResultRow *rows = AppendResultRow(nullptr, cells);
  cells = AppendResultCell(nullptr, 4, nullptr);
  cells = AppendResultCell(cells, 3, "two");
  rows = AppendResultRow(rows, cells);
  return CreateResultSet(rows, Columns({{"ID", ZEL_SQL_INT}, {"CURRENTBATCHEND", ZEL_SQL_VARCHAR}}), 2);
}

TEST_F(SqlTest, CursorWalksRowsAndStartsAgainAfterReset) {
  ResultSet *set = TwoRows();
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(set->rowCount, 2);
  int32_t length = -1;
  EXPECT_EQ(GetResultColumnValue("id", &length, set), nullptr);  // no current row yet
  ASSERT_NE(GotoNextResultRow(set), nullptr);
  const void *value = GetResultColumnValue("currentbatchend", &length, set);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(std::string(static_cast<const char *>(value)), "one");
  EXPECT_EQ(length, 3);
  ResultRow *second = GotoNextResultRow(set);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(GetResultColumnValue("ID", &length, set), nullptr);  // database NULL
  EXPECT_EQ(length, 0);
  EXPECT_EQ(second->firstCell->cellLength, 0);
  EXPECT_EQ(GotoNextResultRow(set), nullptr);
  EXPECT_EQ(GotoNextResultRow(set), nullptr);
  ResetResultSetCursor(set);
  EXPECT_EQ(GotoNextResultRow(set), set->firstResultRow);
  EXPECT_EQ(GetResultColumnType("currentBatchEnd", set), ZEL_SQL_VARCHAR);
  EXPECT_EQ(GetResultColumnType("missing", set), 0);
  EXPECT_STREQ(GetResultColumnName(1, set), "CURRENTBATCHEND");
  EXPECT_EQ(GetResultColumnName(2, set), nullptr);
  EXPECT_EQ(GetResultColumnName(-1, set), nullptr);
  EXPECT_EQ(GetResultColumnValue("missing", &length, set), nullptr);
  PrintResultSet(set);
  const std::string log = LogText();
  EXPECT_NE(log.find("ID\tCURRENTBATCHEND\t\n"), std::string::npos) << log;
  EXPECT_NE(log.find("1\tone\t\n"), std::string::npos) << log;
  EXPECT_NE(log.find("NULL\ttwo\t\n"), std::string::npos) << log;
  FreeResultSet(set);
}

TEST_F(SqlTest, EmptyResult) {
  ResultSet *set = CreateResultSet(nullptr, Columns({{"a", ZEL_SQL_INT}}), 1);
  EXPECT_EQ(set->rowCount, 0);
  EXPECT_EQ(GotoNextResultRow(set), nullptr);
  EXPECT_EQ(GotoNextResultRow(nullptr), nullptr);
  ResetResultSetCursor(nullptr);
  FreeResultSet(set);
  FreeResultSet(nullptr);
}

TEST_F(SqlTest, CellsCopyTheirBytes) {
  char bytes[] = {'a', '\0', 'b'};
  ResultCell *cell = AppendResultCell(nullptr, 3, bytes);
  bytes[0] = 'z';
  EXPECT_EQ(std::string(static_cast<char *>(cell->cellValue), 4), std::string("a\0b\0", 4));
  FreeResultCells(cell);
}

TEST_F(SqlTest, ListingShowsWideNumbersInFull) {
  int64_t big = -9223372036854775807LL - 1;
  double pi = 3.141592653589793;
  int8_t small = -5;
  ResultCell *cells = AppendResultCell(nullptr, 8, &big);
  cells = AppendResultCell(cells, 8, &pi);
  cells = AppendResultCell(cells, 1, &small);
  ResultSet *set = CreateResultSet(AppendResultRow(nullptr, cells),
                                   Columns({{"b", ZEL_SQL_BIGINT}, {"d", ZEL_SQL_DOUBLE}, {"s", ZEL_SQL_TINYINT}}), 3);
  PrintResultSet(set);
  EXPECT_NE(LogText().find("-9223372036854775808\t3.141592653589793\t-5\t\n"), std::string::npos)
      << LogText();
  FreeResultSet(set);
}

TEST_F(SqlTest, DialectsConvertTheCurrentRow) {
  DefineTable("r", {{"id", ZEL_SQL_INT}, {"name", ZEL_SQL_VARCHAR, 10}, {"seen", ZEL_SQL_DATETIME},
                    {"born", ZEL_SQL_DATE}});
  int32_t id = 9;
  ResultCell *cells = AppendResultCell(nullptr, 4, &id);
  cells = AppendResultCell(cells, 0, nullptr);
  cells = AppendResultCell(cells, 19, "2026-12-09 08:15:07");
  cells = AppendResultCell(cells, 8, "2026-1-2");
  ResultSet *set = CreateResultSet(AppendResultRow(nullptr, cells),
                                   Columns({{"id", ZEL_SQL_INT}, {"name", ZEL_SQL_VARCHAR},
                                            {"seen", ZEL_SQL_VARCHAR}, {"born", ZEL_SQL_VARCHAR}}), 4);
  EXPECT_EQ(MysqlConvResultsetToRowobject(set, "r"), nullptr);  // no current row
  GotoNextResultRow(set);
  RowPtr mysql(MysqlConvResultsetToRowobject(set, "ignored"), RowDeleter{4});
  ASSERT_NE(mysql, nullptr);
  EXPECT_EQ(mysql->state, 1);
  EXPECT_EQ(*static_cast<int32_t *>(mysql->values[0]), 9);
  EXPECT_EQ(mysql->values[1], nullptr);
  EXPECT_STREQ(static_cast<char *>(mysql->values[2]), "2026-12-09 08:15:07");
  RowPtr sqlite(SqliteConvResultsetToRowobject(set, "r"), RowDeleter{4});
  ASSERT_NE(sqlite, nullptr);
  EXPECT_EQ(sqlite->state, 1);
  const auto *seen = static_cast<const ZelDateTime *>(sqlite->values[2]);
  ASSERT_NE(seen->date, nullptr);
  ASSERT_NE(seen->time, nullptr);
  EXPECT_EQ(seen->date->year, 2026);
  EXPECT_EQ(seen->date->day, 9);
  EXPECT_EQ(seen->time->second, 7);
  const auto *born = static_cast<const ZelDateTime *>(sqlite->values[3]);
  ASSERT_NE(born->date, nullptr);
  EXPECT_EQ(born->date->month, 1);
  EXPECT_EQ(born->date->day, 2);
  EXPECT_EQ(SqliteConvResultsetToRowobject(set, "unknown"), nullptr);
  FreeResultSet(set);
}

}  // namespace
}  // namespace corbel::testing
