/* ---- include/corbel/threads.h ----------------------------------------------------------
 * Worker threads and a message queue for multi-threaded applications.
 *
 * The thread table is the caller's array of ThreadInfo entries. A dispatcher asks
 * CheckThreadPool for an idle worker and resumes it with ResumeWorker, or starts a new one
 * with CreateNewThread; a worker that has finished its work parks itself with SuspendWorker.
 * A resume that arrives before the worker has parked is not lost.
 *
 * The message queue is a Vector of the caller's message pointers, oldest first:
 * AddRcvdMsgToQueue appends, ReadMsgFromQueueForProcessing takes the oldest. */
#ifndef CORBEL_THREADS_H
#define CORBEL_THREADS_H

#include <stdbool.h>
#include <stdint.h>

#include <corbel/vector.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A started thread. */
typedef struct CorbelThread *ThreadHandle;
typedef void (*ThreadStartRoutine)(void *argument);

#define THREAD_STATE_FREE 0 /* no thread in this slot */
#define THREAD_STATE_IDLE 1 /* the worker has parked itself */
#define THREAD_STATE_BUSY 2 /* the worker is working */

#define THREAD_POOL_IDLE_FOUND 1 /* CheckThreadPool: *index names an idle worker */
#define THREAD_POOL_CAN_GROW 4   /* no idle worker; another may be started */
#define THREAD_POOL_FULL 5       /* no idle worker and the pool is full */

typedef struct ThreadInfo {
  uint8_t threadState;       /* THREAD_STATE_...; read and written atomically */
  ThreadHandle threadHandle; /* the slot's thread, NULL when free */
} ThreadInfo;

/* Writes its entry line; prepare tables with ResetThreadTable. */
void InitThreadInfo(void);
/* Marks every entry free. */
void ResetThreadTable(ThreadInfo *table, uint16_t count);
/* Every used entry becomes free and its handle is given up: the thread runs on detached and
 * its handle is released when the thread ends. */
void ReleaseThreadTable(ThreadInfo *table, uint16_t count);
/* Starts a thread running start(argument); NULL (after a DEBUG line) when it cannot. */
ThreadHandle CreateNewThread(ThreadStartRoutine start, void *argument);
/* THREAD_POOL_IDLE_FOUND with the first idle entry's index, else THREAD_POOL_CAN_GROW when
 * count < maximum, else THREAD_POOL_FULL. */
int CheckThreadPool(ThreadInfo *table, uint16_t count, uint16_t *index, uint16_t maximum);
/* Called by a worker on its own entry: idle, parked until resumed, then busy. Returns entry. */
ThreadInfo *SuspendWorker(ThreadInfo *entry);
/* Marks the entry busy and wakes its worker. */
void ResumeWorker(ThreadInfo *entry);

/* Appends a message; false when memory runs out (after an ERROR line). */
bool AddRcvdMsgToQueue(Vector *queue, void *message);
/* Removes and returns the oldest message, or NULL when the queue is empty. */
void *ReadMsgFromQueueForProcessing(Vector *queue);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_THREADS_H */
