// Table data from XML: every element of a seed document that names a dictionary table becomes
// one row of it. Nested rows inherit key values from the elements around them, and keys
// written as references "T:C:v" are renumbered through the sequence generator, the same old
// key always receiving the same new one within a document.
#include <corbel/tabledata.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include <corbel/dictionary.h>
#include <corbel/log.h>
#include <corbel/sequence.h>
#include <corbel/store.h>
#include <corbel/strings.h>

namespace {

constexpr int32_t kRemapBuckets = 50;
// A foreign-key chain longer than this is a cycle in the dictionary.
constexpr int kMaxChain = 64;
// Resolving keys can branch at every enclosing row of the referenced table; a document built
// to make that explode gets this many resolutions per row and no more.
constexpr int kResolveBudget = 4096;
thread_local int t_resolveBudget = kResolveBudget;

const char *Name(const xmlNode *node) { return reinterpret_cast<const char *>(node->name); }

bool IsElement(const xmlNode *node) { return node != nullptr && node->type == XML_ELEMENT_NODE; }

// The text of the attribute named `name` (without regard to case), or nothing.
std::optional<std::string> Attribute(xmlDoc *doc, const xmlNode *element, const char *name) {
  if (!IsElement(element) || name == nullptr) return std::nullopt;
  for (const xmlAttr *a = element->properties; a != nullptr; a = a->next) {
    if (CompareStringNoCase(reinterpret_cast<const char *>(a->name), name) != 0) continue;
    xmlChar *text = xmlNodeListGetString(doc, a->children, 1);
    std::string value = text != nullptr ? reinterpret_cast<const char *>(text) : "";
    xmlFree(text);
    return value;
  }
  return std::nullopt;
}

bool SameName(const char *a, const char *b) { return CompareStringNoCase(a, b) == 0; }

struct ForeignKeyEntry {
  std::string referenceTable, referenceColumn, localColumn;
  std::optional<std::string> inherited;
};

struct PrimaryKeyEntry {
  std::string column;
  std::optional<std::string> inherited;
};

std::vector<ForeignKeyEntry> ForeignKeys(const TableDefn *table, bool trace) {
  std::vector<ForeignKeyEntry> list;
  if (table == nullptr || table->constraints == nullptr || table->constraints->foreignKeys == nullptr)
    return list;
  for (VectorNode *n = ElementAt(table->constraints->foreignKeys, 0); n != nullptr; n = n->next) {
    const auto *fk = static_cast<const ForeignKeyDefn *>(n->element);
    if (fk->fkLocalColumn == nullptr || fk->fkReferenceColumn == nullptr || fk->referenceTableName == nullptr)
      continue;
    if (trace) {
      LogTrace("Column Name : %s\n", fk->fkLocalColumn);
      LogTrace("Ref Column  : %s\n", fk->fkReferenceColumn);
      LogTrace("Tablename : %s\n", fk->referenceTableName);
    }
    list.push_back({fk->referenceTableName, fk->fkReferenceColumn, fk->fkLocalColumn, std::nullopt});
  }
  return list;
}

void ResolveForeignKeys(xmlDoc *doc, const xmlNode *element, std::vector<ForeignKeyEntry> &list, int depth);

// The value a row element gives for `column` of its own: its attribute, else its own foreign
// key whose local column that is (resolved from its surroundings).
std::optional<std::string> OwnKeyValue(xmlDoc *doc, const xmlNode *element, const std::string &column,
                                       int depth) {
  if (auto a = Attribute(doc, element, column.c_str())) return a;
  if (depth > kMaxChain) return std::nullopt;
  std::vector<ForeignKeyEntry> own = ForeignKeys(GetTableDefn(Name(element)), false);
  ResolveForeignKeys(doc, element, own, depth + 1);
  for (const auto &e : own)
    if (SameName(e.localColumn.c_str(), column.c_str())) return e.inherited;
  return std::nullopt;
}

void ResolveForeignKeys(xmlDoc *doc, const xmlNode *element, std::vector<ForeignKeyEntry> &list,
                        int depth) {
  if (--t_resolveBudget < 0) return;
  // From the enclosing elements, nearest first.
  for (const xmlNode *up = element->parent; IsElement(up); up = up->parent) {
    for (auto &e : list) {
      if (e.inherited) continue;
      e.inherited = Attribute(doc, up, e.referenceColumn.c_str());
      if (!e.inherited && SameName(Name(up), e.referenceTable.c_str()) && depth <= kMaxChain) {
        std::vector<ForeignKeyEntry> outer = ForeignKeys(GetTableDefn(Name(up)), false);
        ResolveForeignKeys(doc, up, outer, depth + 1);
        for (const auto &o : outer)
          if (SameName(o.localColumn.c_str(), e.referenceColumn.c_str())) e.inherited = o.inherited;
      }
    }
  }
  // Then from below: down the first child elements to a row of the referenced table.
  for (auto &e : list) {
    if (e.inherited) continue;
    const xmlNode *down = xmlFirstElementChild(const_cast<xmlNode *>(element));
    while (down != nullptr && !SameName(Name(down), e.referenceTable.c_str()))
      down = xmlFirstElementChild(const_cast<xmlNode *>(down));
    if (down != nullptr) e.inherited = OwnKeyValue(doc, down, e.referenceColumn, depth + 1);
  }
}

std::vector<PrimaryKeyEntry> PrimaryKeys(xmlDoc *doc, const xmlNode *element, const TableDefn *table,
                                         const std::vector<ForeignKeyEntry> &foreignKeys) {
  std::vector<PrimaryKeyEntry> list;
  const ConstraintDefn *keys = table->constraints;
  if (keys == nullptr) return list;
  for (int32_t k = 0; k < keys->primaryKeyCount; ++k) {
    const char *column = keys->primaryKeyColumns[k];
    LogTrace("Primary key : %s\n\n", column);
    bool isForeign = false;
    if (!foreignKeys.empty()) {
      LogTrace("Foreign key Constraints\n");
      LogTrace("********************************\n");
    }
    for (const auto &fk : foreignKeys) {
      LogTrace("Column Name : %s\n", fk.localColumn.c_str());
      if (SameName(fk.localColumn.c_str(), column)) isForeign = true;
    }
    if (!isForeign) list.push_back({column, std::nullopt});
  }
  for (auto &e : list)
    for (const xmlNode *up = element->parent; IsElement(up) && !e.inherited; up = up->parent)
      e.inherited = Attribute(doc, up, e.column.c_str());
  return list;
}

// ---- key remapping ---------------------------------------------------------------------------

std::optional<int32_t> Lookup(HashTable *remap, const std::string &reference) {
  HashEntry *entry = HashGetEntry(remap, reference.c_str());
  if (entry == nullptr) return std::nullopt;
  return static_cast<int32_t>(reinterpret_cast<intptr_t>(entry->value));
}

bool Enter(HashTable *remap, const std::string &reference, int32_t key) {
  return HashPut(remap, reference.c_str(), reinterpret_cast<void *>(static_cast<intptr_t>(key)));
}

std::string Reference(const std::string &table, const std::string &column, const std::string &value) {
  return table + ":" + column + ":" + value;
}

int32_t Generate(const std::string &table, const std::string &column) {
  const ColumnDefn *defn = GetColumnDefnEntry(table.c_str(), column.c_str());
  if (defn == nullptr || defn->generatorName == nullptr) return -1;
  return GenerateID(table.c_str(), defn);
}

// The new key for reference text `ref` (T:C:v) in column `column` of table `table`; nothing
// when T or C is missing.
std::optional<int32_t> RemappedKey(HashTable *remap, const std::string &table, const ColumnDefn *column,
                                   const std::string &ref) {
  std::size_t first = ref.find(':');
  std::size_t second = ref.find(':', first + 1);
  std::string t = ref.substr(0, first), c = ref.substr(first + 1, second - first - 1);
  std::string v = ref.substr(second + 1);
  std::string own = Reference(table, column->name, v);
  if (auto known = Lookup(remap, ref)) {
    if (!Enter(remap, own, *known)) return std::nullopt;
    return known;
  }
  int32_t key = column->generatorName != nullptr ? GenerateID(table.c_str(), column) : -1;
  if (key == -1) {
    if (t.empty() || c.empty()) {
      LogError("Unable to get Column details for AutoID generation \n");
      return std::nullopt;
    }
    key = Generate(t, c);
    std::vector<std::string> chain;
    std::string ct = t, cc = c;
    for (int step = 0; key == -1 && step < kMaxChain; ++step) {
      const ForeignKeyDefn *fk = GetForeignKeyDefn(GetTableDefn(ct.c_str()), cc.c_str());
      if (fk == nullptr || fk->referenceTableName == nullptr || fk->fkReferenceColumn == nullptr) break;
      chain.push_back(Reference(ct, cc, v));
      ct = fk->referenceTableName;
      cc = fk->fkReferenceColumn;
      key = Generate(ct, cc);
      if (key != -1) chain.push_back(Reference(ct, cc, v));
    }
    if (key == -1) {
      key = ParseInteger(v.c_str());
    } else if (!chain.empty()) {
      // A row already renumbered along the chain keeps its key.
      for (const auto &r : chain)
        if (auto known = Lookup(remap, r)) {
          key = *known;
          break;
        }
      for (const auto &r : chain)
        if (!Lookup(remap, r) && !Enter(remap, r, key)) return std::nullopt;
    }
    if (!Lookup(remap, own) && !Enter(remap, own, key)) return std::nullopt;
  }
  if (!Enter(remap, ref, key)) return std::nullopt;
  return key;
}

// ---- one row -----------------------------------------------------------------------------------

bool IsText(uint8_t type) {
  return type == ZEL_SQL_CHAR || type == ZEL_SQL_VARCHAR || type == ZEL_SQL_BLOB || type == ZEL_SQL_TEXT;
}

bool IsDate(uint8_t type) {
  return type == ZEL_SQL_DATE || type == ZEL_SQL_TIME || type == ZEL_SQL_DATETIME;
}

struct Values {
  std::vector<void *> values;
  std::vector<int32_t> lengths;
  explicit Values(std::size_t n) : values(n, nullptr), lengths(n, 0) {}
  ~Values() {
    for (void *v : values) std::free(v);
  }
  bool Set(std::size_t i, uint8_t type, const char *text) {
    void *value = nullptr;
    int32_t length = 0;
    if (AllocateAndCopyColumnValue(&value, &length, type, text) == 0) return false;
    if (value == nullptr) return true;  // a type that takes no value from a text
    std::free(values[i]);
    values[i] = value;
    lengths[i] = length;
    return true;
  }
};

bool BuildRow(xmlDoc *doc, xmlNode *element, HashTable *remap, TableData *table) {
  TableDefn *defn = table->tableDefn;
  t_resolveBudget = kResolveBudget;
  std::vector<ForeignKeyEntry> foreignKeys = ForeignKeys(defn, true);
  ResolveForeignKeys(doc, element, foreignKeys, 0);
  std::vector<PrimaryKeyEntry> primaryKeys = PrimaryKeys(doc, element, defn, foreignKeys);

  Values row(static_cast<std::size_t>(table->columnCount));
  std::size_t i = 0;
  for (VectorNode *n = ElementAt(defn->columns, 0); n != nullptr && i < row.values.size(); n = n->next, ++i) {
    const auto *column = static_cast<const ColumnDefn *>(n->element);
    std::optional<std::string> text = Attribute(doc, element, column->name);
    bool inherit = !text.has_value();
    bool useDefault = !text.has_value();
    if (text) {
      std::size_t first = text->find(':');
      bool reference = first != std::string::npos && text->find(':', first + 1) != std::string::npos;
      if (!reference) {
        if (!row.Set(i, column->type, text->c_str())) return false;
      } else {
        std::string valuePart = text->substr(text->find(':', first + 1) + 1);
        if (SameName(defn->name, "Workflow_Statements") && std::strcmp(column->name, "NEXT_STATEMENT_ID") == 0 &&
            valuePart == "0") {
          if (!row.Set(i, column->type, "0")) return false;
          inherit = useDefault = true;
        } else if (IsText(column->type)) {
          if (!row.Set(i, column->type, valuePart.c_str())) return false;
        } else if (IsDate(column->type)) {
          if (!row.Set(i, column->type, text->c_str())) return false;
        } else if (auto key = RemappedKey(remap, defn->name, column, *text)) {
          // Stored at the column's own width.
          if (!row.Set(i, column->type, std::to_string(*key).c_str())) return false;
        } else {
          useDefault = true;
        }
      }
    }
    if (useDefault && column->defaultValue != nullptr) {
      void *copy = CopyTypedValue(column->defaultValue, column->defaultValueLength, column->type);
      if (copy == nullptr) return false;
      std::free(row.values[i]);
      row.values[i] = copy;
      row.lengths[i] = column->defaultValueLength;
    }
    if (inherit) {
      const std::optional<std::string> *inherited = nullptr;
      for (const auto &fk : foreignKeys)
        if (SameName(fk.localColumn.c_str(), column->name)) {
          inherited = &fk.inherited;
          break;
        }
      if (inherited == nullptr)
        for (const auto &pk : primaryKeys)
          if (SameName(pk.column.c_str(), column->name)) {
            inherited = &pk.inherited;
            break;
          }
      if (inherited != nullptr && inherited->has_value()) {
        const std::string &from = **inherited;
        std::size_t colon = from.find(':');
        bool reference = colon != std::string::npos && from.find(':', colon + 1) != std::string::npos;
        // An inherited reference names the enclosing row's renumbered key, not the number 0.
        if (reference && !IsText(column->type) && !IsDate(column->type)) {
          if (auto key = RemappedKey(remap, defn->name, column, from)) {
            if (!row.Set(i, column->type, std::to_string(*key).c_str())) return false;
          }
        } else if (!row.Set(i, column->type, from.c_str())) {
          return false;
        }
      }
    }
  }
  auto *values = static_cast<void **>(std::calloc(row.values.size() + 1, sizeof(void *)));
  auto *lengths = static_cast<int32_t *>(std::calloc(row.values.size() + 1, sizeof(int32_t)));
  RowObject *made = values != nullptr && lengths != nullptr ? CreateNewRowObject(values, lengths) : nullptr;
  if (made == nullptr) {
    std::free(values);
    std::free(lengths);
    return false;
  }
  for (std::size_t k = 0; k < row.values.size(); ++k) {
    values[k] = row.values[k];
    lengths[k] = row.lengths[k];
    row.values[k] = nullptr;
  }
  if (!AddNewRow(table->name, made)) {
    FreeRowObject(made, table->columnCount);
    return false;
  }
  return true;
}

bool BuildDocument(xmlDoc *doc, const char *failure) {
  HashTable *remap = ConstructTableDataFromXMLNode(doc, xmlDocGetRootElement(doc));
  xmlFreeDoc(doc);
  if (remap == nullptr) {
    LogError("%s", failure);
    return false;
  }
  FreeKeyRemapTable(remap);
  return true;
}

}  // namespace

