// The ODBC provider: connections through the driver manager, statements with and without
// results, binary values streamed in and out, transactions, and the driver's diagnostics.
//
// Values are fetched into the in-memory form of the column's type: the dictionary's type
// when the driver names the base table and column of a result column and the dictionary
// describes them, otherwise the type mapped from the driver's SQL type. Floating-point
// values are fetched as doubles (some drivers round their text forms); everything else is
// fetched as text and converted, binary values as bytes.
#include <corbel/odbc.h>

#include <sql.h>
#include <sqlext.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <corbel/connpool.h>
#include <corbel/dictionary.h>
#include <corbel/log.h>
#include <corbel/resultset.h>

#include "framework/db/db_internal.h"
#include "support/object_lock.h"

namespace {

// The native part of a connection: each connection keeps its own environment.
struct OdbcConnection {
  SQLHENV env = SQL_NULL_HENV;
  SQLHDBC dbc = SQL_NULL_HDBC;
  bool sqlite = false;  // the database behind the driver is SQLite (see ExactRealQuery)
};

OdbcConnection *Native(const ConnectionHandle *connection) {
  return static_cast<OdbcConnection *>(connection->handle);
}

// SQL type numbers to column type codes; the first match wins.
const CodeValuePair kSqlTypeMap[] = {
    {7, SQL_BIGINT},         {3, SQL_SMALLINT},       {5, SQL_INTEGER},
    {0, SQL_REAL},           {9, SQL_FLOAT},          {10, SQL_DOUBLE},
    {0, SQL_DECIMAL},        {0, SQL_GUID},           {14, SQL_CHAR},
    {15, SQL_VARCHAR},       {20, SQL_LONGVARCHAR},   {0, SQL_WCHAR},
    {0, SQL_WVARCHAR},       {0, SQL_WLONGVARCHAR},   {16, SQL_DATE},
    {17, SQL_TIME},          {18, SQL_TIMESTAMP},     {20, SQL_BINARY},
    {20, SQL_VARBINARY},     {20, SQL_LONGVARBINARY}, {0, SQL_INTERVAL_MONTH},
    {0, SQL_INTERVAL_YEAR},  {0, SQL_INTERVAL_YEAR_TO_MONTH},
    {0, SQL_INTERVAL_DAY},   {0, SQL_INTERVAL_HOUR},  {0, SQL_INTERVAL_MINUTE},
    {0, SQL_INTERVAL_SECOND}, {0, SQL_INTERVAL_DAY_TO_HOUR},
    {0, SQL_INTERVAL_DAY_TO_MINUTE}, {0, SQL_INTERVAL_DAY_TO_SECOND},
    {0, SQL_INTERVAL_HOUR_TO_MINUTE}, {0, SQL_INTERVAL_HOUR_TO_SECOND},
    {0, SQL_INTERVAL_MINUTE_TO_SECOND}, {0, SQL_BIT},  {19, SQL_TINYINT},
    {13, SQL_NUMERIC},
};
constexpr int32_t kSqlTypeMapSize = static_cast<int32_t>(std::size(kSqlTypeMap));

// ---- diagnostics ------------------------------------------------------------------------------

// Logs the first diagnostic record of `handle` at ERROR and returns its SQLSTATE.
std::string LogDiagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  SQLCHAR state[6] = "";
  SQLCHAR message[SQL_MAX_MESSAGE_LENGTH + 1] = "";
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(
          SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length)))
    return "";
  LogError("STATE: %s\n", reinterpret_cast<char *>(state));
  LogError("NAT: %ld\n", static_cast<long>(native));
  LogError("MSG: %s\n", reinterpret_cast<char *>(message));
  return reinterpret_cast<char *>(state);
}

// After a failed call: the diagnostics, and the connection marked broken when the failure
// was a connection error (or the driver reports the connection dead), so that the pool
// renews it at its next hand-out.
void ReportFailure(ConnectionHandle *connection, SQLSMALLINT type, SQLHANDLE handle) {
  std::string state = LogDiagnostics(type, handle);
  // Class 08 is a connection exception; 57P0x is a server shut down or restarting.
  bool dead = state.compare(0, 2, "08") == 0 || state.compare(0, 4, "57P0") == 0;
  if (!dead) {
    SQLUINTEGER flag = SQL_CD_FALSE;
    if (SQL_SUCCEEDED(SQLGetConnectAttr(Native(connection)->dbc, SQL_ATTR_CONNECTION_DEAD, &flag,
                                        SQL_IS_UINTEGER, nullptr)))
      dead = flag == SQL_CD_TRUE;
  }
  if (dead) connection->broken = 1;
}

// A statement handle freed on every path.
class Statement {
 public:
  explicit Statement(ConnectionHandle *connection) {
    if (!SQL_SUCCEEDED(SQLAllocStmt(Native(connection)->dbc, &stmt_))) {
      stmt_ = SQL_NULL_HSTMT;
      LogError("Allocating Statement Handle failed\n");
      ReportFailure(connection, SQL_HANDLE_DBC, Native(connection)->dbc);
    }
  }
  ~Statement() {
    if (stmt_ != SQL_NULL_HSTMT) {
      SQLFreeStmt(stmt_, SQL_CLOSE);
      SQLFreeStmt(stmt_, SQL_UNBIND);
      SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    }
  }
  Statement(const Statement &) = delete;
  Statement &operator=(const Statement &) = delete;
  SQLHSTMT get() const { return stmt_; }
  explicit operator bool() const { return stmt_ != SQL_NULL_HSTMT; }

