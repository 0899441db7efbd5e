// The registry helpers as the handler calls them: what they store, return and log.
#include <gtest/gtest.h>

#include <string>

#include "support/registry.h"
#include "tests/platform/registry_backend.h"
#include "tests/support/support_log.h"

namespace {

using namespace ovr;
using platform::kRegDword;

class RegistryHelpersTest : public ::testing::Test {
 protected:
  ovr::testing::RegistryBackend backend;
  ovr::testing::CapturedLog log;
  static constexpr RegRoot kHklm = RegRoot::LocalMachine;
};

struct WriteCase {
  bool ex;
  const char *name;
  const char *data;
  uint32_t type;
  std::string stored;  // the value line in the file
  std::string typeLine;  // the log line of the conversion
};

TEST_F(RegistryHelpersTest, WritesConvertTextToEachType) {
  const WriteCase cases[] = {
      {true, "Items", "a;b^;c", platform::kRegMultiSz,
       "\"Items\"=hex(7):61,00,00,00,62,00,3b,00,63,00,00,00,00,00\n",
       "[DEBUG] writeValueEx:  Data type is REG_MULTI_SZ: 14\n"},
      {true, "Big", "4294967296", platform::kRegQword,
       "\"Big\"=hex(b):00,00,00,00,01,00,00,00\n",
       "[DEBUG] writeValueEx:  REG_QWORD -- sizeOfInputData: 8\n"},
      {true, "Big", "--", platform::kRegQword, "\"Big\"=hex(b):00,00,00,00,00,00,00,00\n",
       "[DEBUG] writeValueEx:  REG_QWORD -- sizeOfInputData: 8\n"},
      {true, "U", "4294967295", kRegDword, "\"U\"=dword:ffffffff\n",
       "[DEBUG] writeValueEx:  REG_DWORD -- sizeOfInputData: 4\n"},
      {true, "Bin", "ab", platform::kRegBinary, "\"Bin\"=hex:61,62,00\n",
       "[DEBUG] writeValueEx:  Data type is REG_BINARY: 3\n"},
      {false, "S", "-12x", kRegDword, "\"S\"=dword:fffffff4\n",
       "[DEBUG] writeValue:  REG_DWORD -- sizeOfInputData: 4\n"},
      {false, "--", "Caf\xc3\xa9", platform::kRegSz, "@=\"Caf\xc3\xa9\"\n",
       "[DEBUG] writeValue:  Data type is REG_SZ or REG_EXPAND_SZ or REG_BINARY: 10\n"},
      {false, "M", "a;b", platform::kRegMultiSz, "\"M\"=hex(7):61,00,3b,00,62,00,00,00,00,00\n",
       "[DEBUG] writeValue:  Data type is REG_MULTI_SZ: 10\n"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.data);
    uint32_t code = c.ex ? writeValueEx(kHklm, "SOFTWARE\\T", c.name, c.data, c.type)
                         : writeValue(kHklm, "SOFTWARE\\T", c.name, c.data, c.type);
    EXPECT_EQ(code, 0u);
    EXPECT_NE(backend.Exported().find(c.stored), std::string::npos) << backend.Exported();
    EXPECT_NE(log.Take().find(c.typeLine), std::string::npos);
  }
}

TEST_F(RegistryHelpersTest, DefaultNameAndEmptyDataLogTheirSteps) {
  ASSERT_EQ(writeValue(kHklm, "SOFTWARE\\D", "--", "--", kRegDword), 0u);
  EXPECT_NE(backend.Exported().find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\D]\n@=dword:00000000\n"),
            std::string::npos)
      << backend.Exported();
  EXPECT_EQ(log.Take(),
            "[DEBUG] @@@@@@@@ Inside writeValue Method @@@@@@@@ \n"
            "[DEBUG] writeValue: Subkey : SOFTWARE\\D \n"
            "[DEBUG] writeValue: Value Name: -- \n"
            "[DEBUG] writeValue: Value Data: -- \n"
            "[DEBUG] UTF String Received:--\n"
            "[DEBUG] UTF String Received:--\n"
            "[INFO] writeValue : going to add the (default) value .\n"
            "[INFO] writeValue : going to add the value data as 0 value .\n"
            "[DEBUG] writeValue:  REG_DWORD -- sizeOfInputData: 4\n"
            "[DEBUG] addRegistryKey: Inside addRegistryKey method ...... \n"
            "[DEBUG] addRegistryKey:  Create registry key function successfull: 1 \n"
            "[DEBUG] writeValue:  Key found ...!: 0\n"
            "[DEBUG] writeValue:  After addRegistryKey method in writeValue method!!\n"
            "[INFO] Message : The operation completed successfully.  \n"
            "[DEBUG] @@@@@@@@ End Of writeValue Method @@@@@@@@ \n");
  ASSERT_EQ(addRegistryKeyEx(kHklm, "SOFTWARE\\D"), 0u);
  EXPECT_EQ(log.Take(),
            "[DEBUG] addRegistryKeyEx: Inside addRegistryKey method ...... \n"
            "[DEBUG] addRegistryKeyEx:  Opened already existing key! \n");
}

