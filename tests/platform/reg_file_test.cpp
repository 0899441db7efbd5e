// The .reg text format: every value form read and written back unchanged, regedit's own
// exports, and files that must be refused with the line of the fault.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/portable/reg_file.h"
#include "platform/unicode.h"
#include "tests/common/temp_dir.h"

namespace {

using namespace ovr::platform;
using namespace ovr::platform::regstore;
using namespace std::string_literals;

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";
const std::string kKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\n";

std::string Data(const std::string &file) {
  return ovr::testing::ReadFile(std::string(OVR_TEST_SOURCE_DIR) + "/data/" + file);
}

// The UTF-16LE export as UTF-8 text with "\n" line ends.
std::string DecodedExport(const std::string &bytes) {
  std::u16string wide;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
    wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  std::string text;
  EXPECT_EQ(Utf16ToUtf8(wide, text), 0u);
  std::string out;
  for (char c : text) {
    if (c != '\r') out += c;
  }
  return out;
}

const Value *Find(Tree &tree, const std::string &path, const std::string &name) {
  Key *key = tree.Find(RegRoot::LocalMachine, SplitKeyPath(path));
  return key ? key->FindValue(name) : nullptr;
}

struct FormCase {
  std::string line;            // the value line(s) as written
  uint32_t type;
  std::vector<uint8_t> bytes;  // stored data
};

TEST(RegFileTest, EveryValueFormReadsAndWritesBackUnchanged) {
  std::vector<uint8_t> long40(40, 0xab);
  std::string long40Line =
      "\"v\"=hex:ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,\\\n"
      "  ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab,ab\n";
  const FormCase cases[] = {
      {"\"v\"=\"plain\"\n", kRegSz, {'p', 0, 'l', 0, 'a', 0, 'i', 0, 'n', 0, 0, 0}},
      {"\"v\"=\"\"\n", kRegSz, {0, 0}},
      {"@=\"C:\\\\Dir \\\"q\\\"\"\n", kRegSz, {'C', 0, ':', 0, '\\', 0, 'D', 0, 'i', 0, 'r', 0,
                                             ' ', 0, '"', 0, 'q', 0, '"', 0, 0, 0}},
      {"\"a \\\"b\\\" \\\\ c\"=dword:0000002a\n", kRegDword, {0x2a, 0, 0, 0}},
      {"\"v\"=dword:ffffffff\n", kRegDword, {0xff, 0xff, 0xff, 0xff}},
      {"\"v\"=hex:\n", kRegBinary, {}},
      {"\"v\"=hex:00,01,ff\n", kRegBinary, {0, 1, 0xff}},
      {"\"v\"=hex(2):25,00,41,00,00,00\n", kRegExpandSz, {0x25, 0, 0x41, 0, 0, 0}},
      {"\"v\"=hex(7):61,00,00,00,62,00,3b,00,63,00,00,00,00,00\n", kRegMultiSz,
       {'a', 0, 0, 0, 'b', 0, ';', 0, 'c', 0, 0, 0, 0, 0}},
      {"\"v\"=hex(b):00,00,00,00,01,00,00,00\n", kRegQword, {0, 0, 0, 0, 1, 0, 0, 0}},
      {"\"v\"=hex(0):\n", kRegNone, {}},
      {"\"v\"=hex(4):01,02\n", kRegDword, {1, 2}},  // a DWORD of the wrong size stays as it is
      {"\"v\"=hex(1):61,00\n", kRegSz, {'a', 0}},   // text without terminator
      {"\"v\"=hex(1):61,00,0a,00,00,00\n", kRegSz, {'a', 0, '\n', 0, 0, 0}},  // a line break
      {"\"v\"=hex(100):ff\n", 0x100, {0xff}},
      {long40Line, kRegBinary, long40},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.line);
    std::string text = kHeader + kKey + c.line + "\n";
    Tree tree;
    std::string problem;
    ASSERT_TRUE(ParseRegFile(text, "t.reg", tree, problem)) << problem;
    Key *key = tree.Find(RegRoot::LocalMachine, {"SOFTWARE", "K"});
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->values.size(), 1u);
    EXPECT_EQ(key->values[0].type, c.type);
    EXPECT_EQ(key->values[0].data, c.bytes);
    EXPECT_EQ(WriteRegFile(tree), text);
  }
}

TEST(RegFileTest, LenientSpellingsAreRead) {
  // A UTF-8 byte-order mark, CRLF line ends, blanks around hex bytes and comments.
  std::string text = "\xEF\xBB\xBF" "Windows Registry Editor Version 5.00\r\n\r\n; comment\r\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\K]\r\n\"v\"=hex: 0A , b,\\\r\n   c \r\n"
                     "\"d\"=dword:1\r\n";
  Tree tree;
  std::string problem;
  ASSERT_TRUE(ParseRegFile(text, "t.reg", tree, problem)) << problem;
  EXPECT_EQ(Find(tree, "SOFTWARE\\K", "v")->data, (std::vector<uint8_t>{0x0a, 0x0b, 0x0c}));
  EXPECT_EQ(Find(tree, "SOFTWARE\\K", "D")->data, (std::vector<uint8_t>{1, 0, 0, 0}));
  // An empty or blank file is an empty registry.
  EXPECT_TRUE(ParseRegFile("", "t.reg", tree, problem));
  EXPECT_TRUE(ParseRegFile("\n \r\n", "t.reg", tree, problem));
}

