/* ---- include/corbel/odbc.h -------------------------------------------------------------
 * The ODBC provider (registered under the name "ODBC") and the creation of ODBC data source
 * names. Values fetched from a database arrive in the in-memory form of their column type:
 * the dictionary's type when the result column is a column of a dictionary table, otherwise
 * the type the driver reports. */
#ifndef CORBEL_ODBC_H
#define CORBEL_ODBC_H

#include <stdbool.h>
#include <stdint.h>

#include <corbel/dbprovider.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The provider record. */
extern const DBProvider gv_odbcProvider;

/* Adds the ODBC provider to the provider registry. */
bool RegisterODBCProvider(void);

/* The provider's operations (see DBProvider). */
ConnectionHandle *ODBCConnect(const ConnParamsEntry *params);
int ODBCExecuteUpdate(ConnectionHandle *connection, const char *statement);
int ODBCExecuteUpdateCount(ConnectionHandle *connection, const char *statement,
                           int64_t *rowCount);
int ODBCExecuteUpdateBlob(ConnectionHandle *connection, const char *statement,
                          BlobChunkSource source, void *context);
ResultSet *ODBCExecuteQuery(ConnectionHandle *connection, const char *statement);
ResultSet *ODBCExecuteQueryBlob(ConnectionHandle *connection, const char *statement,
                                BlobChunkSink sink, void *context);
bool ODBCDisconnect(ConnectionHandle *connection);
int ODBCBeginTransaction(ConnectionHandle *connection);
int ODBCCommitTransaction(ConnectionHandle *connection);
int ODBCRollbackTransaction(ConnectionHandle *connection);

/* The connection string the provider uses for `params` (new text the caller frees): the
 * entry's own string when it carries one, otherwise "DSN=..;UID=..;PWD=..;" with the parts
 * that are set, values in braces where they hold ';', '{', '}' or blanks at an end. */
char *BuildODBCConnectionString(const ConnParamsEntry *params);

/* The column type code of an ODBC SQL type number (0 when not mapped). */
uint8_t GetColumnTypeForSQLType(int32_t sqlType);

/* Creates the data source names described in a file: per line, DSN name, description,
 * server, user id, password, database (blank-separated words; "NULL" in any case leaves one
 * out) and the driver name as the rest of the line. True when the file was read to its end. */
bool CreateDSNsFromFile(const char *path);

/* Creates (or replaces) a data source name for the driver; any value but the DSN name and
 * the driver may be NULL or "NULL". Uses the driver's setup when it has one, otherwise
 * writes the entry into the ODBC data source file itself. True when the entry was made. */
bool CreateDSN(const char *dsnName, const char *description, const char *server,
               const char *userId, const char *password, const char *database,
               const char *driverName);

#ifdef __cplusplus
}
#endif

#endif /* CORBEL_ODBC_H */
