/* ---- include/corbel/strings.h ----------------------------------------------------------
 * Byte strings and numbers: copying and comparing with explicit NULL handling, searching,
 * splitting and trimming, case conversion, decimal and hexadecimal conversions, and two
 * small system operations.
 *
 * Strings are 8-bit and NUL-terminated. "Letter" means ASCII A-Z and a-z, "digit" 0-9.
 * Functions that return a new string allocate it with malloc; the caller frees it with
 * free(). Three-way comparisons return 0 when equal, a negative value when the first
 * argument sorts first and a positive value otherwise; the NULL-tolerant ones order NULL
 * before any string. */
#ifndef CORBEL_STRINGS_H
#define CORBEL_STRINGS_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- copy, length and comparison (no allocation) --------------------------------------- */

/* Copies src with its terminator into dst; returns dst, or NULL (copying nothing) for a NULL
 * src. */
char *CopyString(char *dst, const char *src);
/* Copies at most n characters of src, stopping after the terminator; no padding. Returns dst. */
char *CopyStringN(char *dst, const char *src, size_t n);
/* Appends src to dst; returns dst. */
char *AppendString(char *dst, const char *src);
/* Length without the terminator; 0 for NULL. */
size_t GetStringLength(const char *s);
/* NULL-tolerant comparison byte by byte (signed characters); the result is the difference
 * of the first differing characters, kept within -128..127 without changing its sign. */
signed char CompareString(const char *a, const char *b);
/* The same over at most n characters. */
signed char CompareStringN(const char *a, const char *b, size_t n);
/* NULL-tolerant comparison in which letters compare without regard to case. */
signed char CompareStringNoCase(const char *a, const char *b);
/* Compares the first min(n, len a, len b) characters without regard to the case of letters;
 * at the first difference 1 when a's character is greater, -1 when smaller. After the common
 * part: 0 when n characters were compared, else by length (1 a longer, -1 b longer, 0). */
signed char CompareStringNoCaseN(const char *a, const char *b, size_t n);
/* Copies n bytes; returns dst. */
void *CopyBytes(void *dst, const void *src, size_t n);
/* NULL-tolerant three-way comparison of n bytes. */
signed char CompareBytes(const void *a, const void *b, size_t n);
/* Sets n bytes to `byte`; returns buf. */
void *FillBytes(void *buf, int byte, size_t n);
/* First occurrence of `byte` within the first n bytes, or NULL. */
void *FindByte(const void *buf, int byte, size_t n);
/* First occurrence of ch before the terminator (ch 0 gives the terminator), or NULL. */
char *SearchChar(const char *s, int ch);
/* First character of s that occurs in set, or NULL (also for a NULL argument). */
char *FindAnyChar(const char *s, const char *set);
/* Length of the leading run of s made only of characters from set. */
size_t SpanOfChars(const char *s, const char *set);
/* True when dataLen >= prefixLen and the first prefixLen bytes are equal. */
bool StartsWithBytes(const void *data, size_t dataLen, const void *prefix, size_t prefixLen);
/* Copies min(len src, size - 1) characters and terminates; returns len src. 0 and nothing
 * copied when dst or src is NULL or size <= 0. */
size_t CopyStringBounded(char *dst, const char *src, int size);
/* Appends as much of src as fits into a buffer of size bytes, terminated; returns
 * len dst + len src (the wanted length). 0 for a NULL argument or size 0. When dst holds no
 * terminator within size bytes nothing is written and size + len src is returned. */
size_t AppendStringBounded(char *dst, const char *src, size_t size);
/* Reverses the first len characters in place. */
void ReverseString(char *s, size_t len);

/* ---- search and splitting ------------------------------------------------------------- */

/* First occurrence of pattern in text, or NULL (also for an empty or longer pattern). */
char *SubString(const char *text, const char *pattern);
/* The same test as a boolean. */
bool FindSubString(const char *text, const char *pattern);
/* Index of the first ch within the first count bytes, or -1. */
int GetIndex(const char *buf, int count, char ch);
/* Occurrences of ch within len bytes (at most 65535). */
uint16_t CountChar(const char *buf, size_t len, char ch);
/* Index just after the first ch within len bytes with *found = 1, or len with *found = 0. */
size_t FindDelimiterEnd(const char *buf, size_t len, char ch, unsigned char *found);
/* Splits len bytes at every delimiter into (delimiters + 1) new NUL-terminated pieces.
 * Returns the array of pieces (free with FreeStringArray), stores a new array of the piece
 * lengths in *lengths (free with free()) and the number of pieces in *count. NULL when memory
 * runs out or there would be more than 65535 pieces. */
char **SplitBuffer(const char *buf, size_t len, char delimiter, uint16_t *count,
                   size_t **lengths);