TEST_F(RegistryHelpersTest, MissingNameOrDataTouchesNothing) {
  EXPECT_EQ(writeValue(kHklm, "SOFTWARE\\E", "v", nullptr, kRegDword), 13u);
  EXPECT_EQ(writeValueEx(kHklm, "SOFTWARE\\E", nullptr, "1", kRegDword), 13u);
  EXPECT_EQ(log.Take(),
            "[DEBUG] @@@@@@@@ Inside writeValue Method @@@@@@@@ \n"
            "[INFO] writeValue : Valuename or Valuedata is Empty \n"
            "[DEBUG] @@@@@@@@ Inside writeValueEx Method @@@@@@@@ \n"
            "[ERROR] writeValueEx : Valuename or Valuedata is Empty \n");
  std::string exported = backend.Exported();
  EXPECT_EQ(exported.find("SOFTWARE"), std::string::npos) << exported;
}

TEST_F(RegistryHelpersTest, ReadsOfMissingKeysAndValues) {
  uint32_t dword = 7;
  EXPECT_EQ(ReadDwordRegistryData(kHklm, "System\\Power", "HibernateEnabled", dword), 2u);
  EXPECT_EQ(dword, 7u);
  EXPECT_EQ(log.Take(), "[DEBUG] ReadDwordRegistryData:  value  HibernateEnabled Not found: 2 \n");
  std::optional<std::string> text = "old";
  EXPECT_EQ(ReadRegSZ(kHklm, "SOFTWARE\\A", "v", text), 2u);
  EXPECT_FALSE(text);
  EXPECT_EQ(log.Take(),
            "[ERROR] ReadRegSZ: Error while opening registry key SOFTWARE\\A ,and the error is  2 \n");
  ASSERT_EQ(addRegistryKey(kHklm, "SOFTWARE\\A"), 0u);
  log.Take();
  EXPECT_EQ(ReadRegSZ(kHklm, "SOFTWARE\\A", "v", text), 2u);
  EXPECT_FALSE(text);
  EXPECT_EQ(ReadRegSZEx(kHklm, "SOFTWARE\\Missing", "v", text), 2u);
  EXPECT_EQ(log.Take(),
            "[ERROR] ReadRegSZEx: Error while opening registry key for serverName 2 \n");
}

TEST_F(RegistryHelpersTest, ReadsReturnStoredValuesInTheirView) {
  ASSERT_EQ(writeValueEx(kHklm, "System\\Power", "HibernateEnabled", "1", kRegDword), 0u);
  ASSERT_EQ(writeValue(kHklm, "Software\\Velmora", "OVAgentVersion", "11.0", platform::kRegSz),
            0u);
  uint32_t dword = 0;
  EXPECT_EQ(ReadDwordRegistryData(kHklm, "System\\Power", "hibernateenabled", dword), 0u);
  EXPECT_EQ(dword, 1u);
  std::optional<std::string> text;
  EXPECT_EQ(ReadRegSZ(kHklm, "SOFTWARE\\VELMORA", "OVAgentVersion", text), 0u);
  EXPECT_EQ(text, "11.0");
  // The 64-bit view does not see what the 32-bit program wrote; the flag switches the Ex reads.
  useRegistryView64 = true;
  EXPECT_EQ(ReadRegSZEx(kHklm, "Software\\Velmora", "OVAgentVersion", text), 2u);
  EXPECT_EQ(ReadRegSZ(kHklm, "Software\\Velmora", "OVAgentVersion", text), 0u);
  useRegistryView64 = false;
  EXPECT_EQ(ReadRegSZEx(kHklm, "Software\\Velmora", "OVAgentVersion", text), 0u);
}

TEST(RegistryHelpers, ParseDecimal64AndMakeMultiString) {
  EXPECT_EQ(ParseDecimal64("4294967296"), 4294967296u);
  EXPECT_EQ(ParseDecimal64("18446744073709551617"), 1u);  // wraps
  EXPECT_EQ(ParseDecimal64("-1"), static_cast<uint64_t>(-30 + 1));  // no sign: '-' counts as -3
  uint32_t bytes = 0;
  EXPECT_EQ(MakeMultiString(u"a;b^;c", bytes), std::u16string(u"a\0b;c\0\0", 7));
  EXPECT_EQ(bytes, 14u);
  EXPECT_EQ(MakeMultiString(u"x^^y;^", bytes), std::u16string(u"x^y\0\0\0", 6));
  EXPECT_EQ(bytes, 12u);
}

}  // namespace
