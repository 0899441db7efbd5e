// Query result sets: built row by row by a database provider, read through a cursor.
#include <corbel/resultset.h>

#include <corbel/dates.h>
#include <corbel/dictionary.h>
#include <corbel/log.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <strings.h>

#include "framework/dictionary/row_arena.h"
#include "framework/sql/value_text.h"

namespace {

// Cells and rows of large results come from the row arena (a million small heap blocks cost
// the heap's page faults and trimming on every query); the heap serves what the arena cannot.
void *NewBlock(size_t size) {
  void *block = corbel::dictionary::AllocateRowBlock(size);
  return block != nullptr ? block : std::malloc(size);
}

void FreeBlock(void *block) {
  if (!corbel::dictionary::ReleaseRowBlock(block)) std::free(block);
}

// `added` linked behind the last node of the list at `first`; the list's first node.
template <typename Node>
Node *AppendAtEnd(Node *first, Node *added, Node *Node::*next) {
  if (first == nullptr) return added;
  Node *last = first;
  while (last->*next != nullptr) last = last->*next;
  last->*next = added;
  return first;
}

// Where a cell's own copy of its value lives: right behind the cell, in the same block.
char *InlineValue(ResultCell *cell) { return reinterpret_cast<char *>(cell + 1); }

const ResultCell *CellAt(const ResultRow *row, int32_t index) {
  const ResultCell *cell = row->firstCell;
  for (int32_t i = 0; cell != nullptr && i < index; ++i) cell = cell->nextCell;
  return cell;
}

// A cell as the listing shows it: numbers by their own width, dates through their text.
std::string CellListingText(const ResultCell *cell, uint8_t type) {
  if (cell == nullptr || cell->cellValue == nullptr) return "NULL";
  if (type >= ZEL_SQL_DATE && type <= ZEL_SQL_DATETIME) {
    char *text = ZelDateTimeToString(static_cast<const ZelDateTime *>(cell->cellValue));
    std::string out = text != nullptr ? text : "NULL";
    std::free(text);
    return out;
  }
  if (type >= ZEL_SQL_TINYINT && type <= ZEL_SQL_DOUBLE) {
    auto number = corbel::sql::NumberText(cell->cellValue, cell->cellLength, type);
    if (number) return *number;
  }
  return std::string(static_cast<const char *>(cell->cellValue),
                     strnlen(static_cast<const char *>(cell->cellValue), cell->cellLength));
}

}  // namespace

