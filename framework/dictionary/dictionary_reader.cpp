// Reads the dictionary list file and the dictionary XML files. Each table element is first
// collected into a tag tree with the libxml2 text reader and then handed to the definition
// builder. A table with a structural error is logged and skipped; reading goes on with the
// next table, and a file the parser cannot read further is logged and left.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <corbel/dictionary.h>
#include <corbel/log.h>
#include <corbel/primitives.h>
#include <corbel/root.h>

#include "framework/dictionary/xml_tag_tree.h"

namespace {

constexpr const char *kListFileName = "datadictionary.txt";
constexpr const char *kWorkingDataDir = "../data/";
constexpr size_t kMaxListedNameLength = 135;
constexpr size_t kMaxPathLength = 255;

struct TagTreeDeleter {
  void operator()(XmlTagInfo *node) const noexcept { FreeXmlTagInfoList(node); }
};
using TagTreePtr = std::unique_ptr<XmlTagInfo, TagTreeDeleter>;

struct ReaderDeleter {
  void operator()(xmlTextReader *reader) const noexcept { xmlFreeTextReader(reader); }
};

// Outcome of reading one part of a table.
enum class Step {
  kOk,     // read; the reader is on the part's last node
  kTable,  // the table is wrong and is skipped; the file can be read on
  kFile,   // the file cannot be read any further
};

// Libxml2's own messages go to the log, with the file and line.
void ForwardParserMessage(void *arg, const char *message, xmlParserSeverities severity,
                          xmlTextReaderLocatorPtr locator) {
  const char *path = static_cast<const char *>(arg);
  int line = locator != nullptr ? xmlTextReaderLocatorLineNumber(locator) : 0;
  if (severity == XML_PARSER_SEVERITY_WARNING || severity == XML_PARSER_SEVERITY_VALIDITY_WARNING) {
    LogDebug("%s:%d: %s", path, line, message);
  } else {
    LogError("%s:%d: %s", path, line, message);
  }
}

class DictionaryFileReader {
 public:
  DictionaryFileReader(xmlTextReaderPtr reader, const char *path) : reader_(reader), path_(path) {}

  // Reads every table of the file.
  void ReadFile() {
    if (Next() != 1) return;
    if (Type() != XML_READER_TYPE_ELEMENT || !IsNamed("data-dictionary")) {
      LogError("%s: the document element is <%s>, not <data-dictionary>.\n", path_, Name());
      return;
    }
    if (xmlTextReaderIsEmptyElement(reader_)) return;
    while (Next() == 1) {
      if (Type() != XML_READER_TYPE_ELEMENT || Depth() != 1) continue;
      if (IsNamed("table")) {
        if (ReadTable() == Step::kFile) return;
      } else if (IsNamed("description")) {
        if (!SkipDictionaryDescription()) return;
      } else {
        LogError("%s: unexpected element <%s> of the data dictionary skipped.\n", path_, Name());
        if (SkipElement() != Step::kOk) return;
      }
    }
  }

  bool ReaderFailed() const { return readerFailed_; }

 private:
  // The next node that matters: comments, white space and processing instructions are
  // passed over. 1, 0 at the end of the file, -1 on a parser error.
  int Next() {
    for (;;) {
      int result = xmlTextReaderRead(reader_);
      if (result < 0) readerFailed_ = true;
      if (result != 1) return result;
      switch (Type()) {
        case XML_READER_TYPE_COMMENT:
        case XML_READER_TYPE_WHITESPACE:
        case XML_READER_TYPE_SIGNIFICANT_WHITESPACE:
        case XML_READER_TYPE_PROCESSING_INSTRUCTION:
        case XML_READER_TYPE_DOCUMENT_TYPE:
        case XML_READER_TYPE_XML_DECLARATION:
        case XML_READER_TYPE_ENTITY_REFERENCE:
          continue;
        default:
          return 1;
      }
    }
  }

