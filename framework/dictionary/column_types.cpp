// Column type codes, their names in the dictionary files, and the conversions of typed
// values to and from text. The value forms and widths are listed in corbel/dictionary.h.
#include <corbel/dictionary.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <corbel/log.h>
#include <corbel/primitives.h>
#include <corbel/strings.h>

#include "framework/foundation/text.h"

namespace {

struct TypeName {
  const char *name;
  uint8_t code;
};

// Every accepted type name. Some codes are known only by their plain SQL name.
constexpr TypeName kTypeNames[] = {
    {"ZEL_SQL_TINYINT", ZEL_SQL_TINYINT},
    {"ZEL_SQL_UNSIGNED_TINYINT", ZEL_SQL_UNSIGNED_TINYINT},
    {"ZEL_SQL_SMALLINT", ZEL_SQL_SMALLINT},
    {"ZEL_SQL_UNSIGNED_SMALLINT", ZEL_SQL_UNSIGNED_SMALLINT},
    {"ZEL_SQL_INT", ZEL_SQL_INT},
    {"INTEGER", ZEL_SQL_INT},
    {"LONG", ZEL_SQL_INT},
    {"ZEL_SQL_UNSIGNED_INT", ZEL_SQL_UNSIGNED_INT},
    {"BIGINT", ZEL_SQL_BIGINT},
    {"ZEL_SQL_UNSIGNED_LONG_INT", ZEL_SQL_UNSIGNED_LONG_INT},
    {"ZEL_SQL_FLOAT", ZEL_SQL_FLOAT},
    {"FLOAT", ZEL_SQL_FLOAT},
    {"ZEL_SQL_DOUBLE", ZEL_SQL_DOUBLE},
    {"ZEL_SQL_REAL", ZEL_SQL_REAL},
    {"ZEL_SQL_DECIMAL", ZEL_SQL_DECIMAL},
    {"ZEL_SQL_NUMERIC", ZEL_SQL_NUMERIC},
    {"ZEL_SQL_CHAR", ZEL_SQL_CHAR},
    {"CHAR", ZEL_SQL_VARCHAR},
    {"NCHAR", ZEL_SQL_VARCHAR},
    {"ZEL_SQL_DATE", ZEL_SQL_DATE},
    {"DATE", ZEL_SQL_DATE},
    {"ZEL_SQL_TIME", ZEL_SQL_TIME},
    {"TIME", ZEL_SQL_TIME},
    {"ZEL_SQL_DATETIME", ZEL_SQL_DATETIME},
    {"DATETIME", ZEL_SQL_DATETIME},
    {"TIMESTAMP", ZEL_SQL_DATETIME},
    {"BOOLEAN", ZEL_SQL_BOOLEAN},
    {"ZEL_SQL_BLOB", ZEL_SQL_BLOB},
    {"BLOB", ZEL_SQL_BLOB},
    {"ZEL_SQL_CLOB", ZEL_SQL_CLOB},
    {"CLOB", ZEL_SQL_CLOB},
    {"ZEL_SQL_TEXT", ZEL_SQL_TEXT},
    {"TEXT", ZEL_SQL_TEXT},
};

bool IsDateType(uint8_t type) {
  return type >= ZEL_SQL_DATE && type <= ZEL_SQL_DATETIME;
}

// A value buffer: `width` bytes holding `source`, then the terminating 0 byte.
void *NewValue(const void *source, size_t width) {
  auto *value = static_cast<unsigned char *>(std::calloc(1, width + 1));
  if (value != nullptr && width > 0) std::memcpy(value, source, width);
  return value;
}

// The self-contained date block: the record, then its two parts.
struct DateTimeBlock {
  ZelDateTime record;
  ZelDate date;
  ZelTime time;
};
static_assert(sizeof(DateTimeBlock) >= sizeof(ZelDateTime) + sizeof(ZelDate) + sizeof(ZelTime));

// Text of a number value in the form the SQL generators write.
std::string NumberText(const void *value, uint8_t type) {
  char text[64];
  switch (type) {
    case ZEL_SQL_TINYINT:
      std::snprintf(text, sizeof text, "%d", *static_cast<const int8_t *>(value));
      break;
    case ZEL_SQL_UNSIGNED_TINYINT:
      std::snprintf(text, sizeof text, "%u", *static_cast<const uint8_t *>(value));
      break;
    case ZEL_SQL_SMALLINT:
      std::snprintf(text, sizeof text, "%d", corbel::foundation::LoadValue<int16_t>(value));
      break;
    case ZEL_SQL_UNSIGNED_SMALLINT:
      std::snprintf(text, sizeof text, "%u", corbel::foundation::LoadValue<uint16_t>(value));
      break;
    case ZEL_SQL_INT:
      std::snprintf(text, sizeof text, "%" PRId32, corbel::foundation::LoadValue<int32_t>(value));
      break;
    case ZEL_SQL_UNSIGNED_INT:
      std::snprintf(text, sizeof text, "%" PRIu32, corbel::foundation::LoadValue<uint32_t>(value));
      break;
    case ZEL_SQL_BIGINT:
      std::snprintf(text, sizeof text, "%" PRId64, corbel::foundation::LoadValue<int64_t>(value));
      break;
    case ZEL_SQL_UNSIGNED_LONG_INT:
      std::snprintf(text, sizeof text, "%" PRIu64, corbel::foundation::LoadValue<uint64_t>(value));
      break;
    case ZEL_SQL_FLOAT:
    case ZEL_SQL_REAL:
      std::snprintf(text, sizeof text, "%f",
                    static_cast<double>(corbel::foundation::LoadValue<float>(value)));
      break;
    case ZEL_SQL_DOUBLE: {
      const double v = corbel::foundation::LoadValue<double>(value);
      // A double's "%f" text can be long (1e308 has 309 digits before the point).
      int needed = std::snprintf(nullptr, 0, "%f", v);
      std::string out(static_cast<size_t>(needed), '\0');
      std::snprintf(out.data(), out.size() + 1, "%f", v);
      return out;
    }
    case ZEL_SQL_BOOLEAN:
      return *static_cast<const uint8_t *>(value) == 1 ? "'t'" : "'f'";
    default:
      return {};
  }
  return text;
}

// The text of a value of the types that have one without the date conversion; false for the
// types that do not.
bool PlainValueText(const void *value, uint8_t type, std::string &out) {
  if ((type >= ZEL_SQL_TINYINT && type <= ZEL_SQL_REAL) || type == ZEL_SQL_BOOLEAN) {
    out = NumberText(value, type);
    return true;
  }
  if ((type >= ZEL_SQL_DECIMAL && type <= ZEL_SQL_VARCHAR) || type >= ZEL_SQL_BLOB) {
    if (type > ZEL_SQL_MAX_TYPE_CODE) return false;
    out = static_cast<const char *>(value);
    return true;
  }
  return false;
}

}  // namespace

