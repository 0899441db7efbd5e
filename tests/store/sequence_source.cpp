#include "tests/store/sequence_source.h"

#include <map>

#include <corbel/sequence.h>

namespace corbel_test {
namespace {
std::map<std::string, int32_t> g_next;
}

void ResetSequences() {
  g_next.clear();
  BlockedSequences().clear();
}

std::set<std::string> &BlockedSequences() {
  static std::set<std::string> blocked;
  return blocked;
}

}  // namespace corbel_test

// Takes the place of the library's GenerateID in the test programs.
extern "C" int32_t GenerateID(const char *, const ColumnDefn *column) {
  if (column == nullptr || column->generatorName == nullptr) return -1;
  std::string name = column->generatorName;
  if (corbel_test::BlockedSequences().count(name) != 0) return -1;
  return ++corbel_test::g_next[name];
}
