// Feeds arbitrary bytes as a table-data document to the XML reader over a small dictionary
// with generated keys, foreign keys and a self reference, then empties the store.
#include <cstddef>
#include <cstdint>
#include <array>
#include <map>
#include <vector>
#include <string>

#include <corbel/dictionary.h>
#include <corbel/log.h>
#include <corbel/sequence.h>
#include <corbel/store.h>
#include <corbel/tabledata.h>

namespace {

std::map<std::string, int32_t> g_sequences;

void Column(Vector *columns, const char *name, uint8_t type, const char *generator = nullptr,
            const char *defaultText = nullptr) {
  AddElementValue(columns, CreateColumnDefn(name, type, defaultText,
                                            defaultText != nullptr ? 1 : 0, 0, generator, nullptr, 0,
                                            1, nullptr));
}

void Table(const char *name, Vector *columns, const char *key,
           std::vector<std::array<const char *, 3>> foreignKeys) {
  const char *keys[] = {key};
  ConstraintDefn *constraints = CreateConstraintDefn(keys, 1);
  for (auto &fk : foreignKeys) AddForeignKeyDefn(constraints, CreateForeignKeyDefn(fk[0], fk[2], fk[1], 0, 0, 0));
  AddTableDefn(CreateTableDefn(name, nullptr, columns, constraints));
}

void Setup() {
  InitMutex();
  InitDataDictionary();
  InitNotification();
  Vector *orders = CreateVector();
  Column(orders, "ORDER_ID", ZEL_SQL_INT, "ORDER_SEQ");
  Column(orders, "PARENT_ID", ZEL_SQL_INT);
  Column(orders, "name", ZEL_SQL_VARCHAR);
  Column(orders, "qty", ZEL_SQL_SMALLINT, nullptr, "7");
  Column(orders, "big", ZEL_SQL_BIGINT);
  Column(orders, "ok", ZEL_SQL_BOOLEAN);
  Column(orders, "when", ZEL_SQL_DATETIME);
  Column(orders, "f", ZEL_SQL_FLOAT);
  Table("Orders", orders, "ORDER_ID", {{"PARENT_ID", "Orders", "ORDER_ID"}});
  Vector *items = CreateVector();
  Column(items, "ITEM_ID", ZEL_SQL_INT, "ITEM_SEQ");
  Column(items, "ORDER_ID", ZEL_SQL_INT);
  Column(items, "label", ZEL_SQL_TEXT);
  Table("Items", items, "ITEM_ID", {{"ORDER_ID", "Orders", "ORDER_ID"}});
  Vector *steps = CreateVector();
  Column(steps, "STATEMENT_ID", ZEL_SQL_INT);
  Column(steps, "NEXT_STATEMENT_ID", ZEL_SQL_INT);
  Table("Workflow_Statements", steps, "STATEMENT_ID", {{"NEXT_STATEMENT_ID", "Workflow_Statements", "STATEMENT_ID"}});
}

}  // namespace

// An in-process sequence source in place of the database's.
extern "C" int32_t GenerateID(const char *, const ColumnDefn *column) {
  if (column == nullptr || column->generatorName == nullptr) return -1;
  return ++g_sequences[column->generatorName];
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static bool ready = (Setup(), true);
  (void)ready;
  if (size > (1u << 20)) return 0;
  InitTableList();
  ConstructTableDataFromXMLBuffer(reinterpret_cast<const char *>(data), static_cast<int32_t>(size));
  FreeAllTableData();
  g_sequences.clear();
  return 0;
}
