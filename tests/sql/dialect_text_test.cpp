// Exact statement texts of the four dialects, blanks and line ends included.
#include <cmath>
#include <corbel/dialect.h>
#include <corbel/query.h>

#include <functional>

#include "sql_fixture.h"

namespace corbel::testing {
namespace {

const DialectOps *const kDialects[] = {&gv_mysqlDialect, &gv_pgsqlDialect, &gv_firebirdDialect,
                                       &gv_sqliteDialect};

// Expected text per dialect, in the order MySQL, PostgreSQL, Firebird, SQLite; "<null>"
// when the generator refuses.
struct Expect {
  const char *mysql;
  const char *pgsql;
  const char *firebird;
  const char *sqlite;
  const char *operator[](int i) const {
    const char *all[] = {mysql, pgsql, firebird, sqlite};
    return all[i];
  }
};

Expect Same(const char *text) { return {text, text, text, text}; }

struct SelectCase {
  const char *name;
  std::function<void(SelectQuery *, MemPool *)> build;
  Expect expect;
};

void PrintTo(const SelectCase &c, std::ostream *os) { *os << c.name; }

QueryColumn *Col(MemPool *p, const char *column, uint8_t type = ZEL_SQL_INT,
                 const char *table = nullptr) {
  return CreateQueryColumn(table, nullptr, column, nullptr, 0, type, QUERY_FN_NONE, p);
}

QueryCriteria *IntLeaf(MemPool *p, const char *column, int32_t value, uint8_t op = QUERY_OP_EQ) {
  return CreateCriteria(Col(p, column), &value, sizeof value, op, p);
}

QueryCriteria *TextLeaf(MemPool *p, const char *column, const char *value) {
  return CreateCriteria(Col(p, column, ZEL_SQL_VARCHAR), value,
                        static_cast<int32_t>(std::strlen(value)), QUERY_OP_EQ, p);
}

void FromT(SelectQuery *q, MemPool *p) { AppendQueryTable(q, CreateQueryTable("t", nullptr, p)); }

class SelectText : public SqlTest, public ::testing::WithParamInterface<SelectCase> {};

TEST_P(SelectText, EveryDialectWritesItsText) {
  const SelectCase &c = GetParam();
  for (int d = 0; d < 4; ++d) {
    SelectQuery *q = CreateSelectQuery();
    ASSERT_NE(q, nullptr);
    c.build(q, q->pool);
    TextPtr text(kDialects[d]->GenSelectQuery(q));
    EXPECT_EQ(OrNull(text), c.expect[d]) << kDialects[d]->name;
    FreeSelectQuery(q);
  }
}

const SelectCase kSelectCases[] = {
    {"AllColumns", FromT,
     {"select * from t\n", "select * from t\n", "select  * from t\n", "select * from t\n"}},
    {"LimitAndOffset",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       q->limit = 10;
       q->offset = 20;
     },
     {"select * from t\nlimit 20 , 10", "select * from t\nlimit 10 offset 20",
      "select first 10 skip 20  * from t\n", "select * from t\nlimit 10 offset 20"}},
    {"OffsetWithoutLimit",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       q->offset = 20;
     },
     {"select * from t\n", "select * from t\n", "select skip 20  * from t\n",
      "select * from t\n"}},
    {"LimitWithColumns",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       AppendQueryColumn(q, Col(p, "a"));
       q->limit = 5;
     },
     {"select a \nfrom t\nlimit 5", "select a \nfrom t\nlimit 5",
      "select first 5 a \nfrom t\n", "select a \nfrom t\nlimit 5"}},
    {"ColumnAliasAndCount",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       AppendQueryColumn(q, CreateQueryColumn("t", nullptr, "a", "x", 0, 5, QUERY_FN_NONE, p));
       AppendQueryColumn(q, CreateQueryColumn(nullptr, nullptr, nullptr, nullptr, 0, 5,
                                              QUERY_FN_COUNT, p));
     },
     Same("select t.a as x , COUNT(*) \nfrom t\n")},
    {"FunctionOfQualifiedColumn",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       AppendQueryColumn(q, CreateQueryColumn("t", "u", "a", "ignored", 0, 5, QUERY_FN_MAX, p));
     },
     Same("select  MAX(u.a) \nfrom t\n")},
    {"TablesWithAliases",
     [](SelectQuery *q, MemPool *p) {
       AppendQueryTable(q, CreateQueryTable("t", "u", p));
       AppendQueryTable(q, CreateQueryTable("s", nullptr, p));
     },
     {"select * from t as u , s\n", "select * from t as u , s\n", "select  * from t u , s\n",
      "select * from t as u , s\n"}},
    {"JoinThenTables",
     [](SelectQuery *q, MemPool *p) {
       Vector *base = CreatePoolVector(p);
       Vector *ref = CreatePoolVector(p);
       AddVectorColumn(p, CreateJoinColumn(nullptr, nullptr, "id", nullptr, 0, 5, 0, p), base);
       AddVectorColumn(p, CreateJoinColumn(nullptr, nullptr, "aid", nullptr, 0, 5, 0, p), ref);
       AppendQueryJoin(q, CreateQueryJoin("a", "x", "b", nullptr, INNER_JOIN, base, ref, p));
       AppendQueryTable(q, CreateQueryTable("c", nullptr, p));
     },
     {"select * from  a as x  inner join  b  on x.id = b.aid ,c\n",
      "select * from  a as x  inner join  b  on x.id = b.aid ,c\n",
      "select  * from  a x  inner join  b  on x.id = b.aid ,c\n",
      "select * from  a as x  inner join  b  on x.id = b.aid ,c\n"}},
    {"LeftJoinOnTwoColumns",
     [](SelectQuery *q, MemPool *p) {
       Vector *base = CreatePoolVector(p);
       Vector *ref = CreatePoolVector(p);
       AddVectorColumn(p, CreateJoinColumn(nullptr, nullptr, "k1", nullptr, 0, 5, 0, p), base);
       AddVectorColumn(p, CreateJoinColumn("a", nullptr, "k2", nullptr, 0, 5, 0, p), base);
       AddVectorColumn(p, CreateJoinColumn(nullptr, nullptr, "r1", nullptr, 0, 5, 0, p), ref);
       AddVectorColumn(p, CreateJoinColumn(nullptr, nullptr, "r2", nullptr, 0, 5, 0, p), ref);
       AppendQueryJoin(q, CreateQueryJoin("a", nullptr, "b", "y", LEFT_JOIN, base, ref, p));
     },
     {"select * from  a  left join  b as y  on a.k1 = y.r1 and a.k2 = y.r2 ",
      "select * from  a  left join  b as y  on a.k1 = y.r1 and a.k2 = y.r2 ",
      "select  * from  a  left join  b y  on a.k1 = y.r1 and a.k2 = y.r2 ",
      "select * from  a  left join  b as y  on a.k1 = y.r1 and a.k2 = y.r2 "}},
    {"CriteriaWithoutParentheses",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       QueryCriteria *orNode = CreateCriteriaOr(IntLeaf(p, "a", 1), IntLeaf(p, "b", 2), p);
       SetQueryCriteria(q, CreateCriteriaAnd(orNode, IntLeaf(p, "c", 3), p));
     },
     {"select * from t\nwhere a =  1  OR b =  2  AND c =  3 ",
      "select * from t\nwhere a =  1  OR b =  2  AND c =  3 ",
      "select  * from t\nwhere a =  1  OR b =  2  AND c =  3 ",
      "select * from t\nwhere a =  1  OR b =  2  AND c =  3 "}},
    {"TextCriteriaQuotedOnEveryDialect",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       SetQueryCriteria(q, CreateCriteriaAnd(IntLeaf(p, "a", 5), TextLeaf(p, "b", "x"), p));
     },
     {"select * from t\nwhere a =  5  AND b =  'x' ", "select * from t\nwhere a =  5  AND b =  'x' ",
      "select  * from t\nwhere a =  5  AND b =  'x' ", "select * from t\nwhere a =  5  AND b =  'x' "}},
    {"HostileTextEscaped",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       SetQueryCriteria(q, TextLeaf(p, "b", "x'); DROP TABLE t; --\\"));
     },
     {"select * from t\nwhere b =  'x''); DROP TABLE t; --\\\\' ",
      "select * from t\nwhere b =  'x''); DROP TABLE t; --\\' ",
      "select  * from t\nwhere b =  'x''); DROP TABLE t; --\\' ",
      "select * from t\nwhere b =  'x''); DROP TABLE t; --\\' "}},
    {"QualifiedLikeCriteria",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       QueryColumn *c = CreateQueryColumn("t", "u", "name", nullptr, 0, ZEL_SQL_CHAR, 0, p);
       SetQueryCriteria(q, CreateCriteria(c, "O%", 2, QUERY_OP_LIKE, p));
     },
     {"select * from t\nwhere  u.name LIKE  'O%' ", "select * from t\nwhere  u.name LIKE  'O%' ",
      "select  * from t\nwhere  u.name LIKE  'O%' ", "select * from t\nwhere  u.name LIKE  'O%' "}},
    {"BooleanCriteria",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       const uint8_t on = 1;
       SetQueryCriteria(q, CreateCriteria(Col(p, "flag", ZEL_SQL_BOOLEAN), &on, 1, QUERY_OP_EQ, p));
     },
     {"select * from t\nwhere flag =  1 ", "select * from t\nwhere flag =  't' ",
      "select  * from t\nwhere flag =  1 ", "select * from t\nwhere flag =  1 "}},
    {"DoublesInShortestForm",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       const double pi = 3.141592653589793;
       const double tiny = 1e-7;
       SetQueryCriteria(q, CreateCriteriaOr(
           CreateCriteria(Col(p, "x", ZEL_SQL_DOUBLE), &pi, 8, QUERY_OP_GE, p),
           CreateCriteria(Col(p, "x", ZEL_SQL_DOUBLE), &tiny, 8, QUERY_OP_LT, p), p));
     },
     {"select * from t\nwhere x >=  3.141592653589793  OR x <  1e-07 ",
      "select * from t\nwhere x >=  3.141592653589793  OR x <  1e-07 ",
      "select  * from t\nwhere x >=  3.141592653589793  OR x <  1e-07 ",
      "select * from t\nwhere x >=  3.141592653589793  OR x <  1e-07 "}},
    {"DoublesSqliteWouldMisreadWrittenExactly",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       // SQLite 3.40 reads 84114.698695305 one unit in the last place off.
       const double misread = 84114.698695305;
       const double low = -INFINITY;
       SetQueryCriteria(q, CreateCriteriaOr(
           CreateCriteria(Col(p, "x", ZEL_SQL_DOUBLE), &misread, 8, QUERY_OP_EQ, p),
           CreateCriteria(Col(p, "x", ZEL_SQL_DOUBLE), &low, 8, QUERY_OP_GT, p), p));
     },
     {"select * from t\nwhere x =  84114.698695305  OR x >  '-Infinity' ",
      "select * from t\nwhere x =  84114.698695305  OR x >  '-Infinity' ",
      "select  * from t\nwhere x =  84114.698695305  OR x >  '-Infinity' ",
      "select * from t\nwhere x =  (CAST(5780318080147661 AS REAL) / 68719476736)  OR x >  -9e999 "}},
    {"BetweenTextBoundsQuoted",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       SetQueryCriteria(q, CreateCriteria(Col(p, "n", ZEL_SQL_VARCHAR), "'O''Brien' and x\\y",
                                          18, QUERY_OP_BETWEEN, p));
     },
     {"select * from t\nwhere n BETWEEN  'O''Brien' AND 'x\\\\y' ",
      "select * from t\nwhere n BETWEEN  'O''Brien' AND 'x\\y' ",
      "select  * from t\nwhere n BETWEEN  'O''Brien' AND 'x\\y' ",
      "select * from t\nwhere n BETWEEN  'O''Brien' AND 'x\\y' "}},
    // A bound that is not a number of the column's type, or a text without its AND, could
    // only be written as SQL of the caller's: the select is refused.
    {"BetweenInjectionRefused",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       SetQueryCriteria(q, CreateCriteria(Col(p, "a"), "1 AND 5; DROP TABLE t", 21,
                                          QUERY_OP_BETWEEN, p));
     },
     Same("<null>")},
    {"BetweenWithoutAndRefused",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       SetQueryCriteria(q, CreateCriteria(Col(p, "a"), "5", 1, QUERY_OP_BETWEEN, p));
     },
     Same("<null>")},
    {"BetweenNumberBounds",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       SetQueryCriteria(q, CreateCriteria(Col(p, "a"), "1 AND 5", 7, QUERY_OP_BETWEEN, p));
     },
     {"select * from t\nwhere a BETWEEN  1 AND 5 ", "select * from t\nwhere a BETWEEN  1 AND 5 ",
      "select  * from t\nwhere a BETWEEN  1 AND 5 ", "select * from t\nwhere a BETWEEN  1 AND 5 "}},
    {"GroupByHavingAndSort",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       AppendQueryColumn(q, Col(p, "a", ZEL_SQL_INT, "t"));
       Vector *group = CreatePoolVector(p);
       AddVectorColumn(p, Col(p, "a", ZEL_SQL_INT, "t"), group);
       AddVectorColumn(p, CreateQueryColumn("t", nullptr, "b", "bb", 0, 5, 0, p), group);
       const int32_t one = 1;
       QueryColumn *counted = CreateQueryColumn("t", nullptr, "a", nullptr, 0, 5, QUERY_FN_COUNT, p);
       SetQueryGroupBy(q, CreateGroupBy(group, CreateCriteria(counted, &one, 4, QUERY_OP_GT, p), p));
       Vector *order = CreatePoolVector(p);
       AddVectorColumn(p, Col(p, "a", ZEL_SQL_INT, "t"), order);
       AddVectorColumn(p, Col(p, "b"), order);
       SetQuerySort(q, CreateSort(order, 0, p));
     },
     {"select t.a \nfrom t\ngroup by t.a,bb\nhaving  COUNT(t.a)  >  1 order by t.a,b  desc ",
      "select t.a \nfrom t\ngroup by t.a,bb\nhaving  COUNT(t.a)  >  1 order by t.a,b  desc ",
      "select t.a \nfrom t\ngroup by t.a,bb\nhaving  COUNT(t.a)  >  1 order by t.a,b  desc ",
      "select t.a \nfrom t\ngroup by t.a,bb\nhaving  COUNT(t.a)  >  1 order by t.a,b  desc "}},
    {"SortAscendingAndGroupWithoutTable",
     [](SelectQuery *q, MemPool *p) {
       FromT(q, p);
       Vector *group = CreatePoolVector(p);
       AddVectorColumn(p, Col(p, "a"), group);
       SetQueryGroupBy(q, CreateGroupBy(group, nullptr, p));
       Vector *order = CreatePoolVector(p);
       AddVectorColumn(p, Col(p, "a"), order);
       SetQuerySort(q, CreateSort(order, 1, p));
     },
     {"select * from t\ngroup by a\norder by a  asc ", "select * from t\ngroup by a\norder by a  asc ",
      "select  * from t\ngroup by a\norder by a  asc ", "select * from t\ngroup by a\norder by a  asc "}},
    {"NoTables", [](SelectQuery *, MemPool *) {}, Same("<null>")},
    {"InvalidJoinType",
     [](SelectQuery *q, MemPool *p) {
       AppendQueryJoin(q, CreateQueryJoin("a", nullptr, "b", nullptr, 7, nullptr, nullptr, p));
       FromT(q, p);
     },
     Same("<null>")},
};

