// Decimal and hexadecimal conversions, and the two system operations of the string toolkit.
#include <corbel/strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "framework/foundation/text.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Optional sign, then digits only, accumulated with wrapping arithmetic. 0 for anything else.
template <typename Signed>
Signed ParseSigned(const char *s) {
  using Unsigned = std::make_unsigned_t<Signed>;
  if (!s) return 0;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = *s++ == '-';
  Unsigned value = 0;
  for (; *s; ++s) {
    if (!IsDigit(*s)) return 0;
    value = static_cast<Unsigned>(value * 10u + static_cast<Unsigned>(*s - '0'));
  }
  if (negative) value = static_cast<Unsigned>(0u - value);
  return static_cast<Signed>(value);
}

// The decimal digits of `magnitude` with an optional sign, in a new 20-byte buffer.
char *DecimalText(bool negative, uint32_t magnitude) {
  auto *buf = static_cast<char *>(std::calloc(20, 1));
  if (!buf) {
    LogError("Unable to allocate buffer !!! \n");
    return nullptr;
  }
  size_t start = negative ? 1 : 0, n = start;
  if (negative) buf[0] = '-';
  do {
    buf[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  ReverseString(buf + start, n - start);
  return buf;
}

}  // namespace

extern "C" {

double ConvertToRealFromString(const char *s) {
  if (!s) return 0;
  const char *point = std::strchr(s, '.');
  const char *intEnd = point ? point : s + std::strlen(s);
  double value = 0;
  for (const char *p = s; p < intEnd; ++p) {
    if (!IsDigit(*p)) return 0;
    value = value * 10 + (*p - '0');
  }
  if (!point) return value;
  int64_t fraction = 0;
  int digits = 0;
  for (const char *p = point + 1; *p && digits < 9 && IsDigit(*p); ++p, ++digits)
    fraction = fraction * 10 + (*p - '0');
  return value + static_cast<double>(fraction) / Power(10, digits);
}

int32_t ParseInteger(const char *s) { return ParseSigned<int32_t>(s); }

int64_t ParseLongLong(const char *s) { return ParseSigned<int64_t>(s); }

double ParseDouble(const char *s) {
  if (!s) return 0;
  double sign = 1;
  if (*s == '+' || *s == '-') sign = *s++ == '-' ? -1 : 1;
  double value = 0;
  for (; IsDigit(*s); ++s) value = value * 10 + (*s - '0');
  if (*s == '.') {
    double scale = 1;
    for (++s; IsDigit(*s); ++s) {
      scale *= 10;
      value += (*s - '0') / scale;
    }
  }
  return *s ? 0 : sign * value;
}

bool IsIntegerString(const char *s, size_t len) {
  if (len == 0) return true;
  if (!s) return false;
  size_t i = (s[0] == '+' || s[0] == '-') ? 1 : 0;
  if (i == len) return false;
  for (; i < len; ++i)
    if (!IsDigit(s[i])) return false;
  return true;
}

bool IsDecimalString(const char *s, size_t len) {
  if (!s) return len == 0;
  int points = 0;
  for (size_t i = 0; i < len; ++i) {
    if (s[i] == '.' && ++points == 1) continue;
    if (!IsDigit(s[i])) return false;
  }
  return true;
}

int32_t Power(int32_t base, int32_t exponent) {
  uint32_t result = 1;
  for (int32_t i = 0; i < exponent; ++i) result *= static_cast<uint32_t>(base);
  return static_cast<int32_t>(result);
}

int32_t ConvertToInteger(const unsigned char *bytes, int len) {
  CORBEL_TRACE_ENTRY("ConvertToInteger");
  if (len > 4 || len < 0) return -1;
  if (len == 0 || !bytes) return 0;
  uint32_t value = (bytes[0] & 0x80) ? UINT32_MAX : 0;
  for (int i = 0; i < len; ++i) value = (value << 8) | bytes[i];
  return static_cast<int32_t>(value);
}

uint32_t ConvertToUnsignedInteger(const unsigned char *bytes, int len) {
  uint32_t value = 0;
  for (int i = 0; bytes && i < len; ++i) value = (value << 8) | bytes[i];
  return value;
}

char *ConvertToStringFromInteger(const int32_t *value) {
  CORBEL_TRACE_ENTRY("ConvertToStringFromInteger");
  if (!value) return nullptr;
  bool negative = *value < 0;
  uint32_t magnitude = negative ? 0u - static_cast<uint32_t>(*value) : static_cast<uint32_t>(*value);
  char *text = DecimalText(negative, magnitude);
  if (text) LogTrace("The string is %s\n", text);
  return text;
}

char *ConvertToStringFromUnsignedInteger(const uint32_t *value, size_t *length) {
  CORBEL_TRACE_ENTRY("ConvertToStringFromUnsignedInteger");
  if (!value) return nullptr;
  LogTrace("The value is %d\n", static_cast<int>(*value));
  char *text = DecimalText(false, *value);
  if (!text) return nullptr;
  if (length) *length = std::strlen(text);
  LogTrace("The string is %s\n", text);
  return text;
}

char *ToString(const void *value, size_t *length, int kind) {
  CORBEL_TRACE_ENTRY("ToString");
  char *text = nullptr;
  if (kind == 0) {
    text = ConvertToStringFromInteger(static_cast<const int32_t *>(value));
  } else if (kind == 1) {
    if (!value) return nullptr;
    text = static_cast<char *>(std::calloc(6, 1));
    if (!text) {
      LogError("Unable to allocate buffer !!! \n");
      return nullptr;
    }
    std::strcpy(text, *static_cast<const int *>(value) ? "TRUE" : "FALSE");
  }
  if (text && length) *length = std::strlen(text);
  return text;
}

int GetHexValue(int ch) {
  CORBEL_TRACE_ENTRY("GetHexValue");
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  return ch;
}

int ConvertToDecimalFromHexa(int ch) {
  CORBEL_TRACE_ENTRY("ConvertToDecimalFromHexa");
  bool hex = (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F') || (ch >= 'a' && ch <= 'f');
  return hex ? GetHexValue(ch) : 0;
}

size_t ConvertToHexValue(char *buf, size_t len) {
  CORBEL_TRACE_ENTRY("ConvertToHexValue");
  if (!buf) return 0;
  size_t bytes = std::min<size_t>(len, 64) / 2;
  for (size_t i = 0; i < bytes; ++i) {
    int high = GetHexValue(static_cast<unsigned char>(buf[2 * i]));
    int low = GetHexValue(static_cast<unsigned char>(buf[2 * i + 1]));
    buf[i] = static_cast<char>(((high & 0x0F) << 4) | (low & 0x0F));
  }
  return bytes;
}

void ConvertToStringFromHex(unsigned char *out, const unsigned char *bytes, size_t len) {
  CORBEL_TRACE_ENTRY("ConvertToStringFromHex");
  if (!out || !bytes) return;
  for (size_t i = 0; i < len; ++i) {
    out[2 * i] = static_cast<unsigned char>(bytes[i] >> 4);
    out[2 * i + 1] = static_cast<unsigned char>(bytes[i] & 0x0F);
  }
}

bool IsDirectory(const char *path) {
  CORBEL_TRACE_ENTRY("IsDirectory");
  if (!path) return false;
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

}  // extern "C"
