// Feeds arbitrary bytes as a criteria text to the parser and to a selection and a deletion
// on a small table, and frees whatever they made.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <corbel/criteria.h>
#include <corbel/dictionary.h>
#include <corbel/log.h>
#include <corbel/store.h>

namespace {

void Column(Vector *columns, const char *name, uint8_t type) {
  AddElementValue(columns, CreateColumnDefn(name, type, nullptr, 0, 0, nullptr, nullptr, 0, 1, nullptr));
}

void Setup() {
  InitMutex();
  InitDataDictionary();
  InitTableList();
  InitNotification();
  Vector *columns = CreateVector();
  Column(columns, "id", ZEL_SQL_INT);
  Column(columns, "name", ZEL_SQL_VARCHAR);
  Column(columns, "tiny", ZEL_SQL_TINYINT);
  Column(columns, "big", ZEL_SQL_BIGINT);
  Column(columns, "u", ZEL_SQL_UNSIGNED_INT);
  Column(columns, "f", ZEL_SQL_FLOAT);
  Column(columns, "d", ZEL_SQL_DOUBLE);
  Column(columns, "when", ZEL_SQL_DATETIME);
  AddTableDefn(CreateTableDefn("T", nullptr, columns, nullptr));
  CreateTable("T");
}

void Fill() {
  const char *rows[][8] = {{"1", "abc", "-3", "-1", "7", "1.5", "2.25", "2026-01-01 00:00:00"},
                           {"2", "x y", "100", "9000000000", "0", "-0", "0", nullptr},
                           {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}};
  const uint8_t types[8] = {ZEL_SQL_INT, ZEL_SQL_VARCHAR, ZEL_SQL_TINYINT, ZEL_SQL_BIGINT,
                            ZEL_SQL_UNSIGNED_INT, ZEL_SQL_FLOAT, ZEL_SQL_DOUBLE, ZEL_SQL_DATETIME};
  for (auto &texts : rows) {
    auto **values = static_cast<void **>(std::calloc(8, sizeof(void *)));
    auto *lengths = static_cast<int32_t *>(std::calloc(8, sizeof(int32_t)));
    for (int i = 0; i < 8; ++i) {
      if (texts[i] == nullptr) continue;
      lengths[i] = static_cast<int32_t>(std::strlen(texts[i]));
      values[i] = ConvertStringToValue(texts[i], &lengths[i], types[i]);
    }
    AddNewRow("T", CreateNewRowObject(values, lengths));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool ready = (Setup(), true);
  (void)ready;
  std::string text(reinterpret_cast<const char *>(data), size);  // a NUL inside ends the text
  FreeCriteriaTree(RunCriteriaParser(text.c_str()));
  Fill();
  FreeResultData(SelectRows("T", text.c_str()));
  DeleteRowObjectByCriteria("T", text.c_str());
  DeleteAllTableRowObjects("T");
  return 0;
}