extern "C" {

int32_t GetTypeValueWidth(uint8_t type) {
  switch (type) {
    case ZEL_SQL_TINYINT:
    case ZEL_SQL_UNSIGNED_TINYINT:
    case ZEL_SQL_BOOLEAN:
      return 1;
    case ZEL_SQL_SMALLINT:
    case ZEL_SQL_UNSIGNED_SMALLINT:
      return 2;
    case ZEL_SQL_INT:
    case ZEL_SQL_UNSIGNED_INT:
    case ZEL_SQL_FLOAT:
    case ZEL_SQL_REAL:
      return 4;
    case ZEL_SQL_BIGINT:
    case ZEL_SQL_UNSIGNED_LONG_INT:
    case ZEL_SQL_DOUBLE:
      return 8;
    case ZEL_SQL_DATE:
    case ZEL_SQL_TIME:
    case ZEL_SQL_DATETIME:
      return ZEL_DATETIME_VALUE_WIDTH;
    default:
      return -1;
  }
}

uint8_t GetColumnTypeCode(const char *typeName) {
  if (typeName == nullptr) {
    LogError("Column data type not supported - Error while creating column definition.\n");
    return ZEL_SQL_NOT_SUPPORTED_TYPE;
  }
  for (const TypeName &entry : kTypeNames) {
    if (CompareStringNoCase(typeName, entry.name) == 0) return entry.code;
  }
  return ZEL_SQL_NOT_SUPPORTED_TYPE;
}

void *CreateDateTimeValue(const ZelDateTime *source, int32_t *length) {
  if (source == nullptr || (source->date == nullptr && source->time == nullptr)) return nullptr;
  auto *block = static_cast<DateTimeBlock *>(std::calloc(1, ZEL_DATETIME_VALUE_WIDTH + 1));
  if (block == nullptr) return nullptr;
  static_assert(sizeof(DateTimeBlock) <= ZEL_DATETIME_VALUE_WIDTH + 1);
  if (source->date != nullptr) {
    block->date = *source->date;
    block->record.date = &block->date;
  }
  if (source->time != nullptr) {
    block->time = *source->time;
    block->record.time = &block->time;
  }
  if (length != nullptr) *length = ZEL_DATETIME_VALUE_WIDTH;
  return block;
}

void *CopyTypedValue(const void *value, int32_t length, uint8_t type) {
  if (value == nullptr) return nullptr;
  if (IsDateType(type))
    return CreateDateTimeValue(static_cast<const ZelDateTime *>(value), nullptr);
  if (length < 0) return nullptr;
  return NewValue(value, static_cast<size_t>(length));
}

void *ConvertStringToValue(const char *text, int32_t *length, uint8_t type) {
  if (text == nullptr || type > ZEL_SQL_MAX_TYPE_CODE) return nullptr;
  int32_t width = GetTypeValueWidth(type);
  void *value = nullptr;
  switch (type) {
    case ZEL_SQL_NOT_SUPPORTED_TYPE:
    case ZEL_SQL_DECIMAL:
    case ZEL_SQL_NUMERIC:
    case ZEL_SQL_BLOB:
    case ZEL_SQL_CLOB: {
      int32_t given = length != nullptr ? *length : static_cast<int32_t>(std::strlen(text));
      if (given < 0) return nullptr;
      return NewValue(text, static_cast<size_t>(given));
    }
    case ZEL_SQL_TINYINT:
    case ZEL_SQL_UNSIGNED_TINYINT:
    case ZEL_SQL_SMALLINT:
    case ZEL_SQL_UNSIGNED_SMALLINT:
    case ZEL_SQL_INT:
    case ZEL_SQL_UNSIGNED_INT: {
      // Only the low bytes of the 32-bit value are kept.
      uint32_t number = static_cast<uint32_t>(ParseInteger(text));
      if (width == 1) {
        uint8_t v = static_cast<uint8_t>(number);
        value = NewValue(&v, 1);
      } else if (width == 2) {
        uint16_t v = static_cast<uint16_t>(number);
        value = NewValue(&v, 2);
      } else {
        value = NewValue(&number, 4);
      }
      break;
    }
    case ZEL_SQL_BIGINT:
    case ZEL_SQL_UNSIGNED_LONG_INT: {
      long long number = ParseLongLong(text);
      value = NewValue(&number, 8);
      break;
    }
    case ZEL_SQL_FLOAT:
    case ZEL_SQL_REAL: {
      float number = static_cast<float>(ParseDouble(text));
      value = NewValue(&number, 4);
      break;
    }
    case ZEL_SQL_DOUBLE: {
      double number = ParseDouble(text);
      value = NewValue(&number, 8);
      break;
    }
    case ZEL_SQL_CHAR:
    case ZEL_SQL_VARCHAR:
    case ZEL_SQL_TEXT: {
      size_t textLength = std::strlen(text);
      value = NewValue(text, textLength);
      width = static_cast<int32_t>(textLength);
      break;
    }
    case ZEL_SQL_DATE:
    case ZEL_SQL_TIME:
    case ZEL_SQL_DATETIME: {
      ZelDateTime *parsed = ConvertStringToZelDateTime(text);
      value = CreateDateTimeValue(parsed, nullptr);
      FreeZelDateTime(parsed);
      break;
    }
    case ZEL_SQL_BOOLEAN: {
      uint8_t flag;
      if (CompareStringNoCase(text, "TRUE") == 0) {
        flag = 1;
      } else if (CompareStringNoCase(text, "FALSE") == 0) {
        flag = 0;
      } else {
        return nullptr;
      }
      value = NewValue(&flag, 1);
      break;
    }
    default:
      return nullptr;
  }
  if (value != nullptr && length != nullptr) *length = width;
  return value;
}

char *ConvertValueToString(const void *value, uint8_t type) {
  char *result = nullptr;
  if (value == nullptr) {
    AllocateStringCopy(&result, "NULL");
    return result;
  }
  if (IsDateType(type)) return ZelDateTimeToString(static_cast<const ZelDateTime *>(value));
  std::string text;
  if (type == ZEL_SQL_NOT_SUPPORTED_TYPE || !PlainValueText(value, type, text)) return nullptr;
  AllocateStringCopy(&result, text.c_str());
  return result;
}

char *ConvertValueToSqlLiteral(const void *value, uint8_t type, MemPool *pool) {
  if (pool == nullptr) return nullptr;
  if (value == nullptr) return PoolStrDup(pool, "NULL");
  // Dates and binary values have no literal form; TEXT is character text like VARCHAR.
  if (type == ZEL_SQL_NOT_SUPPORTED_TYPE || IsDateType(type) || type == ZEL_SQL_BLOB ||
      type == ZEL_SQL_CLOB) {
    return nullptr;
  }
  std::string text;
  if (!PlainValueText(value, type, text)) return nullptr;
  return static_cast<char *>(PoolMemDup(pool, text.data(), text.size()));
}

uint8_t GetCodeForValue(const CodeValuePair *pairs, int32_t count, int32_t value) {
  for (int32_t i = 0; pairs != nullptr && i < count; ++i) {
    if (pairs[i].value == value) return pairs[i].code;
  }
  return 0;
}

int32_t GetValueForCode(const CodeValuePair *pairs, int32_t count, uint8_t code) {
  for (int32_t i = 0; pairs != nullptr && i < count; ++i) {
    if (pairs[i].code == code) return pairs[i].value;
  }
  return 0;
}

}  // extern "C"