INSTANTIATE_TEST_SUITE_P(Cases, SelectText, ::testing::ValuesIn(kSelectCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(SqlTest, SelectWithoutTablesLogsTheReason) {
  SelectQuery *q = CreateSelectQuery();
  EXPECT_EQ(MysqlGenSelectQuery(q), nullptr);
  AppendQueryJoin(q, CreateQueryJoin("a", nullptr, "b", nullptr, 2, nullptr, nullptr, q->pool));
  EXPECT_EQ(PgsqlGenSelectQuery(q), nullptr);
  FreeSelectQuery(q);
  const std::string log = LogText();
  EXPECT_NE(log.find("[ERROR] \nNo Tables To Be Selected\n"), std::string::npos) << log;
  EXPECT_NE(log.find("[ERROR] Invalid Join Type\n"), std::string::npos) << log;
  EXPECT_NE(log.find("@@@@@@@@@@@ - INSIDE MysqlGenSelectQuery - @@@@@@@@@@@@@"),
            std::string::npos);
}

TEST_F(SqlTest, ClauseOperationsReturnPoolTexts) {
  SelectQuery *q = CreateSelectQuery();
  MemPool *p = q->pool;
  AppendQueryColumn(q, Col(p, "a", ZEL_SQL_INT, "t"));
  AppendQueryTable(q, CreateQueryTable("t", "u", p));
  EXPECT_STREQ(FirebirdGenerateColumnsStr(&q->columns, p), "t.a \n");
  EXPECT_STREQ(FirebirdGenerateTableListStr(&q->tables, p), "t u \n");
  EXPECT_STREQ(SqliteGenerateTableListStr(&q->tables, p), "t as u \n");
  QueryCriteria *leaf = IntLeaf(p, "a", 256);
  EXPECT_STREQ(MysqlGenerateCriteriaStr(leaf, p), "where a =  256 ");
  EXPECT_STREQ(MysqlGenCriteriaString(leaf, p), "a =  256 ");
  FreeSelectQuery(q);
}

// ---- row statements ---------------------------------------------------------------------

class RowText : public SqlTest {
 protected:
  void SetUp() override {
    SqlTest::SetUp();
    DefineTable("t", {{"id", ZEL_SQL_INT}, {"name", ZEL_SQL_VARCHAR, 20}}, {"id"});
    DefineTable("person",
                {{"id", ZEL_SQL_INT},
                 {"name", ZEL_SQL_VARCHAR, 40},
                 {"flag", ZEL_SQL_BOOLEAN},
                 {"score", ZEL_SQL_DOUBLE},
                 {"born", ZEL_SQL_DATE},
                 {"seen", ZEL_SQL_DATETIME},
                 {"note", ZEL_SQL_TEXT}},
                {"id"});
    DefineTable("pair", {{"a", ZEL_SQL_INT}, {"b", ZEL_SQL_VARCHAR, 10}, {"c", ZEL_SQL_BIGINT}},
                {"a", "b"});
    DefineTable("nokey", {{"a", ZEL_SQL_INT}});
  }

  static void Check(const char *what, char *(*const gen[4])(const char *, RowObject *),
                    const char *table, RowObject *row, const Expect &expect) {
    for (int d = 0; d < 4; ++d) {
      TextPtr text(gen[d](table, row));
      EXPECT_EQ(OrNull(text), expect[d]) << what << " on " << kDialects[d]->name;
    }
  }
  static constexpr char *(*kUpdate[4])(const char *, RowObject *) = {
      MysqlGenUpdateQuery, PgsqlGenUpdateQuery, FirebirdGenUpdateQuery, SqliteGenUpdateQuery};
  static constexpr char *(*kInsert[4])(const char *, RowObject *) = {
      MysqlGenInsertQuery, PgsqlGenInsertQuery, FirebirdGenInsertQuery, SqliteGenInsertQuery};
  static constexpr char *(*kDelete[4])(const char *, RowObject *) = {
      MysqlGenDelteQuery, PgsqlGenDeleteQuery, FirebirdGenDeleteQuery, SqliteGenDeleteQuery};
};

TEST_F(RowText, UpdateQuotesTheMysqlKeyWhateverItsType) {
  RowPtr row = MakeRow("t", {"5", "x"});
  Check("update", kUpdate, "t", row.get(),
        {"update t set name='x' where id='5'", "update t set name='x' where id=5",
         "update t set name='x' where id=5", "update t set name='x' where id=5"});
  EXPECT_NE(LogText().find("Update query is @@@ update t set name='x' where id='5'\n"),
            std::string::npos);
}

TEST_F(RowText, EveryValueKindInEveryStatement) {
  RowPtr row = MakeRow("person", {"7", "O'Brien \\ done", "TRUE", nullptr, "2026-12-09",
                                  "2026-12-09 08:15:00", "it's"});
  SetValue(row.get(), 3, 3.141592653589793);
  Check("update", kUpdate, "person", row.get(),
        {"update person set name='O''Brien \\\\ done',flag=1,score=3.141592653589793,"
         "born='2026-12-09',seen='2026-12-09 08:15:00',note='it''s' where id='7'",
         "update person set name='O''Brien \\ done',flag='t',score=3.141592653589793,"
         "born='2026-12-09',seen='2026-12-09 08:15:00',note='it''s' where id=7",
         "update person set name='O''Brien \\ done',flag=1,score=3.141592653589793,"
         "born='2026-12-09',seen='2026-12-09 08:15:00',note='it''s' where id=7",
         "update person set name='O''Brien \\ done',flag=1,score=3.141592653589793,"
         "born='2026-12-09',seen='2026-12-09 08:15:00',note='it''s' where id=7"});
  Check("insert", kInsert, "person", row.get(),
        {"insert into  person values(7,'O''Brien \\\\ done',1,3.141592653589793,'2026-12-09',"
         "'2026-12-09 08:15:00','it''s')",
         "insert into  person values(7,'O''Brien \\ done','t',3.141592653589793,'2026-12-09',"
         "'2026-12-09 08:15:00','it''s');",
         "insert into  person values(7,'O''Brien \\ done',1,3.141592653589793,'2026-12-09',"
         "'2026-12-09 08:15:00','it''s');",
         "insert into  person values(7,'O''Brien \\ done',1,3.141592653589793,'2026-12-09',"
         "'2026-12-09 08:15:00','it''s');"});
  Check("delete", kDelete, "person", row.get(), Same("delete from person  where id=7"));
}

TEST_F(RowText, NullValues) {
  RowPtr row = MakeRow("t", {"5", nullptr});
  Check("insert", kInsert, "t", row.get(),
        {"insert into  t values(5,NULL)", "insert into  t values(5,NULL);",
         "insert into  t values(5,NULL);", "insert into  t values(5,NULL);"});
  Check("update", kUpdate, "t", row.get(),
        {"update t set name=NULL where id='5'", "update t set name=NULL where id=5",
         "update t set name=NULL where id=5", "update t set name=NULL where id=5"});
  // The text NULL is a text, not a null value.
  RowPtr text = MakeRow("t", {"5", "NULL"});
  Check("insert", kInsert, "t", text.get(),
        {"insert into  t values(5,'NULL')", "insert into  t values(5,'NULL');",
         "insert into  t values(5,'NULL');", "insert into  t values(5,'NULL');"});
}

TEST_F(RowText, CompositeKeys) {
  RowPtr row = MakeRow("pair", {"1", "k'1", "-9223372036854775808"});
  Check("update", kUpdate, "pair", row.get(),
        {"update pair set c=-9223372036854775808 where a='1' and b='k''1'",
         "update pair set c=-9223372036854775808 where a=1 and b='k''1'",
         "update pair set c=-9223372036854775808 where a=1 and b='k''1'",
         "update pair set c=-9223372036854775808 where a=1 and b='k''1'"});
  Check("delete", kDelete, "pair", row.get(), Same("delete from pair  where a=1 and b='k''1'"));
}

TEST_F(RowText, WithoutKeyValueNothingIsWritten) {
  RowPtr row = MakeRow("nokey", {"1"});
  Check("update", kUpdate, "nokey", row.get(), Same("<null>"));
  Check("delete", kDelete, "nokey", row.get(), Same("<null>"));
  Check("insert", kInsert, "nokey", row.get(),
        {"insert into  nokey values(1)", "insert into  nokey values(1);",
         "insert into  nokey values(1);", "insert into  nokey values(1);"});
  Check("unknown table", kInsert, "missing", row.get(), Same("<null>"));
}

TEST_F(RowText, IntegerExtremesAndFloats) {
  DefineTable("num", {{"i1", ZEL_SQL_TINYINT},
                      {"u1", ZEL_SQL_UNSIGNED_TINYINT},
                      {"i2", ZEL_SQL_SMALLINT},
                      {"i4", ZEL_SQL_INT},
                      {"u4", ZEL_SQL_UNSIGNED_INT},
                      {"u8", ZEL_SQL_UNSIGNED_LONG_INT},
                      {"f", ZEL_SQL_FLOAT},
                      {"d", ZEL_SQL_DOUBLE}});
  RowPtr row = MakeRow("num", {"0", "0", "0", "0", "0", "0", "0", "0"});
  SetValue<int8_t>(row.get(), 0, -128);
  SetValue<uint8_t>(row.get(), 1, 255);
  SetValue<int16_t>(row.get(), 2, -32768);
  SetValue<int32_t>(row.get(), 3, INT32_MIN);
  SetValue<uint32_t>(row.get(), 4, 4294967295u);
  SetValue<uint64_t>(row.get(), 5, 18446744073709551615ull);
  SetValue<float>(row.get(), 6, 0.1f);
  SetValue<double>(row.get(), 7, 1e-7);
  TextPtr text(MysqlGenInsertQuery("num", row.get()));
  EXPECT_EQ(OrNull(text),
            "insert into  num values(-128,255,-32768,-2147483648,4294967295,18446744073709551615,0.1,"
            "1e-07)");
}

// ---- create table ------------------------------------------------------------------------

TEST_F(SqlTest, CreateTableWithKey) {
  DefineTable("t", {{"id", ZEL_SQL_INT, 0, nullptr, 0}, {"name", ZEL_SQL_VARCHAR, 20}}, {"id"});
  const Expect expect = {
      "CREATE TABLE t(\n\tid int   NOT NULL,\n\tname varchar(20)  ,\n\tPRIMARY KEY(id)\n) ENGINE = InnoDB;\n\n",
      "CREATE TABLE t(\n\tid int   NOT NULL,\n\tname varchar(21)  ,\n\tPRIMARY KEY(id)\n);\n\n",
      "CREATE TABLE t(\n\tid int   NOT NULL,\n\tname varchar(20)  ,\n\tPRIMARY KEY(id)\n);\n\n",
      "CREATE TABLE t(\n\tid int   NOT NULL,\n\tname varchar(20)  ,\n\tPRIMARY KEY(id)\n);\n\n"};
  for (int d = 0; d < 4; ++d) {
    TextPtr text(kDialects[d]->GenCreateQuery("t"));
    EXPECT_EQ(OrNull(text), expect[d]) << kDialects[d]->name;
  }
  EXPECT_EQ(MysqlGenCreateQuery("missing"), nullptr);
}

TEST_F(SqlTest, CreateTableDefaultsOfEveryType) {
  DefineTable("d", {{"id", ZEL_SQL_INT, 0, "7", 0, 1},
                    {"big", ZEL_SQL_BIGINT, 0, "-9000000000"},
                    {"name", ZEL_SQL_VARCHAR, 10, "it's"},
                    {"flag", ZEL_SQL_BOOLEAN, 0, "true"},
                    {"off", ZEL_SQL_BOOLEAN, 0, "false"},
                    {"plain", ZEL_SQL_BOOLEAN},
                    {"x", ZEL_SQL_DOUBLE, 0, "2.5"},
                    {"note", ZEL_SQL_TEXT},
                    {"born", ZEL_SQL_DATE},
                    {"at", ZEL_SQL_TIME},
                    {"seen", ZEL_SQL_DATETIME}},
              {"id"});
  const Expect expect = {
      "CREATE TABLE d(\n"
      "\tid int DEFAULT 7 NOT NULL UNIQUE,\n"
      "\tbig bigint DEFAULT -9000000000,\n"
      "\tname varchar(10) DEFAULT 'it''s',\n"
      "\tflag tinyint DEFAULT 1 ,\n"
      "\toff tinyint DEFAULT 0 ,\n"
      "\tplain tinyint   ,\n"
      "\tx double DEFAULT 2.5,\n"
      "\tnote text ,\n"
      "\tborn date,\n"
      "\tat time,\n"
      "\tseen datetime,\n"
      "\tPRIMARY KEY(id)\n) ENGINE = InnoDB;\n\n",
      "CREATE TABLE d(\n"
      "\tid int DEFAULT 7 NOT NULL UNIQUE,\n"
      "\tbig bigint DEFAULT -9000000000,\n"
      "\tname varchar(11) DEFAULT 'it''s',\n"
      "\tflag boolean DEFAULT 't' ,\n"
      "\toff boolean DEFAULT 'f' ,\n"
      "\tplain boolean   ,\n"
      "\tx double precision DEFAULT 2.5,\n"
      "\tnote text ,\n"
      "\tborn date,\n"
      "\tat time,\n"
      "\tseen timestamp,\n"
      "\tPRIMARY KEY(id)\n);\n\n",
      "CREATE TABLE d(\n"
      "\tid int DEFAULT 7 NOT NULL,\n"
      "\tbig bigint DEFAULT -9000000000,\n"
      "\tname varchar(10) DEFAULT 'it''s',\n"
      "\tflag SMALLINT DEFAULT 1 ,\n"
      "\toff SMALLINT DEFAULT 0 ,\n"
      "\tplain SMALLINT   ,\n"
      "\tx double precision DEFAULT 2.5,\n"
      "\tnote BLOB SUB_TYPE TEXT ,\n"
      "\tborn date,\n"
      "\tat time,\n"
      "\tseen timestamp,\n"
      "\tPRIMARY KEY(id)\n);\n\n",
      "CREATE TABLE d(\n"
      "\tid int DEFAULT 7 NOT NULL UNIQUE,\n"
      "\tbig int DEFAULT -9000000000,\n"
      "\tname varchar(10) DEFAULT 'it''s',\n"
      "\tflag boolean DEFAULT 1 ,\n"
      "\toff boolean DEFAULT 0 ,\n"
      "\tplain boolean   ,\n"
      "\tx real DEFAULT 2.5,\n"
      "\tnote text ,\n"
      "\tborn varchar(30),\n"
      "\tat varchar(30),\n"
      "\tseen varchar(30),\n"
      "\tPRIMARY KEY(id)\n);\n\n"};
  for (int d = 0; d < 4; ++d) {
    TextPtr text(kDialects[d]->GenCreateQuery("d"));
    EXPECT_EQ(OrNull(text), expect[d]) << kDialects[d]->name;
  }
}

TEST_F(SqlTest, CreateTableForeignKeysGrouped) {
  DefineTable("child", {{"id", ZEL_SQL_INT}, {"p1", ZEL_SQL_INT}, {"p2", ZEL_SQL_INT}, {"o", ZEL_SQL_INT}},
              {"id"}, {{"p1", "a", "parent"}, {"p2", "b", "PARENT"}, {"o", "id", "other"}});
  const char *columns = "CREATE TABLE child(\n\tid int  ,\n\tp1 int  ,\n\tp2 int  ,\n\to int  ,\n"
                        "\tPRIMARY KEY(id),\n";
  TextPtr mysql(MysqlGenCreateQuery("child"));
  EXPECT_EQ(OrNull(mysql),
            std::string(columns) +
                "\tFOREIGN KEY(p1,p2) REFERENCES parent (a,b) ON DELETE CASCADE,\n"
                "\tINDEX child_IDX0 (p1,p2),\n"
                "\tFOREIGN KEY(o) REFERENCES other (id) ON DELETE CASCADE,\n"
                "\tINDEX child_IDX1 (o)\n) ENGINE = InnoDB;\n\n");
  TextPtr pgsql(PgsqlGenCreateQuery("child"));
  EXPECT_EQ(OrNull(pgsql),
            "CREATE TABLE child(\n\tid int  ,\n\tp1 int  ,\n\tp2 int  ,\n\to int  ,\n"
            "\tPRIMARY KEY(id),\n"
            "\tFOREIGN KEY(p1,p2) REFERENCES parent (a,b) ON DELETE CASCADE,\n"
            "\tFOREIGN KEY(o) REFERENCES other (id) ON DELETE CASCADE\n);\n\n");
  EXPECT_NE(LogText().find("[TRACE] Ref Column  : a,b\n"), std::string::npos);
}

TEST_F(SqlTest, RegistryFindsDialectsByName) {
  EXPECT_EQ(FindDialect("mysql"), &gv_mysqlDialect);
  EXPECT_EQ(FindDialect("PgSql"), &gv_pgsqlDialect);
  EXPECT_EQ(FindDialect("FIREBIRD"), &gv_firebirdDialect);
  EXPECT_EQ(FindDialect("sqlite"), &gv_sqliteDialect);
  EXPECT_EQ(FindDialect("oracle"), nullptr);
  FreeDialects();
  EXPECT_EQ(FindDialect("mysql"), nullptr);
}

}  // namespace
}  // namespace corbel::testing
