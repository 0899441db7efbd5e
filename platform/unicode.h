// Conversion between 8-bit UTF-8 text and wide (UTF-16) text. Both directions refuse
// malformed input (invalid UTF-8 sequences, unpaired surrogates) instead of replacing it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ovr::platform {

// 0 and `out` replaced by the conversion; kErrorNoUnicodeTranslation (and `out` holding
// what was converted before the fault) for malformed input. Embedded NULs are copied.
uint32_t Utf8ToUtf16(std::string_view text, std::u16string &out);
uint32_t Utf16ToUtf8(std::u16string_view text, std::string &out);

}  // namespace ovr::platform
