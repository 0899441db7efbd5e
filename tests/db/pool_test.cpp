// The connection pool on the in-memory provider: per-thread hand-out, shared single
// connections, renewal by age and after connection errors, and failed renewals.
#include <gtest/gtest.h>

#include <thread>

#include <corbel/connpool.h>
#include <corbel/dates.h>

#include "tests/db/db_fixture.h"

namespace corbel::testing {
namespace {

class PoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadFakeProvider();
    Fake().refuseConnect = false;
  }
  CapturedLog log_;
  DbState state_;
};

TEST_F(PoolTest, SingleConnectionIsSharedByAllThreads) {
  AddFakeDataSource("one");
  ASSERT_TRUE(EstablishDBConnections());
  ConnectionHandle *mine = GetConnectionHandle("one");
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(mine->ownerThread, 1);
  ConnectionHandle *theirs = nullptr;
  bool released = false;
  std::thread([&] {
    theirs = GetConnectionHandle("one");
    released = ReleaseConnectionHandle("one");
  }).join();
  EXPECT_EQ(theirs, mine);
  EXPECT_TRUE(released);
  EXPECT_EQ(mine->ownerThread, -1);
}

TEST_F(PoolTest, EachThreadHoldsItsOwnConnectionUntilItGivesItBack) {
  AddFakeDataSource("db");
  ASSERT_TRUE(EstablishDBConnectionPool(2));
  ConnectionHandle *first = GetConnectionHandle("db");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetConnectionHandle("db"), first) << "asking again returns the same connection";
  ConnectionHandle *other = nullptr, *third = nullptr;
  std::thread([&] { other = GetConnectionHandle("db"); }).join();
  EXPECT_NE(other, nullptr);
  EXPECT_NE(other, first);
  std::thread([&] { third = GetConnectionHandle("db"); }).join();
  EXPECT_EQ(third, nullptr) << "both connections are held";
  EXPECT_TRUE(ReleaseConnectionHandle("db"));
  EXPECT_FALSE(ReleaseConnectionHandle("db")) << "this thread holds none any more";
  EXPECT_EQ(GetConnectionHandle("nope"), nullptr);
}

TEST_F(PoolTest, NoNameNeedsExactlyOneDataSource) {
  AddFakeDataSource("a");
  AddFakeDataSource("b");
  ASSERT_TRUE(EstablishDBConnectionPool(0));
  EXPECT_EQ(GetConnectionHandle(nullptr), nullptr);
  ConnectionPoolEntry *entry =
      static_cast<ConnectionPoolEntry *>(ElementAt(GetConnectionPool(), 0)->element);
  EXPECT_EQ(entry->connections.count, CORBEL_DEFAULT_POOL_SIZE);
  EXPECT_TRUE(log_.Contains(" 4 : a : Connection Established\n"));
}

TEST_F(PoolTest, RenewsAConnectionFrom27901SecondsOn) {
  AddFakeDataSource("db");
  ASSERT_TRUE(EstablishDBConnectionPool(2));
  ConnectionHandle *c = GetConnectionHandle("db");
  ASSERT_NE(c, nullptr);
  void *native = c->handle;
  // A second may pass between setting the age and the hand-out; then the case is retried.
  for (int tries = 0; tries < 3; ++tries) {
    uint32_t now = GetCurrentSeconds();
    c->openedAt = now - 27900;
    ConnectionHandle *again = GetConnectionHandle("db");
    if (GetCurrentSeconds() != now) continue;
    EXPECT_EQ(again, c);
    EXPECT_EQ(c->handle, native) << "27900 seconds: still the same connection";
    break;
  }
  c->openedAt = GetCurrentSeconds() - 27901;
  ConnectionHandle *renewed = GetConnectionHandle("db");
  EXPECT_EQ(renewed, c) << "the record stays, so handles held elsewhere remain valid";
  EXPECT_NE(c->handle, native);
  EXPECT_LE(GetCurrentSeconds() - c->openedAt, 1u);
}

TEST_F(PoolTest, BrokenConnectionIsRenewedAndAFailedRenewalIsRetriedLater) {
  AddFakeDataSource("one");
  ASSERT_TRUE(EstablishDBConnections());
  ConnectionHandle *c = GetConnectionHandle("one");
  ASSERT_NE(c, nullptr);
  void *native = c->handle;
  ReleaseConnectionHandle("one");

  c->broken = 1;
  Fake().refuseConnect = true;
  EXPECT_EQ(GetConnectionHandle("one"), nullptr);
  EXPECT_TRUE(log_.Contains(
      "Cannot return connection handle. Error in opening connection while re-establishing "
      "connection hanlde.\n"));
  ConnectionPoolEntry *entry =
      static_cast<ConnectionPoolEntry *>(ElementAt(GetConnectionPool(), 0)->element);
  EXPECT_EQ(entry->connections.count, 1) << "the data source keeps its connection";
  EXPECT_EQ(c->ownerThread, -1);

  Fake().refuseConnect = false;
  EXPECT_EQ(GetConnectionHandle("one"), c);
  EXPECT_NE(c->handle, native);
  EXPECT_EQ(c->broken, 0);
}

TEST_F(PoolTest, EstablishingFailsWithoutDataSourcesOrConnections) {
  EXPECT_FALSE(EstablishDBConnections());
  EXPECT_FALSE(EstablishDBConnectionPool(3));
  EXPECT_TRUE(log_.Contains("There is no entry in data source vector\n"));
  AddFakeDataSource("one");
  Fake().refuseConnect = true;
  EXPECT_FALSE(EstablishDBConnections());
  EXPECT_TRUE(log_.Contains("Cannot establish connection.\n"));
  EXPECT_TRUE(EstablishDBConnectionPool(2)) << "failed tries are skipped";
  EXPECT_EQ(GetConnectionHandle("one"), nullptr);
}

}  // namespace
}  // namespace corbel::testing
