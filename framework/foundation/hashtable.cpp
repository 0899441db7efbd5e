// HashTable: string keys in chained buckets whose head entry is always allocated.
#include <corbel/hashtable.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/foundation/text.h"

namespace {

HashEntry *Find(const HashTable *table, const char *key) {
  if (!table || !table->buckets || !key) return nullptr;
  for (HashEntry *e = table->buckets[HashString(table, key)]; e; e = e->nextEntry)
    if (e->key && std::strcmp(e->key, key) == 0) return e;
  return nullptr;
}

}  // namespace

extern "C" {

bool InitHashTable(HashTable *table, int32_t bucketCount) {
  if (!table || bucketCount < 0) return false;
  if (bucketCount == 0) bucketCount = 10;
  table->buckets = nullptr;
  table->bucketCount = 0;
  auto **buckets = static_cast<HashEntry **>(std::calloc(static_cast<size_t>(bucketCount), sizeof(HashEntry *)));
  if (!buckets) return false;
  for (int32_t i = 0; i < bucketCount; ++i) {
    buckets[i] = static_cast<HashEntry *>(std::calloc(1, sizeof(HashEntry)));
    if (!buckets[i]) {
      for (int32_t j = 0; j < i; ++j) std::free(buckets[j]);
      std::free(buckets);
      return false;
    }
  }
  table->buckets = buckets;
  table->bucketCount = bucketCount;
  return true;
}

int32_t HashString(const HashTable *table, const char *key) {
  if (!table || table->bucketCount <= 0 || !key) return 0;
  int64_t n = table->bucketCount, h = 0;
  for (const char *p = key; *p; ++p) {
    h = (h * 26 + static_cast<signed char>(*p)) % n;
    if (h < 0) h += n;  // a byte above 127 must not lead outside the buckets
  }
  return static_cast<int32_t>(h);
}

bool HashPut(HashTable *table, const char *key, void *value) {
  if (!table || !table->buckets || !key) return false;
  HashEntry *e = table->buckets[HashString(table, key)];
  if (!e->key) {
    if (AllocateStringCopy(&e->key, key) != CORBEL_STATUS_SUCCESS) return false;
    e->value = value;
    return true;
  }
  for (;; e = e->nextEntry) {
    if (std::strcmp(e->key, key) == 0) {
      e->value = value;
      return true;
    }
    if (!e->nextEntry) break;
  }
  auto *added = static_cast<HashEntry *>(std::calloc(1, sizeof(HashEntry)));
  if (!added || AllocateStringCopy(&added->key, key) != CORBEL_STATUS_SUCCESS) {
    std::free(added);
    return false;
  }
  added->value = value;
  e->nextEntry = added;
  return true;
}

bool HashContains(const HashTable *table, const char *key) { return Find(table, key) != nullptr; }

void *HashGet(const HashTable *table, const char *key) {
  HashEntry *e = Find(table, key);
  return e ? e->value : nullptr;
}

HashEntry *HashGetEntry(const HashTable *table, const char *key) { return Find(table, key); }

bool HashRemove(HashTable *table, const char *key) {
  if (!table || !table->buckets || !key) return false;
  HashEntry **slot = &table->buckets[HashString(table, key)];
  HashEntry *head = *slot;
  if (head->key && std::strcmp(head->key, key) == 0) {
    if (head->nextEntry) {
      *slot = head->nextEntry;
      std::free(head->key);
      std::free(head);
    } else {
      std::free(head->key);
      head->key = nullptr;
      head->value = nullptr;
    }
    return true;
  }
  for (HashEntry *prev = head; prev->nextEntry; prev = prev->nextEntry) {
    HashEntry *e = prev->nextEntry;
    if (std::strcmp(e->key, key) == 0) {
      prev->nextEntry = e->nextEntry;
      std::free(e->key);
      std::free(e);
      return true;
    }
  }
  return false;
}

int32_t HashCount(const HashTable *table) {
  int32_t n = 0;
  for (int32_t i = 0; table && table->buckets && i < table->bucketCount; ++i)
    for (HashEntry *e = table->buckets[i]; e; e = e->nextEntry)
      if (e->key) ++n;
  return n;
}

char **HashKeys(const HashTable *table) {
  std::vector<char *> keys;
  for (int32_t i = 0; table && table->buckets && i < table->bucketCount; ++i)
    for (HashEntry *e = table->buckets[i]; e; e = e->nextEntry)
      if (e->key) keys.push_back(e->key);
  auto **out = static_cast<char **>(std::calloc(keys.size() + 1, sizeof(char *)));
  if (!out) return nullptr;
  for (size_t i = 0; i < keys.size(); ++i) out[i] = keys[i];
  return out;
}

void FreeHashTable(HashTable *table) {
  if (!table || !table->buckets) return;
  for (int32_t i = 0; i < table->bucketCount; ++i) {
    for (HashEntry *e = table->buckets[i]; e;) {
      HashEntry *next = e->nextEntry;
      std::free(e->key);
      std::free(e);
      e = next;
    }
  }
  std::free(table->buckets);
  table->buckets = nullptr;
  table->bucketCount = 0;
}

bool MergeHashTable(const HashTable *source, HashTable *target) {
  if (!source || !target) return false;
  for (int32_t i = 0; source->buckets && i < source->bucketCount; ++i)
    for (HashEntry *e = source->buckets[i]; e; e = e->nextEntry)
      if (e->key && !HashContains(target, e->key) && !HashPut(target, e->key, e->value)) return false;
  return true;
}

}  // extern "C"
