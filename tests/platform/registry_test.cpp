// The registry calls: views, names without regard to case, deletion, the value buffer
// rules and access rights, as the handler relies on them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/registry.h"
#include "tests/platform/registry_backend.h"

namespace {

using namespace ovr::platform;
using ovr::testing::RegistryBackend;
using namespace std::string_literals;

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

std::vector<uint8_t> Wide(const std::u16string &text) {
  std::vector<uint8_t> out;
  for (char16_t c : text) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

uint32_t Create(RegRoot root, const char *path, uint32_t access, bool *created = nullptr) {
  RegKey key;
  return CreateRegistryKey(root, path, kKeyAllAccess | access, key, created);
}

uint32_t SetString(const char *path, const std::u16string &name, const std::u16string &text,
                   uint32_t view = 0) {
  RegKey key;
  if (uint32_t code = CreateRegistryKey(RegRoot::LocalMachine, path, kKeyAllAccess | view, key,
                                        nullptr)) {
    return code;
  }
  auto data = Wide(text + u'\0');
  return SetRegistryValueWide(key, name, kRegSz, data.data(), static_cast<uint32_t>(data.size()));
}

class RegistryTest : public ::testing::Test {
 protected:
  RegistryBackend backend;
};

TEST_F(RegistryTest, ViewsPlaceKeysAsA32BitProgramSeesThem) {
  struct Case {
    RegRoot root;
    const char *path;
    uint32_t view;
    const char *stored;  // the key line in the file
  };
  const Case cases[] = {
      {RegRoot::LocalMachine, "SOFTWARE\\A", 0, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\A]"},
      // SOFTWARE keeps the case it was made with.
      {RegRoot::LocalMachine, "Software\\B\\C", kKeyWow64_32Key,
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\B\\C]"},
      {RegRoot::LocalMachine, "SOFTWARE\\D", kKeyWow64_64Key, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\D]"},
      {RegRoot::LocalMachine, "System\\CurrentControlSet\\Control\\Power", 0,
       "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Power]"},
      {RegRoot::LocalMachine, "SOFTWARE\\Wow6432Node\\E", 0,
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\E]"},
      {RegRoot::CurrentUser, "Software\\F", 0, "[HKEY_CURRENT_USER\\Software\\F]"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.path);
    ASSERT_EQ(Create(c.root, c.path, c.view), kErrorSuccess);
    EXPECT_NE(backend.Exported().find(std::string(c.stored) + "\n"), std::string::npos)
        << backend.Exported();
  }
  // Each view finds what it placed and not what the other placed.
  RegKey key;
  EXPECT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\A", kKeyRead, key), kErrorSuccess);
  EXPECT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\A", kKeyRead | kKeyWow64_64Key, key),
            kErrorFileNotFound);
  EXPECT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\D", kKeyRead, key),
            kErrorFileNotFound);
  EXPECT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\Wow6432Node\\A",
                            kKeyRead | kKeyWow64_64Key, key),
            kErrorSuccess);
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheirCase) {
  bool created = false;
  ASSERT_EQ(Create(RegRoot::LocalMachine, "SOFTWARE\\Velmora\\AppDetection\\SKYPE", 0, &created),
            kErrorSuccess);
  EXPECT_TRUE(created);
  ASSERT_EQ(Create(RegRoot::LocalMachine, "software\\VELMORA\\appdetection\\skype", 0, &created),
            kErrorSuccess);
  EXPECT_FALSE(created);
  ASSERT_EQ(SetString("SOFTWARE\\Velmora", u"DisplayName", u"Caf\u00e9"), kErrorSuccess);
  ASSERT_EQ(SetString("SOFTWARE\\Velmora", u"DISPLAYNAME", u"Two"), kErrorSuccess);
  ASSERT_EQ(SetString("SOFTWARE\\\u00dcn\u00efc\u00f6d\u00e9", u"x", u"y"), kErrorSuccess);

  RegKey key;
  ASSERT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\velmora", kKeyRead, key),
            kErrorSuccess);
  std::string name;
  ASSERT_EQ(EnumRegistryValue(key, 0, name, nullptr), kErrorSuccess);
  EXPECT_EQ(name, "DisplayName");
  EXPECT_EQ(EnumRegistryValue(key, 1, name, nullptr), kErrorNoMoreItems);
  char text[16];
  uint32_t size = sizeof text;
  ASSERT_EQ(QueryRegistryValue(key, "displayname", nullptr, reinterpret_cast<uint8_t *>(text),
                               &size),
            kErrorSuccess);
  EXPECT_STREQ(text, "Two");
  ASSERT_EQ(EnumRegistrySubKey(key, 0, name), kErrorSuccess);
  EXPECT_EQ(name, "AppDetection");
  EXPECT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\\u00fcN\u00cfC\u00d6D\u00c9",
                            kKeyRead, key),
            kErrorSuccess);
  std::string file = backend.Exported();
  EXPECT_NE(file.find("\\AppDetection\\SKYPE]\n"), std::string::npos) << file;
  EXPECT_NE(file.find("\"DisplayName\"=\"Two\"\n"), std::string::npos) << file;
}

TEST_F(RegistryTest, SubkeysComeInNameOrderWithoutRegardToCase) {
  for (const char *name : {"b", "C", "A", "a2"}) {
    ASSERT_EQ(Create(RegRoot::LocalMachine, (std::string("SOFTWARE\\List\\") + name).c_str(), 0),
              kErrorSuccess);
  }
  RegKey key;
  ASSERT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\List", kKeyRead, key),
            kErrorSuccess);
  std::vector<std::string> names;
  std::string name;
  uint32_t index = 0;
  while (EnumRegistrySubKey(key, index++, name) == kErrorSuccess) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"A", "a2", "b", "C"}));
}

