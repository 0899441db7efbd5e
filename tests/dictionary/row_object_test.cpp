// Rows made from value arrays, and freed with everything they own.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <corbel/dictionary.h>
#include <corbel/rowobject.h>

namespace {

TEST(RowObjectTest, NewRowOwnsItsArraysAndValues) {
  // id, a date value, a null value: the leak checker of the sanitizer build sees whether
  // everything is released.
  auto **values = static_cast<void **>(std::calloc(3, sizeof(void *)));
  auto *lengths = static_cast<int32_t *>(std::calloc(3, sizeof(int32_t)));
  values[0] = ConvertStringToValue("7", &lengths[0], ZEL_SQL_INT);
  values[1] = ConvertStringToValue("2026-12-09 08:15:00", &lengths[1], ZEL_SQL_DATETIME);
  RowObject *row = CreateNewRowObject(values, lengths);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->state, ROW_STATE_NEW);
  EXPECT_EQ(row->nextRow, nullptr);
  EXPECT_EQ(row->values, values);
  EXPECT_EQ(row->lengths, lengths);
  EXPECT_EQ(lengths[1], ZEL_DATETIME_VALUE_WIDTH);
  FreeRowObject(row, 3);
  FreeRowObject(nullptr, 3);
}

TEST(RowObjectTest, FreeingTouchesOnlyTheGivenColumnCount) {
  auto **values = static_cast<void **>(std::calloc(2, sizeof(void *)));
  auto *lengths = static_cast<int32_t *>(std::calloc(2, sizeof(int32_t)));
  values[0] = ConvertStringToValue("a", &lengths[0], ZEL_SQL_VARCHAR);
  void *kept = ConvertStringToValue("b", &lengths[1], ZEL_SQL_VARCHAR);
  values[1] = kept;
  FreeRowObject(CreateNewRowObject(values, lengths), 1);
  EXPECT_STREQ(static_cast<char *>(kept), "b");  // beyond the count: still the caller's
  std::free(kept);
}

// Columns of every width: bigint, int, text, smallint, tinyint, double.
constexpr uint8_t kTypes[] = {ZEL_SQL_BIGINT,   ZEL_SQL_INT,     ZEL_SQL_VARCHAR,
                              ZEL_SQL_SMALLINT, ZEL_SQL_TINYINT, ZEL_SQL_DOUBLE};

// A packed row of the first `count` columns of kTypes whose values derive from `seed`; the
// text is `textLength` characters long.
RowObject *MakePackedRow(int32_t count, int seed, std::size_t textLength) {
  int64_t big = seed * 1000003LL;
  int32_t id = seed;
  std::string text(textLength, static_cast<char>('a' + seed % 26));
  int16_t small = static_cast<int16_t>(seed % 30000);
  int8_t tiny = static_cast<int8_t>(seed % 100);
  double real = seed * 0.25;
  const void *values[] = {&big, &id, text.c_str(), &small, &tiny, &real};
  const int32_t lengths[] = {8, 4, static_cast<int32_t>(textLength), 2, 1, 8};
  return CreatePackedRowObject(count, values, lengths, kTypes);
}

// Every value of the row reads back as made, aligned for its type, the text terminated.
void ExpectPackedRow(const RowObject *row, int32_t count, int seed, std::size_t textLength) {
  ASSERT_NE(row, nullptr);
  auto aligned = [](const void *p, std::uintptr_t a) {
    return reinterpret_cast<std::uintptr_t>(p) % a == 0;
  };
  int64_t big;
  std::memcpy(&big, row->values[0], 8);
  EXPECT_EQ(big, seed * 1000003LL);
  EXPECT_TRUE(aligned(row->values[0], 8));
  EXPECT_EQ(row->lengths[0], 8);
  if (count < 2) return;
  EXPECT_EQ(*static_cast<const int32_t *>(row->values[1]), seed);
  EXPECT_TRUE(aligned(row->values[1], 4));
  if (count < 3) return;
  EXPECT_EQ(static_cast<const char *>(row->values[2]),
            std::string(textLength, static_cast<char>('a' + seed % 26)));
  EXPECT_EQ(row->lengths[2], static_cast<int32_t>(textLength));
  if (count < 6) return;
  EXPECT_EQ(*static_cast<const int16_t *>(row->values[3]), seed % 30000);
  EXPECT_TRUE(aligned(row->values[3], 2));
  EXPECT_EQ(*static_cast<const int8_t *>(row->values[4]), seed % 100);
  EXPECT_EQ(*static_cast<const double *>(row->values[5]), seed * 0.25);
  EXPECT_TRUE(aligned(row->values[5], 8));
}

TEST(RowObjectTest, PackedRowsKeepTheirValuesThroughGrowthReuseAndRelease) {
  // Sizes from a few dozen bytes to beyond what one shared block class holds; thousands of
  // rows, so that the memory behind them grows several times, is reused after frees and is
  // given back when the last row goes.
  struct Made {
    RowObject *row;
    int32_t count;
    int seed;
    std::size_t text;
  };
  std::vector<Made> rows;
  auto make = [&rows](int seed) {
    int32_t count = 1 + seed % 6;
    std::size_t text = seed % 97 == 0 ? 5000 : static_cast<std::size_t>(seed % 40);
    RowObject *row = MakePackedRow(count, seed, text);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->state, ROW_STATE_NEW);
    EXPECT_EQ(row->nextRow, nullptr);
    rows.push_back({row, count, seed, text});
  };
  for (int seed = 0; seed < 60000; ++seed) make(seed);
  // Every other row goes; new rows take their places; the survivors are untouched.
  std::vector<Made> kept;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i % 2 == 0)
      FreeRowObject(rows[i].row, rows[i].count);
    else
      kept.push_back(rows[i]);
  }
  rows = kept;
  for (int seed = 60000; seed < 90000; ++seed) make(seed);
  for (const Made &m : rows) ExpectPackedRow(m.row, m.count, m.seed, m.text);
  // Rows made of separate allocations are freed beside packed ones as before.
  auto **values = static_cast<void **>(std::calloc(1, sizeof(void *)));
  auto *lengths = static_cast<int32_t *>(std::calloc(1, sizeof(int32_t)));
  values[0] = ConvertStringToValue("5", &lengths[0], ZEL_SQL_INT);
  FreeRowObject(CreateNewRowObject(values, lengths), 1);
  for (const Made &m : rows) FreeRowObject(m.row, m.count);
  // After everything was given back, new rows are made and read as before.
  RowObject *again = MakePackedRow(6, 42, 3);
  ExpectPackedRow(again, 6, 42, 3);
  FreeRowObject(again, 6);
}

}  // namespace
