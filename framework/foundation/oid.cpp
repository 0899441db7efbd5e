// OID and IP address values and Counter64.
#include <corbel/oid.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "framework/foundation/text.h"

using corbel::foundation::NewCString;

namespace {

std::string Dotted(const uint32_t *array, int32_t count, bool leadingDot) {
  std::string out;
  for (int32_t i = 0; i < count; ++i) {
    if (leadingDot || i) out.push_back('.');
    out += std::to_string(array[i]);
  }
  return out;
}

// A component of a dotted text: digits only (a sub-identifier has no sign), at most 18 of
// them, converted by ConvertToIntegerFromString; values beyond its range are refused.
bool Component(std::string_view text, int &value) {
  if (text.empty() || text.size() > 18) return false;
  if (text.find_first_not_of("0123456789") != std::string_view::npos) return false;
  std::string copy(text);
  value = ConvertToIntegerFromString(copy.c_str());
  return value >= 0;
}

}  // namespace

extern "C" {

int32_t ConvertToOidOrIpFromString(uint32_t **array, const char *text, bool isIp) {
  CORBEL_TRACE_ENTRY("ConvertToOidOrIpFromString");
  if (!array) return -1;
  *array = nullptr;
  if (!text) return -1;
  std::string_view all(text);
  auto dots = static_cast<int32_t>(std::count(all.begin(), all.end(), '.'));
  if (dots == 0) {
    LogError(isIp ? "Incorrect format of IpAddress\n" : "Incorrect format of OID\n");
    return -1;
  }
  int32_t expected = isIp ? dots + 1 : dots;
  if (!isIp) all.remove_prefix(1);
  auto *values = static_cast<uint32_t *>(std::calloc(static_cast<size_t>(expected) + 1, sizeof(uint32_t)));
  if (!values) {
    LogError("Unable to allocate buffer !!! \n");
    return -1;
  }
  int32_t n = 0;
  for (size_t start = 0;;) {
    size_t dot = all.find('.', start);
    std::string_view part = all.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    int value = 0;
    if (n >= expected || !Component(part, value)) {
      std::free(values);
      return -1;
    }
    values[n++] = static_cast<uint32_t>(value);
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  *array = values;
  return n == expected ? n : 0;
}

bool IsValidIPAddress(const char *text, int32_t length) {
  CORBEL_TRACE_ENTRY("IsValidIPAddress");
  LogTrace("len is %d\n", length);
  if (!text || length <= 0) return false;
  std::string_view ip(text, strnlen(text, static_cast<size_t>(length)));
  if (ip.front() == '.' || ip.back() == '.' || ip.find("..") != std::string_view::npos) return false;
  if (std::count(ip.begin(), ip.end(), '.') != 3) return false;
  for (size_t start = 0;;) {
    size_t dot = ip.find('.', start);
    std::string part(ip.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
    int value = ConvertToIntegerFromString(part.c_str());
    if (value < 0 || value > 255) return false;
    if (value == 0 && part.find_first_not_of('0') != std::string::npos) return false;
    if (dot == std::string_view::npos) return true;
    start = dot + 1;
  }
}

bool IsValidOid(const char *text, int32_t length) {
  CORBEL_TRACE_ENTRY("IsValidOid");
  if (!text || length <= 0 || text[0] != '.') return false;
  return GetOidLength(text, length) >= 2;
}

uint16_t GetOidLength(const char *text, int32_t length) {
  CORBEL_TRACE_ENTRY("GetOidLength");
  if (!text || length <= 0) return 0;
  size_t n = strnlen(text, static_cast<size_t>(length));
  return static_cast<uint16_t>(std::count(text, text + n, '.'));
}

signed char CompareOid(const uint32_t *a, int32_t aCount, const uint32_t *b, int32_t bCount) {
  CORBEL_TRACE_ENTRY("CompareOid");
  int32_t common = std::min(aCount, bCount);
  for (int32_t i = 0; i < common; ++i)
    if (a[i] != b[i]) return a[i] > b[i] ? 1 : -1;
  if (aCount == bCount) return 0;
  return aCount > bCount ? 1 : -1;
}

void CopyOid(uint32_t *destination, const uint32_t *source, int32_t count) {
  CORBEL_TRACE_ENTRY("CopyOid");
  if (destination && source && count > 0)
    std::memmove(destination, source, static_cast<size_t>(count) * sizeof(uint32_t));
}

void SetNOid(uint32_t *destination, const uint32_t *source, int32_t start, int32_t count) {
  CORBEL_TRACE_ENTRY("SetNOid");
  if (destination && start >= 0) CopyOid(destination + start, source, count);
}

uint32_t GetNextSubId(uint32_t value, const uint32_t *array, int32_t count) {
  CORBEL_TRACE_ENTRY("GetNextSubId");
  for (int32_t i = 0; array && i < count; ++i)
    if (array[i] > value) return array[i];
  return 0;
}

unsigned char ReallocateAndSetOID(uint32_t **array, int32_t *countOut, const uint32_t *source,
                                  int32_t count) {
  CORBEL_TRACE_ENTRY("ReallocateAndSetOID");
  if (!array) return CORBEL_STATUS_NO_MEMORY;
  std::free(*array);
  size_t n = count > 0 ? static_cast<size_t>(count) : 0;
  *array = static_cast<uint32_t *>(std::calloc(n + 1, sizeof(uint32_t)));
  if (!*array) {
    LogError("Unable to allocate memory");
    return CORBEL_STATUS_NO_MEMORY;
  }
  if (n && source) std::memcpy(*array, source, n * sizeof(uint32_t));
  if (countOut) *countOut = static_cast<int32_t>(n);
  return CORBEL_STATUS_SUCCESS;
}

int ConvertToStringFromOid(const uint32_t *array, int32_t count, char *buffer, size_t bufferSize) {
  CORBEL_TRACE_ENTRY("ConvertToStringFromOid");
  if (!buffer || bufferSize == 0) return 0;
  std::string text = array ? Dotted(array, count, true) : std::string();
  if (text.size() >= bufferSize) return 0;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return 1;
}

char *ConvertToStringFromOID(const uint32_t *array, int32_t *byteLength) {
  CORBEL_TRACE_ENTRY("ConvertToStringFromOID");
  if (!array || !byteLength) return nullptr;
  int32_t count = *byteLength / 4;
  std::string text;
  for (int32_t i = 0; i < count; ++i) {
    LogTrace("The SubId IS %ld\n", static_cast<long>(array[i]));
    text += "." + std::to_string(array[i]);
    LogTrace("The String rep as SubId is %s\n", text.c_str());
  }
  char *out = static_cast<char *>(std::malloc(text.size() + 1));
  if (!out) {
    LogError("Unable to allocate buffer !!! \n");
    return nullptr;
  }
  std::memcpy(out, text.c_str(), text.size() + 1);
  *byteLength = static_cast<int32_t>(text.size());
  LogTrace("The String rep as OID is %s\n", out);
  return out;
}

void ConvertToIpAddressFromOid(char *out, const uint32_t *array, int32_t start, int32_t end) {
  CORBEL_TRACE_ENTRY("ConvertToIpAddressFromOid");
  if (!out) return;
  std::string text;
  for (int32_t i = start; array && i < end; ++i) {
    uint32_t v = array[i] % 1000;  // up to three digits
    std::string part = (i > start ? "." : "") + std::to_string(v);
    if (text.size() + part.size() > 19) break;
    text += part;
  }
  std::memcpy(out, text.c_str(), text.size() + 1);
}

void ConvertToCharArray(char *buffer, const uint32_t *array, int32_t start, int32_t length) {
  CORBEL_TRACE_ENTRY("ConvertToCharArray");
  if (!buffer) return;
  int32_t i = 0;
  for (; array && i < length; ++i) buffer[i] = static_cast<char>(array[start + i] % 255);
  buffer[i] = '\0';
}

void CopyStringToOid(uint32_t *array, const char *text) {
  CORBEL_TRACE_ENTRY("CopyStringToOid");
  for (size_t i = 0; array && text && text[i]; ++i)
    array[i] = static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(text[i])));
}

void CopyStringToOID(uint32_t *array, const unsigned char *bytes, int32_t length) {
  CORBEL_TRACE_ENTRY("CopyStringToOID");
  for (int32_t i = 0; array && bytes && i < length; ++i) array[i] = bytes[i];
}

void PrintOid(const uint32_t *array, int32_t count) {
  CORBEL_TRACE_ENTRY("PrintOid");
  for (int32_t i = 0; array && i < count; ++i) LogDebug("%lu\t", static_cast<unsigned long>(array[i]));
  LogDebug("\n");
}

void PrintStream(const unsigned char *bytes, int32_t length, const char *format) {
  CORBEL_TRACE_ENTRY("PrintStream");
  if (!format) return;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
  for (int32_t i = 0; bytes && i < length; ++i) LogDebug(format, bytes[i]);
#pragma GCC diagnostic pop
  LogDebug("\n");
}

Counter64 ConvertToCounter64FromULongLong(unsigned long long value) {
  CORBEL_TRACE_ENTRY("ConvertToCounter64FromULongLong");
  return Counter64{static_cast<uint32_t>(value >> 32), static_cast<uint32_t>(value & 0xFFFFFFFFu)};
}

unsigned long long ConvertToULongLongFromCounter64(uint32_t high, uint32_t low) {
  CORBEL_TRACE_ENTRY("ConvertToULongLongFromCounter64");
  return (static_cast<unsigned long long>(high) << 32) | low;
}

bool ConvertToCounter64(Counter64 *out, const unsigned char *bytes, int32_t length) {
  CORBEL_TRACE_ENTRY("ConvertToCounter64");
  if (!out || length < 0 || length > 9 || (!bytes && length)) return false;
  if (length == 9) {
    ++bytes;
    --length;
  }
  unsigned long long value = 0;
  for (int32_t i = 0; i < length; ++i) value = (value << 8) | bytes[i];
  *out = ConvertToCounter64FromULongLong(value);
  return true;
}

char *ConvertCounter64ToString(Counter64 value) {
  auto *text = static_cast<char *>(std::calloc(21, 1));
  if (!text) return nullptr;
  std::snprintf(text, 21, "%llu", ConvertToULongLongFromCounter64(value.high, value.low));
  LogDebug("The String is : %s\n", text);
  return text;
}

}  // extern "C"