 private:
  SQLHSTMT stmt_ = SQL_NULL_HSTMT;
};

SQLCHAR *Text(const char *s) { return reinterpret_cast<SQLCHAR *>(const_cast<char *>(s)); }

bool Prepare(ConnectionHandle *connection, SQLHSTMT stmt, const char *statement) {
  if (SQL_SUCCEEDED(SQLPrepare(stmt, Text(statement), SQL_NTS))) return true;
  LogError("SQLPrepare failed\n");
  ReportFailure(connection, SQL_HANDLE_STMT, stmt);
  return false;
}

bool IsInteger(uint8_t t) { return t >= ZEL_SQL_TINYINT && t <= ZEL_SQL_UNSIGNED_LONG_INT; }
bool IsIntegerSql(SQLSMALLINT t) {
  return t == SQL_INTEGER || t == SQL_SMALLINT || t == SQL_BIGINT || t == SQL_TINYINT;
}
bool IsFixed(SQLSMALLINT cType) {
  return cType == SQL_C_DOUBLE || cType == SQL_C_SBIGINT || cType == SQL_C_UBIGINT;
}
bool IsFloat(uint8_t t) {
  return t == ZEL_SQL_FLOAT || t == ZEL_SQL_DOUBLE || t == ZEL_SQL_REAL;
}

// ---- values ------------------------------------------------------------------------------------

// Reads up to three numbers separated by `sep` at `p`; advances p. Returns how many were read.
int ReadTriple(const char *&p, char sep, int out[3]) {
  int got = 0;
  while (got < 3) {
    while (*p == ' ') ++p;
    char *end = nullptr;
    long v = std::strtol(p, &end, 10);
    if (end == p) break;
    out[got++] = static_cast<int>(v);
    p = end;
    if (got < 3) {
      if (*p != sep) break;
      ++p;
    }
  }
  return got;
}

// A date/time value of `type` from a driver's text ("Y-M-D", "h:m:s", "Y-M-D h:m:s[.f]").
void *DateValue(const char *text, uint8_t type, int32_t *length) {
  ZelDate date{};
  ZelTime time{};
  bool haveDate = false, haveTime = false;
  const char *p = text;
  int f[3] = {0, 0, 0};
  const char *dash = std::strchr(text, '-');
  const char *colon = std::strchr(text, ':');
  if (dash != nullptr && (colon == nullptr || dash < colon)) {
    if (ReadTriple(p, '-', f) == 3) {
      date = ZelDate{static_cast<uint16_t>(f[0]), static_cast<uint8_t>(f[1]),
                     static_cast<uint8_t>(f[2])};
      haveDate = true;
    }
    while (*p == ' ' || *p == 'T') ++p;
  }
  if (std::strchr(p, ':') != nullptr) {
    int t[3] = {0, 0, 0};
    if (ReadTriple(p, ':', t) >= 2) {
      time = ZelTime{static_cast<uint8_t>(t[0]), static_cast<uint8_t>(t[1]),
                     static_cast<uint8_t>(t[2])};
      haveTime = true;
    }
  }
  ZelDateTime source{};
  if (type == ZEL_SQL_DATE) {
    if (!haveDate) return nullptr;
    source.date = &date;
  } else if (type == ZEL_SQL_TIME) {
    if (!haveTime) return nullptr;
    source.time = &time;
  } else {
    if (!haveDate && !haveTime) return nullptr;
    source.date = &date;  // a missing part reads as zero, as the text conversion does
    source.time = &time;
  }
  return CreateDateTimeValue(&source, length);
}

// One result column as fetched.
struct Column {
  std::string name;
  uint8_t type = 0;          // type code of the values (dictionary's or mapped)
  SQLSMALLINT sqlType = 0;   // the driver's SQL type
  SQLULEN size = 0;          // the driver's column size
  SQLSMALLINT cType = SQL_C_CHAR;
  bool exactText = false;    // a floating-point value fetched as its exact hexadecimal text
  bool streamed = false;     // blob query: handed to the sink, not kept
  std::vector<char> buffer;  // bound buffer
  SQLLEN indicator = 0;
};

const ColumnDefn *FindDictionaryColumn(const char *table, const char *column) {
  if (table[0] == '\0' || column[0] == '\0') return nullptr;
  const TableDefn *defn = GetTableDefn(table);
  if (defn == nullptr || defn->columns == nullptr) return nullptr;
  const ColumnDefn *caseless = nullptr;
  for (VectorNode *n = defn->columns->head; n != nullptr; n = n->next) {
    const auto *c = static_cast<const ColumnDefn *>(n->element);
    if (c->name == nullptr) continue;
    if (std::strcmp(c->name, column) == 0) return c;
    if (caseless == nullptr && strcasecmp(c->name, column) == 0) caseless = c;
  }
  return caseless;
}

