// Type names, and typed values converted from text and back, for every type code.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <corbel/dictionary.h>

#include "tests/dictionary/dictionary_fixture.h"

namespace {

using corbel_test::DictionaryTest;

struct Freer {
  void operator()(void *p) const noexcept { std::free(p); }
};
using Owned = std::unique_ptr<void, Freer>;

std::string TextOf(const void *value, uint8_t type) {
  std::unique_ptr<char, Freer> text(ConvertValueToString(value, type));
  return text ? std::string(text.get()) : std::string("<null>");
}

TEST(ColumnTypeCodeTest, TypeNamesMapToCodes) {
  struct Case {
    const char *name;
    int code;
  } cases[] = {
      {"ZEL_SQL_TINYINT", 1},
      {"zel_sql_unsigned_tinyint", 2},
      {"ZEL_SQL_SMALLINT", 3},
      {"ZEL_SQL_UNSIGNED_SMALLINT", 4},
      {"ZEL_SQL_INT", 5},
      {"integer", 5},
      {"Long", 5},
      {"ZEL_SQL_UNSIGNED_INT", 6},
      {"BIGINT", 7},
      {"bigint", 7},
      {"ZEL_SQL_BIGINT", 0},
      {"ZEL_SQL_UNSIGNED_LONG_INT", 8},
      {"ZEL_SQL_FLOAT", 9},
      {"float", 9},
      {"ZEL_SQL_DOUBLE", 10},
      {"ZEL_SQL_REAL", 11},
      {"ZEL_SQL_DECIMAL", 12},
      {"ZEL_SQL_NUMERIC", 13},
      {"ZEL_SQL_CHAR", 14},
      {"CHAR", 15},
      {"nchar", 15},
      {"ZEL_SQL_VARCHAR", 0},
      {"varchar", 0},
      {"ZEL_SQL_DATE", 16},
      {"date", 16},
      {"ZEL_SQL_TIME", 17},
      {"Time", 17},
      {"ZEL_SQL_DATETIME", 18},
      {"DATETIME", 18},
      {"timestamp", 18},
      {"BOOLEAN", 19},
      {"ZEL_SQL_BOOLEAN", 0},
      {"ZEL_SQL_BLOB", 20},
      {"blob", 20},
      {"ZEL_SQL_CLOB", 21},
      {"CLOB", 21},
      {"ZEL_SQL_TEXT", 22},
      {"text", 22},
      {"ZEL_SQL_NOT_SUPPORTED_TYPE", 0},
      {"", 0},
      {"INT", 0},
      {" ZEL_SQL_INT", 0},
  };
  for (const Case &c : cases) EXPECT_EQ(GetColumnTypeCode(c.name), c.code) << c.name;
}

TEST_F(DictionaryTest, NullTypeNameIsLoggedAndUnsupported) {
  EXPECT_EQ(GetColumnTypeCode(nullptr), 0);
  EXPECT_NE(Log().find("[ERROR] Column data type not supported - Error while creating column "
                       "definition.\n"),
            std::string::npos);
}

// Every type code from text to a value and back to text.
struct ConversionCase {
  int type;
  std::string input;  // may hold NUL bytes for the byte types
  int32_t width;      // expected length after the conversion
  std::string text;   // ConvertValueToString of the value
};

class ConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionTest, TextToValueAndBack) {
  const ConversionCase &c = GetParam();
  int32_t length = static_cast<int32_t>(c.input.size());
  Owned value(ConvertStringToValue(c.input.c_str(), &length, static_cast<uint8_t>(c.type)));
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(length, c.width);
  if (c.width >= 0) {
    // One byte beyond the value, always 0.
    EXPECT_EQ(static_cast<const char *>(value.get())[c.width], '\0');
  }
  EXPECT_EQ(TextOf(value.get(), static_cast<uint8_t>(c.type)), c.text);
}

const int32_t kDateWidth = ZEL_DATETIME_VALUE_WIDTH;