TEST(RegFileTest, RegeditExportsReadAndWriteBackAsExported) {
  for (const char *file : {"agent.reg", "uninstall.reg", "power.reg"}) {
    SCOPED_TRACE(file);
    std::string bytes = Data(file);
    Tree tree;
    std::string problem;
    ASSERT_TRUE(ParseRegFile(bytes, file, tree, problem)) << problem;
    EXPECT_EQ(WriteRegFile(tree), DecodedExport(bytes));
  }
  Tree tree;
  std::string problem;
  ASSERT_TRUE(ParseRegFile(Data("agent.reg"), "agent.reg", tree, problem));
  const std::string settings = "SOFTWARE\\Wow6432Node\\Velmora\\Orvanta\\OVAgent\\Settings";
  std::u16string items = u"a\0b;c\0last item\0\0"s;
  const Value *v = Find(tree, settings, "Items");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->type, kRegMultiSz);
  EXPECT_EQ(v->data.size(), items.size() * 2);
  EXPECT_EQ(Find(tree, settings, "Long")->data.size(), 120u);
  ASSERT_TRUE(ParseRegFile(Data("uninstall.reg"), "uninstall.reg", tree, problem));
  v = Find(tree,
           "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\u00dcn\u00efc"
           "\u00f6d\u00e9",
           "DisplayName");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->data, (std::vector<uint8_t>{'C', 0, 'a', 0, 'f', 0, 0xe9, 0, ' ', 0, 0x13, 0x27,
                                           0, 0}));
}

TEST(RegFileTest, HostileFilesAreRefusedWithTheLineOfTheFault) {
  const std::string h = "Windows Registry Editor Version 5.00\n\n";
  struct Case {
    std::string text;
    std::string problem;
  };
  const Case cases[] = {
      {"REGEDIT4\n", "t.reg:1: not a registry file"},
      {h + "[HKEY_LOCAL_MACHINE\\SOFTWARE\n", "t.reg:3: key line without closing \"]\""},
      {h + "\"v\"=\"x\"\n", "t.reg:3: value before any key"},
      {h + kKey + "\"v\"=hex:0g\n", "t.reg:4: bad hex byte \"0g\""},
      {h + kKey + "\"v\"=hex:01,\\\n  02,zz\n", "t.reg:5: bad hex byte \"zz\""},
      {h + kKey + "\"v\"=hex:01,\\\n", "t.reg:4: value continues past the end of the file"},
      {h + kKey + "\"v\"=hex:01,\n", "t.reg:4: hex data ends with a comma"},
      {h + kKey + "\"v\"=hex(zz):01\n", "t.reg:4: bad value type"},
      {h + kKey + "\"v\"=dword:123456789\n", "t.reg:4: bad dword data"},
      {h + kKey + "\"v\"=\"open\n", "t.reg:4: text without closing quote"},
      {h + kKey + "\"v\"=\"a\" junk\n", "t.reg:4: text after the closing quote"},
      {h + kKey + "\"v\"=\"a\\tb\"\n", "t.reg:4: unknown escape \"\\t\""},
      {h + kKey + "\"v\"\n", "t.reg:4: \"=\" missing after the name"},
      {h + kKey + "\"v\"=-\n", "t.reg:4: value deletion lines are not supported"},
      {h + "[-HKEY_LOCAL_MACHINE\\X]\n", "t.reg:3: key deletion lines are not supported"},
      {h + "[HKEY_NOWHERE\\X]\n", "t.reg:3: unknown root key \"HKEY_NOWHERE\""},
      {h + "[HKEY_LOCAL_MACHINE\\A\\\\B]\n", "t.reg:3: empty key name"},
      {h + kKey + "garbage\n", "t.reg:4: unexpected text \"garbage\""},
      {h + kKey + "\"v\"=\xff\xfe\x00junk\n", "t.reg:4: malformed UTF-8 text"},
      {h + "\n\nx\0y\n"s, "t.reg:5: NUL character in the text"},
      {"\xff\xfeW\0i\0n\0\n\0\0\xd8"s, "t.reg:2: malformed UTF-16 text"},
      {"\xff\xfeW\0i\0n\0\n\0x"s, "t.reg:2: truncated UTF-16 text"},
      {"\xfe\xff\0W"s, "t.reg:1: big-endian UTF-16 is not supported"},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.text);
    Tree tree;
    bool created;
    tree.Create(RegRoot::LocalMachine, {"Old"}, created);
    std::string problem;
    EXPECT_FALSE(ParseRegFile(c.text, "t.reg", tree, problem));
    EXPECT_EQ(problem.substr(0, c.problem.size()), c.problem) << problem;
    EXPECT_EQ(WriteRegFile(tree), kHeader) << "a refused file leaves no keys behind";
  }
}

}  // namespace
