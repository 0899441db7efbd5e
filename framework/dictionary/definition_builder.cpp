// Turns the tag tree of one table element into a TableDefn and adds it to the dictionary.
#include "framework/dictionary/xml_tag_tree.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <corbel/log.h>
#include <corbel/primitives.h>
#include <corbel/strings.h>

namespace {

struct TableDefnDeleter {
  void operator()(TableDefn *table) const noexcept { ReleaseTableDefn(table); }
};
struct ConstraintDefnDeleter {
  void operator()(ConstraintDefn *constraints) const noexcept { FreeConstraintDefn(constraints); }
};
struct AllowedValuesDeleter {
  void operator()(AllowedValues *allowed) const noexcept { FreeAllowedValues(allowed); }
};

// Tag names are compared without regard to case, as the reader does.
bool IsTag(const XmlTagInfo *node, const char *name) {
  return node != nullptr && node->tagName != nullptr &&
         CompareStringNoCase(node->tagName, name) == 0;
}

const XmlTagInfo *FindChild(const XmlTagInfo *parent, const char *name) {
  for (const XmlTagInfo *child = parent->firstChild; child != nullptr; child = child->nextSibling) {
    if (IsTag(child, name)) return child;
  }
  return nullptr;
}

const char *TextOf(const XmlTagInfo *node) {
  return node != nullptr && node->textCount > 0 ? node->texts[0] : nullptr;
}

// Keywords and names written across lines in a pretty-printed file come without the
// surrounding white space.
std::string Trimmed(const char *text) {
  if (text == nullptr) return {};
  std::string_view view(text);
  const char *blanks = " \t\r\n";
  size_t first = view.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  size_t last = view.find_last_not_of(blanks);
  return std::string(view.substr(first, last - first + 1));
}

class DefinitionBuilder {
 public:
  explicit DefinitionBuilder(const XmlTagInfo *tableNode) : tableNode_(tableNode) {
    const char *name = GetXmlTagAttribute(tableNode, "name");
    tableName_ = name != nullptr ? name : "";
  }

  bool Build() {
    if (GetXmlTagAttribute(tableNode_, "name") == nullptr) {
      LogError("A table of the data dictionary has no name.\n");
      return false;
    }
    const XmlTagInfo *columnsNode = FindChild(tableNode_, "columns");
    if (columnsNode == nullptr || columnsNode->firstChild == nullptr) {
      LogError("Table %s has no columns.\n", tableName_.c_str());
      return false;
    }
    Vector *columns = CreateVector();
    if (columns == nullptr) return false;
    // From here the table owns the column list, whatever happens.
    std::unique_ptr<TableDefn, TableDefnDeleter> table(
        CreateTableDefn(tableName_.c_str(), TextOf(LeadingDescription()), columns, nullptr));
    if (table == nullptr) {
      LogError("MEMORY_ALLOCATION_FAILURE\n");
      return false;
    }
    for (const XmlTagInfo *column = columnsNode->firstChild; column != nullptr;
         column = column->nextSibling) {
      if (!AddColumn(table->columns, column)) return false;
    }
    if (!AddKeys(table.get())) return false;
    if (!AddTableDefn(table.get())) {
      LogError("MEMORY_ALLOCATION_FAILURE\n");
      return false;
    }
    table.release();
    LogTrace("\t@@@@ Loaded Table definition Successfully @@@@\n");
    return true;
  }

 private:
  const XmlTagInfo *LeadingDescription() const {
    const XmlTagInfo *first = tableNode_->firstChild;
    return IsTag(first, "description") ? first : nullptr;
  }

  bool AddColumn(Vector *columns, const XmlTagInfo *columnNode) {
    const char *name = GetXmlTagAttribute(columnNode, "name");
    if (name == nullptr) {
      LogError("A column of table %s has no name.\n", tableName_.c_str());
      return false;
    }
    uint8_t type = ZEL_SQL_NOT_SUPPORTED_TYPE;
    uint8_t nullable = 1;
    uint8_t unique = 0;
    int32_t maxSize = 0;
    const char *defaultText = nullptr;
    const char *generatorName = nullptr;
    const char *description = nullptr;
    std::unique_ptr<AllowedValues, AllowedValuesDeleter> allowed;
    for (const XmlTagInfo *property = columnNode->firstChild; property != nullptr;
         property = property->nextSibling) {
      const char *text = TextOf(property);
      if (IsTag(property, "data-type")) {
        type = GetColumnTypeCode(Trimmed(text).c_str());
      } else if (IsTag(property, "nullable")) {
        nullable = CompareStringNoCase(Trimmed(text).c_str(), "true") == 0 ? 1 : 0;
      } else if (IsTag(property, "max-size")) {
        maxSize = ConvertToIntegerFromString(Trimmed(text).c_str());
      } else if (IsTag(property, "default-value")) {
        defaultText = text;
      } else if (IsTag(property, "unique")) {
        unique = Trimmed(text) == "true" ? 1 : 0;
      } else if (IsTag(property, "generator-name")) {
        generatorName = text;
      } else if (IsTag(property, "description")) {
        description = text;
      } else if (IsTag(property, "value")) {
        allowed.reset(CreateAllowedValues(property->texts, property->textCount, 0));
        if (allowed == nullptr) {
          LogError("Cannot copy allowed values.\n");
          return false;
        }
      } else if (IsTag(property, "from")) {
        const XmlTagInfo *to = property->nextSibling;
        if (!IsTag(to, "to")) {
          LogError("In the allowed values attribute, 'to' tag is missing.\n");
          return false;
        }
        const char *bounds[2] = {text != nullptr ? text : "",
                                 TextOf(to) != nullptr ? TextOf(to) : ""};
        allowed.reset(CreateAllowedValues(bounds, 2, 1));
        if (allowed == nullptr) {
          LogError("Cannot copy allowed values.\n");
          return false;
        }
        property = to;
      } else if (IsTag(property, "to")) {
        LogError("In the allowed values attribute, 'from' tag is missing.\n");
        return false;
      }
    }
    int32_t defaultLength =
        defaultText != nullptr ? static_cast<int32_t>(std::strlen(defaultText)) : 0;
    ColumnDefn *column =
        CreateColumnDefn(name, type, defaultText, defaultLength, unique, generatorName, description,
                         maxSize, nullable, allowed.release());
    if (column == nullptr || !AddElementValue(columns, column)) {
      FreeColumnDefn(column);
      LogError("MEMORY_ALLOCATION_FAILURE\n");
      return false;
    }
    return true;
  }

