// Feeds arbitrary bytes to the dictionary file reader as one dictionary file and frees
// whatever tables it loaded.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <corbel/dictionary.h>

namespace {

const std::string &InputPath() {
  static const std::string path = "/tmp/fuzz_dictionary." + std::to_string(getpid()) + ".xml";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FILE *file = std::fopen(InputPath().c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  InitDataDictionary();
  LoadDataDictFromXMLFile(InputPath().c_str());
  // Walk what was loaded as a reader of the dictionary would.
  for (VectorNode *node = ElementAt(GetTableDefnList(), 0); node != nullptr; node = node->next) {
    auto *table = static_cast<TableDefn *>(node->element);
    GetTableDefn(table->name);
    for (VectorNode *c = ElementAt(table->columns, 0); c != nullptr; c = c->next) {
      auto *column = static_cast<ColumnDefn *>(c->element);
      char *text = ConvertValueToString(column->defaultValue, column->type);
      std::free(text);
    }
  }
  FreeAllTableDefns();
  std::remove(InputPath().c_str());
  return 0;
}
