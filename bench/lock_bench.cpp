// Two threads take and release the same address a million times each: the object lock
// (waiters sleep on a condition variable) against the earlier back-off lock (waiters retry
// after a sleep that grows with every wait of the process) and against a plain std::mutex.
#include <corbel/log.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kThreads = 2;
constexpr int kRounds = 1000000;
constexpr int kEarlierWaits = 2000;  // for the back-off lock late in a process's life

// The back-off lock, kept here only to be measured: a list of locked addresses under one
// mutex; a caller that finds its address taken sleeps backoffCounter / 1000 ms (a yield
// while that is 0), the counter growing by 10 with every wait and never reset.
namespace backoff {
std::mutex tableMutex;
std::vector<const void *> locked;
int backoffCounter = 0;  // guarded by tableMutex
long waits = 0;          // guarded by tableMutex

void Lock(const void *object) {
  for (;;) {
    int sleepMs;
    {
      std::lock_guard<std::mutex> hold(tableMutex);
      bool busy = false;
      for (const void *p : locked)
        if (p == object) busy = true;
      if (!busy) {
        locked.push_back(object);
        return;
      }
      backoffCounter += 10;
      if (backoffCounter == 0) backoffCounter = 10;
      ++waits;
      sleepMs = backoffCounter / 1000;
    }
    if (sleepMs == 0)
      std::this_thread::yield();
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));
  }
}

void Unlock(const void *object) {
  std::lock_guard<std::mutex> hold(tableMutex);
  for (auto it = locked.begin(); it != locked.end(); ++it)
    if (*it == object) {
      *it = locked.back();
      locked.pop_back();
      return;
    }
}
}  // namespace backoff

template <typename Body>
double Measure(Body body) {
  auto start = Clock::now();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < kRounds; ++i) body();
    });
  for (auto &th : threads) th.join();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Mean time from a release to the acquisition by a thread that was already waiting for
// the address: what a waiter pays beyond the holder's own work.
template <typename LockFn, typename UnlockFn>
double HandoffMicros(LockFn lock, UnlockFn unlock, int handoffs) {
  static int address;
  double total = 0;
  for (int i = 0; i < handoffs; ++i) {
    lock(&address);
    Clock::time_point acquiredAt;
    std::thread waiter([&] {
      lock(&address);
      acquiredAt = Clock::now();
      unlock(&address);
    });
    std::this_thread::sleep_for(std::chrono::microseconds(300));
    Clock::time_point releasedAt = Clock::now();
    unlock(&address);
    waiter.join();
    total += std::chrono::duration<double, std::micro>(acquiredAt - releasedAt).count();
  }
  return total / handoffs;
}

}  // namespace

int main() {
  InitMutex();
  static int address;
  static long counter = 0;
  std::mutex plain;
  auto backoffBody = [] {
    backoff::Lock(&address);
    ++counter;
    backoff::Unlock(&address);
  };

  double mutexTime = Measure([&] {
    std::lock_guard<std::mutex> hold(plain);
    ++counter;
  });
  double cvTime = Measure([] {
    LockObject(&address);
    ++counter;
    UnlockObject(&address);
  });
  double backoffTime = Measure(backoffBody);
  long freshWaits = backoff::waits;
  // The back-off counter is never reset: later in a process's life every wait sleeps longer.
  backoff::backoffCounter = 10 * kEarlierWaits;
  double lateTime = Measure(backoffBody);
  if (counter != 4L * kThreads * kRounds) {
    std::printf("lost updates: %ld\n", counter);
    return 1;
  }

  std::printf("%d threads x %d lock/release of one address\n", kThreads, kRounds);
  std::printf("  std::mutex               : %8.3f s\n", mutexTime);
  std::printf("  object lock (cond. var.) : %8.3f s\n", cvTime);
  std::printf("  back-off lock            : %8.3f s  (%ld waits)\n", backoffTime, freshWaits);
  std::printf("  back-off lock, after %d earlier waits in the process: %.3f s (%ld waits)\n",
              kEarlierWaits, lateTime, backoff::waits - freshWaits);
  std::printf("  ratio object lock / std::mutex    = %.2f\n", cvTime / mutexTime);
  std::printf("  ratio back-off / std::mutex       = %.2f\n", backoffTime / mutexTime);
  std::printf("  ratio back-off / object lock      = %.2f\n", backoffTime / cvTime);
  std::printf("  ratio late back-off / object lock = %.2f\n", lateTime / cvTime);

  constexpr int kHandoffs = 100;
  std::mutex handoffMutex;
  double mutexHandoff = HandoffMicros([&](const void *) { handoffMutex.lock(); },
                                      [&](const void *) { handoffMutex.unlock(); }, kHandoffs);
  double cvHandoff = HandoffMicros(LockObject, UnlockObject, kHandoffs);
  double backoffHandoff = HandoffMicros(backoff::Lock, backoff::Unlock, kHandoffs);
  std::printf("release-to-acquire time of a waiting thread, mean of %d handoffs\n", kHandoffs);
  std::printf("  std::mutex               : %10.1f us\n", mutexHandoff);
  std::printf("  object lock (cond. var.) : %10.1f us\n", cvHandoff);
  std::printf("  back-off lock (as left)  : %10.1f us\n", backoffHandoff);
  std::printf("  ratio back-off / object lock = %.1f\n", backoffHandoff / cvHandoff);
  return 0;
}
