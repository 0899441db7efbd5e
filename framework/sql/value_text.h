// Text of typed values for SQL statements and listings. Numbers are read by the width they
// were stored with; floating-point values are written in the shortest form that reads back
// to the same value; text literals are quoted with every quote doubled.
#ifndef CORBEL_SQL_VALUE_TEXT_H
#define CORBEL_SQL_VALUE_TEXT_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corbel::sql {

// Number text of an integer or floating-point value (type codes 1 to 11); nullopt for other
// types or a NULL value.
std::optional<std::string> NumberText(const void *value, int32_t length, uint8_t type);

// Integer value of an integer-coded value (codes 1 to 8, 19), read by its width.
int64_t IntegerValue(const void *value, int32_t length, uint8_t type);

// The bare text of a value: numbers as above, texts as stored (up to a zero byte), dates in
// the form of their type (date, time or both), booleans "1"/"0". nullopt for type 0, types
// above 22 and dates without the parts their type needs.
std::optional<std::string> PlainText(const void *value, int32_t length, uint8_t type);

// A double as SQLite reads it back exactly: the shortest text when SQLite's own reading of
// decimals gives x, otherwise an exact product of a whole number and powers of two.
std::string SqliteDoubleLiteral(double x);

// True when the text is a plain decimal number (sign, digits, point, exponent).
bool IsNumericText(std::string_view text);

// 'text' with every quote doubled, and every backslash when backslashes escape.
std::string QuoteText(std::string_view text, bool backslashEscapes);

// True for the types whose values are texts or dates, never written bare.
bool IsTextualType(uint8_t type);

}  // namespace corbel::sql

#endif