  int Type() const { return xmlTextReaderNodeType(reader_); }
  int Depth() const { return xmlTextReaderDepth(reader_); }
  const char *Name() const {
    const xmlChar *name = xmlTextReaderConstName(reader_);
    return name != nullptr ? reinterpret_cast<const char *>(name) : "";
  }
  bool IsNamed(const char *name) const {
    return xmlStrcasecmp(xmlTextReaderConstName(reader_),
                         reinterpret_cast<const xmlChar *>(name)) == 0;
  }
  bool IsEmpty() const { return xmlTextReaderIsEmptyElement(reader_) == 1; }
  bool IsEndOf(int depth) const {
    return Type() == XML_READER_TYPE_END_ELEMENT && Depth() == depth;
  }

  // The reader stopped inside the table: a parser error or the end of the file.
  Step StoppedInside() {
    if (readerFailed_) {
      LogError("\nxmlTextReaderRead returned error \n");
    } else {
      LogError("%s ends inside table %s.\n", path_, tableName_.c_str());
    }
    return Step::kFile;
  }

  Step NoMemory() {
    LogError("MEMORY_ALLOCATION_FAILURE\n");
    return Step::kTable;
  }

  Step Unexpected() {
    LogError("Unexpected element <%s> in table %s.\n", Name(), tableName_.c_str());
    return Step::kTable;
  }

  // Passes over the current element and everything inside it.
  Step SkipElement() {
    if (IsEmpty()) return Step::kOk;
    int depth = Depth();
    while (Next() == 1) {
      if (IsEndOf(depth)) return Step::kOk;
    }
    return Step::kFile;
  }

  // A description of the whole dictionary: read and forgotten.
  bool SkipDictionaryDescription() {
    if (IsEmpty()) return true;
    if (Next() != 1) return false;
    if (Type() == XML_READER_TYPE_TEXT || Type() == XML_READER_TYPE_CDATA) {
      if (Next() != 1) return false;
    }
    if (Type() != XML_READER_TYPE_END_ELEMENT || !IsNamed("description")) {
      LogError("\nNo Description end tag\n");
      return false;
    }
    return true;
  }

  // A new node for the current element, appended after `*last` (or as first child of
  // `parent` when `*last` is null). NULL when memory runs out.
  XmlTagInfo *NewNode(XmlTagInfo *parent, XmlTagInfo **last) {
    XmlTagInfo *node = CreateandInitXmlTagInfo();
    if (node == nullptr) return nullptr;
    if (*last != nullptr) {
      (*last)->nextSibling = node;
    } else {
      parent->firstChild = node;
    }
    *last = node;
    if (AllocateAndStrcpyAttrib(reader_, node) != CORBEL_STATUS_SUCCESS) return nullptr;
    return node;
  }

  // The text of the current element into `node`. The element must hold text and be closed
  // right after it; `missingEnd` is the message when it is not (NULL: a general one).
  Step ReadText(XmlTagInfo *node, const char *missingEnd) {
    std::string element = Name();
    if (IsEmpty()) {
      LogError("Element <%s> in table %s is empty; a text is expected.\n", element.c_str(),
               tableName_.c_str());
      return Step::kTable;
    }
    int depth = Depth();
    std::string text;
    bool haveText = false;
    for (;;) {
      if (Next() != 1) return StoppedInside();
      int type = Type();
      if (type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_CDATA) {
        if (!haveText) {
          const xmlChar *value = xmlTextReaderConstValue(reader_);
          text = value != nullptr ? reinterpret_cast<const char *>(value) : "";
          haveText = true;
        }
        continue;
      }
      if (IsEndOf(depth)) break;
      if (missingEnd != nullptr) {
        LogError("%s", missingEnd);
      } else {
        LogError("\nMissing end tag of <%s> in table %s\n", element.c_str(), tableName_.c_str());
      }
      return Step::kTable;
    }
    return AddXmlTagText(node, text.c_str()) == CORBEL_STATUS_SUCCESS ? Step::kOk : NoMemory();
  }

  // A text element as a new child node of `parent`.
  Step ReadTextChild(XmlTagInfo *parent, XmlTagInfo **last, const char *missingEnd) {
    XmlTagInfo *node = NewNode(parent, last);
    if (node == nullptr) return NoMemory();
    return ReadText(node, missingEnd);
  }

  // Calls `child` for every element directly inside the current one, which must not be
  // empty; ends on the element's closing tag.
  template <typename ChildFn>
  Step ForEachChild(ChildFn child) {
    int depth = Depth();
    for (;;) {
      if (Next() != 1) return StoppedInside();
      if (IsEndOf(depth)) return Step::kOk;
      if (Type() != XML_READER_TYPE_ELEMENT) continue;
      Step step = child();
      if (step != Step::kOk) return step;
    }
  }

