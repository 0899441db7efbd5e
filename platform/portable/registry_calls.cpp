// The registry calls over a tree-backed store (see reg_store.h).
#include <cstring>
#include <mutex>

#include "platform/error.h"
#include "platform/portable/reg_store.h"
#include "platform/registry.h"
#include "platform/unicode.h"

namespace ovr::platform {
namespace {

using regstore::Call;

constexpr uint32_t kErrorKeyDeleted = 1018;

std::mutex &RegistryMutex() {
  static std::mutex mutex;
  return mutex;
}

// One registry call: the process's calls one at a time, and the store told when the call is
// over (it may hold the hive for the call).
class RegistryCall {
 public:
  RegistryCall() : lock_(RegistryMutex()) {}
  ~RegistryCall() { regstore::ActiveStore().End(); }
  RegistryCall(const RegistryCall &) = delete;
  RegistryCall &operator=(const RegistryCall &) = delete;

 private:
  std::lock_guard<std::mutex> lock_;
};

uint32_t Fail(uint32_t code) {
  SetLastErrorCode(code);
  return code;
}

bool KnownRoot(RegRoot root) { return !regstore::RootName(root).empty(); }

bool IsTextType(uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// Stored UTF-16LE text as 8-bit text; units that do not convert become '?'.
std::vector<uint8_t> NarrowText(const std::vector<uint8_t> &data) {
  std::u16string wide(data.size() / 2, u'\0');
  for (size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  std::string narrow;
  if (Utf16ToUtf8(wide, narrow) != kErrorSuccess) {
    narrow.clear();
    for (char16_t c : wide) {
      std::string one;
      narrow += Utf16ToUtf8(std::u16string_view(&c, 1), one) == kErrorSuccess ? one : "?";
    }
  }
  return std::vector<uint8_t>(narrow.begin(), narrow.end());
}

// Copies `bytes` to the caller's buffer by the system's rules for value data.
uint32_t CopyOut(const std::vector<uint8_t> &bytes, uint8_t *data, uint32_t *size) {
  uint32_t needed = static_cast<uint32_t>(bytes.size());
  if (!data) {
    if (size) *size = needed;
    return kErrorSuccess;
  }
  if (!size) return Fail(kErrorInvalidParameter);
  if (*size < needed) {
    *size = needed;
    return Fail(kErrorMoreData);
  }
  if (needed) std::memcpy(data, bytes.data(), needed);
  *size = needed;
  return kErrorSuccess;
}

// Resolves an open key for a call that needs `right`; sets `found` or returns the failure.
uint32_t Resolve(const RegKey &key, uint32_t right, Call call, regstore::Key *&found) {
  if (!key) return Fail(kErrorInvalidHandle);
  if ((key->access & right) != right) return Fail(kErrorAccessDenied);
  auto &store = regstore::ActiveStore();
  if (uint32_t code = store.Begin(call, key->root, key->path)) return Fail(code);
  found = store.tree.Find(key->root, key->path);
  return found ? kErrorSuccess : Fail(kErrorKeyDeleted);
}

uint32_t QueryValue(const RegKey &key, std::string_view name, bool narrow, uint32_t *type,
                    uint8_t *data, uint32_t *size) {
  RegistryCall guard;
  regstore::Key *found = nullptr;
  if (uint32_t code = Resolve(key, kKeyQueryValue, Call::Query, found)) return code;
  regstore::Value *value = found->FindValue(name);
  if (!value) return Fail(kErrorFileNotFound);
  if (type) *type = value->type;
  if (narrow && IsTextType(value->type)) return CopyOut(NarrowText(value->data), data, size);
  return CopyOut(value->data, data, size);
}

}  // namespace

void CloseRegistryKey(RegKeyHandle *key) noexcept { delete key; }

uint32_t CreateRegistryKey(RegRoot root, std::string_view subKey, uint32_t access, RegKey &key,
                           bool *created) {
  if (!KnownRoot(root)) return Fail(kErrorInvalidHandle);
  auto parts = regstore::MapView(root, regstore::SplitKeyPath(subKey), access);
  RegistryCall guard;
  auto &store = regstore::ActiveStore();
  if (uint32_t code = store.Begin(Call::Create, root, parts)) return Fail(code);
  bool made = false;
  store.tree.Create(root, parts, made);
  if (made) {
    if (uint32_t code = store.Commit()) return Fail(code);
  }
  if (created) *created = made;
  key.reset(new RegKeyHandle{root, std::move(parts), access});
  return kErrorSuccess;
}

uint32_t OpenRegistryKey(RegRoot root, std::string_view subKey, uint32_t access, RegKey &key) {
  if (!KnownRoot(root)) return Fail(kErrorInvalidHandle);
  auto parts = regstore::MapView(root, regstore::SplitKeyPath(subKey), access);
  RegistryCall guard;
  auto &store = regstore::ActiveStore();
  if (uint32_t code = store.Begin(Call::Open, root, parts)) return Fail(code);
  if (!store.tree.Find(root, parts)) return Fail(kErrorFileNotFound);
  key.reset(new RegKeyHandle{root, std::move(parts), access});
  return kErrorSuccess;
}

uint32_t QueryRegistryValue(const RegKey &key, std::string_view name, uint32_t *type,
                            uint8_t *data, uint32_t *size) {
  return QueryValue(key, name, true, type, data, size);
}

uint32_t QueryRegistryValueWide(const RegKey &key, std::u16string_view name, uint32_t *type,
                                uint8_t *data, uint32_t *size) {
  std::string narrowName;
  if (Utf16ToUtf8(name, narrowName) != kErrorSuccess) return Fail(kErrorFileNotFound);
  return QueryValue(key, narrowName, false, type, data, size);
}

uint32_t SetRegistryValueWide(const RegKey &key, std::u16string_view name, uint32_t type,
                              const uint8_t *data, uint32_t size) {
  if (!data && size) return Fail(kErrorInvalidParameter);
  std::string narrowName;
  if (Utf16ToUtf8(name, narrowName) != kErrorSuccess) return Fail(kErrorInvalidParameter);
  RegistryCall guard;
  regstore::Key *found = nullptr;
  if (uint32_t code = Resolve(key, kKeySetValue, Call::Set, found)) return code;
  regstore::Value *value = found->FindValue(narrowName);
  if (!value) {
    found->values.push_back({narrowName, type, {}});
    value = &found->values.back();
  }
  value->type = type;
  value->data.assign(data, data + size);
  if (uint32_t code = regstore::ActiveStore().Commit()) return Fail(code);
  return kErrorSuccess;
}

uint32_t EnumRegistrySubKey(const RegKey &key, uint32_t index, std::string &name) {
  RegistryCall guard;
  regstore::Key *found = nullptr;
  if (uint32_t code = Resolve(key, kKeyEnumerateSubKeys, Call::Enum, found)) return code;
  if (index >= found->subkeys.size()) return Fail(kErrorNoMoreItems);
  auto it = found->subkeys.begin();
  std::advance(it, index);
  name = it->second->name;
  return kErrorSuccess;
}

uint32_t EnumRegistryValue(const RegKey &key, uint32_t index, std::string &name,
                           uint32_t *type) {
  RegistryCall guard;
  regstore::Key *found = nullptr;
  if (uint32_t code = Resolve(key, kKeyQueryValue, Call::Enum, found)) return code;
  if (index >= found->values.size()) return Fail(kErrorNoMoreItems);
  name = found->values[index].name;
  if (type) *type = found->values[index].type;
  return kErrorSuccess;
}

uint32_t DeleteRegistryValue(const RegKey &key, std::string_view name) {
  RegistryCall guard;
  regstore::Key *found = nullptr;
  if (uint32_t code = Resolve(key, kKeySetValue, Call::DeleteValue, found)) return code;
  regstore::Value *value = found->FindValue(name);
  if (!value) return Fail(kErrorFileNotFound);
  found->values.erase(found->values.begin() + (value - found->values.data()));
  if (uint32_t code = regstore::ActiveStore().Commit()) return Fail(code);
  return kErrorSuccess;
}

uint32_t DeleteRegistryKey(RegRoot root, std::string_view subKey, uint32_t view) {
  if (!KnownRoot(root)) return Fail(kErrorInvalidHandle);
  auto parts = regstore::MapView(root, regstore::SplitKeyPath(subKey), view);
  RegistryCall guard;
  auto &store = regstore::ActiveStore();
  if (uint32_t code = store.Begin(Call::DeleteKey, root, parts)) return Fail(code);
  if (uint32_t code = store.tree.Delete(root, parts)) return Fail(code);
  if (uint32_t code = store.Commit()) return Fail(code);
  return kErrorSuccess;
}

std::string RegistryStoreProblem() {
  RegistryCall guard;
  return regstore::ActiveStore().Problem();
}

}  // namespace ovr::platform
