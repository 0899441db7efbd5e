// The seam between the registry calls and where a backend keeps its hive: a backend that
// keeps the registry in a Tree provides ActiveStore(), and the calls of platform/registry.h
// run on it.
#pragma once

#include <string>
#include <vector>

#include "platform/portable/reg_tree.h"

namespace ovr::platform::regstore {

enum class Call { Create, Open, Query, Set, Enum, DeleteKey, DeleteValue };

class Store {
 public:
  virtual ~Store() = default;
  // Before each call on the key `path` of `root`: brings the tree up to date. A non-zero
  // result fails the call with that code.
  virtual uint32_t Begin(Call call, RegRoot root, const std::vector<std::string> &path) = 0;
  // After a call that changed the tree: keeps the change. A non-zero result is the call's.
  virtual uint32_t Commit() = 0;
  // After every call, whatever its outcome: lets go of what Begin took.
  virtual void End() {}
  // Why Begin fails with kErrorBadDatabase; empty when it does not.
  virtual std::string Problem() = 0;

  Tree tree;
};

// The backend's store. Calls on it are serialised by the registry calls.
Store &ActiveStore();

}  // namespace ovr::platform::regstore