TEST_F(RegistryTest, DeletingAKeyNeedsItWithoutSubkeys) {
  ASSERT_EQ(Create(RegRoot::LocalMachine, "SOFTWARE\\Uninstall\\HipChat\\Sub", 0), kErrorSuccess);
  ASSERT_EQ(SetString("SOFTWARE\\Uninstall\\HipChat", u"DisplayName", u"HipChat"), kErrorSuccess);
  EXPECT_EQ(DeleteRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\Uninstall\\HipChat", 0),
            kErrorAccessDenied);
  EXPECT_EQ(DeleteRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\Uninstall\\HipChat\\Sub",
                              kKeyWow64_64Key),
            kErrorFileNotFound);
  EXPECT_EQ(DeleteRegistryKey(RegRoot::LocalMachine, "software\\uninstall\\hipchat\\SUB", 0),
            kErrorSuccess);
  EXPECT_EQ(DeleteRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\Uninstall\\HipChat", 0),
            kErrorSuccess);
  EXPECT_EQ(DeleteRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\Uninstall\\HipChat", 0),
            kErrorFileNotFound);
  // The parent that only led to the deleted key stays, as an empty key.
  EXPECT_EQ(backend.Exported(),
            kHeader + "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node]\n\n"
                      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Uninstall]\n\n");
}

TEST_F(RegistryTest, ValueBuffersFollowTheSystemRules) {
  ASSERT_EQ(SetString("SOFTWARE\\V", u"Text", u"Caf\u00e9"), kErrorSuccess);
  RegKey key;
  ASSERT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\V", kKeyQueryValue, key),
            kErrorSuccess);
  uint32_t type = 0, size = 0;
  // Without a buffer: the size the 8-bit text needs, terminator included.
  ASSERT_EQ(QueryRegistryValue(key, "Text", &type, nullptr, &size), kErrorSuccess);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(size, 6u);
  uint8_t small[3] = {7, 7, 7};
  size = sizeof small;
  EXPECT_EQ(QueryRegistryValue(key, "Text", nullptr, small, &size), kErrorMoreData);
  EXPECT_EQ(size, 6u);
  uint8_t buffer[8] = {};
  size = sizeof buffer;
  ASSERT_EQ(QueryRegistryValue(key, "Text", nullptr, buffer, &size), kErrorSuccess);
  EXPECT_EQ(std::string(reinterpret_cast<char *>(buffer), size),
            std::string("Caf\xc3\xa9\0", 6));
  // The wide call gives the data as stored.
  size = sizeof buffer;
  uint8_t wide[16];
  size = sizeof wide;
  ASSERT_EQ(QueryRegistryValueWide(key, u"text", nullptr, wide, &size), kErrorSuccess);
  EXPECT_EQ(std::vector<uint8_t>(wide, wide + size), Wide(u"Caf\u00e9\0"s));
  EXPECT_EQ(QueryRegistryValue(key, "Missing", nullptr, nullptr, &size), kErrorFileNotFound);
}

TEST_F(RegistryTest, AKeyOpenedForReadingCannotBeWritten) {
  ASSERT_EQ(Create(RegRoot::LocalMachine, "SOFTWARE\\R", 0), kErrorSuccess);
  RegKey key;
  ASSERT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\R", kKeyQueryValue, key),
            kErrorSuccess);
  uint8_t data[4] = {1, 0, 0, 0};
  EXPECT_EQ(SetRegistryValueWide(key, u"v", kRegDword, data, 4), kErrorAccessDenied);
  EXPECT_EQ(LastErrorCode(), kErrorAccessDenied);
  std::string name;
  EXPECT_EQ(EnumRegistrySubKey(key, 0, name), kErrorAccessDenied);
}

TEST_F(RegistryTest, ValuesOfADeletedKeyAreGone) {
  ASSERT_EQ(SetString("SOFTWARE\\Gone", u"v", u"x"), kErrorSuccess);
  RegKey key;
  ASSERT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\Gone", kKeyRead, key),
            kErrorSuccess);
  ASSERT_EQ(DeleteRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\Gone", 0), kErrorSuccess);
  uint32_t size = 0;
  EXPECT_NE(QueryRegistryValue(key, "v", nullptr, nullptr, &size), kErrorSuccess);
  ASSERT_EQ(Create(RegRoot::LocalMachine, "SOFTWARE\\Gone", 0), kErrorSuccess);
  ASSERT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "SOFTWARE\\Gone", kKeyRead, key),
            kErrorSuccess);
  EXPECT_EQ(QueryRegistryValue(key, "v", nullptr, nullptr, &size), kErrorFileNotFound);
}

TEST_F(RegistryTest, ARegeditExportIsReadAsItStands) {
  backend.Load(ovr::testing::ReadFile(std::string(OVR_TEST_SOURCE_DIR) + "/data/agent.reg"));
  RegKey key;
  ASSERT_EQ(OpenRegistryKey(RegRoot::LocalMachine, "Software\\Velmora\\Orvanta\\OVAgent",
                            kKeyQueryValue, key),
            kErrorSuccess);
  char text[64] = {};
  uint32_t size = sizeof text;
  ASSERT_EQ(QueryRegistryValue(key, "OVAgentVersion", nullptr, reinterpret_cast<uint8_t *>(text),
                               &size),
            kErrorSuccess);
  EXPECT_STREQ(text, "11.0.2 \"beta\"");
  size = sizeof text;
  ASSERT_EQ(QueryRegistryValue(key, "", nullptr, reinterpret_cast<uint8_t *>(text), &size),
            kErrorSuccess);
  EXPECT_STREQ(text, "default value");
}

}  // namespace
