// Registry operations of the handler: key creation, value writing with the type conversion
// from text, DWORD and string reads. Each logs its steps and returns a Windows error code
// (0 = success). Paths and value names are 8-bit text; values are written through the wide
// interface after a UTF-8 to wide conversion.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace ovr {

using platform::RegRoot;

// When on, the Ex operations reach the 64-bit view of the registry. Off at start; nothing in
// the handler turns it on.
extern bool useRegistryView64;

// Creates `keyPath` under `root`, or opens it when it exists: 0, or the registry's error.
uint32_t addRegistryKey(RegRoot root, const char *keyPath);
uint32_t addRegistryKeyEx(RegRoot root, const char *keyPath);

// Writes `valueData` (text) as a value of `type` named `valueName` under `keyPath`, creating
// the key when missing. The name "--" is the key's default value; the data "--" is empty
// data (0 for a REG_DWORD). 13 when name or data is missing (null or empty).
uint32_t writeValue(RegRoot root, const char *keyPath, const char *valueName,
                    const char *valueData, uint32_t type);
// The same with the Ex conversions (REG_BINARY from the 8-bit text, unsigned REG_DWORD,
// REG_MULTI_SZ lists, REG_QWORD), honouring useRegistryView64.
uint32_t writeValueEx(RegRoot root, const char *keyPath, const char *valueName,
                      const char *valueData, uint32_t type);

// REG_MULTI_SZ data from one text: ";" separates the items, "^" makes the next character
// literal; two NULs close the list. `byteCount` = (output characters + 2) * 2, which is the
// size of the returned text including its closing NULs.
std::u16string MakeMultiString(std::u16string_view text, uint32_t &byteCount);

// The decimal value of `text`: every character counts as its distance from '0' (no sign, no
// character rejected), 64-bit with wrap-around.
uint64_t ParseDecimal64(const char *text);

// Reads 4 bytes of value `valueName` into `result` (left as it was on failure): 0, 2 for a
// missing key or value, or the registry's error.
uint32_t ReadDwordRegistryData(RegRoot root, const char *keyPath, const char *valueName,
                               uint32_t &result);

// Reads value `valueName` as text: 0 and `result` set, else the registry's error (2 for a
// missing key or value) with `result` none.
uint32_t ReadRegSZ(RegRoot root, const char *keyPath, const char *valueName,
                   std::optional<std::string> &result);
uint32_t ReadRegSZEx(RegRoot root, const char *keyPath, const char *valueName,
                     std::optional<std::string> &result);

}  // namespace ovr
