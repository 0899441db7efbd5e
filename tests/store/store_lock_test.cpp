// The store lock: criteria parsing and evaluation from many threads at once. The parser
// keeps process-wide state, so without the lock parses would corrupt each other.
#include <atomic>
#include <thread>

#include "tests/store/store_fixture.h"

namespace corbel_test {
namespace {

class StoreLockTest : public StoreTest {};

TEST_F(StoreLockTest, ParallelSelectionsEachGetTheirOwnRows) {
  ASSERT_TRUE(CreateTable("Orders"));
  ASSERT_TRUE(CreateTable("Items"));
  for (int i = 0; i < 200; ++i)
    ASSERT_TRUE(AddNewRow("Orders", Row("Orders", {std::to_string(i), "n" + std::to_string(i % 10),
                                                   std::to_string(i)})));
  SetLogLevel(1);  // the threads' trace lines would only slow the test down
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &wrong] {
      for (int k = 0; k < 100; ++k) {
        int digit = (t * 3 + k) % 10;
        std::string criteria = "name = 'n" + std::to_string(digit) + "' and (qty < 100 or qty >= 150)";
        ResultData *result = SelectRows("Orders", criteria.c_str());
        // Rows digit, digit+10, ...: 10 below 100 and 5 from 150 on.
        if (result == nullptr || result->rowCount != 15) ++wrong;
        FreeResultData(result);
        if (SelectRows("Orders", "qty = = 1") != nullptr) ++wrong;
      }
    });
  }
  // Meanwhile another table is filled and emptied by criteria.
  threads.emplace_back([&wrong] {
    for (int k = 0; k < 100; ++k) {
      RowObject *row = Row("Items", {{}, "1", "x"});
      if (!AddNewRow("Items", row)) ++wrong;
      if (!DeleteRowObjectByCriteria("Items", "label = 'x' and ORDER_ID = 1")) ++wrong;
    }
  });
  for (auto &th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(GetTableDataByName("Items")->rowCount, 0);
}

}  // namespace
}  // namespace corbel_test