extern "C" {

int AllocateAndCopyColumnValue(void **value, int32_t *length, uint8_t type, const char *text) {
  if (text == nullptr) {
    LogTrace("value parameter in AllocateAndCopyColumnValue is NULL \n");
    return 0;
  }
  *value = nullptr;
  switch (type) {
    case ZEL_SQL_NOT_SUPPORTED_TYPE:
    case ZEL_SQL_UNSIGNED_SMALLINT:
    case ZEL_SQL_REAL:
    case ZEL_SQL_DECIMAL:
    case ZEL_SQL_NUMERIC:
    case ZEL_SQL_BLOB:
    case ZEL_SQL_CLOB:
      return 1;
    case ZEL_SQL_BOOLEAN: {
      auto *b = static_cast<uint8_t *>(std::calloc(1, 2));
      if (b == nullptr) return 0;
      *b = CompareStringNoCase(text, "false") == 0 ? 0 : 1;
      *value = b;
      *length = 1;
      return 1;
    }
    case ZEL_SQL_DATE:
    case ZEL_SQL_TIME:
    case ZEL_SQL_DATETIME:
      // A text that is no date leaves the value null rather than failing the document.
      *length = 0;
      *value = ConvertStringToValue(text, length, type);
      return 1;
    default: {
      *length = static_cast<int32_t>(std::strlen(text));
      *value = ConvertStringToValue(text, length, type);
      return *value != nullptr ? 1 : 0;
    }
  }
}

bool GetRemappedKey(const HashTable *remap, const char *reference, int32_t *key) {
  if (remap == nullptr || reference == nullptr) return false;
  HashEntry *entry = HashGetEntry(remap, reference);
  if (entry == nullptr) return false;
  if (key != nullptr) *key = static_cast<int32_t>(reinterpret_cast<intptr_t>(entry->value));
  return true;
}

void FreeKeyRemapTable(HashTable *remap) {
  if (remap == nullptr) return;
  FreeHashTable(remap);
  std::free(remap);
}

bool CreateRowFromXMLElement(xmlDoc *document, xmlNode *element, HashTable *remap) {
  if (!IsElement(element)) return true;
  const char *name = Name(element);
  TableData *table = GetTableDataByName(name);
  if (table == nullptr) {
    CreateTable(name);
    table = GetTableDataByName(name);
  }
  if (table == nullptr || table->kind != STORE_KIND_TABLE || table->tableDefn == nullptr)
    return std::strstr(name, "List") != nullptr;
  try {
    return BuildRow(document, element, remap, table);
  } catch (const std::bad_alloc &) {
    return false;
  }
}

bool CreateAndAddRows(xmlDoc *document, xmlNode *node, HashTable *remap) {
  for (; node != nullptr; node = node->next) {
    if (!IsElement(node)) continue;
    if (!CreateRowFromXMLElement(document, node, remap)) {
      LogError("Cannot create and add a new row while constructing tabledata from XML file.\n");
      return false;
    }
    if (!CreateAndAddRows(document, node->children, remap)) return false;
  }
  return true;
}

HashTable *ConstructTableDataFromXMLNode(xmlDoc *document, xmlNode *element) {
  auto *remap = static_cast<HashTable *>(std::calloc(1, sizeof(HashTable)));
  if (remap == nullptr || !InitHashTable(remap, kRemapBuckets)) {
    std::free(remap);
    LogError("Cannot construct table data from buffer node.\n");
    return nullptr;
  }
  if (element == nullptr || !CreateAndAddRows(document, element->children, remap)) {
    FreeKeyRemapTable(remap);
    LogError("Cannot construct table data from buffer node.\n");
    return nullptr;
  }
  return remap;
}

bool ConstructTableDataFromXMLFile(const char *path) {
  LogTrace("@@@ Inside ConstructTableDataFromXMLFile @@@\n");
  xmlDoc *doc = path != nullptr ? xmlReadFile(path, nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING) : nullptr;
  if (doc == nullptr) {
    LogError("error: could not parse file file.xml\n");
    return false;
  }
  return BuildDocument(doc, "Cannot construct table data from XML file.\n");
}

bool ConstructTableDataFromXMLBuffer(const char *buffer, int32_t size) {
  LogTrace("@@@ Inside ConstructTableDataFromXMLBuffer @@@\n");
  xmlDoc *doc = buffer != nullptr && size > 0
                    ? xmlReadMemory(buffer, size, "file.xml", nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING)
                    : nullptr;
  if (doc == nullptr) {
    LogError("error: could not parse file file.xml\n");
    return false;
  }
  return BuildDocument(doc, "Cannot construct table data from XML buffer.\n");
}

}  // extern "C"
