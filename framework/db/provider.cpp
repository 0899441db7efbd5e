// The provider registry and slots, and the operations that open connections and run
// statements through the provider a connection belongs to.
#include <corbel/dbprovider.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include <corbel/connpool.h>
#include <corbel/dates.h>
#include <corbel/log.h>
#include <corbel/odbc.h>

namespace {

Vector gv_providerVect;
const DBProvider *gv_providerSlots[CORBEL_PROVIDER_SLOTS];

// The slot holding the provider of that name; the search stops at the first empty slot.
int32_t SlotOf(const char *name) {
  if (name == nullptr) return -1;
  for (int32_t i = 0; i < CORBEL_PROVIDER_SLOTS && gv_providerSlots[i] != nullptr; ++i) {
    if (std::strcmp(gv_providerSlots[i]->name, name) == 0) return i;
  }
  return -1;
}

const DBProvider *ProviderOf(const ConnectionHandle *connection) {
  if (connection->providerIndex < 0 || connection->providerIndex >= CORBEL_PROVIDER_SLOTS)
    return nullptr;
  return gv_providerSlots[connection->providerIndex];
}

// The provider of a connection for a statement, after the refusals every statement shares.
const DBProvider *StatementProvider(ConnectionHandle *connection, const char *statement,
                                    const char *operation, const char *noQuery) {
  if (connection == nullptr) {
    LogError("ConnectionHandle NULL in %s for Query %s \n", operation,
             statement != nullptr ? statement : "(null)");
    return nullptr;
  }
  if (statement == nullptr) {
    LogError("%s", noQuery);
    return nullptr;
  }
  return ProviderOf(connection);
}

}  // namespace