// Names and types of the result columns; false after the logged failure.
bool DescribeColumns(SQLHSTMT stmt, SQLSMALLINT count, std::vector<Column> &columns) {
  const bool dictionary = GetTableDefnList()->count > 0;
  columns.assign(static_cast<size_t>(count), Column{});
  for (SQLSMALLINT i = 0; i < count; ++i) {
    Column &c = columns[static_cast<size_t>(i)];
    SQLCHAR name[99] = "";
    SQLSMALLINT nameLength = 0, decimals = 0, nullable = 0;
    if (!SQL_SUCCEEDED(SQLDescribeCol(stmt, static_cast<SQLUSMALLINT>(i + 1), name, sizeof name,
                                      &nameLength, &c.sqlType, &c.size, &decimals, &nullable))) {
      LogError("SQLDescribeCol failed\n");
      return false;
    }
    c.name = reinterpret_cast<char *>(name);
    c.type = GetCodeForValue(kSqlTypeMap, kSqlTypeMapSize, c.sqlType);
    if (dictionary) {
      SQLCHAR table[256] = "", column[256] = "";
      SQLSMALLINT len = 0;
      SQLColAttribute(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_DESC_BASE_TABLE_NAME, table,
                      sizeof table, &len, nullptr);
      SQLColAttribute(stmt, static_cast<SQLUSMALLINT>(i + 1), SQL_DESC_BASE_COLUMN_NAME, column,
                      sizeof column, &len, nullptr);
      if (const ColumnDefn *d = FindDictionaryColumn(reinterpret_cast<char *>(table),
                                                     reinterpret_cast<char *>(column)))
        c.type = d->type;
    }
    if (IsFloat(c.type)) {
      c.cType = SQL_C_DOUBLE;
    } else if (IsInteger(c.type) && IsIntegerSql(c.sqlType)) {
      c.cType = c.type == ZEL_SQL_UNSIGNED_LONG_INT ? SQL_C_UBIGINT : SQL_C_SBIGINT;
    } else if (c.type == ZEL_SQL_BLOB || c.sqlType == SQL_BINARY || c.sqlType == SQL_VARBINARY ||
               c.sqlType == SQL_LONGVARBINARY) {
      c.cType = SQL_C_BINARY;
    }
  }
  return true;
}

// Largest column (in characters) fetched into a bound buffer; longer ones are read in pieces.
constexpr SQLULEN kMaxBoundSize = 16384;

bool NeedsPieces(const Column &c) {
  return !IsFixed(c.cType) && (c.size == 0 || c.size > kMaxBoundSize);
}

// The value of a text written by ExactRealQuery below; other texts read as far as they are a
// number, as the driver's own conversion reads them.
double ExactRealValue(const char *text) {
  char *end = nullptr;
  const long long m = std::strtoll(text, &end, 10);
  if (end != text && *end == 'p') {
    char *exponentEnd = nullptr;
    const long e = std::strtol(end + 1, &exponentEnd, 10);
    if (exponentEnd != end + 1 && *exponentEnd == '\0')
      return std::ldexp(static_cast<double>(m), static_cast<int>(e));
  }
  return std::strtod(text, nullptr);
}

// Appends one typed cell for the fetched bytes to the row; false when memory runs out.
bool AppendValue(ResultCell *&first, ResultCell *&last, const Column &c, const char *data,
                 SQLLEN length, bool isNull) {
  ResultCell *added = nullptr;
  auto append = [&](int32_t n, const void *v) {
    ResultCell *r = AppendResultCell(last, n, v);
    if (r == nullptr) return false;
    added = last != nullptr ? last->nextCell : r;
    if (first == nullptr) first = r;
    last = added;
    return true;
  };
  if (isNull) return append(0, nullptr);
  if (c.exactText) {
    const double d = ExactRealValue(std::string(data, static_cast<size_t>(length)).c_str());
    if (c.type == ZEL_SQL_DOUBLE) return append(sizeof d, &d);
    float f = static_cast<float>(d);
    return append(sizeof f, &f);
  }
  if (c.cType == SQL_C_SBIGINT || c.cType == SQL_C_UBIGINT) {
    // Kept at the type's width, little end first, as the text conversion keeps it.
    uint64_t v = 0;
    std::memcpy(&v, data, sizeof v);
    const int32_t width = GetTypeValueWidth(c.type);
    return append(width, &v);
  }
  if (c.cType == SQL_C_DOUBLE) {
    double d = 0;
    std::memcpy(&d, data, sizeof d);
    if (c.type == ZEL_SQL_DOUBLE) return append(sizeof d, &d);
    if (c.type == ZEL_SQL_FLOAT || c.type == ZEL_SQL_REAL) {
      float f = static_cast<float>(d);
      return append(sizeof f, &f);
    }
  }
  const int32_t n = static_cast<int32_t>(length);
  switch (c.type) {
    case ZEL_SQL_BOOLEAN: {
      uint8_t b = (n == 1 && data[0] == '1') ? 1 : 0;
      return append(1, &b);
    }
    case ZEL_SQL_DATE:
    case ZEL_SQL_TIME:
    case ZEL_SQL_DATETIME: {
      int32_t width = 0;
      void *value = DateValue(data, c.type, &width);
      if (value == nullptr) return false;
      if (!append(0, nullptr)) {
        std::free(value);
        return false;
      }
      added->cellValue = value;
      added->cellLength = width;
      return true;
    }
    case ZEL_SQL_TINYINT:
    case ZEL_SQL_UNSIGNED_TINYINT:
    case ZEL_SQL_SMALLINT:
    case ZEL_SQL_UNSIGNED_SMALLINT:
    case ZEL_SQL_INT:
    case ZEL_SQL_UNSIGNED_INT:
    case ZEL_SQL_BIGINT:
    case ZEL_SQL_UNSIGNED_LONG_INT: {
      int32_t width = n;
      void *value = ConvertStringToValue(data, &width, c.type);
      if (value == nullptr) return false;
      bool ok = append(width, value);
      std::free(value);
      return ok;
    }
    default:  // texts and bytes as fetched
      return append(n, data);
  }
}