  bool AddKeys(TableDefn *table) {
    const XmlTagInfo *primaryKey = FindChild(tableNode_, "primary-key");
    const XmlTagInfo *foreignKeys = FindChild(tableNode_, "foreign-keys");
    if (primaryKey == nullptr && foreignKeys == nullptr) return true;
    std::vector<std::string> keyNames;
    if (primaryKey != nullptr) {
      for (const XmlTagInfo *key = primaryKey->firstChild; key != nullptr; key = key->nextSibling)
        keyNames.push_back(Trimmed(TextOf(key)));
    }
    std::vector<const char *> keyTexts;
    for (const std::string &key : keyNames) keyTexts.push_back(key.c_str());
    std::unique_ptr<ConstraintDefn, ConstraintDefnDeleter> constraints(
        CreateConstraintDefn(keyTexts.data(), static_cast<int32_t>(keyTexts.size())));
    if (constraints == nullptr) {
      LogError("MEMORY_ALLOCATION_FAILURE\n");
      return false;
    }
    if (foreignKeys != nullptr) {
      for (const XmlTagInfo *key = foreignKeys->firstChild; key != nullptr;
           key = key->nextSibling) {
        if (!AddForeignKey(constraints.get(), key)) return false;
      }
    }
    table->constraints = constraints.release();
    return true;
  }

  bool AddForeignKey(ConstraintDefn *constraints, const XmlTagInfo *keyNode) {
    const char *referenceTable = GetXmlTagAttribute(keyNode, "reference-table-name");
    if (referenceTable == nullptr) {
      LogError("A foreign key of table %s has no reference-table-name.\n", tableName_.c_str());
      return false;
    }
    const XmlTagInfo *columnsNode = keyNode->firstChild;
    if (!IsTag(columnsNode, "fk-columns")) {
      LogDebug("fk-columns tag not found \n");
      LogError("The foreign key of table %s to %s names no columns.\n", tableName_.c_str(),
               referenceTable);
      return false;
    }
    if (columnsNode->firstChild == nullptr) {
      LogError("The foreign key of table %s to %s names no columns.\n", tableName_.c_str(),
               referenceTable);
      return false;
    }
    const char *bidirectional = GetXmlTagAttribute(keyNode, "isbidirectional");
    uint8_t isBidirectional =
        bidirectional != nullptr && std::strcmp(bidirectional, "true") == 0 ? 1 : 0;
    const XmlTagInfo *constraintsNode = columnsNode->nextSibling;
    uint8_t cascade = IsTag(constraintsNode, "fk-constraints") &&
                              Trimmed(TextOf(constraintsNode)) == "ON-DELETE-CASCADE"
                          ? 1
                          : 0;
    for (const XmlTagInfo *pair = columnsNode->firstChild; pair != nullptr;
         pair = pair->nextSibling) {
      const XmlTagInfo *local = pair->firstChild;
      const XmlTagInfo *reference = local != nullptr ? local->nextSibling : nullptr;
      if (!IsTag(local, "fk-local-column") || !IsTag(reference, "fk-reference-column")) {
        LogError(
            "A foreign key of table %s to %s needs fk-local-column followed by "
            "fk-reference-column.\n",
            tableName_.c_str(), referenceTable);
        return false;
      }
      // Only the first pair of a key carries the bidirectional flag.
      ForeignKeyDefn *key = CreateForeignKeyDefn(
          Trimmed(TextOf(local)).c_str(), Trimmed(TextOf(reference)).c_str(), referenceTable,
          cascade, 0, pair == columnsNode->firstChild ? isBidirectional : 0);
      if (key == nullptr || !AddForeignKeyDefn(constraints, key)) {
        FreeForeignKeyDefn(key);
        LogError("MEMORY_ALLOCATION_FAILURE\n");
        return false;
      }
    }
    return true;
  }

  const XmlTagInfo *tableNode_;
  std::string tableName_;
};

}  // namespace

bool BuildTableDefnFromTagTree(const XmlTagInfo *tableNode) {
  return tableNode != nullptr && DefinitionBuilder(tableNode).Build();
}
