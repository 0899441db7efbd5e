// Table, column and key definitions, and the process-wide dictionary that holds them.
#include <corbel/dictionary.h>

#include <cstdlib>
#include <cstring>

#include <corbel/log.h>
#include <corbel/primitives.h>
#include <corbel/strings.h>

namespace {

// The dictionary: TableDefn records in load order. Filled at start-up on one thread and read
// by every thread afterwards; the Vector operations lock it themselves.
Vector gv_tableDefnVect;

// A copy of `text`, or NULL for NULL; `ok` turns false when memory runs out.
char *CopyOrNull(const char *text, bool &ok) {
  char *copy = nullptr;
  if (text != nullptr && AllocateStringCopy(&copy, text) != CORBEL_STATUS_SUCCESS) ok = false;
  return copy;
}

// Frees `count` texts and the array; a negative count means "up to the NULL entry".
void FreeTexts(char **texts, int32_t count) {
  if (texts == nullptr) return;
  for (int32_t i = 0; count < 0 ? texts[i] != nullptr : i < count; ++i) std::free(texts[i]);
  std::free(texts);
}

// New NULL-terminated array of copies of `count` texts; NULL when memory runs out or a
// text is NULL.
char **CopyTexts(const char *const *texts, int32_t count) {
  if (count < 0 || (count > 0 && texts == nullptr)) return nullptr;
  auto **copies = static_cast<char **>(std::calloc(static_cast<size_t>(count) + 1, sizeof(char *)));
  if (copies == nullptr) return nullptr;
  for (int32_t i = 0; i < count; ++i) {
    if (texts[i] == nullptr || AllocateStringCopy(&copies[i], texts[i]) != CORBEL_STATUS_SUCCESS) {
      FreeTexts(copies, -1);
      return nullptr;
    }
  }
  return copies;
}

// Frees every element of a Vector with `freeElement`, then the Vector itself.
template <typename T>
void FreeVectorOf(Vector *vector, void (*freeElement)(T *)) {
  if (vector == nullptr) return;
  for (VectorNode *node = ElementAt(vector, 0); node != nullptr; node = node->next)
    freeElement(static_cast<T *>(node->element));
  FreeVector(vector);
  std::free(vector);
}

// The column `columnName` of the table, logging the two lookup failures.
ColumnDefn *FindColumn(const char *tableName, const char *columnName) {
  if (tableName == nullptr || columnName == nullptr) {
    LogError("Cannot fetch default value;\n");
    return nullptr;
  }
  TableDefn *table = GetTableDefn(tableName);
  if (table == nullptr) {
    LogError("No definition found for table %s\n", tableName);
    return nullptr;
  }
  for (VectorNode *node = ElementAt(table->columns, 0); node != nullptr; node = node->next) {
    auto *column = static_cast<ColumnDefn *>(node->element);
    if (std::strcmp(column->name, columnName) == 0) return column;
  }
  return nullptr;
}

const char *TextOrEmpty(const char *text) {
  return text != nullptr ? text : "";
}

}  // namespace

