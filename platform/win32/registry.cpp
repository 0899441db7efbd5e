// The registry on Windows: the system's registry calls, 8-bit for key paths and reads,
// wide for value writes.
//
// The handler behaves as the 32-bit program on 64-bit Windows whatever its own bitness:
// where a caller asks for no view, the 64-bit build asks for the 32-bit view, so that keys
// under SOFTWARE\ land in (and are read from) Wow6432Node as a 32-bit build's would.
#include "platform/registry.h"

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/win32/win32.h"

struct ovr::platform::RegKeyHandle {
  HKEY key;
};

namespace ovr::platform {

namespace {

constexpr uint32_t kViewMask = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

uint32_t WithView(uint32_t access) {
  if ((access & kViewMask) != 0) return access;
  return access | (sizeof(void *) == 8 ? KEY_WOW64_32KEY : 0);
}

HKEY RootKey(RegRoot root) {
  // The predefined handles are these 32-bit values, sign-extended as the system's headers do.
  return reinterpret_cast<HKEY>(
      static_cast<ULONG_PTR>(static_cast<LONG>(static_cast<uint32_t>(root))));
}

// Registry calls return their code without setting the thread's last error; the platform
// interface promises both.
uint32_t Result(LONG code) {
  if (code != ERROR_SUCCESS) SetLastError(static_cast<DWORD>(code));
  return static_cast<uint32_t>(code);
}

uint32_t Adopt(LONG code, HKEY opened, RegKey &key) {
  if (code == ERROR_SUCCESS) key.reset(new RegKeyHandle{opened});
  return Result(code);
}

const wchar_t *Wide(std::u16string_view text, std::wstring &storage) {
  storage.assign(text.begin(), text.end());
  return storage.c_str();
}

}  // namespace

void CloseRegistryKey(RegKeyHandle *key) noexcept {
  if (key == nullptr) return;
  RegCloseKey(key->key);
  delete key;
}

uint32_t CreateRegistryKey(RegRoot root, std::string_view subKey, uint32_t access, RegKey &key,
                           bool *created) {
  key.reset();
  std::string path(subKey);
  HKEY opened = nullptr;
  DWORD disposition = 0;
  LONG code = RegCreateKeyExA(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              WithView(access), nullptr, &opened, &disposition);
  if (code == ERROR_SUCCESS && created != nullptr)
    *created = disposition == REG_CREATED_NEW_KEY;
  return Adopt(code, opened, key);
}

uint32_t OpenRegistryKey(RegRoot root, std::string_view subKey, uint32_t access, RegKey &key) {
  key.reset();
  std::string path(subKey);
  HKEY opened = nullptr;
  LONG code = RegOpenKeyExA(RootKey(root), path.c_str(), 0, WithView(access), &opened);
  return Adopt(code, opened, key);
}

uint32_t QueryRegistryValue(const RegKey &key, std::string_view name, uint32_t *type,
                            uint8_t *data, uint32_t *size) {
  if (!key) return Result(ERROR_INVALID_HANDLE);
  std::string valueName(name);
  DWORD storedType = 0;
  DWORD bytes = size != nullptr ? *size : 0;
  LONG code = RegQueryValueExA(key->key, valueName.c_str(), nullptr, &storedType, data,
                               size != nullptr ? &bytes : nullptr);
  if (type != nullptr && (code == ERROR_SUCCESS || code == ERROR_MORE_DATA)) *type = storedType;
  if (size != nullptr && (code == ERROR_SUCCESS || code == ERROR_MORE_DATA)) *size = bytes;
  return Result(code);
}

uint32_t QueryRegistryValueWide(const RegKey &key, std::u16string_view name, uint32_t *type,
                                uint8_t *data, uint32_t *size) {
  if (!key) return Result(ERROR_INVALID_HANDLE);
  std::wstring storage;
  DWORD storedType = 0;
  DWORD bytes = size != nullptr ? *size : 0;
  LONG code = RegQueryValueExW(key->key, Wide(name, storage), nullptr, &storedType, data,
                               size != nullptr ? &bytes : nullptr);
  if (type != nullptr && (code == ERROR_SUCCESS || code == ERROR_MORE_DATA)) *type = storedType;
  if (size != nullptr && (code == ERROR_SUCCESS || code == ERROR_MORE_DATA)) *size = bytes;
  return Result(code);
}

uint32_t SetRegistryValueWide(const RegKey &key, std::u16string_view name, uint32_t type,
                              const uint8_t *data, uint32_t size) {
  if (!key) return Result(ERROR_INVALID_HANDLE);
  std::wstring storage;
  return Result(RegSetValueExW(key->key, Wide(name, storage), 0, type, data, size));
}

uint32_t EnumRegistrySubKey(const RegKey &key, uint32_t index, std::string &name) {
  if (!key) return Result(ERROR_INVALID_HANDLE);
  std::vector<char> buf(MAX_PATH + 1);
  for (;;) {
    DWORD length = static_cast<DWORD>(buf.size());
    LONG code = RegEnumKeyExA(key->key, index, buf.data(), &length, nullptr, nullptr, nullptr,
                              nullptr);
    if (code == ERROR_MORE_DATA && buf.size() < 65536) {
      buf.resize(buf.size() * 4);
      continue;
    }
    if (code == ERROR_SUCCESS) name.assign(buf.data(), length);
    return Result(code);
  }
}

uint32_t EnumRegistryValue(const RegKey &key, uint32_t index, std::string &name,
                           uint32_t *type) {
  if (!key) return Result(ERROR_INVALID_HANDLE);
  std::vector<char> buf(16384);  // the longest value name the registry allows, plus one
  DWORD length = static_cast<DWORD>(buf.size());
  DWORD storedType = 0;
  LONG code = RegEnumValueA(key->key, index, buf.data(), &length, nullptr, &storedType, nullptr,
                            nullptr);
  if (code == ERROR_SUCCESS) {
    name.assign(buf.data(), length);
    if (type != nullptr) *type = storedType;
  }
  return Result(code);
}

uint32_t DeleteRegistryValue(const RegKey &key, std::string_view name) {
  if (!key) return Result(ERROR_INVALID_HANDLE);
  std::string valueName(name);
  return Result(RegDeleteValueA(key->key, valueName.c_str()));
}

uint32_t DeleteRegistryKey(RegRoot root, std::string_view subKey, uint32_t view) {
  std::string path(subKey);
  // An empty path would name the root itself, which is never deleted.
  if (path.empty()) return Result(ERROR_ACCESS_DENIED);
  return Result(RegDeleteKeyExA(RootKey(root), path.c_str(), WithView(view & kViewMask), 0));
}

std::string RegistryStoreProblem() {
  return {};
}

}  // namespace ovr::platform
