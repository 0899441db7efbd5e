// The object lock: a process-wide table of locked addresses. A caller that finds its
// address taken sleeps on the table's condition variable until a release wakes it.
#include "support/object_lock.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <new>
#include <vector>

namespace {

struct LockTable {
  std::mutex mutex;
  std::condition_variable released;
  // Threads asleep and not yet woken. A release wakes them all and zeroes the count, so
  // that the releases that follow, before they are back asleep, need no wake-up call.
  int sleepers = 0;
  // Few addresses are held at once; a flat vector beats a node-based set here.
  std::vector<const void *> locked;
};

// Never destroyed: threads may still lock while static destructors run at exit.
LockTable &Table() {
  static LockTable *table = new LockTable;
  return *table;
}

std::vector<const void *>::iterator Find(std::vector<const void *> &locked, const void *object) {
  return std::find(locked.begin(), locked.end(), object);
}

}  // namespace

extern "C" void InitMutex(void) {
  Table();
  LogTrace("\n\t@@@@@ Inside InitMutex() @@@@@\n");
}

extern "C" int LockObject(const void *object) {
  LockTable &t = Table();
  std::unique_lock<std::mutex> hold(t.mutex);
  for (;;) {
    if (Find(t.locked, object) == t.locked.end()) {
      try {
        t.locked.push_back(object);
        return CORBEL_LOCK_ACQUIRED;
      } catch (const std::bad_alloc &) {
        // No room for the entry: counts as busy; try again shortly.
        t.released.wait_for(hold, std::chrono::milliseconds(1));
        continue;
      }
    }
    ++t.sleepers;
    t.released.wait(hold);
  }
}

extern "C" int UnlockObject(const void *object) {
  LockTable &t = Table();
  bool wake;
  {
    std::lock_guard<std::mutex> hold(t.mutex);
    auto it = Find(t.locked, object);
    if (it == t.locked.end()) return CORBEL_LOCK_NOT_HELD;
    wake = t.sleepers > 0;
    t.sleepers = 0;
    *it = t.locked.back();
    t.locked.pop_back();
  }
  if (wake) t.released.notify_all();
  return CORBEL_LOCK_RELEASED;
}
