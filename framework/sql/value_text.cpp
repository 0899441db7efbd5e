#include "framework/sql/value_text.h"

#include "framework/foundation/text.h"

#include <corbel/dates.h>
#include <corbel/dictionary.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace corbel::sql {
namespace {

// Width of an integer or floating value: the stored length when it is a width a producer
// uses, otherwise the nominal width of the type.
int32_t WidthOf(int32_t length, uint8_t type) {
  if (length == 1 || length == 2 || length == 4 || length == 8) return length;
  switch (type) {
    case ZEL_SQL_TINYINT: case ZEL_SQL_UNSIGNED_TINYINT: case ZEL_SQL_BOOLEAN: return 1;
    case ZEL_SQL_SMALLINT: case ZEL_SQL_UNSIGNED_SMALLINT: return 2;
    case ZEL_SQL_INT: case ZEL_SQL_UNSIGNED_INT: case ZEL_SQL_FLOAT: case ZEL_SQL_REAL: return 4;
    default: return 8;
  }
}

bool IsUnsigned(uint8_t type) {
  return type == ZEL_SQL_UNSIGNED_TINYINT || type == ZEL_SQL_UNSIGNED_SMALLINT ||
         type == ZEL_SQL_UNSIGNED_INT || type == ZEL_SQL_UNSIGNED_LONG_INT;
}

using corbel::foundation::LoadValue;

template <typename T>
std::string Shortest(T number) {
  if (std::isnan(number)) return "NaN";
  if (std::isinf(number)) return number > 0 ? "Infinity" : "-Infinity";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, number);
  return std::string(buffer, result.ptr);
}

std::string DateText(const ZelDate *d) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", d->year, d->month, d->day);
  return buffer;
}

std::string TimeText(const ZelTime *t) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", t->hour, t->minute, t->second);
  return buffer;
}

}  // namespace

int64_t IntegerValue(const void *value, int32_t length, uint8_t type) {
  if (value == nullptr) return 0;
  const bool isUnsigned = IsUnsigned(type) || type == ZEL_SQL_BOOLEAN;
  switch (WidthOf(length, type)) {
    // Each branch widens on its own: a shared conditional type would turn the signed
    // 32-bit value unsigned.
    case 1:
      return isUnsigned ? int64_t{LoadValue<uint8_t>(value)} : int64_t{LoadValue<int8_t>(value)};
    case 2:
      return isUnsigned ? int64_t{LoadValue<uint16_t>(value)} : int64_t{LoadValue<int16_t>(value)};
    case 4:
      return isUnsigned ? int64_t{LoadValue<uint32_t>(value)} : int64_t{LoadValue<int32_t>(value)};
    default:
      return LoadValue<int64_t>(value);
  }
}

std::optional<std::string> NumberText(const void *value, int32_t length, uint8_t type) {
  if (value == nullptr || type < ZEL_SQL_TINYINT || type > ZEL_SQL_REAL) return std::nullopt;
  if (type == ZEL_SQL_FLOAT || type == ZEL_SQL_DOUBLE || type == ZEL_SQL_REAL) {
    const int32_t width = (length == 4 || length == 8) ? length : (type == ZEL_SQL_DOUBLE ? 8 : 4);
    return width == 8 ? Shortest(LoadValue<double>(value)) : Shortest(LoadValue<float>(value));
  }
  if (type == ZEL_SQL_UNSIGNED_LONG_INT && WidthOf(length, type) == 8) {
    return std::to_string(LoadValue<uint64_t>(value));
  }
  return std::to_string(IntegerValue(value, length, type));
}

std::optional<std::string> PlainText(const void *value, int32_t length, uint8_t type) {
  if (value == nullptr || type == ZEL_SQL_NOT_SUPPORTED_TYPE || type > ZEL_SQL_TEXT) {
    return std::nullopt;
  }
  if (type <= ZEL_SQL_REAL) return NumberText(value, length, type);
  if (type == ZEL_SQL_BOOLEAN) return std::string(LoadValue<uint8_t>(value) == 1 ? "1" : "0");
  if (type >= ZEL_SQL_DATE && type <= ZEL_SQL_DATETIME) {
    const auto *dt = static_cast<const ZelDateTime *>(value);
    if (type == ZEL_SQL_DATE) {
      if (dt->date == nullptr) return std::nullopt;
      return DateText(dt->date);
    }
    if (type == ZEL_SQL_TIME) {
      if (dt->time == nullptr) return std::nullopt;
      return TimeText(dt->time);
    }
    if (dt->date != nullptr && dt->time != nullptr) return DateText(dt->date) + " " + TimeText(dt->time);
    if (dt->date != nullptr) return DateText(dt->date);
    if (dt->time != nullptr) return TimeText(dt->time);
    return std::nullopt;
  }
  const char *text = static_cast<const char *>(value);
  const size_t size = length > 0 ? strnlen(text, static_cast<size_t>(length)) : std::strlen(text);
  return std::string(text, size);
}

bool IsNumericText(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exponent = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == text.size();
}

std::string QuoteText(std::string_view text, bool backslashEscapes) {
  std::string out;
  out.reserve(text.size() + 2);
  out += '\'';
  for (char c : text) {
    if (c == '\'' || (backslashEscapes && c == '\\')) out += c;
    out += c;
  }
  out += '\'';
  return out;
}

bool IsTextualType(uint8_t type) {
  return type == ZEL_SQL_NOT_SUPPORTED_TYPE || (type >= ZEL_SQL_CHAR && type <= ZEL_SQL_DATETIME) ||
         type >= ZEL_SQL_BLOB;
}

}  // namespace corbel::sql
