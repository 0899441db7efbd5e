/* Loads the data dictionary of a framework root through the installed corbel library and
 * prints every table with its columns, primary key and foreign keys.
 * Usage: dictionary_reader ROOT (run from a directory that has no ../data). */
#include <stdio.h>
#include <stdlib.h>

#include <corbel/corbel.h>

static void PrintColumn(const ColumnDefn *column) {
  char *defaultText = ConvertValueToString(column->defaultValue, column->type);
  printf("  column %s type=%d max=%d nullable=%d unique=%d default=%s", column->name,
         column->type, (int)column->maxSize, column->nullable, column->unique,
         column->defaultValue != NULL ? defaultText : "-");
  free(defaultText);
  if (column->generatorName != NULL) printf(" generator=%s", column->generatorName);
  if (column->allowedValues != NULL) {
    const AllowedValues *allowed = column->allowedValues;
    if (allowed->isRange) {
      printf(" range=%s..%s", allowed->values[0], allowed->values[1]);
    } else {
      printf(" values=");
      for (int i = 0; allowed->values[i] != NULL; ++i)
        printf("%s%s", i > 0 ? "," : "", allowed->values[i]);
    }
  }
  printf("\n");
}

static void PrintTable(const TableDefn *table) {
  printf("table %s: %s\n", table->name, table->description != NULL ? table->description : "");
  for (VectorNode *node = ElementAt(table->columns, 0); node != NULL; node = node->next)
    PrintColumn((const ColumnDefn *)node->element);
  const ConstraintDefn *keys = table->constraints;
  if (keys == NULL) return;
  printf("  primary key");
  for (int i = 0; i < keys->primaryKeyCount; ++i) printf(" %s", keys->primaryKeyColumns[i]);
  printf("\n");
  if (keys->foreignKeys == NULL) return;
  for (VectorNode *node = ElementAt(keys->foreignKeys, 0); node != NULL; node = node->next) {
    const ForeignKeyDefn *key = (const ForeignKeyDefn *)node->element;
    printf("  foreign key %s -> %s.%s cascade=%d bidirectional=%d\n", key->fkLocalColumn,
           key->referenceTableName, key->fkReferenceColumn, key->onDeleteCascade,
           key->isBidirectional);
  }
}

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s ROOT\n", argv[0]);
    return 2;
  }
  SetCorbelRoot(argv[1]);
  InitDataDictionary();
  if (!LoadAllDataDictFiles()) {
    fprintf(stderr, "no dictionary under %s\n", argv[1]);
    return 1;
  }
  for (VectorNode *node = ElementAt(GetTableDefnList(), 0); node != NULL; node = node->next)
    PrintTable((const TableDefn *)node->element);
  /* The lookups a program makes by name. */
  const ColumnDefn *customerId = GetColumnDefnEntry("ORDERLINE", "order_id");
  const ForeignKeyDefn *toOrder = GetForeignKeyDefn(GetTableDefn("orderline"), "ORDER_ID");
  printf("lookup %d %s %s\n", GetColumnTypeFromDefn("customer", "created_at"),
         customerId != NULL ? customerId->name : "-",
         toOrder != NULL ? toOrder->referenceTableName : "-");
  DeInitDataDictionary();
  return 0;
}