// Reads a whole value in pieces with SQLGetData; false on a driver failure.
bool GetWhole(SQLHSTMT stmt, SQLUSMALLINT index, SQLSMALLINT cType, std::string &out,
              bool &isNull) {
  out.clear();
  isNull = false;
  char piece[8192];
  const SQLLEN terminator = cType == SQL_C_CHAR ? 1 : 0;
  while (true) {
    SQLLEN ind = 0;
    SQLRETURN rc = SQLGetData(stmt, index, cType, piece, sizeof piece, &ind);
    if (rc == SQL_NO_DATA) return true;
    if (!SQL_SUCCEEDED(rc)) return false;
    if (ind == SQL_NULL_DATA) {
      isNull = true;
      return true;
    }
    const SQLLEN room = static_cast<SQLLEN>(sizeof piece) - terminator;
    const bool more = rc == SQL_SUCCESS_WITH_INFO && (ind == SQL_NO_TOTAL || ind > room);
    out.append(piece, more ? static_cast<size_t>(room) : static_cast<size_t>(ind));
    if (!more) return true;
  }
}

enum class FetchResult { kDone, kFailed, kTruncated };

struct QueryRun {
  ConnectionHandle *connection;
  SQLHSTMT stmt;
  std::vector<Column> *columns;
  BlobChunkSink sink = nullptr;  // blob query: long and binary columns go here
  void *context = nullptr;
  ResultRow *firstRow = nullptr;
  ResultRow *lastRow = nullptr;
};

// Adds a row of cells; false when memory runs out (the cells are freed).
bool AddRow(QueryRun &run, ResultCell *firstCell) {
  ResultRow *r = AppendResultRow(run.lastRow, firstCell);
  if (r == nullptr) {
    FreeResultCells(firstCell);
    return false;
  }
  run.lastRow = run.lastRow != nullptr ? run.lastRow->nextResultRow : r;
  if (run.firstRow == nullptr) run.firstRow = r;
  return true;
}

// The end of a fetch loop: done at SQL_NO_DATA, otherwise a logged failure.
FetchResult FetchEnd(QueryRun &run, SQLRETURN rc) {
  if (rc == SQL_NO_DATA) return FetchResult::kDone;
  LogError("SQLFetch failed\n");
  ReportFailure(run.connection, SQL_HANDLE_STMT, run.stmt);
  return FetchResult::kFailed;
}

// Fetches every row with bound buffers. Reports a truncated value so that the caller can
// run the query again reading in pieces.
FetchResult FetchBound(QueryRun &run) {
  std::vector<Column> &columns = *run.columns;
  for (size_t i = 0; i < columns.size(); ++i) {
    Column &c = columns[i];
    SQLLEN size = IsFixed(c.cType) ? static_cast<SQLLEN>(sizeof(double))
                                          : static_cast<SQLLEN>(std::max<SQLULEN>(64, c.size * 4 + 1));
    c.buffer.assign(static_cast<size_t>(size), 0);
    if (!SQL_SUCCEEDED(SQLBindCol(run.stmt, static_cast<SQLUSMALLINT>(i + 1), c.cType,
                                  c.buffer.data(), size, &c.indicator))) {
      LogError("SQLBindCol failed \n");
      return FetchResult::kFailed;
    }
  }
  SQLRETURN rc;
  while (SQL_SUCCEEDED(rc = SQLFetch(run.stmt))) {
    ResultCell *first = nullptr, *last = nullptr;
    for (Column &c : columns) {
      const bool isNull = c.indicator == SQL_NULL_DATA;
      const SQLLEN room = static_cast<SQLLEN>(c.buffer.size()) - (c.cType == SQL_C_CHAR ? 1 : 0);
      if (!isNull && !IsFixed(c.cType) && (c.indicator == SQL_NO_TOTAL || c.indicator > room)) {
        FreeResultCells(first);
        return FetchResult::kTruncated;
      }
      if (!AppendValue(first, last, c, c.buffer.data(), isNull ? 0 : c.indicator, isNull)) {
        FreeResultCells(first);
        return FetchResult::kFailed;
      }
    }
    if (!AddRow(run, first)) return FetchResult::kFailed;
  }
  return FetchEnd(run, rc);
}