  static bool HasChild(const XmlTagInfo *parent, const char *name) {
    for (const XmlTagInfo *child = parent->firstChild; child != nullptr;
         child = child->nextSibling) {
      if (xmlStrcasecmp(reinterpret_cast<const xmlChar *>(child->tagName),
                        reinterpret_cast<const xmlChar *>(name)) == 0)
        return true;
    }
    return false;
  }

  Step Repeated(const char *element) {
    LogError("Element <%s> appears twice in table %s.\n", element, tableName_.c_str());
    return Step::kTable;
  }

  // One table element: its tag tree, then its definition.
  Step ReadTable() {
    int depth = Depth();
    bool empty = IsEmpty();
    TagTreePtr root(CreateandInitXmlTagInfo());
    Step step = Step::kOk;
    tableName_.clear();
    if (root == nullptr || AllocateAndStrcpyAttrib(reader_, root.get()) != CORBEL_STATUS_SUCCESS) {
      step = NoMemory();
    } else {
      const char *name = GetXmlTagAttribute(root.get(), "name");
      tableName_ = name != nullptr ? name : "";
      LogTrace("@@@@Parsing Table Info : %s @@@@\n",
               root->attributeCount > 0 ? root->attributeValues[0] : "");
      if (name == nullptr) {
        LogError("A table in %s has no name.\n", path_);
        step = Step::kTable;
      } else if (empty) {
        LogError("Table %s has no columns.\n", tableName_.c_str());
        step = Step::kTable;
      } else {
        step = ReadTableContent(root.get(), depth);
      }
    }
    if (step == Step::kOk && !BuildTableDefnFromTagTree(root.get())) step = Step::kTable;
    if (step == Step::kOk) return step;
    LogError("Table %s in %s not loaded.\n", tableName_.c_str(), path_);
    if (step == Step::kTable && !empty && !IsEndOf(depth)) {
      // Move on to the end of the table that failed.
      while (Next() == 1) {
        if (IsEndOf(depth)) return Step::kTable;
      }
      return Step::kFile;
    }
    return step;
  }

  Step ReadTableContent(XmlTagInfo *table, int depth) {
    XmlTagInfo *last = nullptr;
    return ForEachChild([&]() -> Step {
      if (Depth() != depth + 1) return Unexpected();
      if (IsNamed("description")) {
        if (table->firstChild != nullptr) {
          LogError("\nDescription tag ambiguity \n");
          return Step::kTable;
        }
        return ReadTextChild(table, &last, nullptr);
      }
      for (const char *part : {"columns", "primary-key", "foreign-keys"}) {
        if (!IsNamed(part)) continue;
        if (HasChild(table, part)) return Repeated(part);
        XmlTagInfo *node = NewNode(table, &last);
        if (node == nullptr) return NoMemory();
        if (IsEmpty()) return Step::kOk;
        if (IsNamed("columns")) return ReadColumns(node);
        if (IsNamed("primary-key")) return ReadPrimaryKey(node);
        return ReadForeignKeys(node);
      }
      return Unexpected();
    });
  }

  Step ReadColumns(XmlTagInfo *columns) {
    XmlTagInfo *last = nullptr;
    return ForEachChild([&]() -> Step {
      if (!IsNamed("column")) return Unexpected();
      XmlTagInfo *column = NewNode(columns, &last);
      if (column == nullptr) return NoMemory();
      if (GetXmlTagAttribute(column, "name") == nullptr) {
        LogError("A column of table %s has no name.\n", tableName_.c_str());
        return Step::kTable;
      }
      return IsEmpty() ? Step::kOk : ReadColumn(column);
    });
  }

