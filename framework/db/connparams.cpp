// Data sources: the connection-parameter list read from "connparams.txt", the map of tables
// to data sources read from "dsn_table_map.txt", and the switch between map mode and one
// framework-wide database type.
#include <corbel/connpool.h>

#include <strings.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include <corbel/log.h>
#include <corbel/root.h>

#include "framework/db/db_internal.h"
#include "platform/system.h"

namespace corbel::db {

bool WordReader::Next(std::string &word) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  while (pos_ < text_.size() && blank(text_[pos_])) ++pos_;
  if (pos_ >= text_.size()) return false;
  size_t start = pos_;
  while (pos_ < text_.size() && !blank(text_[pos_])) ++pos_;
  word.assign(text_, start, pos_ - start);
  return true;
}

bool WordReader::RestOfLine(std::string &rest) {
  if (pos_ >= text_.size()) return false;
  size_t end = text_.find('\n', pos_);
  if (end == std::string::npos) end = text_.size();
  rest.assign(text_, pos_, end - pos_);
  if (!rest.empty() && rest.back() == '\r') rest.pop_back();
  pos_ = end < text_.size() ? end + 1 : end;
  return true;
}

namespace {

bool ReadWhole(const std::string &path, std::string &contents) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

}  // namespace

bool ReadConfigFile(const char *path, const char *fileName, std::string &contents) {
  if (path != nullptr) {
    // "..\data\x" written for Windows names the same place here.
    std::string local = path;
    for (char &c : local) {
      if (c == '\\') c = '/';
    }
    if (ReadWhole(local, contents)) return true;
  }
  char *rooted = ComposeRootDataPath(fileName);
  if (rooted == nullptr) return false;
  LogDebug("Opening %s\n", rooted);
  bool ok = ReadWhole(rooted, contents);
  std::free(rooted);
  return ok;
}

int32_t PoolThreadId() { return static_cast<int32_t>(ovr::sys::CurrentThreadId()); }

}  // namespace corbel::db

using corbel::db::Dup;

namespace {

Vector gv_connParamsVect;
Vector gv_dataSourceMapVect;
uint8_t gv_dsnMapValid = 0;
uint8_t gv_frameworkDBType = 0;
const char *const kDBTypeNames[] = {"MYSQL", "PGSQL", "FIREBIRD", "SQLITE"};

}  // namespace

