// Calendar values: text forms and conversions, arithmetic at month, year and leap-year
// boundaries, DateAndTime octets, HTTP dates and broken-down time comparisons.
#include <corbel/dates.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

std::string Take(char *s) {
  std::string out = s ? s : "<null>";
  std::free(s);
  return out;
}

struct DateTimeDeleter {
  void operator()(ZelDateTime *v) const { FreeZelDateTime(v); }
};
using DateTimePtr = std::unique_ptr<ZelDateTime, DateTimeDeleter>;

TEST(Dates, TextRoundTrips) {
  struct Case {
    const char *text, *back;
  } cases[] = {
      {"2026-12-09 08:15:00", "2026-12-09 08:15:00"},
      {"2026-12-09", "2026-12-09 00:00:00"},
      {"08:15:00", "0000-00-00 08:15:00"},
      {"2026-1-2 3:4:5", "2026-01-02 03:04:05"},
      {"2026-12", "2026-12-00 00:00:00"},  // missing fields stay 0
      {"99999999999-1-1", "65535-01-01 00:00:00"},  // an oversized number is clamped, not UB
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    DateTimePtr v(ConvertStringToZelDateTime(c.text));
    ASSERT_NE(v, nullptr);
    ASSERT_NE(v->date, nullptr);
    ASSERT_NE(v->time, nullptr);
    EXPECT_EQ(Take(ZelDateTimeToString(v.get())), c.back);
  }
  EXPECT_EQ(ConvertStringToZelDateTime("20261209"), nullptr);
  EXPECT_EQ(ConvertStringToZelDateTime(nullptr), nullptr);
}

TEST(Dates, DateOrTimeAndGeneralForms) {
  ZelValueKind kind;
  void *value = ConvertStringToZelDateOrTime("2026-12-09", &kind);
  ASSERT_EQ(kind, ZEL_VALUE_DATE);
  EXPECT_EQ(Take(ZelDateToString(static_cast<ZelDate *>(value))), "2026-12-09");
  std::free(value);
  value = ConvertStringToZelDateOrTime("23:59:58", &kind);
  ASSERT_EQ(kind, ZEL_VALUE_TIME);
  EXPECT_EQ(Take(ZelTimeToString(static_cast<ZelTime *>(value))), "23:59:58");
  std::free(value);
  value = ConvertStringToZelDateOrTime("2026-12-09 01:02:03", &kind);
  ASSERT_EQ(kind, ZEL_VALUE_DATE_TIME);
  FreeZelDateTime(static_cast<ZelDateTime *>(value));
  EXPECT_EQ(ConvertStringToZelDateOrTime("abc", &kind), nullptr);
  EXPECT_EQ(kind, ZEL_VALUE_NONE);

  DateTimePtr date(ConvertStringToZelGenDateTime("2026-12-09"));
  ASSERT_NE(date, nullptr);
  EXPECT_EQ(date->time, nullptr);
  EXPECT_EQ(Take(ZelDateTimeToString(date.get())), "2026-12-09");
  DateTimePtr time(ConvertStringToZelGenDateTime("08:15:00"));
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(time->date, nullptr);
  EXPECT_EQ(Take(ZelDateTimeToString(time.get())), "08:15:00");
  EXPECT_EQ(ConvertStringToZelGenDateTime("nothing"), nullptr);

  ZelDateTime empty{};
  EXPECT_EQ(ZelDateTimeToString(&empty), nullptr);
  EXPECT_EQ(ZelDateTimeToString(nullptr), nullptr);
}

TEST(Dates, ConstructorsAndOrder) {
  DateTimePtr ex(CreateZelDateTimeEx(2026, 2, 28, 23, 0, 1, 7, 8, 9));
  ASSERT_NE(ex, nullptr);
  EXPECT_EQ(ex->extra1, 7);
  EXPECT_EQ(ex->extra3, 9);
  EXPECT_EQ(Take(ZelDateTimeToString(ex.get())), "2026-02-28 23:00:01");

  struct Case {
    const char *a, *b;
    bool after;
  } cases[] = {
      {"2026-01-01 00:00:01", "2026-01-01 00:00:00", true},
      {"2026-01-01 00:00:00", "2026-01-01 00:00:00", false},
      {"2025-12-31 23:59:59", "2026-01-01 00:00:00", false},
      {"2026-02-01 00:00:00", "2026-01-31 23:59:59", true},
  };
  for (const Case &c : cases) {
    DateTimePtr a(ConvertStringToZelDateTime(c.a)), b(ConvertStringToZelDateTime(c.b));
    EXPECT_EQ(IsZelDateTimeAfter(a.get(), b.get()), c.after) << c.a << " > " << c.b;
  }
  DateTimePtr d(ConvertStringToZelGenDateTime("2026-01-01"));
  DateTimePtr full(ConvertStringToZelDateTime("2020-01-01 00:00:00"));
  EXPECT_FALSE(IsZelDateTimeAfter(d.get(), full.get()));  // a missing part
  EXPECT_FALSE(IsZelDateTimeAfter(nullptr, full.get()));

  DateTimePtr now(GetCurrentZelDateTime());
  ASSERT_NE(now, nullptr);
  EXPECT_GE(now->date->year, 2024);
  EXPECT_EQ(std::strlen(Take(GetCurrentDateTimeString()).c_str()), 19u);
  EXPECT_GT(GetCurrentSeconds(), 1700000000u);
}

