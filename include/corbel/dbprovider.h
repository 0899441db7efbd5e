/* ---- include/corbel/dbprovider.h -------------------------------------------------------
 * Database providers: the one way the framework reaches a database. A provider is a
 * constant record of operations (the ODBC provider is the one the framework registers);
 * connections are opened through the provider a data source names, and statement texts run
 * on them. This module also picks the SQL dialect of a table or data source, so that callers
 * ask for the text of a query or a row change without knowing where the table lives.
 *
 * Calling order for a statement: take a connection for the table's data source from the
 * pool (corbel/connpool.h), generate the text, run it, give the connection back, free the
 * text (every generated text is the caller's). */
#ifndef CORBEL_DBPROVIDER_H
#define CORBEL_DBPROVIDER_H

#include <stdbool.h>
#include <stdint.h>

#include <corbel/query.h>
#include <corbel/rowobject.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ResultSet ResultSet;             /* corbel/resultset.h */
typedef struct ConnParamsEntry ConnParamsEntry; /* corbel/connpool.h */

/* One open connection. */
typedef struct ConnectionHandle {
  void *handle;           /* the provider's native connection, owned by the provider */
  char *connectionName;   /* copy of the data source's connection name, owned */
  int32_t providerIndex;  /* provider slot that opened it */
  int32_t ownerThread;    /* id of the thread holding it in the pool; -1 free; 1 shared by all
                             threads (a data source with a single connection) */
  uint8_t inTransaction;  /* 1 between a successful begin and the next commit or rollback */
  uint32_t openedAt;      /* seconds since 1970-01-01 UTC when it was opened */
  uint8_t broken;         /* 1 once a statement failed with a connection error (SQLSTATE
                             class 08): the pool renews it at its next hand-out */
} ConnectionHandle;

/* Result of a blob chunk source that has no more data. */
#define CORBEL_BLOB_NO_MORE_DATA 2

/* Gives the next chunk of a value being written: sets *data and *length and returns any
 * value but CORBEL_BLOB_NO_MORE_DATA, or returns CORBEL_BLOB_NO_MORE_DATA after the last. */
typedef int (*BlobChunkSource)(const void **data, int32_t *length, void *context);

/* Receives a value being read, chunk by chunk, then once with (NULL, 0) after its last chunk.
 * The data is valid only during the call. */
typedef void (*BlobChunkSink)(const void *data, int32_t length, void *context);

/* The operations of one provider, in a fixed slot order. */
typedef struct DBProvider {
  const char *name; /* provider name, e.g. "ODBC" (case matters) */
  /* New connection for the data source, or NULL (the caller sets the bookkeeping fields). */
  ConnectionHandle *(*connect)(const ConnParamsEntry *params);
  /* 1 when the statement ran, 0 otherwise. */
  int (*executeUpdate)(ConnectionHandle *connection, const char *statement);
  /* New result set, or NULL. */
  ResultSet *(*executeQuery)(ConnectionHandle *connection, const char *statement);
  /* Closes the native connection and frees the provider's part of the handle. */
  bool (*disconnect)(ConnectionHandle *connection);
  int (*beginTransaction)(ConnectionHandle *connection);    /* 1 when started */
  int (*commitTransaction)(ConnectionHandle *connection);   /* 1 when committed */
  int (*rollbackTransaction)(ConnectionHandle *connection); /* 1 when rolled back */
  /* Runs a statement with one parameter marker whose binary value comes from `source`. */
  int (*executeUpdateBlob)(ConnectionHandle *connection, const char *statement,
                           BlobChunkSource source, void *context);
  /* Runs a query; binary and long columns go to `sink` instead of the result set. */
  ResultSet *(*executeQueryBlob)(ConnectionHandle *connection, const char *statement,
                                 BlobChunkSink sink, void *context);
  /* Rows changed by the statement into *rowCount (-1 when the driver cannot tell); 1 when
   * the statement ran, 0 otherwise. May be NULL in a provider. */
  int (*executeUpdateCount)(ConnectionHandle *connection, const char *statement,
                            int64_t *rowCount);
} DBProvider;

/* Number of provider slots. */
#define CORBEL_PROVIDER_SLOTS 2

/* ---- providers ----------------------------------------------------------------------- */

