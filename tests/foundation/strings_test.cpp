// String toolkit: comparisons, search and splitting, trimming and case, number conversions.
#include <corbel/strings.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct FreeDeleter {
  void operator()(void *p) const { std::free(p); }
};
using Text = std::unique_ptr<char, FreeDeleter>;

// The text of a new string (or "<null>"), freeing it.
std::string Take(char *s) {
  Text owned(s);
  return s ? std::string(s) : std::string("<null>");
}

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(Strings, NullTolerantComparisons) {
  struct Case {
    const char *a, *b;
    int exact, noCase;
  } cases[] = {
      {nullptr, nullptr, 0, 0}, {nullptr, "a", -1, -1},   {"a", nullptr, 1, 1},
      {"abc", "abc", 0, 0},     {"abc", "abd", -1, -1},   {"ABC", "abc", -1, 0},
      {"abc", "ab", 1, 1},      {"", "a", -1, -1},        {"a-1", "A-1", 1, 0},
      // signed characters: a byte above 127 sorts before ASCII
      {"\xC8", "a", -1, -1},    {"a", "\xC8", 1, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.a ? c.a : "<null>") + " vs " + (c.b ? c.b : "<null>"));
    EXPECT_EQ(Sign(CompareString(c.a, c.b)), c.exact);
    EXPECT_EQ(Sign(CompareStringNoCase(c.a, c.b)), c.noCase);
  }
  EXPECT_EQ(CompareString(nullptr, "x"), -1);
  EXPECT_EQ(CompareString("x", nullptr), 1);
  EXPECT_EQ(CompareString("b", "a"), 1);  // the difference of the characters
}

TEST(Strings, CompareNoCaseN) {
  struct Case {
    const char *a, *b;
    size_t n;
    int expected;
  } cases[] = {
      {"TableA", "tablea", 6, 0}, {"Table", "tableX", 10, -1}, {"TableXY", "table", 10, 1},
      {"Tab", "taX", 2, 0},       {"abc", "abd", 3, -1},       {"abd", "ABC", 3, 1},
      {"ab", "AB", 10, 0},
      // only letters fold: '!' and 'A' differ by 32 but are different characters
      {"!", "A", 1, -1},          {"0", "P", 1, -1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.a) + " vs " + c.b);
    EXPECT_EQ(CompareStringNoCaseN(c.a, c.b, c.n), c.expected);
  }
  EXPECT_EQ(CompareStringN("abcX", "abcY", 3), 0);
  EXPECT_LT(CompareStringN("abcX", "abcY", 4), 0);
}

TEST(Strings, BoundedCopies) {
  char buf[8];
  EXPECT_EQ(CopyStringBounded(buf, "abcdefghij", sizeof buf), 10u);
  EXPECT_STREQ(buf, "abcdefg");
  EXPECT_EQ(CopyStringBounded(buf, "abc", 0), 0u);
  EXPECT_EQ(CopyStringBounded(nullptr, "abc", 8), 0u);

  char app[8] = "abc";
  EXPECT_EQ(AppendStringBounded(app, "defgh", sizeof app), 8u);
  EXPECT_STREQ(app, "abcdefg");
  EXPECT_EQ(AppendStringBounded(app, "x", 0), 0u);
  // a destination without a terminator inside the size is not written to
  char full[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(AppendStringBounded(full, "xy", sizeof full), 6u);
  EXPECT_EQ(full[3], 'd');

  char rev[] = "abcdef";
  ReverseString(rev, 4);
  EXPECT_STREQ(rev, "dcbaef");
  EXPECT_EQ(CopyString(buf, nullptr), nullptr);
  EXPECT_EQ(GetStringLength(nullptr), 0u);
}

TEST(Strings, SearchFamily) {
  struct Case {
    const char *text, *pattern;
    int count, index, last;
  } cases[] = {
      {"a,b,c", ",", 2, 1, 3},        {"abc", "x", 0, 0, -1},    {",ab", ",", 1, 0, 0},
      {"a::b::c", "::", 2, 1, 4},     {"aaaa", "aa", 2, 0, 2},   {"", ",", 0, 0, -1},
      // a partial match followed by the real one is found
      {"aab", "ab", 1, 1, 1},         {"xaaab", "aab", 1, 2, 2},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.pattern);
    EXPECT_EQ(CountSubString(c.text, c.pattern), c.count);
    EXPECT_EQ(IndexOfSubString(c.text, c.pattern), c.index);
    EXPECT_EQ(LastIndexOfSubString(c.text, c.pattern), c.last);
  }
  EXPECT_EQ(CountSubString(nullptr, "a"), -1);
  EXPECT_EQ(IndexOfSubString("a", nullptr), -1);
  EXPECT_EQ(LastIndexOfSubString(nullptr, nullptr), -1);

  const char *text = "key=value";
  EXPECT_EQ(SubString(text, "=v"), text + 3);
  EXPECT_EQ(SubString(text, ""), nullptr);
  EXPECT_EQ(SubString("ab", "abc"), nullptr);
  EXPECT_TRUE(FindSubString(text, "val"));
  EXPECT_FALSE(FindSubString(text, "xyz"));
  EXPECT_EQ(GetIndex("abcabc", 6, 'c'), 2);
  EXPECT_EQ(GetIndex("abcabc", 2, 'c'), -1);
  EXPECT_EQ(CountChar("a,b,,c", 6, ','), 3);
  unsigned char found = 9;
  EXPECT_EQ(FindDelimiterEnd("ab;cd", 5, ';', &found), 3u);
  EXPECT_EQ(found, 1);
  EXPECT_EQ(FindDelimiterEnd("abcd", 4, ';', &found), 4u);
  EXPECT_EQ(found, 0);
}

