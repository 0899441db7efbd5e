// Message queue under two threads, and the worker pool protocol with real threads.
#include <corbel/log.h>
#include <corbel/threads.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

void *Msg(intptr_t i) { return reinterpret_cast<void *>(i); }

TEST(MessageQueue, KeepsArrivalOrder) {
  InitMutex();
  Vector queue;
  InitVector(&queue, nullptr);
  EXPECT_EQ(ReadMsgFromQueueForProcessing(&queue), nullptr);
  for (intptr_t i = 1; i <= 3; ++i) ASSERT_TRUE(AddRcvdMsgToQueue(&queue, Msg(i)));
  for (intptr_t i = 1; i <= 3; ++i) EXPECT_EQ(ReadMsgFromQueueForProcessing(&queue), Msg(i));
  EXPECT_EQ(ReadMsgFromQueueForProcessing(&queue), nullptr);
  EXPECT_EQ(queue.tail, nullptr);
  // the queue is left unlocked: another operation on it goes through
  ASSERT_TRUE(AddRcvdMsgToQueue(&queue, Msg(4)));
  EXPECT_EQ(ReadMsgFromQueueForProcessing(&queue), Msg(4));
  FreeVector(&queue);
}

TEST(MessageQueue, ReceiverAndProcessorThreads) {
  InitMutex();
  Vector queue;
  InitVector(&queue, nullptr);
  constexpr intptr_t kMessages = 5000;
  std::thread receiver([&] {
    for (intptr_t i = 1; i <= kMessages; ++i) ASSERT_TRUE(AddRcvdMsgToQueue(&queue, Msg(i)));
  });
  std::vector<intptr_t> got;
  std::thread processor([&] {
    while (static_cast<intptr_t>(got.size()) < kMessages) {
      if (void *m = ReadMsgFromQueueForProcessing(&queue))
        got.push_back(reinterpret_cast<intptr_t>(m));
      else
        std::this_thread::yield();
    }
  });
  receiver.join();
  processor.join();
  ASSERT_EQ(got.size(), static_cast<size_t>(kMessages));
  for (intptr_t i = 0; i < kMessages; ++i) ASSERT_EQ(got[static_cast<size_t>(i)], i + 1);
  EXPECT_EQ(queue.count, 0);
}

TEST(ThreadPool, CheckThreadPool) {
  ThreadInfo table[3];
  ResetThreadTable(table, 3);
  uint16_t index = 99;
  table[0].threadState = THREAD_STATE_BUSY;
  table[1].threadState = THREAD_STATE_BUSY;
  EXPECT_EQ(CheckThreadPool(table, 2, &index, 2), THREAD_POOL_FULL);
  EXPECT_EQ(CheckThreadPool(table, 2, &index, 3), THREAD_POOL_CAN_GROW);
  table[2].threadState = THREAD_STATE_IDLE;
  EXPECT_EQ(CheckThreadPool(table, 3, &index, 3), THREAD_POOL_IDLE_FOUND);
  EXPECT_EQ(index, 2);
}

// A worker of the protocol: work, park, and on every resume do the next piece of work until
// the dispatcher says stop.
struct Pool {
  ThreadInfo table[2];
  std::atomic<int> done{0};
  std::atomic<bool> stop{false};
  std::atomic<int> exited{0};
};
struct WorkerArg {
  Pool *pool;
  uint16_t slot;
};

void Worker(void *argument) {
  auto *arg = static_cast<WorkerArg *>(argument);
  Pool *pool = arg->pool;
  while (true) {
    pool->done.fetch_add(1);
    SuspendWorker(&pool->table[arg->slot]);
    if (pool->stop.load()) break;
  }
  pool->exited.fetch_add(1);
}

bool WaitFor(const std::function<bool()> &condition) {
  for (int i = 0; i < 5000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return condition();
}

TEST(ThreadPool, WorkersParkAndResume) {
  InitThreadInfo();
  Pool pool;
  ResetThreadTable(pool.table, 2);
  WorkerArg args[2] = {{&pool, 0}, {&pool, 1}};
  uint16_t count = 0, index = 0;
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(CheckThreadPool(pool.table, count, &index, 2), THREAD_POOL_CAN_GROW);
    // the slot is set up before the thread runs, so the worker finds its handle
    pool.table[count].threadState = THREAD_STATE_BUSY;
    ThreadInfo &slot = pool.table[count];
    std::atomic_ref<ThreadHandle>(slot.threadHandle).store(nullptr);
    ThreadHandle h = CreateNewThread(
        [](void *a) {
          auto *w = static_cast<WorkerArg *>(a);
          // wait until the dispatcher has stored the handle
          while (!std::atomic_ref<ThreadHandle>(w->pool->table[w->slot].threadHandle).load())
            std::this_thread::yield();
          Worker(a);
        },
        &args[count]);
    ASSERT_NE(h, nullptr);
    std::atomic_ref<ThreadHandle>(slot.threadHandle).store(h);
    ++count;
  }
  ASSERT_TRUE(WaitFor([&] { return CheckThreadPool(pool.table, 2, &index, 2) == THREAD_POOL_IDLE_FOUND && pool.done.load() == 2; }));
  EXPECT_TRUE(WaitFor([&] { return std::atomic_ref<uint8_t>(pool.table[1].threadState).load() == THREAD_STATE_IDLE; }));
  EXPECT_EQ(CheckThreadPool(pool.table, 2, &index, 2), THREAD_POOL_IDLE_FOUND);

  // hand out ten more pieces of work to whichever worker is idle
  for (int work = 0; work < 10; ++work) {
    ASSERT_TRUE(WaitFor([&] { return CheckThreadPool(pool.table, 2, &index, 2) == THREAD_POOL_IDLE_FOUND; }));
    ResumeWorker(&pool.table[index]);
  }
  ASSERT_TRUE(WaitFor([&] { return pool.done.load() == 12; }));

  pool.stop.store(true);
  ASSERT_TRUE(WaitFor([&] {
    for (ThreadInfo &e : pool.table)
      if (std::atomic_ref<uint8_t>(e.threadState).load() == THREAD_STATE_IDLE) ResumeWorker(&e);
    return pool.exited.load() == 2;
  }));
  ReleaseThreadTable(pool.table, 2);
  EXPECT_EQ(pool.table[0].threadState, THREAD_STATE_FREE);
  EXPECT_EQ(pool.table[1].threadHandle, nullptr);
}

}  // namespace
