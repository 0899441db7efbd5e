// Sequence generator: batches of values reserved in the database table SeqGenState and
// handed out from memory.
//
// A batch is reserved by reading the sequence's CURRENTBATCHEND and moving it forward with
// an update that only matches while the row still holds the value read; when another process
// moved it in between, the update changes no row and the reservation starts over. So
// processes sharing a database never reserve overlapping batches.
#include <corbel/sequence.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include <corbel/connpool.h>
#include <corbel/dbprovider.h>
#include <corbel/log.h>
#include <corbel/resultset.h>

namespace {

struct Sequence {
  std::mutex drawing;  // one thread at a time draws from or renews this sequence
  SeqBatch batch{};    // guarded by gv_sequenceMutex
  bool hasBatch = false;
};

// The sequence table; entries are never removed before FreeSequenceTable, so a Sequence
// found once stays valid while it is used.
std::unordered_map<std::string, std::unique_ptr<Sequence>> gv_sequenceTable;
std::mutex gv_sequenceMutex;

// Tries of a reservation that loses to other processes, and of renewals that fail.
constexpr int kReserveTries = 100;
constexpr int kRenewTries = 3;

// The sequence name as an SQL literal body: quotes doubled, and backslashes on MySQL.
std::string Literal(const std::string &name, const char *connectionName) {
  const char *type = connectionName != nullptr && IsDSNMapValid()
                         ? GetDBTypeForConnection(connectionName)
                         : GetFrameworkDBType();
  const bool backslashes = type != nullptr && std::strcmp(type, "MYSQL") == 0;
  std::string out;
  for (char c : name) {
    if (c == '\'') out += '\'';
    if (c == '\\' && backslashes) out += '\\';
    out += c;
  }
  return out;
}

// The integer in a result value of any numeric or text type.
bool ReadInteger(const void *value, int32_t length, uint8_t type, int64_t *out) {
  if (value == nullptr) return false;
  switch (type) {
    case ZEL_SQL_TINYINT: *out = *static_cast<const int8_t *>(value); return true;
    case ZEL_SQL_UNSIGNED_TINYINT: *out = *static_cast<const uint8_t *>(value); return true;
    case ZEL_SQL_SMALLINT: { int16_t v; std::memcpy(&v, value, 2); *out = v; return true; }
    case ZEL_SQL_UNSIGNED_SMALLINT: { uint16_t v; std::memcpy(&v, value, 2); *out = v; return true; }
    case ZEL_SQL_INT: { int32_t v; std::memcpy(&v, value, 4); *out = v; return true; }
    case ZEL_SQL_UNSIGNED_INT: { uint32_t v; std::memcpy(&v, value, 4); *out = v; return true; }
    case ZEL_SQL_BIGINT:
    case ZEL_SQL_UNSIGNED_LONG_INT: { int64_t v; std::memcpy(&v, value, 8); *out = v; return true; }
    case ZEL_SQL_FLOAT:
    case ZEL_SQL_REAL: { float v; std::memcpy(&v, value, 4); *out = static_cast<int64_t>(v); return true; }
    case ZEL_SQL_DOUBLE: { double v; std::memcpy(&v, value, 8); *out = static_cast<int64_t>(v); return true; }
    default: {
      std::string text(static_cast<const char *>(value), static_cast<size_t>(length));
      char *end = nullptr;
      long long v = std::strtoll(text.c_str(), &end, 10);
      if (end == text.c_str()) return false;
      *out = v;
      return true;
    }
  }
}

bool StoreBatch(const std::string &name, int32_t next, int32_t end) {
  std::lock_guard<std::mutex> lock(gv_sequenceMutex);
  auto it = gv_sequenceTable.find(name);
  if (it == gv_sequenceTable.end()) {
    auto sequence = std::unique_ptr<Sequence>(new (std::nothrow) Sequence);
    if (sequence == nullptr) {
      LogError("Memory allocation Failed\n");
      return false;
    }
    it = gv_sequenceTable.emplace(name, std::move(sequence)).first;
  }
  it->second->batch = SeqBatch{next, end};
  it->second->hasBatch = true;
  return true;
}

// One reservation on `connection`: true with the batch stored, false after its log line.
// *lost is set when another process moved the row first.
bool Reserve(ConnectionHandle *connection, const std::string &name, const std::string &literal,
             bool *lost) {
  *lost = false;
  std::string select = "select * from SeqGenState where SEQNAME = '" + literal + "';";
  LogTrace("Query %s\n", select.c_str());
  ResultSet *set = ExecuteQuery(connection, select.c_str());
  if (set == nullptr) {
    LogError("Table doesn't Exists for UpdateSeqGen\n");
    return false;
  }
  bool ok = false;
  if (GotoNextResultRow(set) != nullptr) {
    int32_t length = 0;
    const void *value = GetResultColumnValue("CURRENTBATCHEND", &length, set);
    int64_t end = 0;
    if (!ReadInteger(value, length, GetResultColumnType("CURRENTBATCHEND", set), &end)) {
      LogError("No CURRENTBATCHEND for sequence %s\n", name.c_str());
    } else if (end < 0 || end > INT32_MAX - CORBEL_SEQUENCE_BATCH) {
      LogError("Sequence %s is used up at %lld\n", name.c_str(), static_cast<long long>(end));
    } else {
      const int32_t e = static_cast<int32_t>(end);
      std::string update = "update SeqGenState set CURRENTBATCHEND = " +
                           std::to_string(e + CORBEL_SEQUENCE_BATCH) + " where SEQNAME = '" +
                           literal + "' and CURRENTBATCHEND = " + std::to_string(e) + ";";
      LogTrace("Update Query %s\n", update.c_str());
      int64_t changed = -1;
      if (ExecuteUpdateWithCount(connection, update.c_str(), &changed) != 1) {
        LogError("ExecuteUpdate Failed for update\n");
      } else if (changed == 0) {
        *lost = true;
      } else {
        ok = StoreBatch(name, e + 1, e + CORBEL_SEQUENCE_BATCH);
      }
    }
  } else {
    std::string insert =
        "insert into SeqGenState values ('" + literal + "'," + std::to_string(CORBEL_SEQUENCE_BATCH) + ");";
    LogTrace("Insert Query %s\n", insert.c_str());
    if (ExecuteUpdate(connection, insert.c_str()) != 1) {
      // Another process may have inserted the row first; reading again tells.
      *lost = true;
    } else {
      ok = StoreBatch(name, 1, CORBEL_SEQUENCE_BATCH);
    }
  }
  FreeResultSet(set);
  return ok;
}

Sequence *FindSequence(const std::string &name) {
  std::lock_guard<std::mutex> lock(gv_sequenceMutex);
  auto it = gv_sequenceTable.find(name);
  return it != gv_sequenceTable.end() ? it->second.get() : nullptr;
}

int32_t Draw(const char *tableName, const char *key) {
  LogTrace("AutoId Key %s\n", key);
  Sequence *sequence = FindSequence(key);
  if (sequence == nullptr) {
    LogTrace("Cannot generate ID for key %s.\n", key);
    return -1;
  }
  std::lock_guard<std::mutex> drawing(sequence->drawing);
  for (int failures = 0; failures < kRenewTries;) {
    {
      std::lock_guard<std::mutex> lock(gv_sequenceMutex);
      if (!sequence->hasBatch) {
        LogError("No Value for AutoId key %s \n", key);
        return -1;
      }
      SeqBatch &batch = sequence->batch;
      if (batch.nextValue <= batch.batchEnd) {
        int32_t v = batch.nextValue++;
        LogTrace("AutoGenerated Value %d \n", v);
        return v;
      }
    }
    if (!UpdateSeqGen(tableName, key)) ++failures;
  }
  LogError("Cannot renew the batch of key %s\n", key);
  return -1;
}

}  // namespace