TEST(Strings, PartsBeforeAndAfter) {
  struct Case {
    const char *text, *pattern, *before, *after, *afterLast, *removeAll, *removeFirst,
        *removeLast;
  } cases[] = {
      {"a.b.c", ".", "a", "b.c", "c", "abc", "ab.c", "a.bc"},
      {"abc", ".", "", "", "abc", "abc", "<null>", "<null>"},
      {"x::y", "::", "x", "y", "y", "xy", "xy", "xy"},
      {".a", ".", "", "a", "a", "a", "a", "a"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.text) + " / " + c.pattern);
    EXPECT_EQ(Take(GetStringBefore(c.text, c.pattern)), c.before);
    EXPECT_EQ(Take(GetStringAfter(c.text, c.pattern)), c.after);
    EXPECT_EQ(Take(GetStringAfterLast(c.text, c.pattern)), c.afterLast);
    EXPECT_EQ(Take(RemoveAllSubString(c.text, c.pattern)), c.removeAll);
    EXPECT_EQ(Take(RemoveFirstSubString(c.text, c.pattern)), c.removeFirst);
    EXPECT_EQ(Take(RemoveLastSubString(c.text, c.pattern)), c.removeLast);
  }
  EXPECT_EQ(GetStringBefore(nullptr, "."), nullptr);
  EXPECT_EQ(GetStringAfter("a", nullptr), nullptr);
  EXPECT_EQ(RemoveAllSubString(nullptr, "."), nullptr);
}

TEST(Strings, SplitString) {
  struct Case {
    const char *text, *separator;
    std::vector<std::string> parts;
  } cases[] = {
      {"a,b,c", ",", {"a", "b", "c"}},
      {"abc", ",", {"abc"}},
      {",a,", ",", {"", "a", ""}},
      {"k::v", "::", {"k", "v"}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    char **parts = SplitString(c.text, c.separator);
    ASSERT_NE(parts, nullptr);
    size_t i = 0;
    for (; parts[i]; ++i) {
      ASSERT_LT(i, c.parts.size());
      EXPECT_EQ(parts[i], c.parts[i]);
      std::free(parts[i]);
    }
    EXPECT_EQ(i, c.parts.size());
    std::free(parts);
  }
  EXPECT_EQ(SplitString(nullptr, ","), nullptr);
}

TEST(Strings, SplitBufferAndMatch) {
  const char data[] = {'a', 'b', ';', '\0', 'c', ';'};
  uint16_t count = 0;
  size_t *lengths = nullptr;
  char **pieces = SplitBuffer(data, sizeof data, ';', &count, &lengths);
  ASSERT_NE(pieces, nullptr);
  ASSERT_EQ(count, 3);
  EXPECT_STREQ(pieces[0], "ab");
  EXPECT_EQ(lengths[1], 2u);  // the embedded NUL is part of the piece
  EXPECT_EQ(pieces[1][1], 'c');
  EXPECT_EQ(lengths[2], 0u);
  FreeStringArray(pieces, count);
  std::free(lengths);

  struct Case {
    const char *list, *item;
    bool matched;
  } cases[] = {{"ab,cd", "cd", true}, {"ab,cd", "c", false}, {"ab,cd", "ab", true},
               {"ab,cd", "ab,cd", false}, {"", "", true}, {"a,,b", "", true}};
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.list) + " ? " + c.item);
    EXPECT_EQ(IsStringMatched(c.list, std::strlen(c.list), c.item, std::strlen(c.item)), c.matched);
  }
}

