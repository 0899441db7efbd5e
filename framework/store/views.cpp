// Custom views over several tables, sorting results by a column, and the listings of
// tables, views and results.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <corbel/log.h>
#include <corbel/store.h>
#include <corbel/strings.h>

#include "framework/foundation/text.h"
#include "store_internal.h"

namespace {

using corbel::foundation::LoadValue;
using corbel::store::ColumnAt;
using corbel::store::ColumnList;

template <typename T>
int Order(T a, T b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

// Three-way order of two non-null values of one column type.
int CompareValues(const void *a, int32_t la, const void *b, int32_t lb, uint8_t type) {
  switch (type) {
    case ZEL_SQL_TINYINT:
      return Order(LoadValue<int8_t>(a), LoadValue<int8_t>(b));
    case ZEL_SQL_UNSIGNED_TINYINT:
    case ZEL_SQL_BOOLEAN:
      return Order(LoadValue<uint8_t>(a), LoadValue<uint8_t>(b));
    case ZEL_SQL_SMALLINT:
      return Order(LoadValue<int16_t>(a), LoadValue<int16_t>(b));
    case ZEL_SQL_UNSIGNED_SMALLINT:
      return Order(LoadValue<uint16_t>(a), LoadValue<uint16_t>(b));
    case ZEL_SQL_INT:
      return Order(LoadValue<int32_t>(a), LoadValue<int32_t>(b));
    case ZEL_SQL_UNSIGNED_INT:
      return Order(LoadValue<uint32_t>(a), LoadValue<uint32_t>(b));
    case ZEL_SQL_BIGINT:
      return Order(LoadValue<int64_t>(a), LoadValue<int64_t>(b));
    case ZEL_SQL_UNSIGNED_LONG_INT:
      return Order(LoadValue<uint64_t>(a), LoadValue<uint64_t>(b));
    case ZEL_SQL_FLOAT:
    case ZEL_SQL_REAL:
      return Order(LoadValue<float>(a), LoadValue<float>(b));
    case ZEL_SQL_DOUBLE:
      return Order(LoadValue<double>(a), LoadValue<double>(b));
    case ZEL_SQL_CHAR:
    case ZEL_SQL_VARCHAR:
    case ZEL_SQL_TEXT:
      return CompareString(static_cast<const char *>(a), static_cast<const char *>(b));
    case ZEL_SQL_DATE:
    case ZEL_SQL_TIME:
    case ZEL_SQL_DATETIME: {
      auto key = [](const void *v) {
        const auto *dt = static_cast<const ZelDateTime *>(v);
        uint64_t k = 0;
        if (dt->date != nullptr) k = (uint64_t{dt->date->year} << 40) | (uint64_t{dt->date->month} << 32) |
                                     (uint64_t{dt->date->day} << 24);
        if (dt->time != nullptr) k |= (uint64_t{dt->time->hour} << 16) | (uint64_t{dt->time->minute} << 8) |
                                      dt->time->second;
        return k;
      };
      return Order(key(a), key(b));
    }
    default: {
      int order = std::memcmp(a, b, static_cast<std::size_t>(std::max(0, std::min(la, lb))));
      return order != 0 ? order : Order(la, lb);
    }
  }
}

// Appends the listing form of one value (with its tab), or nothing for the types that are not
// listed.
void AppendValue(std::string &out, const void *value, uint8_t type) {
  if (value == nullptr) {
    out += "NULL\t";
    return;
  }
  char buf[64];
  char *owned = nullptr;
  const char *text = buf;
  switch (type) {
    case ZEL_SQL_TINYINT:
      std::snprintf(buf, sizeof buf, "%d", LoadValue<int8_t>(value));
      break;
    case ZEL_SQL_UNSIGNED_TINYINT:
      std::snprintf(buf, sizeof buf, "%d", LoadValue<uint8_t>(value));
      break;
    case ZEL_SQL_SMALLINT:
      std::snprintf(buf, sizeof buf, "%d", LoadValue<int16_t>(value));
      break;
    case ZEL_SQL_INT:
      std::snprintf(buf, sizeof buf, "%d", LoadValue<int32_t>(value));
      break;
    case ZEL_SQL_UNSIGNED_INT:
      std::snprintf(buf, sizeof buf, "%u", LoadValue<uint32_t>(value));
      break;
    case ZEL_SQL_BIGINT:
      std::snprintf(buf, sizeof buf, "%" PRId64, LoadValue<int64_t>(value));
      break;
    case ZEL_SQL_FLOAT:
      std::snprintf(buf, sizeof buf, "%f", static_cast<double>(LoadValue<float>(value)));
      break;
    case ZEL_SQL_DOUBLE:
      std::snprintf(buf, sizeof buf, "%f", LoadValue<double>(value));
      break;
    case ZEL_SQL_CHAR:
    case ZEL_SQL_VARCHAR:
    case ZEL_SQL_TEXT: text = static_cast<const char *>(value); break;
    case ZEL_SQL_DATE:
      text = owned = ZelDateToString(static_cast<const ZelDateTime *>(value)->date);
      break;
    case ZEL_SQL_TIME:
      text = owned = ZelTimeToString(static_cast<const ZelDateTime *>(value)->time);
      break;
    case ZEL_SQL_DATETIME:
      text = owned = ZelDateTimeToString(static_cast<const ZelDateTime *>(value));
      break;
    case ZEL_SQL_BOOLEAN:
      std::snprintf(buf, sizeof buf, "%d", LoadValue<uint8_t>(value));
      break;
    default: return;
  }
  out += text != nullptr ? text : "NULL";
  out += '\t';
  std::free(owned);
}

// The header line: every column name followed by a tab.
void AppendHeader(std::string &out, const TableDefn *tableDefn, const CustomViewDefn *viewDefn) {
  for (VectorNode *n = ElementAt(ColumnList(tableDefn, viewDefn), 0); n != nullptr; n = n->next) {
    out += tableDefn != nullptr ? static_cast<const ColumnDefn *>(n->element)->name
                                : static_cast<const ViewColumnDefn *>(n->element)->columnLabel;
    out += '\t';
  }
  out += '\n';
}

void AppendRow(std::string &out, const RowObject *row, const TableDefn *tableDefn,
               const CustomViewDefn *viewDefn, int32_t columnCount, const uint8_t *types) {
  for (int32_t i = 0; i < columnCount; ++i)
    AppendValue(out, row->values != nullptr ? row->values[i] : nullptr, types[i]);
  (void)tableDefn;
  (void)viewDefn;
  out += '\n';
}

std::vector<uint8_t> Types(const TableDefn *tableDefn, const CustomViewDefn *viewDefn, int32_t count) {
  std::vector<uint8_t> types(static_cast<std::size_t>(std::max(count, 0)));
  for (int32_t i = 0; i < count; ++i) {
    const ColumnDefn *column = ColumnAt(tableDefn, viewDefn, i);
    types[static_cast<std::size_t>(i)] = column != nullptr ? column->type : 0;
  }
  return types;
}

bool HasColumns(const TableDefn *tableDefn, const CustomViewDefn *viewDefn) {
  Vector *columns = ColumnList(tableDefn, viewDefn);
  return columns != nullptr && columns->count > 0;
}

// The listing of a table or view; false for one not in the store or without columns.
bool ListTable(const TableData *table, std::string &out) {
  if (table == nullptr || !HasColumns(table->tableDefn, table->viewDefn)) return false;
  std::vector<uint8_t> types = Types(table->tableDefn, table->viewDefn, table->columnCount);
  AppendHeader(out, table->tableDefn, table->viewDefn);
  for (const RowObject *row = table->firstRow; row != nullptr; row = row->nextRow)
    AppendRow(out, row, table->tableDefn, table->viewDefn, table->columnCount, types.data());
  return true;
}

// Writes a listing line by line at DEBUG.
void LogListing(const std::string &listing) {
  std::size_t at = 0;
  while (at < listing.size()) {
    std::size_t end = listing.find('\n', at);
    end = end == std::string::npos ? listing.size() : end + 1;
    LogDebug("%.*s", static_cast<int>(end - at), listing.c_str() + at);
    at = end;
  }
}

TableData *FindView(const char *name) {
  TableData *table = GetTableDataByName(name);
  return table != nullptr && table->kind == STORE_KIND_VIEW ? table : nullptr;
}

char *ListingCopy(const TableData *table) {
  try {
    std::string listing;
    if (!ListTable(table, listing)) return nullptr;
    char *copy = strdup(listing.c_str());
    if (copy != nullptr) LogTrace("String Value of Relvar Data\n %s\n", copy);
    return copy;
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
}

}  // namespace

extern "C" {

CustomViewDefn *CreateCustomViewDefn(uint8_t tableCount, char **baseTableNames, Vector *viewColumns) {
  LogTrace("\t@@@@@ Inside CreateCustomViewDefn() @@@@@\n");
  auto *defn = static_cast<CustomViewDefn *>(std::calloc(1, sizeof(CustomViewDefn)));
  if (defn == nullptr) {
    LogError("Could not allocate memory for CustomViewDefn\n");
    return nullptr;
  }
  defn->tableCount = tableCount;
  defn->baseTableNames = baseTableNames;
  defn->viewColumns = viewColumns;
  return defn;
}

ViewColumnDefn *CreateViewColumnDefn(const char *label, int32_t number, uint8_t smallNumber,
                                     ColumnDefn *columnDefn) {
  LogTrace("\t@@@@@ Inside CreateViewColumnDefn() @@@@@\n");
  auto *column = static_cast<ViewColumnDefn *>(std::calloc(1, sizeof(ViewColumnDefn)));
  if (column == nullptr) {
    LogError("Could not allocate memory for ViewColumnDefn\n");
    return nullptr;
  }
  column->columnLabel = label;
  column->number = number;
  column->smallNumber = smallNumber;
  column->columnDefn = columnDefn;
  return column;
}

bool CreateCustomViewData(const char *viewName, CustomViewDefn *viewDefn) {
  LogTrace("@@@ Inside CreateCustomViewData @@@\n");
  if (viewName == nullptr || viewDefn == nullptr || GetTableDataByName(viewName) != nullptr)
    return false;
  auto *view = static_cast<TableData *>(std::calloc(1, sizeof(TableData)));
  if (view == nullptr) return false;
  view->name = strdup(viewName);
  view->kind = STORE_KIND_VIEW;
  view->viewDefn = viewDefn;
  view->columnCount = viewDefn->viewColumns != nullptr ? viewDefn->viewColumns->count : 0;
  if (view->name == nullptr || !AddElementValue(GetTableList(), view)) {
    std::free(view->name);
    std::free(view);
    return false;
  }
  return true;
}

void FreeCustomViewDefn(CustomViewDefn *viewDefn) {
  LogTrace("\t@@@@@ Inside FreeCustomViewDefn() @@@@@\n");
  if (viewDefn == nullptr) return;
  if (viewDefn->viewColumns != nullptr) {
    for (VectorNode *n = ElementAt(viewDefn->viewColumns, 0); n != nullptr; n = n->next)
      std::free(n->element);
    FreeVector(viewDefn->viewColumns);
    std::free(viewDefn->viewColumns);
    viewDefn->viewColumns = nullptr;
  }
  for (int32_t i = 0; viewDefn->baseTableNames != nullptr && i < viewDefn->tableCount; ++i)
    std::free(viewDefn->baseTableNames[i]);
  std::free(viewDefn->baseTableNames);
  viewDefn->baseTableNames = nullptr;
}

const char *GetTableNameOfView(const char *name) {
  LogTrace("@@@ Inside GetTableNameOfView @@@\n");
  TableData *view = FindView(name);
  if (view == nullptr || view->viewDefn->tableCount == 0 || view->viewDefn->baseTableNames == nullptr)
    return name;
  return view->viewDefn->baseTableNames[0];
}

int SortTableByName(const void *a, const void *b) {
  LogTrace("@@@ Inside SortTableByName @@@\n");
  const TableData *ta = *static_cast<const TableData *const *>(a);
  const TableData *tb = *static_cast<const TableData *const *>(b);
  return CompareString(ta->name, tb->name);
}

bool SortResultSet(ResultData *result, const char *columnName, uint8_t ascending) {
  LogTrace("@@@ Inside SortResultSet @@@\n");
  if (result == nullptr || columnName == nullptr) return false;
  if (!HasColumns(result->tableDefn, result->viewDefn)) return false;
  int32_t position = corbel::store::FindColumn(result->tableDefn, result->viewDefn, columnName);
  if (position < 0 || position >= result->columnCount) return false;
  if (result->firstEntry == nullptr || result->firstEntry->next == nullptr) {
    if (result->rowCount == 1) LogDebug("Number of Rows is 1 for the Relvar to be Sorted \n");
    return result->rowCount <= 1;
  }
  const ColumnDefn *column = ColumnAt(result->tableDefn, result->viewDefn, position);
  uint8_t type = column != nullptr ? column->type : 0;
  try {
    std::vector<ResultEntry *> entries;
    for (ResultEntry *e = result->firstEntry; e != nullptr; e = e->next) entries.push_back(e);
    auto order = [position, type](const ResultEntry *a, const ResultEntry *b) {
      const void *va = a->row->values != nullptr ? a->row->values[position] : nullptr;
      const void *vb = b->row->values != nullptr ? b->row->values[position] : nullptr;
      if (va == nullptr || vb == nullptr) return Order(va != nullptr, vb != nullptr);
      return CompareValues(va, a->row->lengths[position], vb, b->row->lengths[position], type);
    };
    if (ascending == 1)
      std::stable_sort(entries.begin(), entries.end(),
                       [&](const ResultEntry *a, const ResultEntry *b) { return order(a, b) < 0; });
    else
      std::stable_sort(entries.begin(), entries.end(),
                       [&](const ResultEntry *a, const ResultEntry *b) { return order(a, b) > 0; });
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) entries[i]->next = entries[i + 1];
    entries.back()->next = nullptr;
    result->firstEntry = entries.front();
    result->cursor = nullptr;
  } catch (const std::bad_alloc &) {
    return false;
  }
  return true;
}

void PrintTableData(const char *name) {
  LogTrace("@@@ Inside PrintTableData @@@\n");
  if (FindView(name) != nullptr) {
    PrintCustomViewData(name);
    return;
  }
  try {
    std::string listing;
    if (ListTable(GetTableDataByName(name), listing)) LogListing(listing);
  } catch (const std::bad_alloc &) {
  }
}

void PrintCustomViewData(const char *viewName) {
  LogTrace("@@@ Inside PrintCustomViewData @@@\n");
  try {
    std::string listing;
    if (ListTable(FindView(viewName), listing)) LogListing(listing);
  } catch (const std::bad_alloc &) {
  }
}

void PrintResultData(ResultData *result) {
  LogTrace("\t@@@@@ Inside PrintResultData() @@@@@\n");
  if (result == nullptr || !HasColumns(result->tableDefn, result->viewDefn)) return;
  try {
    std::string listing;
    std::vector<uint8_t> types = Types(result->tableDefn, result->viewDefn, result->columnCount);
    AppendHeader(listing, result->tableDefn, result->viewDefn);
    for (const ResultEntry *e = result->firstEntry; e != nullptr; e = e->next)
      if ((e->row->state & ROW_STATE_DELETED) == 0)
        AppendRow(listing, e->row, result->tableDefn, result->viewDefn, result->columnCount, types.data());
    LogListing(listing);
  } catch (const std::bad_alloc &) {
  }
}

char *ToStringTableData(const char *name) {
  LogTrace("@@@ Inside ToStringTableData @@@\n");
  if (FindView(name) != nullptr) return ToStringCustomViewData(name);
  return ListingCopy(GetTableDataByName(name));
}

char *ToStringCustomViewData(const char *viewName) {
  LogTrace("@@@ Inside ToStringCustomViewData @@@\n");
  return ListingCopy(FindView(viewName));
}

}  // extern "C"
