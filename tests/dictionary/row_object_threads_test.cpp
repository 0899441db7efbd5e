// Packed rows made and freed on several threads at once, rows of one thread freed by
// another: every row keeps its own values (the ThreadSanitizer build sees the races).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include <corbel/dictionary.h>
#include <corbel/rowobject.h>

namespace {

constexpr uint8_t kTypes[] = {ZEL_SQL_INT, ZEL_SQL_VARCHAR};

RowObject *MakeRow(int32_t id) {
  char text[16];
  int length = std::snprintf(text, sizeof text, "r%d", id);
  const void *values[] = {&id, text};
  const int32_t lengths[] = {4, length};
  return CreatePackedRowObject(2, values, lengths, kTypes);
}

bool Holds(const RowObject *row, int32_t id) {
  char text[16];
  std::snprintf(text, sizeof text, "r%d", id);
  return *static_cast<const int32_t *>(row->values[0]) == id &&
         std::strcmp(static_cast<const char *>(row->values[1]), text) == 0;
}

TEST(RowObjectThreadsTest, RowsMadeAndFreedOnManyThreads) {
  constexpr int kThreads = 4;
  constexpr int kRows = 20000;
  std::vector<std::vector<RowObject *>> made(kThreads);
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &made, &wrong] {
      for (int i = 0; i < kRows; ++i) {
        int32_t id = t * kRows + i;
        RowObject *row = MakeRow(id);
        if (row == nullptr || !Holds(row, id)) {
          ++wrong[t];
          continue;
        }
        // Every third row goes at once, so frees interleave with the other threads' rows.
        if (i % 3 == 0)
          FreeRowObject(row, 2);
        else
          made[t].push_back(row);
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  threads.clear();
  // Each thread checks and frees the rows another thread made.
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &made, &wrong] {
      const std::vector<RowObject *> &rows = made[(t + 1) % kThreads];
      for (RowObject *row : rows) {
        auto id = *static_cast<const int32_t *>(row->values[0]);
        if (!Holds(row, id)) ++wrong[t];
        FreeRowObject(row, 2);
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

}  // namespace
