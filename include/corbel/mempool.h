/* ---- include/corbel/mempool.h ----------------------------------------------------------
 * Memory pools: one global pool for the process and one sub-pool per query model or data
 * object. Memory taken from a pool is zero-filled, 8-byte aligned and never released piece
 * by piece; its owner releases everything at once by destroying or clearing its pool. */
#ifndef CORBEL_MEMPOOL_H
#define CORBEL_MEMPOOL_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A memory pool (the Apache Portable Runtime's pool record). */
typedef struct apr_pool_t MemPool;

/* Starts the pool system, or adds one user when it is already running.
 * Returns 1 when the pool system is ready, 0 when it could not be started. */
int InitializeMemPool(void);

/* Releases one user of the pool system; the last one destroys the global pool with every
 * sub-pool still registered under it. Without a running pool system: nothing. */
void ShutdownMemPool(void);

/* Number of users of the pool system (0 when it is down). */
int GetMemPoolUsers(void);

/* New sub-pool of the global pool; NULL when the pool system is down or memory runs out.
 * The caller releases it with DestroySubPool (or it goes with the pool system). */
MemPool *CreateSubPool(void);

/* Releases a sub-pool and everything allocated from it. NULL is allowed. */
void DestroySubPool(MemPool *pool);

/* Releases everything allocated from the pool; the pool stays usable. NULL is allowed. */
void ClearMemPool(MemPool *pool);

/* size zero-filled bytes from the pool; NULL for a NULL pool or when memory runs out.
 * The memory belongs to the pool. */
void *PoolAlloc(MemPool *pool, size_t size);

/* Copy of a NUL-terminated text in the pool; NULL for a NULL text or pool. */
char *PoolStrDup(MemPool *pool, const char *text);

/* Copy of n bytes followed by one zero byte in the pool; NULL for a NULL pool, or for NULL
 * bytes with n above 0 (NULL bytes with n 0 give an empty text). */
void *PoolMemDup(MemPool *pool, const void *bytes, size_t n);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_MEMPOOL_H */
