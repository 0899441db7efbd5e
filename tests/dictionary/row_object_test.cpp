// Rows made from value arrays, and freed with everything they own.
#include <gtest/gtest.h>

#include <cstdlib>

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

}  // namespace