/* True when one comma-separated piece of list is exactly the itemLen bytes of item. */
bool IsStringMatched(const char *list, size_t listLen, const char *item, size_t itemLen);
/* Frees the first count strings of array, then the array. */
void FreeStringArray(char **array, uint16_t count);
/* Non-overlapping occurrences of pattern in text, scanned left to right; -1 for NULL. */
int CountSubString(const char *text, const char *pattern);
/* Index of the first occurrence; 0 when there is none (as when found at 0); -1 for NULL. */
int IndexOfSubString(const char *text, const char *pattern);
/* Index of the last (non-overlapping) occurrence; -1 when none or for NULL. */
int LastIndexOfSubString(const char *text, const char *pattern);
/* New string: text before the first occurrence of pattern ("" when it does not occur). NULL
 * for a NULL argument. */
char *GetStringBefore(const char *text, const char *pattern);
/* New string: text after the first occurrence of pattern ("" when it does not occur). NULL
 * for a NULL argument. */
char *GetStringAfter(const char *text, const char *pattern);
/* New string: text after the last occurrence of pattern, found by taking the part after the
 * first occurrence again and again; a copy of text when pattern does not occur. */
char *GetStringAfterLast(const char *text, const char *pattern);
/* NULL-terminated array of new strings: the parts between occurrences of separator, the
 * remainder last (occurrences + 2 entries). Free each string and the array with free().
 * NULL for a NULL text. */
char **SplitString(const char *text, const char *separator);
/* Re-entrant tokenizer: skips delimiters, terminates the next token in place and stores the
 * resume position in *cursor; s NULL continues from *cursor. NULL (and *cursor NULL) when no
 * token is left. */
char *TokenizeString(char *s, const char *delimiters, char **cursor);
/* New strings with every / the first / the last occurrence of pattern removed. The first and
 * last forms give NULL when pattern does not occur; all give NULL for a NULL argument. */
char *RemoveAllSubString(const char *text, const char *pattern);
char *RemoveFirstSubString(const char *text, const char *pattern);
char *RemoveLastSubString(const char *text, const char *pattern);

/* ---- character classes and case: new strings, NULL for NULL or no memory -------------- */

char *ToLowerCaseCopy(const char *s);
char *ToUpperCaseCopy(const char *s);
char *KeepLetters(const char *s);
char *KeepLettersAndDigits(const char *s);
char *RemoveLettersAndDigits(const char *s);
/* s without its leading run of ch; NULL for an empty s. */
char *TrimLeadingChar(const char *s, char ch);
/* s without its trailing run of ch ("" when s holds nothing else). */
char *TrimTrailingChar(const char *s, char ch);
/* Both trims. */
char *TrimChar(const char *s, char ch);

/* ---- numbers --------------------------------------------------------------------------- */

/* Unsigned decimal text with at most one '.' (at most 9 fraction digits count); 0 when the
 * integer part holds anything but digits. */
double ConvertToRealFromString(const char *s);
/* Optional sign, then digits (32 bits, wrapping); 0 when another character follows. */
int32_t ParseInteger(const char *s);
/* The same in 64 bits. */
int64_t ParseLongLong(const char *s);
/* Optional sign, digits, optional '.' and fraction digits; 0 when anything else remains. */
double ParseDouble(const char *s);
/* True for len 0, or when every character is a digit (one leading '+' or '-' allowed). */
bool IsIntegerString(const char *s, size_t len);
/* True when every character is a digit or the single '.'. */
bool IsDecimalString(const char *s, size_t len);
/* base to the power exponent by repeated multiplication (wrapping); exponent <= 0 gives 1. */
int32_t Power(int32_t base, int32_t exponent);
/* Big-endian two's-complement integer of len bytes; -1 when len > 4 (or < 0). */
int32_t ConvertToInteger(const unsigned char *bytes, int len);
/* Big-endian unsigned integer of len bytes (the last four count). */
uint32_t ConvertToUnsignedInteger(const unsigned char *bytes, int len);
/* New 20-byte decimal text of *value; NULL for NULL or no memory. */
char *ConvertToStringFromInteger(const int32_t *value);
/* New 20-byte decimal text of *value; stores its length in *length when given. */
char *ConvertToStringFromUnsignedInteger(const uint32_t *value, size_t *length);
/* Kind 0: value points to an int32_t, the result is its decimal text. Kind 1: value points
 * to an int flag, the result is "TRUE" or "FALSE". Any other kind: NULL. The text length is
 * stored in *length when given. */
char *ToString(const void *value, size_t *length, int kind);
/* 0-9, A-F and a-f give 0-15; any other character is returned unchanged. */
int GetHexValue(int ch);
/* As GetHexValue, but any other character gives 0. */
int ConvertToDecimalFromHexa(int ch);
/* Packs len hexadecimal characters in place into len/2 bytes (at most 64 characters);
 * returns the number of bytes written. */
size_t ConvertToHexValue(char *buf, size_t len);
/* Writes 2 * len nibble values (0-15, high first) of bytes into out (not characters). */
void ConvertToStringFromHex(unsigned char *out, const unsigned char *bytes, size_t len);

/* ---- system ------------------------------------------------------------------------------ */

/* True when path names a directory. */
bool IsDirectory(const char *path);
/* Scrambles len bytes in place; applying it twice with the same key restores them. Returns
 * len. */
int EncryptDecryptKey(unsigned char *buf, int len, int key);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_STRINGS_H */