extern "C" {

ResultCell *AppendResultCell(ResultCell *firstCell, int32_t length, const void *value) {
  // A value lives in the same block as its cell, right behind it: one allocation per cell,
  // which is most of the cost of a large result. A value pointer set by other code (not
  // inside the block) is its own allocation and freed on its own.
  if (length < 0 || value == nullptr) length = 0;
  const size_t room = value != nullptr ? static_cast<size_t>(length) + 1 : 0;
  auto *cell = static_cast<ResultCell *>(NewBlock(sizeof(ResultCell) + room));
  if (cell == nullptr) return nullptr;
  cell->cellLength = length;
  cell->cellValue = nullptr;
  cell->nextCell = nullptr;
  if (value != nullptr) {
    char *inside = InlineValue(cell);
    std::memcpy(inside, value, static_cast<size_t>(length));
    inside[length] = '\0';
    cell->cellValue = inside;
  }
  return AppendAtEnd(firstCell, cell, &ResultCell::nextCell);
}

ResultRow *AppendResultRow(ResultRow *firstRow, ResultCell *firstCell) {
  auto *row = static_cast<ResultRow *>(NewBlock(sizeof(ResultRow)));
  if (row == nullptr) return nullptr;
  row->firstCell = firstCell;
  row->nextResultRow = nullptr;
  return AppendAtEnd(firstRow, row, &ResultRow::nextResultRow);
}

ResultSet *CreateResultSet(ResultRow *firstRow, ResultColumn *columns, int32_t columnCount) {
  auto *set = static_cast<ResultSet *>(std::calloc(1, sizeof(ResultSet)));
  if (set == nullptr) return nullptr;
  set->columnCount = columnCount;
  set->resultColumns = columns;
  set->firstResultRow = firstRow;
  for (const ResultRow *row = firstRow; row != nullptr; row = row->nextResultRow) ++set->rowCount;
  return set;
}

ResultRow *GotoNextResultRow(ResultSet *set) {
  if (set == nullptr) return nullptr;
  // At the end the cursor stays on the last row, so that further calls keep returning NULL.
  if (set->currentResultRow == nullptr) {
    set->currentResultRow = set->firstResultRow;
    return set->currentResultRow;
  }
  if (set->currentResultRow->nextResultRow == nullptr) return nullptr;
  set->currentResultRow = set->currentResultRow->nextResultRow;
  return set->currentResultRow;
}

void ResetResultSetCursor(ResultSet *set) {
  if (set != nullptr) set->currentResultRow = nullptr;
}

const void *GetResultColumnValue(const char *columnName, int32_t *length, const ResultSet *set) {
  if (length != nullptr) *length = 0;
  if (set == nullptr || columnName == nullptr || set->currentResultRow == nullptr) return nullptr;
  for (int32_t i = 0; i < set->columnCount; ++i) {
    const char *name = set->resultColumns[i].columnName;
    if (name == nullptr || strcasecmp(name, columnName) != 0) continue;
    const ResultCell *cell = CellAt(set->currentResultRow, i);
    if (cell == nullptr) return nullptr;
    if (length != nullptr) *length = cell->cellLength;
    return cell->cellValue;
  }
  return nullptr;
}

uint8_t GetResultColumnType(const char *columnName, const ResultSet *set) {
  if (set == nullptr || columnName == nullptr) return 0;
  for (int32_t i = 0; i < set->columnCount; ++i) {
    const char *name = set->resultColumns[i].columnName;
    if (name != nullptr && strcasecmp(name, columnName) == 0) return set->resultColumns[i].columnType;
  }
  return 0;
}

const char *GetResultColumnName(int32_t index, const ResultSet *set) {
  if (set == nullptr || index < 0 || index >= set->columnCount) return nullptr;
  return set->resultColumns[index].columnName;
}

void PrintResultSet(const ResultSet *set) {
  if (set == nullptr) return;
  std::string line;
  for (int32_t i = 0; i < set->columnCount; ++i) {
    const char *name = set->resultColumns[i].columnName;
    line += name != nullptr ? name : "";
    line += '\t';
  }
  LogDebug("%s\n", line.c_str());
  for (const ResultRow *row = set->firstResultRow; row != nullptr; row = row->nextResultRow) {
    line.clear();
    const ResultCell *cell = row->firstCell;
    for (int32_t i = 0; i < set->columnCount && cell != nullptr; ++i, cell = cell->nextCell) {
      line += CellListingText(cell, set->resultColumns[i].columnType);
      line += '\t';
    }
    LogDebug("%s\n", line.c_str());
  }
}

void FreeResultCells(ResultCell *firstCell) {
  while (firstCell != nullptr) {
    ResultCell *next = firstCell->nextCell;
    if (firstCell->cellValue != InlineValue(firstCell)) std::free(firstCell->cellValue);
    FreeBlock(firstCell);
    firstCell = next;
  }
}

void FreeResultRows(ResultRow *firstRow) {
  while (firstRow != nullptr) {
    ResultRow *next = firstRow->nextResultRow;
    FreeResultCells(firstRow->firstCell);
    FreeBlock(firstRow);
    firstRow = next;
  }
}

void FreeResultColumns(ResultColumn *columns, int32_t columnCount) {
  if (columns == nullptr) return;
  for (int32_t i = 0; i < columnCount; ++i) std::free(columns[i].columnName);
  std::free(columns);
}

void FreeResultSet(ResultSet *set) {
  if (set == nullptr) return;
  FreeResultColumns(set->resultColumns, set->columnCount);
  FreeResultRows(set->firstResultRow);
  std::free(set);
}

}  // extern "C"
