// Threads sharing the pool and the sequence generator (also run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include <corbel/sequence.h>

#include "tests/db/db_fixture.h"

namespace corbel::testing {
namespace {

constexpr int kThreads = 8;
constexpr int kIdsPerThread = 10000;

TEST(DbConcurrencyTest, EightThreadsDrawDistinctIds) {
  CapturedLog log;
  SetLogLevel(2);
  DbState state;
  LoadFakeProvider();
  AddFakeDataSource("db");
  ASSERT_TRUE(EstablishDBConnectionPool(kThreads));
  AddGeneratedTable("Item", "ITEM_SEQ");
  AddGeneratedTable("Other", "OTHER_SEQ");
  ASSERT_TRUE(SequenceGenerator());
  std::vector<std::vector<int32_t>> drawn(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      const ColumnDefn *item = GetColumnDefnEntry("Item", "id");
      const ColumnDefn *other = GetColumnDefnEntry("Other", "id");
      for (int i = 0; i < kIdsPerThread; ++i) {
        drawn[t].push_back(GenerateID("Item", item));
        if (i % 100 == 0) GenerateID("Other", other);  // renewals of another sequence meanwhile
      }
    });
  }
  for (auto &t : threads) t.join();
  std::set<int32_t> seen;
  for (const auto &ids : drawn) {
    for (int32_t id : ids) {
      ASSERT_GT(id, 0);
      ASSERT_TRUE(seen.insert(id).second) << "id " << id << " handed out twice";
    }
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kIdsPerThread));
}

TEST(DbConcurrencyTest, ThreadsNeverShareAPooledConnection) {
  CapturedLog log;
  SetLogLevel(2);
  DbState state;
  LoadFakeProvider();
  AddFakeDataSource("db");
  ASSERT_TRUE(EstablishDBConnectionPool(4));
  std::atomic<int> holders[64] = {};
  std::atomic<bool> shared{false};
  std::atomic<int> served{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        ConnectionHandle *c = GetConnectionHandle("db");
        if (c == nullptr) continue;  // all four held by others
        auto slot = reinterpret_cast<intptr_t>(c->handle) % 64;
        if (holders[slot].fetch_add(1) != 0) shared = true;
        ++served;
        holders[slot].fetch_sub(1);
        ReleaseConnectionHandle("db");
      }
    });
  }
  for (auto &t : threads) t.join();
  EXPECT_FALSE(shared);
  EXPECT_GT(served.load(), 0);
}

}  // namespace
}  // namespace corbel::testing