// Arithmetic at month, year and leap-year boundaries, for every unit code, both ways.
TEST(Dates, AddAndSubtractAcrossBoundaries) {
  struct Case {
    const char *start;
    uint32_t amount;
    int unit;
    const char *added;       // start + amount
    const char *subtracted;  // start - amount
  } cases[] = {
      {"2026-12-31 23:59:59", 1, ZEL_UNIT_SECONDS, "2027-01-01 00:00:00", "2026-12-31 23:59:58"},
      {"2026-12-31 23:59:59", 1500, ZEL_UNIT_MILLISECONDS, "2027-01-01 00:00:00", "2026-12-31 23:59:58"},
      {"2026-12-31 23:59:59", 999, ZEL_UNIT_MILLISECONDS, "2026-12-31 23:59:59", "2026-12-31 23:59:59"},
      {"2027-01-01 00:00:00", 2500000, ZEL_UNIT_MICROSECONDS, "2027-01-01 00:00:02", "2026-12-31 23:59:58"},
      {"2027-01-01 00:00:00", 4000000000u, ZEL_UNIT_NANOSECONDS, "2027-01-01 00:00:04", "2026-12-31 23:59:56"},
      {"2024-02-28 23:30:00", 30, ZEL_UNIT_MINUTES, "2024-02-29 00:00:00", "2024-02-28 23:00:00"},
      {"2024-03-01 00:30:00", 1, ZEL_UNIT_HOURS, "2024-03-01 01:30:00", "2024-02-29 23:30:00"},
      {"2023-03-01 00:30:00", 1, ZEL_UNIT_HOURS, "2023-03-01 01:30:00", "2023-02-28 23:30:00"},
      {"2024-02-28 12:00:00", 1, ZEL_UNIT_DAYS, "2024-02-29 12:00:00", "2024-02-27 12:00:00"},
      {"2023-02-28 12:00:00", 1, ZEL_UNIT_DAYS, "2023-03-01 12:00:00", "2023-02-27 12:00:00"},
      {"2000-02-28 00:00:00", 1, ZEL_UNIT_DAYS, "2000-02-29 00:00:00", "2000-02-27 00:00:00"},
      {"1900-02-28 00:00:00", 1, ZEL_UNIT_DAYS, "1900-03-01 00:00:00", "1900-02-27 00:00:00"},
      {"2026-12-30 08:00:00", 366, ZEL_UNIT_DAYS, "2027-12-31 08:00:00", "2025-12-29 08:00:00"},
      {"2026-12-28 00:00:00", 1, ZEL_UNIT_WEEKS, "2027-01-04 00:00:00", "2026-12-21 00:00:00"},
      {"2024-02-26 00:00:00", 1, ZEL_UNIT_WEEKS, "2024-03-04 00:00:00", "2024-02-19 00:00:00"},
      {"2026-11-15 10:00:00", 2, ZEL_UNIT_MONTHS, "2027-01-15 10:00:00", "2026-09-15 10:00:00"},
      {"2026-01-15 10:00:00", 13, ZEL_UNIT_MONTHS, "2027-02-15 10:00:00", "2024-12-15 10:00:00"},
      // a day past the new month's end carries over
      {"2026-01-31 00:00:00", 1, ZEL_UNIT_MONTHS, "2026-03-03 00:00:00", "2025-12-31 00:00:00"},
      {"2024-01-31 00:00:00", 1, ZEL_UNIT_MONTHS, "2024-03-02 00:00:00", "2023-12-31 00:00:00"},
      {"2024-03-31 00:00:00", 1, ZEL_UNIT_MONTHS, "2024-05-01 00:00:00", "2024-03-02 00:00:00"},
      // unknown unit codes change nothing
      {"2026-06-15 12:00:00", 5, 0, "2026-06-15 12:00:00", "2026-06-15 12:00:00"},
      {"2026-06-15 12:00:00", 5, 10, "2026-06-15 12:00:00", "2026-06-15 12:00:00"},
      // past the year range: unchanged
      {"9999-12-31 23:59:59", 1, ZEL_UNIT_SECONDS, "9999-12-31 23:59:59", "9999-12-31 23:59:58"},
      {"0000-01-01 00:00:00", 1, ZEL_UNIT_DAYS, "0000-01-02 00:00:00", "0000-01-01 00:00:00"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.start) + " unit " + std::to_string(c.unit) + " amount " +
                 std::to_string(c.amount));
    DateTimePtr up(ConvertStringToZelDateTime(c.start)), down(ConvertStringToZelDateTime(c.start));
    EXPECT_EQ(AddToZelDateTime(up.get(), c.amount, c.unit), up.get());
    EXPECT_EQ(Take(ZelDateTimeToString(up.get())), c.added);
    EXPECT_EQ(SubtractFromZelDateTime(down.get(), c.amount, c.unit), down.get());
    EXPECT_EQ(Take(ZelDateTimeToString(down.get())), c.subtracted);
  }
}

