// The connection pool: per data source a list of open connections that threads take and
// give back. Hand-out, give-back and renewal run under one pool mutex, so two threads never
// take the same free connection.
#include <corbel/connpool.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include <corbel/dates.h>
#include <corbel/log.h>

#include "framework/db/db_internal.h"

namespace {

Vector gv_connectionPoolVect;
std::mutex gv_poolMutex;

ConnectionPoolEntry *NewPoolEntry() {
  auto *entry = static_cast<ConnectionPoolEntry *>(std::calloc(1, sizeof(ConnectionPoolEntry)));
  if (entry == nullptr) {
    LogError("Unable to allocate memory for connection pool\n");
    return nullptr;
  }
  InitVector(&entry->connections, nullptr);
  return entry;
}

void ClosePoolEntry(ConnectionPoolEntry *entry) {
  for (VectorNode *n = ElementAt(&entry->connections, 0); n != nullptr; n = n->next)
    CloseDBConnection(static_cast<ConnectionHandle *>(n->element));
  FreeVector(&entry->connections);
  std::free(entry->connectionName);
  std::free(entry);
}

// Names the entry and appends it to the pool; false (entry closed) when memory runs out.
bool AppendPoolEntry(ConnectionPoolEntry *entry, const char *connectionName) {
  entry->connectionName = corbel::db::Dup(connectionName);
  if ((connectionName != nullptr && entry->connectionName == nullptr) ||
      !AddElementValue(&gv_connectionPoolVect, entry)) {
    LogError("Unable to allocate memory for connection pool\n");
    ClosePoolEntry(entry);
    return false;
  }
  return true;
}

ConnectionPoolEntry *FindPoolEntry(const char *connectionName, bool firstWhenNoName) {
  if (gv_connectionPoolVect.count == 0) return nullptr;
  if (connectionName == nullptr) {
    if (!firstWhenNoName && gv_connectionPoolVect.count != 1) return nullptr;
    return static_cast<ConnectionPoolEntry *>(ElementAt(&gv_connectionPoolVect, 0)->element);
  }
  for (VectorNode *n = ElementAt(&gv_connectionPoolVect, 0); n != nullptr; n = n->next) {
    auto *entry = static_cast<ConnectionPoolEntry *>(n->element);
    if (entry->connectionName != nullptr && std::strcmp(entry->connectionName, connectionName) == 0)
      return entry;
  }
  return nullptr;
}

int32_t OwnerId(const ConnectionPoolEntry *entry) {
  return entry->connections.count == 1 ? 1 : corbel::db::PoolThreadId();
}

// Replaces the native connection of `connection` with a new one, keeping the record so that
// handles held elsewhere stay valid. On failure the connection is given back (free) and
// stays in the pool to be tried again at its next hand-out.
bool Renew(ConnectionHandle *connection) {
  ConnParamsEntry *params = GetConnParamsEntry(connection->connectionName);
  if (params == nullptr) {
    LogError("Cannot return connection handle. Error in fetching connection parameters.\n");
    connection->ownerThread = -1;
    return false;
  }
  ConnectionHandle *fresh = OpenDBConnection(params);
  if (fresh == nullptr) {
    LogError(
        "Cannot return connection handle. Error in opening connection while re-establishing "
        "connection hanlde.\n");
    connection->ownerThread = -1;
    return false;
  }
  // A statement of another thread sharing the connection finishes first.
  LockObject(connection);
  std::swap(connection->handle, fresh->handle);
  std::swap(connection->providerIndex, fresh->providerIndex);
  connection->openedAt = fresh->openedAt;
  connection->inTransaction = 0;
  connection->broken = 0;
  UnlockObject(connection);
  CloseDBConnection(fresh);  // closes the old native connection
  LogDebug(" %s : Connection Established\n", connection->connectionName);
  return true;
}

bool NeedsRenewal(const ConnectionHandle *connection, uint32_t now) {
  return connection->broken != 0 ||
         static_cast<uint32_t>(now - connection->openedAt) >= CORBEL_CONNECTION_MAX_AGE;
}

}  // namespace

