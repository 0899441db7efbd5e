// OID and IP values and Counter64.
#include <corbel/oid.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

TEST(Oid, TextToSubIdentifiers) {
  struct Case {
    const char *text;
    bool ip;
    int32_t result;
    std::vector<uint32_t> values;
  } cases[] = {
      {".1.3.6.1", false, 4, {1, 3, 6, 1}},
      {"1.3.6.1", false, -1, {}},  // without the leading dot: more parts than dots
      {"10.0.0.1", true, 4, {10, 0, 0, 1}},
      {"10.0.1", true, 3, {10, 0, 1}},
      {"10", true, -1, {}},
      {"10.00.0.1", true, 4, {10, 0, 0, 1}},  // 00 is 0
      {"10.+0.0.1", true, -1, {}},
      {"10.-5.0.1", true, -1, {}},
      {"10..0.1", true, -1, {}},
      {"10.a.0.1", true, -1, {}},
      {".1.3.", false, -1, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    uint32_t *array = nullptr;
    EXPECT_EQ(ConvertToOidOrIpFromString(&array, c.text, c.ip), c.result);
    if (c.result > 0) {
      ASSERT_NE(array, nullptr);
      EXPECT_EQ(std::vector<uint32_t>(array, array + c.result), c.values);
    } else {
      EXPECT_EQ(array, nullptr);
    }
    std::free(array);
  }
}

TEST(Oid, Checks) {
  struct Case {
    const char *text;
    bool valid;
  } ips[] = {{"0.0.0.0", true},    {"255.255.255.255", true}, {"256.1.1.1", false},
             {"1.2.3", false},     {"1..2.3", false},         {"1.2.3.4.", false},
             {"-5.1.1.1", false},  {".1.2.3", false},         {"1.2.3.00", true},
             {"1.2.3.+0", false},  {"1.2.3.x", false}};
  for (const Case &c : ips)
    EXPECT_EQ(IsValidIPAddress(c.text, static_cast<int32_t>(std::string(c.text).size())), c.valid) << c.text;
  EXPECT_TRUE(IsValidOid(".1.3", 4));
  EXPECT_FALSE(IsValidOid(".1", 2));
  EXPECT_FALSE(IsValidOid("1.3.6", 5));
  EXPECT_EQ(GetOidLength(".1.3.6.1", 8), 4);
  EXPECT_EQ(GetOidLength(".1.3.6.1", 4), 2);
}

TEST(Oid, CompareCopyAndNext) {
  const uint32_t a[] = {1, 3, 6}, b[] = {1, 3, 6, 1}, c[] = {1, 3, 7};
  EXPECT_EQ(CompareOid(a, 3, b, 4), -1);
  EXPECT_EQ(CompareOid(c, 3, b, 4), 1);
  EXPECT_EQ(CompareOid(b, 4, b, 4), 0);
  const uint32_t high[] = {0xFFFFFFFFu}, low[] = {1};
  EXPECT_EQ(CompareOid(high, 1, low, 1), 1);  // unsigned

  uint32_t dst[6] = {};
  CopyOid(dst, b, 4);
  SetNOid(dst, c, 4, 2);
  EXPECT_EQ(std::vector<uint32_t>(dst, dst + 6), (std::vector<uint32_t>{1, 3, 6, 1, 1, 3}));
  EXPECT_EQ(GetNextSubId(3, b, 4), 6u);
  EXPECT_EQ(GetNextSubId(6, b, 4), 0u);

  uint32_t *array = nullptr;
  int32_t count = 0;
  ASSERT_EQ(ReallocateAndSetOID(&array, &count, b, 4), 1);
  EXPECT_EQ(count, 4);
  ASSERT_EQ(ReallocateAndSetOID(&array, &count, a, 3), 1);
  EXPECT_EQ(std::vector<uint32_t>(array, array + 3), (std::vector<uint32_t>{1, 3, 6}));
  std::free(array);
}

TEST(Oid, TextForms) {
  const uint32_t oid[] = {1, 3, 6, 4294967295u};
  char buf[40];
  ASSERT_EQ(ConvertToStringFromOid(oid, 4, buf, sizeof buf), 1);
  EXPECT_STREQ(buf, ".1.3.6.4294967295");
  char small[5];
  EXPECT_EQ(ConvertToStringFromOid(oid, 4, small, sizeof small), 0);  // does not fit

  int32_t bytes = 12;
  char *text = ConvertToStringFromOID(oid, &bytes);
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, ".1.3.6");
  EXPECT_EQ(bytes, 6);
  std::free(text);

  const uint32_t ip[] = {9, 192, 168, 0, 255, 7};
  char out[20];
  ConvertToIpAddressFromOid(out, ip, 1, 5);
  EXPECT_STREQ(out, "192.168.0.255");

  const uint32_t chars[] = {65, 255, 321, 66};
  char arr[5];
  ConvertToCharArray(arr, chars, 0, 4);
  EXPECT_EQ(arr[0], 'A');
  EXPECT_EQ(arr[1], 0);
  EXPECT_EQ(arr[2], 66);
  EXPECT_EQ(arr[4], 0);

  uint32_t fromText[3];
  CopyStringToOid(fromText, "a\xFF");
  EXPECT_EQ(fromText[0], 97u);
  EXPECT_EQ(fromText[1], 0xFFFFFFFFu);  // signed character, widened
  const unsigned char raw[] = {0xFF};
  CopyStringToOID(fromText, raw, 1);
  EXPECT_EQ(fromText[0], 255u);
}

TEST(Oid, Counter64) {
  Counter64 c = ConvertToCounter64FromULongLong(0x0123456789ABCDEFull);
  EXPECT_EQ(c.high, 0x01234567u);
  EXPECT_EQ(c.low, 0x89ABCDEFu);
  EXPECT_EQ(ConvertToULongLongFromCounter64(c.high, c.low), 0x0123456789ABCDEFull);

  struct Case {
    std::vector<unsigned char> bytes;
    uint32_t high, low;
  } cases[] = {
      {{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFFFFFFu, 0xFFFFFFFFu},
      {{0x01, 0x02}, 0, 0x0102},
      {{0x01, 0x00, 0x00, 0x00, 0x02}, 1, 2},
      {{}, 0, 0},
  };
  for (const Case &k : cases) {
    Counter64 out{9, 9};
    ASSERT_TRUE(ConvertToCounter64(&out, k.bytes.data(), static_cast<int32_t>(k.bytes.size())));
    EXPECT_EQ(out.high, k.high);
    EXPECT_EQ(out.low, k.low);
  }
  unsigned char ten[10] = {};
  EXPECT_FALSE(ConvertToCounter64(&c, ten, 10));

  char *text = ConvertCounter64ToString(Counter64{0xFFFFFFFFu, 0xFFFFFFFFu});
  EXPECT_STREQ(text, "18446744073709551615");  // the full unsigned range
  std::free(text);
}

}  // namespace