extern "C" {

void InitSequenceTable(void) {
  std::lock_guard<std::mutex> lock(gv_sequenceMutex);
  gv_sequenceTable.clear();
  gv_sequenceTable.reserve(50);
}

void FreeSequenceTable(void) {
  std::lock_guard<std::mutex> lock(gv_sequenceMutex);
  gv_sequenceTable.clear();
}

bool UpdateSeqGen(const char *tableName, const char *sequenceName) {
  LogTrace("Inside UpdateSeqGen \n");
  if (sequenceName == nullptr) return false;
  // Without a table (or a map entry for it) the pool's default data source serves.
  const char *connectionName = GetConnectionNameForTable(tableName);
  ConnectionHandle *connection = GetConnectionHandle(connectionName);
  if (connection == nullptr) {
    LogError("No connection for UpdateSeqGen of %s\n", sequenceName);
    return false;
  }
  const std::string name = sequenceName;
  const std::string literal = Literal(name, connectionName);
  bool ok = false;
  for (int i = 0; i < kReserveTries; ++i) {
    bool lost = false;
    ok = Reserve(connection, name, literal, &lost);
    if (ok || !lost) break;
  }
  ReleaseConnectionHandle(connectionName);
  return ok;
}

bool SequenceGenerator(void) {
  LogTrace("Inside SequenceGenerator\n");
  for (VectorNode *n = ElementAt(GetTableDefnList(), 0); n != nullptr; n = n->next) {
    const auto *table = static_cast<const TableDefn *>(n->element);
    if (table->columns == nullptr || table->columns->count == 0) return false;
    for (VectorNode *c = ElementAt(table->columns, 0); c != nullptr; c = c->next) {
      const auto *column = static_cast<const ColumnDefn *>(c->element);
      if (column->generatorName == nullptr) continue;
      LockObject(&gv_sequenceTable);
      UpdateSeqGen(table->name, column->generatorName);
      UnlockObject(&gv_sequenceTable);
    }
  }
  return true;
}

int32_t GenerateID(const char *tableName, const ColumnDefn *column) {
  LogTrace("Inside GenerateID \n");
  if (column == nullptr || column->generatorName == nullptr) {
    LogTrace("Cannot generate ID for key %s.\n", "(null)");
    return -1;
  }
  return Draw(tableName, column->generatorName);
}

int32_t GenerateInstanceID(void) {
  LogTrace("Inside GenerateInstanceID \n");
  return Draw(nullptr, CORBEL_INSTANCE_ID_SEQUENCE);
}

bool GetSequenceBatch(const char *sequenceName, SeqBatch *batch) {
  if (sequenceName == nullptr || batch == nullptr) return false;
  std::lock_guard<std::mutex> lock(gv_sequenceMutex);
  auto it = gv_sequenceTable.find(sequenceName);
  if (it == gv_sequenceTable.end() || !it->second->hasBatch) return false;
  *batch = it->second->batch;
  return true;
}

}  // extern "C"