TEST(Strings, TokenizeIsReentrant) {
  char a[] = "  one, two";
  char b[] = "x;y";
  char *ca = nullptr, *cb = nullptr;
  EXPECT_STREQ(TokenizeString(a, " ,", &ca), "one");
  EXPECT_STREQ(TokenizeString(b, ";", &cb), "x");
  EXPECT_STREQ(TokenizeString(nullptr, " ,", &ca), "two");
  EXPECT_STREQ(TokenizeString(nullptr, ";", &cb), "y");
  EXPECT_EQ(TokenizeString(nullptr, " ,", &ca), nullptr);
  EXPECT_EQ(ca, nullptr);
}

TEST(Strings, ClassesCaseAndTrim) {
  EXPECT_EQ(Take(ToLowerCaseCopy("AbC-1")), "abc-1");
  EXPECT_EQ(Take(ToUpperCaseCopy("AbC-1\xE4")), "ABC-1\xE4");
  EXPECT_EQ(Take(KeepLetters("a1-B2_c")), "aBc");
  EXPECT_EQ(Take(KeepLettersAndDigits("a1-B2_c")), "a1B2c");
  EXPECT_EQ(Take(RemoveLettersAndDigits("a1-B2_c")), "-_");
  EXPECT_EQ(ToLowerCaseCopy(nullptr), nullptr);

  struct Case {
    const char *s;
    char ch;
    const char *leading, *trailing, *both;
  } cases[] = {
      {"--a-b--", '-', "a-b--", "--a-b", "a-b"},
      {"x", '-', "x", "x", "x"},  // one character stays itself
      {"abc", ' ', "abc", "abc", "abc"},
      {"---", '-', "", "", ""},
      {"", '-', "<null>", "", "<null>"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(Take(TrimLeadingChar(c.s, c.ch)), c.leading);
    EXPECT_EQ(Take(TrimTrailingChar(c.s, c.ch)), c.trailing);
    EXPECT_EQ(Take(TrimChar(c.s, c.ch)), c.both);
  }
}

TEST(Numbers, Parsers) {
  struct IntCase {
    const char *s;
    int64_t value;
  } ints[] = {{"12", 12}, {"-12", -12}, {"+7", 7}, {"12a", 0}, {"", 0}, {"-", 0}, {"0", 0}};
  for (const IntCase &c : ints) {
    SCOPED_TRACE(c.s);
    EXPECT_EQ(ParseInteger(c.s), c.value);
    EXPECT_EQ(ParseLongLong(c.s), c.value);
  }
  EXPECT_EQ(ParseLongLong("9000000000"), 9000000000LL);
  EXPECT_EQ(ParseInteger(nullptr), 0);

  struct RealCase {
    const char *s;
    double parse, real;
  } reals[] = {{"-1.5", -1.5, 0}, {"1e3", 0, 0},     {"2.25", 2.25, 2.25},
               {"10", 10, 10},    {"x.5", 0, 0},     {"3.", 3, 3}};
  for (const RealCase &c : reals) {
    SCOPED_TRACE(c.s);
    EXPECT_DOUBLE_EQ(ParseDouble(c.s), c.parse);
    EXPECT_DOUBLE_EQ(ConvertToRealFromString(c.s), c.real);
  }
  EXPECT_DOUBLE_EQ(ConvertToRealFromString("0.1234567891"), 0.123456789);

  EXPECT_TRUE(IsIntegerString("", 0));
  EXPECT_TRUE(IsIntegerString("-42", 3));
  EXPECT_FALSE(IsIntegerString("4-2", 3));
  EXPECT_FALSE(IsIntegerString("+", 1));
  EXPECT_TRUE(IsDecimalString("3.14", 4));
  EXPECT_FALSE(IsDecimalString("3.1.4", 5));
  EXPECT_FALSE(IsDecimalString("3,1", 3));
  EXPECT_EQ(Power(10, 3), 1000);
  EXPECT_EQ(Power(2, 0), 1);
  EXPECT_EQ(Power(2, -3), 1);
}

TEST(Numbers, BigEndianBytes) {
  const unsigned char ff[] = {0xFF};
  const unsigned char zeroff[] = {0x00, 0xFF};
  const unsigned char five[] = {1, 2, 3, 4, 5};
  const unsigned char four[] = {0x80, 0, 0, 1};
  EXPECT_EQ(ConvertToInteger(ff, 1), -1);
  EXPECT_EQ(ConvertToInteger(zeroff, 2), 255);
  EXPECT_EQ(ConvertToInteger(five, 5), -1);
  EXPECT_EQ(ConvertToInteger(four, 4), INT32_MIN + 1);
  EXPECT_EQ(ConvertToUnsignedInteger(ff, 1), 255u);
  EXPECT_EQ(ConvertToUnsignedInteger(four, 4), 0x80000001u);
}

TEST(Numbers, DecimalTexts) {
  struct Case {
    int32_t value;
    const char *text;
  } cases[] = {{0, "0"}, {7, "7"}, {-7, "-7"}, {1234567, "1234567"},
               {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"}};
  for (const Case &c : cases) {
    EXPECT_EQ(Take(ConvertToStringFromInteger(&c.value)), c.text);
    size_t len = 0;
    EXPECT_EQ(Take(ToString(&c.value, &len, 0)), c.text);
    EXPECT_EQ(len, std::strlen(c.text));
  }
  uint32_t big = UINT32_MAX;
  size_t len = 0;
  EXPECT_EQ(Take(ConvertToStringFromUnsignedInteger(&big, &len)), "4294967295");
  EXPECT_EQ(len, 10u);
  int yes = 5, no = 0;
  EXPECT_EQ(Take(ToString(&yes, nullptr, 1)), "TRUE");
  EXPECT_EQ(Take(ToString(&no, nullptr, 1)), "FALSE");
  EXPECT_EQ(ToString(&yes, nullptr, 2), nullptr);
}

TEST(Numbers, Hexadecimal) {
  EXPECT_EQ(GetHexValue('7'), 7);
  EXPECT_EQ(GetHexValue('b'), 11);
  EXPECT_EQ(GetHexValue('F'), 15);
  EXPECT_EQ(GetHexValue('g'), 'g');
  EXPECT_EQ(ConvertToDecimalFromHexa('g'), 0);
  EXPECT_EQ(ConvertToDecimalFromHexa('A'), 10);

  char buf[] = "0aFF7e";
  ASSERT_EQ(ConvertToHexValue(buf, 6), 3u);
  EXPECT_EQ(static_cast<unsigned char>(buf[0]), 0x0A);
  EXPECT_EQ(static_cast<unsigned char>(buf[1]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(buf[2]), 0x7E);

  const unsigned char bytes[] = {0xA5, 0x0F};
  unsigned char out[4];
  ConvertToStringFromHex(out, bytes, 2);
  EXPECT_EQ(out[0], 0xA);
  EXPECT_EQ(out[1], 0x5);
  EXPECT_EQ(out[2], 0x0);
  EXPECT_EQ(out[3], 0xF);
}

TEST(System, ScramblingAndDirectories) {
  struct Case {
    int key;
    unsigned char mask;
  } cases[] = {{250, 4}, {10, 19}, {0, 9}, {246, 255}, {247, 1}, {500, 254}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.key);
    unsigned char buf[] = {0x00, 0x41, 0xFF};
    EXPECT_EQ(EncryptDecryptKey(buf, 3, c.key), 3);
    EXPECT_EQ(buf[0], c.mask);
    EXPECT_EQ(buf[1], 0x41 ^ c.mask);
    EncryptDecryptKey(buf, 3, c.key);
    EXPECT_EQ(buf[2], 0xFF);
  }
  EXPECT_TRUE(IsDirectory(OVR_TEST_SOURCE_DIR));
  EXPECT_FALSE(IsDirectory(OVR_TEST_SOURCE_DIR "/strings_test.cpp"));
  EXPECT_FALSE(IsDirectory(OVR_TEST_SOURCE_DIR "/missing"));
  EXPECT_FALSE(IsDirectory(nullptr));
}

TEST(Bytes, FindAndCompare) {
  const char data[] = "abc\0def";
  EXPECT_EQ(FindByte(data, 'd', sizeof data), data + 4);
  EXPECT_EQ(FindByte(data, 'd', 3), nullptr);
  const char *s = "abc";
  EXPECT_EQ(SearchChar(s, 'c'), s + 2);
  EXPECT_EQ(SearchChar(s, '\0'), s + 3);
  EXPECT_EQ(SearchChar(s, 'x'), nullptr);
  const char *kv = "key=val;x";
  EXPECT_EQ(FindAnyChar(kv, ";="), kv + 3);
  EXPECT_EQ(FindAnyChar(kv, "#"), nullptr);
  EXPECT_EQ(SpanOfChars("123abc", "0123456789"), 3u);
  EXPECT_TRUE(StartsWithBytes("abcdef", 6, "abc", 3));
  EXPECT_FALSE(StartsWithBytes("ab", 2, "abc", 3));
  EXPECT_EQ(CompareBytes(nullptr, nullptr, 3), 0);
  EXPECT_EQ(CompareBytes(nullptr, "a", 1), -1);
  EXPECT_EQ(CompareBytes("a\x80", "a\x01", 2), 1);  // bytes compare unsigned
  char fill[4];
  FillBytes(fill, 'z', 3);
  fill[3] = 0;
  EXPECT_STREQ(fill, "zzz");
}

}  // namespace