// Fetches every row reading each value with SQLGetData; binary and long columns of a blob
// query go to the sink.
FetchResult FetchInPieces(QueryRun &run) {
  std::vector<Column> &columns = *run.columns;
  std::string value;
  SQLRETURN rc;
  while (SQL_SUCCEEDED(rc = SQLFetch(run.stmt))) {
    ResultCell *first = nullptr, *last = nullptr;
    for (size_t i = 0; i < columns.size(); ++i) {
      Column &c = columns[i];
      const auto index = static_cast<SQLUSMALLINT>(i + 1);
      bool isNull = false;
      bool ok;
      if (IsFixed(c.cType)) {
        double d = 0;  // 8 bytes for a double or a 64-bit integer
        SQLLEN ind = 0;
        ok = SQL_SUCCEEDED(SQLGetData(run.stmt, index, c.cType, &d, sizeof d, &ind));
        isNull = ind == SQL_NULL_DATA;
        value.assign(reinterpret_cast<const char *>(&d), sizeof d);
      } else {
        ok = GetWhole(run.stmt, index, c.cType, value, isNull);
      }
      if (!ok) {
        LogError("SQLGetData failed\n");
        ReportFailure(run.connection, SQL_HANDLE_STMT, run.stmt);
        FreeResultCells(first);
        return FetchResult::kFailed;
      }
      if (c.streamed) {
        for (size_t at = 0; !isNull && at < value.size(); at += 1024)
          run.sink(value.data() + at, static_cast<int32_t>(std::min<size_t>(1024, value.size() - at)),
                   run.context);
        run.sink(nullptr, 0, run.context);
        isNull = true;  // the row holds no value for a streamed column
      }
      if (!AppendValue(first, last, c, value.c_str(), static_cast<SQLLEN>(value.size()), isNull)) {
        FreeResultCells(first);
        return FetchResult::kFailed;
      }
    }
    if (!AddRow(run, first)) return FetchResult::kFailed;
  }
  return FetchEnd(run, rc);
}

// SQLite's driver turns every REAL value into SQLite's 15-digit text before it hands it over,
// whatever type it is fetched as, so a double would arrive rounded. A query with
// floating-point columns on SQLite is therefore run wrapped: each REAL value x comes as the
// text "<m>p<-k>", x = m * 2^-k, where m = x * 2^k is a whole number of at most 62 bits
// (k = 60 - trunc(log2 |x|); below 1e-290 applied in two halves so that no factor
// overflows), and zero and the infinities as "0", "inf" and "-inf". Any other value (NULL, an
// integer, text) passes unchanged. The wrapping only reads: names and types stay those of the
// query itself. Returns the wrapped text, or "" when no column needs it.
std::string ExactRealQuery(const char *statement, const std::vector<Column> &columns) {
  std::string body = statement;
  while (!body.empty() && (std::isspace(static_cast<unsigned char>(body.back())) || body.back() == ';'))
    body.pop_back();
  std::string names, select;
  bool any = false;
  for (size_t i = 0; i < columns.size(); ++i) {
    const std::string v = "v" + std::to_string(i + 1);
    names += (i ? ", " : "") + v;
    select += i ? ", " : "";
    if (!IsFloat(columns[i].type)) {
      select += v;
      continue;
    }
    any = true;
    const std::string k = "(60 - CAST(log2(abs(" + v + ")) AS INTEGER))";
    select += "CASE WHEN typeof(" + v + ") <> 'real' THEN " + v + " WHEN abs(" + v +
              ") BETWEEN 1e-290 AND 1.7976931348623157e308 THEN printf('%dp%d', CAST(" + v +
              " * pow(2, " + k + ") AS INTEGER), -" + k + ") WHEN " + v + " = 0 THEN '0' WHEN " +
              v + " > 1 THEN 'inf' WHEN " + v + " < -1 THEN '-inf' ELSE printf('%dp%d', CAST(" +
              v + " * pow(2, " + k + " / 2) * pow(2, " + k + " - " + k +
              " / 2) AS INTEGER), -" + k + ") END";
  }
  if (!any) return "";
  // The body on lines of its own: a trailing comment in it cannot swallow the closing bracket.
  return "WITH corbel_exact_values_(" + names + ") AS (\n" + body + "\n) SELECT " + select +
         " FROM corbel_exact_values_";
}

// A query on SQLite, prepared on `stmt` and described before it runs: with floating-point
// columns it is prepared wrapped (`exact` set) unless SQLite refuses the wrapping (not a
// SELECT, or no math functions), when the caller's query stays as it is. False when the
// query itself does not prepare: the caller then runs it its own way and reports why.
bool PrepareOnSqlite(SQLHSTMT stmt, const char *statement, std::vector<Column> &columns,
                     bool &exact) {
  exact = false;
  if (!SQL_SUCCEEDED(SQLPrepare(stmt, Text(statement), SQL_NTS))) return false;
  SQLSMALLINT count = 0;
  if (!SQL_SUCCEEDED(SQLNumResultCols(stmt, &count)) || count <= 0 ||
      !DescribeColumns(stmt, count, columns))
    return true;
  const std::string wrapped = ExactRealQuery(statement, columns);
  if (wrapped.empty()) return true;
  exact = SQL_SUCCEEDED(SQLPrepare(stmt, Text(wrapped.c_str()), SQL_NTS));
  return exact || SQL_SUCCEEDED(SQLPrepare(stmt, Text(statement), SQL_NTS));
}

