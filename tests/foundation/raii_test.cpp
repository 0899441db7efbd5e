// The C++ layer releases what it owns (the leak checker of the sanitizer build sees it).
#include <corbel/corbel.hpp>
#include <gtest/gtest.h>

namespace {

TEST(Raii, OwnersReleaseTextsValuesVectorsAndTables) {
  corbel::TextPtr text(ToUpperCaseCopy("abc"));
  EXPECT_STREQ(text.get(), "ABC");
  corbel::ZelDateTimePtr when(ConvertStringToZelDateTime("2026-12-09"));
  ASSERT_NE(when, nullptr);
  corbel::VectorPtr v(CreateVector());
  ASSERT_NE(v, nullptr);
  EXPECT_TRUE(AddElementValue(v.get(), text.get()));
  corbel::HashTableOwner table(4);
  ASSERT_TRUE(table.ok());
  EXPECT_TRUE(HashPut(table.get(), "k", text.get()));
  InitMutex();
  {
    corbel::ObjectLock lock(v.get());
  }
  EXPECT_EQ(UnlockObject(v.get()), CORBEL_LOCK_NOT_HELD);  // released at scope end
}

}  // namespace
