// Allocation copies and the strict integer parser.
#include <corbel/log.h>
#include <corbel/primitives.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/common/temp_dir.h"

namespace {

TEST(ConvertToIntegerFromString, AcceptsOnlySignedDecimalText) {
  struct Case {
    const char *text;
    int value;
  };
  const Case cases[] = {
      {"+42", 42},
      {"-42", -42},
      {"4x", -1},
      {"", 0},
      {"0", 0},
      {"007", 7},
      {"32", 32},
      {"64", 64},
      {"abc", -1},
      {" 1", -1},
      {"1 ", -1},
      {"+-1", -1},
      {"1-", -1},
      {"--1", -1},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      {"2147483648", -1},
      {"99999999999999999999", -1},
      {"-", 0},
      {"0x10", -1},
      {"1.5", -1},
  };
  for (const Case &c : cases)
    EXPECT_EQ(ConvertToIntegerFromString(c.text), c.value) << '"' << c.text << '"';
  EXPECT_EQ(ConvertToIntegerFromString(nullptr), -1);
}

TEST(AllocateBytesCopy, CopiesEmbeddedZerosAndTerminates) {
  const char src[] = {'a', '\0', 'b'};
  char *copy = nullptr;
  ASSERT_EQ(AllocateBytesCopy(&copy, src, 3), CORBEL_STATUS_SUCCESS);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::memcmp(copy, "a\0b\0", 4), 0);
  std::free(copy);

  char *empty = nullptr;
  ASSERT_EQ(AllocateBytesCopy(&empty, nullptr, 0), CORBEL_STATUS_SUCCESS);
  EXPECT_STREQ(empty, "");
  std::free(empty);
}

TEST(AllocateBytesCopy, ImpossibleSizeReportsNoMemoryAndLogs) {
  ovr::testing::TempDir tmp;
  ASSERT_TRUE(InitLog());
  ASSERT_TRUE(SetLogConfig("p.log", tmp.path().c_str(), 0, nullptr, 3));
  ASSERT_TRUE(OpenLogFile());
  char *target = reinterpret_cast<char *>(&tmp);  // must be overwritten with NULL
  EXPECT_EQ(AllocateBytesCopy(&target, "x", SIZE_MAX), CORBEL_STATUS_NO_MEMORY);
  EXPECT_EQ(target, nullptr);
  CloseLogFile();
  ReleaseLogSettings();
  std::string body = ovr::testing::StripLogPrefixes(ovr::testing::ReadFile(tmp / "p.log"));
  EXPECT_NE(body.find("[ERROR] Unable to allocate memory\n"), std::string::npos) << body;
  EXPECT_EQ(AllocateBytesCopy(nullptr, "x", 1), CORBEL_STATUS_NO_MEMORY);
}

TEST(AllocateStringCopy, CopiesWholeString) {
  char *copy = nullptr;
  ASSERT_EQ(AllocateStringCopy(&copy, "notepad++"), CORBEL_STATUS_SUCCESS);
  EXPECT_STREQ(copy, "notepad++");
  std::free(copy);
  ASSERT_EQ(AllocateStringCopy(&copy, nullptr), CORBEL_STATUS_SUCCESS);
  EXPECT_EQ(copy, nullptr);
}

TEST(ReallocateAndSetString, ReplacesAndFreesTheOldString) {
  char *text = nullptr;
  ASSERT_EQ(AllocateStringCopy(&text, "old value"), CORBEL_STATUS_SUCCESS);
  // The sanitizer build reports the old string if it leaks.
  ASSERT_EQ(ReallocateAndSetString(&text, "new", 3), CORBEL_STATUS_SUCCESS);
  EXPECT_STREQ(text, "new");
  // A part of the string it replaces is a valid source.
  std::free(text);
  ASSERT_EQ(AllocateStringCopy(&text, "prefix-tail"), CORBEL_STATUS_SUCCESS);
  char *old = text;
  ASSERT_EQ(ReallocateAndSetString(&text, old + 7, 4), CORBEL_STATUS_SUCCESS);
  EXPECT_STREQ(text, "tail");
  std::free(text);
}

}  // namespace