extern "C" {

void InitDataDictionary(void) {
  InitVector(&gv_tableDefnVect, nullptr);
}

void DeInitDataDictionary(void) {
  FreeAllTableDefns();
}

Vector *GetTableDefnList(void) {
  return &gv_tableDefnVect;
}

bool AddTableDefn(TableDefn *table) {
  return table != nullptr && AddElementValue(&gv_tableDefnVect, table);
}

TableDefn *GetTableDefn(const char *tableName) {
  if (tableName == nullptr) {
    LogError("Table Name is NULL.\n");
    return nullptr;
  }
  for (VectorNode *node = ElementAt(&gv_tableDefnVect, 0); node != nullptr; node = node->next) {
    auto *table = static_cast<TableDefn *>(node->element);
    if (CompareStringNoCase(table->name, tableName) == 0) return table;
  }
  return nullptr;
}

ColumnDefn *GetColumnDefnEntry(const char *tableName, const char *columnName) {
  LogTrace("@@@@ Inside GetColumnDefnEntry @@@@\n");
  return FindColumn(tableName, columnName);
}

uint8_t GetColumnTypeFromDefn(const char *tableName, const char *columnName) {
  ColumnDefn *column = GetColumnDefnEntry(tableName, columnName);
  if (column == nullptr) return ZEL_SQL_NOT_SUPPORTED_TYPE;
  return column->type;
}

void *GetDefaultValue(const char *tableName, const char *columnName, uint8_t *found) {
  LogTrace("@@@@ Inside GetDefaultValue @@@@\n");
  ColumnDefn *column = FindColumn(tableName, columnName);
  if (column == nullptr) return nullptr;
  if (found != nullptr) *found = 1;
  return column->defaultValue;
}

ForeignKeyDefn *GetForeignKeyDefn(const TableDefn *table, const char *localColumn) {
  if (table == nullptr || localColumn == nullptr) return nullptr;
  if (table->constraints == nullptr) {
    LogError("No constraint Definition \n");
    return nullptr;
  }
  if (table->constraints->foreignKeys == nullptr) {
    LogError("No Foreignkey Entries in Definition \n");
    return nullptr;
  }
  for (VectorNode *node = ElementAt(table->constraints->foreignKeys, 0); node != nullptr;
       node = node->next) {
    auto *key = static_cast<ForeignKeyDefn *>(node->element);
    if (key->fkLocalColumn != nullptr && CompareStringNoCase(key->fkLocalColumn, localColumn) == 0)
      return key;
  }
  return nullptr;
}

AllowedValues *CreateAllowedValues(const char *const *values, int32_t count, uint8_t isRange) {
  if (isRange != 0 && count != 2) return nullptr;
  auto *allowed = static_cast<AllowedValues *>(std::calloc(1, sizeof(AllowedValues)));
  if (allowed == nullptr) return nullptr;
  allowed->values = CopyTexts(values, count);
  if (allowed->values == nullptr) {
    std::free(allowed);
    return nullptr;
  }
  allowed->isRange = isRange != 0 ? 1 : 0;
  return allowed;
}

void FreeAllowedValues(AllowedValues *allowedValues) {
  if (allowedValues == nullptr) return;
  FreeTexts(allowedValues->values, -1);
  std::free(allowedValues);
}

ColumnDefn *CreateColumnDefn(const char *name, uint8_t type, const char *defaultText,
                             int32_t defaultLength, uint8_t unique, const char *generatorName,
                             const char *description, int32_t maxSize, uint8_t nullable,
                             AllowedValues *allowedValues) {
  auto *column =
      name != nullptr ? static_cast<ColumnDefn *>(std::calloc(1, sizeof(ColumnDefn))) : nullptr;
  if (column == nullptr) {
    FreeAllowedValues(allowedValues);
    return nullptr;
  }
  column->allowedValues = allowedValues;
  if ((type == ZEL_SQL_CHAR || type == ZEL_SQL_VARCHAR) && maxSize >= ZEL_SQL_TEXT_MIN_SIZE)
    type = ZEL_SQL_TEXT;
  column->type = type;
  column->unique = unique;
  column->maxSize = maxSize;
  column->nullable = nullable;
  bool ok = true;
  column->name = CopyOrNull(name, ok);
  column->generatorName = CopyOrNull(generatorName, ok);
  column->description = CopyOrNull(description, ok);
  if (ok && defaultText != nullptr) {
    int32_t length = defaultLength;
    column->defaultValue = ConvertStringToValue(defaultText, &length, type);
    if (column->defaultValue != nullptr) {
      column->defaultValueLength = length;
    } else {
      LogError(
          "Default value \"%s\" of column %s is not a value of type %d; the column has no "
          "default.\n",
          defaultText, name, type);
    }
  }
  if (!ok) {
    FreeColumnDefn(column);
    return nullptr;
  }
  return column;
}

void FreeColumnDefn(ColumnDefn *column) {
  if (column == nullptr) return;
  std::free(column->name);
  std::free(column->defaultValue);
  std::free(column->generatorName);
  std::free(column->description);
  FreeAllowedValues(column->allowedValues);
  std::free(column);
}

ConstraintDefn *CreateConstraintDefn(const char *const *primaryKeyColumns, int32_t count) {
  auto *constraints = static_cast<ConstraintDefn *>(std::calloc(1, sizeof(ConstraintDefn)));
  if (constraints == nullptr) return nullptr;
  constraints->primaryKeyColumns = CopyTexts(primaryKeyColumns, count);
  if (constraints->primaryKeyColumns == nullptr) {
    std::free(constraints);
    return nullptr;
  }
  constraints->primaryKeyCount = count;
  return constraints;
}

ForeignKeyDefn *CreateForeignKeyDefn(const char *localColumn, const char *referenceColumn,
                                     const char *referenceTable, uint8_t onDeleteCascade,
                                     uint8_t onUpdateCascade, uint8_t isBidirectional) {
  auto *key = static_cast<ForeignKeyDefn *>(std::calloc(1, sizeof(ForeignKeyDefn)));
  if (key == nullptr) return nullptr;
  bool ok = true;
  key->fkLocalColumn = CopyOrNull(localColumn, ok);
  key->fkReferenceColumn = CopyOrNull(referenceColumn, ok);
  key->referenceTableName = CopyOrNull(referenceTable, ok);
  key->onDeleteCascade = onDeleteCascade;
  key->onUpdateCascade = onUpdateCascade;
  key->isBidirectional = isBidirectional;
  if (!ok) {
    FreeForeignKeyDefn(key);
    return nullptr;
  }
  return key;
}

void FreeForeignKeyDefn(ForeignKeyDefn *foreignKey) {
  if (foreignKey == nullptr) return;
  std::free(foreignKey->fkLocalColumn);
  std::free(foreignKey->fkReferenceColumn);
  std::free(foreignKey->referenceTableName);
  std::free(foreignKey);
}

bool AddForeignKeyDefn(ConstraintDefn *constraints, ForeignKeyDefn *foreignKey) {
  if (constraints == nullptr || foreignKey == nullptr) return false;
  if (constraints->foreignKeys == nullptr) {
    constraints->foreignKeys = CreateVector();
    if (constraints->foreignKeys == nullptr) return false;
  }
  return AddElementValue(constraints->foreignKeys, foreignKey);
}

void FreeConstraintDefn(ConstraintDefn *constraints) {
  if (constraints == nullptr) return;
  FreeTexts(constraints->primaryKeyColumns, constraints->primaryKeyCount);
  FreeVectorOf(constraints->foreignKeys, FreeForeignKeyDefn);
  std::free(constraints);
}

TableDefn *CreateTableDefn(const char *name, const char *description, Vector *columns,
                           ConstraintDefn *constraints) {
  auto *table =
      name != nullptr ? static_cast<TableDefn *>(std::calloc(1, sizeof(TableDefn))) : nullptr;
  if (table == nullptr) {
    FreeVectorOf(columns, FreeColumnDefn);
    FreeConstraintDefn(constraints);
    return nullptr;
  }
  table->columns = columns != nullptr ? columns : CreateVector();
  table->constraints = constraints;
  bool ok = table->columns != nullptr;
  table->name = CopyOrNull(name, ok);
  table->description = CopyOrNull(description, ok);
  if (!ok) {
    ReleaseTableDefn(table);
    return nullptr;
  }
  return table;
}

void ReleaseTableDefn(TableDefn *table) {
  if (table == nullptr) return;
  std::free(table->name);
  std::free(table->description);
  FreeVectorOf(table->columns, FreeColumnDefn);
  FreeConstraintDefn(table->constraints);
  std::free(table);
}

bool FreeTableDefn(const char *tableName) {
  TableDefn *table = GetTableDefn(tableName);
  if (table == nullptr || !DeleteLCDVector(&gv_tableDefnVect, table)) return false;
  ReleaseTableDefn(table);
  return true;
}

void FreeAllTableDefns(void) {
  for (VectorNode *node = ElementAt(&gv_tableDefnVect, 0); node != nullptr; node = node->next)
    ReleaseTableDefn(static_cast<TableDefn *>(node->element));
  FreeVector(&gv_tableDefnVect);
}

void PrintTableDefn(const TableDefn *table) {
  if (table == nullptr || table->columns == nullptr || table->columns->count == 0) return;
  static const char kRule[] = "---------------------------------------\n\n";
  LogDebug("Table Name : %s\n", table->name);
  LogDebug("Description: %s\n", TextOrEmpty(table->description));
  LogDebug("%s", kRule);
  for (VectorNode *node = ElementAt(table->columns, 0); node != nullptr; node = node->next) {
    auto *column = static_cast<const ColumnDefn *>(node->element);
    LogDebug("Column Name : %s\n", column->name);
    LogDebug("Column Type : %d\n", column->type);
    LogDebug("Unique Flag : %s\n", column->unique ? "TRUE" : "FALSE");
    LogDebug("Description : %s\n", TextOrEmpty(column->description));
    LogDebug("%s", kRule);
  }
  const ConstraintDefn *constraints = table->constraints;
  if (constraints == nullptr) return;
  for (int32_t i = 0; i < constraints->primaryKeyCount; ++i)
    LogDebug("Primary key : %s\n\n", constraints->primaryKeyColumns[i]);
  if (constraints->foreignKeys == nullptr) return;
  LogDebug("Foreign key Constraints\n");
  LogDebug("********************************\n");
  for (VectorNode *node = ElementAt(constraints->foreignKeys, 0); node != nullptr;
       node = node->next) {
    auto *key = static_cast<const ForeignKeyDefn *>(node->element);
    LogDebug("Column Name : %s\n", TextOrEmpty(key->fkLocalColumn));
    LogDebug("Ref Column  : %s\n", TextOrEmpty(key->fkReferenceColumn));
    LogDebug("Tablename : %s\n", TextOrEmpty(key->referenceTableName));
  }
  LogDebug("********************************\n");
}

void PrintAllTableDefns(void) {
  for (VectorNode *node = ElementAt(&gv_tableDefnVect, 0); node != nullptr; node = node->next)
    PrintTableDefn(static_cast<const TableDefn *>(node->element));
}

}  // extern "C"
