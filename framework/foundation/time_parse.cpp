// ParseTimeString (strptime over the C locale) and the date arithmetic built on it.
#include <corbel/dates.h>

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "framework/foundation/text.h"

namespace {

const char *const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                             "Thursday", "Friday", "Saturday"};
const char *const kMonthNames[] = {"January", "February", "March",     "April",
                                   "May",     "June",     "July",      "August",
                                   "September", "October", "November", "December"};

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

void SkipSpace(const char *&rp) {
  while (IsSpace(*rp)) ++rp;
}

// Case-insensitive match of `word` at rp; advances rp on success.
bool MatchWord(const char *&rp, std::string_view word) {
  for (size_t i = 0; i < word.size(); ++i)
    if (Lower(rp[i]) != Lower(word[i])) return false;
  rp += word.size();
  return true;
}

// Full name first, then its three-letter form. The index, or -1.
int MatchName(const char *&rp, const char *const *names, int count) {
  for (int i = 0; i < count; ++i)
    if (MatchWord(rp, names[i]) || MatchWord(rp, std::string_view(names[i], 3))) return i;
  return -1;
}

struct ParseState {
  int century = -1;   // %C
  int shortYear = -1; // %y
  bool fullYear = false;
};

// A number of at most as many digits as `hi` has, within lo..hi (leading blanks skipped).
bool Number(const char *&rp, int lo, int hi, int &value) {
  SkipSpace(rp);
  int digits = 0;
  for (int h = hi; h > 0; h /= 10) ++digits;
  if (!IsDigit(*rp)) return false;
  value = 0;
  for (int n = 0; n < digits && IsDigit(*rp); ++n) value = value * 10 + (*rp++ - '0');
  return value >= lo && value <= hi;
}

bool Parse(const char *&rp, const char *fmt, struct tm *tm, ParseState &st);

bool Directive(const char *&rp, char d, struct tm *tm, ParseState &st) {
  int v = 0;
  switch (d) {
    case 'a': case 'A':
      if ((v = MatchName(rp, kDays, 7)) < 0) return false;
      tm->tm_wday = v;
      return true;
    case 'b': case 'B': case 'h':
      if ((v = MatchName(rp, kMonthNames, 12)) < 0) return false;
      tm->tm_mon = v;
      return true;
    case 'C':
      if (!Number(rp, 0, 99, v)) return false;
      st.century = v;
      return true;
    case 'd': case 'e':
      if (!Number(rp, 1, 31, v)) return false;
      tm->tm_mday = v;
      return true;
    case 'H': case 'k':
      if (!Number(rp, 0, 23, v)) return false;
      tm->tm_hour = v;
      return true;
    case 'I': case 'l':
      if (!Number(rp, 1, 12, v)) return false;
      tm->tm_hour = v % 12;
      return true;
    case 'j':
      if (!Number(rp, 1, 366, v)) return false;
      tm->tm_yday = v - 1;
      return true;
    case 'm':
      if (!Number(rp, 1, 12, v)) return false;
      tm->tm_mon = v - 1;
      return true;
    case 'M':
      if (!Number(rp, 0, 59, v)) return false;
      tm->tm_min = v;
      return true;
    case 'S':
      if (!Number(rp, 0, 61, v)) return false;
      tm->tm_sec = v;
      return true;
    case 'U': case 'W':
      return Number(rp, 0, 53, v);
    case 'w':
      if (!Number(rp, 0, 6, v)) return false;
      tm->tm_wday = v;
      return true;
    case 'Y':
      if (!Number(rp, 0, 9999, v)) return false;
      tm->tm_year = v - 1900;
      st.fullYear = true;
      st.shortYear = -1;
      return true;
    case 'y':
      if (!Number(rp, 0, 99, v)) return false;
      tm->tm_year = v < 69 ? v + 100 : v;
      st.shortYear = v;
      st.fullYear = false;
      return true;
    case 'p': {
      // Only as the whole rest of the text, after the hour it qualifies.
      bool pm = false;
      std::string_view rest(rp);
      if (rest.size() != 2) return false;
      if (MatchWord(rp, "PM"))
        pm = true;
      else if (!MatchWord(rp, "AM"))
        return false;
      if (tm->tm_hour > 11) return false;
      if (pm) tm->tm_hour += 12;
      return true;
    }
    case 'D': case 'x':
      return Parse(rp, "%m/%d/%y", tm, st);
    case 'R':
      return Parse(rp, "%H:%M", tm, st);
    case 'T': case 'X':
      return Parse(rp, "%H:%M:%S", tm, st);
    case 'r':
      return Parse(rp, "%I:%M:%S %p", tm, st);
    case 'c':
      return Parse(rp, "%x %X", tm, st);
    case 'n': case 't':
      SkipSpace(rp);
      return true;
    case '%':
      if (*rp != '%') return false;
      ++rp;
      return true;
    default:
      return false;
  }
}