extern "C" {

void InitConnectionLists(void) {
  InitVector(GetConnParamsList(), nullptr);
  InitVector(&gv_connectionPoolVect, nullptr);
}

Vector *GetConnectionPool(void) { return &gv_connectionPoolVect; }

bool EstablishDBConnections(void) {
  Vector *params = GetConnParamsList();
  if (params->count == 0) return false;
  for (VectorNode *n = ElementAt(params, 0); n != nullptr; n = n->next) {
    auto *param = static_cast<ConnParamsEntry *>(n->element);
    ConnectionPoolEntry *entry = NewPoolEntry();
    if (entry == nullptr) return false;
    ConnectionHandle *connection = OpenDBConnection(param);
    if (connection == nullptr) {
      LogError("Cannot establish connection.\n");
      ClosePoolEntry(entry);
      return false;
    }
    if (!AddElementValue(&entry->connections, connection)) {
      CloseDBConnection(connection);
      ClosePoolEntry(entry);
      return false;
    }
    LogDebug(" %s : Connection Established\n", param->connectionName);
    std::lock_guard<std::mutex> lock(gv_poolMutex);
    if (!AppendPoolEntry(entry, param->connectionName)) return false;
  }
  return true;
}

bool EstablishDBConnectionPool(int32_t count) {
  Vector *params = GetConnParamsList();
  if (params->count == 0) {
    LogError("There is no entry in data source vector\n");
    return false;
  }
  if (count <= 0) count = CORBEL_DEFAULT_POOL_SIZE;
  for (VectorNode *n = ElementAt(params, 0); n != nullptr; n = n->next) {
    auto *param = static_cast<ConnParamsEntry *>(n->element);
    ConnectionPoolEntry *entry = NewPoolEntry();
    if (entry == nullptr) continue;
    for (int32_t i = 0; i < count; ++i) {
      ConnectionHandle *connection = OpenDBConnection(param);
      if (connection == nullptr) continue;
      if (!AddElementValue(&entry->connections, connection)) {
        CloseDBConnection(connection);
        continue;
      }
      LogDebug(" %d : %s : Connection Established\n", i, param->connectionName);
    }
    std::lock_guard<std::mutex> lock(gv_poolMutex);
    AppendPoolEntry(entry, param->connectionName);
  }
  return true;
}

ConnectionHandle *GetConnectionHandle(const char *connectionName) {
  std::lock_guard<std::mutex> lock(gv_poolMutex);
  ConnectionPoolEntry *entry = FindPoolEntry(connectionName, false);
  if (entry == nullptr) return nullptr;
  const uint32_t now = GetCurrentSeconds();
  const int32_t owner = OwnerId(entry);
  ConnectionHandle *found = nullptr;
  for (VectorNode *n = ElementAt(&entry->connections, 0); n != nullptr && found == nullptr;
       n = n->next) {
    auto *connection = static_cast<ConnectionHandle *>(n->element);
    if (connection->ownerThread == owner) found = connection;
  }
  for (VectorNode *n = ElementAt(&entry->connections, 0); n != nullptr && found == nullptr;
       n = n->next) {
    auto *connection = static_cast<ConnectionHandle *>(n->element);
    if (connection->ownerThread == -1) {
      connection->ownerThread = owner;
      found = connection;
    }
  }
  if (found == nullptr) return nullptr;
  if (NeedsRenewal(found, now) && !Renew(found)) return nullptr;
  return found;
}

bool ReleaseConnectionHandle(const char *connectionName) {
  std::lock_guard<std::mutex> lock(gv_poolMutex);
  ConnectionPoolEntry *entry = FindPoolEntry(connectionName, true);
  if (entry == nullptr) return false;
  const int32_t owner = OwnerId(entry);
  for (VectorNode *n = ElementAt(&entry->connections, 0); n != nullptr; n = n->next) {
    auto *connection = static_cast<ConnectionHandle *>(n->element);
    if (connection->ownerThread == owner) {
      connection->ownerThread = -1;
      return true;
    }
  }
  return false;
}

void FreeConnectionPool(void) {
  std::lock_guard<std::mutex> lock(gv_poolMutex);
  for (VectorNode *n = ElementAt(&gv_connectionPoolVect, 0); n != nullptr; n = n->next)
    ClosePoolEntry(static_cast<ConnectionPoolEntry *>(n->element));
  FreeVector(&gv_connectionPoolVect);
}

}  // extern "C"
