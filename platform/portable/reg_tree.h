// An in-memory registry hive: the keys of the predefined roots with their values, names
// compared without regard to case and kept as written. Both the .reg file store and the
// test double keep their keys in one of these.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace ovr::platform::regstore {

struct Value {
  std::string name;           // UTF-8; empty for the default value
  uint32_t type = kRegNone;
  std::vector<uint8_t> data;  // stored bytes (texts as UTF-16LE)
};

struct Key {
  std::string name;  // as created
  // Written to the store file even when it only leads to other keys (made explicitly, or
  // listed in the file).
  bool listed = false;
  std::vector<Value> values;                          // in the order they were made
  std::map<std::string, std::unique_ptr<Key>> subkeys;  // by folded name

  Value *FindValue(std::string_view name);
  Key *FindSubkey(std::string_view name);
  bool HasContent() const { return listed || !values.empty() || subkeys.empty(); }
};

// The name used to compare registry names: upper case (ASCII and the common letters of
// Latin, Greek and Cyrillic). Malformed UTF-8 is folded bytewise.
std::string FoldName(std::string_view name);

// The components of a key path ("A\B\C"); empty components (doubled, leading or trailing
// backslashes) are dropped.
std::vector<std::string> SplitKeyPath(std::string_view path);
std::string JoinKeyPath(const std::vector<std::string> &parts);

// The root's name as the .reg format writes it ("HKEY_LOCAL_MACHINE"), and back.
std::string_view RootName(RegRoot root);
bool RootFromName(std::string_view name, RegRoot &root);

// The path a 32-bit program reaches: under HKEY_LOCAL_MACHINE, "SOFTWARE\x" becomes
// "SOFTWARE\Wow6432Node\x" unless `access` asks for the 64-bit view.
std::vector<std::string> MapView(RegRoot root, std::vector<std::string> parts, uint32_t access);

class Tree {
 public:
  Tree();
  Key &Root(RegRoot root);
  const Key &Root(RegRoot root) const;
  Key *Find(RegRoot root, const std::vector<std::string> &parts);
  // Makes the key and any missing keys on the way (all listed); `created` says whether the
  // last one was new.
  Key &Create(RegRoot root, const std::vector<std::string> &parts, bool &created);
  // Makes the key and any missing keys on the way without listing them.
  Key &Ensure(RegRoot root, const std::vector<std::string> &parts, bool &created);
  // kErrorSuccess, kErrorFileNotFound, or kErrorAccessDenied (subkeys, or a root).
  uint32_t Delete(RegRoot root, const std::vector<std::string> &parts);
  void Clear();

 private:
  std::map<RegRoot, std::unique_ptr<Key>> roots_;
};

}  // namespace ovr::platform::regstore

namespace ovr::platform {
// An open key of a tree-backed registry: the root and the path in its view.
struct RegKeyHandle {
  RegRoot root;
  std::vector<std::string> path;
  uint32_t access;
};
}  // namespace ovr::platform
