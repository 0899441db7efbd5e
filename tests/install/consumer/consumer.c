/* A C11 program built against the installed corbel package: a few operations of the
 * foundation, each checked. Prints "ok" and exits 0 when all hold. */
#include <corbel/corbel.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int failures = 0;

static void check(int condition, const char *what) {
  if (!condition) {
    fprintf(stderr, "FAILED: %s\n", what);
    ++failures;
  }
}

static signed char by_text(const VectorNode *a, const VectorNode *b) {
  return CompareString((const char *)a->element, (const char *)b->element);
}

int main(void) {
  InitMutex();

  /* strings */
  char *lower = ToLowerCaseCopy("AbC-1");
  check(lower && strcmp(lower, "abc-1") == 0, "ToLowerCaseCopy");
  free(lower);
  char **parts = SplitString("a,b,c", ",");
  check(parts && strcmp(parts[2], "c") == 0 && parts[3] == NULL, "SplitString");
  for (char **p = parts; p && *p; ++p) free(*p);
  free(parts);
  int32_t most_negative = INT32_MIN;
  char *digits = ConvertToStringFromInteger(&most_negative);
  check(digits && strcmp(digits, "-2147483648") == 0, "ConvertToStringFromInteger");
  free(digits);
  check(CompareString(NULL, "a") == -1, "CompareString with NULL");

  /* dates */
  ZelDateTime *when = ConvertStringToZelDateTime("2026-12-31 23:59:59");
  AddToZelDateTime(when, 1, ZEL_UNIT_SECONDS);
  char *text = ZelDateTimeToString(when);
  check(text && strcmp(text, "2027-01-01 00:00:00") == 0, "AddToZelDateTime");
  free(text);
  FreeZelDateTime(when);
  struct tm record;
  memset(&record, 0, sizeof record);
  check(ParseTimeString("09/12/26", "%D", &record) != NULL && record.tm_year == 126,
        "ParseTimeString");

  /* an ordered Vector */
  Vector names;
  InitVector(&names, by_text);
  const char *words[] = {"pear", "apple", "fig", "apple"};
  int added = 0;
  for (int i = 0; i < 4; ++i) added += AddElementValue(&names, (void *)words[i]);
  VectorNode *first = ElementAt(&names, 0);
  check(added == 3 && names.count == 3, "ordered Vector refuses the duplicate");
  check(first && strcmp((const char *)first->element, "apple") == 0, "ordered Vector order");
  FreeVector(&names);

  /* hash table */
  HashTable table;
  int value = 42;
  check(InitHashTable(&table, 0) && table.bucketCount == 10, "InitHashTable");
  HashPut(&table, "answer", &value);
  check(HashGet(&table, "answer") == &value && HashCount(&table) == 1, "HashGet");
  FreeHashTable(&table);

  /* OID */
  uint32_t *oid = NULL;
  check(ConvertToOidOrIpFromString(&oid, ".1.3.6.1", false) == 4 && oid[2] == 6, "OID text");
  free(oid);

  if (failures) return 1;
  printf("ok\n");
  return 0;
}