// The floating-point columns as the wrapped query hands them over.
void ReadExactly(std::vector<Column> &columns) {
  for (Column &c : columns) {
    if (!IsFloat(c.type)) continue;
    c.exactText = true;
    c.cType = SQL_C_CHAR;
    c.size = std::max<SQLULEN>(c.size, 40);  // "-4611686018427387903p-1134" and a margin
  }
}

// Runs a query and builds its result set. `prepared`: SQLPrepare + SQLExecute (blob query)
// instead of SQLExecDirect.
ResultSet *RunQuery(ConnectionHandle *connection, const char *statement, bool prepared,
                    BlobChunkSink sink, void *context) {
  std::vector<Column> columns;
  bool inPieces = sink != nullptr;
  for (int attempt = 0; attempt < 2; ++attempt) {
    Statement stmt(connection);
    if (!stmt) return nullptr;
    bool exact = false;
    const bool ready =
        Native(connection)->sqlite && PrepareOnSqlite(stmt.get(), statement, columns, exact);
    if (exact) ReadExactly(columns);
    SQLRETURN rc;
    if (ready || prepared) {
      if (!ready && !Prepare(connection, stmt.get(), statement)) return nullptr;
      rc = SQLExecute(stmt.get());
      if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        // Reported as the caller's query runs, whether or not it ran prepared here.
        LogError("%s", prepared ? "SQLExecute failed\n" : "SQLExecDirect failed\n");
        ReportFailure(connection, SQL_HANDLE_STMT, stmt.get());
        return nullptr;
      }
    } else {
      rc = SQLExecDirect(stmt.get(), Text(statement), SQL_NTS);
      if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
        LogError("SQLExecDirect failed\n");
        ReportFailure(connection, SQL_HANDLE_STMT, stmt.get());
        return nullptr;
      }
    }
    SQLLEN rows = 0;
    if (!SQL_SUCCEEDED(SQLRowCount(stmt.get(), &rows))) {
      LogError("No Rows Affected\n");
      return nullptr;
    }
    SQLSMALLINT count = 0;
    if (!SQL_SUCCEEDED(SQLNumResultCols(stmt.get(), &count))) {
      LogError("SQLNumResultCols Failed\n");
      return nullptr;
    }
    if (!exact && !DescribeColumns(stmt.get(), count, columns)) return nullptr;
    for (Column &c : columns) {
      if (NeedsPieces(c)) inPieces = true;
      c.streamed = sink != nullptr &&
                   (c.sqlType == SQL_LONGVARCHAR || c.sqlType == SQL_BINARY ||
                    c.sqlType == SQL_VARBINARY || c.sqlType == SQL_LONGVARBINARY);
    }
    QueryRun run{connection, stmt.get(), &columns, sink, context};
    FetchResult result = inPieces ? FetchInPieces(run) : FetchBound(run);
    if (result == FetchResult::kTruncated) {
      FreeResultRows(run.firstRow);
      inPieces = true;
      continue;
    }
    if (result == FetchResult::kFailed) {
      FreeResultRows(run.firstRow);
      return nullptr;
    }
    auto *described = static_cast<ResultColumn *>(
        std::calloc(columns.empty() ? 1 : columns.size(), sizeof(ResultColumn)));
    bool ok = described != nullptr;
    for (size_t i = 0; ok && i < columns.size(); ++i) {
      described[i].columnName = corbel::db::Dup(columns[i].name);
      described[i].columnType = columns[i].type;
      ok = described[i].columnName != nullptr;
    }
    ResultSet *set = ok ? CreateResultSet(run.firstRow, described, count) : nullptr;
    if (set == nullptr) {
      FreeResultRows(run.firstRow);
      if (described != nullptr) FreeResultColumns(described, count);
    }
    return set;
  }
  return nullptr;
}

// The end of an executed update: its result checked and its row count read into *rowCount
// (may be NULL). 1 on success.
int FinishUpdate(ConnectionHandle *connection, SQLHSTMT stmt, SQLRETURN rc, int64_t *rowCount) {
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
    LogError("SQLExecute failed\n");
    ReportFailure(connection, SQL_HANDLE_STMT, stmt);
    return 0;
  }
  SQLLEN rows = 0;
  if (!SQL_SUCCEEDED(SQLRowCount(stmt, &rows))) {
    LogError("No Rows Affected \n");
    return 0;
  }
  if (rowCount != nullptr) *rowCount = rc == SQL_NO_DATA ? 0 : static_cast<int64_t>(rows);
  return 1;
}

// Runs a statement that returns no rows; *rowCount receives the rows it changed.
int RunUpdate(ConnectionHandle *connection, const char *statement, int64_t *rowCount) {
  Statement stmt(connection);
  if (!stmt) return 0;
  if (!Prepare(connection, stmt.get(), statement)) return 0;
  return FinishUpdate(connection, stmt.get(), SQLExecute(stmt.get()), rowCount);
}

