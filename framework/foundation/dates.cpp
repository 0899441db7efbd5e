// ZelDate, ZelTime and ZelDateTime: construction, text forms and the text conversions; the
// DateAndTime octet string and HTTP dates.
#include <corbel/dates.h>
#include <corbel/strings.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/foundation/scan.h"
#include "framework/foundation/text.h"
#include "platform/system.h"

using corbel::foundation::NewCString;
using corbel::foundation::ScanField;
using corbel::foundation::ScanLayout;

namespace {

template <typename... Args>
std::string Format(const char *format, Args... args) {
  int n = std::snprintf(nullptr, 0, format, args...);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(out.data(), out.size() + 1, format, args...);
  return out;
}

int IntAt(const std::vector<ScanField> &fields, size_t i) {
  return i < fields.size() && std::holds_alternative<int>(fields[i]) ? std::get<int>(fields[i]) : 0;
}

// The three text layouts of the conversions, chosen by the separators the text holds.
enum class Layout { kNone, kDateTime, kDate, kTime };

struct ParsedText {
  Layout layout = Layout::kNone;
  int f[6] = {0, 0, 0, 0, 0, 0};  // year, month, day, hour, minute, second
};

ParsedText ParseLayout(const char *text) {
  ParsedText p;
  bool dash = std::strchr(text, '-') != nullptr, colon = std::strchr(text, ':') != nullptr;
  if (dash && colon) {
    p.layout = Layout::kDateTime;
    auto fields = ScanLayout(text, "%d-%d-%d %d:%d:%d");
    for (size_t i = 0; i < 6; ++i) p.f[i] = IntAt(fields, i);
  } else if (dash) {
    p.layout = Layout::kDate;
    auto fields = ScanLayout(text, "%d-%d-%d");
    for (size_t i = 0; i < 3; ++i) p.f[i] = IntAt(fields, i);
  } else if (colon) {
    p.layout = Layout::kTime;
    auto fields = ScanLayout(text, "%d:%d:%d");
    for (size_t i = 0; i < 3; ++i) p.f[3 + i] = IntAt(fields, i);
  }
  return p;
}

ZelDate *NewDate(const ParsedText &p) {
  return CreateZelDate(static_cast<uint16_t>(p.f[0]), static_cast<uint8_t>(p.f[1]),
                       static_cast<uint8_t>(p.f[2]));
}
ZelTime *NewTime(const ParsedText &p) {
  return CreateZelTime(static_cast<uint8_t>(p.f[3]), static_cast<uint8_t>(p.f[4]),
                       static_cast<uint8_t>(p.f[5]));
}

ZelDateTime *NewDateTime(ZelDate *date, ZelTime *time) {
  auto *value = static_cast<ZelDateTime *>(std::calloc(1, sizeof(ZelDateTime)));
  if (!value) {
    std::free(date);
    std::free(time);
    return nullptr;
  }
  value->date = date;
  value->time = time;
  return value;
}

bool NullText(const char *text, const char *entry) {
  LogTrace("%s", entry);
  if (text) return false;
  LogError("datetimeStr NULL \n");
  return true;
}

const char *const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

extern "C" {

ZelDate *CreateZelDate(uint16_t year, uint8_t month, uint8_t day) {
  auto *date = static_cast<ZelDate *>(std::malloc(sizeof(ZelDate)));
  if (!date) {
    LogError("ZelDate creation failed");
    return nullptr;
  }
  *date = ZelDate{year, month, day};
  return date;
}

ZelTime *CreateZelTime(uint8_t hour, uint8_t minute, uint8_t second) {
  auto *time = static_cast<ZelTime *>(std::malloc(sizeof(ZelTime)));
  if (!time) {
    LogError("ZelTime creation failed");
    return nullptr;
  }
  *time = ZelTime{hour, minute, second};
  return time;
}

ZelDateTime *CreateZelDateTimeEx(uint16_t year, uint8_t month, uint8_t day, uint8_t hour,
                                 uint8_t minute, uint8_t second, uint8_t extra1, uint8_t extra2,
                                 uint8_t extra3) {
  ZelDate *date = CreateZelDate(year, month, day);
  ZelTime *time = date ? CreateZelTime(hour, minute, second) : nullptr;
  ZelDateTime *value = time ? NewDateTime(date, time) : nullptr;
  if (!value) {
    if (date && !time) std::free(date);
    LogError("ZelDateTime creation failed");
    return nullptr;
  }
  value->extra1 = extra1;
  value->extra2 = extra2;
  value->extra3 = extra3;
  return value;
}

ZelDateTime *CreateZelDateTime(uint16_t year, uint8_t month, uint8_t day, uint8_t hour,
                               uint8_t minute, uint8_t second) {
  return CreateZelDateTimeEx(year, month, day, hour, minute, second, 0, 0, 0);
}

void FreeZelDateTime(ZelDateTime *value) {
  if (!value) return;
  std::free(value->date);
  std::free(value->time);
  std::free(value);
}

ZelDateTime *GetCurrentZelDateTime(void) {
  ovr::sys::LocalTime now = ovr::sys::CurrentLocalTime();
  auto *value = static_cast<ZelDateTime *>(std::calloc(1, sizeof(ZelDateTime)));
  if (!value) {
    LogError("MEMORY ALLOCATION FAILURE FOR dateTimePtr");
    return nullptr;
  }
  value->date = CreateZelDate(static_cast<uint16_t>(now.year), static_cast<uint8_t>(now.month),
                              static_cast<uint8_t>(now.day));
  if (!value->date) {
    LogError("CreateZelDate Failed");
    FreeZelDateTime(value);
    return nullptr;
  }
  value->time = CreateZelTime(static_cast<uint8_t>(now.hour), static_cast<uint8_t>(now.minute),
                              static_cast<uint8_t>(now.second));
  if (!value->time) {
    LogError("CreateZelTime Failed");
    FreeZelDateTime(value);
    return nullptr;
  }
  return value;
}

char *GetCurrentDateTimeString(void) {
  ZelDateTime *now = GetCurrentZelDateTime();
  char *text = ZelDateTimeToString(now);
  FreeZelDateTime(now);
  return text;
}

uint32_t GetCurrentSeconds(void) {
  auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return static_cast<uint32_t>(seconds.count());
}

char *ZelDateToString(const ZelDate *date) {
  if (!date) return nullptr;
  return NewCString(Format("%04d-%02d-%02d", date->year, date->month, date->day));
}

char *ZelTimeToString(const ZelTime *time) {
  if (!time) return nullptr;
  return NewCString(Format("%02d:%02d:%02d", time->hour, time->minute, time->second));
}

char *ZelDateTimeToString(const ZelDateTime *value) {
  if (!value || (!value->date && !value->time)) return nullptr;
  if (!value->date) return ZelTimeToString(value->time);
  if (!value->time) return ZelDateToString(value->date);
  const ZelDate &d = *value->date;
  const ZelTime &t = *value->time;
  return NewCString(Format("%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, t.hour,
                           t.minute, t.second));
}

bool IsZelDateTimeAfter(const ZelDateTime *a, const ZelDateTime *b) {
  if (!a || !b || !a->date || !a->time || !b->date || !b->time) return false;
  const int ka[] = {a->date->year, a->date->month, a->date->day,
                    a->time->hour, a->time->minute, a->time->second};
  const int kb[] = {b->date->year, b->date->month, b->date->day,
                    b->time->hour, b->time->minute, b->time->second};
  for (int i = 0; i < 6; ++i)
    if (ka[i] != kb[i]) return ka[i] > kb[i];
  return false;
}

ZelDateTime *ConvertStringToZelDateTime(const char *text) {
  if (NullText(text, "Inside ConvertStringToZelDateTime \n")) return nullptr;
  ParsedText p = ParseLayout(text);
  if (p.layout == Layout::kNone) return nullptr;
  ZelDate *date = NewDate(p);
  ZelTime *time = date ? NewTime(p) : nullptr;
  if (!time) {
    std::free(date);
    return nullptr;
  }
  return NewDateTime(date, time);
}

void *ConvertStringToZelDateOrTime(const char *text, ZelValueKind *kind) {
  if (kind) *kind = ZEL_VALUE_NONE;
  if (NullText(text, "Inside ConvertStringToZelDateTime \n")) return nullptr;
  ParsedText p = ParseLayout(text);
  void *value = nullptr;
  ZelValueKind made = ZEL_VALUE_NONE;
  switch (p.layout) {
    case Layout::kDateTime: {
      ZelDate *date = NewDate(p);
      ZelTime *time = date ? NewTime(p) : nullptr;
      if (!time) {
        std::free(date);
        break;
      }
      value = NewDateTime(date, time);
      made = ZEL_VALUE_DATE_TIME;
      break;
    }
    case Layout::kDate:
      value = NewDate(p);
      made = ZEL_VALUE_DATE;
      break;
    case Layout::kTime:
      value = NewTime(p);
      made = ZEL_VALUE_TIME;
      break;
    case Layout::kNone:
      break;
  }
  if (kind && value) *kind = made;
  return value;
}

ZelDateTime *ConvertStringToZelGenDateTime(const char *text) {
  if (NullText(text, "Inside ConvertStringToZelGenDateTime \n")) return nullptr;
  ParsedText p = ParseLayout(text);
  if (p.layout == Layout::kNone) {
    LogError("The String is not a datetimeStr \n");
    return nullptr;
  }
  ZelDate *date = p.layout == Layout::kTime ? nullptr : NewDate(p);
  ZelTime *time = p.layout == Layout::kDate ? nullptr : NewTime(p);
  bool failed = (p.layout != Layout::kTime && !date) || (p.layout != Layout::kDate && !time);
  if (failed) {
    std::free(date);
    std::free(time);
    return nullptr;
  }
  return NewDateTime(date, time);
}

char *ConvertToStringFromDateTime(const unsigned char *octets, int *length) {
  CORBEL_TRACE_ENTRY("ConvertToStringFromDateTime");
  if (!octets || !length || (*length != 8 && *length != 11)) return nullptr;
  int year = (octets[0] << 8) | octets[1];
  std::string text =
      *length == 8
          ? Format("%d-%d-%d,%d:%d:%d.%d", year, octets[2], octets[3], octets[4], octets[5],
                   octets[6], octets[7])
          : Format("%d-%d-%d,%d:%d:%d.%d,%c%d:%d", year, octets[2], octets[3], octets[4],
                   octets[5], octets[6], octets[7], octets[8], octets[9], octets[10]);
  char *out = static_cast<char *>(std::malloc(text.size() + 1));
  if (!out) {
    LogError("Unable to allocate buffer !!! \n");
    return nullptr;
  }
  std::memcpy(out, text.c_str(), text.size() + 1);
  *length = static_cast<int>(text.size());
  LogTrace("The retVal is %s\n", out);
  return out;
}

unsigned char *ConvertToDateTimeFromString(const char *text, int *length) {
  CORBEL_TRACE_ENTRY("ConvertToDateTimeFromString");
  if (!text) return nullptr;
  auto fields = ScanLayout(text, "%d-%d-%d,%d:%d:%d.%d,%c%d:%d");
  if (fields.size() != 7 && fields.size() != 10) return nullptr;
  int count = fields.size() == 7 ? 8 : 11;
  auto *octets = static_cast<unsigned char *>(std::calloc(static_cast<size_t>(count), 1));
  if (!octets) {
    LogError("Unable to allocate buffer !!! \n");
    return nullptr;
  }
  int year = IntAt(fields, 0);
  octets[0] = static_cast<unsigned char>((year >> 8) & 0xFF);
  octets[1] = static_cast<unsigned char>(year & 0xFF);
  for (size_t i = 1; i < 7; ++i) octets[i + 1] = static_cast<unsigned char>(IntAt(fields, i));
  if (count == 11) {
    octets[8] = static_cast<unsigned char>(std::get<std::string>(fields[7])[0]);
    octets[9] = static_cast<unsigned char>(IntAt(fields, 8));
    octets[10] = static_cast<unsigned char>(IntAt(fields, 9));
  }
  if (length) *length = count;
  for (int i = 0; i < count; ++i) LogTrace("%.02x\n", octets[i]);
  return octets;
}

int ParseMonth(const char *name) {
  if (!name) return -1;
  for (int i = 0; i < 12; ++i)
    if (CompareStringNoCaseN(name, kMonths[i], 4) == 0) return i;
  return -1;
}

struct tm *ParseDateTime(const char *text) {
  if (!text) return nullptr;
  struct tm t{};
  std::string month;
  int year = 0;
  bool yearAsWritten = false;
  auto rfc1123 = ScanLayout(text, "%s %d %s %d %d:%d:%d %s");
  auto rfc850 = ScanLayout(text, "%s %d-%3s-%d %d:%d:%d %s");
  auto asctime = ScanLayout(text, "%s %s %d %d:%d:%d %d");
  if (rfc1123.size() == 8) {
    t.tm_mday = IntAt(rfc1123, 1);
    month = std::get<std::string>(rfc1123[2]);
    year = IntAt(rfc1123, 3);
    t.tm_hour = IntAt(rfc1123, 4), t.tm_min = IntAt(rfc1123, 5), t.tm_sec = IntAt(rfc1123, 6);
  } else if (rfc850.size() == 8) {
    t.tm_mday = IntAt(rfc850, 1);
    month = std::get<std::string>(rfc850[2]);
    year = IntAt(rfc850, 3);
    yearAsWritten = true;
    t.tm_hour = IntAt(rfc850, 4), t.tm_min = IntAt(rfc850, 5), t.tm_sec = IntAt(rfc850, 6);
  } else if (asctime.size() == 7) {
    month = std::get<std::string>(asctime[1]);
    t.tm_mday = IntAt(asctime, 2);
    t.tm_hour = IntAt(asctime, 3), t.tm_min = IntAt(asctime, 4), t.tm_sec = IntAt(asctime, 5);
    year = IntAt(asctime, 6);
  } else {
    return nullptr;
  }
  t.tm_mon = ParseMonth(month.c_str());
  if (t.tm_mon < 0) return nullptr;
  t.tm_year = yearAsWritten ? year : year - 1900;
  auto *record = static_cast<struct tm *>(std::malloc(sizeof(struct tm)));
  if (record) *record = t;
  return record;
}

int CompareTime(const struct tm *a, const struct tm *b) {
  if (!a || !b) return 0;
  const int ka[] = {a->tm_year, a->tm_mon, a->tm_mday, a->tm_hour, a->tm_min, a->tm_sec};
  const int kb[] = {b->tm_year, b->tm_mon, b->tm_mday, b->tm_hour, b->tm_min, b->tm_sec};
  for (int i = 0; i < 6; ++i)
    if (ka[i] != kb[i]) return ka[i] > kb[i] ? 1 : 0;
  return 1;
}

}  // extern "C"
