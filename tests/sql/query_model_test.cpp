// Query model builders, the pool system and the growing text buffer.
#include <corbel/mempool.h>
#include <corbel/query.h>
#include <corbel/textbuffer.h>

#include <string>

#include "tests/sql/pool_fixture.h"

namespace corbel::testing {
namespace {

TEST(MemPool, ReferenceCountKeepsTheGlobalPoolUntilTheLastUser) {
  EXPECT_EQ(CreateSubPool(), nullptr);  // not started
  ASSERT_TRUE(InitializeMemPool());
  ASSERT_TRUE(InitializeMemPool());
  EXPECT_EQ(GetMemPoolUsers(), 2);
  ShutdownMemPool();
  MemPool *pool = CreateSubPool();
  ASSERT_NE(pool, nullptr);
  auto *bytes = static_cast<unsigned char *>(PoolAlloc(pool, 24));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(bytes) % 8, 0u);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(bytes[i], 0);
  const char raw[] = {'a', '\0', 'b'};
  auto *copy = static_cast<const char *>(PoolMemDup(pool, raw, 3));
  EXPECT_EQ(std::string(copy, 4), std::string("a\0b\0", 4));
  EXPECT_STREQ(PoolStrDup(pool, "text"), "text");
  EXPECT_EQ(PoolStrDup(pool, nullptr), nullptr);
  ShutdownMemPool();  // the last user: the sub-pool goes with the global pool
  EXPECT_EQ(GetMemPoolUsers(), 0);
  EXPECT_EQ(CreateSubPool(), nullptr);
  ShutdownMemPool();  // once more: nothing
  EXPECT_EQ(GetMemPoolUsers(), 0);
}

TEST_F(PoolTest, ColumnBuildersAndTheirMessages) {
  SelectQuery *q = CreateSelectQuery();
  ASSERT_NE(q, nullptr);
  MemPool *p = q->pool;
  EXPECT_EQ(q->columns.count, 0);
  EXPECT_EQ(q->limit, 0u);
  QueryColumn *count = CreateQueryColumn(nullptr, nullptr, nullptr, nullptr, 0, 5, QUERY_FN_COUNT, p);
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->columnName, nullptr);
  EXPECT_EQ(CreateQueryColumn(nullptr, nullptr, nullptr, nullptr, 0, 5, QUERY_FN_NONE, p), nullptr);
  EXPECT_NE(CreateQueryColumn("t", nullptr, "c", nullptr, 9, 21, 0, p), nullptr);  // CLOB
  EXPECT_EQ(CreateQueryColumn("t", nullptr, "c", nullptr, 0, 22, 0, p), nullptr);  // TEXT
  EXPECT_EQ(CreateJoinColumn(nullptr, nullptr, nullptr, nullptr, 0, 5, QUERY_FN_COUNT, p), nullptr);
  char name[] = "a";
  QueryColumn *copied = CreateQueryColumn("t", "u", name, "x", 42, 5, 0, p);
  name[0] = 'z';
  EXPECT_STREQ(copied->columnName, "a");
  EXPECT_STREQ(copied->tableAlias, "u");
  EXPECT_EQ(copied->auxValue, 42u);
  FreeSelectQuery(q);
  const std::string log = LogText();
  EXPECT_NE(log.find("[ERROR] \nColumn Name is NULL\n"), std::string::npos);
  EXPECT_NE(log.find("[ERROR] \nInvalid Data Type\n"), std::string::npos);
}

TEST_F(PoolTest, RemoveQueryColumnMatchesNameAndTable) {
  SelectQuery *q = CreateSelectQuery();
  MemPool *p = q->pool;
  AppendQueryColumn(q, CreateQueryColumn(nullptr, nullptr, "Name", nullptr, 0, 15, 0, p));
  AppendQueryColumn(q, CreateQueryColumn("T", nullptr, "id", nullptr, 0, 5, 0, p));
  AppendQueryColumn(q, CreateQueryColumn("s", nullptr, "id", nullptr, 0, 5, 0, p));
  EXPECT_FALSE(RemoveQueryColumn(q, "id", "other"));
  EXPECT_EQ(q->columns.count, 3);
  EXPECT_NE(LogText().find("[ERROR] Invalid Column Name"), std::string::npos);
  EXPECT_TRUE(RemoveQueryColumn(q, "ID", "s"));  // the last one: the tail moves back
  EXPECT_TRUE(RemoveQueryColumn(q, "NAME", "anything"));
  ASSERT_EQ(q->columns.count, 1);
  EXPECT_STREQ(static_cast<QueryColumn *>(q->columns.head->element)->tableName, "T");
  AppendQueryColumn(q, CreateQueryColumn(nullptr, nullptr, "after", nullptr, 0, 5, 0, p));
  ASSERT_EQ(q->columns.count, 2);
  EXPECT_STREQ(static_cast<QueryColumn *>(q->columns.tail->element)->columnName, "after");
  EXPECT_EQ(q->columns.head->next, q->columns.tail);
  FreeSelectQuery(q);
}