  Step ReadColumn(XmlTagInfo *column) {
    XmlTagInfo *last = nullptr;
    bool haveAllowedValues = false;
    return ForEachChild([&]() -> Step {
      for (const char *property :
           {"data-type", "nullable", "max-size", "default-value", "unique", "description"}) {
        if (!IsNamed(property)) continue;
        if (HasChild(column, property)) return Repeated(property);
        return ReadTextChild(column, &last, nullptr);
      }
      if (IsNamed("uniquevalue-generation")) {
        if (HasChild(column, "generator-name")) return Repeated("uniquevalue-generation");
        return ReadGenerator(column, &last);
      }
      if (IsNamed("allowed-values")) {
        if (haveAllowedValues) return Repeated("allowed-values");
        haveAllowedValues = true;
        return IsEmpty() ? Step::kOk : ReadAllowedValues(column, &last);
      }
      return Unexpected();
    });
  }

  // The generator's name becomes a child of the column itself.
  Step ReadGenerator(XmlTagInfo *column, XmlTagInfo **last) {
    bool named = false;
    Step step = IsEmpty() ? Step::kOk : ForEachChild([&]() -> Step {
      if (!IsNamed("generator-name") || named) return Unexpected();
      named = true;
      return ReadTextChild(column, last, nullptr);
    });
    if (step == Step::kOk && !named) {
      LogError("Element <uniquevalue-generation> in table %s names no generator-name.\n",
               tableName_.c_str());
      return Step::kTable;
    }
    return step;
  }

  // All value elements become one "value" node with every value as a text; from and to
  // become two nodes.
  Step ReadAllowedValues(XmlTagInfo *column, XmlTagInfo **last) {
    XmlTagInfo *values = nullptr;
    bool haveRange = false;
    return ForEachChild([&]() -> Step {
      if (IsNamed("value") && !haveRange) {
        if (values == nullptr && (values = NewNode(column, last)) == nullptr) return NoMemory();
        return ReadText(values, "\n No ending Value tag\n");
      }
      if (IsNamed("from") && values == nullptr && !HasChild(column, "from")) {
        haveRange = true;
        return ReadTextChild(column, last, "\nNo Ending FROM tag \n");
      }
      if (IsNamed("to") && values == nullptr && !HasChild(column, "to")) {
        haveRange = true;
        return ReadTextChild(column, last, "\nNo ending TO tag \n");
      }
      LogError(
          "Allowed values of a column of table %s mix <value> with <from>/<to> or repeat them.\n",
          tableName_.c_str());
      return Step::kTable;
    });
  }

  Step ReadPrimaryKey(XmlTagInfo *primaryKey) {
    XmlTagInfo *last = nullptr;
    return ForEachChild([&]() -> Step {
      if (!IsNamed("primary-key-column")) return Unexpected();
      return ReadTextChild(primaryKey, &last, "\nMissing primary-key-column end tag\n");
    });
  }

  Step ReadForeignKeys(XmlTagInfo *foreignKeys) {
    XmlTagInfo *last = nullptr;
    return ForEachChild([&]() -> Step {
      if (!IsNamed("foreign-key")) return Unexpected();
      XmlTagInfo *key = NewNode(foreignKeys, &last);
      if (key == nullptr) return NoMemory();
      if (IsEmpty()) return Step::kOk;
      XmlTagInfo *keyLast = nullptr;
      return ForEachChild([&]() -> Step {
        if (IsNamed("fk-columns") && !HasChild(key, "fk-columns")) {
          XmlTagInfo *columns = NewNode(key, &keyLast);
          if (columns == nullptr) return NoMemory();
          return IsEmpty() ? Step::kOk : ReadForeignKeyColumns(columns);
        }
        if (IsNamed("fk-constraints") && !HasChild(key, "fk-constraints"))
          return ReadTextChild(key, &keyLast, "\nMissing endof FK-CONSTRAINTS tag\n");
        return Unexpected();
      });
    });
  }

  Step ReadForeignKeyColumns(XmlTagInfo *columns) {
    XmlTagInfo *last = nullptr;
    return ForEachChild([&]() -> Step {
      if (!IsNamed("fk-column")) {
        LogError("\nMissing end FK-COLUMNS\n");
        return Step::kTable;
      }
      XmlTagInfo *pair = NewNode(columns, &last);
      if (pair == nullptr) return NoMemory();
      if (IsEmpty()) return Step::kOk;
      XmlTagInfo *pairLast = nullptr;
      return ForEachChild([&]() -> Step {
        if (IsNamed("fk-local-column") && !HasChild(pair, "fk-local-column"))
          return ReadTextChild(pair, &pairLast, "\n Missing endof FK-LOCAL-COLUMN tag\n");
        if (IsNamed("fk-reference-column") && !HasChild(pair, "fk-reference-column"))
          return ReadTextChild(pair, &pairLast, "\nMissing endof FK-REFERENCE-COLUMN\n");
        return Unexpected();
      });
    });
  }

