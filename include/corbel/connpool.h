/* ---- include/corbel/connpool.h ---------------------------------------------------------
 * Data sources: their connection parameters ("connparams.txt"), the map of which data
 * source holds which table ("dsn_table_map.txt"), and the pool of open connections that
 * threads take a connection from and give it back to.
 *
 * A thread holds at most one connection per data source: asking again before giving it back
 * returns the same one. A data source with a single connection shares it among all threads.
 * A connection is renewed when it is handed out after 27901 seconds or more, or after a
 * statement on it failed with a connection error; the renewal keeps the record, so a handle
 * a caller still holds stays valid. */
#ifndef CORBEL_CONNPOOL_H
#define CORBEL_CONNPOOL_H

#include <stdbool.h>
#include <stdint.h>

#include <corbel/dbprovider.h>
#include <corbel/vector.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Age in seconds from which a connection is renewed at its next hand-out. */
#define CORBEL_CONNECTION_MAX_AGE 27901u

/* Connections per data source that EstablishDBConnectionPool opens for a count of 0. */
#define CORBEL_DEFAULT_POOL_SIZE 5

/* Database type names, by framework-wide type index. */
#define CORBEL_DBTYPE_MYSQL 0    /* "MYSQL" */
#define CORBEL_DBTYPE_PGSQL 1    /* "PGSQL" */
#define CORBEL_DBTYPE_FIREBIRD 2 /* "FIREBIRD" */
#define CORBEL_DBTYPE_SQLITE 3   /* "SQLITE" */

/* One data source. Owns all its texts. */
struct ConnParamsEntry {
  char *entryLabel;            /* first word of its line; kept, not used */
  int16_t entryNumber;         /* second word of its line; kept, not used */
  char *dsn;                   /* ODBC data source name, or NULL */
  char *userId;                /* user id, or NULL */
  char *password;              /* password, or NULL (the word "NULL" in the file) */
  int32_t option;              /* 0 from the file; kept, not used */
  char *connectionName;        /* the data source's name: key of the list, pool and map */
  uint8_t useConnectionString; /* 1: connect with connectionString as it stands */
  char *connectionString;      /* full ODBC connection string, or NULL */
  char *providerName;          /* provider that opens the connections, "ODBC" */
  char *dbType;                /* "MYSQL", "PGSQL", "FIREBIRD" or "SQLITE" */
};
typedef struct ConnParamsEntry ConnParamsEntry;

/* The pooled connections of one data source. */
typedef struct ConnectionPoolEntry {
  char *connectionName; /* owned */
  Vector connections;   /* ConnectionHandle records, owned by the pool */
} ConnectionPoolEntry;

/* Which data source holds a table. */
typedef struct DataSourceMapEntry {
  char *tableName;      /* owned */
  char *connectionName; /* owned */
} DataSourceMapEntry;

/* ---- connection parameters ---------------------------------------------------------------- */

/* Makes the parameter list and the pool empty (InitDBProvider calls it). */
void InitConnectionLists(void);
/* Reads a "connparams.txt" file at `path`, or else at "<root>/data/connparams.txt", and
 * appends one entry per record. False (with a log line) when neither can be opened. */
bool LoadConnParamsEntryFromFile(const char *path);
/* New entry with copies of the texts (each may be NULL; a password of exactly "NULL" gives
 * none). NULL when memory runs out. Free it with FreeConnParamsEntry unless stored. */
ConnParamsEntry *CreateConnParamsEntry(const char *entryLabel, int16_t entryNumber,
                                       const char *dsn, const char *userId,
                                       const char *password, int32_t option,
                                       const char *connectionName, uint8_t useConnectionString,
                                       const char *connectionString, const char *providerName,
                                       const char *dbType);
void FreeConnParamsEntry(ConnParamsEntry *entry);
/* Appends the entry; the list owns it afterwards. False when memory runs out. */
bool StoreConnParamsEntry(ConnParamsEntry *entry);
/* The first entry of that connection name (case matters), or NULL. Owned by the list. */
ConnParamsEntry *GetConnParamsEntry(const char *connectionName);
/* Frees and removes the first entry of that name; true when found. */
bool DeleteConnParamsEntry(const char *connectionName);
/* The first entry's connection name (owned by the list), or NULL. */
const char *GetDefaultConnectionName(void);
/* The parameter list: a Vector of ConnParamsEntry in file order. */
Vector *GetConnParamsList(void);
void FreeAllConnParamsEntries(void);

/* ---- pool ------------------------------------------------------------------------------------ */

/* One connection per data source; false when the list is empty or one cannot be opened. */
bool EstablishDBConnections(void);
/* `count` connections per data source (CORBEL_DEFAULT_POOL_SIZE for 0); failed opens are
 * skipped. False only for an empty parameter list. */
bool EstablishDBConnectionPool(int32_t count);
/* A connection of the data source for the calling thread (NULL name: the only data source),
 * or NULL when there is none free or it cannot be (re)opened. Owned by the pool. */
ConnectionHandle *GetConnectionHandle(const char *connectionName);
/* Gives the calling thread's connection of the data source (NULL: the first) back; false
 * when the thread holds none. */
bool ReleaseConnectionHandle(const char *connectionName);
/* Closes every pooled connection and empties the pool. */
void FreeConnectionPool(void);
/* The pool: a Vector of ConnectionPoolEntry in parameter-list order. */
Vector *GetConnectionPool(void);

/* ---- data-source map ---------------------------------------------------------------------- */

void InitDataSourceMap(void);
/* Reads a "dsn_table_map.txt" at `path`, or else at "<root>/data/dsn_table_map.txt", and adds
 * one entry per table/data-source pair. False when neither can be opened. */
bool LoadDataSourceMapEntryFromFile(const char *path);
/* New entry with copies; NULL when memory runs out. */
DataSourceMapEntry *CreateDataSourceMapEntry(const char *tableName, const char *connectionName);
/* Appends the entry; the map owns it afterwards. */
bool AddDataSourceMapEntry(DataSourceMapEntry *entry);
/* The first entry of the table (without regard to case), or NULL. Owned by the map. */
DataSourceMapEntry *GetDataSourceMapEntry(const char *tableName);
bool DeleteDataSourceMapEntry(const char *tableName);
void FreeAllDataSourceMapEntries(void);

/* Status 1: the map is in use (every table has its own data source). Status 0: one
 * framework-wide database type (CORBEL_DBTYPE_...) applies; its provider is loaded. Any other
 * status is refused with a log line. */
void SetDSNMapValid(uint8_t status, uint8_t dbTypeIndex);
/* 1 when the map is in use. */
uint8_t IsDSNMapValid(void);
/* The framework-wide database type name ("MYSQL" until SetDSNMapValid changes it). */
const char *GetFrameworkDBType(void);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_CONNPOOL_H */
