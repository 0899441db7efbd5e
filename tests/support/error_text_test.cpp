// Error texts and the UTF-8/wide conversions, with their log lines.
#include <gtest/gtest.h>

#include <string>

#include "support/error_text.h"
#include "tests/support/support_log.h"

namespace {

using namespace ovr;

TEST(ErrorText, DescriptionsComeFromTheSystemThenTheTable) {
  ovr::testing::CapturedLog log;
  struct Case {
    uint32_t code;
    std::string text;
    std::string line;
  };
  const Case cases[] = {
      {0, "The operation completed successfully. ",
       "[INFO] Message : The operation completed successfully.  \n"},
      {20001, "Patch update delayed since application is used by another process",
       "[ERROR] Error Code : 20001 , Error Message : Patch update delayed since application is "
       "used by another process \n"},
      {3010,
       "The requested operation is successful. Changes will not be effective until the system "
       "is rebooted. ",
       "[ERROR] Error Code : 3010 , Error Message : The requested operation is successful. "
       "Changes will not be effective until the system is rebooted.  \n"},
      {17022, "Unknown Error. Code : 17022",
       "[ERROR] Error Code : 17022 , Error Message : Unknown Error. Code : 17022 \n"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(GetErrorDescription(c.code), c.text);
    EXPECT_EQ(log.Take(), c.line);
  }
  EXPECT_EQ(GetKnownErrorText(2359302),
            "Patch already Installed and the changes will not be effective until the system is "
            "rebooted.");
  EXPECT_EQ(GetSystemErrorText(258), "The wait operation timed out.");
  EXPECT_EQ(log.Take(), "[ERROR] Error Code : 258 , Error Message : The wait operation timed out. \n");
  EXPECT_EQ(GetSystemErrorText(20001), "Unknown Error");
  EXPECT_EQ(GetSystemErrorText(0), "The operation completed successfully.");
  EXPECT_EQ(log.Take(),
            "[ERROR] Error Code : 20001 , Error Message : Unknown Error \n"
            "[INFO] Message : The operation completed successfully. \n");
}

TEST(ErrorText, ConversionsRefuseMalformedText) {
  ovr::testing::CapturedLog log;
  std::u16string wide;
  EXPECT_TRUE(ChangeUtf8ToWideStr("\xc3\xa9", wide));
  EXPECT_EQ(wide, u"\u00e9");
  EXPECT_EQ(log.Take(), "[DEBUG] UTF String Received:\xc3\xa9\n");
  EXPECT_FALSE(ChangeUtf8ToWideStr(nullptr, wide));
  EXPECT_EQ(log.Take(), "[ERROR] ChangeUtf8ToWideStr: utf8 is empty! \n");
  EXPECT_FALSE(ChangeUtf8ToWideStr("ab\xff", wide));
  EXPECT_EQ(wide, u"ab");
  EXPECT_EQ(log.Take(),
            "[DEBUG] UTF String Received:ab\xff\n"
            "[ERROR]  Error Message: No mapping for the Unicode character exists in the target "
            "multi-byte code page. \n");
  std::string utf8;
  EXPECT_TRUE(ChangeWideToUtf8Str(u"Caf\u00e9 \u2713", utf8));
  EXPECT_EQ(utf8, "Caf\xc3\xa9 \xe2\x9c\x93");
  EXPECT_FALSE(ChangeWideToUtf8Str(std::u16string(1, u'\xd800'), utf8));
}

}  // namespace
