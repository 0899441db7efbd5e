/* ---- include/corbel/primitives.h -------------------------------------------------------
 * Allocate-and-copy operations and the strict decimal parser.
 *
 * Copies are allocated with malloc; the holder of the target frees them with free(). The
 * copy operations return a status byte: CORBEL_STATUS_SUCCESS or CORBEL_STATUS_NO_MEMORY. */
#ifndef CORBEL_PRIMITIVES_H
#define CORBEL_PRIMITIVES_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define CORBEL_STATUS_SUCCESS 1    /* the copy was made */
#define CORBEL_STATUS_NO_MEMORY 99 /* the copy could not be allocated; the target holds NULL */

/* *target = a new copy of the `len` bytes at `src` followed by a terminating 0 byte (bytes
 * after the copy are zero). On failure logs "Unable to allocate memory\n" (ERROR), sets
 * *target to NULL and returns CORBEL_STATUS_NO_MEMORY. `src` may be NULL only when `len` is
 * 0. A NULL `target` gives CORBEL_STATUS_NO_MEMORY. */
unsigned char AllocateBytesCopy(char **target, const void *src, size_t len);

/* *target = a new copy of the string `src` (NULL `src`: *target = NULL, success). No message
 * on failure. A NULL `target` gives CORBEL_STATUS_NO_MEMORY. */
unsigned char AllocateStringCopy(char **target, const char *src);

/* Frees the string *target holds and replaces it as AllocateBytesCopy does (same message,
 * same results; on failure the old string is freed all the same and *target is NULL).
 * `src` may point into the old string. */
unsigned char ReallocateAndSetString(char **target, const char *src, size_t len);

/* The value of a decimal text: one optional leading '+' or '-', then digits only. -1 when any
 * other character occurs, when the value does not fit an int, or for NULL; 0 for "". */
int ConvertToIntegerFromString(const char *text);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_PRIMITIVES_H */