extern "C" {

// ---- connection parameters ----------------------------------------------------------------

Vector *GetConnParamsList(void) { return &gv_connParamsVect; }

ConnParamsEntry *CreateConnParamsEntry(const char *entryLabel, int16_t entryNumber,
                                       const char *dsn, const char *userId,
                                       const char *password, int32_t option,
                                       const char *connectionName, uint8_t useConnectionString,
                                       const char *connectionString, const char *providerName,
                                       const char *dbType) {
  auto *entry = static_cast<ConnParamsEntry *>(std::calloc(1, sizeof(ConnParamsEntry)));
  if (entry == nullptr) return nullptr;
  entry->entryNumber = entryNumber;
  entry->option = option;
  entry->useConnectionString = useConnectionString;
  const char *const texts[] = {entryLabel,       dsn,          userId, password, connectionName,
                               connectionString, providerName, dbType};
  char **fields[] = {&entry->entryLabel,       &entry->dsn,          &entry->userId,
                     &entry->password,         &entry->connectionName,
                     &entry->connectionString, &entry->providerName, &entry->dbType};
  for (size_t i = 0; i < std::size(texts); ++i) {
    if (texts[i] == nullptr) continue;
    if (fields[i] == &entry->password && std::strcmp(texts[i], "NULL") == 0) continue;
    *fields[i] = Dup(texts[i]);
    if (*fields[i] == nullptr) {
      FreeConnParamsEntry(entry);
      return nullptr;
    }
  }
  return entry;
}

void FreeConnParamsEntry(ConnParamsEntry *entry) {
  if (entry == nullptr) return;
  for (char *text : {entry->entryLabel, entry->dsn, entry->userId, entry->password,
                     entry->connectionName, entry->connectionString, entry->providerName,
                     entry->dbType}) {
    std::free(text);
  }
  std::free(entry);
}

bool StoreConnParamsEntry(ConnParamsEntry *entry) {
  return entry != nullptr && AddElementValue(&gv_connParamsVect, entry);
}

ConnParamsEntry *GetConnParamsEntry(const char *connectionName) {
  if (connectionName == nullptr) return nullptr;
  for (VectorNode *n = ElementAt(&gv_connParamsVect, 0); n != nullptr; n = n->next) {
    auto *entry = static_cast<ConnParamsEntry *>(n->element);
    if (entry->connectionName != nullptr && std::strcmp(entry->connectionName, connectionName) == 0)
      return entry;
  }
  return nullptr;
}

bool DeleteConnParamsEntry(const char *connectionName) {
  ConnParamsEntry *entry = GetConnParamsEntry(connectionName);
  if (entry == nullptr) return false;
  DeleteLCDVector(&gv_connParamsVect, entry);
  FreeConnParamsEntry(entry);
  return true;
}

const char *GetDefaultConnectionName(void) {
  VectorNode *first = ElementAt(&gv_connParamsVect, 0);
  const char *name =
      first != nullptr ? static_cast<ConnParamsEntry *>(first->element)->connectionName : nullptr;
  if (name == nullptr) LogError("Connection Name IS NULL\n");
  return name;
}

void FreeAllConnParamsEntries(void) {
  for (VectorNode *n = ElementAt(&gv_connParamsVect, 0); n != nullptr; n = n->next)
    FreeConnParamsEntry(static_cast<ConnParamsEntry *>(n->element));
  FreeVector(&gv_connParamsVect);
}

bool LoadConnParamsEntryFromFile(const char *path) {
  std::string contents;
  if (!corbel::db::ReadConfigFile(path, "connparams.txt", contents)) {
    LogError("Cannot open Connection Parameters File.\n");
    return false;
  }
  corbel::db::WordReader reader(std::move(contents));
  while (true) {
    std::string words[10];
    size_t got = 0;
    while (got < 10 && reader.Next(words[got])) ++got;
    std::string rest;
    if (got < 10 || !reader.RestOfLine(rest)) {
      // A record cut short by the end of the file is dropped; a full record whose line
      // ends the file has an empty rest.
      if (got < 10) break;
    }
    const bool useString = strcasecmp(words[9].c_str(), "YES") == 0;
    std::string connection;
    if (useString) {
      size_t start = rest.find_first_not_of(" \t");
      if (start != std::string::npos) connection = rest.substr(start);
    }
    ConnParamsEntry *entry = CreateConnParamsEntry(
        words[0].c_str(), static_cast<int16_t>(std::strtol(words[1].c_str(), nullptr, 10)),
        words[2].c_str(), words[3].c_str(), words[4].c_str(), 0, words[6].c_str(), useString,
        useString ? connection.c_str() : nullptr, words[7].c_str(), words[8].c_str());
    if (entry != nullptr && !StoreConnParamsEntry(entry)) FreeConnParamsEntry(entry);
  }
  return true;
}

// ---- data-source map ------------------------------------------------------------------------

void InitDataSourceMap(void) { InitVector(&gv_dataSourceMapVect, nullptr); }

DataSourceMapEntry *CreateDataSourceMapEntry(const char *tableName, const char *connectionName) {
  LogTrace("@@@ Inside CreateDataSourceMapEntry @@@\n");
  auto *entry = static_cast<DataSourceMapEntry *>(std::calloc(1, sizeof(DataSourceMapEntry)));
  if (entry == nullptr) return nullptr;
  entry->tableName = Dup(tableName);
  entry->connectionName = Dup(connectionName);
  if ((tableName != nullptr && entry->tableName == nullptr) ||
      (connectionName != nullptr && entry->connectionName == nullptr)) {
    std::free(entry->tableName);
    std::free(entry->connectionName);
    std::free(entry);
    return nullptr;
  }
  return entry;
}

bool AddDataSourceMapEntry(DataSourceMapEntry *entry) {
  LogTrace("@@@ Inside AddDataSourceMapEntry @@@\n");
  return entry != nullptr && AddElementValue(&gv_dataSourceMapVect, entry);
}

DataSourceMapEntry *GetDataSourceMapEntry(const char *tableName) {
  LogTrace("@@@ Inside GetDataSourceMapEntry @@@\n");
  if (tableName == nullptr) return nullptr;
  for (VectorNode *n = ElementAt(&gv_dataSourceMapVect, 0); n != nullptr; n = n->next) {
    auto *entry = static_cast<DataSourceMapEntry *>(n->element);
    if (entry->tableName != nullptr && strcasecmp(entry->tableName, tableName) == 0) return entry;
  }
  return nullptr;
}

bool DeleteDataSourceMapEntry(const char *tableName) {
  LogTrace("@@@ Inside DeleteDataSourceMapEntry @@@\n");
  if (tableName == nullptr) return false;
  for (VectorNode *n = ElementAt(&gv_dataSourceMapVect, 0); n != nullptr; n = n->next) {
    auto *entry = static_cast<DataSourceMapEntry *>(n->element);
    if (entry->tableName != nullptr && strcasecmp(entry->tableName, tableName) == 0) {
      DeleteLCDVector(&gv_dataSourceMapVect, entry);
      std::free(entry->tableName);
      std::free(entry->connectionName);
      std::free(entry);
      return true;
    }
  }
  return false;
}

void FreeAllDataSourceMapEntries(void) {
  LogTrace("@@@ Inside FreeAllDataSourceMapEntries @@@\n");
  for (VectorNode *n = ElementAt(&gv_dataSourceMapVect, 0); n != nullptr; n = n->next) {
    auto *entry = static_cast<DataSourceMapEntry *>(n->element);
    std::free(entry->tableName);
    std::free(entry->connectionName);
    std::free(entry);
  }
  FreeVector(&gv_dataSourceMapVect);
}

bool LoadDataSourceMapEntryFromFile(const char *path) {
  LogTrace("@@@ Inside LoadDataSourceMapEntryFromFile @@@\n");
  std::string contents;
  if (!corbel::db::ReadConfigFile(path, "dsn_table_map.txt", contents)) {
    LogError("Cannot open DataSourceMap Entry File.\n");
    return false;
  }
  corbel::db::WordReader reader(std::move(contents));
  std::string table, connection;
  while (reader.Next(table) && reader.Next(connection)) {
    DataSourceMapEntry *entry = CreateDataSourceMapEntry(table.c_str(), connection.c_str());
    if (entry == nullptr) continue;
    if (!AddDataSourceMapEntry(entry)) {
      std::free(entry->tableName);
      std::free(entry->connectionName);
      std::free(entry);
    }
  }
  return true;
}

// ---- mode -------------------------------------------------------------------------------------

void SetDSNMapValid(uint8_t status, uint8_t dbTypeIndex) {
  LogTrace("@@@ Inside SetDSNMapValid @@@\n");
  if (status == 1) {
    gv_dsnMapValid = 1;
  } else if (status == 0) {
    if (dbTypeIndex >= std::size(kDBTypeNames)) {
      LogError("\nInvalid Database Type %u\n", static_cast<unsigned>(dbTypeIndex));
      return;
    }
    gv_dsnMapValid = 0;
    gv_frameworkDBType = dbTypeIndex;
    LoadProvider(kDBTypeNames[dbTypeIndex]);
  } else {
    LogError("\nInvalid Status\n");
  }
}

uint8_t IsDSNMapValid(void) { return gv_dsnMapValid; }

const char *GetFrameworkDBType(void) { return kDBTypeNames[gv_frameworkDBType]; }

}  // extern "C"