// Switches autocommit; false after the logged failure.
bool SetAutocommit(ConnectionHandle *connection, bool on, const char *failure) {
  SQLRETURN rc = SQLSetConnectAttr(
      Native(connection)->dbc, SQL_ATTR_AUTOCOMMIT,
      reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
      SQL_IS_UINTEGER);
  if (SQL_SUCCEEDED(rc)) return true;
  LogError("%s", failure);
  LogError("Error in starting transaction\n");
  ReportFailure(connection, SQL_HANDLE_DBC, Native(connection)->dbc);
  return false;
}

int EndTransaction(ConnectionHandle *connection, SQLSMALLINT completion, const char *failure) {
  if (connection == nullptr) return 0;
  ovr::ObjectLockGuard lock(connection);
  if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, Native(connection)->dbc, completion))) {
    LogError("%s", failure);
    LogError("Error in starting transaction\n");
    ReportFailure(connection, SQL_HANDLE_DBC, Native(connection)->dbc);
    SetAutocommit(connection, true, "Error in setting SQL_AUTOCOMMIT_ON\n");
    return 0;
  }
  return SetAutocommit(connection, true, "Error in setting SQL_AUTOCOMMIT_ON\n") ? 1 : 0;
}

// A connection-string value, in braces when it holds characters the syntax reserves.
std::string Attribute(const char *value) {
  std::string v = value;
  bool brace = v.find_first_of(";{}") != std::string::npos ||
               (!v.empty() && (v.front() == ' ' || v.back() == ' '));
  if (!brace) return v;
  std::string out = "{";
  for (char c : v) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

}  // namespace