INSTANTIATE_TEST_SUITE_P(
    EveryCode, ConversionTest,
    ::testing::Values(
        ConversionCase{0, std::string("a\0b", 3), 3, "<null>"}, ConversionCase{1, "300", 1, "44"},
        ConversionCase{1, "-5", 1, "-5"}, ConversionCase{1, "12a", 1, "0"},
        ConversionCase{2, "255", 1, "255"}, ConversionCase{2, "256", 1, "0"},
        ConversionCase{3, "-32768", 2, "-32768"}, ConversionCase{3, "40000", 2, "-25536"},
        ConversionCase{4, "65535", 2, "65535"}, ConversionCase{5, "-123456", 4, "-123456"},
        ConversionCase{5, "+42", 4, "42"}, ConversionCase{6, "-1", 4, "4294967295"},
        ConversionCase{7, "-9000000000", 8, "-9000000000"},
        ConversionCase{8, "18000000000", 8, "18000000000"}, ConversionCase{9, "1.5", 4, "1.500000"},
        ConversionCase{9, "1e3", 4, "0.000000"}, ConversionCase{10, "-2.25", 8, "-2.250000"},
        ConversionCase{11, "0.5", 4, "0.500000"}, ConversionCase{12, "12.50", 5, "12.50"},
        ConversionCase{13, "-7", 2, "-7"}, ConversionCase{14, "abc", 3, "abc"},
        ConversionCase{15, "O'Brien", 7, "O'Brien"}, ConversionCase{15, "", 0, ""},
        ConversionCase{16, "2026-12-09", kDateWidth, "2026-12-09 00:00:00"},
        ConversionCase{17, "08:15:00", kDateWidth, "0000-00-00 08:15:00"},
        ConversionCase{18, "2026-12-09 08:15:00", kDateWidth, "2026-12-09 08:15:00"},
        ConversionCase{19, "true", 1, "'t'"}, ConversionCase{19, "FALSE", 1, "'f'"},
        ConversionCase{20, std::string("x\0y", 3), 3, "x"}, ConversionCase{21, "clob", 4, "clob"},
        ConversionCase{22, std::string(5000, 'z'), 5000, std::string(5000, 'z')}));

TEST(ConversionTest, IntegerValuesHaveTheirWidthInMemory) {
  int32_t length = 0;
  Owned tiny(ConvertStringToValue("300", &length, ZEL_SQL_TINYINT));
  EXPECT_EQ(*static_cast<int8_t *>(tiny.get()), 44);
  Owned small(ConvertStringToValue("-2", &length, ZEL_SQL_SMALLINT));
  EXPECT_EQ(*static_cast<int16_t *>(small.get()), -2);
  Owned big(ConvertStringToValue("-9000000000", &length, ZEL_SQL_BIGINT));
  EXPECT_EQ(*static_cast<int64_t *>(big.get()), -9000000000LL);
  Owned real(ConvertStringToValue("2.5", &length, ZEL_SQL_FLOAT));
  EXPECT_EQ(*static_cast<float *>(real.get()), 2.5f);
  Owned flag(ConvertStringToValue("TRUE", &length, ZEL_SQL_BOOLEAN));
  EXPECT_EQ(*static_cast<uint8_t *>(flag.get()), 1);
}

TEST(ConversionTest, RejectedInputsGiveNull) {
  int32_t length = 9;
  EXPECT_EQ(ConvertStringToValue("yes", &length, ZEL_SQL_BOOLEAN), nullptr);
  EXPECT_EQ(ConvertStringToValue("1", &length, 23), nullptr);
  EXPECT_EQ(ConvertStringToValue(nullptr, &length, ZEL_SQL_INT), nullptr);
  EXPECT_EQ(ConvertStringToValue("tomorrow", &length, ZEL_SQL_DATE), nullptr);
  EXPECT_EQ(length, 9);
}

TEST(ConversionTest, ValueToStringSpecialCases) {
  EXPECT_EQ(TextOf(nullptr, ZEL_SQL_INT), "NULL");
  EXPECT_EQ(TextOf(nullptr, 0), "NULL");
  uint8_t one = 1, two = 2;
  EXPECT_EQ(TextOf(&one, ZEL_SQL_BOOLEAN), "'t'");
  EXPECT_EQ(TextOf(&two, ZEL_SQL_BOOLEAN), "'f'");
  EXPECT_EQ(TextOf(&one, 23), "<null>");
  double huge = 1e300;
  EXPECT_EQ(TextOf(&huge, ZEL_SQL_DOUBLE).size(), 301u + 7u);  // 301 digits, ".000000"
}

