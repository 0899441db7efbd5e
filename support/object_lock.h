// The object lock (LockObject/UnlockObject, declared in <corbel/log.h>) and a scope guard
// over it for C++ callers.
#pragma once

#include <corbel/log.h>

namespace ovr {

// Holds the lock on one address for its lifetime.
class ObjectLockGuard {
 public:
  explicit ObjectLockGuard(const void *object) : object_(object) { LockObject(object_); }
  ~ObjectLockGuard() { UnlockObject(object_); }
  ObjectLockGuard(const ObjectLockGuard &) = delete;
  ObjectLockGuard &operator=(const ObjectLockGuard &) = delete;

 private:
  const void *object_;
};

}  // namespace ovr
