/* ---- include/corbel/dates.h ------------------------------------------------------------
 * Calendar values of the framework (ZelDate, ZelTime, ZelDateTime) and their text forms;
 * the SNMP DateAndTime octet string; HTTP dates; a time comparison on broken-down time
 * records (struct tm) and a strptime-style parser over the C locale.
 *
 * All values are local time without a time zone. Texts are new malloc'ed strings the caller
 * frees with free(); a ZelDateTime is released with FreeZelDateTime, bare ZelDate and ZelTime
 * values and struct tm records with free(). */
#ifndef CORBEL_DATES_H
#define CORBEL_DATES_H

#include <stdbool.h>
#include <stdint.h>
#include <time.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ZelDate {
  uint16_t year; /* full year, e.g. 2026 */
  uint8_t month; /* 1-12 */
  uint8_t day;   /* 1-31 */
} ZelDate;

typedef struct ZelTime {
  uint8_t hour;   /* 0-23 */
  uint8_t minute; /* 0-59 */
  uint8_t second; /* 0-59 */
} ZelTime;

typedef struct ZelDateTime {
  ZelDate *date;  /* owned; NULL when the value has no date part */
  ZelTime *time;  /* owned; NULL when the value has no time part */
  uint8_t extra1; /* set only by CreateZelDateTimeEx */
  uint8_t extra2; /* set only by CreateZelDateTimeEx */
  uint8_t extra3; /* set only by CreateZelDateTimeEx */
} ZelDateTime;

/* What ConvertStringToZelDateOrTime returned. */
typedef enum ZelValueKind {
  ZEL_VALUE_NONE = 0,      /* NULL was returned */
  ZEL_VALUE_DATE_TIME = 1, /* a ZelDateTime */
  ZEL_VALUE_DATE = 2,      /* a bare ZelDate */
  ZEL_VALUE_TIME = 3       /* a bare ZelTime */
} ZelValueKind;

/* Unit codes of AddToZelDateTime and SubtractFromZelDateTime. */
#define ZEL_UNIT_NANOSECONDS 1
#define ZEL_UNIT_MICROSECONDS 2
#define ZEL_UNIT_MILLISECONDS 3
#define ZEL_UNIT_SECONDS 4
#define ZEL_UNIT_MINUTES 5
#define ZEL_UNIT_HOURS 6
#define ZEL_UNIT_DAYS 7
#define ZEL_UNIT_WEEKS 8
#define ZEL_UNIT_MONTHS 9

/* ---- construction and text forms --------------------------------------------------------- */

/* New values; NULL (after an ERROR line) when memory runs out. */
ZelDate *CreateZelDate(uint16_t year, uint8_t month, uint8_t day);
ZelTime *CreateZelTime(uint8_t hour, uint8_t minute, uint8_t second);
ZelDateTime *CreateZelDateTime(uint16_t year, uint8_t month, uint8_t day, uint8_t hour,
                               uint8_t minute, uint8_t second);
ZelDateTime *CreateZelDateTimeEx(uint16_t year, uint8_t month, uint8_t day, uint8_t hour,
                                 uint8_t minute, uint8_t second, uint8_t extra1, uint8_t extra2,
                                 uint8_t extra3);
/* Frees the date part, the time part and the record; NULL is ignored. */
void FreeZelDateTime(ZelDateTime *value);
/* The current local time; NULL when memory runs out. */
ZelDateTime *GetCurrentZelDateTime(void);
/* "YYYY-MM-DD hh:mm:ss" of the current local time. */
char *GetCurrentDateTimeString(void);
/* Seconds since 1970-01-01 UTC, low 32 bits. */
uint32_t GetCurrentSeconds(void);
/* "%04d-%02d-%02d", "%02d:%02d:%02d"; NULL for NULL. */
char *ZelDateToString(const ZelDate *date);
char *ZelTimeToString(const ZelTime *time);
/* Date and time, or whichever part is present; NULL when neither is or for NULL. */
char *ZelDateTimeToString(const ZelDateTime *value);
/* True when a is strictly later than b; false when equal or a part is missing. */
bool IsZelDateTimeAfter(const ZelDateTime *a, const ZelDateTime *b);
/* Moves the value forward/backward by amount units (ZEL_UNIT_...; other codes change
 * nothing), carrying into larger fields by the calendar. A value lacking a part, or one the
 * result would take outside the years 0-9999, is left as it is. Returns value. */
ZelDateTime *AddToZelDateTime(ZelDateTime *value, uint32_t amount, int unit);
ZelDateTime *SubtractFromZelDateTime(ZelDateTime *value, uint32_t amount, int unit);

/* ---- text to values ------------------------------------------------------------------------ */

/* "Y-M-D h:m:s", "Y-M-D" (time 00:00:00) or "h:m:s" (date 0-0-0): always both parts;
 * missing fields stay 0. NULL for NULL or text holding neither '-' nor ':'. */
ZelDateTime *ConvertStringToZelDateTime(const char *text);
/* The same texts: a ZelDateTime for date and time, a bare ZelDate or ZelTime otherwise.
 * *kind (when given) tells which. */
void *ConvertStringToZelDateOrTime(const char *text, ZelValueKind *kind);
/* The same texts: a ZelDateTime whose missing part is NULL. */
ZelDateTime *ConvertStringToZelGenDateTime(const char *text);

/* ---- DateAndTime octet strings ----------------------------------------------------------------- */

/* Text "Y-M-D,h:m:s.d" of 8 octets or "Y-M-D,h:m:s.d,+h:m" of 11; *length holds the octet
 * count on entry and the text length on return. NULL for another count or no memory. */
char *ConvertToStringFromDateTime(const unsigned char *octets, int *length);
/* New octets of such a text (8 with 7 fields, 11 with all 10); *length receives the count.
 * NULL for any other text. */
unsigned char *ConvertToDateTimeFromString(const char *text, int *length);

/* ---- HTTP dates and broken-down time ----------------------------------------------------------- */

/* 0 for "Jan" to 11 for "Dec", without regard to case; -1 otherwise. */
int ParseMonth(const char *name);
/* A new zeroed record filled from an HTTP date in any of its three forms; NULL otherwise. */
struct tm *ParseDateTime(const char *text);
/* 1 when a is the same moment as b or later, 0 when earlier. */
int CompareTime(const struct tm *a, const struct tm *b);
/* strptime over the C locale with the directives %a %A %b %B %h %c %C %d %D %e %H %I %j %k
 * %l %m %M %n %p %r %R %S %t %T %U %w %W %x %X %y %Y %% (and %E/%O where POSIX allows them).
 * Fills the fields the format names; returns the position after the consumed text, or NULL
 * when the text does not match (the record may then be partly filled). */
char *ParseTimeString(const char *text, const char *format, struct tm *record);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_DATES_H */