TEST(Dates, ArithmeticLeavesIncompleteValuesAlone) {
  DateTimePtr timeOnly(ConvertStringToZelDateTime("08:15:00"));  // date 0000-00-00
  AddToZelDateTime(timeOnly.get(), 1, ZEL_UNIT_HOURS);
  EXPECT_EQ(Take(ZelDateTimeToString(timeOnly.get())), "0000-00-00 08:15:00");
  DateTimePtr dateOnly(ConvertStringToZelGenDateTime("2026-01-01"));
  AddToZelDateTime(dateOnly.get(), 1, ZEL_UNIT_DAYS);
  EXPECT_EQ(Take(ZelDateTimeToString(dateOnly.get())), "2026-01-01");
  EXPECT_EQ(AddToZelDateTime(nullptr, 1, ZEL_UNIT_DAYS), nullptr);
}

TEST(Dates, DateAndTimeOctets) {
  int length = 0;
  unsigned char *octets = ConvertToDateTimeFromString("2026-12-9,8:15:0.5", &length);
  ASSERT_NE(octets, nullptr);
  ASSERT_EQ(length, 8);
  const unsigned char shortForm[] = {0x07, 0xEA, 12, 9, 8, 15, 0, 5};
  EXPECT_EQ(std::memcmp(octets, shortForm, 8), 0);
  EXPECT_EQ(Take(ConvertToStringFromDateTime(octets, &length)), "2026-12-9,8:15:0.5");
  EXPECT_EQ(length, 18);
  std::free(octets);

  octets = ConvertToDateTimeFromString("2026-12-9,8:15:0.5,+1:30", &length);
  ASSERT_NE(octets, nullptr);
  ASSERT_EQ(length, 11);
  EXPECT_EQ(octets[8], '+');
  EXPECT_EQ(octets[9], 1);
  EXPECT_EQ(octets[10], 30);
  EXPECT_EQ(Take(ConvertToStringFromDateTime(octets, &length)), "2026-12-9,8:15:0.5,+1:30");
  std::free(octets);

  EXPECT_EQ(ConvertToDateTimeFromString("2026-12-9,8:15", &length), nullptr);      // 5 fields
  EXPECT_EQ(ConvertToDateTimeFromString("2026-12-9,8:15:0.5,+1", &length), nullptr);  // 9
  int wrong = 9;
  const unsigned char nine[9] = {};
  EXPECT_EQ(ConvertToStringFromDateTime(nine, &wrong), nullptr);
}

TEST(Dates, HttpDates) {
  EXPECT_EQ(ParseMonth("jan"), 0);
  EXPECT_EQ(ParseMonth("DEC"), 11);
  EXPECT_EQ(ParseMonth("Dex"), -1);
  EXPECT_EQ(ParseMonth("January"), -1);

  struct Case {
    const char *text;
    int year;
  } cases[] = {
      {"Sun, 06 Nov 1994 08:49:37 GMT", 94},
      {"Sunday, 06-Nov-94 08:49:37 GMT", 94},  // the year lands as written
      {"Sun Nov  6 08:49:37 1994", 94},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    struct tm *t = ParseDateTime(c.text);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->tm_mon, 10);
    EXPECT_EQ(t->tm_mday, 6);
    EXPECT_EQ(t->tm_year, c.year);
    EXPECT_EQ(t->tm_hour, 8);
    EXPECT_EQ(t->tm_min, 49);
    EXPECT_EQ(t->tm_sec, 37);
    std::free(t);
  }
  EXPECT_EQ(ParseDateTime("Sun, 06 Xyz 1994 08:49:37 GMT"), nullptr);
  EXPECT_EQ(ParseDateTime("yesterday"), nullptr);
  EXPECT_EQ(ParseDateTime(nullptr), nullptr);
}

TEST(Dates, CompareTime) {
  struct tm a{}, b{};
  a.tm_year = b.tm_year = 126;
  a.tm_mon = b.tm_mon = 11;
  a.tm_mday = b.tm_mday = 9;
  EXPECT_EQ(CompareTime(&a, &b), 1);
  a.tm_sec = 1;
  EXPECT_EQ(CompareTime(&a, &b), 1);
  EXPECT_EQ(CompareTime(&b, &a), 0);
  b.tm_sec = 0;
  b.tm_year = 127;
  a.tm_mon = 0;
  EXPECT_EQ(CompareTime(&a, &b), 0);
  EXPECT_EQ(CompareTime(&b, &a), 1);
}

}  // namespace
