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

// True when SQLite reads the decimal text as exactly x. SQLite (before 3.43) reads a number
// as a 64-bit whole number s of its first digits and a power of ten e, and divides or
// multiplies in long double: one operation with an exact power up to 10^22, which can round
// twice; beyond 10^22 its powers are no longer exact. This follows those steps; anything it
// does not follow counts as inexact.
bool SqliteReadsExactly(const std::string &text, double x) {
  constexpr int64_t kLargest = INT64_MAX;
  const char *z = text.c_str();
  bool negative = false;
  if (*z == '-' || *z == '+') negative = *z++ == '-';
  int64_t s = 0;
  int d = 0;
  for (; *z >= '0' && *z <= '9'; ++z) {
    if (s >= (kLargest - 9) / 10) {
      ++d;  // digits past the significant ones shift the point
      continue;
    }
    s = s * 10 + (*z - '0');
  }
  if (*z == '.') {
    for (++z; *z >= '0' && *z <= '9'; ++z) {
      if (s < (kLargest - 9) / 10) {
        s = s * 10 + (*z - '0');
        --d;
      }
    }
  }
  int e = 0;
  if (*z == 'e' || *z == 'E') {
    ++z;
    bool negativeExponent = false;
    if (*z == '-' || *z == '+') negativeExponent = *z++ == '-';
    for (; *z >= '0' && *z <= '9'; ++z) e = e < 10000 ? e * 10 + (*z - '0') : e;
    if (negativeExponent) e = -e;
  }
  if (*z != '\0') return false;
  e += d;
  if (s == 0) return x == 0;
  while (e > 0 && s < kLargest / 10) s *= 10, --e;
  while (e < 0 && s % 10 == 0) s /= 10, ++e;
  if (negative) s = -s;
  double read;
  if (e == 0) {
    read = static_cast<double>(s);
  } else if (e >= -22 && e <= 22) {
    long double scale = 1.0L;
    for (int i = 0; i < (e < 0 ? -e : e); ++i) scale *= 10.0L;
    read = static_cast<double>(e < 0 ? static_cast<long double>(s) / scale
                                     : static_cast<long double>(s) * scale);
  } else {
    return false;
  }
  return std::memcmp(&read, &x, sizeof read) == 0;
}

// x as whole number times powers of two, which SQLite computes without rounding:
// "(CAST(m AS REAL) / 2^k ...)" with factors of at most 2^62 written as whole numbers.
std::string ExactSqliteExpression(double x) {
  int exponent = 0;
  const double fraction = std::frexp(x, &exponent);
  auto m = static_cast<int64_t>(std::ldexp(fraction, 53));
  int k = exponent - 53;
  while (m != 0 && m % 2 == 0) m /= 2, ++k;
  std::string out = "(CAST(" + std::to_string(m) + " AS REAL)";
  for (int left = k < 0 ? -k : k; left > 0; left -= 62) {
    const int step = left < 62 ? left : 62;
    out += (k < 0 ? " / " : " * ") + std::to_string(int64_t{1} << step);
  }
  return out + ")";
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

std::string SqliteDoubleLiteral(double x) {
  if (std::isinf(x)) return x > 0 ? "9e999" : "-9e999";  // SQLite reads these as infinities
  std::string text = Shortest(x);
  if (std::isnan(x) || SqliteReadsExactly(text, x)) return text;
  return ExactSqliteExpression(x);
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
