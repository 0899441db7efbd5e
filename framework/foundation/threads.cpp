// Worker threads that park themselves and a message queue on a Vector.
#include <corbel/threads.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "framework/foundation/text.h"
#include "support/object_lock.h"

// A thread with the semaphore it parks on. Two owners (the table's handle and the running
// thread) release it; the last one frees it.
struct CorbelThread {
  std::thread thread;
  std::mutex mutex;
  std::condition_variable wake;
  bool resumed = false;  // a resume waiting for the worker to park
  std::atomic<int> owners{2};

  void Park() {
    std::unique_lock lock(mutex);
    wake.wait(lock, [this] { return resumed; });
    resumed = false;
  }
  void Resume() {
    {
      std::lock_guard lock(mutex);
      resumed = true;
    }
    wake.notify_one();
  }

  void Release() {
    if (owners.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
};

namespace {

// The state is shared between the dispatcher and the worker without a lock.
std::atomic_ref<uint8_t> State(ThreadInfo *entry) { return std::atomic_ref<uint8_t>(entry->threadState); }

}  // namespace

extern "C" {

void InitThreadInfo(void) { LogTrace("\n\t@@@@@ Inside InitThreadInfo() @@@@@\n"); }

void ResetThreadTable(ThreadInfo *table, uint16_t count) {
  for (uint16_t i = 0; table && i < count; ++i) State(&table[i]).store(THREAD_STATE_FREE);
}

void ReleaseThreadTable(ThreadInfo *table, uint16_t count) {
  for (uint16_t i = 0; table && i < count; ++i) {
    if (State(&table[i]).load() == THREAD_STATE_FREE) continue;
    State(&table[i]).store(THREAD_STATE_FREE);
    if (CorbelThread *t = table[i].threadHandle) {
      table[i].threadHandle = nullptr;
      t->thread.detach();
      t->Release();
    }
  }
}

ThreadHandle CreateNewThread(ThreadStartRoutine start, void *argument) {
  LogTrace("\n\t@@@@@ Inside CreateNewThread() @@@@@\n");
  auto *t = start ? new (std::nothrow) CorbelThread : nullptr;
  if (!t) {
    LogDebug("Unable to create Thread\n");
    return nullptr;
  }
  try {
    t->thread = std::thread([t, start, argument] {
      start(argument);
      t->Release();
    });
  } catch (const std::system_error &) {
    delete t;
    LogDebug("Unable to create Thread\n");
    return nullptr;
  }
  return t;
}

int CheckThreadPool(ThreadInfo *table, uint16_t count, uint16_t *index, uint16_t maximum) {
  LogTrace("\n\t@@@@@ Inside CheckThreadPool() @@@@@\n");
  for (uint16_t i = 0; table && i < count; ++i) {
    if (State(&table[i]).load() == THREAD_STATE_IDLE) {
      if (index) *index = i;
      return THREAD_POOL_IDLE_FOUND;
    }
  }
  return count < maximum ? THREAD_POOL_CAN_GROW : THREAD_POOL_FULL;
}

ThreadInfo *SuspendWorker(ThreadInfo *entry) {
  if (!entry || !entry->threadHandle) return entry;
  CorbelThread *t = entry->threadHandle;
  State(entry).store(THREAD_STATE_IDLE);
  t->Park();
  State(entry).store(THREAD_STATE_BUSY);
  return entry;
}

void ResumeWorker(ThreadInfo *entry) {
  if (!entry || !entry->threadHandle) return;
  // Busy before the wake-up, so that the dispatcher's next CheckThreadPool cannot pick the
  // same worker again before it has run.
  State(entry).store(THREAD_STATE_BUSY);
  entry->threadHandle->Resume();
}

bool AddRcvdMsgToQueue(Vector *queue, void *message) {
  LogTrace("\n\t@@@@@ Inside AddRcvdMsgToQueue() @@@@@\n");
  auto *node = static_cast<VectorNode *>(std::calloc(1, sizeof(VectorNode)));
  if (!node) {
    LogError("Buffer allocation is failed !!!\n");
    return false;
  }
  node->element = message;
  if (AddElement(queue, node)) return true;
  std::free(node);
  return false;
}

void *ReadMsgFromQueueForProcessing(Vector *queue) {
  LogTrace("\n\t@@@@@ Inside ReadMsgFromQueueForProcessing() @@@@@\n");
  if (!queue) return nullptr;
  ovr::ObjectLockGuard lock(queue);
  VectorNode *head = queue->head;
  if (queue->count <= 0 || !head) return nullptr;
  queue->head = head->next;
  if (--queue->count == 0 || !queue->head) {
    queue->head = nullptr;
    queue->tail = nullptr;
    queue->count = 0;
  }
  void *message = head->element;
  std::free(head);
  return message;
}

}  // extern "C"