extern "C" {

const DBProvider gv_odbcProvider = {
    "ODBC",
    ODBCConnect,
    ODBCExecuteUpdate,
    ODBCExecuteQuery,
    ODBCDisconnect,
    ODBCBeginTransaction,
    ODBCCommitTransaction,
    ODBCRollbackTransaction,
    ODBCExecuteUpdateBlob,
    ODBCExecuteQueryBlob,
    ODBCExecuteUpdateCount,
};

bool RegisterODBCProvider(void) { return RegisterProvider(&gv_odbcProvider); }

uint8_t GetColumnTypeForSQLType(int32_t sqlType) {
  return GetCodeForValue(kSqlTypeMap, kSqlTypeMapSize, sqlType);
}

char *BuildODBCConnectionString(const ConnParamsEntry *params) {
  if (params == nullptr) return nullptr;
  if (params->useConnectionString && params->connectionString != nullptr)
    return corbel::db::Dup(params->connectionString);
  if (params->dsn == nullptr) return nullptr;
  // The provider name is the framework's, not a driver's: a Driver= keyword would make some
  // drivers ignore the settings of the DSN.
  std::string text = "DSN=" + Attribute(params->dsn) + ";";
  if (params->userId != nullptr) text += "UID=" + Attribute(params->userId) + ";";
  if (params->password != nullptr) text += "PWD=" + Attribute(params->password) + ";";
  return corbel::db::Dup(text);
}

ConnectionHandle *ODBCConnect(const ConnParamsEntry *params) {
  if (params == nullptr || (params->dsn == nullptr &&
                            !(params->useConnectionString && params->connectionString != nullptr))) {
    LogError("ODBC connection Parameter missing\n");
    return nullptr;
  }
  auto native = std::make_unique<OdbcConnection>();
  if (!SQL_SUCCEEDED(SQLAllocEnv(&native->env))) {
    LogError("Allocating Env Handle failed\n");
    return nullptr;
  }
  if (!SQL_SUCCEEDED(SQLAllocConnect(native->env, &native->dbc))) {
    LogError("Allocating connection Handle failed\n");
    SQLFreeEnv(native->env);
    return nullptr;
  }
  char *text = BuildODBCConnectionString(params);
  if (text == nullptr) {
    LogError("Unable to allocate memory\n");
    SQLFreeConnect(native->dbc);
    SQLFreeEnv(native->env);
    return nullptr;
  }
  SQLCHAR out[1025];
  SQLSMALLINT outLength = 0;
  SQLRETURN rc = SQLDriverConnect(native->dbc, nullptr, Text(text), SQL_NTS, out, sizeof out,
                                  &outLength, SQL_DRIVER_NOPROMPT);
  std::free(text);
  if (!SQL_SUCCEEDED(rc)) {
    LogError("Connecting to driver failed\n");
    LogDiagnostics(SQL_HANDLE_DBC, native->dbc);
    SQLFreeConnect(native->dbc);
    SQLFreeEnv(native->env);
    return nullptr;
  }
  auto *connection = static_cast<ConnectionHandle *>(std::calloc(1, sizeof(ConnectionHandle)));
  char *name = connection != nullptr ? corbel::db::Dup(params->connectionName) : nullptr;
  if (connection == nullptr || (params->connectionName != nullptr && name == nullptr)) {
    std::free(connection);
    SQLDisconnect(native->dbc);
    SQLFreeConnect(native->dbc);
    SQLFreeEnv(native->env);
    return nullptr;
  }
  SQLCHAR dbms[64] = "";
  SQLSMALLINT dbmsLength = 0;
  native->sqlite = SQL_SUCCEEDED(SQLGetInfo(native->dbc, SQL_DBMS_NAME, dbms, sizeof dbms,
                                            &dbmsLength)) &&
                   strcasecmp(reinterpret_cast<char *>(dbms), "SQLite") == 0;
  connection->handle = native.release();
  connection->connectionName = name;
  return connection;
}

bool ODBCDisconnect(ConnectionHandle *connection) {
  if (connection == nullptr || connection->handle == nullptr) return false;
  OdbcConnection *native = Native(connection);
  SQLDisconnect(native->dbc);
  SQLFreeConnect(native->dbc);
  SQLFreeEnv(native->env);
  delete native;
  connection->handle = nullptr;
  return true;
}

int ODBCExecuteUpdate(ConnectionHandle *connection, const char *statement) {
  if (connection == nullptr || statement == nullptr) return 0;
  ovr::ObjectLockGuard lock(connection);
  return RunUpdate(connection, statement, nullptr);
}

int ODBCExecuteUpdateCount(ConnectionHandle *connection, const char *statement,
                           int64_t *rowCount) {
  if (connection == nullptr || statement == nullptr) return 0;
  ovr::ObjectLockGuard lock(connection);
  return RunUpdate(connection, statement, rowCount);
}

int ODBCExecuteUpdateBlob(ConnectionHandle *connection, const char *statement,
                          BlobChunkSource source, void *context) {
  LogTrace("Inside ODBCExecuteUpdateBlob\n");
  if (connection == nullptr || statement == nullptr || source == nullptr) return 0;
  // The whole value is gathered first: some drivers store an empty value unless they are
  // told its length before the data arrives.
  std::string value;
  while (true) {
    const void *data = nullptr;
    int32_t length = 0;
    if (source(&data, &length, context) == CORBEL_BLOB_NO_MORE_DATA) break;
    if (data != nullptr && length > 0) value.append(static_cast<const char *>(data), static_cast<size_t>(length));
  }
  ovr::ObjectLockGuard lock(connection);
  Statement stmt(connection);
  if (!stmt) return 0;
  if (!Prepare(connection, stmt.get(), statement)) return 0;
  SQLLEN indicator = SQL_LEN_DATA_AT_EXEC(static_cast<SQLLEN>(value.size()));
  if (!SQL_SUCCEEDED(SQLBindParameter(stmt.get(), 1, SQL_PARAM_INPUT, SQL_C_BINARY,
                                      SQL_LONGVARBINARY, value.size(), 0,
                                      reinterpret_cast<SQLPOINTER>(1), 0, &indicator))) {
    LogError("SQLBindParameter failed\n");
    ReportFailure(connection, SQL_HANDLE_STMT, stmt.get());
    return 0;
  }
  SQLRETURN rc = SQLExecute(stmt.get());
  while (rc == SQL_NEED_DATA) {
    SQLPOINTER token = nullptr;
    rc = SQLParamData(stmt.get(), &token);
    if (rc != SQL_NEED_DATA) break;
    size_t at = 0;
    do {
      const size_t n = std::min<size_t>(65536, value.size() - at);
      if (!SQL_SUCCEEDED(SQLPutData(stmt.get(), value.data() + at, static_cast<SQLLEN>(n)))) {
        rc = SQL_ERROR;
        break;
      }
      at += n;
    } while (at < value.size());
    if (rc == SQL_ERROR) break;
  }
  return FinishUpdate(connection, stmt.get(), rc, nullptr);
}

ResultSet *ODBCExecuteQuery(ConnectionHandle *connection, const char *statement) {
  LogTrace("Inside ODBCExecuteQuery\n");
  if (connection == nullptr || statement == nullptr) return nullptr;
  ovr::ObjectLockGuard lock(connection);
  return RunQuery(connection, statement, false, nullptr, nullptr);
}

ResultSet *ODBCExecuteQueryBlob(ConnectionHandle *connection, const char *statement,
                                BlobChunkSink sink, void *context) {
  LogTrace("Inside ODBCExecuteQuery\n");
  if (connection == nullptr || statement == nullptr || sink == nullptr) return nullptr;
  ovr::ObjectLockGuard lock(connection);
  return RunQuery(connection, statement, true, sink, context);
}

int ODBCBeginTransaction(ConnectionHandle *connection) {
  LogTrace("\t@@@@@ ODBCBeginTransaction() @@@@@\n");
  if (connection == nullptr) return 0;
  ovr::ObjectLockGuard lock(connection);
  return SetAutocommit(connection, false, "Error in setting SQL_AUTOCOMMIT_OFF\n") ? 1 : 0;
}

int ODBCCommitTransaction(ConnectionHandle *connection) {
  LogTrace("\t@@@@@ ODBCCommitTransaction() @@@@@\n");
  return EndTransaction(connection, SQL_COMMIT, "Error in commiting transaction\n");
}

int ODBCRollbackTransaction(ConnectionHandle *connection) {
  LogTrace("\t@@@@@ ODBCRollbackTransaction() @@@@@\n");
  return EndTransaction(connection, SQL_ROLLBACK, "Error in rollbacking transaction\n");
}

}  // extern "C"
