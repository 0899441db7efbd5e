// Memory pools on the Apache Portable Runtime. The pool system is reference-counted so that
// several entry points (framework start-up, stored-query drivers) can pair start and stop.
// The global allocator carries a mutex: APR then also guards each pool's list of children,
// so sub-pools may be created and destroyed from any thread.
#include <corbel/mempool.h>

#include <apr_general.h>
#include <apr_pools.h>
#include <apr_thread_mutex.h>

#include <cstring>
#include <mutex>

namespace {

std::mutex gv_memPoolMutex;  // guards the reference count and the global pool pointer
int gv_memPoolUsers = 0;
apr_pool_t *gv_globalPool = nullptr;

bool StartPoolSystem() {
  if (apr_initialize() != APR_SUCCESS) return false;
  apr_allocator_t *allocator = nullptr;
  if (apr_allocator_create(&allocator) != APR_SUCCESS) {
    apr_terminate();
    return false;
  }
  apr_pool_t *global = nullptr;
  if (apr_pool_create_ex(&global, nullptr, nullptr, allocator) != APR_SUCCESS) {
    apr_allocator_destroy(allocator);
    apr_terminate();
    return false;
  }
  apr_allocator_owner_set(allocator, global);
  apr_thread_mutex_t *mutex = nullptr;
  if (apr_thread_mutex_create(&mutex, APR_THREAD_MUTEX_DEFAULT, global) == APR_SUCCESS) {
    apr_allocator_mutex_set(allocator, mutex);
  }
  gv_globalPool = global;
  return true;
}

}  // namespace

extern "C" {

int InitializeMemPool(void) {
  std::lock_guard<std::mutex> guard(gv_memPoolMutex);
  if (gv_memPoolUsers == 0 && !StartPoolSystem()) return 0;
  ++gv_memPoolUsers;
  return 1;
}

void ShutdownMemPool(void) {
  std::lock_guard<std::mutex> guard(gv_memPoolMutex);
  if (gv_memPoolUsers == 0) return;
  if (--gv_memPoolUsers > 0) return;
  apr_pool_destroy(gv_globalPool);  // takes every sub-pool and the allocator with it
  gv_globalPool = nullptr;
  apr_terminate();
}

int GetMemPoolUsers(void) {
  std::lock_guard<std::mutex> guard(gv_memPoolMutex);
  return gv_memPoolUsers;
}

MemPool *CreateSubPool(void) {
  std::lock_guard<std::mutex> guard(gv_memPoolMutex);
  if (gv_globalPool == nullptr) return nullptr;
  apr_pool_t *pool = nullptr;
  if (apr_pool_create(&pool, gv_globalPool) != APR_SUCCESS) return nullptr;
  return pool;
}

void DestroySubPool(MemPool *pool) {
  if (pool != nullptr) apr_pool_destroy(pool);
}

void ClearMemPool(MemPool *pool) {
  if (pool != nullptr) apr_pool_clear(pool);
}

void *PoolAlloc(MemPool *pool, size_t size) {
  if (pool == nullptr) return nullptr;
  return apr_pcalloc(pool, size == 0 ? 1 : size);
}

char *PoolStrDup(MemPool *pool, const char *text) {
  if (text == nullptr) return nullptr;
  return static_cast<char *>(PoolMemDup(pool, text, std::strlen(text)));
}

void *PoolMemDup(MemPool *pool, const void *bytes, size_t n) {
  if (pool == nullptr || (bytes == nullptr && n > 0)) return nullptr;
  auto *copy = static_cast<char *>(PoolAlloc(pool, n + 1));
  if (copy != nullptr && n > 0) std::memcpy(copy, bytes, n);
  return copy;
}

}  // extern "C"