  xmlTextReaderPtr reader_;
  const char *path_;
  std::string tableName_;
  bool readerFailed_ = false;
};

// Loads the files named in the list `listPath`; `pathOf` composes the path of a listed name.
template <typename PathFn>
void LoadListedFiles(std::ifstream &list, PathFn pathOf) {
  std::string name;
  while (list >> name) {
    if (name.size() > kMaxListedNameLength) {
      LogError("Dictionary file name %.*s... is longer than %zu characters; skipped.\n",
               static_cast<int>(kMaxListedNameLength), name.c_str(), kMaxListedNameLength);
      continue;
    }
    std::string path = pathOf(name);
    if (path.size() > kMaxPathLength) {
      LogError("Path %s is longer than %zu characters; skipped.\n", path.c_str(), kMaxPathLength);
      continue;
    }
    LogDebug("Opening %s\n", path.c_str());
    LoadDataDictFromXMLFile(path.c_str());
  }
}

}  // namespace

// Reads the dictionary file table by table; every problem is logged, none is returned.
bool XmlDataParser(const char *path) {
  LogTrace("\n Inside XmlDataParser\n");
  xmlInitParser();
  // The file is opened here so that a missing file is one clear line, not a parser warning.
  FILE *file = std::fopen(path, "rb");
  if (file == nullptr) {
    LogError("Unable to open %s\n", path);
    return true;
  }
  std::unique_ptr<xmlTextReader, ReaderDeleter> reader(
      xmlReaderForFd(fileno(file), path, nullptr, XML_PARSE_NONET | XML_PARSE_NOCDATA));
  if (reader == nullptr) {
    LogError("Unable to open %s\n", path);
    std::fclose(file);
    return true;
  }
  xmlTextReaderSetErrorHandler(reader.get(), ForwardParserMessage, const_cast<char *>(path));
  DictionaryFileReader fileReader(reader.get(), path);
  fileReader.ReadFile();
  if (fileReader.ReaderFailed()) LogError("%s : failed to parse\n", path);
  reader.reset();
  std::fclose(file);
  return true;
}

extern "C" {

bool LoadDataDictFromXMLFile(const char *path) {
  LogTrace("\nInside LoadDataDictFromXMLFile() \n\n");
  if (path == nullptr) return false;
  return XmlDataParser(path);
}

bool LoadDataDictFiles(const char *directory) {
  LogTrace("\t@@@@@ Inside LoadDataDictFiles() @@@@@\n");
  if (directory == nullptr) return false;
  std::string listPath = std::string(directory) + "/" + kListFileName;
  std::ifstream list(listPath);
  if (!list) {
    LogError("Cannot open DataDictionary File.\n");
    return false;
  }
  LoadListedFiles(list,
                  [&](const std::string &name) { return std::string(directory) + "/" + name; });
  return true;
}

bool LoadAllDataDictFiles(void) {
  LogTrace("\t@@@@@ Inside LoadAllDataDictFiles() @@@@@\n");
  std::ifstream list(std::string(kWorkingDataDir) + kListFileName);
  if (list) {
    LoadListedFiles(list, [](const std::string &name) { return kWorkingDataDir + name; });
    return true;
  }
  std::unique_ptr<char, decltype(&std::free)> rootList(ComposeRootDataPath(kListFileName),
                                                       &std::free);
  if (rootList != nullptr) {
    LogDebug("Opening %s\n", rootList.get());
    list.clear();
    list.open(rootList.get());
  }
  if (rootList == nullptr || !list) {
    LogError("Cannot open DataDictionary File.\n");
    return false;
  }
  LoadListedFiles(list, [](const std::string &name) {
    std::unique_ptr<char, decltype(&std::free)> path(ComposeRootDataPath(name.c_str()), &std::free);
    return path != nullptr ? std::string(path.get()) : std::string();
  });
  return true;
}

}  // extern "C"