bool Parse(const char *&rp, const char *fmt, struct tm *tm, ParseState &st) {
  while (*fmt) {
    if (IsSpace(*fmt)) {
      SkipSpace(rp);
      ++fmt;
      continue;
    }
    if (*fmt != '%') {
      if (*rp != *fmt) return false;
      ++rp, ++fmt;
      continue;
    }
    char d = *++fmt;
    if (d == 'E' || d == 'O') {
      const char *allowed = d == 'E' ? "cCxXyY" : "deHImMSUwWy";
      d = *++fmt;
      if (d == '\0' || !std::strchr(allowed, d)) return false;
    }
    if (d == '\0' || !Directive(rp, d, tm, st)) return false;
    ++fmt;
  }
  return true;
}

// ---- calendar arithmetic (proleptic Gregorian, no daylight-saving shifts) ----

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  int64_t era = FloorDiv(y, 400);
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t &y, int64_t &m, int64_t &d) {
  z += 719468;
  int64_t era = FloorDiv(z, 146097);
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = yoe + era * 400 + (m <= 2);
}

// Moves the value by `sign` * amount units; false (value untouched) when it cannot.
bool Shift(ZelDateTime *value, uint32_t amount, int unit, int sign) {
  char *text = ZelDateTimeToString(value);
  if (!text) return false;
  struct tm t{};
  bool parsed = value->date && value->time && ParseTimeString(text, "%Y-%m-%d %H:%M:%S", &t);
  std::free(text);
  if (!parsed) return false;

  int64_t seconds = 0, months = 0;
  int64_t n = amount;
  switch (unit) {
    case ZEL_UNIT_NANOSECONDS: seconds = n / 1000000000; break;
    case ZEL_UNIT_MICROSECONDS: seconds = n / 1000000; break;
    case ZEL_UNIT_MILLISECONDS: seconds = n / 1000; break;
    case ZEL_UNIT_SECONDS: seconds = n; break;
    case ZEL_UNIT_MINUTES: seconds = n * 60; break;
    case ZEL_UNIT_HOURS: seconds = n * 3600; break;
    case ZEL_UNIT_DAYS: seconds = n * 86400; break;
    case ZEL_UNIT_WEEKS: seconds = n * 7 * 86400; break;
    case ZEL_UNIT_MONTHS: months = n; break;
    default: return false;
  }
  // Months first (a day past the month's end then carries into the next, 01-31 + 1 month =
  // 03-03), then the seconds, as the C library's normalisation does.
  int64_t monthIndex = (t.tm_year + 1900) * int64_t{12} + t.tm_mon + sign * months;
  int64_t year = FloorDiv(monthIndex, 12);
  int64_t month = monthIndex - year * 12 + 1;
  int64_t total = (DaysFromCivil(year, month, 1) + t.tm_mday - 1) * 86400 + t.tm_hour * 3600 +
                  t.tm_min * 60 + t.tm_sec + sign * seconds;
  int64_t days = FloorDiv(total, 86400), rest = total - days * 86400;
  int64_t d;
  CivilFromDays(days, year, month, d);
  if (year < 0 || year > 9999) return false;
  *value->date = ZelDate{static_cast<uint16_t>(year), static_cast<uint8_t>(month),
                         static_cast<uint8_t>(d)};
  *value->time = ZelTime{static_cast<uint8_t>(rest / 3600), static_cast<uint8_t>(rest / 60 % 60),
                         static_cast<uint8_t>(rest % 60)};
  return true;
}

}  // namespace

extern "C" {

char *ParseTimeString(const char *text, const char *format, struct tm *record) {
  if (!text || !format || !record) return nullptr;
  ParseState st;
  const char *rp = text;
  if (!Parse(rp, format, record, st)) return nullptr;
  if (st.century >= 0) {
    if (st.shortYear >= 0)
      record->tm_year = st.century * 100 + st.shortYear - 1900;
    else if (!st.fullYear)
      record->tm_year = st.century * 100 - 1900;
  }
  return const_cast<char *>(rp);
}

ZelDateTime *AddToZelDateTime(ZelDateTime *value, uint32_t amount, int unit) {
  if (value) Shift(value, amount, unit, +1);
  return value;
}

ZelDateTime *SubtractFromZelDateTime(ZelDateTime *value, uint32_t amount, int unit) {
  if (value) Shift(value, amount, unit, -1);
  return value;
}

}  // extern "C"