TEST_F(PoolTest, CriteriaNodesKeepValuesAndParents) {
  SelectQuery *q = CreateSelectQuery();
  MemPool *p = q->pool;
  QueryColumn *c = CreateQueryColumn(nullptr, nullptr, "a", nullptr, 0, 5, 0, p);
  int32_t value = 256;
  QueryCriteria *left = CreateCriteria(c, &value, 4, QUERY_OP_EQ, p);
  value = 7;
  QueryCriteria *right = CreateCriteria(c, &value, 4, QUERY_OP_NE, p);
  ASSERT_NE(left, nullptr);
  EXPECT_EQ(std::string(static_cast<char *>(left->value), 5), std::string("\0\1\0\0\0", 5));
  EXPECT_EQ(left->valueLength, 4);
  QueryCriteria *both = CreateCriteriaAnd(left, right, p);
  EXPECT_EQ(both->op, QUERY_OP_AND);
  EXPECT_EQ(both->column, nullptr);
  EXPECT_EQ(left->parent, both);
  EXPECT_EQ(right->parent, both);
  EXPECT_EQ(both->parent, nullptr);
  QueryCriteria *either = CreateCriteriaOr(both, left, p);
  EXPECT_EQ(both->parent, either);
  EXPECT_EQ(either->op, QUERY_OP_OR);
  EXPECT_EQ(SetQueryCriteria(q, either), q);
  EXPECT_EQ(CreateCriteria(nullptr, &value, 4, QUERY_OP_EQ, p), nullptr);
  EXPECT_NE(LogText().find("[ERROR] \nEmpty Column Assigned\n"), std::string::npos);
  FreeSelectQuery(q);
}

TEST_F(PoolTest, NameTables) {
  EXPECT_STREQ(GetQueryFunctionWord(0), "INVALID TYPE");
  EXPECT_STREQ(GetQueryFunctionWord(6), "AVG");
  EXPECT_EQ(GetQueryFunctionWord(7), nullptr);
  EXPECT_STREQ(GetQueryOperatorWord(0), "INVALID OPERATOR");
  EXPECT_STREQ(GetQueryOperatorWord(6), "!=");
  EXPECT_STREQ(GetQueryOperatorWord(10), "BETWEEN");
  EXPECT_EQ(GetQueryOperatorWord(11), nullptr);
  EXPECT_STREQ(GetQueryJoinTypeWord(LEFT_JOIN), "LEFT_JOIN");
}

TEST_F(PoolTest, ManyModelsReleaseTheirPools) {
  // Each model's pool goes with it; thousands of models do not pile up memory.
  for (int i = 0; i < 5000; ++i) {
    SelectQuery *q = CreateSelectQuery();
    ASSERT_NE(q, nullptr);
    PoolAlloc(q->pool, 4096);
    FreeSelectQuery(q);
  }
}

TEST_F(PoolTest, ModelWithoutPoolSystemIsRefused) {
  ShutdownMemPool();
  EXPECT_EQ(CreateSelectQuery(), nullptr);
  EXPECT_NE(LogText().find("[ERROR] \nMEMORY ALLOCATION FOR SELECTQUERYPTR FAILED\n"),
            std::string::npos);
  ASSERT_TRUE(InitializeMemPool());
}

TEST(TextBuffer, GrowsByWholeSteps) {
  struct Case {
    int32_t capacity, step, held, added, expectCapacity;
  } cases[] = {
      {512, 512, 500, 1100, 2048},  // three steps
      {512, 512, 500, 12, 512},     // fits exactly
      {512, 512, 500, 13, 1024},    // one step
      {0, 0, 0, 5, 5},              // no step: grows to fit
  };
  for (const Case &c : cases) {
    TextBuffer buffer;
    ASSERT_EQ(InitTextBuffer(&buffer, c.capacity, c.step), 1);
    std::string expected(c.held, 'a');
    ASSERT_EQ(AppendTextBuffer(&buffer, expected.c_str()), 1);
    std::string more(c.added, 'b');
    ASSERT_EQ(AppendTextBuffer(&buffer, more.c_str()), 1);
    expected += more;
    EXPECT_EQ(buffer.capacity, c.expectCapacity) << c.held << "+" << c.added;
    EXPECT_EQ(buffer.length, static_cast<int32_t>(expected.size()));
    EXPECT_EQ(std::string(buffer.text), expected);
    FreeTextBuffer(&buffer);
  }
  TextBuffer dflt;
  ASSERT_EQ(InitDefaultTextBuffer(&dflt), 1);
  EXPECT_EQ(dflt.capacity, 10000);
  EXPECT_EQ(dflt.step, 1000);
  EXPECT_STREQ(dflt.text, "");
  FreeTextBuffer(&dflt);
}

}  // namespace
}  // namespace corbel::testing
