// The registry: keys holding typed values, under a few predefined roots.
//
// Shaped after the system's registry calls: key paths and 8-bit value names in the
// system's 8-bit text, wide (UTF-16) names for the wide calls, Windows result codes
// (kErrorSuccess, kErrorFileNotFound for a missing key or value, kErrorAccessDenied for a
// key opened without the right or deleted while it has subkeys, kErrorMoreData when a value
// does not fit the caller's buffer, kErrorNoMoreItems at the end of an enumeration).
// Key and value names compare without regard to case and keep the case they were made with.
//
// Views: the handler is a 32-bit program on 64-bit Windows. Without a view flag, and with
// kKeyWow64_32Key, a path under "SOFTWARE\" of HKEY_LOCAL_MACHINE lives under
// "SOFTWARE\Wow6432Node\"; kKeyWow64_64Key uses the path as written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ovr::platform {

// The predefined root keys, with the values of the system's predefined handles.
enum class RegRoot : uint32_t {
  ClassesRoot = 0x80000000u,
  CurrentUser = 0x80000001u,
  LocalMachine = 0x80000002u,
  Users = 0x80000003u,
  CurrentConfig = 0x80000005u,
};

// Value types (the system's type codes).
inline constexpr uint32_t kRegNone = 0;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegExpandSz = 2;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kRegMultiSz = 7;
inline constexpr uint32_t kRegQword = 11;

// Access rights and view flags (the system's mask bits).
inline constexpr uint32_t kKeyQueryValue = 0x0001;
inline constexpr uint32_t kKeySetValue = 0x0002;
inline constexpr uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr uint32_t kKeyWow64_64Key = 0x0100;
inline constexpr uint32_t kKeyWow64_32Key = 0x0200;
inline constexpr uint32_t kKeyRead = 0x20019;
inline constexpr uint32_t kKeyWrite = 0x20006;
inline constexpr uint32_t kKeyAllAccess = 0xF003F;

// An open key. The backend defines the handle; RegKey closes it.
struct RegKeyHandle;
void CloseRegistryKey(RegKeyHandle *key) noexcept;
struct RegKeyCloser {
  void operator()(RegKeyHandle *key) const noexcept { CloseRegistryKey(key); }
};
using RegKey = std::unique_ptr<RegKeyHandle, RegKeyCloser>;

// Creates `subKey` of `root` (and any missing keys on the way) or opens it when it exists
// (RegCreateKeyEx, non-volatile). `access` holds the rights and the view flag. `created`
// (when given) says whether the key was made (true) or already existed (false).
uint32_t CreateRegistryKey(RegRoot root, std::string_view subKey, uint32_t access, RegKey &key,
                           bool *created);

// Opens an existing key (RegOpenKeyEx): kErrorFileNotFound when it does not exist.
uint32_t OpenRegistryKey(RegRoot root, std::string_view subKey, uint32_t access, RegKey &key);

// Reads a value through the 8-bit interface (RegQueryValueExA): REG_SZ, REG_EXPAND_SZ and
// REG_MULTI_SZ data arrive as 8-bit text with its terminator(s); other types as stored.
// `name` empty is the default value. `type` and `data` may be null. With `data` null only
// `*size` is set (bytes needed); otherwise `*size` is the buffer's size on entry and the
// bytes written on return, or kErrorMoreData with `*size` set to the bytes needed.
// The key needs kKeyQueryValue.
uint32_t QueryRegistryValue(const RegKey &key, std::string_view name, uint32_t *type,
                            uint8_t *data, uint32_t *size);

// The same through the wide interface (RegQueryValueExW): the data exactly as stored.
uint32_t QueryRegistryValueWide(const RegKey &key, std::u16string_view name, uint32_t *type,
                                uint8_t *data, uint32_t *size);

// Stores a value through the wide interface (RegSetValueExW): `size` bytes of `data` as
// stored data of `type`. The key needs kKeySetValue.
uint32_t SetRegistryValueWide(const RegKey &key, std::u16string_view name, uint32_t type,
                              const uint8_t *data, uint32_t size);

// The name of subkey number `index` (RegEnumKeyEx): subkeys come in the order of their
// names without regard to case; kErrorNoMoreItems past the last one. The key needs
// kKeyEnumerateSubKeys.
uint32_t EnumRegistrySubKey(const RegKey &key, uint32_t index, std::string &name);

// The name and type of value number `index` (RegEnumValue), in the order the values were
// made; kErrorNoMoreItems past the last one. The key needs kKeyQueryValue.
uint32_t EnumRegistryValue(const RegKey &key, uint32_t index, std::string &name, uint32_t *type);

// Deletes a value (RegDeleteValue): kErrorFileNotFound when it does not exist.
uint32_t DeleteRegistryValue(const RegKey &key, std::string_view name);

// Deletes `subKey` of `root` with its values (RegDeleteKeyEx; `view` is 0 or one of the view
// flags): kErrorFileNotFound when it does not exist, kErrorAccessDenied while it has
// subkeys.
uint32_t DeleteRegistryKey(RegRoot root, std::string_view subKey, uint32_t view);

// Why the registry store cannot be used, when an operation returned kErrorBadDatabase (for
// example a store file that does not parse: its name, the line and the fault); empty
// otherwise.
std::string RegistryStoreProblem();

}  // namespace ovr::platform
