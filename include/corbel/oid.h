/* ---- include/corbel/oid.h --------------------------------------------------------------
 * SNMP value types: object identifiers (arrays of 32-bit sub-identifiers, text ".1.3.6.1"),
 * IPv4 addresses (four sub-identifiers 0-255, text "10.0.0.1") and Counter64 (two 32-bit
 * words). Arrays returned by these functions are malloc'ed; the caller frees them. */
#ifndef CORBEL_OID_H
#define CORBEL_OID_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct Counter64 {
  uint32_t high; /* upper 32 bits */
  uint32_t low;  /* lower 32 bits */
} Counter64;

/* Parses an OID text (leading dot) or, with isIp, an IP text into a new array in *array
 * (one spare entry). Returns the number of sub-identifiers, 0 when it does not match the
 * dots, -1 on a syntax error or when memory runs out (*array is then NULL). */
int32_t ConvertToOidOrIpFromString(uint32_t **array, const char *text, bool isIp);
/* Four decimal components 0-255 separated by single dots. */
bool IsValidIPAddress(const char *text, int32_t length);
/* Starts with a dot and holds at least two dots. */
bool IsValidOid(const char *text, int32_t length);
/* Number of dots in the first length characters. */
uint16_t GetOidLength(const char *text, int32_t length);
/* 1, 0 or -1, sub-identifier by sub-identifier; a prefix sorts first. */
signed char CompareOid(const uint32_t *a, int32_t aCount, const uint32_t *b, int32_t bCount);
void CopyOid(uint32_t *destination, const uint32_t *source, int32_t count);
/* Copies count sub-identifiers of source into destination from position start on. */
void SetNOid(uint32_t *destination, const uint32_t *source, int32_t start, int32_t count);
/* The first sub-identifier greater than value, or 0. */
uint32_t GetNextSubId(uint32_t value, const uint32_t *array, int32_t count);
/* Replaces *array with a new copy of count sub-identifiers (plus a spare) and stores the
 * count: 1, or 99 when memory runs out (the old array is freed either way). */
unsigned char ReallocateAndSetOID(uint32_t **array, int32_t *countOut, const uint32_t *source,
                                  int32_t count);
/* Writes ".1.3.6" into buffer of bufferSize bytes; 1, or 0 when it does not fit. */
int ConvertToStringFromOid(const uint32_t *array, int32_t count, char *buffer,
                           size_t bufferSize);
/* New text with a leading dot of *byteLength / 4 sub-identifiers; *byteLength becomes the
 * text length. NULL when memory runs out. */
char *ConvertToStringFromOID(const uint32_t *array, int32_t *byteLength);
/* Writes array[start..end) as "a.b.c.d" into out (at least 20 bytes; at most 19 characters
 * are written). */
void ConvertToIpAddressFromOid(char *out, const uint32_t *array, int32_t start, int32_t end);
/* buffer[i] = array[start + i] mod 255 for i < length, then a 0 byte. */
void ConvertToCharArray(char *buffer, const uint32_t *array, int32_t start, int32_t length);
/* One sub-identifier per character (signed, widened). */
void CopyStringToOid(uint32_t *array, const char *text);
/* One sub-identifier per byte (unsigned). */
void CopyStringToOID(uint32_t *array, const unsigned char *bytes, int32_t length);
/* DEBUG lines of the sub-identifiers / the bytes (each with the caller's format). */
void PrintOid(const uint32_t *array, int32_t count);
void PrintStream(const unsigned char *bytes, int32_t length, const char *format);

Counter64 ConvertToCounter64FromULongLong(unsigned long long value);
unsigned long long ConvertToULongLongFromCounter64(uint32_t high, uint32_t low);
/* Decodes a big-endian integer of up to 8 bytes (9: the first byte is skipped). False for
 * other lengths. */
bool ConvertToCounter64(Counter64 *out, const unsigned char *bytes, int32_t length);
/* New decimal text of the 64-bit value. */
char *ConvertCounter64ToString(Counter64 value);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_OID_H */
