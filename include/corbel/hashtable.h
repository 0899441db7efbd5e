/* ---- include/corbel/hashtable.h --------------------------------------------------------
 * A string-keyed hash table with separate chaining. Keys are copied and owned by the table
 * and compared with regard to case; values are the caller's pointers. Not locked: callers
 * that share a table serialise their changes. */
#ifndef CORBEL_HASHTABLE_H
#define CORBEL_HASHTABLE_H

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct HashEntry {
  char *key;                   /* owned copy of the key; NULL in an empty bucket head */
  void *value;                 /* the caller's pointer */
  struct HashEntry *nextEntry; /* next entry of the bucket, NULL at the end */
} HashEntry;

typedef struct HashTable {
  HashEntry **buckets; /* bucketCount heads, each always present */
  int32_t bucketCount; /* fixed at initialisation */
} HashTable;

/* Prepares bucketCount buckets (0 means 10); false for a negative count or when memory runs
 * out (nothing stays allocated). */
bool InitHashTable(HashTable *table, int32_t bucketCount);
/* The bucket of key: h = (h * 26 + c) mod bucketCount over its (signed) characters, kept
 * within 0..bucketCount-1. */
int32_t HashString(const HashTable *table, const char *key);
/* Inserts key with value, or replaces the value of an equal key (the old value is not
 * freed). False when memory runs out or for a NULL key. */
bool HashPut(HashTable *table, const char *key, void *value);
bool HashContains(const HashTable *table, const char *key);
/* The value under key, or NULL. */
void *HashGet(const HashTable *table, const char *key);
/* The entry holding key (stable until it is removed), or NULL. */
HashEntry *HashGetEntry(const HashTable *table, const char *key);
/* Removes key; true when it was present. */
bool HashRemove(HashTable *table, const char *key);
int32_t HashCount(const HashTable *table);
/* New NULL-terminated array referring to every key (bucket order, then chain order); free the
 * array with free(), not the keys. NULL when memory runs out. */
char **HashKeys(const HashTable *table);
/* Frees every entry, key and the buckets; the values stay the caller's. */
void FreeHashTable(HashTable *table);
/* Adds to target every key of source that target lacks, with source's value; false when a
 * table is NULL or memory runs out. */
bool MergeHashTable(const HashTable *source, HashTable *target);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_HASHTABLE_H */