TEST(ConversionTest, DateValuesAreSelfContained) {
  int32_t length = 0;
  Owned original(ConvertStringToValue("2026-12-31 23:59:58", &length, ZEL_SQL_DATETIME));
  ASSERT_NE(original, nullptr);
  auto *record = static_cast<const ZelDateTime *>(original.get());
  ASSERT_NE(record->date, nullptr);
  ASSERT_NE(record->time, nullptr);
  EXPECT_EQ(record->date->year, 2026);
  EXPECT_EQ(record->time->second, 58);
  // Both parts lie inside the value itself, so free() releases everything.
  auto *begin = static_cast<const char *>(original.get());
  EXPECT_GE(reinterpret_cast<const char *>(record->date), begin);
  EXPECT_LT(reinterpret_cast<const char *>(record->time), begin + length);

  Owned copy(CopyTypedValue(original.get(), length, ZEL_SQL_DATETIME));
  original.reset();
  EXPECT_EQ(TextOf(copy.get(), ZEL_SQL_DATETIME), "2026-12-31 23:59:58");

  ZelDate date{2024, 2, 29};
  ZelDateTime dateOnly{};
  dateOnly.date = &date;
  Owned fromParts(CreateDateTimeValue(&dateOnly, &length));
  EXPECT_EQ(length, ZEL_DATETIME_VALUE_WIDTH);
  EXPECT_EQ(TextOf(fromParts.get(), ZEL_SQL_DATE), "2024-02-29");
  ZelDateTime empty{};
  EXPECT_EQ(CreateDateTimeValue(&empty, &length), nullptr);
}

TEST(ConversionTest, CopyKeepsBytesAndLength) {
  const char bytes[] = {'a', '\0', 'b'};
  Owned copy(CopyTypedValue(bytes, 3, ZEL_SQL_BLOB));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::memcmp(copy.get(), bytes, 3), 0);
  EXPECT_EQ(static_cast<const char *>(copy.get())[3], '\0');
  EXPECT_EQ(CopyTypedValue(nullptr, 3, ZEL_SQL_BLOB), nullptr);
}

class SqlLiteralTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitializeMemPool());
    pool_ = CreateSubPool();
    ASSERT_NE(pool_, nullptr);
  }
  void TearDown() override {
    DestroySubPool(pool_);
    ShutdownMemPool();
  }
  std::string Literal(const void *value, int type) {
    const char *text = ConvertValueToSqlLiteral(value, static_cast<uint8_t>(type), pool_);
    return text != nullptr ? text : "<null>";
  }
  MemPool *pool_ = nullptr;
};

TEST_F(SqlLiteralTest, EveryCode) {
  struct Case {
    int type;
    const char *input;
    const char *literal;
  } cases[] = {
      {0, "x", "<null>"},
      {1, "-3", "-3"},
      {2, "200", "200"},
      {3, "-300", "-300"},
      {4, "60000", "60000"},
      {5, "7", "7"},
      {6, "8", "8"},
      {7, "-9", "-9"},
      {8, "10", "10"},
      {9, "1.25", "1.250000"},
      {10, "2.5", "2.500000"},
      {11, "3", "3.000000"},
      {12, "4.50", "4.50"},
      {13, "5", "5"},
      {14, "it's", "it's"},
      {15, "v", "v"},
      {16, "2026-01-01", "<null>"},
      {17, "10:00:00", "<null>"},
      {18, "2026-01-01 10:00:00", "<null>"},
      {19, "true", "'t'"},
      {20, "b", "<null>"},
      {21, "c", "<null>"},
      {22, "long text", "long text"},
  };
  for (const Case &c : cases) {
    int32_t length = static_cast<int32_t>(std::strlen(c.input));
    Owned value(ConvertStringToValue(c.input, &length, static_cast<uint8_t>(c.type)));
    ASSERT_NE(value, nullptr) << c.type;
    EXPECT_EQ(Literal(value.get(), c.type), c.literal) << "type " << c.type;
  }
  EXPECT_EQ(Literal(nullptr, ZEL_SQL_INT), "NULL");
  int value = 1;
  EXPECT_EQ(ConvertValueToSqlLiteral(&value, ZEL_SQL_INT, nullptr), nullptr);
  EXPECT_EQ(Literal(&value, 23), "<null>");
}

TEST(CodeValuePairTest, LookupBothWays) {
  const CodeValuePair pairs[] = {{5, 4}, {14, 1}, {15, 12}, {20, -2}, {20, -3}, {0, 101}};
  struct Case {
    int32_t value;
    int code;
  } byValue[] = {{4, 5}, {12, 15}, {-3, 20}, {101, 0}, {99, 0}};
  for (const Case &c : byValue) EXPECT_EQ(GetCodeForValue(pairs, 6, c.value), c.code) << c.value;
  EXPECT_EQ(GetValueForCode(pairs, 6, 20), -2);  // the first pair of the code
  EXPECT_EQ(GetValueForCode(pairs, 6, 14), 1);
  EXPECT_EQ(GetValueForCode(pairs, 6, 9), 0);
  EXPECT_EQ(GetCodeForValue(pairs, 2, 12), 0);  // only the first two entries count
  EXPECT_EQ(GetCodeForValue(nullptr, 6, 4), 0);
}

}  // namespace
