// UTF-8 <-> UTF-16 on Windows: MultiByteToWideChar and WideCharToMultiByte in their strict
// modes, so malformed text is reported instead of being turned into replacement characters.
#include "platform/unicode.h"

#include <climits>

#include "platform/error.h"
#include "platform/win32/win32.h"

namespace ovr::platform {

namespace {

// The system calls take int lengths; longer texts are not registry material.
bool TooLong(size_t n) {
  return n > static_cast<size_t>(INT_MAX);
}

bool Utf8Chunk(std::string_view text, std::u16string &out) {
  if (text.empty()) return true;
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                              static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return false;
  size_t at = out.size();
  out.resize(at + n);
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                      reinterpret_cast<wchar_t *>(out.data() + at), n);
  return true;
}

bool Utf16Chunk(std::u16string_view text, std::string &out) {
  if (text.empty()) return true;
  const auto *wide = reinterpret_cast<const wchar_t *>(text.data());
  int n = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, static_cast<int>(text.size()),
                              nullptr, 0, nullptr, nullptr);
  if (n <= 0) return false;
  size_t at = out.size();
  out.resize(at + n);
  WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, static_cast<int>(text.size()),
                      out.data() + at, n, nullptr, nullptr);
  return true;
}

// Bytes of the UTF-8 sequence that `lead` starts (1 for a stray byte, which then fails).
size_t Utf8SequenceLength(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

uint32_t Malformed() {
  SetLastError(ERROR_NO_UNICODE_TRANSLATION);
  return kErrorNoUnicodeTranslation;
}

}  // namespace

uint32_t Utf8ToUtf16(std::string_view text, std::u16string &out) {
  out.clear();
  if (TooLong(text.size())) return Malformed();
  if (Utf8Chunk(text, out)) return kErrorSuccess;
  // Malformed somewhere: keep what converts before the fault, one sequence at a time.
  out.clear();
  for (size_t i = 0; i < text.size();) {
    size_t len = Utf8SequenceLength(static_cast<unsigned char>(text[i]));
    if (len > text.size() - i || !Utf8Chunk(text.substr(i, len), out)) break;
    i += len;
  }
  return Malformed();
}

uint32_t Utf16ToUtf8(std::u16string_view text, std::string &out) {
  out.clear();
  if (TooLong(text.size())) return Malformed();
  if (Utf16Chunk(text, out)) return kErrorSuccess;
  out.clear();
  for (size_t i = 0; i < text.size();) {
    size_t len = (text[i] >= 0xD800 && text[i] < 0xDC00) ? 2 : 1;
    if (len > text.size() - i || !Utf16Chunk(text.substr(i, len), out)) break;
    i += len;
  }
  return Malformed();
}

}  // namespace ovr::platform