extern "C" {

// ---- providers ------------------------------------------------------------------------------

bool RegisterProvider(const DBProvider *provider) {
  return provider != nullptr && AddElementValue(&gv_providerVect, const_cast<DBProvider *>(provider));
}

const DBProvider *FindProvider(const char *name) {
  if (name == nullptr) return nullptr;
  for (VectorNode *n = ElementAt(&gv_providerVect, 0); n != nullptr; n = n->next) {
    const auto *provider = static_cast<const DBProvider *>(n->element);
    if (std::strcmp(provider->name, name) == 0) return provider;
  }
  return nullptr;
}

void ClearProviders(void) { FreeVector(&gv_providerVect); }

bool LoadProvider(const char *name) {
  for (auto &slot : gv_providerSlots) {
    if (slot != nullptr) continue;
    slot = FindProvider(name);
    return slot != nullptr;
  }
  return false;
}

bool UnloadProvider(const char *name) {
  for (auto &slot : gv_providerSlots) {
    if (slot != nullptr && name != nullptr && std::strcmp(slot->name, name) == 0) {
      slot = nullptr;
      return true;
    }
  }
  return false;
}

const DBProvider *GetProviderAt(int32_t index) {
  return index >= 0 && index < CORBEL_PROVIDER_SLOTS ? gv_providerSlots[index] : nullptr;
}

bool LoadDBProvider(void) {
  VectorNode *first = ElementAt(GetConnParamsList(), 0);
  if (first == nullptr) {
    LogError("Cannot Load DB provider.\n");
    return false;
  }
  const char *type = static_cast<ConnParamsEntry *>(first->element)->dbType;
  if (!LoadProvider(type)) {
    LogError("Cannot Load %s provider.\n", type != nullptr ? type : "(null)");
    return false;
  }
  return true;
}

bool InitDBProvider(void) {
  if (gv_providerSlots[0] != nullptr) {
    LogError("InitDBProvider Failed as already initialized\n");
    return false;
  }
  for (auto &slot : gv_providerSlots) slot = nullptr;
  if (FindProvider(gv_odbcProvider.name) == nullptr) RegisterODBCProvider();
  LoadProvider("ODBC");
  LoadProvider("SQLITE");
  InitConnectionLists();
  return true;
}

void DeInitDBProvider(void) {
  for (auto &slot : gv_providerSlots) slot = nullptr;
  ClearProviders();
}

// ---- connections ------------------------------------------------------------------------------

ConnectionHandle *OpenDBConnection(const ConnParamsEntry *params) {
  LogTrace("## Inside OpenDBConnection ##\n");
  if (params == nullptr) return nullptr;
  const int32_t slot = SlotOf(params->providerName);
  if (slot < 0) return nullptr;
  ConnectionHandle *connection = gv_providerSlots[slot]->connect(params);
  if (connection == nullptr) return nullptr;
  connection->providerIndex = slot;
  connection->ownerThread = -1;
  connection->inTransaction = 0;
  connection->openedAt = GetCurrentSeconds();
  connection->broken = 0;
  return connection;
}

bool CloseDBConnection(ConnectionHandle *connection) {
  if (connection == nullptr) return false;
  const DBProvider *provider = ProviderOf(connection);
  if (provider == nullptr) return false;
  provider->disconnect(connection);
  std::free(connection->connectionName);
  std::free(connection);
  return true;
}

// ---- statements ---------------------------------------------------------------------------------

int ExecuteUpdate(ConnectionHandle *connection, const char *statement) {
  const DBProvider *p =
      StatementProvider(connection, statement, "ExecuteUpdate", " No Query To be Updated \n");
  return p != nullptr ? p->executeUpdate(connection, statement) : 0;
}

int ExecuteUpdateWithCount(ConnectionHandle *connection, const char *statement,
                           int64_t *rowCount) {
  if (rowCount != nullptr) *rowCount = -1;
  const DBProvider *p =
      StatementProvider(connection, statement, "ExecuteUpdate", " No Query To be Updated \n");
  if (p == nullptr) return 0;
  int64_t ignored = -1;
  if (p->executeUpdateCount == nullptr) return p->executeUpdate(connection, statement);
  return p->executeUpdateCount(connection, statement, rowCount != nullptr ? rowCount : &ignored);
}

int ExecuteUpdateBlob(ConnectionHandle *connection, const char *statement, BlobChunkSource source,
                      void *context) {
  const DBProvider *p = StatementProvider(connection, statement, "ExecuteUpdateBlob",
                                          " No Query To be Updated \n");
  return p != nullptr ? p->executeUpdateBlob(connection, statement, source, context) : 0;
}

ResultSet *ExecuteQuery(ConnectionHandle *connection, const char *statement) {
  const DBProvider *p =
      StatementProvider(connection, statement, "ExecuteQuery", " No Query To be Executed \n");
  return p != nullptr ? p->executeQuery(connection, statement) : nullptr;
}

ResultSet *ExecuteQueryBlob(ConnectionHandle *connection, const char *statement,
                            BlobChunkSink sink, void *context) {
  const DBProvider *p = StatementProvider(connection, statement, "ExecuteQueryBlob",
                                          " No Query To be Executed \n");
  return p != nullptr ? p->executeQueryBlob(connection, statement, sink, context) : nullptr;
}

// ---- transactions ---------------------------------------------------------------------------------

int BeginTransaction(ConnectionHandle *connection) {
  const DBProvider *p = connection != nullptr ? ProviderOf(connection) : nullptr;
  if (p == nullptr) return 0;
  int result = p->beginTransaction(connection);
  if (result == 1) connection->inTransaction = 1;
  return result;
}

int CommitTransaction(ConnectionHandle *connection) {
  if (connection == nullptr || connection->inTransaction != 1) return 0;
  const DBProvider *p = ProviderOf(connection);
  if (p == nullptr) return 0;
  int result = p->commitTransaction(connection);
  connection->inTransaction = 0;
  return result & 0xFF;
}

int RollbackTransaction(ConnectionHandle *connection) {
  if (connection == nullptr || connection->inTransaction != 1) return 0;
  const DBProvider *p = ProviderOf(connection);
  if (p == nullptr) return 0;
  int result = p->rollbackTransaction(connection);
  connection->inTransaction = 0;
  return result & 0xFF;
}

bool CreateDB(const char *databaseName) {
  LogTrace("@@ Inside CreateDB @@\n");
  ConnectionHandle *connection = GetConnectionHandle(nullptr);
  if (connection == nullptr) {
    LogError("Cannot create DB.  Connection not established.\n");
    return false;
  }
  // The name is written into the statement as it stands, so only a plain identifier is taken.
  bool plain = databaseName != nullptr && databaseName[0] != '\0';
  for (const char *c = databaseName; plain && *c != '\0'; ++c)
    plain = std::isalnum(static_cast<unsigned char>(*c)) != 0 || *c == '_';
  int result = 0;
  if (plain) result = ExecuteUpdate(connection, ("create database " + std::string(databaseName)).c_str());
  ReleaseConnectionHandle(nullptr);
  if (result != 1) {
    LogError("Cannot create database %s.\n", databaseName != nullptr ? databaseName : "(null)");
    return false;
  }
  return true;
}

}  // extern "C"

extern "C" {

// ---- data sources of tables -------------------------------------------------------------------

const char *GetConnectionNameForTable(const char *tableName) {
  DataSourceMapEntry *entry = GetDataSourceMapEntry(tableName);
  if (entry == nullptr) {
    LogError("No DataSourceMap Entry for Table name %s \n", tableName != nullptr ? tableName : "(null)");
    return nullptr;
  }
  return entry->connectionName;
}

const char *GetProviderNameForConnection(const char *connectionName) {
  ConnParamsEntry *entry = GetConnParamsEntry(connectionName);
  return entry != nullptr ? entry->providerName : nullptr;
}

const char *GetDBTypeForConnection(const char *connectionName) {
  ConnParamsEntry *entry = GetConnParamsEntry(connectionName);
  if (entry == nullptr) {
    LogError("dbConnPtr is NULL for Connection Name %s \n",
             connectionName != nullptr ? connectionName : "(null)");
    return nullptr;
  }
  return entry->dbType;
}

}  // extern "C"
