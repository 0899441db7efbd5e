// ---- include/corbel/corbel.hpp: optional RAII layer over the C interface -------------------
// Owners for what the C functions hand out; they add ownership, never behaviour.
#ifndef CORBEL_CORBEL_HPP
#define CORBEL_CORBEL_HPP

#include <corbel/corbel.h>

#include <cstdlib>
#include <memory>

namespace corbel {

// Texts and arrays allocated with malloc (strings, OID arrays, octets, struct tm records).
struct FreeDeleter {
  void operator()(void *p) const noexcept { std::free(p); }
};
using TextPtr = std::unique_ptr<char, FreeDeleter>;
template <typename T>
using MallocPtr = std::unique_ptr<T, FreeDeleter>;

struct ZelDateTimeDeleter {
  void operator()(ZelDateTime *v) const noexcept { FreeZelDateTime(v); }
};
using ZelDateTimePtr = std::unique_ptr<ZelDateTime, ZelDateTimeDeleter>;

// A Vector made by CreateVector or CloneVector: its nodes and the record (not the elements).
struct VectorDeleter {
  void operator()(Vector *v) const noexcept {
    FreeVector(v);
    std::free(v);
  }
};
using VectorPtr = std::unique_ptr<Vector, VectorDeleter>;

// A HashTable record the caller holds: frees entries and buckets (not the values).
class HashTableOwner {
 public:
  explicit HashTableOwner(int32_t buckets = 0) { ok_ = InitHashTable(&table_, buckets); }
  ~HashTableOwner() { FreeHashTable(&table_); }
  HashTableOwner(const HashTableOwner &) = delete;
  HashTableOwner &operator=(const HashTableOwner &) = delete;
  bool ok() const noexcept { return ok_; }
  HashTable *get() noexcept { return &table_; }

 private:
  HashTable table_{};
  bool ok_ = false;
};

// Holds the object lock on one address for its lifetime.
class ObjectLock {
 public:
  explicit ObjectLock(const void *object) : object_(object) { LockObject(object_); }
  ~ObjectLock() { UnlockObject(object_); }
  ObjectLock(const ObjectLock &) = delete;
  ObjectLock &operator=(const ObjectLock &) = delete;

 private:
  const void *object_;
};

}  // namespace corbel

#endif  // CORBEL_CORBEL_HPP