/* Registers the ODBC provider, loads "ODBC" (and "SQLITE", when registered) into the slots
 * and makes the connection lists empty. False when already initialised. */
bool InitDBProvider(void);
/* Empties the slots and the registry (InitDBProvider may run again). */
void DeInitDBProvider(void);
/* Appends a provider (a record that outlives its registration); false when memory runs out. */
bool RegisterProvider(const DBProvider *provider);
/* The registered provider of exactly that name, or NULL. */
const DBProvider *FindProvider(const char *name);
/* Removes every registration (the records are the caller's). */
void ClearProviders(void);
/* Stores the registered provider of that name in the first free slot; false when no slot is
 * free or no such provider is registered. */
bool LoadProvider(const char *name);
/* Loads the provider named by the database type of the first connection-parameter entry. */
bool LoadDBProvider(void);
/* Empties the slot holding the provider of that name; true when one did. */
bool UnloadProvider(const char *name);
/* The provider in slot `index`, or NULL. */
const DBProvider *GetProviderAt(int32_t index);

/* ---- connections and statements -------------------------------------------------------- */

/* Opens a connection through the provider that `params` names; NULL when there is none or
 * the provider cannot connect. The connection is free (owner -1), not in a transaction,
 * opened now. Close it with CloseDBConnection. */
ConnectionHandle *OpenDBConnection(const ConnParamsEntry *params);
/* Closes the connection and frees the record; false when its provider slot is empty. */
bool CloseDBConnection(ConnectionHandle *connection);

/* Each returns the provider's result: 1/0, or a new ResultSet the caller frees with
 * FreeResultSet (NULL on failure). A NULL connection or text is refused with a log line. */
int ExecuteUpdate(ConnectionHandle *connection, const char *statement);
int ExecuteUpdateBlob(ConnectionHandle *connection, const char *statement, BlobChunkSource source,
                      void *context);
ResultSet *ExecuteQuery(ConnectionHandle *connection, const char *statement);
ResultSet *ExecuteQueryBlob(ConnectionHandle *connection, const char *statement,
                            BlobChunkSink sink, void *context);
/* As ExecuteUpdate, with the number of rows the statement changed in *rowCount (may be
 * NULL; -1 when the provider cannot tell). */
int ExecuteUpdateWithCount(ConnectionHandle *connection, const char *statement,
                           int64_t *rowCount);

/* Transactions: autocommit off until the commit or rollback, which turns it back on.
 * Commit and rollback refuse (0) a connection without a begun transaction. */
int BeginTransaction(ConnectionHandle *connection);
int CommitTransaction(ConnectionHandle *connection);
int RollbackTransaction(ConnectionHandle *connection);

/* Runs "create database <name>" on the default connection. The name must be letters,
 * digits and underscores. */
bool CreateDB(const char *databaseName);

/* ---- dialect of a table or a data source -------------------------------------------------- */

/* The data source of the table's map entry (owned by the map), or NULL. */
const char *GetConnectionNameForTable(const char *tableName);
/* The provider name / database type name of the data source's parameters (owned by the
 * parameter list), or NULL. */
const char *GetProviderNameForConnection(const char *connectionName);
const char *GetDBTypeForConnection(const char *connectionName);

/* Statement texts in the dialect of the table's data source (or the framework-wide one);
 * new texts the caller frees, NULL when none can be written. */
char *GenerateSelectQuery(SelectQuery *query);
char *GenerateUpdateQuery(const char *tableName, RowObject *row);
char *GenerateInsertQuery(const char *tableName, RowObject *row);
char *GenerateDeleteQuery(const char *tableName, RowObject *row);
char *GenerateCreateTableQuery(const char *tableName);

/* Creates the table in the named data source's database; true when the statement ran. */
bool CreateTableInDB(const char *tableName, const char *connectionName);
/* Creates every table of the dictionary in order; false at the first that fails (the
 * tables before it stay created). */
bool CreateAllTables(void);
/* New row object of the set's current row through the named dialect's converter; the caller
 * frees it with FreeRowObject. NULL without a dialect or a current row. */
RowObject *ConvertResultRow(ResultSet *set, const char *dialectName, const char *tableName);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_DBPROVIDER_H */
