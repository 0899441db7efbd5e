// The object lock: waiting for a held address, independence of addresses, mutual exclusion
// under contention and the results of releasing.
#include <corbel/log.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "support/object_lock.h"

namespace {

TEST(ObjectLock, SecondThreadWaitsUntilTheAddressIsReleased) {
  InitMutex();
  int object = 0;
  ASSERT_EQ(LockObject(&object), CORBEL_LOCK_ACQUIRED);
  std::atomic<bool> acquired{false};
  std::thread waiter([&] {
    EXPECT_EQ(LockObject(&object), CORBEL_LOCK_ACQUIRED);
    acquired = true;
    EXPECT_EQ(UnlockObject(&object), CORBEL_LOCK_RELEASED);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(acquired.load()) << "the second thread got a held address";
  EXPECT_EQ(UnlockObject(&object), CORBEL_LOCK_RELEASED);
  waiter.join();
  EXPECT_TRUE(acquired.load());
}

TEST(ObjectLock, OtherAddressesStayFreeWhileOneIsHeld) {
  int held = 0, other = 0;
  ASSERT_EQ(LockObject(&held), CORBEL_LOCK_ACQUIRED);
  std::thread([&] {
    EXPECT_EQ(LockObject(&other), CORBEL_LOCK_ACQUIRED);
    EXPECT_EQ(UnlockObject(&other), CORBEL_LOCK_RELEASED);
  }).join();
  EXPECT_EQ(UnlockObject(&held), CORBEL_LOCK_RELEASED);
}

TEST(ObjectLock, ReleasingAnAddressThatIsNotLockedReturnsTwo) {
  int object = 0;
  EXPECT_EQ(UnlockObject(&object), CORBEL_LOCK_NOT_HELD);
  ASSERT_EQ(LockObject(&object), CORBEL_LOCK_ACQUIRED);
  EXPECT_EQ(UnlockObject(&object), CORBEL_LOCK_RELEASED);
  EXPECT_EQ(UnlockObject(&object), CORBEL_LOCK_NOT_HELD);
}

TEST(ObjectLock, ContendedAddressesSerialiseTheirHolders) {
  // Threads share two addresses; a plain counter per address counts the holders inside.
  constexpr int kThreads = 4;
  constexpr int kRounds = 20000;
  struct Guarded {
    long total = 0;
    int inside = 0;
  } a, b;
  std::atomic<int> overlaps{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        Guarded &g = ((i + t) % 2) ? a : b;
        ovr::ObjectLockGuard hold(&g);
        if (++g.inside != 1) ++overlaps;
        ++g.total;
        --g.inside;
      }
    });
  for (auto &th : threads) th.join();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(a.total + b.total, static_cast<long>(kThreads) * kRounds);
}

}  // namespace
